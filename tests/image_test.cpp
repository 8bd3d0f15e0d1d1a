// Image buffers and the image put: layout, creation rules, every put mode
// against hand-computed pixels, clamping, clipping and the screen lock.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "support/screen.hpp"
#include "zarvo/runtime/image.hpp"
#include "zarvo/runtime/pixelrows.hpp"
#include "zarvo/runtime/runtime.hpp"
#include "zarvo/runtime/simdlevel.hpp"

using namespace ZARVO::RUNTIME;
using TESTS::IMG;

namespace {

int64_t floordiv256(int64_t v) { return v >= 0 ? v / 256 : -((-v + 255) / 256); }

uint8_t byteof(uint32_t p, int c) { return static_cast<uint8_t>(p >> (8 * c)); }

bool mask(uint32_t p) { return (p & 0xFFFFFF) == 0xFF00FF; }

// The per-pixel rules, byte by byte, written out plainly.
uint32_t reference(PUTMODE mode, uint32_t s, uint32_t d, int32_t A) {
  uint32_t out = 0;
  switch (mode) {
    case PUT_PSET:
      return s;
    case PUT_PRESET:
      return ~s;
    case PUT_AND:
      return d & s;
    case PUT_OR:
      return d | s;
    case PUT_XOR:
      return d ^ s;
    case PUT_TRANS:
      return mask(s) ? d : (s & 0x00FFFFFF);
    case PUT_ALPHA:
      for (int c = 0; c < 4; ++c) {
        int dc = byteof(d, c), sc = byteof(s, c), a = byteof(s, 3);
        out |= static_cast<uint32_t>(dc + floordiv256((sc - dc) * a)) << (8 * c);
      }
      return out;
    case PUT_ADD:
      if (mask(s)) return d;
      // Any factor, negative ones included; a byte cannot go below 0.
      for (int c = 0; c < 4; ++c) {
        int64_t v = byteof(d, c) + floordiv256(int64_t{byteof(s, c)} * A);
        out |= static_cast<uint32_t>(v > 255 ? 255 : (v < 0 ? 0 : v)) << (8 * c);
      }
      return out;
    case PUT_BLEND: {
      if (mask(s)) return d;
      int k = (A & 255) + 1;
      for (int c = 0; c < 4; ++c) {
        int dc = byteof(d, c), sc = byteof(s, c);
        out |= static_cast<uint32_t>(dc + floordiv256((sc - dc) * k)) << (8 * c);
      }
      return out;
    }
    default:
      return d;
  }
}

uint32_t putone(PUTMODE mode, uint32_t s, uint32_t d, int32_t A = -1) {
  IMG src(1, 1, s), dst(1, 1, d);
  IMAGEPUT(dst, 0, 0, src, 0, 0, 0, 0, RECT_CORNERS, mode, A, nullptr, nullptr);
  return dst.at(0, 0);
}

class ImagePut : public ::testing::Test {
 protected:
  void SetUp() override { TESTS::OPENSCREEN(64, 48); }
};

}  // namespace

