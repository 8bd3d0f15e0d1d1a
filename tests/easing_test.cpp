// The nineteen easing curves: worked values per family, their start values,
// the exponential curves' sign mirroring and the curve table.
#include "zarvo/effects/easing.hpp"

#include <gtest/gtest.h>

#include <cmath>

using namespace ZARVO::EFFECT;
namespace E = ZARVO::EFFECT::EASINGFUNC;

namespace {
constexpr EASINGFUNCTION ALL[19] = {E::LINEAR,    E::EASEIN,      E::EASEOUT,   E::EASEINOUT,
                                    E::EXPOIN,    E::EXPOOUT,     E::EXPOINOUT, E::BOUNCEIN,
                                    E::BOUNCEOUT, E::BOUNCEINOUT, E::ELASIN,    E::ELASOUT,
                                    E::ELASINOUT, E::BACKIN,      E::BACKOUT,   E::BACKINOUT,
                                    E::CUBICIN,   E::CUBICOUT,    E::CUBICINOUT};
}  // namespace

TEST(Easing, PolynomialCurves) {
  EXPECT_DOUBLE_EQ(E::LINEAR(0, 0.25, 1, 0, 100), 25);
  EXPECT_DOUBLE_EQ(E::EASEIN(0, 0.5, 1, 0, 100), 25);
  EXPECT_DOUBLE_EQ(E::EASEOUT(0, 0.5, 1, 0, 100), 75);
  EXPECT_DOUBLE_EQ(E::EASEINOUT(0, 0.25, 1, 0, 100), 12.5);
  EXPECT_DOUBLE_EQ(E::EASEINOUT(0, 0.75, 1, 0, 100), 87.5);
  EXPECT_DOUBLE_EQ(E::CUBICIN(0, 0.5, 1, 0, 100), 12.5);
  EXPECT_DOUBLE_EQ(E::CUBICOUT(0, 0.5, 1, 0, 100), 87.5);
  EXPECT_DOUBLE_EQ(E::CUBICINOUT(0, 0.25, 1, 0, 100), 6.25);
  // Same shape at another scale: 4 s, from 10 by -40.
  EXPECT_DOUBLE_EQ(E::EASEOUT(0, 1, 4, 10, -40), 10 - 40 * (2 * 0.25 - 0.0625));
  EXPECT_DOUBLE_EQ(E::CUBICINOUT(0, 3, 4, 10, -40), 10 - 20 * (std::pow(-0.5, 3) + 2));
}

TEST(Easing, ExponentialCurvesStartOneUnitAsideAndMirror) {
  EXPECT_DOUBLE_EQ(E::EXPOIN(0, 0, 1, 0, 100), 1);
  EXPECT_NEAR(E::EXPOIN(0, 0.5, 1, 0, 100), 10, 1e-12);
  EXPECT_NEAR(E::EXPOOUT(0, 0.5, 1, 0, 100), 91, 1e-12);
  EXPECT_NEAR(E::EXPOINOUT(0, 0.25, 1, 0, 100), 7.0710678118654755, 1e-12);
  EXPECT_NEAR(E::EXPOINOUT(0, 0.5, 1, 0, 100), 51, 1e-12);
  EXPECT_DOUBLE_EQ(E::EXPOIN(0, 0, 1, 0, -100), -1);
  for (EASINGFUNCTION f : {E::EXPOIN, E::EXPOOUT, E::EXPOINOUT})
    for (double t : {0.0, 0.1, 0.49, 0.5, 0.8, 0.999})
      EXPECT_NEAR(f(0, t, 1, 7, -100) - 7, -(f(0, t, 1, 7, 100) - 7), 1e-9) << t;
  // No change, no motion: ln(0) must not leak out as NaN or a one-unit offset.
  for (EASINGFUNCTION f : {E::EXPOIN, E::EXPOOUT, E::EXPOINOUT})
    for (double t : {0.0, 0.3, 0.7}) EXPECT_EQ(f(0, t, 1, 5, 0), 5) << t;
}

