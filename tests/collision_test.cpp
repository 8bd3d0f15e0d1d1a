// Hit tests: the point under the cursor with and without a cursor bitmap,
// the edges of the rectangle, the alpha threshold, the transparent colour,
// and rectangle overlap.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "support/screen.hpp"
#include "zarvo/collision.hpp"
#include "zarvo/engine.hpp"

using namespace ZARVO;
using namespace ZARVO::ENGINE;
using GRAPHICS::BITMAP;
using MATH::RECT;
using MATH::RECTF;

namespace {

class HitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TESTS::OPENSCREEN(64, 48);
    MOUSECURSORBITMAP = nullptr;
    MOUSECURSORHOTSPOT = {0, 0};
  }
  void TearDown() override { MOUSECURSORBITMAP = nullptr; }

  bool over(const BITMAP& obj, const RECT& r, int32_t px, int32_t py,
            TESTTYPE mode = TESTTYPE::ALPHAVALUE, uint32_t value = 30) {
    MOUSECURSORPOSITION = {px, py};
    return MOUSEOVEROBJECT(obj, r, mode, value) != FALSE;
  }
};

}  // namespace

TEST_F(HitTest, CursorHotSpot) {
  BITMAP obj(4, 4, 0x00000000u);
  obj.PIXEL({1, 1}, 0xFF000000u);  // the only opaque pixel
  const RECT r{104, 104, 4, 4};
  BITMAP cursor(2, 2, 0xFFFFFFFFu);
  MOUSECURSORBITMAP = &cursor;
  MOUSECURSORHOTSPOT = {5, 5};
  EXPECT_TRUE(over(obj, r, 100, 100)) << "tests (105, 105)";
  EXPECT_FALSE(over(obj, r, 105, 105));
  MOUSECURSORBITMAP = nullptr;  // without a cursor bitmap the hot spot is not added
  EXPECT_TRUE(over(obj, r, 105, 105));
  EXPECT_FALSE(over(obj, r, 100, 100));
}

TEST_F(HitTest, EdgesOfTheRectangle) {
  BITMAP obj(4, 3, 0xFFFFFFFFu);
  const RECT r{10, 20, 4, 3};
  EXPECT_TRUE(over(obj, r, 10, 20)) << "left and top edges are inside";
  EXPECT_TRUE(over(obj, r, 13, 22)) << "last pixel";
  EXPECT_FALSE(over(obj, r, 9, 21));
  EXPECT_FALSE(over(obj, r, 11, 19));
  // x = X + W and y = Y + H are inside the rectangle but one past the last
  // pixel: nothing is drawn there, in either mode.
  for (TESTTYPE m : {TESTTYPE::ALPHAVALUE, TESTTYPE::TRANSCOLOR}) {
    const uint32_t v = m == TESTTYPE::ALPHAVALUE ? 0 : 0x12345678u;
    EXPECT_FALSE(over(obj, r, 14, 21, m, v));
    EXPECT_FALSE(over(obj, r, 12, 23, m, v));
    EXPECT_FALSE(over(obj, r, 14, 23, m, v));
  }
  EXPECT_FALSE(over(obj, r, 15, 21));
  // A rectangle larger than the bitmap hits only where pixels are.
  EXPECT_TRUE(over(obj, RECT{10, 20, 50, 50}, 13, 22));
  EXPECT_FALSE(over(obj, RECT{10, 20, 50, 50}, 30, 30, TESTTYPE::TRANSCOLOR, 1));
  BITMAP empty;
  EXPECT_FALSE(over(empty, RECT{0, 0, 10, 10}, 0, 0, TESTTYPE::TRANSCOLOR, 1));
  // Far-off positions and hot spots must not wrap around into the rectangle.
  BITMAP cursor(1, 1);
  MOUSECURSORBITMAP = &cursor;
  MOUSECURSORHOTSPOT = {std::numeric_limits<int32_t>::max(), 0};
  EXPECT_FALSE(over(obj, RECT{std::numeric_limits<int32_t>::min(), 0, 4, 3},
                    std::numeric_limits<int32_t>::max(), 1));
  EXPECT_FALSE(over(obj, RECT{std::numeric_limits<int32_t>::max() - 1, 0, 4, 3}, 10, 1));
}