TEST(ImageCreate, LayoutAndRefusals) {
  EXPECT_EQ(IMAGECREATE(5, 3, 0xFF000000u, 32, 0), nullptr) << "no screen yet";
  TESTS::OPENSCREEN();
  IMG img(5, 3, 0xFF000000u);
  ASSERT_NE(img.p, nullptr);
  const int32_t* h = reinterpret_cast<const int32_t*>(img.p);
  EXPECT_EQ(h[0], 7);
  EXPECT_EQ(h[1], 4);
  EXPECT_EQ(h[2], 5);
  EXPECT_EQ(h[3], 3);
  EXPECT_EQ(h[4], 32);
  EXPECT_EQ(h[6], 0);
  EXPECT_EQ(h[7], 0);
  EXPECT_EQ(IMAGESIZE(img), 32u + 96u);
  for (uint32_t y = 0; y < 3; ++y)
    for (uint32_t x = 0; x < 8; ++x) EXPECT_EQ(img.at(x, y), 0xFF000000u) << "padding too";
  IMG one(1, 1), four(4, 1);
  EXPECT_EQ(one.p->PITCH, 16u);
  EXPECT_EQ(four.p->PITCH, 16u);
  EXPECT_EQ(IMAGECREATE(0, 3, 0, 32, 0), nullptr);
  EXPECT_EQ(IMAGECREATE(3, -1, 0, 32, 0), nullptr);
  EXPECT_EQ(IMAGECREATE(3, 3, 0, 24, 0), nullptr);
  IMG neg(2, 2, 0x12345678u);
  IMG magenta(IMAGECREATE(2, 2, 0x12345678u, 32, -1));
  EXPECT_EQ(magenta.at(1, 1), 0xFFFF00FFu);
  IMG small(IMAGECREATE(3, 2, 0xABCD, 16, 0));
  ASSERT_NE(small.p, nullptr);
  EXPECT_EQ(small.p->BPP, 2);
  EXPECT_EQ(small.p->PITCH, 16u);
  IMAGEDESTROY(nullptr);
}

TEST(ImageCreate, HugeSizesAreRefused) {
  TESTS::OPENSCREEN();
  EXPECT_EQ(IMAGECREATE(0x7FFFFFFF, 0x7FFFFFFF, 0, 32, 0), nullptr);
  EXPECT_EQ(IMAGEALLOCATE(4, 0x40000000u, 1, 0x40000000u), nullptr) << "pitch below width";
  EXPECT_EQ(IMAGEALLOCATE(4, 70000, 70000, 280000), nullptr) << "beyond 32-bit offsets";
}

TEST_F(ImagePut, WorkedExamples) {
  EXPECT_EQ(putone(PUT_TRANS, 0x12FF00FFu, 0xCAFEBABEu), 0xCAFEBABEu);
  EXPECT_EQ(putone(PUT_TRANS, 0xFF123456u, 0xCAFEBABEu), 0x00123456u);
  EXPECT_EQ(putone(PUT_ALPHA, 0xFFFFFFFFu, 0xFF000000u), 0xFFFEFEFEu);
  EXPECT_EQ(putone(PUT_ALPHA, 0x80FF0000u, 0xFF0000FFu), 0xBF7F007Fu);
  EXPECT_EQ(putone(PUT_ALPHA, 0x00FFFFFFu, 0x12345678u), 0x12345678u);
  EXPECT_EQ(putone(PUT_ADD, 0xFFFFFFFFu, 0x00000000u, 255), 0xFEFEFEFEu);
  EXPECT_EQ(putone(PUT_ADD, 0x80402010u, 0x10101010u, 255), 0x8F4F2F1Fu);
  EXPECT_EQ(putone(PUT_ADD, 0xFFFFFFFFu, 0x80808080u, 255), 0xFFFFFFFFu);
  EXPECT_EQ(putone(PUT_ADD, 0x40404040u, 0x80808080u, -256), 0x40404040u) << "a negative factor";
  EXPECT_EQ(putone(PUT_ADD, 0x01020304u, 0x80808080u, -1), 0x7F7F7F7Fu) << "floor, not truncation";
  EXPECT_EQ(putone(PUT_ADD, 0xFF400000u, 0x80808080u, -512), 0x00008080u) << "no byte below 0";
  EXPECT_EQ(putone(PUT_BLEND, 0x12345678u, 0x9ABCDEF0u, 255), 0x12345678u);
  EXPECT_EQ(putone(PUT_BLEND, 0x12345678u, 0x9ABCDEF0u, 0), 0x9ABCDEF0u);
  EXPECT_EQ(putone(PUT_BLEND, 0x12345678u, 0x9ABCDEF0u, 1), 0x98BADCEFu);
  EXPECT_EQ(putone(PUT_BLEND, 0x12345678u, 0x9ABCDEF0u, 256), 0x99BBDDEFu) << "acts as k = 1";
  EXPECT_EQ(putone(PUT_PRESET, 0x0F0F0F0Fu, 0), 0xF0F0F0F0u);
  EXPECT_EQ(putone(PUT_AND, 0xFF00FF00u, 0x12345678u), 0x12005600u);
  EXPECT_EQ(putone(PUT_OR, 0xFF00FF00u, 0x12345678u), 0xFF34FF78u);
  EXPECT_EQ(putone(PUT_XOR, 0xFF00FF00u, 0x12345678u), 0xED34A978u);
}

