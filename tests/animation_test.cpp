// Animations on the headless clock: values follow elapsed time only, the end
// is exact, and the list stays consistent with several animations, removals
// and destruction while listed. Each test runs in its own process.
#include "zarvo/effects/effects.hpp"

#include <gtest/gtest.h>

#include "zarvo/engine.hpp"
#include "zarvo/runtime/headless/headless.hpp"

using namespace ZARVO;
using namespace ZARVO::EFFECT;
namespace HL = ZARVO::HEADLESS;

namespace {

int calls = 0;
double counted(double, double T, double D, double B, double C) {
  ++calls;
  return B + C * T / D;
}

ENGINE::EVENT none{};
void pass() { ANIMATION_ONFRAME(0.0f, ENGINE::INPUTEVENT::NONE, none); }

}  // namespace

TEST(Animation, ValuesFollowElapsedTimeOnly) {
  HL::USE();
  HL::SETTIME(100.0);
  ANIMATION often(2), once(2);
  for (ANIMATION* a : {&often, &once}) {
    a->STARTVALUE(1, 10.0);
    a->ENDVALUE(1, 30.0);
    a->ENDVALUE(2, -8.0);
    a->VALUE(2, 99.0);
    a->PLAY(2.0, EASING::EASEIN);
  }
  EXPECT_EQ(often.VALUE(1), 10.0);
  EXPECT_EQ(often.VALUE(2), 0.0) << "PLAY starts from the start values";
  EXPECT_EQ(often.TARGETREACHED(), FALSE);
  EXPECT_EQ(once.QUEUEINDEX, 1);
  for (double t : {100.1, 100.2, 100.45}) {
    HL::SETTIME(t);
    often.ONFRAME();
  }
  once.ONFRAME();  // one advance at the same moment
  const double u = 0.45 / 2.0;
  EXPECT_NEAR(often.VALUE(1), 10.0 + 20.0 * u * u, 1e-9);
  EXPECT_NEAR(often.VALUE(2), -8.0 * u * u, 1e-9);
  EXPECT_EQ(often.VALUE(1), once.VALUE(1));
  EXPECT_EQ(often.VALUE(2), once.VALUE(2));
  HL::SETTIME(101.0);
  EXPECT_EQ(often.VALUE(1), once.VALUE(1)) << "nothing changes between advances";
}

TEST(Animation, EndValuesAreSetExactlyNotComputed) {
  HL::USE();
  HL::SETTIME(5.0);
  ANIMATION a(1), zero(2), e(1);
  a.ENDVALUE(7.0);
  a.PLAY(0.5, counted);
  zero.ENDVALUE(2, 4.0);
  zero.PLAY(0.0, counted);
  e.ENDVALUE(0.1);
  e.PLAY(1.0, EASING::ELASIN);  // does not reach its end by itself
  HL::SETTIME(5.25);
  pass();
  EXPECT_EQ(calls, 1) << "zero duration ends at the first advance, without the curve";
  EXPECT_EQ(zero.VALUE(2), 4.0);
  EXPECT_EQ(zero.TARGETREACHED(), TRUE);
  const double t = a.T;
  HL::SETTIME(6.0);
  pass();
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(a.VALUE(), 7.0);
  EXPECT_EQ(a.T, t);
  EXPECT_EQ(e.VALUE(), 0.1);
  EXPECT_EQ(LISTCOUNT, 0);
}

TEST(Animation, IndexedPropertiesAndRange) {
  ANIMATION a(2), empty(0);
  a.STARTVALUE(1.5);
  EXPECT_EQ(a.STARTVALUE(1), 1.5);
  a.VALUE(0, 9.0);
  a.VALUE(3, 9.0);
  EXPECT_EQ(a.VALUE(0) + a.VALUE(2) + a.VALUE(3), 0.0) << "out of range reads 0, ignores writes";
  empty.STARTVALUE(1.0);
  EXPECT_EQ(empty.STARTVALUE(), 0.0);
}

