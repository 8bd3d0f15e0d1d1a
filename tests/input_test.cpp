// The input state the loop keeps beside the cursor state: held keys and
// buttons, the pointer tracked whatever the cursor, and the hit tests that
// read it. Each scenario runs the loop on the headless backend, one process
// per test.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "zarvo/collision.hpp"
#include "zarvo/engine.hpp"
#include "zarvo/runtime/headless/headless.hpp"

using namespace ZARVO;
using namespace ZARVO::ENGINE;
namespace HL = ZARVO::HEADLESS;
using GRAPHICS::BITMAP;
using MATH::POINT;
using MATH::RECT;

namespace {

void (*perframe)() = nullptr;
void onframe(float, INPUTEVENT, EVENT&) {
  if (perframe) perframe();
}

// Opens a 64x48 window with one active screen whose frame handler calls
// `each` after every pass's input has been taken.
void setupgame(void (*each)()) {
  HL::USE();
  ASSERT_EQ(INITIALIZE(64, 48, FALSE, 0), TRUE);
  const int32_t s = NEWGAMESCREEN();
  GAMESCREENS[s].ONFRAME += onframe;
  ACTIVEGAMESCREEN = s;
  perframe = each;
}

// Runs the loop until every queued event has been taken.
void drain(uint64_t, double) {
  if (HL::PENDING() == 0) GAMELOOPRUNNING = FALSE;
}
void runqueue() {
  HL::ONDELAY(drain);
  START();
}

EVENT make(int32_t type, int32_t a = 0, int32_t b = 0) {
  EVENT e{};
  e.TYPE = type;
  e.RAW[0] = a;
  e.RAW[1] = b;
  return e;
}

std::string heldnow() {
  std::string s;
  if (KEYDOWN(KEY::A)) s += "A";
  if (KEYDOWN(KEY::LEFT)) s += "<";
  if (BUTTONDOWN(BUTTON::LEFT)) s += "L";
  if (BUTTONDOWN(BUTTON::RIGHT)) s += "R";
  return s.empty() ? "-" : s;
}

std::vector<std::string> seen;

}  // namespace

TEST(Input, HeldKeysAndButtonsFollowPressRepeatReleaseAndFocusLoss) {
  setupgame([] { seen.push_back(heldnow()); });
  static std::string atblur;
  ONBLUR += [] { atblur = heldnow(); };
  HL::PUSHKEY(RUNTIME::EVT_KEYPRESS, KEY::A, 'a');
  HL::PUSHKEY(RUNTIME::EVT_KEYPRESS, KEY::LEFT);
  HL::PUSHKEY(RUNTIME::EVT_KEYRELEASE, KEY::A, 'a');
  HL::PUSHKEY(RUNTIME::EVT_KEYREPEAT, KEY::A, 'a');  // a repeat alone means held
  HL::PUSHBUTTON(RUNTIME::EVT_MOUSEBUTTONPRESS, BUTTON::LEFT);
  HL::PUSHBUTTON(RUNTIME::EVT_MOUSEBUTTONPRESS, BUTTON::RIGHT);
  HL::PUSHBUTTON(RUNTIME::EVT_MOUSEBUTTONRELEASE, BUTTON::RIGHT);
  HL::PUSHBUTTON(RUNTIME::EVT_MOUSEBUTTONPRESS, BUTTON::RIGHT);
  HL::PUSHEVENT(make(RUNTIME::EVT_WINDOWLOSTFOCUS));
  // Releases made while another window had the focus never arrive; late ones change nothing.
  HL::PUSHKEY(RUNTIME::EVT_KEYRELEASE, KEY::LEFT);
  HL::PUSHKEY(RUNTIME::EVT_KEYPRESS, 300);       // no such key
  HL::PUSHKEY(RUNTIME::EVT_KEYPRESS, KEY::KP4);  // shares its code with LEFT
  runqueue();
  const std::vector<std::string> want{"A",   "A<",   "<", "A<", "A<L", "A<LR",
                                      "A<L", "A<LR", "-", "-",  "-",   "<"};
  EXPECT_EQ(seen, want);
  EXPECT_EQ(atblur, "-") << "ONBLUR handlers already see everything released";
  EXPECT_EQ(KEYDOWN(300), FALSE);
  EXPECT_EQ(KEYDOWN(-1), FALSE);
  EXPECT_EQ(BUTTONDOWN(0), FALSE);
  EXPECT_EQ(BUTTONDOWN(BUTTON::LEFT | BUTTON::RIGHT), FALSE);
}

