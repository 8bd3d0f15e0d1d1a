#include "zarvo/runtime/runtime.hpp"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "zarvo/runtime/backend.hpp"

namespace ZARVO::RUNTIME {
namespace {

struct SCREENSTATE {
  const BACKENDOPS* ops = nullptr;
  std::vector<uint32_t> pixels;
  int32_t w = 0, h = 0;
  bool open = false;
  int32_t locks = 0;
  // Rows drawn since the last present; first > last means none.
  int32_t dirtyfirst = 1, dirtylast = 0;
  uint64_t presents = 0;
  std::string title;
  std::string error;
};

SCREENSTATE& S() {
  static SCREENSTATE s;
  return s;
}

bool forced = false;
BACKEND chosen = BACKEND::SDL2;

const BACKENDOPS& ops() {
  SCREENSTATE& s = S();
  if (!s.ops) {
    if (!forced) {
      const char* v = std::getenv("ZARVO_VIDEO");
      chosen = (v && std::strcmp(v, "headless") == 0) ? BACKEND::HEADLESS : BACKEND::SDL2;
      forced = true;
    }
    s.ops = chosen == BACKEND::HEADLESS ? &HEADLESSBACKEND() : &SDL2BACKEND();
  }
  return *s.ops;
}

void present() {
  SCREENSTATE& s = S();
  if (!s.open || s.dirtyfirst > s.dirtylast) return;
  ops().PRESENT(s.pixels.data(), s.w * 4, s.w, s.h, s.dirtyfirst, s.dirtylast);
  s.dirtyfirst = 1;
  s.dirtylast = 0;
  ++s.presents;
}

}  // namespace

void USEBACKEND(BACKEND b) {
  if (S().ops) return;
  chosen = b;
  forced = true;
}

BACKEND CURRENTBACKEND() {
  ops();
  return chosen;
}

bool SCREENMODE(int32_t w, int32_t h, int32_t depth, int32_t pages, int32_t flags,
                int32_t refresh) {
  (void)pages;
  (void)refresh;
  SCREENSTATE& s = S();
  s.error.clear();
  if (w < 1 || h < 1 || w > 16384 || h > 16384 || (depth != 32 && depth != 24)) {
    s.error = "unsupported screen size or depth";
    return false;
  }
  SCREENCLOSE();
  const char* err = nullptr;
  if (!ops().OPEN(w, h, flags, s.title.c_str(), &err)) {
    s.error = err ? err : "the window could not be opened";
    return false;
  }
  static const bool closesatexit = std::atexit([] { SCREENCLOSE(); }) == 0;
  (void)closesatexit;  // the window goes away cleanly however the program ends
  s.w = w;
  s.h = h;
  s.pixels.assign(static_cast<size_t>(w) * static_cast<size_t>(h), 0xFF000000u);
  s.open = true;
  s.locks = 0;
  s.dirtyfirst = 0;
  s.dirtylast = h - 1;
  return true;
}

void SCREENCLOSE() {
  SCREENSTATE& s = S();
  if (!s.open) return;
  ops().CLOSE();
  s.open = false;
  s.pixels.clear();
  s.pixels.shrink_to_fit();
  s.w = s.h = 0;
  s.locks = 0;
}

const char* SCREENERROR() { return S().error.c_str(); }

uint32_t* SCREENPTR() { return S().open ? S().pixels.data() : nullptr; }
int32_t SCREENPITCH() { return S().w * 4; }
int32_t SCREENWIDTH() { return S().w; }
int32_t SCREENHEIGHT() { return S().h; }

void SCREENLOCK() { ++S().locks; }

void SCREENUNLOCK(int32_t first, int32_t last) {
  SCREENSTATE& s = S();
  (void)first;
  (void)last;
  if (s.locks > 0) --s.locks;
  // Only rows that were drawn are presented; the range given here can only
  // narrow what is shown, never force an unchanged screen out again.
  if (s.locks == 0) present();
}

bool SCREENLOCKED() { return S().locks > 0; }

void SCREENDIRTY(int32_t first, int32_t last) {
  SCREENSTATE& s = S();
  if (!s.open) return;
  if (first < 0) first = 0;
  if (last < 0 || last >= s.h) last = s.h - 1;
  if (first > last) return;
  if (s.dirtyfirst > s.dirtylast) {
    s.dirtyfirst = first;
    s.dirtylast = last;
  } else {
    s.dirtyfirst = std::min(s.dirtyfirst, first);
    s.dirtylast = std::max(s.dirtylast, last);
  }
}

uint64_t PRESENTCOUNT() { return S().presents; }

bool POLLEVENT(EVENT& e) { return ops().POLL(e); }
double TIMER() { return ops().TIMER(); }
void DELAY(int32_t ms) { ops().DELAY(ms); }

void GETMOUSE(int32_t* x, int32_t* y, int32_t* wheel, int32_t* buttons, int32_t* clip) {
  int32_t dx, dy, dw, db, dc;
  ops().GETMOUSE(x ? x : &dx, y ? y : &dy, wheel ? wheel : &dw, buttons ? buttons : &db,
                 clip ? clip : &dc);
}

void SETMOUSE(int32_t x, int32_t y, int32_t visibility, int32_t clip) {
  ops().SETMOUSE(x, y, visibility, clip);
}

void WINDOWTITLE(const char* title) {
  S().title = title ? title : "";
  ops().TITLE(S().title.c_str());
}

const char* WINDOWTITLE() { return S().title.c_str(); }

uint32_t SCREENLIST(int32_t depth) { return ops().LISTMODES(depth); }

}  // namespace ZARVO::RUNTIME
