// Bitmap loading and copying with sub-rectangles, cropping, opacity fading
// with and without the alpha copy, and pixel access.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "support/png_writer.hpp"
#include "support/screen.hpp"
#include "zarvo/graphics/bitmap.hpp"

using namespace ZARVO;
using namespace ZARVO::GRAPHICS;
using MATH::POINT;

namespace {

constexpr uint32_t FILL = 0x00FF00FFu;

// A w x h RGBA picture, encoded, with the pixels a decoder must give back.
struct FIXTURE {
  PNGTEST::BYTES file;
  uint32_t w, h;
  std::vector<uint32_t> px;
  FIXTURE(uint32_t w_, uint32_t h_) : w(w_), h(h_) {
    PNGTEST::PICTURE p = PNGTEST::RANDOMPICTURE(w, h, 8, 6, w * 131 + h);
    file = PNGTEST::ENCODE(p, {});
    for (uint32_t y = 0; y < h; ++y)
      for (uint32_t x = 0; x < w; ++x)
        px.push_back(uint32_t(p.AT(x, y, 3)) << 24 | uint32_t(p.AT(x, y, 0)) << 16 |
                     uint32_t(p.AT(x, y, 1)) << 8 | p.AT(x, y, 2));
  }
  uint32_t at(int32_t x, int32_t y) const { return px[size_t(y) * w + x]; }
  int32_t size() const { return int32_t(file.size()); }
};

const FIXTURE& pic40x30() {
  static FIXTURE f(40, 30);
  return f;
}

uint32_t pixel(const BITMAP& b, int32_t x, int32_t y) { return b.PIXEL(POINT{x, y}); }

class BitmapLoad : public ::testing::Test {
 protected:
  void SetUp() override { TESTS::OPENSCREEN(64, 48); }
};

}  // namespace

// A whole PNG needs no screen; anything that makes a new buffer does.
TEST(BitmapLoadNoScreen, WholeImageOnly) {
  const FIXTURE& f = pic40x30();
  BITMAP b(f.file.data(), f.size());
  ASSERT_NE(b.HANDLE(), nullptr);
  EXPECT_EQ(b.WIDTH(), 40u);
  EXPECT_EQ(b.HEIGHT(), 30u);
  EXPECT_EQ(b.BPP(), 4);
  EXPECT_EQ(pixel(b, 39, 29), f.at(39, 29));
  BITMAP c;
  EXPECT_EQ(c.COPY(b), FALSE);
  EXPECT_EQ(b.LOADFROMMEMORY(f.file.data(), f.size(), 1, 0, 0, 0), FALSE);
  EXPECT_EQ(b.HANDLE(), nullptr);
}

TEST_F(BitmapLoad, SubRectangles) {
  const FIXTURE& f = pic40x30();
  // All four 0: the decoded buffer itself, whose pitch is a multiple of 32
  // (a copy's would be a multiple of 16).
  FIXTURE odd(41, 3);
  BITMAP whole(odd.file.data(), odd.size());
  EXPECT_EQ(whole.PITCH(), 192u);
  BITMAP same(odd.file.data(), odd.size(), 0, 0, 41, 3);
  EXPECT_EQ(same.PITCH(), 176u) << "an explicit size copies";
  EXPECT_EQ(pixel(same, 40, 2), odd.at(40, 2));

  // (10, 5, 0, 0): a 40 x 30 image from (10, 5) on, the rest the fill.
  BITMAP b;
  ASSERT_EQ(b.LOADFROMMEMORY(f.file.data(), f.size(), 10, 5, 0, 0), TRUE);
  ASSERT_EQ(b.WIDTH(), 40u);
  ASSERT_EQ(b.HEIGHT(), 30u);
  for (int32_t y = 0; y < 30; ++y)
    for (int32_t x = 0; x < 40; ++x)
      ASSERT_EQ(pixel(b, x, y), x < 30 && y < 25 ? f.at(x + 10, y + 5) : FILL) << x << "," << y;

  // (0, 0, 100, 100): the picture at the top left of a larger image.
  BITMAP big(f.file.data(), f.size(), 0, 0, 100, 100);
  ASSERT_EQ(big.WIDTH(), 100u);
  for (int32_t y = 0; y < 100; ++y)
    for (int32_t x = 0; x < 100; ++x)
      ASSERT_EQ(pixel(big, x, y), x < 40 && y < 30 ? f.at(x, y) : FILL) << x << "," << y;

  // A negative origin starts at the source's column 0, placed at the left edge.
  BITMAP neg;
  ASSERT_EQ(neg.COPY(big, -5, 2, 10, 3), TRUE);
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t x = 0; x < 10; ++x)
      ASSERT_EQ(pixel(neg, x, y), x < 5 ? f.at(x, y + 2) : FILL) << x << "," << y;
  BITMAP negy(big.HANDLE(), 3, -2, 2, 4);
  EXPECT_EQ(pixel(negy, 1, 1), f.at(4, 1));
  EXPECT_EQ(pixel(negy, 1, 2), FILL);
}

