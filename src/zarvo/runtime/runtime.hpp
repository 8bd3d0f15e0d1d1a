#pragma once
// The graphics runtime: window, screen buffer, input, timer and mouse. Every
// platform call of the engine goes through here; the backend behind it is
// SDL2 for a real window, a canvas in a browser build, or the headless one
// for deterministic tests.
#include <cstdint>

#include "zarvo/runtime/input.hpp"

namespace ZARVO::RUNTIME {

// Flags of SCREENMODE.
inline constexpr int32_t MODE_FULLSCREEN = 1;
inline constexpr int32_t MODE_NOSWITCH = 4;

// The platforms behind the runtime: a real window, the in-memory test one, or
// a browser canvas.
enum class BACKEND { SDL2, HEADLESS, WEB };

// Picks the backend before the first platform call; later calls are ignored.
// Without it, ZARVO_VIDEO=<name> (sdl2, headless, web) selects one, else the
// platform's own: web in a browser build, SDL2 elsewhere. A backend that is
// not built in opens no window (SCREENMODE fails and says so).
void USEBACKEND(BACKEND b);
// The backend in use (chosen at the first platform call).
BACKEND CURRENTBACKEND();

// Opens the window (or full screen) with a 32-bit screen buffer. Returns false
// when no screen could be set up; a second call replaces the first screen.
bool SCREENMODE(int32_t w, int32_t h, int32_t depth, int32_t pages, int32_t flags,
                int32_t refresh);
// Closes the window and frees the screen buffer.
void SCREENCLOSE();
// Why the last SCREENMODE failed (empty when it did not).
const char* SCREENERROR();

// The screen buffer: null exactly when no screen exists. Taking it marks the
// whole screen as changed, so what is written through it between lock and
// unlock is presented; a game that keeps the pointer across passes marks its
// later writes with SCREENDIRTY.
uint32_t* SCREENPTR();
// The same buffer without marking anything, for code that marks the rows it
// draws itself (the image put, the transitions).
uint32_t* SCREENPIXELS();
int32_t SCREENPITCH();  // bytes
int32_t SCREENWIDTH();
int32_t SCREENHEIGHT();

// Lock and unlock. Locks nest and are counted; the last unlock presents the
// marked rows, but only when something was marked since the last present.
void SCREENLOCK();
void SCREENUNLOCK(int32_t first = -1, int32_t last = -1);
// Whether the screen is locked now.
bool SCREENLOCKED();
// Records that rows first..last (-1 = top / bottom) of the screen changed.
void SCREENDIRTY(int32_t first = -1, int32_t last = -1);
// Number of presents so far (for tests and measurements).
uint64_t PRESENTCOUNT();

// Takes the oldest queued input event, if any; never blocks.
bool POLLEVENT(EVENT& e);

double TIMER();            // seconds since an arbitrary origin
void DELAY(int32_t ms);    // plain sleep

// Pointer in window pixels; every output -1 when the pointer is not over the window.
void GETMOUSE(int32_t* x, int32_t* y, int32_t* wheel, int32_t* buttons, int32_t* clip);
// Moves the pointer (reported as ordinary move events); visibility 1 shows,
// 0 hides and -1 keeps the system pointer; clip -1 keeps the clipping.
void SETMOUSE(int32_t x, int32_t y, int32_t visibility = -1, int32_t clip = -1);

// May be called before the window exists; applies when it opens.
void WINDOWTITLE(const char* title);
const char* WINDOWTITLE();

// Full-screen modes of a depth as (w << 16 | h); 0 ends the list. A nonzero
// depth starts the enumeration, depth 0 continues it.
uint32_t SCREENLIST(int32_t depth);

}  // namespace ZARVO::RUNTIME
