// DRAWTO with raster operations 8 to 37 equals the blend function applied to
// every pixel pair it covers, one call per pixel in row order.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "zarvo/graphics/bitmap.hpp"
#include "zarvo/graphics/blender.hpp"
#include "zarvo/runtime/headless/headless.hpp"
#include "zarvo/runtime/runtime.hpp"

using namespace ZARVO;
using namespace ZARVO::GRAPHICS;

namespace {

struct BlendDrawTo : ::testing::Test {
  void SetUp() override {
    HEADLESS::USE();
    ASSERT_TRUE(RUNTIME::SCREENMODE(64, 64, 32, 1, 0, 0));
  }
};

BITMAP randombitmap(int32_t w, int32_t h, uint32_t seed) {
  BITMAP b(w, h);
  std::mt19937 rng(seed);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) b.PIXEL(MATH::POINT{x, y}, rng());
  return b;
}

std::vector<uint32_t> pixels(const BITMAP& b) {
  std::vector<uint32_t> v;
  for (int32_t y = 0; y < int32_t(b.HEIGHT()); ++y)
    for (int32_t x = 0; x < int32_t(b.WIDTH()); ++x) v.push_back(b.PIXEL(MATH::POINT{x, y}));
  return v;
}

// Per-pixel reference: the source rectangle (sx, sy, w, h), already inside the
// source, placed at (dx, dy) and clipped to the destination.
std::vector<uint32_t> reference(const BITMAP& src, const BITMAP& dst, int mode, int32_t dx,
                                int32_t dy, int32_t sx, int32_t sy, int32_t w, int32_t h) {
  std::vector<uint32_t> out = pixels(dst);
  int32_t bpp = 4;
  const int32_t dw = int32_t(dst.WIDTH()), dh = int32_t(dst.HEIGHT());
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      const int32_t tx = dx + x, ty = dy + y;
      if (tx < 0 || ty < 0 || tx >= dw || ty >= dh) continue;
      uint32_t& d = out[size_t(ty) * dw + tx];
      d = BLENDER::FUNCTION(mode)(src.PIXEL(MATH::POINT{sx + x, sy + y}), d, &bpp);
    }
  return out;
}

}  // namespace

// The whole bitmap (W and H 0), and a part of it clipped at the top left.
TEST_F(BlendDrawTo, EqualsPerPixelResultsInEveryMode) {
  const BITMAP src = randombitmap(77, 43, 1);
  const BITMAP dst0 = randombitmap(90, 30, 2);
  for (int mode = 8; mode <= 37; ++mode) {
    BITMAP whole(dst0), part(dst0);
    src.DRAWTO(whole, 5, 3, 0, 0, 0, 0, RASTEROP(mode));
    EXPECT_EQ(pixels(whole), reference(src, dst0, mode, 5, 3, 0, 0, 77, 43)) << mode;
    src.DRAWTO(part, -7, -4, 3, 2, 66, 30, RASTEROP(mode));
    EXPECT_EQ(pixels(part), reference(src, dst0, mode, -7, -4, 3, 2, 66, 30)) << mode;
  }
}

// A bitmap drawn onto itself, shifted, reads pixels it has just written.
TEST_F(BlendDrawTo, DrawingOntoItselfFollowsPixelOrder) {
  for (int mode = 9; mode <= 37; mode += 4) {
    BITMAP b = randombitmap(40, 10, 5);
    const BITMAP before(b);
    b.DRAWTO(b, 1, 0, 0, 0, 0, 0, RASTEROP(mode));
    std::vector<uint32_t> want = pixels(before);
    int32_t bpp = 4;
    for (int32_t y = 0; y < 10; ++y)
      for (int32_t x = 1; x < 40; ++x)
        want[size_t(y) * 40 + x] = BLENDER::FUNCTION(mode)(want[size_t(y) * 40 + x - 1],
                                                           want[size_t(y) * 40 + x], &bpp);
    EXPECT_EQ(pixels(b), want) << mode;
  }
}

// A rectangle narrower and shorter than the target changes only itself, in
// every mode: short rows, rows through the vector body and its tail, rows long
// enough for INTERPOLATION's table, and the pixel-order path of a bitmap drawn
// onto itself.
TEST_F(BlendDrawTo, NarrowRectanglesTouchNothingOutside) {
  int32_t bpp = 4;
  for (int mode = 8; mode <= 37; ++mode) {
    for (int32_t w : {1, 9, 63, 70}) {
      const BITMAP src = randombitmap(80, 12, uint32_t(mode * 100 + w));
      const BITMAP dst0 = randombitmap(w + 6, 9, uint32_t(mode * 100 + w + 1));
      BITMAP dst(dst0);
      src.DRAWTO(dst, 4, 2, 2, 1, w, 5, RASTEROP(mode));
      EXPECT_EQ(pixels(dst), reference(src, dst0, mode, 4, 2, 2, 1, w, 5)) << mode << " " << w;
      BITMAP self(dst0);
      self.DRAWTO(self, 3, 2, 1, 1, w, 5, RASTEROP(mode));
      std::vector<uint32_t> want = pixels(dst0);
      const size_t stride = size_t(w) + 6;
      for (int32_t y = 0; y < 5; ++y)
        for (int32_t x = 0; x < w; ++x) {
          uint32_t& d = want[size_t(2 + y) * stride + size_t(3 + x)];
          d = BLENDER::FUNCTION(mode)(want[size_t(1 + y) * stride + size_t(1 + x)], d, &bpp);
        }
      EXPECT_EQ(pixels(self), want) << mode << " " << w << " onto itself";
    }
  }
}