TEST(Input, PointerTrackedWithTheSystemPointerAcrossLeaveAndEnter) {
  HL::SETPOINTER(10, 12, true);  // where the pointer is when the window opens
  static std::vector<POINTERSTATE> p;
  setupgame([] { p.push_back(POINTER()); });
  const POINTERSTATE start = POINTER();
  const POINT cursorstate = MOUSECURSORPOSITION;
  HL::MOVEPOINTER(20, 30);
  HL::PUSHEVENT(make(RUNTIME::EVT_MOUSELEAVE, 63, 5));
  HL::PUSHEVENT(make(RUNTIME::EVT_MOUSEENTER));
  HL::MOVEPOINTER(40, 41);
  HL::MOVEPOINTER(70, 41);  // dragged past the right edge
  runqueue();
  EXPECT_EQ(start.X, 10);
  EXPECT_EQ(start.Y, 12);
  EXPECT_EQ(start.INSIDE, TRUE);
  ASSERT_EQ(p.size(), 5u);
  EXPECT_TRUE(p[0].X == 20 && p[0].Y == 30 && p[0].INSIDE);
  EXPECT_TRUE(p[1].X == 63 && p[1].Y == 5 && !p[1].INSIDE) << "leave keeps its position";
  EXPECT_TRUE(p[2].X == 63 && p[2].Y == 5 && p[2].INSIDE) << "enter carries no position";
  EXPECT_TRUE(p[3].X == 40 && p[3].Y == 41 && p[3].INSIDE);
  EXPECT_TRUE(p[4].X == 70 && p[4].Y == 41 && !p[4].INSIDE);
  // MOUSECURSORPOSITION is not tracked without a cursor bitmap.
  EXPECT_EQ(MOUSECURSORPOSITION.X, cursorstate.X);
  EXPECT_EQ(MOUSECURSORPOSITION.Y, cursorstate.Y);
}

TEST(Input, PointerWithACursorBitmapFollowsTheCursorAndKeepsGoingWhenHidden) {
  static BITMAP cursor;
  static std::vector<POINTERSTATE> p;
  static std::vector<POINT> cur;
  setupgame([] {
    p.push_back(POINTER());
    cur.push_back(MOUSECURSORPOSITION);
  });
  cursor.CREATE(4, 4, 0xFFFFFFFFu, 32);
  SETCURSOR(&cursor, 5, 5);
  SHOWCURSOR();
  HL::MOVEPOINTER(20, 30);
  HL::PUSHEVENT(make(RUNTIME::EVT_MOUSELEAVE, 63, 5));
  HL::PUSHEVENT(make(RUNTIME::EVT_MOUSEENTER));
  HL::MOVEPOINTER(40, 41);
  runqueue();
  ASSERT_EQ(p.size(), 4u);
  for (size_t i = 0; i < p.size(); ++i) {
    EXPECT_EQ(p[i].X, cur[i].X) << i;
    EXPECT_EQ(p[i].Y, cur[i].Y) << i;
  }
  EXPECT_EQ(p[1].INSIDE, FALSE);
  EXPECT_EQ(p[3].INSIDE, TRUE);
  // Hidden, MOUSECURSORPOSITION stops; the pointer does not.
  p.clear();
  cur.clear();
  HIDECURSOR();
  HL::MOVEPOINTER(7, 8);
  STARTED = FALSE;  // the same game, one more pass
  runqueue();
  ASSERT_EQ(p.size(), 1u);
  EXPECT_TRUE(p[0].X == 7 && p[0].Y == 8);
  EXPECT_TRUE(cur[0].X == 40 && cur[0].Y == 41);
}

