// Filters: worked values, the row loops against the per-pixel rules at every
// kernel level (grey scale, contrast and the byte offsets exhaustively), flips
// of every shape, offset maps, APPLYFILTER's dispatch and the arguments every
// filter refuses.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "support/screen.hpp"
#include "zarvo/color/color.hpp"
#include "zarvo/graphics/bitmap.hpp"
#include "zarvo/runtime/simdlevel.hpp"

using namespace ZARVO;
using namespace ZARVO::GRAPHICS;
using MATH::POINT;

namespace {

// Pixels with a padded pitch, for calling the filter procedures directly.
struct ROWS {
  int32_t w, h, stride;
  std::vector<uint32_t> px;
  ROWS(int32_t w_, int32_t h_, uint32_t seed)
      : w(w_), h(h_), stride(w_ + 3), px(size_t(stride) * h_, 0xDEADBEEFu) {
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x) at(x, y) = TESTS::NOISE(seed);
  }
  uint32_t& at(int32_t x, int32_t y) { return px[size_t(y) * stride + x]; }
  uint8_t* p() { return reinterpret_cast<uint8_t*>(px.data()); }
  int32_t pitch() const { return stride * 4; }
};

uint32_t ch(uint32_t p, int shift) { return (p >> shift) & 255u; }
uint32_t argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
  return a << 24 | r << 16 | g << 8 | b;
}
uint32_t clamp255(int64_t v) { return v < 0 ? 0 : (v > 255 ? 255 : uint32_t(v)); }

uint32_t refgray(uint32_t p) {
  uint32_t v = uint32_t(std::nearbyint(ch(p, 16) * 0.299 + ch(p, 8) * 0.587 + ch(p, 0) * 0.114));
  return argb(p >> 24, v, v, v);
}
uint32_t refcontrast(uint32_t c, int32_t amount) {
  double f = std::pow((std::clamp(amount, -100, 100) + 100) / 100.0, 2.0);
  double t = (c / 255.0 - 0.5) * f * 255 + 127.5;
  return t < 0 ? 0 : (t > 255 ? 255 : uint32_t(std::nearbyint(t)));
}

uint32_t one(BITMAPFILTER f, uint32_t p, void* param = nullptr) {
  BITMAP b(1, 1, p);
  b.APPLYFILTER(f, param);
  return b.PIXEL({0, 0});
}

class Filters : public ::testing::Test {
 protected:
  void SetUp() override { TESTS::OPENSCREEN(64, 48); }
};

}  // namespace

