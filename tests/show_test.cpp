// Screen switching on the headless backend, whose clock moves 1 ms per pass:
// the show/hide protocol on both paths, transitions from start to end, the
// cursor flag and the pointer nudge. One scenario per process.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "zarvo/effects/effects.hpp"
#include "zarvo/runtime/headless/headless.hpp"
#include "zarvo/runtime/runtime.hpp"
#include "zarvo/transitions/fade.hpp"
#include "zarvo/transitions/transitions.hpp"

using namespace ZARVO;
using namespace ZARVO::ENGINE;
using GRAPHICS::BITMAP;
using TE = TRANSITIONEFFECT;
using TD = TRANSITIONDIRECTION;
using EFFECT::EASING;
namespace HL = ZARVO::HEADLESS;

namespace {

// What the game screens 1 and 2 saw: pass, screen, kind (S show, H hide,
// P paint, F frame), and the next screen or input kind.
struct REC {
  uint64_t pass;
  int32_t screen;
  char what;
  int32_t arg;
};
std::vector<REC> recs;
bool refuse[3] = {};
BITMAP pictures[3];
uint64_t stopat = 1000;
std::function<void(uint64_t)> inframe1, inhook;

uint64_t pass() { return HL::DELAYCOUNT() + 1; }

template <int N>
void onshow() {
  recs.push_back({pass(), N, 'S', 0});
}
template <int N>
void onhide(int32_t next, BOOLEAN& cancel) {
  recs.push_back({pass(), N, 'H', next});
  if (refuse[N]) cancel = TRUE;
}
template <int N>
void onpaint(BITMAP& dest) {
  recs.push_back({pass(), N, 'P', 0});
  pictures[N].DRAWTO(dest);
}
template <int N>
void onframe(float, INPUTEVENT k, EVENT&) {
  recs.push_back({pass(), N, 'F', static_cast<int32_t>(k)});
  if (N == 1 && inframe1) inframe1(pass());
}

void hook(uint64_t n, double) {
  if (inhook) inhook(n);
  if (n >= stopat) GAMELOOPRUNNING = FALSE;
}

template <int N>
void addscreen(uint32_t colour) {
  ASSERT_EQ(NEWGAMESCREEN(), N);
  GAMESCREENS[N].ONSHOW += onshow<N>;
  GAMESCREENS[N].ONHIDE += onhide<N>;
  GAMESCREENS[N].ONPAINT += onpaint<N>;
  GAMESCREENS[N].ONFRAME += onframe<N>;
  pictures[N].CREATE(64, 48, colour, 32);
}

// A 64x48 window; the driver takes screen 0, the game gets 1 and 2.
void setup() {
  HL::USE();
  ASSERT_EQ(INITIALIZE(64, 48, FALSE, 0), TRUE);
  ASSERT_EQ(TRANSITION::TRANSITIONSCREEN, 0);
  addscreen<1>(0xFF204060u);
  addscreen<2>(0xFFA0C0E0u);
  HL::ONDELAY(hook);
}

std::string seen(uint64_t from, uint64_t to) {
  std::string s;
  for (const REC& r : recs)
    if (r.pass >= from && r.pass <= to) s += r.what + std::to_string(r.screen) + " ";
  return s;
}

uint64_t first(int32_t screen, char what, uint64_t from = 1) {
  for (const REC& r : recs)
    if (r.screen == screen && r.what == what && r.pass >= from) return r.pass;
  return 0;
}

bool framefilled(uint32_t colour) {
  for (int i = 0; i < 64 * 48; ++i)
    if (HL::FRAME()[i] != colour) return false;
  return true;
}

// Screen 1 shown at once, then screen 1's frame handler runs `what` in pass 3.
void fromscreen1(std::function<void()> what) {
  inframe1 = [what](uint64_t p) {
    if (p == 3) what();
  };
  SHOW(1);
}

}  // namespace

TEST(Show, FirstShowWithEffectStartsLoopFromBlack) {
  setup();
  stopat = 5;
  bool black = false;
  inhook = [&](uint64_t n) {
    if (n == 2) black = framefilled(0xFF000000u);
  };
  SHOW(1, TE::FADE, TD::FROMLEFT, EASING::LINEAR, 2.0f);
  EXPECT_EQ(HL::DELAYCOUNT(), 5u) << "the loop ran inside SHOW";
  EXPECT_TRUE(black) << "the outgoing picture is opaque black";
  EXPECT_EQ(seen(1, 5), "S1 P1 ") << "no outgoing screen is painted or hidden";
  EXPECT_EQ(ACTIVEGAMESCREEN, 0);
  EXPECT_EQ(GAMESCREENS[0].ONFRAME.COUNT(), 2) << "the animation list joined the driver";
}

