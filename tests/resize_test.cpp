// RESIZE: nearest-neighbour scaling up, down, to the same size and by uneven
// factors; the methods that draw nothing; tiling; bilinear sampling; what
// happens to the alpha copy, the opacity and empty or failed resizes.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "support/screen.hpp"
#include "zarvo/graphics/bitmap.hpp"

using namespace ZARVO;
using namespace ZARVO::GRAPHICS;

namespace {

constexpr uint32_t FILL = 0x00FF00FFu;

class Resize : public ::testing::Test {
 protected:
  void SetUp() override { TESTS::OPENSCREEN(64, 48); }
};

BITMAP picture(int32_t w, int32_t h, uint32_t seed) {
  BITMAP b(w, h, 0);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) b.PIXEL({x, y}, TESTS::NOISE(seed));
  return b;
}

std::vector<uint32_t> pixels(const BITMAP& b) {
  std::vector<uint32_t> v;
  for (int32_t y = 0; y < int32_t(b.HEIGHT()); ++y)
    for (int32_t x = 0; x < int32_t(b.WIDTH()); ++x) v.push_back(b.PIXEL({x, y}));
  return v;
}

uint8_t gray(uint32_t p) { return uint8_t(p); }

}  // namespace

TEST_F(Resize, WorkedScalings) {
  BITMAP b(2, 2, 0);
  b.PIXEL({0, 0}, 1);
  b.PIXEL({1, 0}, 2);
  b.PIXEL({0, 1}, 3);
  b.PIXEL({1, 1}, 4);
  b.RESIZE(4, 4, RESIZEMETHOD::GXSCALE);
  EXPECT_EQ(pixels(b), (std::vector<uint32_t>{1, 1, 2, 2, 1, 1, 2, 2, 3, 3, 4, 4, 3, 3, 4, 4}));
  EXPECT_EQ(b.WIDTH(), 4u);
  EXPECT_EQ(b.PITCH(), 16u);

  BITMAP c(4, 4, 0);
  for (int32_t i = 0; i < 16; ++i) c.PIXEL({i % 4, i / 4}, uint32_t(i));
  c.RESIZE(2, 2, RESIZEMETHOD::GXSCALE);
  EXPECT_EQ(pixels(c), (std::vector<uint32_t>{0, 2, 8, 10}));

  BITMAP d = picture(7, 5, 3);
  const auto before = pixels(d);
  d.RESIZE(7, 5);
  EXPECT_EQ(pixels(d), before) << "same size reproduces the image";

  // 3 columns onto 7: floor(x * 3 / 7) picks 0 0 0 1 1 2 2; 5 rows onto 2: 0 and 2.
  BITMAP e(3, 5, 0);
  for (int32_t y = 0; y < 5; ++y)
    for (int32_t x = 0; x < 3; ++x) e.PIXEL({x, y}, uint32_t(10 * y + x));
  e.RESIZE(7, 2, RESIZEMETHOD::GXSCALE | RESIZEMETHOD::GXREPEATX);  // other bits ignored
  EXPECT_EQ(pixels(e), (std::vector<uint32_t>{0, 0, 0, 1, 1, 2, 2, 20, 20, 20, 21, 21, 22, 22}));
}

// Uneven factors both ways, against the per-pixel rule on random pictures.
TEST_F(Resize, NearestAgainstRule) {
  const int32_t sizes[][4] = {{7, 5, 10, 3}, {5, 9, 13, 17}, {64, 48, 23, 47}, {3, 3, 1, 1},
                              {1, 1, 9, 4},  {33, 2, 32, 5}, {10, 10, 25, 40}};
  for (auto& s : sizes) {
    BITMAP b = picture(s[0], s[1], uint32_t(s[2] * 7 + s[3]));
    BITMAP old(b);
    b.RESIZE(s[2], s[3], RESIZEMETHOD::GXSCALE);
    ASSERT_EQ(b.WIDTH(), uint32_t(s[2]));
    ASSERT_EQ(b.HEIGHT(), uint32_t(s[3]));
    const double fx = double(s[0]) / s[2], fy = double(s[1]) / s[3];
    for (int32_t y = 0; y < s[3]; ++y)
      for (int32_t x = 0; x < s[2]; ++x) {
        int32_t sx = int32_t(std::floor(x * fx)), sy = int32_t(std::floor(y * fy));
        ASSERT_EQ(b.PIXEL({x, y}), old.PIXEL({sx, sy})) << s[0] << "x" << s[1] << " at " << x
                                                        << "," << y;
      }
  }
}

TEST_F(Resize, MethodsThatDrawNothing) {
  const int32_t blank[] = {0, 4, 64, 256, 2 | 64, 32 | 4, 1, 8};
  for (int32_t m : blank) {
    BITMAP b = picture(4, 3, 1);
    b.RESIZE(5, 6, static_cast<RESIZEMETHOD>(m));
    ASSERT_EQ(b.WIDTH(), 5u);
    ASSERT_EQ(b.HEIGHT(), 6u);
    for (uint32_t p : pixels(b)) ASSERT_EQ(p, FILL) << "method " << m;
  }
}