// Every pointer position on a grid around a small object: with a visible
// cursor bitmap the four-argument test, the POINTER() overload and the point
// overload at pointer + hot spot give the same answer; with the system
// pointer only the new overloads see the pointer move.
TEST(Input, HitTestOverloadsAgreeWithTheCursorTest) {
  static BITMAP obj, cursor;
  static const RECT r{20, 10, 6, 5};
  static int compared = 0, disagreed = 0, hits = 0, systemhits = 0, cursorhits = 0;
  static bool withcursor = true;
  setupgame([] {
    const POINTERSTATE ptr = POINTER();
    if (!ptr.INSIDE) return;
    for (TESTTYPE mode : {TESTTYPE::ALPHAVALUE, TESTTYPE::TRANSCOLOR}) {
      const uint32_t value = mode == TESTTYPE::ALPHAVALUE ? 30u : 0x00FF00FFu;
      const BOOLEAN viapointer = MOUSEOVEROBJECT(obj, r, ptr, mode, value);
      if (withcursor) {
        const BOOLEAN bycursor = MOUSEOVEROBJECT(obj, r, mode, value);
        const POINT at{ptr.X + MOUSECURSORHOTSPOT.X, ptr.Y + MOUSECURSORHOTSPOT.Y};
        const BOOLEAN viapoint = MOUSEOVEROBJECT(obj, r, at, mode, value);
        ++compared;
        if (bycursor != viapointer || bycursor != viapoint) ++disagreed;
        if (bycursor) ++hits;
      } else {
        const POINT at{ptr.X, ptr.Y};
        if (viapointer != MOUSEOVEROBJECT(obj, r, at, mode, value)) ++disagreed;
        if (viapointer) ++systemhits;
        if (MOUSEOVEROBJECT(obj, r, mode, value)) ++cursorhits;
      }
    }
  });
  obj.CREATE(6, 5, 0x00FF00FFu, 32);  // mask colour, alpha 0: nothing drawn
  obj.PIXEL({0, 0}, 0xFF102030u);
  obj.PIXEL({5, 4}, 0x1F000000u);  // alpha 31: above the threshold 30
  obj.PIXEL({2, 2}, 0x1E00FF00u);  // alpha 30: only TRANSCOLOR counts it
  obj.PIXEL({3, 1}, 0x80FF00FFu);  // mask colour, alpha 128: both modes count it
  cursor.CREATE(2, 2, 0xFFFFFFFFu, 32);
  SETCURSOR(&cursor, 3, -2);
  SHOWCURSOR();
  for (int32_t y = 5; y < 20; ++y)
    for (int32_t x = 14; x < 30; ++x) HL::MOVEPOINTER(x, y);
  runqueue();
  EXPECT_EQ(compared, 2 * 15 * 16);
  EXPECT_EQ(disagreed, 0);
  EXPECT_EQ(hits, 3 + 4) << "alpha 30 is not above the threshold; any colour but VALUE counts";

  // The system pointer: the four-argument test keeps reading the position of the
  // last SHOWCURSOR, (0, 0) here, and never hits; the overloads follow it.
  SETCURSOR(nullptr);
  HL::SETPOINTER(0, 0, true);
  SHOWCURSOR();
  withcursor = false;
  for (int32_t y = 5; y < 20; ++y)
    for (int32_t x = 14; x < 30; ++x) HL::MOVEPOINTER(x, y);
  HL::PUSHEVENT(make(RUNTIME::EVT_MOUSELEAVE, 20, 10));  // over the drawn corner, but gone
  STARTED = FALSE;
  runqueue();
  EXPECT_EQ(systemhits, 3 + 4);
  EXPECT_EQ(cursorhits, 0);
  EXPECT_EQ(disagreed, 0);
  EXPECT_EQ(MOUSEOVEROBJECT(obj, r, POINTER(), TESTTYPE::ALPHAVALUE, 30), FALSE)
      << "a pointer outside the window is over nothing";
  EXPECT_EQ(MOUSEOVEROBJECT(obj, r, POINT{20, 10}, TESTTYPE::ALPHAVALUE, 30), TRUE);
}
