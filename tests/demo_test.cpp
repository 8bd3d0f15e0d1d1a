// The whole demo on the headless backend, driven by scripted input on the
// virtual clock: first screen, hover, clicks, the ring, Escape. One process
// per scenario.
#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>
#include <vector>

#include "demo.hpp"
#include "screens/screen.hpp"
#include "zarvo/zarvo.hpp"

using namespace ZARVO;
namespace HL = ZARVO::HEADLESS;

namespace {

// Steps run from the delay hook once the virtual clock reaches their time.
struct STEP {
  double at;
  std::function<void()> run;
};
std::vector<STEP> steps;
size_t nextstep = 0;
double origin = 0;

void hook(uint64_t, double now) {
  while (nextstep < steps.size() && now - origin >= steps[nextstep].at) steps[nextstep++].run();
  if (now - origin > 60) ENGINE::SHUTDOWN(TRUE);  // a scenario that lost its way
}

int rundemo(std::vector<STEP> script, const char* folder = ZARVO_DEMO_DIR) {
  EXPECT_EQ(chdir(folder), 0);
  HL::USE();
  steps = std::move(script);
  origin = HL::TIME();
  HL::ONDELAY(hook);
  HL::SETPOINTER(320, 400, true);  // over the window, away from the buttons
  return DEMOMAIN();
}

// Moves the pointer so that the cursor's corner (pointer + hot spot (5, 5)),
// the point the hit test uses, lands on (x, y).
void pointat(int32_t x, int32_t y) { HL::MOVEPOINTER(x - 5, y - 5); }
void click() {
  HL::PUSHBUTTON(RUNTIME::EVT_MOUSEBUTTONPRESS, RUNTIME::BUTTON_LEFT);
  HL::PUSHBUTTON(RUNTIME::EVT_MOUSEBUTTONRELEASE, RUNTIME::BUTTON_LEFT);
}
void escape() { HL::PUSHKEY(RUNTIME::EVT_KEYPRESS, 1, 27); }

// Opaque middles of the buttons of a 640x480 window.
constexpr int32_t NEXTX = 526 + 32, PREVX = 50 + 32, MIDY = 220 + 20;

int32_t active() { return ENGINE::ACTIVEGAMESCREEN; }

}  // namespace

TEST(Demo, FirstScreenComesThroughATransitionFromBlack) {
  static bool black = false, intransition = false;
  static int32_t at1 = -2;
  const int status = rundemo({
      {0.01,
       [] {
         intransition = active() == ENGINE::TRANSITION::TRANSITIONSCREEN;
         const GRAPHICS::BITMAP& old = ENGINE::TRANSITION::OLDBITMAP;
         black = old.HANDLE() && old.PIXEL({0, 0}) == 0xFF000000u &&
                 old.PIXEL({639, 479}) == 0xFF000000u;
       }},
      {2.2, [] { at1 = active(); }},
      {2.3, escape},
  });
  EXPECT_EQ(status, 1);
  EXPECT_TRUE(intransition);
  EXPECT_TRUE(black) << "the first show starts from opaque black";
  EXPECT_EQ(at1, SCREEN1::STATE.GAMESCREEN);
  EXPECT_EQ(SCREEN1::STATE.GAMESCREEN, 1) << "screen 0 is the transition driver's";
  EXPECT_EQ(SCREEN4::STATE.GAMESCREEN, 4);
  EXPECT_EQ(std::string(HL::TITLE()), "ZarvoGameEngine screen transitions demo");
  EXPECT_EQ(HL::OPENFLAGS(), 4);
  // Escape ended the game and the active screen released its images.
  EXPECT_EQ(ENGINE::GAMELOOPRUNNING, FALSE);
  EXPECT_EQ(SCREEN1::STATE.BACKGROUND.HANDLE(), nullptr);
  EXPECT_EQ(SCREEN1::STATE.NEXTSCREEN.IMAGE.HANDLE(), nullptr);
}

TEST(Demo, ButtonsArePlacedAndHoverRaisesOpacity) {
  static CAMELEONBUTTON before, after;
  static BOOLEAN hoveredafter = FALSE;
  rundemo({
      {2.2,
       [] {
         before.RECT = SCREEN1::STATE.NEXTSCREEN.RECT;
         before.IMAGE.IALPHA = SCREEN1::STATE.NEXTSCREEN.IMAGE.ALPHA();
         after.RECT = SCREEN1::STATE.PREVSCREEN.RECT;
         pointat(NEXTX, MIDY);
       }},
      {2.3,
       [] {
         hoveredafter = SCREEN1::STATE.NEXTSCREEN.HOVERED;
         after.IMAGE.IALPHA = SCREEN1::STATE.NEXTSCREEN.IMAGE.ALPHA();
         pointat(320, 400);  // off again
       }},
      {2.4, escape},
  });
  EXPECT_EQ(before.RECT.X, 526);
  EXPECT_EQ(before.RECT.Y, 220);
  EXPECT_EQ(before.RECT.W, 64);
  EXPECT_EQ(before.RECT.H, 41);
  EXPECT_EQ(after.RECT.X, 50);
  EXPECT_EQ(after.RECT.Y, 220);
  EXPECT_EQ(before.IMAGE.IALPHA, 200);
  EXPECT_EQ(hoveredafter, TRUE);
  EXPECT_EQ(after.IMAGE.IALPHA, 255);
}

