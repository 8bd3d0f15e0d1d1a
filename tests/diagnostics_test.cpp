// Engine failures explained on request: each reaches a game's handler, or
// stderr under ZARVO_LOG=1, as one line naming its cause; without either the
// engine stays silent. ZARVO_LOG is read once per process, so each scenario
// is a test of its own.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "zarvo/engine.hpp"
#include "zarvo/runtime/diagnostics.hpp"
#include "zarvo/runtime/headless/headless.hpp"
#include "zarvo/transitions/transitions.hpp"

using namespace ZARVO;
namespace HL = ZARVO::HEADLESS;

namespace {

// A window that cannot open, an image that cannot be created, an unknown
// screen shown: the failures every scenario provokes, in this order.
void provoke() {
  HL::USE();
  HL::FAILOPEN(true);
  EXPECT_EQ(ENGINE::INITIALIZE(64, 48), FALSE);
  GRAPHICS::BITMAP nowindow(8, 8);
  HL::FAILOPEN(false);
  EXPECT_EQ(ENGINE::INITIALIZE(64, 48), TRUE);
  GRAPHICS::BITMAP empty(0, 5);
  EXPECT_EQ(empty.HANDLE(), nullptr);
  ENGINE::SHOW(99, ENGINE::TRANSITIONEFFECT::NONE, ENGINE::TRANSITIONDIRECTION::FROMLEFT,
               EFFECT::EASING::LINEAR, 1.0f);
  EXPECT_EQ(ENGINE::ACTIVEGAMESCREEN, -1);
}

const std::vector<std::string> expected{
    "INITIALIZE: cannot open a 64x48 window: the headless backend was told to fail",
    "cannot create a 8x8 image: no screen yet (INITIALIZE first)",
    "cannot create a 0x5 image: width and height must be at least 1",
    "SHOW: screen 99 is not registered (SCREENCOUNT 1); nothing shown",
};

std::vector<std::string> lines;

}  // namespace

TEST(Diagnostics, HandlerReceivesOneLinePerFailure) {
  unsetenv("ZARVO_LOG");
  RUNTIME::ONDIAGNOSTIC([](const char* m) { lines.emplace_back(m); });
  testing::internal::CaptureStderr();
  provoke();
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "a handler replaces stderr";
  EXPECT_EQ(lines, expected);
}

TEST(Diagnostics, LogSwitchWritesThemToStderr) {
  setenv("ZARVO_LOG", "1", 1);
  testing::internal::CaptureStderr();
  provoke();
  std::string want;
  for (const std::string& l : expected) want += "zarvo: " + l + "\n";
  EXPECT_EQ(testing::internal::GetCapturedStderr(), want);
}

TEST(Diagnostics, SilentByDefault) {
  unsetenv("ZARVO_LOG");
  testing::internal::CaptureStderr();
  provoke();
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}