// Whole rows with random pixels must match the per-pixel rules bit for bit,
// at every kernel level and at widths that exercise the vector loops, their
// tails and the plain loops' blocks.
TEST_F(ImagePut, RowsMatchPerPixelRules) {
  for (int level = SIMDBEST(); level >= 0; --level) {
    SIMDLEVEL(level);
    const PUTMODE modes[] = {PUT_TRANS, PUT_PSET,  PUT_PRESET, PUT_AND,  PUT_OR,
                             PUT_XOR,   PUT_ALPHA, PUT_ADD,    PUT_BLEND};
    const int32_t alphas[] = {1,    2,    77,     128,       254,       255,  256,
                              300,  1000, 70000,  INT32_MAX, -1,        -5,   -128,
                              -255, -256, -257,   -70000,    INT32_MIN, 0};
    uint32_t seed = 12345;
    for (int32_t w : {1, 3, 7, 8, 17, 33, 61, 64, 67, 130}) {
      for (PUTMODE mode : modes) {
        for (int32_t a : alphas) {
          if ((mode != PUT_ADD && mode != PUT_BLEND) && a != 255) continue;
          if (mode == PUT_BLEND && a == 0) continue;  // draws nothing at all
          IMG src(w, 3), dst(w, 3), before(w, 3);
          TESTS::FILLNOISE(src, seed++);
          TESTS::FILLNOISE(dst, seed++);
          for (int y = 0; y < 3; ++y)
            for (int x = 0; x < w; ++x) before.at(x, y) = dst.at(x, y);
          IMAGEPUT(dst, 0, 0, src, 0, 0, w, 3, RECT_CORNERS, mode, a, nullptr, nullptr);
          for (int y = 0; y < 3; ++y)
            for (int x = 0; x < w; ++x) {
              const uint32_t want = reference(mode, src.at(x, y), before.at(x, y), a);
              ASSERT_EQ(dst.at(x, y), want) << "mode " << mode << " alpha " << a << " width " << w
                                            << " at " << x << "," << y << " level "
                                            << SIMDNAME(level);
            }
        }
      }
    }
  }
  SIMDLEVEL(-1);
}

