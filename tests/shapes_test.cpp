// Shapes against pictures computed here pixel by pixel from the geometry
// rules (brute force over the whole target), at edges and clipping corners,
// under every raster operation, and onto the screen.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

#include "support/screen.hpp"
#include "zarvo/graphics/bitmap.hpp"
#include "zarvo/graphics/shapes.hpp"
#include "zarvo/runtime/runtime.hpp"

using namespace ZARVO;
using namespace ZARVO::GRAPHICS;

namespace {

constexpr int32_t TW = 41, TH = 31;
constexpr uint32_t INKCLR = 0x00ABCDEFu;  // XOR ink: a pixel drawn twice would vanish

using PRED = std::function<bool(int64_t, int64_t)>;

// Draws with XOR onto a zero target and checks that exactly the pixels PRED
// names (each once) changed.
void expectshape(const char* what, const std::function<void(BITMAP&)>& draw, const PRED& in) {
  BITMAP b(TW, TH, 0);
  draw(b);
  int wrong = 0;
  for (int32_t y = 0; y < TH; ++y)
    for (int32_t x = 0; x < TW; ++x) {
      const uint32_t want = in(x, y) ? INKCLR : 0;
      const uint32_t got = b.PIXEL({x, y});
      if (got != want && wrong++ < 5)
        ADD_FAILURE() << what << ": pixel (" << x << ", " << y << ") is " << std::hex << got
                      << ", wants " << want;
    }
  EXPECT_EQ(wrong, 0) << what;
}

int64_t sq(int64_t v) { return v * v; }

// Thickness-1 line: for each step along the longer axis, the other coordinate
// from the exact real value rounded half up.
bool onthinline(int64_t ax, int64_t ay, int64_t bx, int64_t by, int64_t x, int64_t y) {
  const bool xmajor = std::llabs(bx - ax) >= std::llabs(by - ay);
  const int64_t m = xmajor ? x : y, n = xmajor ? y : x;
  int64_t ma = xmajor ? ax : ay, na = xmajor ? ay : ax, mb = xmajor ? bx : by,
          nb = xmajor ? by : bx;
  if (ma > mb) {
    std::swap(ma, mb);
    std::swap(na, nb);
  }
  if (m < ma || m > mb) return false;
  if (ma == mb) return n == na;
  const long double exact = na + static_cast<long double>(m - ma) * (nb - na) / (mb - ma);
  return n == static_cast<int64_t>(std::floor(exact + 0.5L));
}

// Distance from pixel centre (x, y) to the segment, squared, in long double.
long double segdist2(int64_t ax, int64_t ay, int64_t bx, int64_t by, int64_t x, int64_t y) {
  const long double dx = bx - ax, dy = by - ay, qx = x - ax, qy = y - ay;
  const long double len2 = dx * dx + dy * dy;
  long double u = len2 == 0 ? 0 : (qx * dx + qy * dy) / len2;
  u = std::fmax(0.0L, std::fmin(1.0L, u));
  const long double ex = qx - u * dx, ey = qy - u * dy;
  return ex * ex + ey * ey;
}

BITMAP& screenbitmap() {
  static BITMAP empty;
  return empty;
}

}  // namespace

