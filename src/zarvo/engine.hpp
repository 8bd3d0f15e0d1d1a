#pragma once
// The engine: the window, the table of game screens, the game loop, the
// mouse cursor and the engine-wide events.
#include <cstdint>
#include <string>

#include "zarvo/event.hpp"
#include "zarvo/graphics/bitmap.hpp"
#include "zarvo/math/math.hpp"
#include "zarvo/types.hpp"

namespace ZARVO::ENGINE {

using MATH::POINT;

// A screen size; its text form is "640x480".
struct RESOLUTION {
  int32_t WIDTH = 0;
  int32_t HEIGHT = 0;
  operator std::string() const;
};

// A growable list of sizes. It owns its array: copies are deep, and the
// destructor releases it.
struct RESOLUTIONLIST {
  int32_t COUNT = 0;
  RESOLUTION* LIST = nullptr;

  RESOLUTIONLIST() = default;
  RESOLUTIONLIST(const RESOLUTIONLIST& other);
  RESOLUTIONLIST& operator=(const RESOLUTIONLIST& other);
  RESOLUTIONLIST(RESOLUTIONLIST&& other) noexcept;
  RESOLUTIONLIST& operator=(RESOLUTIONLIST&& other) noexcept;
  ~RESOLUTIONLIST();

  // Appends (W, H); the array grows by one entry. Out of memory leaves the list as it was.
  void ADD(int32_t W, int32_t H);
};

// The full-screen modes of 32-bit depth that the display supports.
RESOLUTIONLIST SUPPORTEDRESOLUTIONS();

// One game screen: the four events the game attaches its handlers to.
struct GAMESCREENEVENTS {
  __SIMPLE_EVENT ONSHOW;
  ONHIDEEVENT ONHIDE;
  ONPAINTEVENT ONPAINT;
  ONFRAMEEVENT ONFRAME;
};

// The screen table. Entries never move, so a reference stays valid while the
// table grows. An unregistered number yields a detached record that the
// engine never raises, so a stray number cannot crash the game.
class SCREENTABLE {
 public:
  GAMESCREENEVENTS& operator[](int32_t n);
  // Null for an unregistered number.
  GAMESCREENEVENTS* FIND(int32_t n);
};
extern SCREENTABLE GAMESCREENS;

// Engine state.
inline int32_t ACTIVEGAMESCREEN = -1;
inline int32_t SCREENCOUNT = 0;
inline BOOLEAN INITIALIZED = FALSE;
inline BOOLEAN STARTED = FALSE;
inline BOOLEAN GAMELOOPRUNNING = FALSE;
inline BOOLEAN REPAINTNEEDED = FALSE;
inline RESOLUTION SCREENRESOLUTION{};
inline BOOLEAN MOUSECURSORVISIBLE = FALSE;
inline GRAPHICS::BITMAP* MOUSECURSORBITMAP = nullptr;
inline POINT MOUSECURSORHOTSPOT{};
inline POINT MOUSECURSORPOSITION{};
inline BOOLEAN MOUSECURSORINSIDEWINDOW = FALSE;

// Engine-wide events.
inline constinit __SIMPLE_EVENT ONBEFOREINITIALIZE;
inline constinit __SIMPLE_EVENT ONINITIALIZE;
inline constinit __SIMPLE_EVENT ONSTART;
inline constinit ONSHUTDOWNEVENT ONSHUTDOWN;
inline constinit __SIMPLE_EVENT ONDESTROY;
inline constinit __SIMPLE_EVENT ONMOUSEENTER;
inline constinit __SIMPLE_EVENT ONMOUSELEAVE;
inline constinit __SIMPLE_EVENT ONFOCUS;
inline constinit __SIMPLE_EVENT ONBLUR;

// Opens the window (flags: 1 full screen, 4 no switching between window and
// full screen) and raises ONBEFOREINITIALIZE then ONINITIALIZE. TRUE on
// success or when already initialised; FALSE when no screen could be set up.
BOOLEAN INITIALIZE(int32_t W, int32_t H, BOOLEAN FS = FALSE, int32_t FLAGS = 0);
BOOLEAN INITIALIZE(const RESOLUTION& RES, BOOLEAN FS = FALSE, int32_t FLAGS = 0);
// Why the last INITIALIZE could not open the window (empty otherwise).
const char* INITIALIZEERROR();

// Registers a new screen and returns its number; -1 (no screen) when memory
// runs out.
int32_t NEWGAMESCREEN();

// Runs the game loop until SHUTDOWN; runs at most once per process.
void START();

// Asks the loop to end; FALSE when an ONSHUTDOWN handler vetoed it (ignored with FORCE).
BOOLEAN SHUTDOWN(BOOLEAN FORCE = FALSE);

// Requests that the active screen be painted in the next pass.
void REPAINT();

void SHOWCURSOR();
void HIDECURSOR();
// Sets the cursor bitmap (not owned; null = the system pointer) and its hot spot.
void SETCURSOR(GRAPHICS::BITMAP* CURSOR, int32_t X = 0, int32_t Y = 0);

}  // namespace ZARVO::ENGINE
