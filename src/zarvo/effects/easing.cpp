#include "zarvo/effects/easing.hpp"

#include <cmath>

namespace ZARVO::EFFECT::EASINGFUNC {

namespace {

constexpr double TWOPI = 6.283185307179586;
constexpr double K = 0.785398163397448;  // puts S at one eighth of the period

}  // namespace

double LINEAR(double, double T, double D, double B, double C) { return T * C / D + B; }

double EASEIN(double, double T, double D, double B, double C) {
  const double u = T / D;
  return C * u * u + B;
}

double EASEOUT(double, double T, double D, double B, double C) {
  return -C * T * T / (D * D) + 2 * T * C / D + B;
}

double EASEINOUT(double, double T, double D, double B, double C) {
  if (T < D / 2) return 2 * C * T * T / (D * D) + B;
  const double m = T - D / 2;
  return -2 * C * m * m / (D * D) + 2 * C * m / D + C / 2 + B;
}

// The exponential curves work on the magnitude of the change and put its sign
// back at the end. Without a change ln(0) would give NaN at T = 0 and a
// one-unit offset in EXPOOUT, so a value that is not meant to move stays put.
double EXPOIN(double, double T, double D, double B, double C) {
  if (C == 0) return B;
  const double s = C >= 0 ? 1.0 : -1.0;
  const double M = std::fabs(C);
  return s * std::exp(std::log(M) * T / D) + B;
}

double EXPOOUT(double, double T, double D, double B, double C) {
  if (C == 0) return B;
  const double s = C >= 0 ? 1.0 : -1.0;
  const double M = std::fabs(C);
  return s * (M + 1 - std::exp(std::log(M) * (D - T) / D)) + B;
}

double EXPOINOUT(double, double T, double D, double B, double C) {
  if (C == 0) return B;
  const double s = C >= 0 ? 1.0 : -1.0;
  const double M = std::fabs(C);
  const double h = T / (D / 2);
  const double lnhalf = std::log(M / 2);
  if (T < D / 2) return s * std::exp(h * lnhalf) + B;
  return s * (M + 1 - std::exp((2 - h) * lnhalf)) + B;
}

// The thresholds and offsets are multiples of 1/2.75, written out so every
// build compares against the same doubles.
double BOUNCEOUT(double, double T, double D, double B, double C) {
  const double u = T / D;
  if (u < 0.3636363636363637) return C * (7.5625 * u * u) + B;
  if (u < 0.7272727272727273) {
    const double w = u - 0.5454545454545454;
    return C * (7.5625 * w * w + 0.75) + B;
  }
  if (u < 0.9090909090909091) {
    const double w = u - 0.8181818181818182;
    return C * (7.5625 * w * w + 0.9375) + B;
  }
  const double w = u - 0.9545454545454546;
  return C * (7.5625 * w * w + 0.984375) + B;
}

double BOUNCEIN(double X, double T, double D, double B, double C) {
  return C - BOUNCEOUT(X, D - T, D, 0.0, C) + B;
}

double BOUNCEINOUT(double X, double T, double D, double B, double C) {
  if (T < D / 2) return 0.5 * BOUNCEIN(X, 2 * T, D, 0.0, C) + B;
  return 0.5 * BOUNCEOUT(X, 2 * T - D, D, 0.0, C) + 0.5 * C + B;
}

double ELASIN(double, double T, double D, double B, double C) {
  if (T == 0) return B;
  const double u = T / D;
  if (u == 1) return C + B;
  const double P = 0.3 * D;
  const double S = (P / TWOPI) * K;
  const double v = u - 1;
  return -(std::pow(2.0, 10 * v) * C * std::sin((D * v - S) * TWOPI / P)) + B;
}

// The sine's argument is divided by S rather than by the period: that is the
// curve's character (many fast swings around the end value), kept on purpose.
double ELASOUT(double, double T, double D, double B, double C) {
  if (T == 0) return B;
  const double u = T / D;
  if (u == 1) return C + B;
  const double S = (0.3 * D / TWOPI) * K;
  return std::pow(2.0, -10 * u) * C * std::sin((D * u - S) * TWOPI / S) + C + B;
}

// The second half swings by a fixed 0.85079, not scaled by C.
double ELASINOUT(double, double T, double D, double B, double C) {
  if (T == 0) return B;
  const double h = T / (D / 2);
  if (h == 2) return C + B;
  const double S = (0.3 * D / TWOPI) * K;
  const double v = h - 1;
  if (h < 1)
    return -0.5 * (std::pow(2.0, 10 * v) * C * std::sin((D * v - S) * TWOPI / (0.45 * D))) + B;
  return 0.85079 * std::pow(2.0, -10 * v) *
             std::sin((D * v * TWOPI - 10.69134245499064) / (0.45 * D)) +
         C + B;
}

double BACKIN(double, double T, double D, double B, double C) {
  const double u = T / D;
  return C * u * u * (2.70158 * u - 1.70158) + B;
}

double BACKOUT(double, double T, double D, double B, double C) {
  const double v = T / D - 1;
  return C * (v * v * (2.70158 * v + 1.70158) + 1) + B;
}

double BACKINOUT(double, double T, double D, double B, double C) {
  const double h = T / (D / 2);
  if (h < 1) return (C / 2) * h * h * (3.5949095 * h - 2.5949095) + B;
  const double v = h - 2;
  return (C / 2) * (v * v * (3.5949095 * v + 2.5949095) + 2) + B;
}

double CUBICIN(double, double T, double D, double B, double C) {
  return std::pow(T / D, 3.0) * C + B;
}

double CUBICOUT(double, double T, double D, double B, double C) {
  return (std::pow(T / D - 1, 3.0) + 1) * C + B;
}

double CUBICINOUT(double, double T, double D, double B, double C) {
  const double h = T / (D / 2);
  if (h < 1) return (C / 2) * std::pow(h, 3.0) + B;
  return (C / 2) * (std::pow(h - 2, 3.0) + 2) + B;
}

EASINGFUNCTION FUNCTION(EASING E) {
  static constexpr EASINGFUNCTION table[19] = {
      LINEAR,   EASEIN,    EASEOUT,     EASEINOUT, EXPOIN,    EXPOOUT,   EXPOINOUT,
      BOUNCEIN, BOUNCEOUT, BOUNCEINOUT, ELASIN,    ELASOUT,   ELASINOUT, BACKIN,
      BACKOUT,  BACKINOUT, CUBICIN,     CUBICOUT,  CUBICINOUT};
  const int32_t i = static_cast<int32_t>(E);
  if (i < 0 || i > 18) return LINEAR;
  return table[i];
}

}  // namespace ZARVO::EFFECT::EASINGFUNC