// The row kernels called directly, at every level: every start within a
// vector for source and target apart, lengths from 0 to past two of the plain
// loops' blocks, every ADD factor from -300 to 300 and every BLEND factor.
// Nothing outside the row may change.
TEST(PutRows, EveryStartLengthAndFactorAtEveryLevel) {
  constexpr int32_t SPAN = 150;
  std::vector<uint32_t> src(SPAN + 4), dst(SPAN + 4), before(SPAN + 4);
  uint32_t seed = 4242;
  // The first difference from the rule, or "".
  auto run = [&](PUTMODE mode, int32_t a, int32_t start, int32_t n) -> std::string {
    for (auto& v : src) v = TESTS::NOISE(seed);
    for (auto& v : dst) v = TESTS::NOISE(seed);
    before = dst;
    const int32_t at = (start * 3 + 1) % 4;  // the target's start differs from the source's
    const uint32_t* s = src.data() + start;
    uint32_t* d = dst.data() + at;
    switch (mode) {
      case PUT_PSET: FILLROW(d, static_cast<size_t>(n), src[0]); break;
      case PUT_PRESET: ROWPRESET(s, d, n); break;
      case PUT_AND: ROWAND(s, d, n); break;
      case PUT_OR: ROWOR(s, d, n); break;
      case PUT_XOR: ROWXOR(s, d, n); break;
      case PUT_TRANS: ROWTRANS(s, d, n); break;
      case PUT_ALPHA: ROWALPHA(s, d, n); break;
      case PUT_ADD: ROWADD(s, d, n, a); break;
      case PUT_BLEND: ROWBLEND(s, d, n, a); break;
      default: return "no such kernel";
    }
    for (int32_t i = 0; i < SPAN + 4; ++i) {
      const int32_t x = i - at;
      uint32_t want = before[i];
      if (x >= 0 && x < n) {
        const uint32_t sx = mode == PUT_PSET ? src[0] : s[x];
        want = reference(mode, sx, before[i], mode == PUT_BLEND ? a - 1 : a);
      }
      if (dst[i] != want) {
        std::ostringstream o;
        o << "mode " << mode << " factor " << a << " start " << start << " length " << n
          << " pixel " << x << " level " << SIMDNAME(SIMDLEVEL()) << std::hex << ": got "
          << dst[i] << " want " << want;
        return o.str();
      }
    }
    return "";
  };
  const std::pair<PUTMODE, int32_t> kernels[] = {
      {PUT_PSET, 0},  {PUT_PRESET, 0}, {PUT_AND, 0},   {PUT_OR, 0},     {PUT_XOR, 0},
      {PUT_TRANS, 0}, {PUT_ALPHA, 0},  {PUT_ADD, 255}, {PUT_ADD, -100}, {PUT_ADD, 1000},
      {PUT_BLEND, 1}, {PUT_BLEND, 129}, {PUT_BLEND, 256}};
  std::vector<int32_t> lengths;
  for (int32_t n = 0; n <= 20; ++n) lengths.push_back(n);
  for (int32_t n : {31, 33, 63, 64, 65, 127, 128, 129, 131, SPAN - 3}) lengths.push_back(n);
  for (int level = SIMDBEST(); level >= 0; --level) {
    SIMDLEVEL(level);
    for (int32_t start = 0; start < 4; ++start)
      for (int32_t n : lengths)
        for (auto [mode, a] : kernels) ASSERT_EQ(run(mode, a, start, n), "");
    for (int32_t a = -300; a <= 300; ++a) ASSERT_EQ(run(PUT_ADD, a, 1, 37), "");
    for (int32_t a : {INT32_MIN, -70000, 70000, INT32_MAX}) ASSERT_EQ(run(PUT_ADD, a, 3, 37), "");
    for (int32_t k = 1; k <= 256; ++k) ASSERT_EQ(run(PUT_BLEND, k, 2, 37), "");
  }
  SIMDLEVEL(-1);
}

TEST_F(ImagePut, CustomCallsOncePerPixelInOrder) {
  IMG src(3, 2), dst(3, 2, 7);
  for (uint32_t y = 0; y < 2; ++y)
    for (uint32_t x = 0; x < 3; ++x) src.at(x, y) = y * 3 + x;
  static std::vector<uint32_t> seen;
  static void* seenparam;
  seen.clear();
  int token = 0;
  auto f = [](uint32_t s, uint32_t d, void* p) -> uint32_t {
    seen.push_back(s);
    seenparam = p;
    return s + d;
  };
  IMAGEPUT(dst, 0, 0, src, 0, 0, 2, 1, RECT_CORNERS, PUT_CUSTOM, 0, f, &token);
  EXPECT_EQ(seen, (std::vector<uint32_t>{0, 1, 2, 3, 4, 5}));
  EXPECT_EQ(seenparam, &token);
  EXPECT_EQ(dst.at(2, 1), 12u);
  IMAGEPUT(dst, 0, 0, src, 0, 0, 2, 1, RECT_CORNERS, PUT_CUSTOM, 0, nullptr, nullptr);
  EXPECT_EQ(dst.at(2, 1), 12u) << "no callback draws nothing";
}

