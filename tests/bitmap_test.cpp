// The bitmap record: construction, CREATE, DESTROY, properties, comparison,
// copies, and DRAWTO's defaults, skips and raster operations 0 to 7 and 38.
#include <gtest/gtest.h>

#include "support/screen.hpp"
#include "zarvo/graphics/bitmap.hpp"

using namespace ZARVO;
using namespace ZARVO::GRAPHICS;

namespace {

class Bitmap : public ::testing::Test {
 protected:
  void SetUp() override { TESTS::OPENSCREEN(64, 48); }
};

uint32_t& px(BITMAP& b, uint32_t x, uint32_t y) { return RUNTIME::ROW32(b.HANDLE(), y)[x]; }

// A w x h bitmap whose pixel (x, y) is 0xFF00yyxx.
BITMAP numbered(int32_t w, int32_t h) {
  BITMAP b(w, h, 0);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) px(b, x, y) = 0xFF000000u | (y << 8) | x;
  return b;
}

}  // namespace

TEST(BitmapNoScreen, EmptyAndFailedCreate) {
  BITMAP b;
  EXPECT_EQ(b.WIDTH(), 0u);
  EXPECT_EQ(b.HEIGHT(), 0u);
  EXPECT_EQ(b.BPP(), 0);
  EXPECT_EQ(b.PITCH(), 0u);
  EXPECT_EQ(b.ALPHA(), 255);
  EXPECT_EQ(b.HANDLE(), nullptr);
  EXPECT_EQ(b.CREATE(5, 3, 0xFF000000u, 32), FALSE) << "before the window is open";
  EXPECT_EQ(b.HANDLE(), nullptr);
  b.DESTROY();
  b.DESTROY();
}

TEST_F(Bitmap, CreateAndProperties) {
  BITMAP b;
  EXPECT_EQ(b.CREATE(5, 3, 0xFF000000u, 32), TRUE);
  EXPECT_EQ(b.WIDTH(), 5u);
  EXPECT_EQ(b.HEIGHT(), 3u);
  EXPECT_EQ(b.BPP(), 4);
  EXPECT_EQ(b.PITCH(), 32u);
  for (uint32_t y = 0; y < 3; ++y)
    for (uint32_t x = 0; x < 5; ++x) EXPECT_EQ(px(b, x, y), 0xFF000000u);
  EXPECT_EQ(b.CREATE(0, 3, 0, 32), FALSE);
  EXPECT_EQ(b.HANDLE(), nullptr) << "a failed create leaves the bitmap empty";

  // HANDLE set adopts the buffer and reads its geometry.
  BITMAP a;
  a.HANDLE(RUNTIME::IMAGECREATE(7, 2, 1, 32, 0));
  EXPECT_EQ(a.WIDTH(), 7u);
  EXPECT_EQ(a.PITCH(), 32u);
}

TEST_F(Bitmap, ComparisonAndCopies) {
  BITMAP e1, e2;
  EXPECT_EQ(e1 == e2, -1);
  EXPECT_EQ(e1 != e2, 0);
  BITMAP b = numbered(4, 4);
  EXPECT_EQ(b == b.HANDLE(), -1);
  EXPECT_EQ(b.HANDLE() == b, -1);
  EXPECT_EQ(b != b.HANDLE(), 0);
  EXPECT_EQ(b == e1, 0);

  BITMAP c(b);
  EXPECT_NE(c.HANDLE(), b.HANDLE()) << "a copy owns its own image";
  EXPECT_EQ(px(c, 3, 2), px(b, 3, 2));
  px(c, 0, 0) = 1;
  EXPECT_NE(px(b, 0, 0), 1u);
  BITMAP d;
  d = b;
  EXPECT_EQ(d.WIDTH(), 4u);
  EXPECT_NE(d.HANDLE(), b.HANDLE());

  // The constructor from an image buffer copies, never adopts.
  BITMAP f(b.HANDLE());
  EXPECT_NE(f.HANDLE(), b.HANDLE());
  EXPECT_EQ(px(f, 2, 3), px(b, 2, 3));
  BITMAP g(b, 1, 1, 2, 2);
  EXPECT_EQ(g.WIDTH(), 2u);
  EXPECT_EQ(px(g, 0, 0), px(b, 1, 1));
}

