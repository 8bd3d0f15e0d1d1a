#pragma once
// Control of the headless backend: an in-memory screen, an input queue that
// tests fill, and a virtual clock that moves only when the engine delays.
#include <cstddef>
#include <cstdint>

#include "zarvo/runtime/input.hpp"

namespace ZARVO::HEADLESS {

// Selects the headless backend (call before any platform call).
void USE();

// Puts everything back to a fresh machine: clock 1.0 s, empty queue, pointer
// outside, default mode list, no hooks. The window, if open, stays open.
void RESET();

// Input queue.
// Queue one event: any record, a key (EVT_KEYPRESS, EVT_KEYRELEASE,
// EVT_KEYREPEAT with a set-1 scan code), or a mouse button (which also
// updates the buttons that get-mouse reports).
void PUSHEVENT(const RUNTIME::EVENT& e);
void PUSHKEY(int32_t type, int32_t scancode, int32_t ascii = 0);
void PUSHBUTTON(int32_t type, int32_t button);
// The user moves the pointer: position updated, one move event queued.
void MOVEPOINTER(int32_t x, int32_t y);
// Events still queued, and emptying the queue.
size_t PENDING();
void CLEAREVENTS();

// Where the pointer is, without queueing anything.
void SETPOINTER(int32_t x, int32_t y, bool inside);
// The pointer as the backend holds it, and whether the system pointer is shown.
bool POINTERINSIDE();
int32_t POINTERX();
int32_t POINTERY();
bool SYSTEMPOINTERVISIBLE();
// Every SETMOUSE call, for tests of the pointer nudge; an index past the
// last call writes nothing.
size_t SETMOUSECOUNT();
void SETMOUSECALL(size_t i, int32_t* x, int32_t* y, int32_t* visibility, int32_t* clip);

// Virtual clock, in seconds.
// Set and read the clock; DELAYCOUNT is the number of delays (passes) so far.
void SETTIME(double t);
double TIME();
uint64_t DELAYCOUNT();
// Called after each delay has advanced the clock; tests script input with it.
void ONDELAY(void (*hook)(uint64_t delaycount, double now));

// Screen set-up.
void FAILOPEN(bool fail);  // the next SCREENMODE calls fail
int32_t OPENFLAGS();       // flags word of the last successful open
int32_t OPENCOUNT();        // successful opens so far
const char* TITLE();       // the window title
// Mode list reported for depth 32 (w << 16 | h each); other depths report none.
void SETMODES(const uint32_t* modes, size_t n);

// A copy of the screen as last presented (row-major, width x height pixels).
const uint32_t* FRAME();

}  // namespace ZARVO::HEADLESS
