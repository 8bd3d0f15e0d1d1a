#include "zarvo/engine.hpp"
#include "zarvo/runtime/diagnostics.hpp"
#include "zarvo/runtime/runtime.hpp"
#include "zarvo/transitions/transitions.hpp"

namespace ZARVO::ENGINE {

namespace {

// Raises the outgoing screen's ONHIDE; TRUE when a handler refused the change.
bool refused(int32_t SCR) {
  BOOLEAN cancel = FALSE;
  if (GAMESCREENEVENTS* out = GAMESCREENS.FIND(ACTIVEGAMESCREEN)) out->ONHIDE.RAISE(SCR, cancel);
  return cancel != FALSE;
}

}  // namespace

void SHOW(int32_t SCR, TRANSITIONEFFECT TRANSMETHOD, TRANSITIONDIRECTION TRANSDIR,
          EFFECT::EASING EASING, float DURATION) {
  // Only a game screen can be shown: an unknown number would be raised on a
  // detached record and then left active; the transition screen has no effect to run.
  GAMESCREENEVENTS* in = GAMESCREENS.FIND(SCR);
  if (!in) {
    RUNTIME::DIAGNOSTIC("SHOW: screen %d is not registered (SCREENCOUNT %d); nothing shown", SCR,
                        SCREENCOUNT);
    return;
  }
  if (SCR == TRANSITION::TRANSITIONSCREEN) {
    RUNTIME::DIAGNOSTIC("SHOW: screen %d is the transition driver's own; nothing shown", SCR);
    return;
  }
  // A transition in flight ends now, so its incoming screen is the outgoing
  // one here and no picture or animation is overwritten while in use. Its
  // pointer nudge is left to whatever this show ends with.
  const bool cut = TRANSITION::RUNNING() != FALSE;
  if (cut) TRANSITION::FINISH(FALSE);

  const bool first = ACTIVEGAMESCREEN == -1;
  in->ONSHOW.RAISE();

  if (TRANSMETHOD != TRANSITIONEFFECT::NONE) {
    const int32_t w = SCREENRESOLUTION.WIDTH, h = SCREENRESOLUTION.HEIGHT;
    TRANSITION::OLDBITMAP.CREATE(w, h, 0xFF000000u, 32);
    TRANSITION::NEWBITMAP.CREATE(w, h, 0xFF000000u, 32);
    if (!first) {
      if (GAMESCREENEVENTS* out = GAMESCREENS.FIND(ACTIVEGAMESCREEN))
        out->ONPAINT.RAISE(TRANSITION::OLDBITMAP);
      if (refused(SCR)) {
        if (cut) TRANSITION::NUDGEPOINTER();
        return;
      }
    }
    GAMESCREENS[SCR].ONPAINT.RAISE(TRANSITION::NEWBITMAP);
    TRANSITION::NEWSCREEN = SCR;
    TRANSITION::MAKETRANSITION(TRANSMETHOD, TRANSDIR, EASING, DURATION);
    return;
  }

  if (!first && refused(SCR)) {
    if (cut) TRANSITION::NUDGEPOINTER();
    return;
  }
  ACTIVEGAMESCREEN = SCR;
  REPAINT();
  TRANSITION::NUDGEPOINTER();
  if (!STARTED) START();
}

}  // namespace ZARVO::ENGINE
