#include "zarvo/graphics/blender.hpp"

#include <gtest/gtest.h>

#include "zarvo/runtime/simdlevel.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

using namespace ZARVO;
namespace BL = ZARVO::GRAPHICS::BLENDER;
namespace RT = ZARVO::RUNTIME;

namespace {

int32_t FOUR = 4;

uint32_t argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
  return a << 24 | r << 16 | g << 8 | b;
}
uint32_t chan(uint32_t p, int c) { return (p >> (16 - 8 * c)) & 255u; }  // 0 red, 1 green, 2 blue

// The cosine curve, rounded with floor(x + 0.5).
double cosine(int i) { return std::floor(64.0 - 64.0 * std::cos(i * M_PI / 255.0) + 0.5); }

// Each mode's unclamped value, written with real division and floor.
double rule(int mode, double S, double D) {
  auto fl = [](double x) { return std::floor(x); };
  switch (mode) {
    case 9: return S;
    case 10: return fl((S * D + 1) / 256);
    case 11: return 255 - fl(((255 - S) * (255 - D) + 1) / 256);
    case 12: return std::min(S, D);
    case 13: return std::max(S, D);
    case 14: return std::fabs(D - S);
    case 15: return S + D - fl((S * D + 1) / 128);
    case 16: return 255 - std::fabs(255 - D - S);
    case 17: return cosine(int(D)) + cosine(int(S));
    case 18: return D + 2 * S - 256;
    case 19: return fl((S + D + 1) / 2);
    case 20: return D < 128 ? fl((D * S + 1) / 128) : 255 - fl(((255 - D) * (255 - S) + 1) / 128);
    case 21: return S < 128 ? fl((S * D + 1) / 128) : 255 - fl(((255 - S) * (255 - D) + 1) / 128);
    case 22: {
      const double c = fl((D * S + 1) / 256), x = fl(((255 - D) * (255 - S) + 1) / 256);
      return c + fl(D * (256 - x - c) / 256);
    }
    case 23: return std::nearbyint(std::min(255.0, D * 256 / (256 - S)));
    case 24: return std::nearbyint(std::min(255.0, S * 256 / (256 - D)));
    case 25: return D + S < 256 ? fl(D * 128 / (256 - S)) : 255 - fl((255 - S) * 128 / (D + 1));
    case 26: return 255 - fl((255 - D) * 256 / (S + 1));
    case 27: return 255 - fl((255 - S) * 256 / (D + 1));
    case 28: return D + S < 256 ? fl(S * 128 / (256 - D)) : 255 - fl((255 - D) * 128 / (S + 1));
    case 29: return fl(D * D / (256 - S));
    case 30: return fl(S * S / (256 - D));
    case 31: return 255 - fl((255 - D) * (255 - D) / (S + 1));
    case 32: return 255 - fl((255 - S) * (255 - S) / (D + 1));
    case 33: return S + D;
    case 34: return S + D - 256;
  }
  return -1;
}

// The whole pixel as the engine defines it: clamp, then for a 32-bit source
// skip below opacity 0.1 and mix (1 - a) D + b a, a the float nearest A / 255.
uint32_t expected(int mode, uint32_t s, uint32_t d, bool fourbytes) {
  const float a = static_cast<float>((s >> 24) / 255.0);
  if (fourbytes && a < 0.1) return d;
  uint32_t out = s & 0xFF000000u;
  for (int c = 0; c < 3; ++c) {
    const double S = chan(s, c), D = chan(d, c);
    double b = mode >= 35 ? (mode - 35 == c ? S : D) : std::clamp(rule(mode, S, D), 0.0, 255.0);
    if (fourbytes) b = static_cast<double>(std::nearbyint((1.0L - a) * D + b * (long double)a));
    out |= static_cast<uint32_t>(b) << (16 - 8 * c);
  }
  return out;
}

std::vector<uint32_t> randompixels(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<uint32_t> v(n);
  for (auto& p : v) p = rng();
  return v;
}

// Runs f at every kernel level this process has, best first; a failure
// names the level.
template <class F>
void atlevels(F f) {
  for (int l = RT::SIMDBEST(); l >= 0; --l) {
    RT::SIMDLEVEL(l);
    SCOPED_TRACE(RT::SIMDNAME(l));
    f();
  }
  RT::SIMDLEVEL(-1);
}