TEST(Show, TwoSecondTransitionEndsAfterExactPasses) {
  setup();
  // The animation ends in the first pass whose clock reading is 2 s after
  // PLAY; the next pass paints the end state and hands over.
  uint64_t k = 1;
  for (double now = HL::TIME(), t0 = now; now - t0 < 2.0; now += 1 / 1000.0) ++k;
  stopat = k + 3;
  int32_t activeat[3] = {};
  bool endpainted = false;
  inhook = [&](uint64_t n) {
    if (n >= k && n <= k + 2) activeat[n - k] = ACTIVEGAMESCREEN;
    if (n == k + 1) endpainted = framefilled(0xFF204060u);
  };
  SHOW(1, TE::SLIDEIN, TD::FROMBOTTOMRIGHT, EASING::BACKOUT, 2.0f);
  EXPECT_EQ(activeat[0], 0);
  EXPECT_EQ(activeat[1], 1);
  EXPECT_TRUE(endpainted);
  EXPECT_EQ(first(1, 'F'), k + 2);
  EXPECT_EQ(first(1, 'P', 2), k + 2) << "the incoming screen paints itself in the next pass";
  EXPECT_EQ(EFFECT::LISTCOUNT, 0);
}

TEST(Show, NoGameScreenEventsOrInputDuringTransition) {
  setup();
  inhook = [](uint64_t n) {
    if (n >= 3 && n < 40) HL::PUSHKEY(1, 30, 'a');
  };
  fromscreen1([] { SHOW(2, TE::ZOOMIN, TD::FROMLEFT, EASING::EASEIN, 0.05f); });
  EXPECT_EQ(seen(3, 3), "F1 S2 P1 H1 P2 ") << "protocol inside the click's pass";
  const uint64_t back = first(2, 'F');
  ASSERT_GT(back, 50u);
  EXPECT_EQ(seen(4, back - 1), "");
  for (const REC& r : recs) EXPECT_NE(r.arg, static_cast<int32_t>(INPUTEVENT::KEYPRESS));
}

TEST(Show, CursorHiddenDuringAndRestoredAfter) {
  setup();
  BITMAP cursor(4, 4, 0xFFFFFFFFu);
  SETCURSOR(&cursor);
  SHOWCURSOR();
  MOUSECURSORINSIDEWINDOW = TRUE;
  bool hidden = false, drawn = true;
  inhook = [&](uint64_t n) {
    if (n == 5) HL::MOVEPOINTER(12, 12);
    if (n == 6) {
      hidden = MOUSECURSORVISIBLE == FALSE;
      drawn = false;
      for (int i = 0; i < 64 * 48; ++i) drawn = drawn || ((HL::FRAME()[i] >> 16) & 255u) >= 0xF0u;
      SHOWCURSOR();  // changed in between: the end restores the saved flag anyway
      HIDECURSOR();
    }
  };
  fromscreen1([] { SHOW(2, TE::FADE, TD::FROMLEFT, EASING::LINEAR, 0.02f); });
  EXPECT_TRUE(hidden);
  EXPECT_FALSE(drawn);
  EXPECT_EQ(ACTIVEGAMESCREEN, 2);
  EXPECT_EQ(MOUSECURSORVISIBLE, TRUE);
}

TEST(Show, PointerNudgedWhenTransitionEnds) {
  setup();
  HL::SETPOINTER(20, 10, true);
  size_t calls = 0;
  inhook = [&](uint64_t) {
    if (ACTIVEGAMESCREEN == 0) calls = HL::SETMOUSECOUNT();
  };
  SHOW(1, TE::VERTICALSTRIPES, TD::FROMLEFT, EASING::LINEAR, 0.005f);
  ASSERT_EQ(HL::SETMOUSECOUNT(), calls + 2);
  int32_t x, y, v, c;
  HL::SETMOUSECALL(calls, &x, &y, &v, &c);
  EXPECT_EQ((std::vector<int32_t>{x, y, v, c}), (std::vector<int32_t>{21, 11, -1, -1}));
  HL::SETMOUSECALL(calls + 1, &x, &y, &v, &c);
  EXPECT_EQ((std::vector<int32_t>{x, y, v, c}), (std::vector<int32_t>{19, 9, -1, -1}));
  int moves = 0;
  for (const REC& r : recs)
    moves += r.screen == 1 && r.arg == static_cast<int32_t>(INPUTEVENT::MOUSEMOVE);
  EXPECT_EQ(moves, 2) << "the new screen hears both moves";
}

