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
  __SIMPLE_EVENT ONSHOW;  // about to be shown: load images, place things
  ONHIDEEVENT ONHIDE;     // about to be left (next screen, -1 at shut-down); may cancel
  ONPAINTEVENT ONPAINT;   // paint the whole screen into the bitmap given
  ONFRAMEEVENT ONFRAME;   // once per pass while active: elapsed seconds and input
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
inline int32_t ACTIVEGAMESCREEN = -1;               // the active screen; -1 before the first SHOW
inline int32_t SCREENCOUNT = 0;                     // screens registered
inline BOOLEAN INITIALIZED = FALSE;                 // INITIALIZE succeeded
inline BOOLEAN STARTED = FALSE;                     // the loop has started (never cleared)
inline BOOLEAN GAMELOOPRUNNING = FALSE;             // the loop runs; SHUTDOWN clears it
inline BOOLEAN REPAINTNEEDED = FALSE;               // a paint is due in the next pass
inline RESOLUTION SCREENRESOLUTION{};               // the size given to INITIALIZE
inline BOOLEAN MOUSECURSORVISIBLE = FALSE;          // the cursor is to be shown
inline GRAPHICS::BITMAP* MOUSECURSORBITMAP = nullptr;  // the drawn cursor; null = system pointer
inline POINT MOUSECURSORHOTSPOT{};                  // added to the pointer where the cursor is drawn
inline POINT MOUSECURSORPOSITION{};                 // tracked only while a cursor bitmap is shown
inline BOOLEAN MOUSECURSORINSIDEWINDOW = FALSE;     // set by enter, cleared by leave events

// Engine-wide events.
inline constinit __SIMPLE_EVENT ONBEFOREINITIALIZE;  // window open; engine modules register
inline constinit __SIMPLE_EVENT ONINITIALIZE;        // the game registers screens, SHOWs the first
inline constinit __SIMPLE_EVENT ONSTART;             // once, before the loop's first pass
inline constinit ONSHUTDOWNEVENT ONSHUTDOWN;         // SHUTDOWN asked; set the flag to veto
inline constinit __SIMPLE_EVENT ONDESTROY;           // the shut-down goes ahead
inline constinit __SIMPLE_EVENT ONMOUSEENTER;        // the pointer entered the window
inline constinit __SIMPLE_EVENT ONMOUSELEAVE;        // the pointer left it
inline constinit __SIMPLE_EVENT ONFOCUS;             // the window gained the input focus
inline constinit __SIMPLE_EVENT ONBLUR;              // the window lost it

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

// Shows or hides the cursor: the cursor bitmap when one is set (drawn by the
// loop), else the system pointer. INITIALIZE hides it.
void SHOWCURSOR();
void HIDECURSOR();
// Sets the cursor bitmap (not owned; null = the system pointer) and its hot spot.
void SETCURSOR(GRAPHICS::BITMAP* CURSOR, int32_t X = 0, int32_t Y = 0);

// ---- Conveniences beside the loop -------------------------------------------

// The window's size as given to INITIALIZE (0 before it), for paint handlers:
// the screen bitmap they receive is empty and has no size of its own.
int32_t SCREENWIDTH();
int32_t SCREENHEIGHT();

// The window title; may be set before INITIALIZE. Null sets "".
const char* WINDOWTITLE();
void WINDOWTITLE(const char* TITLE);