TEST_F(Filters, WorkedValues) {
  int32_t p150 = 150, m100 = -100, m1000 = -1000, c100 = 100, c0 = 0;
  COLOR::RGBTRIPLE tint(-128, 0, 127), huge(INT32_MAX, INT32_MIN, 300);
  const struct {
    BITMAPFILTER f;
    void* param;
    uint32_t in, out;
  } cases[] = {
      {BITMAPFILTER::GXINVERT, nullptr, 0x80123456u, 0x80EDCBA9u},
      {BITMAPFILTER::GXGRAYSCALE, nullptr, 0xFFFF0000u, 0xFF4C4C4Cu},  // 76
      {BITMAPFILTER::GXGRAYSCALE, nullptr, 0xFF00FF00u, 0xFF969696u},  // 150
      {BITMAPFILTER::GXGRAYSCALE, nullptr, 0x010000FFu, 0x011D1D1Du},  // 29
      {BITMAPFILTER::GXGRAYSCALE, nullptr, 0x7FFFFFFFu, 0x7FFFFFFFu},
      {BITMAPFILTER::GXGRAYSCALE, nullptr, 0x12000000u, 0x12000000u},
      {BITMAPFILTER::GXBRIGHTNESS, &p150, argb(9, 200, 10, 155), argb(9, 255, 110, 255)},
      {BITMAPFILTER::GXBRIGHTNESS, &m100, argb(9, 30, 100, 255), argb(9, 0, 0, 155)},
      {BITMAPFILTER::GXBRIGHTNESS, &m1000, argb(9, 30, 100, 255), argb(9, 0, 0, 155)},
      {BITMAPFILTER::GXCONTRAST, &m100, argb(3, 0, 200, 255), argb(3, 128, 128, 128)},
      {BITMAPFILTER::GXCONTRAST, &c100, argb(3, 200, 20, 255), argb(3, 255, 0, 255)},
      {BITMAPFILTER::GXCONTRAST, &c0, 0x12345678u, 0x12345678u},
      {BITMAPFILTER::GXREDCHANNEL, nullptr, 0xFF804020u, 0xFF800000u},
      {BITMAPFILTER::GXGREENCHANNEL, nullptr, 0xFF804020u, 0xFF004000u},
      {BITMAPFILTER::GXBLUECHANNEL, nullptr, 0xFF804020u, 0xFF000020u},
      {BITMAPFILTER::GXCOLOROFFSET, &tint, argb(1, 200, 77, 200), argb(1, 72, 77, 255)},
      // Unlimited offsets must not overflow.
      {BITMAPFILTER::GXCOLOROFFSET, &huge, argb(1, 255, 255, 0), argb(1, 255, 0, 255)},
  };
  for (const auto& c : cases)
    EXPECT_EQ(one(c.f, c.in, c.param), c.out) << int(c.f) << " on " << std::hex << c.in;

  BITMAP b(9, 4, 0);
  uint32_t seed = 5;
  for (int32_t i = 0; i < 36; ++i) b.PIXEL({i % 9, i / 9}, TESTS::NOISE(seed));
  BITMAP before(b);
  b.APPLYFILTER(BITMAPFILTER::GXINVERT);
  b.APPLYFILTER(BITMAPFILTER::GXINVERT);
  for (int32_t i = 0; i < 36; ++i) ASSERT_EQ(b.PIXEL({i % 9, i / 9}), before.PIXEL({i % 9, i / 9}));
}

// The integer path must round exactly as the doubles do, ties included, and
// the tails of rows that do not fill a whole block as well.
// Every kernel level the processor has runs the whole check.
TEST(FilterRows, GrayscaleEveryColourAndTail) {
  for (int level = RUNTIME::SIMDBEST(); level >= 0; --level) {
    ASSERT_EQ(RUNTIME::SIMDLEVEL(level), level);
    std::vector<uint32_t> row(65536), want(65536);
    for (uint32_t r = 0; r < 256; ++r) {
      for (uint32_t i = 0; i < 65536; ++i) {
        row[i] = ((i * 2654435761u) & 0xFF000000u) | r << 16 | i;
        want[i] = refgray(row[i]);
      }
      FILTER::GRAYSCALE(reinterpret_cast<uint8_t*>(row.data()), 256, 256, 4, 1024, nullptr);
      ASSERT_EQ(row, want) << "red " << r << " level " << level;
    }
    for (int32_t w : {1, 7, 8, 15, 16, 17, 31, 33, 47, 70}) {
      ROWS r(w, 2, uint32_t(w)), before = r;
      FILTER::GRAYSCALE(r.p(), w, 2, 4, r.pitch(), nullptr);
      for (int32_t x = 0; x < w; ++x)
        ASSERT_EQ(r.at(x, 1), refgray(before.at(x, 1))) << w << " level " << level;
      EXPECT_EQ(r.at(w, 1), 0xDEADBEEFu);
    }
  }
  RUNTIME::SIMDLEVEL(-1);
}

