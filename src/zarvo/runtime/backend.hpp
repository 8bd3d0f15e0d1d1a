#pragma once
// The seam between the runtime and a platform: one table of operations per
// backend. To port the engine, fill in a new table (copy the headless one).
#include <cstdint>

#include "zarvo/runtime/input.hpp"

namespace ZARVO::RUNTIME {

struct BACKENDOPS {
  const char* NAME;
  // Opens the window; the runtime owns the screen buffer it presents from.
  bool (*OPEN)(int32_t w, int32_t h, int32_t flags, const char* title, const char** error);
  void (*CLOSE)();
  // Shows rows first..last (inclusive, already clipped) of the screen buffer.
  // The buffer stays put from OPEN to CLOSE, so a backend may read it again
  // to show the whole picture after the window system lost it.
  void (*PRESENT)(const uint32_t* pixels, int32_t pitch, int32_t w, int32_t h, int32_t first,
                  int32_t last);
  void (*TITLE)(const char* title);
  bool (*POLL)(EVENT& e);
  double (*TIMER)();
  void (*DELAY)(int32_t ms);
  void (*GETMOUSE)(int32_t* x, int32_t* y, int32_t* wheel, int32_t* buttons, int32_t* clip);
  void (*SETMOUSE)(int32_t x, int32_t y, int32_t visibility, int32_t clip);
  uint32_t (*LISTMODES)(int32_t depth);
};

const BACKENDOPS& SDL2BACKEND();
const BACKENDOPS& HEADLESSBACKEND();
const BACKENDOPS& WEBBACKEND();  // only in a browser build

}  // namespace ZARVO::RUNTIME