// Set-1 scan codes, as EVENT::SCANCODE reports them and KEYDOWN takes them.
// They name physical keys by their place on a US keyboard, whatever the layout.
// Extended keys report the byte after their 0xE0 prefix, so each arrow and
// editing key shares its code with a keypad key (LEFT is KP4), and both
// Ctrl keys give CTRL, both Alt keys ALT.
namespace KEY {
inline constexpr int32_t ESCAPE = 0x01;
inline constexpr int32_t D1 = 0x02, D2 = 0x03, D3 = 0x04, D4 = 0x05, D5 = 0x06, D6 = 0x07,
                         D7 = 0x08, D8 = 0x09, D9 = 0x0A, D0 = 0x0B;  // the digit row
inline constexpr int32_t MINUS = 0x0C, EQUALS = 0x0D, BACKSPACE = 0x0E, TAB = 0x0F;
inline constexpr int32_t Q = 0x10, W = 0x11, E = 0x12, R = 0x13, T = 0x14, Y = 0x15, U = 0x16,
                         I = 0x17, O = 0x18, P = 0x19;
inline constexpr int32_t LEFTBRACKET = 0x1A, RIGHTBRACKET = 0x1B, ENTER = 0x1C, CTRL = 0x1D;
inline constexpr int32_t A = 0x1E, S = 0x1F, D = 0x20, F = 0x21, G = 0x22, H = 0x23, J = 0x24,
                         K = 0x25, L = 0x26;
inline constexpr int32_t SEMICOLON = 0x27, APOSTROPHE = 0x28, GRAVE = 0x29, LSHIFT = 0x2A,
                         BACKSLASH = 0x2B;
inline constexpr int32_t Z = 0x2C, X = 0x2D, C = 0x2E, V = 0x2F, B = 0x30, N = 0x31, M = 0x32;
inline constexpr int32_t COMMA = 0x33, PERIOD = 0x34, SLASH = 0x35, RSHIFT = 0x36;
inline constexpr int32_t KPMULTIPLY = 0x37, PRINTSCREEN = 0x37;
inline constexpr int32_t ALT = 0x38, SPACE = 0x39, CAPSLOCK = 0x3A;
inline constexpr int32_t F1 = 0x3B, F2 = 0x3C, F3 = 0x3D, F4 = 0x3E, F5 = 0x3F, F6 = 0x40,
                         F7 = 0x41, F8 = 0x42, F9 = 0x43, F10 = 0x44, F11 = 0x57, F12 = 0x58;
inline constexpr int32_t NUMLOCK = 0x45, PAUSE = 0x45, SCROLLLOCK = 0x46;
inline constexpr int32_t KP7 = 0x47, KP8 = 0x48, KP9 = 0x49, KPMINUS = 0x4A, KP4 = 0x4B,
                         KP5 = 0x4C, KP6 = 0x4D, KPPLUS = 0x4E, KP1 = 0x4F, KP2 = 0x50,
                         KP3 = 0x51, KP0 = 0x52, KPPERIOD = 0x53;
inline constexpr int32_t KPENTER = 0x1C, KPDIVIDE = 0x35;
inline constexpr int32_t HOME = 0x47, UP = 0x48, PAGEUP = 0x49, LEFT = 0x4B, RIGHT = 0x4D,
                         END = 0x4F, DOWN = 0x50, PAGEDOWN = 0x51, INSERT = 0x52, DELETE = 0x53;
inline constexpr int32_t NONUSBACKSLASH = 0x56, LGUI = 0x5B, RGUI = 0x5C, MENU = 0x5D;
}  // namespace KEY

// Mouse buttons, as EVENT::BUTTON reports them and BUTTONDOWN takes them.
namespace BUTTON {
inline constexpr int32_t LEFT = 1, RIGHT = 2, MIDDLE = 4, X1 = 8, X2 = 16;
}  // namespace BUTTON

// Held keys and buttons, kept by the loop from the press, repeat and release
// events it takes, and all released when the window loses the focus (their
// releases then go to another window). Keys sharing a code (see KEY) share
// one state. An unknown code or button reads FALSE.
BOOLEAN KEYDOWN(int32_t SCANCODE);
// TRUE when every button of the mask N is held.
BOOLEAN BUTTONDOWN(int32_t N);

// Where the pointer is, in window pixels, whatever the cursor state: updated
// from every move and leave event the loop takes (and read once at
// INITIALIZE). INSIDE is set by an enter event or a move within the window,
// cleared by a leave event or a move outside it (a drag past the edge).
// Unlike MOUSECURSORPOSITION it is tracked with the system pointer too.
struct POINTERSTATE : POINT {
  BOOLEAN INSIDE = FALSE;
  // Not an aggregate, so a braced {x, y} always means a plain POINT.
  POINTERSTATE() = default;
};
POINTERSTATE POINTER();

}  // namespace ZARVO::ENGINE