TEST(Animation, ListGrowsByFiveAndRemovalKeepsOrder) {
  HL::USE();
  ANIMATION a(1), b(1), c(1), d(1), e(1), f(1);
  ANIMATION* all[6] = {&a, &b, &c, &d, &e, &f};
  for (int i = 0; i < 5; ++i) all[i]->PLAY(1.0, EASING::LINEAR);
  EXPECT_EQ(LISTSIZE, 5);
  f.PLAY(1.0, EASING::LINEAR);
  EXPECT_EQ(LISTSIZE, 10);
  REMOVEANIMATION(0);
  ASSERT_EQ(LISTCOUNT, 5);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(ANIMLIST[i], all[i + 1]);
    EXPECT_EQ(all[i + 1]->QUEUEINDEX, i);
  }
  EXPECT_EQ(LISTSIZE, 10) << "never shrinks";
  // Released (as at exit), the list starts afresh with the next PLAY.
  ANIMATION_END();
  EXPECT_EQ(ANIMLIST, nullptr);
  EXPECT_EQ(LISTCOUNT, 0);
  a.PLAY(1.0, EASING::LINEAR);
  ASSERT_EQ(LISTSIZE, 5);
  EXPECT_EQ(LISTCOUNT, 1);
  EXPECT_EQ(ANIMLIST[0], &a);
}

TEST(Animation, SeveralAtOnceEachAdvancedOncePerPass) {
  HL::USE();
  HL::SETTIME(0.0);
  ANIMATION a(1), b(1), c(1);
  a.PLAY(0.0015, counted);  // ends in the second pass
  b.PLAY(1.0, counted);
  c.PLAY(0.0025, counted);  // ends in the third
  for (double t : {0.001, 0.002, 0.003}) {
    HL::SETTIME(t);
    calls = 0;
    pass();
    EXPECT_EQ(calls, static_cast<int>(LISTCOUNT)) << "every remaining one advanced once at " << t;
    for (int i = 0; i < LISTCOUNT; ++i) EXPECT_EQ(ANIMLIST[i]->QUEUEINDEX, i);
  }
  EXPECT_EQ(a.TARGETREACHED(), TRUE);
  EXPECT_EQ(c.TARGETREACHED(), TRUE);
  ASSERT_EQ(LISTCOUNT, 1);
  EXPECT_EQ(ANIMLIST[0], &b);
  EXPECT_NEAR(b.VALUE(), 0.0, 1e-12);
}

TEST(Animation, DestroyedOrReplayedWhileListed) {
  HL::USE();
  ANIMATION a(1), c(1);
  auto* b = new ANIMATION(1);
  a.PLAY(1.0, EASING::LINEAR);
  b->PLAY(1.0, EASING::LINEAR);
  c.PLAY(1.0, EASING::LINEAR);
  delete b;
  ASSERT_EQ(LISTCOUNT, 2);
  EXPECT_EQ(ANIMLIST[1], &c);
  EXPECT_EQ(c.QUEUEINDEX, 1);
  pass();                                // must not touch the freed one
  c.PLAY(1.0, static_cast<EASING>(77));  // listed once, and a curve to call
  EXPECT_EQ(LISTCOUNT, 2);
  c.ENDVALUE(10.0);
  HL::SETTIME(HL::TIME() + 0.25);
  pass();
  EXPECT_NEAR(c.VALUE(), 2.5, 1e-9) << "falls back to LINEAR";
}

TEST(Animation, OnlyScreensPresentAtStartAdvance) {
  HL::USE();
  ENGINE::INITIALIZE(32, 24, FALSE, 0);
  static int32_t early = ENGINE::NEWGAMESCREEN();
  static int32_t late = -1;
  static ANIMATION a(1);
  a.ENDVALUE(1.0);
  ENGINE::ACTIVEGAMESCREEN = early;
  ENGINE::GAMESCREENS[early].ONFRAME += [](float, ENGINE::INPUTEVENT, ENGINE::EVENT&) {
    if (late >= 0) return;
    late = ENGINE::NEWGAMESCREEN();
    ENGINE::ACTIVEGAMESCREEN = late;
    a.PLAY(0.05, EASING::LINEAR);  // would end after 50 passes if advanced
  };
  HL::ONDELAY([](uint64_t n, double) {
    if (n == 100) ENGINE::GAMELOOPRUNNING = FALSE;
  });
  ENGINE::START();
  EXPECT_EQ(ENGINE::GAMESCREENS[early].ONFRAME.COUNT(), 2);
  EXPECT_EQ(a.TARGETREACHED(), FALSE) << "the late screen never advanced it";
  EXPECT_EQ(LISTCOUNT, 1);
}