TEST(Show, CancelFromOnHideOnBothPaths) {
  setup();
  refuse[1] = true;
  size_t calls = 0;
  inframe1 = [&](uint64_t p) {
    if (p == 3) SHOW(2, TE::FADE, TD::FROMLEFT, EASING::LINEAR, 0.5f);
    if (p == 4) {
      calls = HL::SETMOUSECOUNT();
      SHOW(2);
    }
  };
  SHOW(1);
  EXPECT_EQ(seen(3, 4), "F1 S2 P1 H1 F1 S2 H1 ") << "the incoming screen heard ONSHOW anyway";
  EXPECT_EQ(TRANSITION::OLDBITMAP.PIXEL({5, 5}), 0xFF204060u) << "the outgoing picture was kept";
  EXPECT_EQ(HL::SETMOUSECOUNT(), calls) << "no nudge";
  EXPECT_EQ(TRANSITION::RUNNING(), FALSE);
  EXPECT_EQ(ACTIVEGAMESCREEN, 1);
  EXPECT_EQ(first(2, 'F'), 0u);
}

TEST(Show, ShowingTheActiveScreen) {
  setup();
  fromscreen1([] { SHOW(1); });
  EXPECT_EQ(seen(3, 4), "F1 S1 H1 P1 F1 ");
  EXPECT_EQ(recs[6].arg, 1) << "ONHIDE hears its own number";
  EXPECT_EQ(ACTIVEGAMESCREEN, 1);
}

TEST(Show, ImmediateSwitchAndNudgeFromOutside) {
  setup();
  const size_t calls = HL::SETMOUSECOUNT();
  uint64_t before = 0, after = 0;
  fromscreen1([&] {
    before = HL::DELAYCOUNT();
    SHOW(2);
    after = HL::DELAYCOUNT();
  });
  EXPECT_EQ(before, after) << "a later show returns at once";
  int32_t x, y;
  HL::SETMOUSECALL(calls, &x, &y, nullptr, nullptr);
  EXPECT_EQ(x * 1000 + y, 0) << "(-1, -1) outside the window nudges to (0, 0)";
  HL::SETMOUSECALL(calls + 1, &x, &y, nullptr, nullptr);
  EXPECT_EQ(x * 1000 + y, -2002);
  EXPECT_EQ(seen(1, 4), "S1 P1 F1 F1 F1 S2 H1 P2 F2 ");
  EXPECT_EQ(recs[6].arg, 2);
}

TEST(Show, UnregisteredOrTransitionScreenIgnored) {
  setup();
  fromscreen1([] {
    const size_t calls = HL::SETMOUSECOUNT();
    SHOW(7, TE::FADE, TD::FROMLEFT, EASING::LINEAR, 1.0f);
    SHOW(-1);
    SHOW(TRANSITION::TRANSITIONSCREEN);
    EXPECT_EQ(HL::SETMOUSECOUNT(), calls);
  });
  EXPECT_EQ(seen(3, 4), "F1 F1 ");
  EXPECT_EQ(ACTIVEGAMESCREEN, 1);
}

TEST(Show, ShowDuringTransitionCompletesItFirst) {
  setup();
  inhook = [](uint64_t n) {
    if (n == 10) {
      ASSERT_EQ(TRANSITION::RUNNING(), TRUE);
      SHOW(1, TE::SLIDEOUT, TD::FROMTOP, EASING::LINEAR, 0.01f);
      EXPECT_EQ(TRANSITION::FADEEFFECT::ANIM, nullptr);
      EXPECT_EQ(EFFECT::LISTCOUNT, 1);
      EXPECT_EQ(ACTIVEGAMESCREEN, 0);
    }
  };
  fromscreen1([] { SHOW(2, TE::FADE, TD::FROMLEFT, EASING::LINEAR, 1.0f); });
  EXPECT_EQ(seen(11, 11), "S1 P2 H2 P1 ") << "the first transition's target is the outgoing screen";
  EXPECT_EQ(ACTIVEGAMESCREEN, 1);
  EXPECT_EQ(first(2, 'F'), 0u);
}

TEST(Show, EffectOutsideRangeSwitchesAtOnce) {
  setup();
  fromscreen1([] {
    SHOW(2, static_cast<TE>(9), TD::FROMLEFT, EASING::LINEAR, 1.0f);
    EXPECT_EQ(ACTIVEGAMESCREEN, 2);
    EXPECT_EQ(TRANSITION::RUNNING(), FALSE);
    EXPECT_EQ(TRANSITION::OLDBITMAP.HANDLE(), nullptr);
  });
  EXPECT_EQ(seen(3, 4), "F1 S2 P1 H1 P2 P2 F2 ");
}

TEST(Show, ZeroDurationEndsAtNextFrameBeforeAnyPaint) {
  setup();
  fromscreen1([] { SHOW(2, TE::ZOOMOUT, TD::FROMLEFT, EASING::ELASOUT, 0.0f); });
  EXPECT_EQ(seen(4, 5), "P2 F2 ") << "pass 4 ends the transition; pass 5 is screen 2's";
}
