// Filters: each filter's worked values, the row loops against per-pixel rules
// on random and exhaustive data, flips of every shape, APPLYFILTER's dispatch
// and the arguments every filter refuses.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "support/screen.hpp"
#include "zarvo/color/color.hpp"
#include "zarvo/graphics/bitmap.hpp"

using namespace ZARVO;
using namespace ZARVO::GRAPHICS;
using MATH::POINT;

namespace {

// Pixels in a plain vector with a chosen pitch (in pixels), for calling the
// filter procedures directly; padding is filled with a sentinel.
struct ROWS {
  int32_t w, h, stride;
  std::vector<uint32_t> px;
  ROWS(int32_t w_, int32_t h_, int32_t pad = 3)
      : w(w_), h(h_), stride(w_ + pad), px(size_t(stride) * h_, 0xDEADBEEFu) {}
  uint32_t& at(int32_t x, int32_t y) { return px[size_t(y) * stride + x]; }
  uint8_t* p() { return reinterpret_cast<uint8_t*>(px.data()); }
  int32_t pitch() const { return stride * 4; }
  void noise(uint32_t seed) {
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x) at(x, y) = TESTS::NOISE(seed);
  }
};

uint32_t channel(uint32_t p, int shift) { return (p >> shift) & 255u; }
uint32_t rgb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
  return (a << 24) | (r << 16) | (g << 8) | b;
}
int32_t clamp255(int64_t v) { return v < 0 ? 0 : (v > 255 ? 255 : int32_t(v)); }

// The per-pixel rules, written out plainly.
uint32_t refgray(uint32_t p) {
  double g = channel(p, 16) * 0.299 + channel(p, 8) * 0.587 + channel(p, 0) * 0.114;
  uint32_t v = uint32_t(std::nearbyint(g));
  return rgb(p >> 24, v, v, v);
}
uint32_t refcontrast(uint32_t c, int32_t amount) {
  int32_t v = amount < -100 ? -100 : (amount > 100 ? 100 : amount);
  double f = std::pow((v + 100) / 100.0, 2.0);
  double t = (c / 255.0 - 0.5) * f * 255 + 127.5;
  return t < 0 ? 0 : (t > 255 ? 255 : uint32_t(std::nearbyint(t)));
}
uint32_t refoffset(uint32_t p, int64_t r, int64_t g, int64_t b) {
  return rgb(p >> 24, clamp255(channel(p, 16) + r), clamp255(channel(p, 8) + g),
             clamp255(channel(p, 0) + b));
}

BITMAP picture(int32_t w, int32_t h, uint32_t seed) {
  BITMAP b(w, h, 0);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) b.PIXEL({x, y}, TESTS::NOISE(seed));
  return b;
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

TEST_F(Filters, InvertAndGrayscaleWorkedValues) {
  EXPECT_EQ(one(BITMAPFILTER::GXINVERT, 0x80123456u), 0x80EDCBA9u) << "alpha kept";
  BITMAP b = picture(9, 4, 5);
  BITMAP before(b);
  b.APPLYFILTER(BITMAPFILTER::GXINVERT);
  b.APPLYFILTER(BITMAPFILTER::GXINVERT);
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 9; ++x) ASSERT_EQ(b.PIXEL({x, y}), before.PIXEL({x, y}));

  EXPECT_EQ(one(BITMAPFILTER::GXGRAYSCALE, 0xFFFF0000u), 0xFF4C4C4Cu);  // 76
  EXPECT_EQ(one(BITMAPFILTER::GXGRAYSCALE, 0xFF00FF00u), 0xFF969696u);  // 150
  EXPECT_EQ(one(BITMAPFILTER::GXGRAYSCALE, 0xFF0000FFu), 0xFF1D1D1Du);  // 29
  EXPECT_EQ(one(BITMAPFILTER::GXGRAYSCALE, 0x7FFFFFFFu), 0x7FFFFFFFu);
  EXPECT_EQ(one(BITMAPFILTER::GXGRAYSCALE, 0x12000000u), 0x12000000u);
}