TEST(Shapes, FilledAndOutlinedRectanglesAtEdgesAndCorners) {
  TESTS::OPENSCREEN();
  struct CASE {
    int32_t x, y, w, h;
  } cases[] = {{3, 4, 10, 6},  {-5, -7, 12, 11}, {35, 25, 20, 20}, {-100, 2, 300, 3},
               {0, 0, TW, TH}, {7, 7, 0, 5},     {7, 7, 5, 0},     {7, 7, -4, 5},
               {TW, 0, 5, 5},  {0, TH, 5, 5},    {-5, -5, 5, 5},   {10, 10, 1, 1},
               {INT32_MAX - 3, 0, 10, 5}, {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}};
  for (const CASE& c : cases) {
    const int64_t x = c.x, y = c.y, w = c.w, h = c.h;
    auto infill = [=](int64_t i, int64_t j) { return i >= x && i < x + w && j >= y && j < y + h; };
    expectshape("FILLRECT",
                [&](BITMAP& b) { FILLRECT(b, c.x, c.y, c.w, c.h, INKCLR, RASTEROP::GXXOR); },
                infill);
    for (int32_t t : {1, 2, 3, 5, 6, 40, 0, -2}) {
      auto inrect = [=](int64_t i, int64_t j) {
        if (t < 1 || !infill(i, j)) return false;
        return i < x + t || i >= x + w - t || j < y + t || j >= y + h - t;
      };
      expectshape("RECT",
                  [&](BITMAP& b) { RECT(b, c.x, c.y, c.w, c.h, INKCLR, t, RASTEROP::GXXOR); },
                  inrect);
    }
  }
}

TEST(Shapes, LinesOfThicknessOneInEveryDirectionAndClipped) {
  TESTS::OPENSCREEN();
  struct CASE {
    int32_t ax, ay, bx, by;
  } cases[] = {{2, 3, 30, 3},   {2, 3, 2, 25},    {1, 1, 29, 29},   {30, 2, 3, 20},
               {5, 28, 37, 11}, {20, 2, 25, 29},  {-10, -4, 50, 40}, {40, -3, -8, 35},
               {7, 7, 7, 7},    {-3, 5, -3, 9},   {3, 3, 9, 6},     {0, 0, 40, 1},
               {-1000, 15, 1000, 16}, {20, -5000, 21, 5000}, {INT32_MIN, 0, INT32_MAX, 30}};
  for (const CASE& c : cases) {
    auto on = [=](int64_t x, int64_t y) {
      // Far coordinates are clamped into +-2^28 first.
      auto k = [](int64_t v) { return std::clamp<int64_t>(v, -(1 << 28), 1 << 28); };
      return onthinline(k(c.ax), k(c.ay), k(c.bx), k(c.by), x, y);
    };
    expectshape("LINE", [&](BITMAP& b) { LINE(b, c.ax, c.ay, c.bx, c.by, INKCLR, 1, FALSE, RASTEROP::GXXOR); }, on);
    expectshape("LINE reversed", [&](BITMAP& b) { LINE(b, c.bx, c.by, c.ax, c.ay, INKCLR, 1, FALSE, RASTEROP::GXXOR); }, on);
  }
  // Rounding half up: (0,0)-(4,1) passes y = 0.5 at x = 2.
  BITMAP b(8, 4, 0);
  LINE(b, 0, 0, 4, 1, 0xFFFFFFFFu);
  EXPECT_EQ(b.PIXEL({1, 0}), 0xFFFFFFFFu);
  EXPECT_EQ(b.PIXEL({2, 1}), 0xFFFFFFFFu);
  EXPECT_EQ(b.PIXEL({2, 0}), 0u);
}

TEST(Shapes, ThickLinesCoverCentresWithinHalfTheThickness) {
  TESTS::OPENSCREEN();
  struct CASE {
    int32_t ax, ay, bx, by, t;
  } cases[] = {{5, 5, 35, 5, 4},   {5, 5, 35, 20, 3},  {20, 3, 22, 27, 6}, {10, 15, 10, 15, 7},
               {-20, 0, 60, 30, 5}, {3, 26, 38, 4, 2}, {15, 15, 25, 16, 60}, {0, 40, 40, 0, 9},
               {5, 5, 6, 20, 2}};
  for (const CASE& c : cases) {
    auto in = [=](int64_t x, int64_t y) {
      // 4 d^2 <= t^2 with d^2 exact enough here: all ties are integers.
      const long double d2 = segdist2(c.ax, c.ay, c.bx, c.by, x, y);
      return 4 * d2 <= static_cast<long double>(c.t) * c.t + 1e-9L;
    };
    expectshape("thick LINE",
                [&](BITMAP& b) { LINE(b, c.ax, c.ay, c.bx, c.by, INKCLR, c.t, FALSE, RASTEROP::GXXOR); },
                in);
  }
  // Thickness below 1 draws nothing.
  expectshape("LINE thickness 0", [](BITMAP& b) { LINE(b, 1, 1, 30, 20, INKCLR, 0, FALSE, RASTEROP::GXXOR); },
              [](int64_t, int64_t) { return false; });
}