TEST(Demo, ClickOnNextLeadsToScreenTwoAfterTwoSeconds) {
  static int32_t during = -2, after = -2;
  rundemo({
      {2.2, [] { pointat(NEXTX, MIDY); }},
      {2.3, click},
      {3.3, [] { during = active(); }},
      {4.4, [] { after = active(); }},
      {4.5, escape},
  });
  EXPECT_EQ(during, ENGINE::TRANSITION::TRANSITIONSCREEN);
  EXPECT_EQ(after, SCREEN2::STATE.GAMESCREEN);
}

TEST(Demo, PressMoveOffReleaseDoesNothing) {
  static int32_t after = -2;
  rundemo({
      {2.2, [] { pointat(NEXTX, MIDY); }},
      {2.3, [] { HL::PUSHBUTTON(RUNTIME::EVT_MOUSEBUTTONPRESS, RUNTIME::BUTTON_LEFT); }},
      {2.4, [] { pointat(320, 400); }},
      {2.5, [] { HL::PUSHBUTTON(RUNTIME::EVT_MOUSEBUTTONRELEASE, RUNTIME::BUTTON_LEFT); }},
      // Pressing off the button, moving on and releasing does nothing either.
      {2.6, [] { HL::PUSHBUTTON(RUNTIME::EVT_MOUSEBUTTONPRESS, RUNTIME::BUTTON_LEFT); }},
      {2.7, [] { pointat(NEXTX, MIDY); }},
      {2.8, [] { HL::PUSHBUTTON(RUNTIME::EVT_MOUSEBUTTONRELEASE, RUNTIME::BUTTON_LEFT); }},
      {5.0, [] { after = active(); }},
      {5.1, escape},
  });
  EXPECT_EQ(after, SCREEN1::STATE.GAMESCREEN);
}

TEST(Demo, RingWrapsBothWays) {
  static int32_t afterprev = -2, afternext = -2;
  rundemo({
      {2.2, [] { pointat(PREVX, MIDY); }},
      {2.3, click},
      {4.5, [] { afterprev = active(); }},
      {4.55, [] { pointat(320, 400); }},  // the pointer crosses the space between the buttons
      {4.6, [] { pointat(NEXTX, MIDY); }},
      {4.7, click},
      {6.9, [] { afternext = active(); }},
      {7.0, escape},
  });
  EXPECT_EQ(afterprev, SCREEN4::STATE.GAMESCREEN);
  EXPECT_EQ(afternext, SCREEN1::STATE.GAMESCREEN);
}

TEST(Demo, WindowThatCannotOpenEndsWithStatusOne) {
  HL::USE();
  HL::FAILOPEN(true);
  testing::internal::CaptureStderr();
  EXPECT_EQ(DEMOMAIN(), 1);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("cannot open"), std::string::npos) << err;
  EXPECT_EQ(err.find('\n'), err.size() - 1) << "one line";
}

TEST(Demo, StartedFromAnotherFolderFindsItsImagesBesideTheProgram) {
  // The test program has the demo's images beside it, as the demo program does.
  char elsewhere[] = "/tmp/zarvo-demo-XXXXXX";
  ASSERT_NE(mkdtemp(elsewhere), nullptr);
  static bool background = false;
  static int32_t after = -2;
  rundemo(
      {
          {2.2,
           [] {
             background = SCREEN1::STATE.BACKGROUND.HANDLE() != nullptr;
             pointat(NEXTX, MIDY);
           }},
          {2.3, click},
          {4.4, [] { after = active(); }},
          {4.5, escape},
      },
      elsewhere);
  EXPECT_EQ(rmdir(elsewhere), 0) << "nothing was written there";
  EXPECT_TRUE(background);
  EXPECT_EQ(after, SCREEN2::STATE.GAMESCREEN);
  char cwd[4096];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  EXPECT_EQ(std::string(cwd), RUNTIME::EXECUTABLEFOLDER())
      << "the program's folder is now the working one";
}
