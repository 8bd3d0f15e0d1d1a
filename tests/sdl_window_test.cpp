// The SDL2 backend in a real window (under Xvfb in CI): open, title, pointer
// warp seen as a move event, close request, the picture the window shows
// (read back from the X server) after partial presents, and the pointer in a
// scaled window. Skipped without a display.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

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

bool havetools() {
  return system("command -v xdotool >/dev/null 2>&1 && command -v import >/dev/null 2>&1") == 0;
}

// Lets the window map and takes what events it sends.
void settle() {
  EVENT e;
  for (int i = 0; i < 100; ++i) {
    while (POLLEVENT(e)) {
    }
    DELAY(5);
  }
}

// The last move event of those that arrive within a moment of the first.
bool lastmove(EVENT& last) {
  if (!waitfor(EVT_MOUSEMOVE, last)) return false;
  EVENT e;
  for (int i = 0; i < 40; ++i, DELAY(5))
    while (POLLEVENT(e))
      if (e.TYPE == EVT_MOUSEMOVE) last = e;
  return true;
}

std::string windowid(const std::string& title) {
  std::string id = run("xdotool search --name '^" + title + "$' 2>/dev/null | head -1");
  while (!id.empty() && (id.back() == '\n' || id.back() == ' ')) id.pop_back();
  return id;
}

// What the X server shows in the window, as 0xRRGGBB per pixel (empty when
// it could not be read).
std::vector<uint32_t> shown(const std::string& id, int32_t w, int32_t h) {
  std::vector<uint32_t> out;
  FILE* p = popen(("import -window " + id + " -depth 8 rgb:- 2>/dev/null").c_str(), "r");
  if (!p) return out;
  std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3);
  const size_t n = fread(rgb.data(), 1, rgb.size(), p);
  pclose(p);
  if (n != rgb.size()) return out;
  for (size_t i = 0; i < rgb.size(); i += 3)
    out.push_back(uint32_t(rgb[i]) << 16 | uint32_t(rgb[i + 1]) << 8 | rgb[i + 2]);
  return out;
}