TEST_F(Bitmap, DrawToDefaultsAndSourceColumns) {
  BITMAP src = numbered(8, 4);
  BITMAP whole(8, 4, 0);
  src.DRAWTO(whole);
  // An empty destination bitmap means the screen, so draw to an explicit handle.
  src.DRAWTO(whole.HANDLE(), 0, 0, 0, 0, 0, 0, RASTEROP::GXPSET);
  EXPECT_EQ(px(whole, 7, 3), px(src, 7, 3));

  BITMAP part(8, 4, 0);
  src.DRAWTO(part.HANDLE(), 0, 0, 2, 0, 0, 0);
  EXPECT_EQ(px(part, 0, 0), px(src, 2, 0));
  EXPECT_EQ(px(part, 5, 0), px(src, 7, 0)) << "columns 2 to the last";
  EXPECT_EQ(px(part, 6, 0), 0u);

  BITMAP three(8, 4, 0);
  src.DRAWTO(three.HANDLE(), 0, 0, 2, 0, 3, 1);
  EXPECT_EQ(px(three, 2, 0), px(src, 4, 0));
  EXPECT_EQ(px(three, 3, 0), 0u);
  EXPECT_EQ(px(three, 0, 1), 0u);

  BITMAP screen;
  src.DRAWTO(screen, 10, 20);
  EXPECT_EQ(RUNTIME::SCREENPTR()[20 * 64 + 10], px(src, 0, 0));
  src.DRAWTO(nullptr, 30, 20);
  EXPECT_EQ(RUNTIME::SCREENPTR()[23 * 64 + 37], px(src, 7, 3));
}

TEST_F(Bitmap, DrawToSkipsAndModes) {
  BITMAP src(2, 2, 0xFFFFFFFFu);
  BITMAP dst(2, 2, 0);
  src.IALPHA = 3;  // as a fade below 4 would leave it
  src.DRAWTO(dst.HANDLE());
  EXPECT_EQ(px(dst, 0, 0), 0u);
  src.IALPHA = 4;
  src.DRAWTO(dst.HANDLE());
  EXPECT_EQ(px(dst, 0, 0), 0xFFFFFFFFu);

  BITMAP d2(2, 2, 0x01010101u);
  src.DRAWTO(d2.HANDLE(), 0, 0, 0, 0, 0, 0, static_cast<RASTEROP>(39));
  src.DRAWTO(d2.HANDLE(), 0, 0, 0, 0, 0, 0, static_cast<RASTEROP>(-1));
  EXPECT_EQ(px(d2, 1, 1), 0x01010101u);
  src.DRAWTO(d2.HANDLE(), 0, 0, 0, 0, 0, 0, RASTEROP::GXADD);
  EXPECT_EQ(px(d2, 1, 1), 0xFFFFFFFFu) << "white adds 254, saturating";
  BITMAP d3(2, 2, 0x00000000u);
  src.DRAWTO(d3.HANDLE(), 0, 0, 0, 0, 0, 0, RASTEROP::GXADD);
  EXPECT_EQ(px(d3, 0, 1), 0xFEFEFEFEu);

  static int calls;
  static void* seen;
  calls = 0;
  int token;
  src.DRAWTO(d3.HANDLE(), 0, 0, 0, 0, 0, 0, RASTEROP::GXCUSTOM,
             [](uint32_t s, uint32_t, void* p) -> uint32_t {
               ++calls;
               seen = p;
               return s ^ 1;
             },
             &token);
  EXPECT_EQ(calls, 4);
  EXPECT_EQ(seen, &token);
  EXPECT_EQ(px(d3, 1, 0), 0xFFFFFFFEu);

  // Raster operations 0 to 7 with a source byte 0x0F over a destination byte 0x31.
  const uint32_t expect[8] = {0x0F0F0F0Fu, 0xF0F0F0F0u, 0x000F0F0Fu, 0x01010101u,
                              0x3F3F3F3Fu, 0x3E3E3E3Eu, 0x2F2F2F2Fu, 0x3F3F3F3Fu};
  for (int m = 0; m < 8; ++m) {
    BITMAP s(1, 1, 0x0F0F0F0Fu), d(1, 1, 0x31313131u);
    s.DRAWTO(d.HANDLE(), 0, 0, 0, 0, 0, 0, static_cast<RASTEROP>(m));
    EXPECT_EQ(px(d, 0, 0), expect[m]) << "raster operation " << m;
  }
}