// Per pixel and by rows at every level against the independent rule. Every
// channel pair in every channel: red (S, D), green (D, S), blue
// (255 - S, 255 - D). Returns the count of wrong pixels and wrong rows.
int allpairs(int mode, uint32_t A, int32_t* bpp = &FOUR) {
  std::vector<uint32_t> src(256 * 256), dst(256 * 256), want(256 * 256), row;
  int bad = 0;
  for (uint32_t S = 0; S < 256; ++S) {
    for (uint32_t D = 0; D < 256; ++D) {
      const size_t i = S * 256 + D;
      src[i] = argb(A, S, D, 255 - S);
      dst[i] = argb(D ^ 0x5A, D, S, 255 - D);
      want[i] = expected(mode, src[i], dst[i], *bpp == 4);
      bad += BL::FUNCTION(mode)(src[i], dst[i], bpp) != want[i];
    }
  }
  atlevels([&] {
    row = dst;
    for (size_t y = 0; y < 256; ++y)  // one row per S, as DRAWTO calls it
      BL::ROWFUNCTION(mode)(&src[y * 256], &row[y * 256], 256, bpp);
    for (size_t i = 0; i < row.size(); ++i) {
      if (row[i] != want[i]) {
        ++bad;
        ADD_FAILURE() << "mode " << mode << " alpha " << A << ": " << std::hex << src[i] << " on "
                      << dst[i] << " gives " << row[i] << ", not " << want[i];
        break;
      }
    }
  });
  return bad;
}

// Random pixels, with the source's alpha forced to A unless A is negative.
int randompairs(int mode, int A, int32_t* bpp) {
  auto src = randompixels(300, uint32_t(mode * 1000 + A)), dst = randompixels(300, 99);
  if (A >= 0)
    for (auto& p : src) p = (p & 0xFFFFFFu) | uint32_t(A) << 24;
  int bad = 0;
  std::vector<uint32_t> want(src.size());
  for (size_t i = 0; i < src.size(); ++i) {
    want[i] = expected(mode, src[i], dst[i], !bpp || *bpp == 4);
    bad += BL::FUNCTION(mode)(src[i], dst[i], bpp) != want[i];
  }
  atlevels([&] {
    std::vector<uint32_t> row(dst);
    BL::ROWFUNCTION(mode)(src.data(), row.data(), 300, bpp);
    bad += row != want;
  });
  return bad;
}

}  // namespace

TEST(BlendEdges, WorkedValuesOfTheModes) {
  auto one = [](int mode, uint32_t S, uint32_t D) {
    return chan(BL::FUNCTION(mode)(argb(255, S, 0, 0), argb(255, D, 0, 0), &FOUR), 0);
  };
  EXPECT_EQ(one(10, 255, 255), 254u);  // MULTIPLY
  EXPECT_EQ(one(11, 0, 0), 1u);        // SCREEN
  EXPECT_EQ(one(15, 255, 255), 2u);    // EXCLUSION
  EXPECT_EQ(one(19, 0, 255), 128u);    // AVERAGE
  EXPECT_EQ(one(17, 255, 255), 255u);  // INTERPOLATION, 256 clamped
  EXPECT_EQ(one(34, 100, 100), 0u);    // SUBTRACTIVE
  EXPECT_EQ(one(18, 0, 255), 0u);      // STAMP
  EXPECT_EQ(one(18, 255, 0), 254u);
  EXPECT_EQ(one(23, 255, 0), 0u);  // COLORDODGE
  for (uint32_t d = 1; d < 256; ++d) EXPECT_EQ(one(23, 255, d), 255u);
  for (uint32_t d = 0; d < 255; ++d) EXPECT_EQ(one(26, 0, d), 0u);  // COLORBURN
  EXPECT_EQ(one(26, 0, 255), 255u);
  EXPECT_EQ(one(31, 0, 0), 0u);      // FREEZE
  EXPECT_EQ(one(29, 0, 255), 254u);  // REFLECT
  // Half-opaque red over opaque blue keeps the source's alpha.
  EXPECT_EQ(BL::NORMAL(0x80FF0000u, 0xFF0000FFu, &FOUR), 0x8080007Fu);
  EXPECT_EQ(BL::NORMAL(0x1AFFFFFFu, 0xFF000000u, &FOUR), 0x1A1A1A1Au);
  EXPECT_EQ(BL::NORMAL(0x19FFFFFFu, 0x12345678u, &FOUR), 0x12345678u);
}


// Both row paths: the 32-bit source at full opacity, and a source of
// another depth (no opacity step), where the alpha byte is passed through.
TEST(BlendModes, AllChannelPairsAtFullOpacityAndWithoutOpacity) {
  int32_t three = 3;
  for (int mode = 9; mode <= 37; ++mode) {
    EXPECT_EQ(allpairs(mode, 255), 0) << mode;
    EXPECT_EQ(allpairs(mode, 77, &three), 0) << mode;
  }
}