// The integer path must round exactly as the doubles do, ties included.
TEST(FilterRows, GrayscaleEveryColour) {
  std::vector<uint32_t> row(65536), want(65536);
  for (uint32_t r = 0; r < 256; ++r) {
    for (uint32_t i = 0; i < 65536; ++i) {
      row[i] = ((i * 2654435761u) & 0xFF000000u) | (r << 16) | i;
      want[i] = refgray(row[i]);
    }
    FILTER::GRAYSCALE(reinterpret_cast<uint8_t*>(row.data()), 256, 256, 4, 1024, nullptr);
    ASSERT_EQ(row, want) << "red " << r;
  }
}

TEST_F(Filters, BrightnessAndOffsets) {
  int32_t v = 150;
  EXPECT_EQ(one(BITMAPFILTER::GXBRIGHTNESS, rgb(9, 200, 10, 155), &v), rgb(9, 255, 110, 255))
      << "150 acts like 100";
  v = -100;
  EXPECT_EQ(one(BITMAPFILTER::GXBRIGHTNESS, rgb(9, 30, 100, 255), &v), rgb(9, 0, 0, 155));
  v = -1000;
  EXPECT_EQ(one(BITMAPFILTER::GXBRIGHTNESS, rgb(9, 30, 100, 255), &v), rgb(9, 0, 0, 155));

  EXPECT_EQ(one(BITMAPFILTER::GXREDCHANNEL, 0xFF804020u), 0xFF800000u);
  EXPECT_EQ(one(BITMAPFILTER::GXGREENCHANNEL, 0xFF804020u), 0xFF004000u);
  EXPECT_EQ(one(BITMAPFILTER::GXBLUECHANNEL, 0xFF804020u), 0xFF000020u);

  COLOR::RGBTRIPLE t(-128, 0, 127);
  EXPECT_EQ(one(BITMAPFILTER::GXCOLOROFFSET, rgb(1, 200, 77, 200), &t), rgb(1, 72, 77, 255));
  // Offsets are not limited, and the largest ones must not overflow.
  COLOR::RGBTRIPLE huge(INT32_MAX, INT32_MIN, 300);
  EXPECT_EQ(one(BITMAPFILTER::GXCOLOROFFSET, rgb(1, 0, 255, 0), &huge), rgb(1, 255, 0, 255));

  // Random data and random offsets against the rule.
  ROWS r(37, 5);
  r.noise(99);
  std::vector<uint32_t> before = r.px;
  COLOR::RGBTRIPLE o(-70, 13, 200);
  FILTER::COLOROFFSET(r.p(), r.w, r.h, 4, r.pitch(), &o);
  for (int32_t y = 0; y < r.h; ++y)
    for (int32_t x = 0; x < r.w; ++x)
      ASSERT_EQ(r.at(x, y), refoffset(before[size_t(y) * r.stride + x], -70, 13, 200));
  EXPECT_EQ(r.at(r.w, 0), 0xDEADBEEFu) << "padding untouched";
}

TEST_F(Filters, ContrastWorkedValues) {
  int32_t v = -100;
  EXPECT_EQ(one(BITMAPFILTER::GXCONTRAST, rgb(3, 0, 200, 255), &v), rgb(3, 128, 128, 128));
  v = 100;
  EXPECT_EQ(one(BITMAPFILTER::GXCONTRAST, rgb(3, 200, 20, 255), &v), rgb(3, 255, 0, 255));
  v = 0;
  EXPECT_EQ(one(BITMAPFILTER::GXCONTRAST, 0x12345678u, &v), 0x12345678u);
}