TEST_F(ImagePut, SourceRectangleIsClampedNeverEmpty) {
  IMG src(10, 20);
  for (uint32_t y = 0; y < 20; ++y)
    for (uint32_t x = 0; x < 10; ++x) src.at(x, y) = 0xFF000000u | (y << 8) | x;
  {
    IMG dst(4, 4, 0);
    IMAGEPUT(dst, 0, 0, src, -10, -10, -5, -5, RECT_CORNERS, PUT_PSET, -1, nullptr, nullptr);
    EXPECT_EQ(dst.at(0, 0), src.at(0, 0));
    EXPECT_EQ(dst.at(1, 0), 0u);
    EXPECT_EQ(dst.at(0, 1), 0u);
  }
  {
    IMG dst(4, 4, 0);
    IMAGEPUT(dst, 0, 0, src, 50, 2, 60, 3, RECT_CORNERS, PUT_PSET, -1, nullptr, nullptr);
    EXPECT_EQ(dst.at(0, 0), src.at(9, 2)) << "last column";
    EXPECT_EQ(dst.at(0, 1), src.at(9, 3));
    EXPECT_EQ(dst.at(1, 0), 0u);
  }
  {
    // Step form: W + 1 columns and 11 rows; corners given in reverse order.
    IMG dst(12, 16, 0);
    IMAGEPUT(dst, 0, 0, src, 0, 4, 6, 10, RECT_STEP, PUT_PSET, -1, nullptr, nullptr);
    EXPECT_EQ(dst.at(6, 10), src.at(6, 14));
    EXPECT_EQ(dst.at(7, 10), 0u);
    EXPECT_EQ(dst.at(6, 11), 0u);
    IMG rev(12, 16, 0);
    IMAGEPUT(rev, 0, 0, src, 6, 14, 0, 4, RECT_CORNERS, PUT_PSET, -1, nullptr, nullptr);
    EXPECT_EQ(rev.at(0, 0), src.at(0, 4));
    EXPECT_EQ(rev.at(6, 10), src.at(6, 14));
  }
}

TEST_F(ImagePut, ClippingAndRounding) {
  IMG src(10, 4);
  for (uint32_t y = 0; y < 4; ++y)
    for (uint32_t x = 0; x < 10; ++x) src.at(x, y) = 0xFF000000u | (y << 8) | x;
  IMG dst(8, 8, 0);
  IMAGEPUT(dst, -3, 0, src, 0, 0, 10, 4, RECT_CORNERS, PUT_PSET, -1, nullptr, nullptr);
  EXPECT_EQ(dst.at(0, 0), src.at(3, 0)) << "first three columns dropped";
  EXPECT_EQ(dst.at(6, 3), src.at(9, 3));
  EXPECT_EQ(dst.at(7, 0), 0u);
  IMG untouched(8, 8, 5);
  IMAGEPUT(untouched, 8, 0, src, 0, 0, 10, 4, RECT_CORNERS, PUT_PSET, -1, nullptr, nullptr);
  IMAGEPUT(untouched, -10, 0, src, 0, 0, 10, 4, RECT_CORNERS, PUT_PSET, -1, nullptr, nullptr);
  IMAGEPUT(untouched, 0, -4, src, 0, 0, 10, 4, RECT_CORNERS, PUT_PSET, -1, nullptr, nullptr);
  IMAGEPUT(untouched, 1e30f, 0, src, 0, 0, 10, 4, RECT_CORNERS, PUT_PSET, -1, nullptr, nullptr);
  for (uint32_t y = 0; y < 8; ++y)
    for (uint32_t x = 0; x < 8; ++x) ASSERT_EQ(untouched.at(x, y), 5u);
  // (2.5, -2.5) lands at (3, -3): source row 3 on target row 0 at column 3.
  IMG r(8, 8, 0);
  IMAGEPUT(r, 2.5f, -2.5f, src, 0, 0, 10, 4, RECT_CORNERS, PUT_PSET, -1, nullptr, nullptr);
  EXPECT_EQ(r.at(3, 0), src.at(0, 3));
  EXPECT_EQ(r.at(2, 0), 0u);
  EXPECT_EQ(r.at(3, 1), 0u);
  IMG q(8, 8, 0);
  IMAGEPUT(q, 1.49f, 0.5f, src, 0, 0, 0, 0, RECT_CORNERS, PUT_PSET, -1, nullptr, nullptr);
  EXPECT_EQ(q.at(1, 1), src.at(0, 0));
}

