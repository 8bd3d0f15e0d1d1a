// The SDL2 backend in a real window (under Xvfb in CI): open, title, pointer
// warp seen as a move event, close request. Skipped without a display.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "zarvo/runtime/runtime.hpp"

using namespace ZARVO::RUNTIME;

namespace {

bool havedisplay() {
  const char* d = std::getenv("DISPLAY");
  return d && *d;
}

std::string run(const std::string& cmd) {
  std::string out;
  if (FILE* p = popen(cmd.c_str(), "r")) {
    char buf[256];
    while (fgets(buf, sizeof buf, p)) out += buf;
    pclose(p);
  }
  return out;
}

// Polls for up to about two seconds until an event of the given type arrives.
bool waitfor(int32_t type, EVENT& e) {
  for (int i = 0; i < 2000; ++i) {
    while (POLLEVENT(e))
      if (e.TYPE == type) return true;
    DELAY(1);
  }
  return false;
}

}  // namespace

TEST(SdlWindow, OpenTitleWarpAndClose) {
  if (!havedisplay()) GTEST_SKIP() << "no display: the real-window test needs X (or Xvfb)";
  USEBACKEND(BACKEND::SDL2);
  WINDOWTITLE("Zarvo window test");  // before the window exists
  ASSERT_TRUE(SCREENMODE(320, 240, 32, 1, 4, 0)) << SCREENERROR();
  ASSERT_NE(SCREENPTR(), nullptr);
  EXPECT_EQ(SCREENWIDTH(), 320);

  // Draw something and present it.
  SCREENLOCK();
  SCREENPTR()[0] = 0xFFFF0000u;
  SCREENDIRTY(0, 0);
  SCREENUNLOCK();
  EXPECT_GE(PRESENTCOUNT(), 1u);

  EVENT e;
  for (int i = 0; i < 200; ++i) {  // let the window map
    while (POLLEVENT(e)) {
    }
    DELAY(5);
  }
  if (system("command -v xdotool >/dev/null 2>&1") == 0) {
    EXPECT_NE(run("xdotool search --name 'Zarvo window test'"), "") << "title applied on open";
  }

  SETMOUSE(100, 50, -1, -1);
  ASSERT_TRUE(waitfor(EVT_MOUSEMOVE, e)) << "a warp is reported as a move";
  EXPECT_EQ(e.X, 100);
  EXPECT_EQ(e.Y, 50);
  int32_t x, y, wheel, buttons, clip;
  GETMOUSE(&x, &y, &wheel, &buttons, &clip);
  EXPECT_EQ(x, 100);
  EXPECT_EQ(y, 50);

  std::raise(SIGINT);  // the platform turns this into a close request
  EXPECT_TRUE(waitfor(EVT_WINDOWCLOSE, e));
  SCREENCLOSE();
  EXPECT_EQ(SCREENPTR(), nullptr);
}