// Every amount, and two beyond the range, over every byte in each channel.
// Every kernel level; a width of 259 leaves a tail behind whole vectors.
TEST(FilterRows, ContrastEveryAmountAndByte) {
  for (int level = RUNTIME::SIMDBEST(); level >= 0; --level) {
    ASSERT_EQ(RUNTIME::SIMDLEVEL(level), level);
    std::vector<uint32_t> row(259);
    for (int32_t amount = -102; amount <= 102; ++amount) {
      for (uint32_t c = 0; c < 259; ++c)
        row[c] = argb(c ^ 0x5A, c & 255, 255 - (c & 255), (c * 7) & 255);
      const std::vector<uint32_t> before = row;
      FILTER::CONTRAST(reinterpret_cast<uint8_t*>(row.data()), 259, 1, 4, 1036, &amount);
      for (uint32_t c = 0; c < 259; ++c) {
        uint32_t p = before[c];
        ASSERT_EQ(row[c], argb(p >> 24, refcontrast(ch(p, 16), amount),
                               refcontrast(ch(p, 8), amount), refcontrast(ch(p, 0), amount)))
            << "amount " << amount << " byte " << c << " level " << level;
      }
    }
  }
  RUNTIME::SIMDLEVEL(-1);
}

// INVERT, BRIGHTNESS (every amount and two beyond) and COLOROFFSET (offsets
// of both signs at once, beyond a byte, and the channel filters' triples)
// over every byte in each channel, at every kernel level; a width of 259
// leaves a tail behind whole vectors, and the padding stays untouched.
TEST(FilterRows, ByteFiltersEveryLevel) {
  const int32_t colours[][3] = {{-70, 13, 200},  {0, -255, -255}, {-255, 0, -255},
                                {-255, -255, 0}, {255, -1, 1},    {INT32_MAX, INT32_MIN, 300},
                                {-300, 256, 0}};
  for (int level = RUNTIME::SIMDBEST(); level >= 0; --level) {
    ASSERT_EQ(RUNTIME::SIMDLEVEL(level), level);
    ROWS r(259, 2, 0);
    for (int32_t x = 0; x < r.w; ++x) {
      r.at(x, 0) = argb(x ^ 0x5A, x & 255, 255 - (x & 255), (x * 7) & 255);
      r.at(x, 1) = argb(255 - (x & 255), (x * 3) & 255, x & 255, (x * 11) & 255);
    }
    ROWS start = r;
    const auto check = [&](const char* what, int32_t ro, int32_t go, int32_t bo) {
      for (int32_t y = 0; y < r.h; ++y)
        for (int32_t x = 0; x < r.w; ++x) {
          uint32_t p = start.at(x, y);
          ASSERT_EQ(r.at(x, y),
                    argb(p >> 24, clamp255(int64_t(ch(p, 16)) + ro),
                         clamp255(int64_t(ch(p, 8)) + go), clamp255(int64_t(ch(p, 0)) + bo)))
              << what << " " << ro << "," << go << "," << bo << " at " << x << "," << y << " level "
              << level;
        }
      ASSERT_EQ(r.at(r.w, 0), 0xDEADBEEFu) << what << " level " << level;
      r = start;
    };
    for (int32_t v = -102; v <= 102; ++v) {
      FILTER::BRIGHTNESS(r.p(), r.w, r.h, 4, r.pitch(), &v);
      const int32_t held = std::clamp(v, -100, 100);
      check("brightness", held, held, held);
    }
    for (auto& c : colours) {
      COLOR::RGBTRIPLE o(c[0], c[1], c[2]);
      FILTER::COLOROFFSET(r.p(), r.w, r.h, 4, r.pitch(), &o);
      check("offset", std::clamp(c[0], -255, 255), std::clamp(c[1], -255, 255),
            std::clamp(c[2], -255, 255));
    }
    FILTER::INVERT(r.p(), r.w, r.h, 4, r.pitch(), nullptr);
    for (int32_t y = 0; y < r.h; ++y)
      for (int32_t x = 0; x < r.w; ++x)
        ASSERT_EQ(r.at(x, y), start.at(x, y) ^ 0x00FFFFFFu) << "invert level " << level;
  }
  RUNTIME::SIMDLEVEL(-1);
}

