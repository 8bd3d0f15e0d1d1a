#include "zarvo/color/color.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <new>
#include <utility>

// Counts live heap blocks, so the tests can watch links being made and freed.
namespace {
std::atomic<long> live{0};
}
void* operator new(std::size_t n) {
  void* p = std::malloc(n ? n : 1);
  if (!p) throw std::bad_alloc();
  ++live;
  return p;
}
void operator delete(void* p) noexcept {
  if (p) --live;
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  if (p) --live;
  std::free(p);
}

using namespace ZARVO::COLOR;

namespace {
struct T3 {
  int a, b, c;
  bool operator==(const T3&) const = default;
};
std::ostream& operator<<(std::ostream& os, const T3& t) {
  return os << '(' << t.a << ", " << t.b << ", " << t.c << ')';
}
T3 of(const HSLTRIPLE& h) { return {h.HUE(), h.SATITURATION(), h.LIGHTNESS()}; }
T3 of(const RGBTRIPLE& c) { return {c.RED(), c.GREEN(), c.BLUE()}; }
T3 tohsl(T3 rgb) {
  HSLTRIPLE h(0, 0, 0);
  h.FROMRGB(rgb.a, rgb.b, rgb.c);
  return of(h);
}
T3 torgb(T3 hsl) {
  RGBTRIPLE c(0, 0, 0);
  c.FROMHSL(hsl.a, hsl.b, hsl.c);
  return of(c);
}
}  // namespace

TEST(ColorConvert, WorkedExamplesBitForBit) {
  const T3 pairs[][2] = {
      {{255, 0, 0}, {0, 100, 50}},      {{0, 255, 0}, {120, 100, 50}},
      {{0, 0, 255}, {240, 100, 50}},    {{255, 128, 0}, {30, 100, 50}},
      {{255, 255, 255}, {0, 0, 100}},   {{0, 0, 0}, {0, 0, 0}},
      {{128, 128, 128}, {0, 0, 50}},    {{255, 0, 1}, {360, 100, 50}},
      {{10, 20, 30}, {210, 50, 8}}};
  for (const auto& p : pairs) EXPECT_EQ(tohsl(p[0]), p[1]) << p[0];
  const T3 back[][2] = {
      {{0, 100, 50}, {255, 0, 0}},      {{360, 100, 50}, {255, 0, 0}},
      {{359, 100, 50}, {255, 0, 4}},    {{120, 100, 25}, {0, 128, 0}},
      {{240, 50, 50}, {64, 64, 191}},   {{300, 0, 37}, {94, 94, 94}},
      {{210, 50, 8}, {10, 20, 31}},     {{0, 0, 30}, {76, 76, 76}}};  // 76.5 to even
  for (const auto& p : back) EXPECT_EQ(torgb(p[0]), p[1]) << p[0];
  // One hue correction only: 2.1 becomes 1.1, past every edge.
  EXPECT_EQ(HUE2RGB(0.3f, 1.0f, 2.1f), 0.3f);
  EXPECT_NEAR(HUE2RGB(0.0f, 1.0f, -0.9f), 0.6f, 1e-6);
}

TEST(ColorConvert, SweepRoundTripStaysWithinOneStep) {
  // Each HSL component is the exact one rounded, and the way back lands
  // within what half a step of each can move a channel:
  // 255 * (2 * 0.005 + 0.5 * 0.005 + 0.5 / 60) + 0.5 < 6.
  for (int r = 0; r <= 255; r += 3) {
    for (int g = 0; g <= 255; g += 5) {
      for (int b = 0; b <= 255; b += 3) {
        const double R = r / 255.0, G = g / 255.0, B = b / 255.0;
        const double mx = std::max({R, G, B}), mn = std::min({R, G, B}), d = mx - mn;
        const double l = (mx + mn) * 50;
        double s = 0, h = 0;
        if (d > 0) {
          s = 100 * d / (std::lround(l) < 50 ? mx + mn : 2 - mx - mn);
          h = mx == R ? 60 * (G - B) / d : mx == G ? 60 * (B - R) / d + 120 : 60 * (R - G) / d + 240;
        }
        const T3 hsl = tohsl({r, g, b});
        const double dh = std::fmod(std::fabs(hsl.a - h), 360.0);
        ASSERT_LE(std::min(dh, 360 - dh), 0.501) << T3{r, g, b};
        ASSERT_LE(std::fabs(hsl.b - s), 0.501) << T3{r, g, b};
        ASSERT_LE(std::fabs(hsl.c - l), 0.501) << T3{r, g, b};
        const T3 rgb = torgb(hsl);
        ASSERT_LE(std::max({std::abs(rgb.a - r), std::abs(rgb.b - g), std::abs(rgb.c - b)}), 5)
            << T3{r, g, b};
      }
    }
  }
}