TEST_F(HitTest, AlphaThresholdAndScaledButton) {
  BITMAP obj(3, 1, 0);
  obj.PIXEL({0, 0}, 0x1E123456u);  // alpha 30
  obj.PIXEL({1, 0}, 0x1F123456u);  // alpha 31
  obj.PIXEL({2, 0}, 0xFF123456u);
  const RECT r{0, 0, 3, 1};
  EXPECT_FALSE(over(obj, r, 0, 0));
  EXPECT_TRUE(over(obj, r, 1, 0));
  EXPECT_FALSE(over(obj, r, 2, 0, TESTTYPE::ALPHAVALUE, 255));
  EXPECT_FALSE(over(obj, r, 2, 0, TESTTYPE::ALPHAVALUE, 0xFFFFFFFFu)) << "unsigned comparison";

  // A button at opacity 200: its alpha bytes are scaled by 200/255 from the
  // preserved ones, so 40 reads 31 (hit) and 38 reads 30 (no hit).
  BITMAP button(3, 1, 0xFF808080u);
  button.PIXEL({0, 0}, 0x28808080u);
  button.PIXEL({1, 0}, 0x26808080u);
  button.PRESERVEALPHACHANNEL();
  button.ALPHA(200);
  EXPECT_EQ(button.PIXELALPHA({0, 0}), 31);
  EXPECT_TRUE(over(button, r, 0, 0));
  EXPECT_FALSE(over(button, r, 1, 0));
  EXPECT_TRUE(over(button, r, 2, 0));
  button.ALPHA(255);
  EXPECT_TRUE(over(button, r, 1, 0)) << "hovered: back to 38";
}

TEST_F(HitTest, TransparentColour) {
  BITMAP obj(4, 1, 0);
  obj.PIXEL({0, 0}, 0x00FF00FFu);
  obj.PIXEL({1, 0}, 0x01FF00FFu);
  obj.PIXEL({2, 0}, 0xFFFF00FFu);
  obj.PIXEL({3, 0}, 0x00FF00FEu);
  const RECT r{0, 0, 4, 1};
  const uint32_t key = 0x00FF00FFu;
  EXPECT_FALSE(over(obj, r, 0, 0, TESTTYPE::TRANSCOLOR, key));
  EXPECT_TRUE(over(obj, r, 1, 0, TESTTYPE::TRANSCOLOR, key));
  EXPECT_TRUE(over(obj, r, 2, 0, TESTTYPE::TRANSCOLOR, key));
  EXPECT_TRUE(over(obj, r, 3, 0, TESTTYPE::TRANSCOLOR, key));
  // Any mode other than ALPHAVALUE compares whole pixels.
  EXPECT_FALSE(over(obj, r, 0, 0, static_cast<TESTTYPE>(7), key));
  EXPECT_TRUE(over(obj, r, 1, 0, static_cast<TESTTYPE>(-1), key));
}

TEST(Collides, Rectangles) {
  EXPECT_FALSE(COLLIDES(RECT{0, 0, 10, 10}, RECT{500, 500, 10, 10})) << "far apart";
  EXPECT_TRUE(COLLIDES(RECT{0, 0, 10, 10}, RECT{5, 5, 10, 10}));
  EXPECT_TRUE(COLLIDES(RECT{5, 5, 10, 10}, RECT{0, 0, 10, 10}));
  EXPECT_TRUE(COLLIDES(RECT{0, 0, 10, 10}, RECT{2, 2, 1, 1})) << "one inside the other";
  EXPECT_TRUE(COLLIDES(RECT{0, 0, 10, 10}, RECT{10, 0, 5, 5})) << "touching far edges share points";
  EXPECT_TRUE(COLLIDES(RECT{0, 0, 0, 0}, RECT{0, 0, 0, 0})) << "a point";
  EXPECT_FALSE(COLLIDES(RECT{0, 0, 10, 10}, RECT{11, 0, 5, 5}));
  EXPECT_FALSE(COLLIDES(RECT{0, 0, 10, 10}, RECT{0, 11, 5, 5}));
  EXPECT_FALSE(COLLIDES(RECT{0, 0, 10, 10}, RECT{-6, 0, 5, 5}));
  EXPECT_FALSE(COLLIDES(RECT{0, 0, -3, 10}, RECT{-2, 0, 5, 5})) << "negative width: empty";
  const int32_t big = std::numeric_limits<int32_t>::max();
  EXPECT_FALSE(COLLIDES(RECT{big, 0, big, 5}, RECT{-big, 0, 5, 5})) << "no wrap-around";
  EXPECT_TRUE(COLLIDES(RECT{big - 1, 0, big, 5}, RECT{big, 0, 5, 5}));

  EXPECT_FALSE(COLLIDES(RECTF{0, 0, 1, 1}, RECTF{1.5, 0, 1, 1}));
  EXPECT_TRUE(COLLIDES(RECTF{0, 0, 1, 1}, RECTF{1.0, 0.5, 1, 1}));
  EXPECT_TRUE(COLLIDES(RECTF{0.25, 0.25, 0.5, 0.5}, RECTF{0, 0, 1, 1}));
  EXPECT_FALSE(COLLIDES(RECTF{0, 0, 1, 1}, RECTF{0.5, std::nan(""), 1, 1}));
  EXPECT_FALSE(COLLIDES(RECTF{0, 0, -1, 1}, RECTF{-0.5, 0, 1, 1}));
}
