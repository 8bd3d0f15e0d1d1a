#pragma once
// Animations: values that move from their start to their end values over a
// duration along an easing curve, measured on the runtime's timer. PLAY puts
// an animation on the animation list; the list's frame handler, attached to
// every game screen when the loop starts, advances each one once per pass.
#include <cstdint>
#include <utility>

#include "zarvo/effects/easing.hpp"
#include "zarvo/event.hpp"
#include "zarvo/types.hpp"

namespace ZARVO::EFFECT {

// One or more values moving together along one curve.
struct ANIMATION {
  // NUMVALUES values, all 0.0; a count below 1, or one that memory cannot
  // hold, gives an animation without values.
  explicit ANIMATION(int32_t NUMVALUES);
  // Takes the animation off the list if it is still playing.
  ~ANIMATION();
  ANIMATION(const ANIMATION&) = delete;
  ANIMATION& operator=(const ANIMATION&) = delete;

  // Values are numbered from 1; the forms without an index address value 1.
  // An index out of range reads 0.0 and ignores writes. The non-const
  // indexed reads keep VALUE(1) from looking like a write of 1.0.
  [[nodiscard]] double STARTVALUE() const;
  void STARTVALUE(double NEWVALUE);
  [[nodiscard]] double STARTVALUE(int32_t INDEX) const;
  [[nodiscard]] double STARTVALUE(int32_t INDEX) { return std::as_const(*this).STARTVALUE(INDEX); }
  void STARTVALUE(int32_t INDEX, double NEWVALUE);
  [[nodiscard]] double ENDVALUE() const;
  void ENDVALUE(double NEWVALUE);
  [[nodiscard]] double ENDVALUE(int32_t INDEX) const;
  [[nodiscard]] double ENDVALUE(int32_t INDEX) { return std::as_const(*this).ENDVALUE(INDEX); }
  void ENDVALUE(int32_t INDEX, double NEWVALUE);
  // The current values; a write lasts until the next advance.
  [[nodiscard]] double VALUE() const;
  void VALUE(double NEWVALUE);
  [[nodiscard]] double VALUE(int32_t INDEX) const;
  [[nodiscard]] double VALUE(int32_t INDEX) { return std::as_const(*this).VALUE(INDEX); }
  void VALUE(int32_t INDEX, double NEWVALUE);

  // TRUE once the duration has elapsed and the values equal the end values.
  [[nodiscard]] BOOLEAN TARGETREACHED() const { return ONTARGET; }

  // Starts from the start values and lists the animation. A value outside the
  // EASING enumeration, or a null curve, plays LINEAR. Playing an animation
  // that is still listed restarts it in its place on the list.
  void PLAY(double DURATION, EASING EASING);
  void PLAY(double DURATION, EASINGFUNCTION EASING);

  // One advance: before the duration has elapsed the values follow the curve;
  // from then on they are the end values exactly and the animation leaves the list.
  void ONFRAME();

  // Whether the animation is on the list now.
  [[nodiscard]] bool LISTED() const;

  double T = 0.0;  // elapsed seconds at the last advance before the end
  double D = 0.0;  // duration
  double B = 0.0;  // scratch: start value of the value being advanced
  double C = 0.0;  // scratch: its change
  double TIMESTART = 0.0;
  double* DSTART = nullptr;
  double* DEND = nullptr;
  double* DCURRENT = nullptr;
  int32_t INUMVALUES = 0;
  BOOLEAN ONTARGET = FALSE;
  EASINGFUNCTION PEASING = nullptr;
  int32_t QUEUEINDEX = 0;  // always the animation's place while it is listed
};

// The playing animations in order of their PLAY calls. The list holds plain
// pointers and owns none; it grows by 5 entries and never shrinks.
inline ANIMATION** ANIMLIST = nullptr;
inline int32_t LISTCOUNT = 0;
inline int32_t LISTSIZE = 0;

// Appends ANIM and returns its index; -1 when the list could not grow.
int32_t ADDANIMATION(ANIMATION* ANIM);
// Removes entry INDEX; later entries move down one place and their QUEUEINDEX
// follows. An index out of range is ignored.
void REMOVEANIMATION(int32_t INDEX);
// Advances every animation listed when the pass began, once each.
void ANIMATION_ONFRAME(float FELAPSED, ENGINE::INPUTEVENT EINPUTEVENT, ENGINE::EVENT& EVENTDATA);
// Attaches ANIMATION_ONFRAME to every screen registered when the loop starts.
void ENGINE_ONSTART();
// Attaches ENGINE_ONSTART to ENGINE::ONSTART; run once from a static
// initialiser of this module, which any program that plays an animation links.
void ANIMATION_START();
// Releases the list storage (not the animations); run at program exit.
void ANIMATION_END();

}  // namespace ZARVO::EFFECT
