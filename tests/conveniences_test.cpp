// The short forms a game reaches for first: DRAWTO of a whole sprite, the
// window's size for paint handlers, and the window title.
#include <gtest/gtest.h>

#include <string>

#include "support/screen.hpp"
#include "zarvo/engine.hpp"
#include "zarvo/graphics/bitmap.hpp"

using namespace ZARVO;
using GRAPHICS::BITMAP;
using GRAPHICS::RASTEROP;

TEST(Conveniences, ShortDrawToEqualsTheWholeBitmapLongForm) {
  TESTS::OPENSCREEN(32, 24);
  BITMAP sprite(7, 5, 0x80FF0000u);
  sprite.PIXEL({1, 1}, 0x00FF00FFu);
  sprite.PIXEL({6, 4}, 0xFF00FF00u);
  for (RASTEROP op : {RASTEROP::GXPSET, RASTEROP::GXALPHA, RASTEROP::GXTRANS, RASTEROP::GXADD,
                      RASTEROP::GXMULTIPLY}) {
    BITMAP shortform(16, 12, 0xFF203040u), longform(16, 12, 0xFF203040u);
    sprite.DRAWTO(shortform, 12, -2, op);  // clipped on two sides
    sprite.DRAWTO(longform, 12, -2, 0, 0, 0, 0, op, nullptr, nullptr);
    for (int32_t y = 0; y < 12; ++y)
      for (int32_t x = 0; x < 16; ++x)
        ASSERT_EQ(shortform.PIXEL({x, y}), longform.PIXEL({x, y}))
            << static_cast<int>(op) << " at " << x << "," << y;
  }
  // An empty target is the screen, as in the long form; GXCUSTOM has no function and draws nothing.
  BITMAP screen;
  sprite.DRAWTO(screen, 0, 0, RASTEROP::GXPSET);
  sprite.DRAWTO(nullptr, 8, 0, RASTEROP::GXCUSTOM);
  const uint32_t* row = RUNTIME::SCREENPTR();
  EXPECT_EQ(row[0], 0x80FF0000u);
  EXPECT_EQ(row[8], 0xFF000000u);
}

TEST(Conveniences, ScreenSizeAndWindowTitle) {
  HEADLESS::USE();
  EXPECT_EQ(ENGINE::SCREENWIDTH(), 0) << "no window yet";
  ENGINE::WINDOWTITLE("before the window");
  ASSERT_EQ(ENGINE::INITIALIZE(320, 200), TRUE);
  EXPECT_EQ(ENGINE::SCREENWIDTH(), 320);
  EXPECT_EQ(ENGINE::SCREENHEIGHT(), 200);
  EXPECT_EQ(std::string(HEADLESS::TITLE()), "before the window");
  ENGINE::WINDOWTITLE("Level 2");
  EXPECT_EQ(std::string(HEADLESS::TITLE()), "Level 2");
  EXPECT_EQ(std::string(ENGINE::WINDOWTITLE()), "Level 2");
  ENGINE::WINDOWTITLE(nullptr);
  EXPECT_EQ(std::string(ENGINE::WINDOWTITLE()), "");
}