// The first pixel where the window differs from the picture, or "" when it
// shows the picture (alpha bytes ignored). Waits a little for the server.
std::string mismatch(const std::string& id, const std::vector<uint32_t>& want, int32_t w,
                     int32_t h) {
  std::string why = "the window could not be read";
  for (int attempt = 0; attempt < 20; ++attempt) {
    const std::vector<uint32_t> got = shown(id, w, h);
    if (!got.empty()) {
      why.clear();
      for (size_t i = 0; i < want.size() && why.empty(); ++i)
        if (got[i] != (want[i] & 0xFFFFFFu)) {
          char buf[96];
          std::snprintf(buf, sizeof buf, "(%d, %d) shows %06X, want %06X", static_cast<int>(i % w),
                        static_cast<int>(i / w), got[i], want[i] & 0xFFFFFFu);
          why = buf;
        }
      if (why.empty()) return why;
    }
    DELAY(50);
  }
  return why;
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

// Only the rows marked as changed go to the window, and it still shows the
// whole picture: after a full present, a partial one, rows changed but not yet
// marked, and the window system losing the pixels (unmapped and mapped again).
TEST(SdlWindow, ChangedRowsShowTheRightPicture) {
  if (!havedisplay()) GTEST_SKIP() << "no display: the real-window test needs X (or Xvfb)";
  if (!havetools()) GTEST_SKIP() << "xdotool and ImageMagick's import read the window back";
  constexpr int32_t W = 64, H = 48;
  USEBACKEND(BACKEND::SDL2);
  WINDOWTITLE("Zarvo present test");
  ASSERT_TRUE(SCREENMODE(W, H, 32, 1, MODE_NOSWITCH, 0)) << SCREENERROR();
  settle();
  const std::string id = windowid("Zarvo present test");
  ASSERT_NE(id, "");

  uint32_t* px = SCREENPIXELS();
  std::vector<uint32_t> want(static_cast<size_t>(W) * H);
  auto paint = [&](int32_t y0, int32_t y1, uint32_t salt, bool mark) {
    for (int32_t y = y0; y <= y1; ++y)
      for (int32_t x = 0; x < W; ++x) {
        const uint32_t c = 0xFF000000u | uint32_t(x * 4) << 16 | uint32_t(y * 5) << 8 | salt;
        px[y * W + x] = c;
        if (mark) want[static_cast<size_t>(y) * W + x] = c;
      }
  };

  SCREENLOCK();
  paint(0, H - 1, 0x40, true);
  SCREENDIRTY(0, H - 1);
  SCREENUNLOCK();
  EXPECT_EQ(mismatch(id, want, W, H), "") << "first full present";

  SCREENLOCK();
  paint(10, 12, 0xC0, true);
  px[11 * W + 5] = 0x0000FF00u;  // alpha 0: shown opaque all the same
  want[11 * W + 5] = 0x00FF00u;
  SCREENDIRTY(10, 12);
  paint(30, 31, 0x99, false);  // changed, but not marked: not presented yet
  SCREENUNLOCK();
  EXPECT_EQ(mismatch(id, want, W, H), "") << "rows 10-12 presented, rows 30-31 not";

  SCREENLOCK();
  paint(30, 31, 0x99, true);
  SCREENDIRTY(30, 31);
  SCREENUNLOCK();
  EXPECT_EQ(mismatch(id, want, W, H), "") << "rows 30-31 presented once marked";

  run("xdotool windowunmap --sync " + id + " 2>/dev/null; xdotool windowmap --sync " + id +
      " 2>/dev/null");
  settle();
  EXPECT_EQ(mismatch(id, want, W, H), "") << "shown again after the window system lost it";
  SCREENCLOSE();
}

// A window stretched to another shape (as full screen on such a display): the
// picture scaled into the middle with black bars, a partial present updating
// the scaled picture, and the exact picture again at the window's own size.
TEST(SdlWindow, ScaledWindowWithBars) {
  if (!havedisplay()) GTEST_SKIP() << "no display: the real-window test needs X (or Xvfb)";
  if (!havetools()) GTEST_SKIP() << "xdotool and ImageMagick's import read the window back";
  constexpr int32_t W = 64, H = 16, WW = 256, WH = 192;
  USEBACKEND(BACKEND::SDL2);
  WINDOWTITLE("Zarvo scaled window test");
  ASSERT_TRUE(SCREENMODE(W, H, 32, 1, MODE_NOSWITCH, 0)) << SCREENERROR();
  settle();
  const std::string id = windowid("Zarvo scaled window test");
  ASSERT_NE(id, "");

  uint32_t* px = SCREENPIXELS();
  SCREENLOCK();
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x) px[y * W + x] = x < W / 2 ? 0xFFFF0000u : 0xFF0000FFu;
  SCREENDIRTY(0, H - 1);
  SCREENUNLOCK();
  run("xdotool windowsize --sync " + id + " " + std::to_string(WW) + " " + std::to_string(WH) +
      " 2>/dev/null");
  settle();

  // Scaled by 4 to fill the width; the bars share the rest of the height.
  constexpr int32_t SCALE = WW / W, TOP = (WH - H * SCALE) / 2;
  auto at = [&](const std::vector<uint32_t>& got, int32_t lx, int32_t ly) {
    return got[static_cast<size_t>(TOP + ly * SCALE + SCALE / 2) * WW + lx * SCALE + SCALE / 2];
  };
  auto grab = [&](int32_t lx, int32_t ly, uint32_t until) {
    std::vector<uint32_t> got;
    for (int i = 0; i < 20 && (got.empty() || at(got, lx, ly) != until); ++i, DELAY(50))
      got = shown(id, WW, WH);
    return got;
  };
  std::vector<uint32_t> got = grab(16, 8, 0xFF0000u);
  ASSERT_FALSE(got.empty());
  EXPECT_EQ(at(got, 16, 8), 0xFF0000u);
  EXPECT_EQ(at(got, 48, 8), 0x0000FFu);
  EXPECT_EQ(got[static_cast<size_t>(TOP / 2) * WW + WW / 2], 0u) << "the bar above is black";
  EXPECT_EQ(got[static_cast<size_t>(WH - 1 - TOP / 2) * WW + WW / 2], 0u) << "and below";

  // The pointer in screen pixels, not the window's: a warp lands inside the
  // scaled pixel, and a move by the window system at window pixel (200, 100)
  // is screen pixel (50, 9); move events and GETMOUSE agree.
  int32_t mx, my, wheel, buttons, clip;
  settle();
  SETMOUSE(10, 3, -1, -1);
  EVENT e;
  ASSERT_TRUE(lastmove(e));
  EXPECT_EQ(e.X, 10);
  EXPECT_EQ(e.Y, 3);
  GETMOUSE(&mx, &my, &wheel, &buttons, &clip);
  EXPECT_EQ(mx, 10);
  EXPECT_EQ(my, 3);
  run("xdotool mousemove --window " + id + " 200 100 2>/dev/null");
  ASSERT_TRUE(lastmove(e));
  EXPECT_EQ(e.X, 50);
  EXPECT_EQ(e.Y, 9);
  GETMOUSE(&mx, &my, &wheel, &buttons, &clip);
  EXPECT_EQ(mx, 50);
  EXPECT_EQ(my, 9);

  SCREENLOCK();
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < W; ++x) px[y * W + x] = 0xFF00FF00u;
  SCREENDIRTY(0, 3);
  SCREENUNLOCK();
  got = grab(16, 2, 0x00FF00u);
  ASSERT_FALSE(got.empty());
  EXPECT_EQ(at(got, 16, 2), 0x00FF00u) << "the changed rows";
  EXPECT_EQ(at(got, 48, 2), 0x00FF00u);
  EXPECT_EQ(at(got, 16, 10), 0xFF0000u) << "the rows below, unchanged";
  EXPECT_EQ(at(got, 48, 10), 0x0000FFu);
  EXPECT_EQ(got[static_cast<size_t>(TOP / 2) * WW + WW / 2], 0u) << "the bar stays black";

  // Back to its own size, with one row changed: every row shown exactly.
  run("xdotool windowsize --sync " + id + " " + std::to_string(W) + " " + std::to_string(H) +
      " 2>/dev/null");
  settle();
  SCREENLOCK();
  for (int32_t x = 0; x < W; ++x) px[15 * W + x] = 0xFFFFFFFFu;
  SCREENDIRTY(15, 15);
  SCREENUNLOCK();
  std::vector<uint32_t> want(px, px + W * H);
  EXPECT_EQ(mismatch(id, want, W, H), "") << "unscaled again";
  SCREENCLOSE();
}
