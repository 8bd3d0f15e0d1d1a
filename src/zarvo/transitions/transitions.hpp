#pragma once
// Screen switching and the transition driver. SHOW makes another game screen
// the shown one, at once or through an animated transition: both screens are
// captured into full-window pictures, and an engine-owned screen, the
// transition screen, animates between them until the incoming screen takes over.
#include <cstdint>

#include "zarvo/effects/easing.hpp"
#include "zarvo/effects/effects.hpp"
#include "zarvo/engine.hpp"
#include "zarvo/graphics/bitmap.hpp"
#include "zarvo/types.hpp"

namespace ZARVO::ENGINE {

// How SHOW changes screens: at once, or through one of seven animations.
enum class TRANSITIONEFFECT : int32_t {
  NONE = 0,  // switch at once
  FADE = 1,
  SLIDEIN = 2,
  SLIDEOUT = 3,
  ZOOMIN = 4,
  ZOOMOUT = 5,
  HORISONTALSTRIPES = 6,
  VERTICALSTRIPES = 7,
};

// The side the motion comes from; only the slides use it.
enum class TRANSITIONDIRECTION : int32_t {
  FROMLEFT = 0,
  FROMRIGHT = 1,
  FROMTOP = 2,
  FROMBOTTOM = 3,
  FROMTOPLEFT = 4,
  FROMTOPRIGHT = 5,
  FROMBOTTOMLEFT = 6,
  FROMBOTTOMRIGHT = 7,
};

// Makes screen SCR the shown screen. The incoming screen gets ONSHOW first;
// the outgoing one may refuse in ONHIDE. With an effect the change is animated
// for DURATION seconds. The first show starts the game loop, so it returns only
// when the game ends. An unregistered number (or the transition screen's own)
// is ignored; a show while a transition runs first completes that transition.
void SHOW(int32_t SCR, TRANSITIONEFFECT TRANSMETHOD = TRANSITIONEFFECT::NONE,
          TRANSITIONDIRECTION TRANSDIR = TRANSITIONDIRECTION::FROMLEFT,
          EFFECT::EASING EASING = EFFECT::EASING::LINEAR, float DURATION = 0.0f);

namespace TRANSITION {

// The transition screen's number; -1 until INITIALIZE has registered it.
inline int32_t TRANSITIONSCREEN = -1;
// The screen that becomes active when the running transition ends.
inline int32_t NEWSCREEN = 0;
// The outgoing and incoming pictures, window-sized; owned by the driver from
// SHOW to the end of the transition.
extern GRAPHICS::BITMAP OLDBITMAP;
extern GRAPHICS::BITMAP NEWBITMAP;
// The running transition's direction.
inline TRANSITIONDIRECTION DIRECTION = TRANSITIONDIRECTION::FROMLEFT;
// The running effect's frame and paint procedures.
inline BOOLEAN (*TRANSFRAMEPROC)(float FELAPSED) = nullptr;
inline void (*TRANSPAINTPROC)(GRAPHICS::BITMAP& DEST) = nullptr;
// MOUSECURSORVISIBLE as it was when the transition began.
inline BOOLEAN CURSORVISIBLE = FALSE;

// Starts a transition from OLDBITMAP to NEWBITMAP ending on NEWSCREEN; called
// by SHOW once both pictures are painted. An effect outside FADE ..
// VERTICALSTRIPES, or a driver that was never registered, switches at once.
void MAKETRANSITION(TRANSITIONEFFECT TRANSMETHOD, TRANSITIONDIRECTION TRANSDIR,
                    EFFECT::EASING EASING, float DURATION);
// Whether the transition screen is active with an effect running.
BOOLEAN RUNNING();
// Ends a running transition now, as its last frame would: the effect's
// animation and both pictures are freed, the cursor flag restored, NEWSCREEN
// made active and repainted; with NUDGE the pointer is nudged as well.
void FINISH(BOOLEAN NUDGE = TRUE);
// Moves the pointer to (x + 1, y + 1) and then to (x - 1, y - 1), so the newly
// active screen receives pointer moves and learns where the pointer is.
void NUDGEPOINTER();

// Handlers of the transition screen and of ONBEFOREINITIALIZE.
void TRANSITION_ONFRAME(float FELAPSED, INPUTEVENT EINPUTEVENT, EVENT& EVENTDATA);
void TRANSITION_ONPAINT(GRAPHICS::BITMAP& DEST);
void ENGINE_ONINITIALIZE();
// Attaches ENGINE_ONINITIALIZE to ONBEFOREINITIALIZE; run once from a static
// initialiser of the driver, which every program calling SHOW links.
void TRANSITIONS_START();

}  // namespace TRANSITION

}  // namespace ZARVO::ENGINE