TEST_F(BitmapLoad, FilesAndFailures) {
  const FIXTURE& f = pic40x30();
  const std::string name = ::testing::TempDir() + "bitmap_load_test.png";
  FILE* out = std::fopen(name.c_str(), "wb");
  ASSERT_NE(out, nullptr);
  std::fwrite(f.file.data(), 1, f.file.size(), out);
  std::fclose(out);

  BITMAP b(name.c_str(), 38, 28, 4, 4);
  ASSERT_EQ(b.WIDTH(), 4u);
  EXPECT_EQ(pixel(b, 1, 1), f.at(39, 29));
  EXPECT_EQ(pixel(b, 2, 1), FILL);

  // A failed load releases the previous image; the opacity survives.
  b.ALPHA(77);
  EXPECT_EQ(b.LOADFROMFILE((name + ".missing").c_str()), FALSE);
  EXPECT_EQ(b.HANDLE(), nullptr);
  EXPECT_EQ(b.ALPHA(), 77);
  ASSERT_EQ(b.LOADFROMFILE(name.c_str()), TRUE);
  EXPECT_EQ(b.ALPHA(), 77);
  EXPECT_EQ(pixel(b, 0, 0), f.at(0, 0));
  const uint8_t junk[] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  EXPECT_EQ(b.LOADFROMMEMORY(junk, sizeof junk), FALSE);
  EXPECT_EQ(b.HANDLE(), nullptr);
  EXPECT_EQ(b.LOADFROMMEMORY(f.file.data(), f.size() - 20), FALSE) << "truncated";
  EXPECT_EQ(b.LOADFROMFILE(nullptr), FALSE);
  std::remove(name.c_str());
}

TEST_F(BitmapLoad, Crop) {
  BITMAP b(10, 10, 0);
  for (int32_t y = 0; y < 10; ++y)
    for (int32_t x = 0; x < 10; ++x) b.PIXEL({x, y}, 0xFF000000u | uint32_t(y * 16 + x));
  b.PRESERVEALPHACHANNEL();
  b.CROP(2, 3);
  EXPECT_EQ(b.WIDTH(), 2u);
  EXPECT_EQ(b.HEIGHT(), 3u);
  EXPECT_EQ(b.PITCH(), 16u);
  EXPECT_EQ(b.IALPHACHANNEL, nullptr) << "the alpha copy goes";
  EXPECT_EQ(pixel(b, 1, 2), 0xFF000021u);

  BITMAP c(6, 4, 0xFF000001u);
  c.CROP(4, 1, 5, 5);  // reaches past the right and bottom edges
  EXPECT_EQ(pixel(c, 1, 2), 0xFF000001u);
  EXPECT_EQ(pixel(c, 2, 0), FILL);
  EXPECT_EQ(pixel(c, 0, 3), FILL);

  // Nearly transparent without an alpha copy: nothing is drawn into the crop.
  BITMAP faint(4, 4, 0xFF123456u);
  faint.ALPHA(3);
  faint.CROP(2, 2);
  EXPECT_EQ(pixel(faint, 0, 0), FILL);
  EXPECT_EQ(faint.ALPHA(), 3);
}

TEST_F(BitmapLoad, FadingWithoutAlphaCopy) {
  BITMAP b(3, 1, 0xFF102030u);
  b.PIXEL({1, 0}, 0x28102030u);  // alpha 40
  b.PIXEL({2, 0}, 0x05102030u);  // alpha 5: never rescaled
  b.ALPHA(128);
  EXPECT_EQ(pixel(b, 0, 0), 0x80102030u) << "255 * 128 / 255; colours untouched";
  b.ALPHA(255);
  EXPECT_EQ(pixel(b, 0, 0), 0xFF102030u);
  b.ALPHA(0);  // floored at 25: 255 -> 25, 40 -> 4
  EXPECT_EQ(pixel(b, 0, 0) >> 24, 25u);
  EXPECT_EQ(pixel(b, 1, 0) >> 24, 4u);
  EXPECT_EQ(b.ALPHA(), 0);
  b.ALPHA(255);
  EXPECT_EQ(pixel(b, 0, 0) >> 24, 255u);
  EXPECT_EQ(pixel(b, 1, 0) >> 24, 4u) << "5 or below stays";
  EXPECT_EQ(pixel(b, 2, 0) >> 24, 5u);

  // An alpha byte above the opacity would scale past 255: held at 255.
  BITMAP over(2, 1, 0xFF000000u);
  over.ALPHA(100);
  over.PIXEL({1, 0}, 0xC8000000u);  // 200, above the opacity of 100
  over.ALPHA(255);
  EXPECT_EQ(pixel(over, 0, 0) >> 24, 255u);
  EXPECT_EQ(pixel(over, 1, 0) >> 24, 255u) << "510 is held, not wrapped to 254";

  BITMAP bytes(4, 2, 0x40, 8);
  bytes.ALPHA(10);
  EXPECT_EQ(bytes.ALPHA(), 10);
  EXPECT_EQ(RUNTIME::PIXELS(bytes.HANDLE())[3], 0x40) << "only the opacity changes";
  BITMAP empty;
  empty.ALPHA(9);
  EXPECT_EQ(empty.ALPHA(), 9);
}