// Every amount (and two beyond the range) over every byte value, each channel.
TEST(FilterRows, ContrastEveryAmountAndByte) {
  ROWS r(256, 1, 0);
  for (int32_t amount = -102; amount <= 102; ++amount) {
    for (uint32_t c = 0; c < 256; ++c) r.at(c, 0) = rgb(c ^ 0x5A, c, 255 - c, (c * 7) & 255);
    std::vector<uint32_t> before = r.px;
    FILTER::CONTRAST(r.p(), 256, 1, 4, 1024, &amount);
    for (uint32_t c = 0; c < 256; ++c) {
      uint32_t p = before[c];
      uint32_t want = rgb(p >> 24, refcontrast(channel(p, 16), amount),
                          refcontrast(channel(p, 8), amount), refcontrast(channel(p, 0), amount));
      ASSERT_EQ(r.at(c, 0), want) << "amount " << amount << " byte " << c;
    }
  }
}

TEST_F(Filters, FlipWorkedExampleAndTwice) {
  // p1 p2 p3 / p4 p5 p6
  BITMAP b(3, 2, 0);
  for (int32_t i = 0; i < 6; ++i) b.PIXEL({i % 3, i / 3}, 0x01000000u * (i + 1) + uint32_t(i + 1));
  auto rows = [&] {
    std::vector<uint32_t> v;
    for (int32_t y = 0; y < 2; ++y)
      for (int32_t x = 0; x < 3; ++x) v.push_back(b.PIXEL({x, y}) & 0xFF);
    return v;
  };
  FLIPDIRECTION d = FLIPDIRECTION::GXHORISONTAL;
  b.APPLYFILTER(BITMAPFILTER::GXFLIP, &d);
  EXPECT_EQ(rows(), (std::vector<uint32_t>{3, 2, 1, 6, 5, 4}));
  b.APPLYFILTER(BITMAPFILTER::GXFLIP, &d);
  d = FLIPDIRECTION::GXVERTICAL;
  b.APPLYFILTER(BITMAPFILTER::GXFLIP, &d);
  EXPECT_EQ(rows(), (std::vector<uint32_t>{4, 5, 6, 1, 2, 3}));
  b.APPLYFILTER(BITMAPFILTER::GXFLIP, &d);
  int32_t both = 3;  // a plain integer works as well
  b.APPLYFILTER(BITMAPFILTER::GXFLIP, &both);
  EXPECT_EQ(rows(), (std::vector<uint32_t>{6, 5, 4, 3, 2, 1}));
  EXPECT_EQ(b.PIXEL({0, 0}) >> 24, 6u) << "alpha moves with the pixel";
  b.APPLYFILTER(BITMAPFILTER::GXFLIP, &both);
  EXPECT_EQ(rows(), (std::vector<uint32_t>{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(FLIPDIRECTION::GXHORISONTAL | FLIPDIRECTION::GXVERTICAL, FLIPDIRECTION::GXBOTH);
  EXPECT_EQ(FLIPDIRECTION::GXBOTH & FLIPDIRECTION::GXVERTICAL, FLIPDIRECTION::GXVERTICAL);
}

// Wide, tall, odd and even shapes, every direction and stray bits, against
// the mirrored coordinates; a negative pitch walks the rows upwards.
TEST(FilterRows, FlipEveryShape) {
  const int32_t shapes[][2] = {{1, 1}, {1, 6}, {6, 1}, {7, 3}, {3, 7}, {8, 4}, {4, 9}, {33, 5}};
  for (auto& s : shapes)
    for (int32_t dir : {0, 1, 2, 3, 5, 6, 7, -1}) {
      ROWS r(s[0], s[1]);
      r.noise(uint32_t(s[0] * 31 + s[1]));
      ROWS before = r;
      FILTER::FLIP(r.p(), r.w, r.h, 4, r.pitch(), &dir);
      for (int32_t y = 0; y < r.h; ++y)
        for (int32_t x = 0; x < r.w; ++x) {
          int32_t sx = (dir & 1) ? r.w - 1 - x : x, sy = (dir & 2) ? r.h - 1 - y : y;
          ASSERT_EQ(r.at(x, y), before.at(sx, sy))
              << s[0] << "x" << s[1] << " dir " << dir << " at " << x << "," << y;
        }
      EXPECT_EQ(r.at(r.w, r.h - 1), 0xDEADBEEFu);
    }
  ROWS r(5, 3);
  r.noise(4);
  ROWS before = r;
  int32_t down = 2;
  FILTER::FLIP(r.p() + 2 * r.pitch(), 5, 3, 4, -r.pitch(), &down);
  for (int32_t x = 0; x < 5; ++x) EXPECT_EQ(r.at(x, 0), before.at(x, 2));
}

TEST(FilterRows, PixelOffsetMapsAndOutsidePoints) {
  ROWS r(11, 6);
  r.noise(17);
  ROWS before = r;
  uint32_t seed = 8;
  std::vector<POINT> map(size_t(r.w) * r.h);
  for (auto& p : map) {
    uint32_t v = TESTS::NOISE(seed);
    // Mostly inside; now and then past an edge or far off.
    p = {int32_t(v % 13) - 1, int32_t((v >> 8) % 8) - 1};
    if ((v >> 20) % 9 == 0) p = {INT32_MIN, INT32_MAX};
  }
  FILTER::PIXELOFFSET(r.p(), r.w, r.h, 4, r.pitch(), map.data());
  int outside = 0;
  for (int32_t y = 0; y < r.h; ++y)
    for (int32_t x = 0; x < r.w; ++x) {
      POINT p = map[size_t(y) * r.w + x];
      bool in = p.X >= 0 && p.X < r.w && p.Y >= 0 && p.Y < r.h;
      outside += !in;
      ASSERT_EQ(r.at(x, y), in ? before.at(p.X, p.Y) : before.at(x, y)) << x << "," << y;
    }
  EXPECT_GT(outside, 5);
  EXPECT_EQ(r.at(r.w, 0), 0xDEADBEEFu);
}

TEST(FilterRows, RandomRowsAgainstRules) {
  for (int32_t w : {1, 2, 15, 16, 17, 31, 32, 33, 63, 100}) {
    ROWS r(w, 3);
    r.noise(uint32_t(w));
    ROWS before = r;
    FILTER::GRAYSCALE(r.p(), r.w, r.h, 4, r.pitch(), nullptr);
    for (int32_t y = 0; y < 3; ++y)
      for (int32_t x = 0; x < w; ++x) ASSERT_EQ(r.at(x, y), refgray(before.at(x, y)));
    r = before;
    int32_t v = 37;
    FILTER::BRIGHTNESS(r.p(), r.w, r.h, 4, r.pitch(), &v);
    for (int32_t y = 0; y < 3; ++y)
      for (int32_t x = 0; x < w; ++x) ASSERT_EQ(r.at(x, y), refoffset(before.at(x, y), 37, 37, 37));
    r = before;
    FILTER::INVERT(r.p(), r.w, r.h, 4, r.pitch(), nullptr);
    for (int32_t y = 0; y < 3; ++y)
      for (int32_t x = 0; x < w; ++x) ASSERT_EQ(r.at(x, y), before.at(x, y) ^ 0x00FFFFFFu);
    EXPECT_EQ(r.at(w, 2), 0xDEADBEEFu);
  }
}

TEST_F(Filters, ApplyFilterDispatch) {
  BITMAP b = picture(6, 5, 3);
  BITMAP before(b);
  auto same = [&] {
    for (int32_t y = 0; y < 5; ++y)
      for (int32_t x = 0; x < 6; ++x)
        if (b.PIXEL({x, y}) != before.PIXEL({x, y})) return false;
    return true;
  };
  int32_t v = 50;
  for (int32_t f : {0, 12, -1, 1000})
    b.APPLYFILTER(static_cast<BITMAPFILTER>(f), &v);
  EXPECT_TRUE(same());
  // Filters that read PARAM ignore a null one.
  for (auto f : {BITMAPFILTER::GXBRIGHTNESS, BITMAPFILTER::GXCONTRAST, BITMAPFILTER::GXCOLOROFFSET,
                 BITMAPFILTER::GXPIXELOFFSET, BITMAPFILTER::GXFLIP, BITMAPFILTER::GXCUSTOM})
    b.APPLYFILTER(f, nullptr);
  EXPECT_TRUE(same());

  static struct {
    uint8_t* pixels;
    int32_t w, h, bpp, pitch;
    void* param;
    int calls;
  } seen;
  seen.calls = 0;
  b.APPLYFILTER(BITMAPFILTER::GXCUSTOM, &v,
                [](uint8_t* p, int32_t w, int32_t h, int32_t bpp, int32_t pitch, void* param) {
                  seen = {p, w, h, bpp, pitch, param, seen.calls + 1};
                });
  EXPECT_EQ(seen.calls, 1);
  EXPECT_EQ(seen.pixels, reinterpret_cast<uint8_t*>(b.HANDLE()) + 32);
  EXPECT_EQ(seen.w, 6);
  EXPECT_EQ(seen.h, 5);
  EXPECT_EQ(seen.bpp, 4);
  EXPECT_EQ(seen.pitch, 32);
  EXPECT_EQ(seen.param, &v);
  b.APPLYFILTER(BITMAPFILTER::GXINVERT, nullptr,
                [](uint8_t*, int32_t, int32_t, int32_t, int32_t, void*) { seen.calls += 10; });
  EXPECT_EQ(seen.calls, 1) << "PROC only with GXCUSTOM";

  // Neither the opacity nor the alpha copy is touched: the copy stays unmirrored.
  BITMAP button(2, 1, 0);
  button.PIXEL({0, 0}, 0xFF000001u);
  button.PIXEL({1, 0}, 0x10000002u);
  button.PRESERVEALPHACHANNEL();
  button.ALPHA(200);
  FLIPDIRECTION d = FLIPDIRECTION::GXHORISONTAL;
  button.APPLYFILTER(BITMAPFILTER::GXFLIP, &d);
  EXPECT_EQ(button.ALPHA(), 200);
  button.ALPHA(255);
  EXPECT_EQ(button.PIXEL({0, 0}), 0xFF000002u);
  EXPECT_EQ(button.PIXEL({1, 0}), 0x10000001u);
}

TEST_F(Filters, RefusedArguments) {
  // An empty bitmap, and one of 1-byte pixels, are left alone by every filter.
  BITMAP empty;
  BITMAP bytes(5, 3, 0x7F, 8);
  ASSERT_EQ(bytes.BPP(), 1);
  POINT far[15] = {};
  COLOR::RGBTRIPLE t(9, 9, 9);
  int32_t v = 1;
  for (int32_t f = 0; f <= 11; ++f) {
    void* param = f == 8 ? static_cast<void*>(&t) : f == 9 ? static_cast<void*>(far) : &v;
    empty.APPLYFILTER(static_cast<BITMAPFILTER>(f), param);
    bytes.APPLYFILTER(static_cast<BITMAPFILTER>(f), param);
  }
  EXPECT_EQ(empty.HANDLE(), nullptr);
  for (uint32_t i = 0; i < bytes.PITCH() * 3; ++i)
    ASSERT_EQ(RUNTIME::PIXELS(bytes.HANDLE())[i], 0x7F);

  ROWS r(4, 2);
  r.noise(1);
  const std::vector<uint32_t> before = r.px;
  FILTER::INVERT(r.p(), 0, 2, 4, r.pitch(), nullptr);
  FILTER::INVERT(r.p(), 4, -1, 4, r.pitch(), nullptr);
  FILTER::INVERT(nullptr, 4, 2, 4, r.pitch(), nullptr);
  FILTER::INVERT(r.p(), 4, 2, 2, r.pitch(), nullptr);
  FILTER::INVERT(r.p(), 4, 2, 4, 12, nullptr) /* rows would overlap */;
  FILTER::INVERT(r.p(), 4, 2, 4, r.pitch() + 2, nullptr);
  FILTER::INVERT(r.p() + 1, 4, 2, 4, r.pitch(), nullptr);
  EXPECT_EQ(r.px, before);
}