TEST_F(ImagePut, RefusalsDrawNothing) {
  IMG src(2, 2, 0xFFFFFFFFu), dst(2, 2, 1);
  IMG small(IMAGECREATE(2, 2, 0, 16, 0));
  IMAGEPUT(small, 0, 0, src, 0, 0, 1, 1, RECT_CORNERS, PUT_PSET, -1, nullptr, nullptr);
  EXPECT_EQ(ROW32(small.p, 0)[0], 0u) << "depth mismatch";
  IMAGEPUT(dst, 0, 0, nullptr, 0, 0, 1, 1, RECT_CORNERS, PUT_PSET, -1, nullptr, nullptr);
  IMAGEPUT(dst, 0, 0, src, 0, 0, 1, 1, RECT_CORNERS, static_cast<PUTMODE>(10), -1, nullptr,
           nullptr);
  IMAGEPUT(dst, 0, 0, src, 0, 0, 1, 1, RECT_CORNERS, static_cast<PUTMODE>(-1), -1, nullptr,
           nullptr);
  EXPECT_EQ(dst.at(1, 1), 1u);
}

// A put of an image onto itself follows the pixel order exactly, like the
// per-pixel rule: a copy one pixel to the right smears the first column.
TEST_F(ImagePut, OverlappingSelfPutKeepsPixelOrder) {
  IMG img(4, 1);
  for (uint32_t x = 0; x < 4; ++x) img.at(x, 0) = x + 1;
  IMAGEPUT(img, 1, 0, img, 0, 0, 2, 0, RECT_CORNERS, PUT_PSET, -1, nullptr, nullptr);
  EXPECT_EQ(img.at(1, 0), 1u);
  EXPECT_EQ(img.at(2, 0), 1u);
  EXPECT_EQ(img.at(3, 0), 1u);
  IMG left(4, 1);
  for (uint32_t x = 0; x < 4; ++x) left.at(x, 0) = x + 1;
  IMAGEPUT(left, 0, 0, left, 1, 0, 3, 0, RECT_CORNERS, PUT_PSET, -1, nullptr, nullptr);
  EXPECT_EQ(left.at(0, 0), 2u);
  EXPECT_EQ(left.at(2, 0), 4u);
}

TEST_F(ImagePut, ScreenTargetAndLocking) {
  IMG src(4, 4, 0xFF112233u);
  const uint64_t before = PRESENTCOUNT();
  IMAGEPUT(nullptr, 60, 46, src, 0, 0, 3, 3, RECT_CORNERS, PUT_PSET, -1, nullptr, nullptr);
  const uint32_t* screen = SCREENPTR();
  EXPECT_EQ(screen[46 * 64 + 63], 0xFF112233u);
  EXPECT_EQ(screen[47 * 64 + 60], 0xFF112233u);
  EXPECT_EQ(PRESENTCOUNT(), before + 1) << "an unlocked put takes and releases the lock";
  EXPECT_EQ(ZARVO::HEADLESS::FRAME()[47 * 64 + 63], 0xFF112233u);
  SCREENLOCK();
  IMAGEPUT(nullptr, 0, 0, src, 0, 0, 3, 3, RECT_CORNERS, PUT_PSET, -1, nullptr, nullptr);
  EXPECT_TRUE(SCREENLOCKED());
  EXPECT_EQ(PRESENTCOUNT(), before + 1) << "the caller's lock is left alone";
  SCREENUNLOCK();
  EXPECT_EQ(PRESENTCOUNT(), before + 2);
  SCREENLOCK();
  SCREENUNLOCK();
  EXPECT_EQ(PRESENTCOUNT(), before + 2) << "nothing drawn, nothing presented";
}

