#pragma once
// Easing curves: the shape of every animation. Each takes (X, T, D, B, C) -
// the previous value, seconds elapsed, duration, start value and change - and
// returns the value at T. X is passed along but never changes a result.
#include <cstdint>

namespace ZARVO::EFFECT {

// The nineteen curves by name, for ANIMATION::PLAY and ENGINE::SHOW.
enum class EASING : int32_t {
  LINEAR = 0,
  EASEIN = 1,
  EASEOUT = 2,
  EASEINOUT = 3,
  EXPOIN = 4,
  EXPOOUT = 5,
  EXPOINOUT = 6,
  BOUNCEIN = 7,
  BOUNCEOUT = 8,
  BOUNCEINOUT = 9,
  ELASIN = 10,
  ELASOUT = 11,
  ELASINOUT = 12,
  BACKIN = 13,
  BACKOUT = 14,
  BACKINOUT = 15,
  CUBICIN = 16,
  CUBICOUT = 17,
  CUBICINOUT = 18,
};

// A curve: (previous value, elapsed, duration, start, change) -> value.
using EASINGFUNCTION = double (*)(double X, double T, double D, double B, double C);

namespace EASINGFUNC {

// Straight from B to B + C.
double LINEAR(double X, double T, double D, double B, double C);
// Quadratic: slow start, slow end, or both.
double EASEIN(double X, double T, double D, double B, double C);
double EASEOUT(double X, double T, double D, double B, double C);
double EASEINOUT(double X, double T, double D, double B, double C);
// The exponential curves start one unit beside B (B + 1 for a positive change)
// and mirror about B for a negative one. Without a change they stay on B.
double EXPOIN(double X, double T, double D, double B, double C);
double EXPOOUT(double X, double T, double D, double B, double C);
double EXPOINOUT(double X, double T, double D, double B, double C);
// Bounces at the start, the end, or both, like a dropped ball.
double BOUNCEIN(double X, double T, double D, double B, double C);
double BOUNCEOUT(double X, double T, double D, double B, double C);
double BOUNCEINOUT(double X, double T, double D, double B, double C);
// Elastic: overshoots and oscillates around the target.
double ELASIN(double X, double T, double D, double B, double C);
double ELASOUT(double X, double T, double D, double B, double C);
double ELASINOUT(double X, double T, double D, double B, double C);
// Backs up before moving, or overshoots and comes back.
double BACKIN(double X, double T, double D, double B, double C);
double BACKOUT(double X, double T, double D, double B, double C);
double BACKINOUT(double X, double T, double D, double B, double C);
// Cubic: a steeper version of the quadratic curves.
double CUBICIN(double X, double T, double D, double B, double C);
double CUBICOUT(double X, double T, double D, double B, double C);
double CUBICINOUT(double X, double T, double D, double B, double C);

// The curve an EASING value names; LINEAR for a value outside the enumeration,
// so an animation always has something to call.
EASINGFUNCTION FUNCTION(EASING E);

}  // namespace EASINGFUNC

}  // namespace ZARVO::EFFECT