TEST_F(Filters, FlipWorkedExample) {
  BITMAP b(3, 2, 0);  // p1 p2 p3 / p4 p5 p6, alpha numbered too
  for (uint32_t i = 0; i < 6; ++i) b.PIXEL({int32_t(i % 3), int32_t(i / 3)}, (i + 1) * 0x01000001u);
  auto order = [&] {
    std::vector<uint32_t> v;
    for (int32_t i = 0; i < 6; ++i) v.push_back(b.PIXEL({i % 3, i / 3}) & 0xFF);
    return v;
  };
  FLIPDIRECTION h = FLIPDIRECTION::GXHORISONTAL, v = FLIPDIRECTION::GXVERTICAL;
  int32_t both = 3;  // a plain integer works as well
  b.APPLYFILTER(BITMAPFILTER::GXFLIP, &h);
  EXPECT_EQ(order(), (std::vector<uint32_t>{3, 2, 1, 6, 5, 4}));
  b.APPLYFILTER(BITMAPFILTER::GXFLIP, &h);
  b.APPLYFILTER(BITMAPFILTER::GXFLIP, &v);
  EXPECT_EQ(order(), (std::vector<uint32_t>{4, 5, 6, 1, 2, 3}));
  b.APPLYFILTER(BITMAPFILTER::GXFLIP, &v);
  b.APPLYFILTER(BITMAPFILTER::GXFLIP, &both);
  EXPECT_EQ(order(), (std::vector<uint32_t>{6, 5, 4, 3, 2, 1}));
  EXPECT_EQ(b.PIXEL({0, 0}) >> 24, 6u) << "alpha moves with its pixel";
  EXPECT_EQ(h | v, FLIPDIRECTION::GXBOTH);
  EXPECT_EQ(FLIPDIRECTION::GXBOTH & v, v);
}

// A flipped bitmap's alpha copy is flipped with it, so fading afterwards keeps
// the mirrored shape (an arrow flipped to point left stays a clean left arrow).
TEST_F(Filters, FlipCarriesTheAlphaCopy) {
  BITMAP b(3, 2, 0);
  for (uint32_t i = 0; i < 6; ++i) b.PIXEL({int32_t(i % 3), int32_t(i / 3)}, (i + 1) * 0x10000000u);
  b.PRESERVEALPHACHANNEL();
  FLIPDIRECTION h = FLIPDIRECTION::GXHORISONTAL, v = FLIPDIRECTION::GXVERTICAL;
  b.APPLYFILTER(BITMAPFILTER::GXFLIP, &h);
  b.ALPHA(255);  // alpha restored from the copy
  EXPECT_EQ(b.PIXELALPHA({0, 0}), 0x30);
  EXPECT_EQ(b.PIXELALPHA({2, 1}), 0x40);
  b.APPLYFILTER(BITMAPFILTER::GXFLIP, &v);
  b.ALPHA(255);
  EXPECT_EQ(b.PIXELALPHA({0, 0}), 0x60);
  EXPECT_EQ(b.PIXELALPHA({1, 1}), 0x20);
  b.ALPHA(0);
  EXPECT_EQ(b.PIXELALPHA({0, 0}), 0);
  EXPECT_EQ(b.PIXEL({0, 0}) & 0xFFFFFF, 0u) << "colour untouched";
}

