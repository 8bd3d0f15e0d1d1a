#include "zarvo/transitions/transitions.hpp"

#include "zarvo/assert.hpp"
#include "zarvo/effects/effects.hpp"
#include "zarvo/runtime/runtime.hpp"
#include "zarvo/transitions/fade.hpp"
#include "zarvo/transitions/hstripes.hpp"
#include "zarvo/transitions/slidein.hpp"
#include "zarvo/transitions/slideout.hpp"
#include "zarvo/transitions/vstripes.hpp"
#include "zarvo/transitions/zoomin.hpp"
#include "zarvo/transitions/zoomout.hpp"

namespace ZARVO::ENGINE::TRANSITION {

GRAPHICS::BITMAP OLDBITMAP;
GRAPHICS::BITMAP NEWBITMAP;

namespace {

struct EFFECTPROCS {
  void (*INIT)(EFFECT::EASING, float);
  BOOLEAN (*FRAME)(float);
  void (*PAINT)(GRAPHICS::BITMAP&);
  EFFECT::ANIMATION** ANIM;
};

// Indexed by TRANSITIONEFFECT; entry 0 (NONE) is never run.
constexpr EFFECTPROCS effects[] = {
    {nullptr, nullptr, nullptr, nullptr},
    {FADEEFFECT::INIT, FADEEFFECT::ONFRAME, FADEEFFECT::ONPAINT, &FADEEFFECT::ANIM},
    {SLIDEINEFFECT::INIT, SLIDEINEFFECT::ONFRAME, SLIDEINEFFECT::ONPAINT, &SLIDEINEFFECT::ANIM},
    {SLIDEOUTEFFECT::INIT, SLIDEOUTEFFECT::ONFRAME, SLIDEOUTEFFECT::ONPAINT, &SLIDEOUTEFFECT::ANIM},
    {ZOOMINEFFECT::INIT, ZOOMINEFFECT::ONFRAME, ZOOMINEFFECT::ONPAINT, &ZOOMINEFFECT::ANIM},
    {ZOOMOUTEFFECT::INIT, ZOOMOUTEFFECT::ONFRAME, ZOOMOUTEFFECT::ONPAINT, &ZOOMOUTEFFECT::ANIM},
    {HSTRIPESEFFECT::INIT, HSTRIPESEFFECT::ONFRAME, HSTRIPESEFFECT::ONPAINT, &HSTRIPESEFFECT::ANIM},
    {VSTRIPESEFFECT::INIT, VSTRIPESEFFECT::ONFRAME, VSTRIPESEFFECT::ONPAINT, &VSTRIPESEFFECT::ANIM},
};
constexpr int32_t EFFECTCOUNT = static_cast<int32_t>(sizeof effects / sizeof effects[0]);
static_assert(EFFECTCOUNT == static_cast<int32_t>(TRANSITIONEFFECT::VERTICALSTRIPES) + 1,
              "one entry per TRANSITIONEFFECT, NONE included");

int32_t running = 0;  // the effect of the running transition, 0 when idle

// Frees the running effect's animation, which also takes it off the list.
void dropanimation() {
  if (running <= 0) return;
  ZARVO_ASSERT(running < EFFECTCOUNT);
  EFFECT::ANIMATION*& anim = *effects[running].ANIM;
  delete anim;
  anim = nullptr;
}

// The end of a transition: pictures freed, cursor flag back, the incoming
// screen active and painted in the next pass.
void endtransition(bool nudge) {
  OLDBITMAP.DESTROY();
  NEWBITMAP.DESTROY();
  MOUSECURSORVISIBLE = CURSORVISIBLE;
  if (nudge) NUDGEPOINTER();
  ACTIVEGAMESCREEN = NEWSCREEN;
  REPAINT();
  running = 0;
}

}  // namespace

void NUDGEPOINTER() {
  int32_t x, y, wheel, buttons, clip;
  RUNTIME::GETMOUSE(&x, &y, &wheel, &buttons, &clip);
  RUNTIME::SETMOUSE(x + 1, y + 1, -1, -1);
  RUNTIME::SETMOUSE(x - 1, y - 1, -1, -1);
}

BOOLEAN RUNNING() { return TOBOOLEAN(running != 0); }

void MAKETRANSITION(TRANSITIONEFFECT TRANSMETHOD, TRANSITIONDIRECTION TRANSDIR,
                    EFFECT::EASING EASING, float DURATION) {
  if (running) {
    // Replacing a transition in flight: its animation goes, and the cursor
    // flag it saved is the one to restore at the very end.
    dropanimation();
  } else {
    CURSORVISIBLE = MOUSECURSORVISIBLE;
  }
  MOUSECURSORVISIBLE = FALSE;
  DIRECTION = TRANSDIR;
  const int32_t m = static_cast<int32_t>(TRANSMETHOD);
  if (m < 1 || m >= EFFECTCOUNT || !GAMESCREENS.FIND(TRANSITIONSCREEN)) {
    // Nothing to animate with: switch at once, as SHOW does without an effect.
    running = 0;
    endtransition(true);
    if (!STARTED) START();
    return;
  }
  effects[m].INIT(EASING, DURATION);
  TRANSFRAMEPROC = effects[m].FRAME;
  TRANSPAINTPROC = effects[m].PAINT;
  running = m;
  ACTIVEGAMESCREEN = TRANSITIONSCREEN;
  if (!STARTED) START();
}

void FINISH(BOOLEAN NUDGE) {
  if (!running) return;
  dropanimation();
  endtransition(NUDGE != FALSE);
}

void TRANSITION_ONFRAME(float FELAPSED, INPUTEVENT, EVENT&) {
  if (!running || !TRANSFRAMEPROC) return;
  if (!TRANSFRAMEPROC(FELAPSED)) return;
  endtransition(true);
}

void TRANSITION_ONPAINT(GRAPHICS::BITMAP& DEST) {
  if (running && TRANSPAINTPROC) TRANSPAINTPROC(DEST);
}

void ENGINE_ONINITIALIZE() {
  if (GAMESCREENS.FIND(TRANSITIONSCREEN)) return;  // registered once
  TRANSITIONSCREEN = NEWGAMESCREEN();
  GAMESCREENS[TRANSITIONSCREEN].ONFRAME.ATTACH(TRANSITION_ONFRAME);
  GAMESCREENS[TRANSITIONSCREEN].ONPAINT.ATTACH(TRANSITION_ONPAINT);
}

namespace {
bool started = false;
}

void TRANSITIONS_START() {
  if (started) return;
  started = true;
  ONBEFOREINITIALIZE.ATTACH(ENGINE_ONINITIALIZE);
}

namespace {

// Module start-up. SHOW (show.cpp) calls into this file, so every program that
// shows a screen links it and this runs before its main code; this file in
// turn reaches every effect and, through them, the animation list, whose own
// start-up attaches it to ONSTART.
struct MODULE {
  MODULE() { TRANSITIONS_START(); }
};
MODULE module;

}  // namespace

}  // namespace ZARVO::ENGINE::TRANSITION