TEST(Shapes, CirclesAndDiscsAgainstDistances) {
  TESTS::OPENSCREEN();
  struct CASE {
    int32_t x, y, r;
  } cases[] = {{20, 15, 0}, {20, 15, 1}, {20, 15, 7}, {20, 15, 14}, {0, 0, 9}, {-5, 15, 12},
               {40, 30, 20}, {20, 15, 100}, {20, 15, -1}, {60, 15, 10}};
  for (const CASE& c : cases) {
    auto indisc = [=](int64_t x, int64_t y, int64_t r) {
      return r >= 0 && sq(x - c.x) + sq(y - c.y) <= r * r + r;
    };
    expectshape("FILLCIRCLE",
                [&](BITMAP& b) { FILLCIRCLE(b, c.x, c.y, c.r, INKCLR, FALSE, RASTEROP::GXXOR); },
                [&](int64_t x, int64_t y) { return indisc(x, y, c.r); });
    for (int32_t t : {1, 2, 4, 30, 0}) {
      expectshape("CIRCLE",
                  [&](BITMAP& b) { CIRCLE(b, c.x, c.y, c.r, INKCLR, t, FALSE, RASTEROP::GXXOR); },
                  [&](int64_t x, int64_t y) {
                    return t >= 1 && indisc(x, y, c.r) && !indisc(x, y, c.r - t);
                  });
    }
  }
  // A thickness-1 ring of radius 5, drawn by hand: closed, one pixel wide.
  BITMAP b(11, 11, 0);
  CIRCLE(b, 5, 5, 5, 0xFFFFFFFFu);
  const char* picture[] = {"...#####...", "..#.....#..", ".#.......#.", "#.........#",
                           "#.........#", "#.........#", "#.........#", "#.........#",
                           ".#.......#.", "..#.....#..", "...#####..."};
  for (int32_t y = 0; y < 11; ++y)
    for (int32_t x = 0; x < 11; ++x)
      EXPECT_EQ(b.PIXEL({x, y}) != 0, picture[y][x] == '#') << x << ", " << y;
}

TEST(Shapes, EveryRasterOperationMatchesDrawingABitmapOfTheColour) {
  TESTS::OPENSCREEN();
  const uint32_t colours[] = {0xFF3366CCu, 0x80FF2010u, 0x00123456u, 0x12FF00FFu};
  auto custom = [](uint32_t s, uint32_t d, void* p) -> uint32_t {
    return (s + d) ^ static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p));
  };
  for (uint32_t clr : colours) {
    for (int32_t op = -2; op <= 39; ++op) {
      const RASTEROP m = static_cast<RASTEROP>(op);
      BITMAP got(TW, TH, 0), want(TW, TH, 0);
      uint32_t seed = 99;
      for (int32_t y = 0; y < TH; ++y)
        for (int32_t x = 0; x < TW; ++x) {
          const uint32_t v = TESTS::NOISE(seed);
          got.PIXEL({x, y}, v);
          want.PIXEL({x, y}, v);
        }
      void* prm = reinterpret_cast<void*>(uintptr_t{0x5A});
      FILLRECT(got, 3, 2, 30, 20, clr, m, custom, prm);
      // Oracle: the same colour as an image, drawn by DRAWTO; GXAUTO is GXPSET
      // for opaque colours and GXALPHA for the others.
      RASTEROP drawn = m;
      if (op == -1) drawn = (clr >> 24) == 255 ? RASTEROP::GXPSET : RASTEROP::GXALPHA;
      BITMAP patch(30, 20, clr);
      if (op >= -1 && op <= 38) patch.DRAWTO(want, 3, 2, 0, 0, 0, 0, drawn, custom, prm);
      int wrong = 0;
      for (int32_t y = 0; y < TH; ++y)
        for (int32_t x = 0; x < TW; ++x)
          if (got.PIXEL({x, y}) != want.PIXEL({x, y}) && wrong++ == 0)
            ADD_FAILURE() << "op " << op << " colour " << std::hex << clr << " at " << std::dec
                          << x << ", " << y;
    }
  }
  // GXCUSTOM without a callback draws nothing.
  BITMAP b(4, 4, 7);
  FILLRECT(b, 0, 0, 4, 4, 0xFFFFFFFFu, RASTEROP::GXCUSTOM);
  EXPECT_EQ(b.PIXEL({1, 1}), 7u);
}