// Wide, tall, odd and even shapes, every direction and stray bits, applied
// once against mirrored coordinates and twice against the original; a
// negative pitch walks the rows upwards.
TEST(FilterRows, FlipEveryShape) {
  const int32_t shapes[][2] = {{1, 1}, {1, 6}, {6, 1},  {7, 3}, {3, 7},
                               {8, 4}, {4, 9}, {33, 5}, {70, 3}};
  for (int level = RUNTIME::SIMDBEST(); level >= 0; --level) {
    ASSERT_EQ(RUNTIME::SIMDLEVEL(level), level);
    for (auto& s : shapes)
      for (int32_t dir : {0, 1, 2, 3, 5, 6, -1}) {
        ROWS r(s[0], s[1], uint32_t(s[0] * 31 + s[1])), before = r;
        FILTER::FLIP(r.p(), r.w, r.h, 4, r.pitch(), &dir);
        for (int32_t y = 0; y < r.h; ++y)
          for (int32_t x = 0; x < r.w; ++x)
            ASSERT_EQ(r.at(x, y), before.at(dir & 1 ? r.w - 1 - x : x, dir & 2 ? r.h - 1 - y : y))
                << s[0] << "x" << s[1] << " dir " << dir << " level " << level;
        FILTER::FLIP(r.p(), r.w, r.h, 4, r.pitch(), &dir);
        ASSERT_EQ(r.px, before.px) << "twice restores, padding untouched; level " << level;
      }
  }
  RUNTIME::SIMDLEVEL(-1);
  ROWS r(5, 3, 4), before = r;
  int32_t down = 2;
  FILTER::FLIP(r.p() + 2 * r.pitch(), 5, 3, 4, -r.pitch(), &down);
  for (int32_t x = 0; x < 5; ++x) EXPECT_EQ(r.at(x, 0), before.at(x, 2));
}

// Every kernel level; the tall shape has points many rows ahead and behind.
TEST(FilterRows, PixelOffsetMapsAndOutsidePoints) {
  for (int level = RUNTIME::SIMDBEST(); level >= 0; --level) {
    ASSERT_EQ(RUNTIME::SIMDLEVEL(level), level);
    for (auto [w, h] : {std::pair{11, 6}, std::pair{19, 40}}) {
      ROWS r(w, h, 17), before = r;
      uint32_t seed = 8;
      std::vector<POINT> map(size_t(w) * h);
      for (auto& p : map) {
        uint32_t v = TESTS::NOISE(seed);  // mostly inside, now and then past an edge or far off
        p = (v >> 20) % 9
                ? POINT{int32_t(v % uint32_t(w + 2)) - 1, int32_t((v >> 8) % uint32_t(h + 2)) - 1}
                : POINT{INT32_MIN, INT32_MAX};
      }
      FILTER::PIXELOFFSET(r.p(), r.w, r.h, 4, r.pitch(), map.data());
      int outside = 0;
      for (int32_t y = 0; y < r.h; ++y)
        for (int32_t x = 0; x < r.w; ++x) {
          POINT p = map[size_t(y) * r.w + x];
          bool in = p.X >= 0 && p.X < r.w && p.Y >= 0 && p.Y < r.h;
          outside += !in;
          ASSERT_EQ(r.at(x, y), in ? before.at(p.X, p.Y) : before.at(x, y))
              << x << "," << y << " in " << w << "x" << h << " level " << level;
        }
      EXPECT_GT(outside, 5);
      EXPECT_EQ(r.at(r.w, 0), 0xDEADBEEFu);
    }
  }
  RUNTIME::SIMDLEVEL(-1);
}

