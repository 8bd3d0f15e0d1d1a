// RESIZE: nearest-neighbour scaling up, down, to the same size and by uneven
// factors; the methods that draw nothing; tiling; bilinear sampling, worked
// and against the rule at every kernel level; the alpha copy, the opacity,
// and empty or failed resizes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "support/memory.hpp"
#include "support/screen.hpp"
#include "zarvo/graphics/bitmap.hpp"
#include "zarvo/runtime/simd.hpp"

using namespace ZARVO;
using namespace ZARVO::GRAPHICS;
using V = std::vector<uint32_t>;

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

BITMAP listed(int32_t w, const V& v) {
  BITMAP b(w, int32_t(v.size()) / w, 0);
  for (size_t i = 0; i < v.size(); ++i) b.PIXEL({int32_t(i) % w, int32_t(i) / w}, v[i]);
  return b;
}

V pixels(const BITMAP& b) {
  V v;
  for (int32_t y = 0; y < int32_t(b.HEIGHT()); ++y)
    for (int32_t x = 0; x < int32_t(b.WIDTH()); ++x) v.push_back(b.PIXEL({x, y}));
  return v;
}

}  // namespace

TEST_F(Resize, WorkedScalings) {
  BITMAP b = listed(2, {1, 2, 3, 4});
  b.RESIZE(4, 4, RESIZEMETHOD::GXSCALE);
  EXPECT_EQ(pixels(b), (V{1, 1, 2, 2, 1, 1, 2, 2, 3, 3, 4, 4, 3, 3, 4, 4}));
  EXPECT_EQ(b.PITCH(), 16u);

  BITMAP c = listed(4, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15});
  c.RESIZE(2, 2, RESIZEMETHOD::GXSCALE);
  EXPECT_EQ(pixels(c), (V{0, 2, 8, 10}));

  // 3 columns onto 7 pick floor(x * 3 / 7) = 0 0 0 1 1 2 2; 5 rows onto 2
  // pick 0 and 2. Bits beside the two scale bits are ignored.
  BITMAP e = listed(3, {0, 1, 2, 10, 11, 12, 20, 21, 22, 30, 31, 32, 40, 41, 42});
  e.RESIZE(7, 2, RESIZEMETHOD::GXSCALE | RESIZEMETHOD::GXREPEATX);
  EXPECT_EQ(pixels(e), (V{0, 0, 0, 1, 1, 2, 2, 20, 20, 20, 21, 21, 22, 22}));
}

// Same size and uneven factors both ways, against the per-pixel rule.
TEST_F(Resize, NearestAgainstRule) {
  const int32_t sizes[][4] = {{7, 5, 7, 5}, {7, 5, 10, 3}, {5, 9, 13, 17}, {64, 48, 23, 47},
                              {1, 1, 9, 4}, {3, 3, 1, 1},  {33, 2, 32, 5}, {10, 10, 25, 40}};
  for (auto& s : sizes) {
    BITMAP b = picture(s[0], s[1], uint32_t(s[2] * 7 + s[3])), old(b);
    b.RESIZE(s[2], s[3]);
    ASSERT_EQ(b.WIDTH(), uint32_t(s[2]));
    ASSERT_EQ(b.HEIGHT(), uint32_t(s[3]));
    for (int32_t y = 0; y < s[3]; ++y)
      for (int32_t x = 0; x < s[2]; ++x)
        ASSERT_EQ(b.PIXEL({x, y}), old.PIXEL({int32_t(std::floor(x * (double(s[0]) / s[2]))),
                                              int32_t(std::floor(y * (double(s[1]) / s[3])))}))
            << s[0] << "x" << s[1] << " to " << s[2] << "x" << s[3] << " at " << x << "," << y;
  }
}