// NORMAL's value is S, so these are every (value, destination) pair the
// opacity step can meet, at the skip's edge and across the alphas.
TEST(BlendOpacity, MixRoundsLikeTheFloatRuleAtEveryPairForManyAlphas) {
  std::vector<uint32_t> alphas = {0, 1, 25, 26, 27, 29, 128, 254};
  for (uint32_t A = 30; A < 256; A += 5) alphas.push_back(A);
  for (uint32_t A : alphas) ASSERT_EQ(allpairs(9, A), 0) << "alpha " << A;
  for (uint32_t A : {26u, 100u, 200u}) EXPECT_EQ(allpairs(22, A), 0) << "alpha " << A;
}

// Below 26 the destination stays, all four bytes.
TEST(BlendOpacity, ThresholdsInEveryMode) {
  for (int mode = 9; mode <= 37; ++mode)
    for (int A : {0, 25, 26, 254, 255}) EXPECT_EQ(randompairs(mode, A, &FOUR), 0) << mode << " " << A;
}

TEST(BlendDepth, OtherDepthSkipsOpacityAndNullCountsAsFour) {
  int32_t three = 3, zero = 0, minus = -4;
  EXPECT_EQ(BL::MULTIPLY(0x00FFFFFFu, 0xFF808080u, &three), 0x007F7F7Fu);  // alpha 0 still blends
  for (int mode = 9; mode <= 37; ++mode)
    for (int32_t* bpp : {&three, &zero, &minus, static_cast<int32_t*>(nullptr)})
      EXPECT_EQ(randompairs(mode, -1, bpp), 0) << mode;
}

TEST(BlendTransparent, LeavesTheDestinationBitForBit) {
  auto src = randompixels(1000, 5), dst = randompixels(1000, 6);
  int32_t three = 3;
  for (size_t i = 0; i < src.size(); ++i) {
    EXPECT_EQ(BL::TRANSPARENT(src[i], dst[i], &three), dst[i]);
    EXPECT_EQ(BL::TRANSPARENT(src[i], dst[i], nullptr), dst[i]);
  }
  const auto before = dst;
  BL::ROWFUNCTION(8)(src.data(), dst.data(), 1000, &FOUR);
  EXPECT_EQ(dst, before);
}

// Rows of every length through the vector bodies and their tails, at odd
// offsets, random alphas.
TEST(BlendRows, EqualPerPixelCallsForAnyRow) {
  const auto src = randompixels(700, 7), dst0 = randompixels(700, 8);
  int32_t three = 3;
  for (int mode = 8; mode <= 37; ++mode) {
    for (void* prm : {static_cast<void*>(&FOUR), static_cast<void*>(&three), static_cast<void*>(nullptr)}) {
      for (int32_t n : {0, 1, 2, 3, 5, 7, 8, 9, 15, 16, 17, 31, 33, 63, 64, 65, 66, 67, 100, 641}) {
        std::vector<uint32_t> ref(dst0);
        for (int32_t i = 0; i < n; ++i) ref[5 + i] = BL::FUNCTION(mode)(src[3 + i], ref[5 + i], prm);
        atlevels([&] {
          std::vector<uint32_t> row(dst0);
          BL::ROWFUNCTION(mode)(src.data() + 3, row.data() + 5, n, prm);
          ASSERT_EQ(row, ref) << "mode " << mode << " n " << n;
        });
      }
    }
  }
}

// A row that reads pixels it has already written sees its own results, as
// one call per pixel would.
TEST(BlendRows, OverlappingRowsFollowPixelOrder) {
  const auto init = randompixels(300, 9);
  for (int mode = 8; mode <= 37; ++mode) {
    for (int shift : {-1, 1, 0, -37, 64}) {
      const int32_t n = 180, so = 50 + shift, dof = 50;
      std::vector<uint32_t> ref(init);
      for (int32_t i = 0; i < n; ++i)
        ref[dof + i] = BL::FUNCTION(mode)(ref[so + i], ref[dof + i], &FOUR);
      atlevels([&] {
        std::vector<uint32_t> buf(init);
        BL::ROWFUNCTION(mode)(buf.data() + so, buf.data() + dof, n, &FOUR);
        ASSERT_EQ(buf, ref) << "mode " << mode << " shift " << shift;
      });
    }
  }
}

TEST(BlendLookup, NothingOutsideEightToThirtySeven) {
  for (int32_t op : {-1, 0, 7, 38, 1000}) {
    EXPECT_EQ(BL::FUNCTION(op), nullptr);
    EXPECT_EQ(BL::ROWFUNCTION(op), nullptr);
  }
}