// The row kernels' contracts stop a Debug build (the sanitizer build in CI).
TEST(ImagePutDeathTest, KernelContractsHoldInDebugBuilds) {
#ifdef NDEBUG
  GTEST_SKIP() << "contracts are checked in Debug builds only";
#else
  uint32_t s = 0x12345678u, d = 0;
  EXPECT_DEATH(ROWBLEND(&s, &d, 1, 0), "contract broken: k >= 1 && k <= 256");
  EXPECT_DEATH(ROWBLEND(&s, &d, 1, 257), "contract broken");
  ROWBLEND(&s, &d, 1, 256);
  EXPECT_EQ(d, s);
#endif
}

// A put narrower and shorter than its target changes its rectangle and
// nothing else, padding included, in every mode and at every kernel level:
// vector bodies and their tails at every level, ADD's per-pixel loop
// (factors above 256) and the per-pixel path of a put onto itself.
TEST_F(ImagePut, NarrowPutsTouchOnlyTheirRectangle) {
  const PUTMODE modes[] = {PUT_TRANS, PUT_PSET, PUT_PRESET, PUT_AND,   PUT_OR,
                           PUT_XOR,   PUT_ALPHA, PUT_ADD,   PUT_BLEND, PUT_CUSTOM};
  auto plus = [](uint32_t s, uint32_t d, void*) -> uint32_t { return s + d; };
  uint32_t seed = 777;
  for (int level = SIMDBEST(); level >= 0; --level) {
    SIMDLEVEL(level);
    for (int32_t w : {1, 3, 4, 5, 8, 9, 16, 17, 31, 65}) {
      for (PUTMODE mode : modes) {
        for (int32_t a : {255, 300}) {
          if (a == 300 && mode != PUT_ADD) continue;
          for (bool self : {false, true}) {
            // The rectangle: columns 3 .. w + 2 and rows 2 .. 5 of a target
            // with two columns and a row to spare past it.
            IMG dst(w + 5, 7), src(w + 4, 6);
            TESTS::FILLNOISE(dst, seed++);
            TESTS::FILLNOISE(src, seed++);
            IMAGE* from = self ? dst.p : src.p;
            const size_t slots = dst.p->PITCH / 4 * 7;
            const std::vector<uint32_t> before(ROW32(dst.p, 0), ROW32(dst.p, 0) + slots);
            IMAGEPUT(dst, 3, 2, from, 1, 1, w - 1, 3, RECT_STEP, mode, a, plus, nullptr);
            for (size_t i = 0; i < slots; ++i) {
              const int32_t x = static_cast<int32_t>(i % (dst.p->PITCH / 4));
              const int32_t y = static_cast<int32_t>(i / (dst.p->PITCH / 4));
              const bool inside = x >= 3 && x < 3 + w && y >= 2 && y < 6;
              const uint32_t got = ROW32(dst.p, 0)[i];
              if (!inside) {
                ASSERT_EQ(got, before[i]) << "mode " << mode << " width " << w << " at " << x
                                          << "," << y << " level " << SIMDNAME(level) << " self "
                                          << self;
              } else if (!self) {
                const uint32_t s = src.at(x - 2, y - 1), d = before[i];
                const uint32_t want =
                    mode == PUT_CUSTOM ? s + d : reference(mode, s, d, a);
                ASSERT_EQ(got, want) << "mode " << mode << " alpha " << a << " width " << w << " at " << x << ","
                                     << y << " level " << SIMDNAME(level) << " s " << std::hex << s << " d " << d;
              }
            }
          }
        }
      }
    }
  }
  SIMDLEVEL(-1);
}