TEST_F(Resize, MethodsThatDrawNothing) {
  // Nothing, one scale bit, one scale bit with a repeat bit, stray bits.
  for (int32_t m : {0, 4, 64, 256, 2 | 64, 32 | 4, 1, 8}) {
    BITMAP b = picture(4, 3, 1);
    b.RESIZE(5, 6, static_cast<RESIZEMETHOD>(m));
    ASSERT_EQ(pixels(b), V(30, FILL)) << "method " << m;
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

  // 1-byte pixels are sampled as bytes (bilinear falls back to nearest).
  BITMAP bytes(3, 2, 0, 8);
  uint8_t* px = RUNTIME::PIXELS(bytes.HANDLE());
  px[2] = 9;
  px[16 + 1] = 7;
  bytes.RESIZE(6, 4, RESIZEMETHOD::GXSCALEBILINEAR);
  px = RUNTIME::PIXELS(bytes.HANDLE());
  ASSERT_EQ(bytes.BPP(), 1);
  EXPECT_EQ((V{px[5], px[3 * 16 + 3], px[3 * 16 + 4]}), (V{9, 7, 0}));
}

TEST(ResizeNoScreen, LeavesEmpty) {
  BITMAP b;
  b.RESIZE(4, 4);
  EXPECT_EQ(b.HANDLE(), nullptr);
}

TEST_F(Resize, Tiling) {
  const BITMAP src = picture(2, 3, 5);
  BITMAP both(src), across(src), down(src), smaller = picture(6, 6, 8), old(smaller);
  both.RESIZE(5, 7, RESIZEMETHOD::GXREPEAT);
  across.RESIZE(5, 4, RESIZEMETHOD::GXREPEATX);
  down.RESIZE(3, 8, RESIZEMETHOD::GXREPEATY | RESIZEMETHOD::GXBILINEAR);
  smaller.RESIZE(4, 2, RESIZEMETHOD::GXREPEAT);
  for (int32_t y = 0; y < 8; ++y)
    for (int32_t x = 0; x < 5; ++x) {
      // PIXEL reads 0 outside a bitmap, so each check is limited to its size.
      EXPECT_EQ(both.PIXEL({x, y}), y < 7 ? src.PIXEL({x % 2, y % 3}) : 0);
      EXPECT_EQ(across.PIXEL({x, y}), y < 3 ? src.PIXEL({x % 2, y}) : y < 4 ? FILL : 0);
      EXPECT_EQ(down.PIXEL({x, y}), x < 2 ? src.PIXEL({x, y % 3}) : x < 3 ? FILL : 0);
      EXPECT_EQ(smaller.PIXEL({x, y}), x < 4 && y < 2 ? old.PIXEL({x, y}) : 0);
    }
}

TEST_F(Resize, Bilinear) {
  // Grey 0 and 255 onto four pixels: centres at -0.25, 0.25, 0.75, 1.25;
  // 63.75 rounds to 64 and 191.25 to 191.
  BITMAP b = listed(2, {0xFF000000u, 0xFFFFFFFFu});
  b.RESIZE(4, 1, RESIZEMETHOD::GXSCALEBILINEAR);
  EXPECT_EQ(pixels(b), (V{0xFF000000u, 0xFF404040u, 0xFFBFBFBFu, 0xFFFFFFFFu}));

  // Halving samples each 2 x 2 block at its centre; alpha is weighted too.
  BITMAP c = listed(4, {0, 10, 100, 101, 20, 30, 0, 0});
  for (int32_t i = 0; i < 8; ++i) c.PIXEL({i % 4, i / 4}, c.PIXEL({i % 4, i / 4}) * 0x01010101u);
  c.RESIZE(2, 1, RESIZEMETHOD::GXSCALEBILINEAR);
  EXPECT_EQ(pixels(c), (V{15 * 0x01010101u, 50 * 0x01010101u}));  // 60 / 4, 201 / 4

  // Same size, and a flat picture at any size, come out unchanged.
  BITMAP d = picture(5, 4, 9);
  const V before = pixels(d);
  d.RESIZE(5, 4, RESIZEMETHOD::GXSCALEBILINEAR);
  EXPECT_EQ(pixels(d), before);
  BITMAP flat(3, 3, 0x80336699u);
  flat.RESIZE(7, 11, RESIZEMETHOD::GXSCALEBILINEAR);
  EXPECT_EQ(pixels(flat), V(77, 0x80336699u));

  // Mask-colour pixels lend no colour: red beside the mask stays pure red,
  // and where only the mask is in reach the mask pixel itself is copied.
  BITMAP keyed = listed(2, {0xFFFF0000u, 0xFFFF00FFu});
  keyed.RESIZE(4, 1, RESIZEMETHOD::GXSCALEBILINEAR);
  EXPECT_EQ(pixels(keyed), (V{0xFFFF0000u, 0xFFFF0000u, 0xFFFF0000u, 0xFFFF00FFu}));
  // Three colours and a mask pixel around one centre: the three share it.
  BITMAP square = listed(2, {0xFF000000u, 0xFF5A5A5Au, 0xFFB4B4B4u, 0x12FF00FFu});
  square.RESIZE(1, 1, RESIZEMETHOD::GXSCALEBILINEAR);
  EXPECT_EQ(pixels(square), (V{0xFF5A5A5Au}));  // (0 + 90 + 180) / 3
}

namespace {

// The bilinear rule of resize.hpp, one pixel at a time.
struct AXIS {
  int64_t a, b, w;
};

AXIS axis(int64_t i, int64_t n, int64_t m) {
  // p = num / den; a = floor(p), w = round(256 (p - a)) with halves up.
  const int64_t num = (2 * i + 1) * n - m, den = 2 * m;
  if (num <= 0) return {0, 0, 0};
  int64_t a = num / den, w = (2 * 256 * (num % den) + den) / (2 * den);
  if (w == 256) ++a, w = 0;
  if (a + 1 >= n) return {n - 1, n - 1, 0};
  return {a, a + 1, w};
}

uint32_t bilinearrule(const BITMAP& old, int64_t x, int64_t y, int64_t w, int64_t h) {
  const int64_t ow = old.WIDTH(), oh = old.HEIGHT();
  const AXIS ax = axis(x, ow, w), ay = axis(y, oh, h);
  const int64_t xs[4] = {ax.a, ax.b, ax.a, ax.b}, ys[4] = {ay.a, ay.a, ay.b, ay.b};
  const int64_t weight[4] = {(256 - ax.w) * (256 - ay.w), ax.w * (256 - ay.w), (256 - ax.w) * ay.w,
                             ax.w * ay.w};
  uint32_t p[4];
  int64_t total = 0, wk[4];
  for (int k = 0; k < 4; ++k) {
    p[k] = old.PIXEL({int32_t(xs[k]), int32_t(ys[k])});
    wk[k] = (p[k] & 0xFFFFFFu) == 0xFF00FFu ? 0 : weight[k];
    total += wk[k];
  }
  if (total == 0) return p[(ax.w > 128) + 2 * (ay.w > 128)];
  uint32_t out = 0;
  for (int c = 0; c < 4; ++c) {
    int64_t v = 0;
    for (int k = 0; k < 4; ++k) v += wk[k] * ((p[k] >> (8 * c)) & 255);
    out |= uint32_t((v + total / 2) / total) << (8 * c);
  }
  return out;
}

// Colour-keyed blobs on noise: runs of mask pixels, some with their own alpha.
BITMAP sprite(int32_t w, int32_t h, uint32_t seed) {
  BITMAP b = picture(w, h, seed);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x)
      if ((x / 3 + y / 2 + int32_t(seed)) % 4 == 0) b.PIXEL({x, y}, ((x * 37u) << 24) | FILL);
  return b;
}

BITMAP unmasked(int32_t w, int32_t h, uint32_t seed) {
  BITMAP b = picture(w, h, seed);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x)
      if ((b.PIXEL({x, y}) & 0xFFFFFFu) == FILL) b.PIXEL({x, y}, 0xFF00FE00u);
  return b;
}

}  // namespace