TEST(Easing, BounceCurves) {
  EXPECT_DOUBLE_EQ(E::BOUNCEOUT(0, 0.5, 1, 0, 100), 76.5625);
  EXPECT_DOUBLE_EQ(E::BOUNCEIN(0, 0.5, 1, 0, 100), 23.4375);
  EXPECT_DOUBLE_EQ(E::BOUNCEINOUT(0, 0.25, 1, 0, 100), 11.71875);
  EXPECT_DOUBLE_EQ(E::BOUNCEINOUT(0, 0.5, 1, 0, 100), 50);
  EXPECT_DOUBLE_EQ(E::BOUNCEINOUT(0, 0.75, 1, 0, 100), 88.28125);
  // Each threshold belongs to the next arc.
  const double t1 = 0.3636363636363637, w1 = t1 - 0.5454545454545454;
  EXPECT_DOUBLE_EQ(E::BOUNCEOUT(0, t1, 1, 0, 1), 7.5625 * w1 * w1 + 0.75);
  const double t3 = 0.9090909090909091, w3 = t3 - 0.9545454545454546;
  EXPECT_DOUBLE_EQ(E::BOUNCEOUT(0, t3, 1, 0, 1), 7.5625 * w3 * w3 + 0.984375);
  EXPECT_DOUBLE_EQ(E::BOUNCEOUT(0, 0.8, 1, 0, 1),
                   7.5625 * std::pow(0.8 - 0.8181818181818182, 2) + 0.9375);
}

TEST(Easing, ElasticCurves) {
  for (EASINGFUNCTION f : {E::ELASIN, E::ELASOUT, E::ELASINOUT}) EXPECT_EQ(f(0, 0, 1, 0, 100), 0);
  EXPECT_NEAR(E::ELASOUT(0, 0.75, 1, 0, 100), 100.0, 5e-5);
  EXPECT_NEAR(E::ELASINOUT(0, 0.5, 1, 0, 100), 100.8344, 5e-5);
  EXPECT_NEAR(E::ELASIN(0, 1 - 1e-9, 1, 0, 100), 70.7107, 1e-4)
      << "approaches sin(K) of the change";
  // The second half swings by a fixed amount, whatever the change.
  for (double t : {0.55, 0.6, 0.8})
    EXPECT_NEAR(E::ELASINOUT(0, t, 1, 0, 100) - 100, E::ELASINOUT(0, t, 1, 0, 1000) - 1000, 1e-9);
}

TEST(Easing, BackCurvesOvershoot) {
  EXPECT_NEAR(E::BACKIN(0, 0.5, 1, 0, 100), -8.77, 0.005);
  EXPECT_NEAR(E::BACKOUT(0, 0.5, 1, 0, 100), 108.77, 0.005);
  EXPECT_LT(E::BACKINOUT(0, 0.1, 1, 0, 100), 0);
  EXPECT_GT(E::BACKINOUT(0, 0.9, 1, 0, 100), 100);
}

TEST(Easing, StartValuesAndXNeverMatters) {
  for (int i = 0; i < 19; ++i) {
    const EASINGFUNCTION f = ALL[i];
    const bool expo = i >= 4 && i <= 6;
    EXPECT_NEAR(f(0, 0, 2, 30, 50), expo ? 31 : 30, 1e-9) << i;
    for (double t : {0.0, 0.3, 1.0, 1.7})
      EXPECT_EQ(f(0, t, 2, 30, 50), f(-12345.5, t, 2, 30, 50)) << i << " at " << t;
  }
}

TEST(Easing, TableSelectsEachCurveAndFallsBackToLinear) {
  for (int i = 0; i < 19; ++i) EXPECT_EQ(E::FUNCTION(static_cast<EASING>(i)), ALL[i]) << i;
  EXPECT_EQ(E::FUNCTION(static_cast<EASING>(19)), E::LINEAR);
  EXPECT_EQ(E::FUNCTION(static_cast<EASING>(-1)), E::LINEAR);
}
