#include "zarvo/math/math.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "zarvo/runtime/random.hpp"

using namespace ZARVO;
using namespace ZARVO::MATH;

namespace {
// Scripts the random source so that RANDOM(0, 100) yields exactly these draws.
void draws(std::vector<int> ks) {
  std::vector<double> v;
  for (int k : ks) v.push_back((k + 0.5) / 101.0);
  RUNTIME::SCRIPTRANDOM(v.data(), v.size());
}
}  // namespace

TEST(MathRect, HasPointIncludesFarEdgesInEveryOverload) {
  const RECT r{10, 20, 5, 5};
  EXPECT_EQ(r.HASPOINT(10, 20), TRUE);
  EXPECT_EQ(r.HASPOINT(POINT{15, 25}), TRUE);
  EXPECT_EQ(r.HASPOINT(16, 25), FALSE);
  EXPECT_FALSE(r.HASPOINT(POINT{9, 20}));
  EXPECT_TRUE((RECT{0, 0, 1, 1}.HASPOINT(POINTF{1.0, 1.0})));
  EXPECT_FALSE((RECT{0, 0, 1, 1}.HASPOINT(1.01, 0.0)));
  const RECTF rf{0.0, 0.0, 1.5, 1.5};
  EXPECT_TRUE(rf.HASPOINT(POINTF{1.5, 1.5}));
  EXPECT_FALSE(rf.HASPOINT(1.5000001, 0.0));
  EXPECT_TRUE(rf.HASPOINT(POINT{1, 1}));
  EXPECT_FALSE(rf.HASPOINT(2, 0));
  // Zero width holds one column; negative width holds nothing.
  EXPECT_TRUE((RECT{3, 0, 0, 9}.HASPOINT(3, 5)));
  EXPECT_FALSE((RECT{3, 0, 0, 9}.HASPOINT(4, 5)));
  for (int x = -5; x <= 8; ++x) EXPECT_FALSE((RECT{3, 0, -2, 9}.HASPOINT(x, 5)));
  // A far edge beyond INT32_MAX does not wrap round.
  const RECT far{INT32_MAX - 5, INT32_MIN, 10, 10};
  EXPECT_TRUE(far.HASPOINT(INT32_MAX, INT32_MIN + 10));
  EXPECT_TRUE(far.HASPOINT(2147483652.0, -2147483638.0));
}

TEST(MathChoice, WeightsAndDrawToPossibilityMapping) {
  CHOICE three(3), seven(7), many(200);
  EXPECT_EQ(three.PROBABILITY(1) * 100 + three.PROBABILITY(3), 3334);
  EXPECT_EQ(seven.PROBABILITY(6) * 100 + seven.PROBABILITY(7), 1416);
  EXPECT_EQ(many.PROBABILITY(199) * 1000 + many.PROBABILITY(200), 100);
  EXPECT_EQ(three.LASTCHOICE(), 0);
  draws({0, 32, 33, 65, 66, 99, 100, 0, 100});
  for (int want : {1, 1, 2, 2, 3, 3, 0}) {
    EXPECT_EQ(three.MAKECHOICE(), want);
    EXPECT_EQ(three.LASTCHOICE(), want);
  }
  EXPECT_EQ(many.MAKECHOICE(), 200);  // zero weights are never chosen
  EXPECT_EQ(many.MAKECHOICE(), 0);

  three.PROBABILITY(2, 0);
  EXPECT_EQ(three.PROBABILITY(2), 1);
  three.PROBABILITY(2, 250);
  EXPECT_EQ(three.PROBABILITY(2), 100);
  // Totals are not renormalised: below 100 high draws choose nothing; above
  // 100 a possibility starting past 100 (here 3, at 133) is unreachable.
  CHOICE small(2);
  small.PROBABILITY(1, 10);
  small.PROBABILITY(2, 10);
  draws({9, 19, 20, 99, 100});
  for (int want : {1, 2, 0}) EXPECT_EQ(small.MAKECHOICE(), want);
  for (int want : {2, 2}) EXPECT_EQ(three.MAKECHOICE(), want);

  // Copies are independent; bad indices and counts below 1 are harmless.
  CHOICE copy = small;
  copy.PROBABILITY(1, 90);
  small.PROBABILITY(3, 50);
  EXPECT_EQ(small.PROBABILITY(1) + small.PROBABILITY(0) + small.PROBABILITY(3), 10);
  for (int n : {0, -1, INT32_MIN}) {
    CHOICE none(n);
    draws({0});
    EXPECT_EQ(none.MAKECHOICE(), 0);
    none.PROBABILITY(1, 50);
    EXPECT_EQ(none.PROBABILITY(1), 0);
  }
}