// Random pictures with and without mask pixels, up and down, odd sizes,
// one-pixel edges, and widths whose weights fall exactly halfway (7 onto
// 1280), at every kernel level.
TEST_F(Resize, BilinearAgainstRule) {
  const int32_t sizes[][4] = {
      {7, 5, 14, 10},   {14, 10, 7, 5},   {5, 9, 13, 17},   {64, 48, 23, 47},
      {1, 1, 9, 4},     {3, 3, 1, 1},     {1, 6, 11, 3},    {9, 1, 4, 7},
      {2, 2, 37, 1},    {33, 2, 32, 5},   {10, 10, 25, 40}, {7, 3, 1280, 2},
      {40, 30, 80, 60}, {31, 17, 100, 9}, {100, 9, 31, 17}, {2, 7, 3, 7}};
  for (int l = RUNTIME::SIMDBEST(); l >= 0; --l) {
    RUNTIME::SIMDLEVEL(l);
    for (auto& s : sizes)
      for (int kind = 0; kind < 3; ++kind) {
        const uint32_t seed = uint32_t(s[0] * 131 + s[2] * 7 + s[3] + kind);
        const BITMAP old = kind == 0   ? unmasked(s[0], s[1], seed)
                           : kind == 1 ? picture(s[0], s[1], seed)
                                       : sprite(s[0], s[1], seed);
        BITMAP b(old);
        b.RESIZE(s[2], s[3], RESIZEMETHOD::GXSCALEBILINEAR);
        ASSERT_EQ(b.WIDTH(), uint32_t(s[2]));
        ASSERT_EQ(b.HEIGHT(), uint32_t(s[3]));
        for (int32_t y = 0; y < s[3]; ++y)
          for (int32_t x = 0; x < s[2]; ++x)
            ASSERT_EQ(b.PIXEL({x, y}), bilinearrule(old, x, y, s[2], s[3]))
                << RUNTIME::SIMDNAME(l) << " kind " << kind << ": " << s[0] << "x" << s[1] << " to "
                << s[2] << "x" << s[3] << " at " << x << "," << y;
      }
  }
  RUNTIME::SIMDLEVEL(-1);
}