TEST(Shapes, AntiAliasedEdgesBlendByCoverage) {
  TESTS::OPENSCREEN();
  auto blend = [](uint32_t s, uint32_t d) {  // the ALPHA rule, byte by byte
    const int a = static_cast<int>(s >> 24);
    uint32_t out = 0;
    for (int c = 0; c < 32; c += 8) {
      const int sc = (s >> c) & 255, dc = (d >> c) & 255;
      const int v = dc + static_cast<int>(std::floor((sc - dc) * a / 256.0));
      out |= static_cast<uint32_t>(v) << c;
    }
    return out;
  };
  auto expected = [&](double coverage, uint32_t clr, uint32_t bg) {
    const int k = static_cast<int>(std::lround(std::clamp(coverage, 0.0, 1.0) * 255));
    if (k == 0) return bg;
    const uint32_t a = ((clr >> 24) * static_cast<uint32_t>(k) + 127) / 255;
    const uint32_t s = (clr & 0xFFFFFF) | (a << 24);
    return a == 255 ? s : (a == 0 ? bg : blend(s, bg));
  };
  const uint32_t bg = 0xFF102030u;
  for (uint32_t clr : {0xFFF0E0D0u, 0x80F0E0D0u}) {
    BITMAP b(TW, TH, bg);
    FILLCIRCLE(b, 20, 15, 9, clr, TRUE);
    BITMAP r(TW, TH, bg);
    CIRCLE(r, 20, 15, 12, clr, 3, TRUE);
    BITMAP l(TW, TH, bg);
    LINE(l, 3, 4, 37, 21, clr, 3, TRUE);
    for (int32_t y = 0; y < TH; ++y)
      for (int32_t x = 0; x < TW; ++x) {
        const double d = std::hypot(x - 20.0, y - 15.0);
        EXPECT_EQ(b.PIXEL({x, y}), expected(10 - d, clr, bg)) << "disc " << x << ", " << y;
        const double ring = std::clamp(13 - d, 0.0, 1.0) - std::clamp(10 - d, 0.0, 1.0);
        EXPECT_EQ(r.PIXEL({x, y}), expected(ring, clr, bg)) << "ring " << x << ", " << y;
        const double ld = std::sqrt(static_cast<double>(segdist2(3, 4, 37, 21, x, y)));
        EXPECT_EQ(l.PIXEL({x, y}), expected(2 - ld, clr, bg)) << "line " << x << ", " << y;
      }
  }
  // A horizontal anti-aliased line of thickness 1 is the plain line.
  BITMAP a(20, 5, 0), p(20, 5, 0);
  LINE(a, 2, 2, 17, 2, 0xFFFFFFFFu, 1, TRUE);
  LINE(p, 2, 2, 17, 2, 0xFFFFFFFFu, 1, FALSE);
  for (int32_t y = 0; y < 5; ++y)
    for (int32_t x = 0; x < 20; ++x) EXPECT_EQ(a.PIXEL({x, y}), p.PIXEL({x, y}));
}