TEST(MathNumbers, RoundingClampingAndStepping) {
  const double in[] = {2.5, 2.49, -2.3, -2.5, -0.5, 0.5, 1.4999, -1.5, 0.49999999999999994};
  const int out[] = {3, 2, -2, -3, -1, 1, 1, -2, 0};  // last: floor(x + 0.5) would say 1
  for (int i = 0; i < 9; ++i) EXPECT_EQ(ROUND(in[i]), out[i]) << in[i];
  EXPECT_EQ(ROUND(-2147483648.0), INT32_MIN);
  EXPECT_EQ(ROUND(2147483647.5), INT32_MAX);  // beyond the range: saturate
  EXPECT_EQ(ROUND(-1e300), INT32_MIN);
  EXPECT_EQ(ROUND(NAN), 0);

  EXPECT_TRUE(std::signbit(MIN(0.0, -0.0)));  // equal arguments give B
  EXPECT_TRUE(std::signbit(MAX(0.0, -0.0)));
  EXPECT_EQ(MIN(3, -7) * 10 + MAX(3, -7), -67);
  EXPECT_EQ(CONSTRAIN(5, 10, 1), 1);
  EXPECT_EQ(CONSTRAIN(-3, 0, 255), 0);
  EXPECT_EQ(CONSTRAIN(0.5, 1.0, 0.0), 0.0);

  auto next = [](int32_t v, int32_t a, int32_t b) { NEXTVALUE(v, a, b); return v; };
  auto prev = [](int32_t v, int32_t a, int32_t b) { PREVVALUE(v, a, b); return v; };
  EXPECT_EQ(next(7, 1, 7) + next(-5, 1, 7) * 10 + next(3, 1, 7) * 100, 411);
  EXPECT_EQ(prev(1, 1, 7) + prev(20, 1, 7) * 10 + prev(3, 1, 7) * 100, 277);
  EXPECT_EQ(next(INT32_MAX, 0, INT32_MAX), 0);  // no overflow at the ends
  EXPECT_EQ(prev(INT32_MIN, INT32_MIN, 0), 0);
  double d = 6.5;
  NEXTVALUE(d, 1.0, 7.0);
  EXPECT_EQ(d, 1.0);
  d = 2.25;
  PREVVALUE(d, 1.0, 7.0);
  EXPECT_EQ(d, 1.25);
}

TEST(MathRandom, InclusiveRangesAndLastRandom) {
  const double hi = 0x1.fffffffffffffp-1;
  const std::vector<double> v = {0.0, hi, 0.5, hi, 0.0, hi, 0.5, 0.3, 0.3, 0.75, 0.51, 0.5};
  RUNTIME::SCRIPTRANDOM(v.data(), v.size());
  EXPECT_EQ(RANDOM(1, 7), 1);
  EXPECT_EQ(RANDOM(1, 7), 7);
  EXPECT_EQ(RANDOM(1, 7), 4);
  EXPECT_EQ(RANDOM(0, 18), 18);
  EXPECT_EQ(RANDOM(INT32_MIN, INT32_MAX), INT32_MIN);  // a span of 2^32
  EXPECT_EQ(RANDOM(INT32_MIN, INT32_MAX), INT32_MAX);
  EXPECT_EQ(RANDOM(INT32_MIN, INT32_MAX), 0);
  EXPECT_EQ(RANDOM(8, 7), 8);
  EXPECT_EQ(RANDOM(10, 2), 7);  // 10 + floor(0.3 * -7)
  EXPECT_EQ(LASTRANDOM(), 0);
  EXPECT_EQ(RANDOM(0, 3), 3);
  EXPECT_EQ(LASTRANDOM(), 1);
  EXPECT_EQ(LASTRANDOM(), 1);  // reads without drawing: 0.51 is still next
  EXPECT_EQ(RANDOM(0, 99), 51);
  RANDOM(0, 1);
  EXPECT_EQ(LASTRANDOM(), 0);  // 0.5 ties to even
  int ends = 0;
  for (int i = 0; i < 5000; ++i) {
    const int x = RANDOM(0, 18);
    ASSERT_TRUE(x >= 0 && x <= 18);
    ends |= (x == 0) | (x == 18) << 1;
  }
  EXPECT_EQ(ends, 3);
}