TEST_F(Filters, ApplyFilterDispatch) {
  BITMAP b(6, 5, 0x12345678u);
  int32_t v = 50;
  for (int32_t f : {0, 12, -1})
    b.APPLYFILTER(static_cast<BITMAPFILTER>(f), &v);
  for (int32_t f = 3; f <= 11; ++f)  // a null PARAM where one is read
    if (f < 5 || f > 7) b.APPLYFILTER(static_cast<BITMAPFILTER>(f), nullptr);
  EXPECT_EQ(b.PIXEL({5, 4}), 0x12345678u);

  static struct {
    uint8_t* pixels;
    int32_t w, h, bpp, pitch;
    void* param;
    int calls;
  } seen;
  auto record = [](uint8_t* p, int32_t w, int32_t h, int32_t bpp, int32_t pitch, void* param) {
    seen = {p, w, h, bpp, pitch, param, seen.calls + 1};
  };
  b.APPLYFILTER(BITMAPFILTER::GXCUSTOM, &v, record);
  b.APPLYFILTER(BITMAPFILTER::GXINVERT, nullptr, record);  // PROC only with GXCUSTOM
  EXPECT_EQ(seen.calls, 1);
  EXPECT_EQ(seen.pixels, reinterpret_cast<uint8_t*>(b.HANDLE()) + 32);
  EXPECT_EQ((std::vector<int32_t>{seen.w, seen.h, seen.bpp, seen.pitch}),
            (std::vector<int32_t>{6, 5, 4, 32}));
  EXPECT_EQ(seen.param, &v);

  // The opacity stays; the alpha copy is mirrored with the pixels.
  BITMAP button(2, 1, 0xFF000001u);
  button.PIXEL({1, 0}, 0x10000002u);
  button.PRESERVEALPHACHANNEL();
  button.ALPHA(200);
  FLIPDIRECTION d = FLIPDIRECTION::GXHORISONTAL;
  button.APPLYFILTER(BITMAPFILTER::GXFLIP, &d);
  EXPECT_EQ(button.ALPHA(), 200);
  button.ALPHA(255);
  EXPECT_EQ(button.PIXEL({0, 0}), 0x10000002u);
  EXPECT_EQ(button.PIXEL({1, 0}), 0xFF000001u);
}

TEST_F(Filters, RefusedArguments) {
  // An empty bitmap, and one of 1-byte pixels, are left alone by every filter.
  BITMAP empty, bytes(5, 3, 0x7F, 8);
  ASSERT_EQ(bytes.BPP(), 1);
  POINT map[15] = {};
  COLOR::RGBTRIPLE t(9, 9, 9);
  int32_t v = 1;
  for (int32_t f = 0; f <= 11; ++f) {
    void* param = f == 8 ? static_cast<void*>(&t) : f == 9 ? static_cast<void*>(map) : &v;
    empty.APPLYFILTER(static_cast<BITMAPFILTER>(f), param);
    bytes.APPLYFILTER(static_cast<BITMAPFILTER>(f), param);
  }
  for (uint32_t i = 0; i < bytes.PITCH() * 3; ++i) ASSERT_EQ(RUNTIME::PIXELS(bytes.HANDLE())[i], 0x7F);

  // Sizes, depth, alignment and pitches a filter cannot work with.
  ROWS r(4, 2, 1);
  const std::vector<uint32_t> before = r.px;
  FILTER::INVERT(r.p(), 0, 2, 4, r.pitch(), nullptr);
  FILTER::INVERT(r.p(), 4, -1, 4, r.pitch(), nullptr);
  FILTER::INVERT(nullptr, 4, 2, 4, r.pitch(), nullptr);
  FILTER::INVERT(r.p(), 4, 2, 2, r.pitch(), nullptr);
  FILTER::INVERT(r.p(), 4, 2, 4, 12, nullptr);  // rows would overlap
  FILTER::INVERT(r.p(), 4, 2, 4, r.pitch() + 2, nullptr);
  FILTER::INVERT(r.p() + 1, 4, 2, 4, r.pitch(), nullptr);
  EXPECT_EQ(r.px, before);
}

// The filters' old level switch now moves the library's one level.
TEST(FilterRows, UseKernelsLowersTheLibraryLevel) {
  EXPECT_EQ(FILTER::USEKERNELS(0), 0);
  EXPECT_EQ(RUNTIME::SIMDLEVEL(), 0);
  const int best = FILTER::USEKERNELS(-1);
  EXPECT_EQ(RUNTIME::SIMDLEVEL(), RUNTIME::SIMDBEST());
  EXPECT_EQ(best, RUNTIME::SIMDBEST() == 0 ? 0 : RUNTIME::SIMDBEST() == 3 ? 2 : 1);
  EXPECT_EQ(FILTER::USEKERNELS(7), best);
  FILTER::USEKERNELS(-1);
}
