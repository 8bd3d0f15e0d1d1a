#include "zarvo/effects/effects.hpp"

#include <cstdlib>
#include <new>

#include "zarvo/engine.hpp"
#include "zarvo/runtime/runtime.hpp"

namespace ZARVO::EFFECT {

// ---- ANIMATION ----------------------------------------------------------------

ANIMATION::ANIMATION(int32_t NUMVALUES) {
  if (NUMVALUES < 1) return;
  DSTART = new (std::nothrow) double[NUMVALUES]();
  DEND = new (std::nothrow) double[NUMVALUES]();
  DCURRENT = new (std::nothrow) double[NUMVALUES]();
  if (!DSTART || !DEND || !DCURRENT) {
    // Out of memory: an animation without values, as for a count below 1.
    delete[] DSTART;
    delete[] DEND;
    delete[] DCURRENT;
    DSTART = DEND = DCURRENT = nullptr;
    return;
  }
  INUMVALUES = NUMVALUES;
}

ANIMATION::~ANIMATION() {
  // The list holds a plain pointer; leaving it there would dangle.
  if (LISTED()) REMOVEANIMATION(QUEUEINDEX);
  delete[] DSTART;
  delete[] DEND;
  delete[] DCURRENT;
}

namespace {

double get(const double* values, int32_t count, int32_t index) {
  return index >= 1 && index <= count ? values[index - 1] : 0.0;
}

void set(double* values, int32_t count, int32_t index, double v) {
  if (index >= 1 && index <= count) values[index - 1] = v;
}

}  // namespace

double ANIMATION::STARTVALUE() const { return get(DSTART, INUMVALUES, 1); }
void ANIMATION::STARTVALUE(double NEWVALUE) { set(DSTART, INUMVALUES, 1, NEWVALUE); }
double ANIMATION::STARTVALUE(int32_t INDEX) const { return get(DSTART, INUMVALUES, INDEX); }
void ANIMATION::STARTVALUE(int32_t INDEX, double NEWVALUE) {
  set(DSTART, INUMVALUES, INDEX, NEWVALUE);
}
double ANIMATION::ENDVALUE() const { return get(DEND, INUMVALUES, 1); }
void ANIMATION::ENDVALUE(double NEWVALUE) { set(DEND, INUMVALUES, 1, NEWVALUE); }
double ANIMATION::ENDVALUE(int32_t INDEX) const { return get(DEND, INUMVALUES, INDEX); }
void ANIMATION::ENDVALUE(int32_t INDEX, double NEWVALUE) { set(DEND, INUMVALUES, INDEX, NEWVALUE); }
double ANIMATION::VALUE() const { return get(DCURRENT, INUMVALUES, 1); }
void ANIMATION::VALUE(double NEWVALUE) { set(DCURRENT, INUMVALUES, 1, NEWVALUE); }
double ANIMATION::VALUE(int32_t INDEX) const { return get(DCURRENT, INUMVALUES, INDEX); }
void ANIMATION::VALUE(int32_t INDEX, double NEWVALUE) {
  set(DCURRENT, INUMVALUES, INDEX, NEWVALUE);
}

bool ANIMATION::LISTED() const {
  return ANIMLIST && QUEUEINDEX >= 0 && QUEUEINDEX < LISTCOUNT && ANIMLIST[QUEUEINDEX] == this;
}

void ANIMATION::PLAY(double DURATION, EASING EASING) {
  PLAY(DURATION, EASINGFUNC::FUNCTION(EASING));
}

void ANIMATION::PLAY(double DURATION, EASINGFUNCTION EASING) {
  for (int32_t i = 0; i < INUMVALUES; ++i) DCURRENT[i] = DSTART[i];
  PEASING = EASING ? EASING : EASINGFUNC::LINEAR;
  TIMESTART = RUNTIME::TIMER();
  D = DURATION;
  ONTARGET = FALSE;
  const int32_t index = ADDANIMATION(this);
  if (index < 0) {
    // Nothing would ever advance it: end it now rather than leave its owner waiting.
    ONTARGET = TRUE;
    for (int32_t i = 0; i < INUMVALUES; ++i) DCURRENT[i] = DEND[i];
    return;
  }
  QUEUEINDEX = index;
}

void ANIMATION::ONFRAME() {
  const double E = RUNTIME::TIMER() - TIMESTART;
  if (!(E < D)) {
    if (LISTED()) REMOVEANIMATION(QUEUEINDEX);
    ONTARGET = TRUE;
    for (int32_t i = 0; i < INUMVALUES; ++i) DCURRENT[i] = DEND[i];
    return;
  }
  T = RUNTIME::TIMER() - TIMESTART;
  const EASINGFUNCTION f = PEASING ? PEASING : EASINGFUNC::LINEAR;
  for (int32_t i = 0; i < INUMVALUES; ++i) {
    B = DSTART[i];
    C = DEND[i] - DSTART[i];
    DCURRENT[i] = f(DCURRENT[i], T, D, B, C);
  }
}

// ---- The animation list ----------------------------------------------------------

int32_t ADDANIMATION(ANIMATION* ANIM) {
  if (!ANIM) return -1;
  if (ANIM->LISTED()) return ANIM->QUEUEINDEX;  // listed once at most
  if (LISTCOUNT == LISTSIZE) {
    void* grown = std::realloc(static_cast<void*>(ANIMLIST),
                               sizeof(ANIMATION*) * (static_cast<size_t>(LISTSIZE) + 5));
    if (!grown) return -1;
    ANIMLIST = static_cast<ANIMATION**>(grown);
    LISTSIZE += 5;
  }
  ANIMLIST[LISTCOUNT] = ANIM;
  ANIM->QUEUEINDEX = LISTCOUNT;
  return LISTCOUNT++;
}

void REMOVEANIMATION(int32_t INDEX) {
  if (INDEX < 0 || INDEX >= LISTCOUNT) return;
  --LISTCOUNT;
  for (int32_t j = INDEX; j < LISTCOUNT; ++j) {
    ANIMLIST[j] = ANIMLIST[j + 1];
    ANIMLIST[j]->QUEUEINDEX = j;
  }
}

void ANIMATION_ONFRAME(float, ENGINE::INPUTEVENT, ENGINE::EVENT&) {
  // Animations that finish leave the list under our feet: stay on the same
  // index when the current one went, and advance only those listed at the start.
  int32_t left = LISTCOUNT;
  int32_t i = 0;
  while (left-- > 0 && i < LISTCOUNT) {
    ANIMATION* a = ANIMLIST[i];
    a->ONFRAME();
    if (i < LISTCOUNT && ANIMLIST[i] == a) ++i;
  }
}

namespace {
int32_t attachedscreens = 0;  // screens 0 .. attachedscreens - 1 advance the list
bool started = false;
}  // namespace

void ENGINE_ONSTART() {
  for (; attachedscreens < ENGINE::SCREENCOUNT; ++attachedscreens)
    ENGINE::GAMESCREENS[attachedscreens].ONFRAME.ATTACH(ANIMATION_ONFRAME);
}

void ANIMATION_START() {
  if (started) return;
  started = true;
  ENGINE::ONSTART.ATTACH(ENGINE_ONSTART);
}

void ANIMATION_END() {
  std::free(static_cast<void*>(ANIMLIST));
  ANIMLIST = nullptr;
  LISTCOUNT = 0;
  LISTSIZE = 0;
}

namespace {

// Module start-up and shut-down. This object file is linked into every
// program that constructs an ANIMATION (the transitions do), so the
// attachment to ONSTART is in place before INITIALIZE can run.
struct MODULE {
  MODULE() { ANIMATION_START(); }
  ~MODULE() { ANIMATION_END(); }
  MODULE(const MODULE&) = delete;
  MODULE& operator=(const MODULE&) = delete;
};
MODULE module;

}  // namespace

}  // namespace ZARVO::EFFECT