TEST_F(BitmapLoad, FadingWithAlphaCopy) {
  // 3 x 2, so row-major and column-major orders differ.
  BITMAP b(3, 2, 0);
  const uint8_t alpha[2][3] = {{255, 40, 0}, {7, 128, 200}};
  for (int32_t y = 0; y < 2; ++y)
    for (int32_t x = 0; x < 3; ++x) b.PIXEL({x, y}, uint32_t(alpha[y][x]) << 24 | 0xABCDEFu);
  b.PRESERVEALPHACHANNEL();
  ASSERT_NE(b.IALPHACHANNEL, nullptr);
  for (int32_t x = 0; x < 3; ++x)
    for (int32_t y = 0; y < 2; ++y) EXPECT_EQ(b.IALPHACHANNEL[x * 2 + y], alpha[y][x]);

  b.ALPHA(0);
  for (int32_t y = 0; y < 2; ++y)
    for (int32_t x = 0; x < 3; ++x) EXPECT_EQ(pixel(b, x, y), 0x00ABCDEFu);
  BITMAP dst(3, 2, 0x11111111u);
  b.DRAWTO(dst.HANDLE());
  EXPECT_EQ(pixel(dst, 0, 0), 0x00ABCDEFu) << "drawn: it has an alpha copy";
  b.ALPHA(100);
  for (int32_t y = 0; y < 2; ++y)
    for (int32_t x = 0; x < 3; ++x) {
      const uint32_t want = uint32_t(std::nearbyint(alpha[y][x] * (100.0f / 255.0f)));
      EXPECT_EQ(pixel(b, x, y) >> 24, want) << x << "," << y;
    }
  b.ALPHA(255);
  for (int32_t y = 0; y < 2; ++y)
    for (int32_t x = 0; x < 3; ++x) EXPECT_EQ(pixel(b, x, y) >> 24, alpha[y][x]);
}

TEST_F(BitmapLoad, PixelAccess) {
  BITMAP b(5, 4, 0);
  b.PIXEL({3, 2}, 0x80FF4020u);
  EXPECT_EQ(b.PIXELRED({3, 2}), 255);
  EXPECT_EQ(b.PIXELGREEN({3, 2}), 64);
  EXPECT_EQ(b.PIXELBLUE({3, 2}), 32);
  EXPECT_EQ(b.PIXELALPHA({3, 2}), 128);
  EXPECT_EQ(RUNTIME::ROW32(b.HANDLE(), 2)[3], 0x80FF4020u);
  // Outside the bitmap, or on an empty one: reads 0, writes are ignored.
  for (POINT p : {POINT{5, 0}, POINT{0, 4}, POINT{-1, 0}, POINT{0, -1}}) {
    EXPECT_EQ(b.PIXEL(p), 0u);
    b.PIXEL(p, 0xFFFFFFFFu);
  }
  EXPECT_EQ(RUNTIME::ROW32(b.HANDLE(), 1)[0], 0u) << "(5, 0) is not (0, 1)";
  BITMAP empty;
  empty.PIXEL({0, 0}, 1);
  EXPECT_EQ(empty.PIXELALPHA({0, 0}), 0);
}

// Adopting an image of another size drops an alpha copy made for the old
// one, so the next ALPHA set cannot read past it.
TEST_F(BitmapLoad, AdoptedImageOfAnotherSizeDropsAlphaCopy) {
  BITMAP b(2, 2, 0x80000000u);
  b.PRESERVEALPHACHANNEL();
  TESTS::IMG previous(b.HANDLE());  // HANDLE set does not release it
  b.HANDLE(RUNTIME::IMAGECREATE(16, 16, 0xFF000000u, 32, 0));
  EXPECT_EQ(b.IALPHACHANNEL, nullptr);
  b.ALPHA(128);  // relative now: 255 * 128 / 255
  EXPECT_EQ(pixel(b, 15, 15), 0x80000000u);

  BITMAP same(2, 2, 0x80000000u);
  same.PRESERVEALPHACHANNEL();
  RUNTIME::IMAGE* old = same.HANDLE();
  same.HANDLE(RUNTIME::IMAGECREATE(2, 2, 0xFF000000u, 32, 0));
  RUNTIME::IMAGEDESTROY(old);
  ASSERT_NE(same.IALPHACHANNEL, nullptr) << "same size: the copy still fits";
  same.ALPHA(255);
  EXPECT_EQ(pixel(same, 1, 1), 0x80000000u);
}