TEST_F(Resize, BilinearNearestMaskAndHalfway) {
  // Only mask pixels in reach: the nearer one is copied, alpha and all (ties
  // go to the first), never the farther.
  BITMAP masks = listed(2, {0x11FF00FFu, 0x22FF00FFu});
  masks.RESIZE(5, 1, RESIZEMETHOD::GXSCALEBILINEAR);
  EXPECT_EQ(pixels(masks), (V{0x11FF00FFu, 0x11FF00FFu, 0x11FF00FFu, 0x22FF00FFu, 0x22FF00FFu}));

  // Three colours around a mask pixel at weights 39330, 4446 and 19550 of
  // 63326: (39330 * 28 + 4446 * 144 + 63326 / 2) / 63326 falls one short of 28.
  BITMAP mixed = listed(2, {0xFF1C1C1Cu, 0xFF909090u, 0xFF000000u, 0xFFFF00FFu});
  mixed.RESIZE(5, 6, RESIZEMETHOD::GXSCALEBILINEAR);
  EXPECT_EQ(mixed.PIXEL({1, 2}), 0xFF1B1B1Bu);

  // 7 columns onto 1280: column 182 is centred at 127.5 / 256 past column 0,
  // which rounds up to weight 128, (128 * 255 + 128 * 0 + 128) / 256 = 128.
  BITMAP half = listed(7, {0xFF000000u, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu,
                           0xFFFFFFFFu, 0xFFFFFFFFu});
  half.RESIZE(1280, 1, RESIZEMETHOD::GXSCALEBILINEAR);
  EXPECT_EQ(half.PIXEL({182, 0}), 0xFF808080u);
  EXPECT_EQ(half.PIXEL({177, 0}), 0xFF797979u);  // weight 121
}

#if defined(__SANITIZE_ADDRESS__)
// A failed allocation must come back as null under the sanitizer too.
extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1"; }
#endif

namespace {

// An 8000000 x 1 bilinear resize with the address space capped 256 MiB above
// what the process uses: the new image (32 MB) fits, the row buffers (about
// 300 MB more) do not, and the pixels are made one at a time by the rule.
[[noreturn]] void bilinearwithoutrows() {
  TESTS::LIMITMEMORY(size_t{256} << 20);
  TESTS::OPENSCREEN(64, 48);
  const BITMAP old =
      listed(3, {0xFF000000u, 0xFF5A5A5Au, 0x00FF00FFu, 0xFFFFFFFFu, 0x10203040u, 0xFF00FF00u});
  BITMAP b(old);
  const int32_t w = 8000000;
  b.RESIZE(w, 1, RESIZEMETHOD::GXSCALEBILINEAR);
  int wrong = b.WIDTH() == uint32_t(w) ? 0 : 1;
  for (int32_t x : {0, 1, 1333333, 1333334, 3999999, 4000000, 4000001, 5333333, 6666667, w - 1})
    wrong += b.PIXEL({x, 0}) != bilinearrule(old, x, 0, w, 1);
  std::exit(wrong);
}

}  // namespace

TEST(ResizeDeathTest, BilinearWithoutMemoryForRows) {
#if GTEST_HAS_DEATH_TEST
  EXPECT_EXIT(bilinearwithoutrows(), ::testing::ExitedWithCode(0), "");
#else
  (void)&bilinearwithoutrows;
  GTEST_SKIP() << "needs a child process (WebAssembly cannot fork)";
#endif
}