// Positions that are not numbers, or infinite, draw nothing, on an image and
// on the screen, through both puts.
TEST_F(ImagePut, NonFinitePositionsDrawNothing) {
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  IMG src(4, 4, 0xFF123456u), dst(8, 8, 5);
  auto row = [](const uint32_t* s, uint32_t* d, int32_t n, void*) {
    for (int32_t i = 0; i < n; ++i) d[i] = s[i];
  };
  SCREENLOCK();
  const size_t slots = static_cast<size_t>(SCREENPITCH()) / 4 * 48;
  uint32_t* screen = SCREENPTR();
  std::fill(screen, screen + slots, 5u);
  const std::pair<float, float> places[] = {{nan, 0},  {0, nan},  {nan, nan}, {inf, 0},
                                            {-inf, 0}, {0, inf},  {0, -inf},  {-inf, inf},
                                            {inf, -inf}, {-inf, -inf}};
  for (auto [x, y] : places) {
    for (IMAGE* target : {dst.p, static_cast<IMAGE*>(nullptr)}) {
      for (PUTMODE mode : {PUT_PSET, PUT_TRANS, PUT_ADD, PUT_BLEND})
        IMAGEPUT(target, x, y, src, 0, 0, 3, 3, RECT_CORNERS, mode, 255, nullptr, nullptr);
      IMAGEPUTROWS(target, x, y, src, 0, 0, 3, 3, RECT_CORNERS, row, nullptr);
    }
  }
  for (uint32_t y = 0; y < 8; ++y)
    for (uint32_t x = 0; x < 8; ++x) ASSERT_EQ(dst.at(x, y), 5u) << x << "," << y;
  for (size_t i = 0; i < slots; ++i) ASSERT_EQ(screen[i], 5u) << i;
  SCREENUNLOCK();
}

// 16- and 8-bit images only copy and combine bits, a row at a time; the
// modes that blend leave them as they are.
TEST_F(ImagePut, SmallPixelsCombineBitsOnly) {
  auto get = [](IMAGE* img, uint32_t x, uint32_t y) -> uint32_t {
    const uint8_t* p = PIXELS(img) + static_cast<size_t>(y) * img->PITCH;
    return img->BPP == 2 ? reinterpret_cast<const uint16_t*>(p)[x] : p[x];
  };
  auto set = [](IMAGE* img, uint32_t x, uint32_t y, uint32_t v) {
    uint8_t* p = PIXELS(img) + static_cast<size_t>(y) * img->PITCH;
    if (img->BPP == 2)
      reinterpret_cast<uint16_t*>(p)[x] = static_cast<uint16_t>(v);
    else
      p[x] = static_cast<uint8_t>(v);
  };
  const PUTMODE modes[] = {PUT_PSET, PUT_PRESET, PUT_AND,   PUT_OR,    PUT_XOR,
                           PUT_TRANS, PUT_ALPHA, PUT_ADD, PUT_BLEND};
  for (int32_t depth : {16, 8}) {
    const uint32_t mask = depth == 16 ? 0xFFFFu : 0xFFu;
    for (PUTMODE mode : modes) {
      IMG src(IMAGECREATE(5, 4, 0, depth, 0)), dst(IMAGECREATE(7, 6, 0, depth, 0));
      uint32_t seed = 99;
      for (uint32_t y = 0; y < 4; ++y)
        for (uint32_t x = 0; x < 5; ++x) set(src, x, y, TESTS::NOISE(seed));
      for (uint32_t y = 0; y < 6; ++y)
        for (uint32_t x = 0; x < 7; ++x) set(dst, x, y, TESTS::NOISE(seed));
      IMG before(IMAGECREATE(7, 6, 0, depth, 0));
      std::memcpy(PIXELS(before.p), PIXELS(dst.p), IMAGESIZE(dst) - sizeof(IMAGE));
      // Source columns 1 .. 3 and rows 1 .. 3 land at (2, 2).
      IMAGEPUT(dst, 2, 2, src, 1, 1, 3, 3, RECT_CORNERS, mode, 255, nullptr, nullptr);
      for (uint32_t y = 0; y < 6; ++y)
        for (uint32_t x = 0; x < 7; ++x) {
          const uint32_t d = get(before, x, y);
          uint32_t want = d;
          if (x >= 2 && x < 5 && y >= 2 && y < 5 && mode >= PUT_PSET && mode <= PUT_XOR)
            want = reference(mode, get(src, x - 1, y - 1), d, 0) & mask;
          ASSERT_EQ(get(dst, x, y), want) << "depth " << depth << " mode " << mode << " at " << x
                                          << "," << y;
        }
    }
  }
}
