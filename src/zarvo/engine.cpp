#include "zarvo/engine.hpp"

#include <cstdlib>
#include <cstring>
#include <deque>
#include <new>
#include <string>

#include "zarvo/runtime/diagnostics.hpp"
#include "zarvo/runtime/random.hpp"
#include "zarvo/runtime/runtime.hpp"

namespace ZARVO::ENGINE {

using GRAPHICS::BITMAP;
using GRAPHICS::RASTEROP;

// ---- Screens ---------------------------------------------------------------

namespace {

std::deque<GAMESCREENEVENTS>& table() {
  // Built on first use and kept to the very end: a game's module-level
  // objects may still detach from screen events in their destructors, and
  // static destruction order across files cannot put the table after them.
  static std::deque<GAMESCREENEVENTS>* t = new std::deque<GAMESCREENEVENTS>();
  return *t;
}

std::string initerror;

// Input state beside the cursor state (see KEYDOWN and POINTER).
bool keys[256];
int32_t buttons = 0;
POINTERSTATE pointer;

}  // namespace

SCREENTABLE GAMESCREENS;

GAMESCREENEVENTS* SCREENTABLE::FIND(int32_t n) {
  if (n < 0 || n >= SCREENCOUNT || static_cast<size_t>(n) >= table().size()) return nullptr;
  return &table()[static_cast<size_t>(n)];
}

GAMESCREENEVENTS& SCREENTABLE::operator[](int32_t n) {
  if (GAMESCREENEVENTS* s = FIND(n)) return *s;
  RUNTIME::DIAGNOSTIC("GAMESCREENS[%d]: no such screen (SCREENCOUNT %d); its handlers never run",
                      n, SCREENCOUNT);
  static GAMESCREENEVENTS detached;
  return detached;
}

int32_t NEWGAMESCREEN() {
  table().emplace_back();
  return SCREENCOUNT++;
}

// ---- Initialisation ----------------------------------------------------------

BOOLEAN INITIALIZE(int32_t W, int32_t H, BOOLEAN FS, int32_t FLAGS) {
  if (INITIALIZED) return TRUE;
  if (FS) FLAGS |= RUNTIME::MODE_FULLSCREEN;
  initerror.clear();
  if (!RUNTIME::SCREENMODE(W, H, 32, 1, FLAGS, 0) || !RUNTIME::SCREENPTR()) {
    initerror = RUNTIME::SCREENERROR();
    if (initerror.empty()) initerror = "no screen buffer";
    RUNTIME::DIAGNOSTIC("INITIALIZE: cannot open a %dx%d window: %s", W, H, initerror.c_str());
    return FALSE;
  }
  SCREENRESOLUTION = {W, H};
  HIDECURSOR();
  // Where the pointer starts, so a hover shows before it first moves.
  RUNTIME::GETMOUSE(&pointer.X, &pointer.Y, nullptr, nullptr, nullptr);
  pointer.INSIDE = TOBOOLEAN(pointer.X >= 0 && pointer.Y >= 0);
  RUNTIME::RANDOMIZE(RUNTIME::TIMER());
  INITIALIZED = TRUE;
  ONBEFOREINITIALIZE.RAISE();
  ONINITIALIZE.RAISE();
  return TRUE;
}

BOOLEAN INITIALIZE(const RESOLUTION& RES, BOOLEAN FS, int32_t FLAGS) {
  return INITIALIZE(RES.WIDTH, RES.HEIGHT, FS, FLAGS);
}

const char* INITIALIZEERROR() { return initerror.c_str(); }

// ---- The game loop ------------------------------------------------------------

namespace {

void trackinput(const EVENT& e) {
  switch (e.TYPE) {
    case RUNTIME::EVT_KEYPRESS:
    case RUNTIME::EVT_KEYREPEAT:
    case RUNTIME::EVT_KEYRELEASE:
      if (e.SCANCODE > 0 && e.SCANCODE < 256) keys[e.SCANCODE] = e.TYPE != RUNTIME::EVT_KEYRELEASE;
      break;
    case RUNTIME::EVT_MOUSEBUTTONPRESS: buttons |= e.BUTTON & 31; break;
    case RUNTIME::EVT_MOUSEBUTTONRELEASE: buttons &= ~(e.BUTTON & 31); break;
    case RUNTIME::EVT_WINDOWLOSTFOCUS:
      std::memset(keys, 0, sizeof keys);
      buttons = 0;
      break;
    case RUNTIME::EVT_MOUSEMOVE:
      pointer.X = e.X;
      pointer.Y = e.Y;
      pointer.INSIDE = TOBOOLEAN(e.X >= 0 && e.Y >= 0 && e.X < SCREENRESOLUTION.WIDTH &&
                                 e.Y < SCREENRESOLUTION.HEIGHT);
      break;
    case RUNTIME::EVT_MOUSEENTER: pointer.INSIDE = TRUE; break;
    case RUNTIME::EVT_MOUSELEAVE:
      pointer.X = e.X;
      pointer.Y = e.Y;
      pointer.INSIDE = FALSE;
      break;
    default: break;
  }
}

// Applies one input event: raises engine-wide events, updates the cursor
// state, and returns the kind of input frame handlers receive.
INPUTEVENT takeinput(const EVENT& e) {
  // Before any handler runs, so ONBLUR or ONMOUSELEAVE already see the new state.
  trackinput(e);
  const bool tracking = MOUSECURSORVISIBLE && MOUSECURSORBITMAP;
  switch (e.TYPE) {
    case RUNTIME::EVT_MOUSEMOVE:
      if (tracking) {
        REPAINTNEEDED = TRUE;
        MOUSECURSORPOSITION = {e.X, e.Y};
      }
      break;
    case RUNTIME::EVT_MOUSEENTER:
      ONMOUSEENTER.RAISE();
      MOUSECURSORINSIDEWINDOW = TRUE;
      break;
    case RUNTIME::EVT_MOUSELEAVE:
      ONMOUSELEAVE.RAISE();
      MOUSECURSORINSIDEWINDOW = FALSE;
      if (MOUSECURSORBITMAP && MOUSECURSORVISIBLE) {
        REPAINTNEEDED = TRUE;
        MOUSECURSORPOSITION = {e.X, e.Y};
      }
      break;
    case RUNTIME::EVT_WINDOWGOTFOCUS: ONFOCUS.RAISE(); break;
    case RUNTIME::EVT_WINDOWLOSTFOCUS: ONBLUR.RAISE(); break;
    case RUNTIME::EVT_WINDOWCLOSE: SHUTDOWN(FALSE); break;
    default: break;
  }
  if (e.TYPE < 7 || e.TYPE == 14) return static_cast<INPUTEVENT>(e.TYPE);
  return INPUTEVENT::NONE;
}

}  // namespace

void START() {
  if (STARTED) return;
  if (!(ACTIVEGAMESCREEN > -1)) {
    RUNTIME::DIAGNOSTIC("START: no screen is active; SHOW a screen to start the game");
    return;
  }
  BITMAP SCREENBITMAP;
  double FELAPSED = 0.0;
  double FTIMER = RUNTIME::TIMER();
  EVENT SYSTEMEVENT;
  std::memset(&SYSTEMEVENT, 0, sizeof SYSTEMEVENT);
  INPUTEVENT EINPUTEVENT = INPUTEVENT::NONE;

  STARTED = TRUE;
  ONSTART.RAISE();
  GAMELOOPRUNNING = TRUE;
  RUNTIME::SCREENLOCK();
  do {
    FELAPSED = RUNTIME::TIMER() - FTIMER;
    FTIMER = RUNTIME::TIMER();

    if (RUNTIME::POLLEVENT(SYSTEMEVENT))
      EINPUTEVENT = takeinput(SYSTEMEVENT);
    else
      EINPUTEVENT = INPUTEVENT::NONE;

    if (REPAINTNEEDED) {
      if (GAMESCREENEVENTS* s = GAMESCREENS.FIND(ACTIVEGAMESCREEN)) s->ONPAINT.RAISE(SCREENBITMAP);
      if ((EINPUTEVENT == INPUTEVENT::MOUSEMOVE || EINPUTEVENT == INPUTEVENT::NONE) &&
          MOUSECURSORVISIBLE && MOUSECURSORBITMAP && MOUSECURSORINSIDEWINDOW) {
        MOUSECURSORBITMAP->DRAWTO(nullptr, MOUSECURSORPOSITION.X + MOUSECURSORHOTSPOT.X,
                                  MOUSECURSORPOSITION.Y + MOUSECURSORHOTSPOT.Y, 0, 0, 0, 0,
                                  RASTEROP::GXALPHA, nullptr, nullptr);
      }
      REPAINTNEEDED = FALSE;
    }

    if (GAMESCREENEVENTS* s = GAMESCREENS.FIND(ACTIVEGAMESCREEN))
      s->ONFRAME.RAISE(static_cast<float>(FELAPSED), EINPUTEVENT, SYSTEMEVENT);

    RUNTIME::SCREENUNLOCK(-1, -1);
    RUNTIME::DELAY(1);
    RUNTIME::SCREENLOCK();
  } while (GAMELOOPRUNNING);
  RUNTIME::SCREENUNLOCK(-1, -1);
}

BOOLEAN SHUTDOWN(BOOLEAN FORCE) {
  BOOLEAN CANCEL = FALSE;
  ONSHUTDOWN.RAISE(CANCEL);
  if (!FORCE && CANCEL) return FALSE;
  if (ACTIVEGAMESCREEN > -1) {
    BOOLEAN HIDECANCEL = FALSE;
    if (GAMESCREENEVENTS* s = GAMESCREENS.FIND(ACTIVEGAMESCREEN)) s->ONHIDE.RAISE(-1, HIDECANCEL);
  }
  ONDESTROY.RAISE();
  GAMELOOPRUNNING = FALSE;
  return TRUE;
}

void REPAINT() { REPAINTNEEDED = TRUE; }

// ---- Cursor --------------------------------------------------------------------

namespace {

void setcursorflag(BOOLEAN visible) {
  MOUSECURSORVISIBLE = visible;
  if (MOUSECURSORBITMAP) return;
  int32_t x, y;
  RUNTIME::GETMOUSE(&x, &y, nullptr, nullptr, nullptr);
  MOUSECURSORPOSITION = {x, y};
  RUNTIME::SETMOUSE(x, y, visible ? 1 : 0, -1);
}

}  // namespace

void SHOWCURSOR() { setcursorflag(TRUE); }
void HIDECURSOR() { setcursorflag(FALSE); }

void SETCURSOR(BITMAP* CURSOR, int32_t X, int32_t Y) {
  MOUSECURSORBITMAP = CURSOR;
  if (CURSOR) MOUSECURSORHOTSPOT = {X, Y};
}

// ---- Input state and conveniences ----------------------------------------------

BOOLEAN KEYDOWN(int32_t SCANCODE) {
  return TOBOOLEAN(SCANCODE > 0 && SCANCODE < 256 && keys[SCANCODE]);
}

BOOLEAN BUTTONDOWN(int32_t N) { return TOBOOLEAN(N > 0 && N <= 31 && (buttons & N) == N); }

POINTERSTATE POINTER() { return pointer; }

int32_t SCREENWIDTH() { return SCREENRESOLUTION.WIDTH; }
int32_t SCREENHEIGHT() { return SCREENRESOLUTION.HEIGHT; }

const char* WINDOWTITLE() { return RUNTIME::WINDOWTITLE(); }
void WINDOWTITLE(const char* TITLE) { RUNTIME::WINDOWTITLE(TITLE); }

// ---- Resolutions ------------------------------------------------------------------

RESOLUTION::operator std::string() const {
  return std::to_string(WIDTH) + "x" + std::to_string(HEIGHT);
}

RESOLUTIONLIST::RESOLUTIONLIST(const RESOLUTIONLIST& other) { *this = other; }

RESOLUTIONLIST& RESOLUTIONLIST::operator=(const RESOLUTIONLIST& other) {
  if (this == &other) return *this;
  std::free(LIST);
  LIST = nullptr;
  COUNT = 0;
  if (other.COUNT > 0) {
    LIST = static_cast<RESOLUTION*>(std::malloc(sizeof(RESOLUTION) * other.COUNT));
    if (LIST) {
      std::memcpy(LIST, other.LIST, sizeof(RESOLUTION) * other.COUNT);
      COUNT = other.COUNT;
    }
  }
  return *this;
}

RESOLUTIONLIST::RESOLUTIONLIST(RESOLUTIONLIST&& other) noexcept { *this = std::move(other); }

RESOLUTIONLIST& RESOLUTIONLIST::operator=(RESOLUTIONLIST&& other) noexcept {
  if (this == &other) return *this;
  std::free(LIST);
  LIST = other.LIST;
  COUNT = other.COUNT;
  other.LIST = nullptr;
  other.COUNT = 0;
  return *this;
}

RESOLUTIONLIST::~RESOLUTIONLIST() { std::free(LIST); }

void RESOLUTIONLIST::ADD(int32_t W, int32_t H) {
  void* grown = std::realloc(LIST, sizeof(RESOLUTION) * (static_cast<size_t>(COUNT) + 1));
  if (!grown) return;
  LIST = static_cast<RESOLUTION*>(grown);
  LIST[COUNT++] = {W, H};
}

RESOLUTIONLIST SUPPORTEDRESOLUTIONS() {
  RESOLUTIONLIST list;
  for (uint32_t mode = RUNTIME::SCREENLIST(32); mode != 0; mode = RUNTIME::SCREENLIST(0))
    list.ADD(static_cast<int32_t>(mode >> 16), static_cast<int32_t>(mode & 0xFFFF));
  return list;
}

}  // namespace ZARVO::ENGINE