TEST(ColorTriple, ValueInBothRecords) {
  EXPECT_EQ(RGBTRIPLE(255, 128, 0).VALUE(), 0xFFFF8000u);
  EXPECT_EQ(RGBTRIPLE(0, -255, -255).VALUE(), 0xFFFFFF01u);  // unmasked: spills
  RGBTRIPLE c(1, 2, 3);
  c.VALUE(0x12345678u);
  EXPECT_EQ(of(c), (T3{0x34, 0x56, 0x78}));
  EXPECT_EQ(HSLTRIPLE(0, 100, 50).VALUE(), 0xFFFF0000u);
  HSLTRIPLE h(5, 5, 5);
  h.VALUE(0x00000A141Eu);  // (10, 20, 30): recomputing would give (10, 20, 31)
  EXPECT_EQ(of(h), (T3{210, 50, 8}));
  EXPECT_EQ(h.VALUE(), 0xFF0A141Eu);
  h.LIGHTNESS(8);  // any component change drops the link
  EXPECT_EQ(h.VALUE(), 0xFF0A141Fu);
}

TEST(ColorTriple, LinksAreCreatedInvalidatedAndReleasedAsChains) {
  const long base = live;
  {
    RGBTRIPLE c(255, 128, 0);
    HSLTRIPLE* link = c.TOHSL();
    EXPECT_EQ(live - base, 2);  // the HSL form and its own RGB form
    EXPECT_EQ(c.TOHSL(), link);
    EXPECT_EQ(of(*link->TORGB()), of(c));
    link->HUE(99);  // a present link is never recomputed
    EXPECT_EQ(c.TOHSL()->HUE(), 99);
    EXPECT_EQ(live - base, 1);
    c.RED(0);
    EXPECT_EQ(live - base, 0);
    EXPECT_EQ(of(*c.TOHSL()), (T3{120, 100, 25}));
    c.TOHSL()->TORGB()->TOHSL()->TORGB();
    EXPECT_EQ(live - base, 4);
    c.DESTROYHSL();
    EXPECT_EQ(live - base, 0);
    c.FROMHSL(300, 0, 37);  // the link keeps the values given
    EXPECT_EQ(of(*c.TOHSL()), (T3{300, 0, 37}));

    // Copies own a deep copy of the chain; assignment from inside the own
    // chain is safe.
    c.TOHSL()->TORGB()->TOHSL();
    RGBTRIPLE copy(c);
    EXPECT_EQ(live - base, 6);
    copy.TOHSL()->TORGB()->TOHSL()->HUE(7);
    EXPECT_EQ(c.TOHSL()->TORGB()->TOHSL()->HUE(), 300);
    copy = *copy.TOHSL()->TORGB();
    c = std::move(*c.TOHSL()->TORGB());
    HSLTRIPLE h(0, 100, 50);
    h.TORGB()->TOHSL();
    HSLTRIPLE hcopy = h;
    h = std::move(*hcopy.TORGB()->TOHSL());
    EXPECT_EQ(h.VALUE(), 0xFFFF0000u);

    // A long chain is copied and released without deep recursion.
    RGBTRIPLE* p = &c;
    for (int i = 0; i < 100000; ++i) p = p->TOHSL()->TORGB();
    RGBTRIPLE longcopy(c);
  }
  EXPECT_EQ(live, base);
}

TEST(ColorTriple, OutOfRangeInputStaysDefined) {
  HSLTRIPLE h(0, 0, 0);
  h.FROMRGB(255, -255, 0);  // max + min = 0: saturation divides by zero
  EXPECT_EQ(of(h), (T3{330, INT32_MAX, 0}));
  EXPECT_EQ(torgb({INT32_MIN, INT32_MAX, INT32_MAX}), (T3{INT32_MAX, INT32_MAX, INT32_MAX}));
  h.FROMRGB(nullptr);  // null sources are ignored
  RGBTRIPLE c(1, 2, 3);
  c.FROMHSL(nullptr);
  EXPECT_EQ(of(c), (T3{1, 2, 3}));
}