TEST_F(Resize, AlphaCopyOpacityAndFailures) {
  BITMAP b = picture(4, 4, 2);
  b.PRESERVEALPHACHANNEL();
  b.ALPHA(100);
  b.RESIZE(8, 2);
  EXPECT_EQ(b.IALPHACHANNEL, nullptr);
  EXPECT_EQ(b.ALPHA(), 100);

  b.RESIZE(0, 5);
  EXPECT_EQ(b.HANDLE(), nullptr) << "no image of width 0";
  b.RESIZE(5, 5);
  EXPECT_EQ(b.HANDLE(), nullptr) << "an empty bitmap stays empty";

  BITMAP bytes(3, 2, 0, 8);
  RUNTIME::PIXELS(bytes.HANDLE())[2] = 9;
  RUNTIME::PIXELS(bytes.HANDLE())[16 + 1] = 7;
  bytes.RESIZE(6, 4, RESIZEMETHOD::GXSCALEBILINEAR);  // nearest for 1-byte pixels
  ASSERT_EQ(bytes.BPP(), 1);
  EXPECT_EQ(RUNTIME::PIXELS(bytes.HANDLE())[5], 9);
  EXPECT_EQ(RUNTIME::PIXELS(bytes.HANDLE())[3 * 16 + 3], 7);
  EXPECT_EQ(RUNTIME::PIXELS(bytes.HANDLE())[3 * 16 + 4], 0);
}

TEST(ResizeNoScreen, LeavesEmpty) {
  BITMAP b;
  b.RESIZE(4, 4);
  EXPECT_EQ(b.HANDLE(), nullptr);
}

TEST_F(Resize, Tiling) {
  BITMAP src = picture(2, 3, 5);
  BITMAP b(src);
  b.RESIZE(5, 7, RESIZEMETHOD::GXREPEAT);
  for (int32_t y = 0; y < 7; ++y)
    for (int32_t x = 0; x < 5; ++x) ASSERT_EQ(b.PIXEL({x, y}), src.PIXEL({x % 2, y % 3}));

  BITMAP across(src);
  across.RESIZE(5, 4, RESIZEMETHOD::GXREPEATX);
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 5; ++x)
      ASSERT_EQ(across.PIXEL({x, y}), y < 3 ? src.PIXEL({x % 2, y}) : FILL);

  BITMAP down(src);
  down.RESIZE(3, 8, RESIZEMETHOD::GXREPEATY | RESIZEMETHOD::GXBILINEAR);
  for (int32_t y = 0; y < 8; ++y)
    for (int32_t x = 0; x < 3; ++x)
      ASSERT_EQ(down.PIXEL({x, y}), x < 2 ? src.PIXEL({x, y % 3}) : FILL);

  BITMAP smaller = picture(6, 6, 8);
  BITMAP old(smaller);
  smaller.RESIZE(4, 2, RESIZEMETHOD::GXREPEAT);
  for (int32_t y = 0; y < 2; ++y)
    for (int32_t x = 0; x < 4; ++x) ASSERT_EQ(smaller.PIXEL({x, y}), old.PIXEL({x, y}));
}

TEST_F(Resize, Bilinear) {
  // Grey 0 and 255 over four pixels: centres fall at -0.25, 0.25, 0.75, 1.25.
  BITMAP b(2, 1, 0xFF000000u);
  b.PIXEL({1, 0}, 0xFFFFFFFFu);
  b.RESIZE(4, 1, RESIZEMETHOD::GXSCALEBILINEAR);
  EXPECT_EQ(b.PIXEL({0, 0}), 0xFF000000u);
  EXPECT_EQ(b.PIXEL({1, 0}), 0xFF404040u);  // 63.75 rounds to 64
  EXPECT_EQ(b.PIXEL({2, 0}), 0xFFBFBFBFu);  // 191.25 rounds to 191
  EXPECT_EQ(b.PIXEL({3, 0}), 0xFFFFFFFFu);

  // Halving averages each 2 x 2 block (sample at the shared corner).
  BITMAP c(4, 2, 0);
  const uint8_t v[8] = {0, 10, 100, 101, 20, 30, 0, 0};
  for (int32_t i = 0; i < 8; ++i) c.PIXEL({i % 4, i / 4}, 0x01010101u * v[i]);
  c.RESIZE(2, 1, RESIZEMETHOD::GXSCALEBILINEAR);
  EXPECT_EQ(gray(c.PIXEL({0, 0})), 15);  // (0 + 10 + 20 + 30) / 4
  EXPECT_EQ(gray(c.PIXEL({1, 0})), 50);  // 201 / 4 = 50.25
  EXPECT_EQ(c.PIXEL({1, 0}) >> 24, 50u) << "alpha is weighted like the colours";

  // Same size, and a flat picture at any size, come out unchanged.
  BITMAP d = picture(5, 4, 9);
  const auto before = pixels(d);
  d.RESIZE(5, 4, RESIZEMETHOD::GXSCALEBILINEAR);
  EXPECT_EQ(pixels(d), before);
  BITMAP flat(3, 3, 0x80336699u);
  flat.RESIZE(7, 11, RESIZEMETHOD::GXSCALEBILINEAR);
  for (uint32_t p : pixels(flat)) ASSERT_EQ(p, 0x80336699u);

  // Mask-colour pixels lend no colour: red next to the mask stays pure red,
  // and where only the mask is in reach the mask pixel itself is copied.
  BITMAP keyed(2, 1, 0xFFFF0000u);
  keyed.PIXEL({1, 0}, 0xFFFF00FFu);
  keyed.RESIZE(4, 1, RESIZEMETHOD::GXSCALEBILINEAR);
  EXPECT_EQ(pixels(keyed), (std::vector<uint32_t>{0xFFFF0000u, 0xFFFF0000u, 0xFFFF0000u,
                                                  0xFFFF00FFu}));
  // Three colours and a mask pixel around one centre: the three share it.
  BITMAP square(2, 2, 0xFF000000u);
  square.PIXEL({1, 0}, 0xFF5A5A5Au);  // 90
  square.PIXEL({0, 1}, 0xFFB4B4B4u);  // 180
  square.PIXEL({1, 1}, 0x12FF00FFu);
  square.RESIZE(1, 1, RESIZEMETHOD::GXSCALEBILINEAR);
  EXPECT_EQ(square.PIXEL({0, 0}), 0xFF5A5A5Au);  // (0 + 90 + 180) / 3
}