TEST(Shapes, ExtremeArgumentsStayInsideTheTarget) {
  TESTS::OPENSCREEN();
  BITMAP b(TW, TH, 0);
  // Nothing here may write outside the target or take long; ASan watches.
  FILLCIRCLE(b, 0, 0, INT32_MAX, 0xFFFFFFFFu);
  EXPECT_EQ(b.PIXEL({TW - 1, TH - 1}), 0xFFFFFFFFu);
  FILLCIRCLE(b, INT32_MIN, INT32_MAX, INT32_MAX, 0xFF000000u, TRUE);
  CIRCLE(b, 20, 15, INT32_MAX, 0xFF00FF00u, INT32_MAX, TRUE);
  EXPECT_EQ(b.PIXEL({20, 15}), 0xFF00FF00u) << "a ring thicker than its radius is a disc";
  LINE(b, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, 0xFF0000FFu, INT32_MAX);
  EXPECT_EQ(b.PIXEL({0, TH - 1}), 0xFF0000FFu);
  LINE(b, INT32_MIN, 3, INT32_MAX, 9, 0xFF0000FFu, 7, TRUE);
  RECT(b, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, 0xFFFFFFFFu, INT32_MAX);
  CIRCLE(b, 20, 15, 10, 0xFFFFFFFFu, INT32_MIN);
  // An empty non-screen bitmap is the screen; without a screen nothing draws.
  RUNTIME::SCREENCLOSE();
  BITMAP c(TW, TH, 0);  // no screen: stays empty
  FILLRECT(b, 0, 0, TW, TH, 0xFF123456u);
  EXPECT_NE(b.PIXEL({0, 0}), 0xFF123456u) << "nothing is drawn while no screen exists";
  b.CLEAR(0xFF123456u);
  c.CLEAR(0xFF123456u);
}

TEST(Shapes, TheScreenThroughAnEmptyBitmapAndItsLock) {
  TESTS::OPENSCREEN(64, 48);
  BITMAP& screen = screenbitmap();
  const uint64_t before = RUNTIME::PRESENTCOUNT();
  screen.CLEAR(0xFF204060u);
  EXPECT_FALSE(RUNTIME::SCREENLOCKED()) << "the lock taken for the work is released";
  EXPECT_EQ(RUNTIME::PRESENTCOUNT(), before + 1) << "the cleared rows are presented";
  const uint32_t* px = RUNTIME::SCREENPTR();
  const int32_t pitch = RUNTIME::SCREENPITCH() / 4;
  EXPECT_EQ(px[0], 0xFF204060u);
  EXPECT_EQ(px[47 * pitch + 63], 0xFF204060u);

  // In a paint handler the loop holds the lock: nothing is presented until it
  // lets go, and then the drawn rows are.
  RUNTIME::SCREENLOCK();
  FILLRECT(screen, 10, 20, 5, 3, 0xFFFFFFFFu);
  CIRCLE(screen, 30, 30, 4, 0xFF00FF00u, 1, TRUE);
  LINE(screen, 0, 47, 63, 0, 0xFFFF0000u);
  EXPECT_TRUE(RUNTIME::SCREENLOCKED());
  EXPECT_EQ(RUNTIME::PRESENTCOUNT(), before + 1);
  RUNTIME::SCREENUNLOCK();
  EXPECT_EQ(RUNTIME::PRESENTCOUNT(), before + 2);
  EXPECT_EQ(px[20 * pitch + 10], 0xFFFFFFFFu);
  EXPECT_EQ(px[22 * pitch + 14], 0xFFFFFFFFu);
  EXPECT_EQ(px[23 * pitch + 14], 0xFF204060u);
  EXPECT_EQ(px[47 * pitch + 0], 0xFFFF0000u);

  // A shape wholly outside the screen presents nothing.
  FILLRECT(screen, 100, 100, 5, 5, 0xFFFFFFFFu);
  EXPECT_EQ(RUNTIME::PRESENTCOUNT(), before + 2);
}
