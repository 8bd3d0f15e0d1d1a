// FONT against FreeType read directly here: widths as sums of advances and
// kerning, glyph boxes where their metrics put them, and bad input (missing
// and corrupt faces, sizes, invalid UTF-8).
#include <ft2build.h>
#include FT_FREETYPE_H
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/screen.hpp"
#include "zarvo/graphics/bitmap.hpp"
#include "zarvo/graphics/font.hpp"
#include "zarvo/runtime/diagnostics.hpp"
#include "zarvo/runtime/pixelrows.hpp"

using namespace ZARVO;
using namespace ZARVO::GRAPHICS;

namespace {

std::vector<uint8_t> readfile(const char* path) {
  std::vector<uint8_t> out;
  if (std::FILE* f = std::fopen(path, "rb")) {
    uint8_t buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.insert(out.end(), buf, buf + n);
    std::fclose(f);
  }
  return out;
}

// The same face opened by FreeType alone.
struct REFERENCE {
  FT_Library lib = nullptr;
  FT_Face face = nullptr;
  REFERENCE(const char* path, int px) {
    FT_Init_FreeType(&lib);
    FT_New_Face(lib, path, 0, &face);
    FT_Set_Pixel_Sizes(face, 0, px);
  }
  ~REFERENCE() {
    FT_Done_Face(face);
    FT_Done_FreeType(lib);
  }
  // Sum of advances and kerning of ASCII text, in 1/64 pixel.
  long width(const std::string& s) {
    long pen = 0;
    FT_UInt prev = 0;
    for (unsigned char ch : s) {
      FT_UInt g = FT_Get_Char_Index(face, ch);
      if (prev && g) {
        FT_Vector k;
        FT_Get_Kerning(face, prev, g, FT_KERNING_DEFAULT, &k);
        pen += k.x;
      }
      FT_Load_Glyph(face, g, FT_LOAD_DEFAULT);
      pen += face->glyph->advance.x;
      prev = g;
    }
    return pen;
  }
};

struct BOX {
  int32_t x0 = 1 << 30, y0 = 1 << 30, x1 = -1, y1 = -1;
};

BOX inkbox(const BITMAP& b, uint32_t background) {
  BOX box;
  for (int32_t y = 0; y < static_cast<int32_t>(b.HEIGHT()); ++y)
    for (int32_t x = 0; x < static_cast<int32_t>(b.WIDTH()); ++x)
      if (b.PIXEL({x, y}) != background) {
        box.x0 = std::min(box.x0, x);
        box.y0 = std::min(box.y0, y);
        box.x1 = std::max(box.x1, x);
        box.y1 = std::max(box.y1, y);
      }
  return box;
}

bool same(const BITMAP& a, const BITMAP& b) {
  for (int32_t y = 0; y < static_cast<int32_t>(a.HEIGHT()); ++y)
    for (int32_t x = 0; x < static_cast<int32_t>(a.WIDTH()); ++x)
      if (a.PIXEL({x, y}) != b.PIXEL({x, y})) return false;
  return true;
}

std::string lastdiagnostic;
void keep(const char* m) { lastdiagnostic = m; }

}  // namespace

TEST(Font, WidthsAreAdvancesPlusKerningAndHeightsCountLines) {
  const char* path = DEFAULTFONTFILE();
  ASSERT_NE(*path, '\0') << "fonts-dejavu-core is part of the install step";
  for (int px : {9, 16, 33}) {
    FONT f(px);
    ASSERT_TRUE(f.LOADED());
    REFERENCE ref(path, px);
    ASSERT_TRUE(FT_HAS_KERNING(ref.face)) << "the test needs a face with kerning";
    EXPECT_EQ(f.SIZE(), px);
    EXPECT_EQ(f.ASCENT(), (ref.face->size->metrics.ascender + 63) / 64);
    EXPECT_EQ(f.LINEHEIGHT(), (ref.face->size->metrics.height + 32) / 64);
    for (std::string s : {"AVATAR To Wa", "Hello, World!", "Score: 012345", "i", "WAVE  ",
                          "LT AT Yo P."}) {
      EXPECT_EQ(f.TEXTWIDTH(s.c_str()), (ref.width(s) + 63) / 64) << s << " at " << px;
      EXPECT_EQ(f.TEXTHEIGHT(s.c_str()), f.LINEHEIGHT());
    }
    if (px >= 16) {
      EXPECT_NE(ref.width("AV"), ref.width("A") + ref.width("V")) << "kerning is exercised";
    }
    // Lines: the widest counts; a trailing '\n' opens an empty line.
    EXPECT_EQ(f.TEXTWIDTH("ab\nWAVES\nc"), f.TEXTWIDTH("WAVES"));
    EXPECT_EQ(f.TEXTHEIGHT("ab\nWAVES\nc"), 3 * f.LINEHEIGHT());
    EXPECT_EQ(f.TEXTHEIGHT("ab\n"), 2 * f.LINEHEIGHT());
    EXPECT_EQ(f.TEXTWIDTH("A\rV\t"), f.TEXTWIDTH("AV")) << "control characters are skipped";
    EXPECT_EQ(f.TEXTWIDTH(""), 0);
    EXPECT_EQ(f.TEXTHEIGHT(""), 0);
    EXPECT_EQ(f.TEXTWIDTH(nullptr), 0);
  }
}

TEST(Font, GlyphsLandWhereTheirMetricsSayInTheColour) {
  TESTS::OPENSCREEN();
  const char* path = DEFAULTFONTFILE();
  FONT f(20);
  ASSERT_TRUE(f.LOADED());
  REFERENCE ref(path, 20);
  const uint32_t bg = 0xFF000000u;
  for (char ch : {'H', 'g', 'j', '.', 'W'}) {
    BITMAP b(60, 50, bg), half(60, 50, bg);
    const char text[2] = {ch, 0};
    f.DRAWTEXT(b, 11, 7, text, 0xFFFFFFFFu);
    f.DRAWTEXT(half, 11, 7, text, 0x80FFFFFFu);
    // Where FreeType's rendering of the glyph has ink.
    FT_Load_Char(ref.face, static_cast<FT_ULong>(ch), FT_LOAD_DEFAULT | FT_LOAD_RENDER);
    const FT_GlyphSlot g = ref.face->glyph;
    BOX want;
    for (int y = 0; y < static_cast<int>(g->bitmap.rows); ++y)
      for (int x = 0; x < static_cast<int>(g->bitmap.width); ++x)
        if (g->bitmap.buffer[y * g->bitmap.pitch + x]) {
          const int32_t px = 11 + g->bitmap_left + x, py = 7 + f.ASCENT() - g->bitmap_top + y;
          want.x0 = std::min(want.x0, px);
          want.y0 = std::min(want.y0, py);
          want.x1 = std::max(want.x1, px);
          want.y1 = std::max(want.y1, py);
          // Full coverage copies the colour; partial coverage blends it.
          const uint8_t k = g->bitmap.buffer[y * g->bitmap.pitch + x];
          const uint32_t s = 0x00FFFFFFu | (uint32_t{k} << 24);
          const uint32_t expect = k == 255 ? 0xFFFFFFFFu : RUNTIME::ALPHAPIXEL(s, bg);
          EXPECT_EQ(b.PIXEL({px, py}), expect) << ch << " at " << px << ", " << py;
          // A translucent colour: its alpha times the coverage, rounded.
          const uint32_t a = (0x80u * k + 127) / 255;
          const uint32_t blended = a ? RUNTIME::ALPHAPIXEL(0x00FFFFFFu | (a << 24), bg) : bg;
          EXPECT_EQ(half.PIXEL({px, py}), blended) << ch << " at " << px << ", " << py;
        }
    const BOX got = inkbox(b, bg);
    EXPECT_EQ(got.x0, want.x0) << ch;
    EXPECT_EQ(got.y0, want.y0) << ch;
    EXPECT_EQ(got.x1, want.x1) << ch;
    EXPECT_EQ(got.y1, want.y1) << ch;
  }
  // Kerning moves the second glyph: "AV" is "A" then "V" at A's advance plus the kerning.
  BITMAP av(80, 40, bg), v(80, 40, bg);
  f.DRAWTEXT(av, 5, 5, "AV", 0xFFFFFFFFu);
  f.DRAWTEXT(v, 5, 5, "A", 0xFFFFFFFFu);
  f.DRAWTEXT(v, 5 + static_cast<int32_t>(ref.width("AV") - ref.width("V")) / 64, 5, "V",
             0xFFFFFFFFu);
  EXPECT_TRUE(same(av, v));
  // A second line starts LINEHEIGHT lower; translucent colours scale the coverage.
  BITMAP two(80, 60, bg), one(80, 60, bg);
  f.DRAWTEXT(two, 3, 2, "x\nH", 0x80FF8040u);
  f.DRAWTEXT(one, 3, 2, "x", 0x80FF8040u);
  f.DRAWTEXT(one, 3, 2 + f.LINEHEIGHT(), "H", 0x80FF8040u);
  EXPECT_TRUE(same(two, one));
  const BOX hb = inkbox(one, bg);
  EXPECT_LT(hb.y1, 2 + 2 * f.LINEHEIGHT());
  // Clipped at every side without harm; the cached glyphs draw the same again.
  BITMAP clip(8, 8, bg), again(60, 50, bg), first(60, 50, bg);
  f.DRAWTEXT(clip, -5, -9, "WWW\nWWW", 0xFFFFFFFFu);
  f.DRAWTEXT(clip, 6, 6, "WWW", 0xFFFFFFFFu);
  f.DRAWTEXT(first, 4, 4, "Cache me", 0xFF00FF00u);
  f.SIZE(40);
  EXPECT_EQ(f.SIZE(), 40);
  f.SIZE(20);
  f.DRAWTEXT(again, 4, 4, "Cache me", 0xFF00FF00u);
  EXPECT_TRUE(same(first, again));
  f.SIZE(0);
  f.SIZE(MAXFONTSIZE + 1);
  EXPECT_EQ(f.SIZE(), 20) << "sizes out of range change nothing";
}

TEST(Font, MissingCorruptAndOversizedFacesFailCleanly) {
  TESTS::OPENSCREEN();
  RUNTIME::ONDIAGNOSTIC(keep);
  const std::vector<uint8_t> good = readfile(DEFAULTFONTFILE());
  ASSERT_GT(good.size(), 1000u);
  FONT f;
  EXPECT_FALSE(f.LOADFROMFILE("/no/such/font.ttf", 16));
  EXPECT_NE(lastdiagnostic.find("/no/such/font.ttf"), std::string::npos) << lastdiagnostic;
  EXPECT_FALSE(f.LOADED());
  std::vector<uint8_t> junk(5000);
  for (size_t i = 0; i < junk.size(); ++i) junk[i] = static_cast<uint8_t>(i * 131 + 7);
  EXPECT_FALSE(f.LOADFROMMEMORY(junk.data(), static_cast<int32_t>(junk.size()), 16));
  EXPECT_FALSE(f.LOADFROMMEMORY(good.data(), 100, 16)) << "a truncated face";
  EXPECT_FALSE(f.LOADFROMMEMORY(nullptr, 100, 16));
  EXPECT_FALSE(f.LOADFROMMEMORY(good.data(), 0, 16));
  EXPECT_FALSE(f.LOADFROMMEMORY(good.data(), static_cast<int32_t>(good.size()), 0));
  EXPECT_FALSE(f.LOADFROMMEMORY(good.data(), static_cast<int32_t>(good.size()), -3));
  EXPECT_FALSE(f.LOADFROMMEMORY(good.data(), static_cast<int32_t>(good.size()), MAXFONTSIZE + 1));
  EXPECT_NE(lastdiagnostic.find("size"), std::string::npos) << lastdiagnostic;
  // A failed font draws nothing and measures nothing.
  BITMAP b(40, 30, 0xFF000000u);
  f.DRAWTEXT(b, 2, 2, "Nothing", 0xFFFFFFFFu);
  EXPECT_EQ(inkbox(b, 0xFF000000u).x1, -1);
  EXPECT_EQ(f.TEXTWIDTH("Nothing"), 0);
  EXPECT_EQ(f.TEXTHEIGHT("Nothing"), 0);
  EXPECT_EQ(f.ASCENT(), 0);
  // A face whose tables are damaged past the header: loads or fails, never crashes.
  for (size_t cut : {size_t{2000}, good.size() / 2, good.size() - 1}) {
    std::vector<uint8_t> part(good.begin(), good.begin() + static_cast<ptrdiff_t>(cut));
    for (size_t i = 600; i < part.size(); i += 97) part[i] ^= 0x5A;
    FONT g(part.data(), static_cast<int32_t>(part.size()), 24);
    g.DRAWTEXT(b, 0, 0, "Broken? AV \xE2\x82\xAC", 0xFFFFFFFFu);
    (void)g.TEXTWIDTH("Broken?");
  }
  // From memory: the bytes are copied, and the largest size loads.
  std::vector<uint8_t> copy = good;
  FONT m(copy.data(), static_cast<int32_t>(copy.size()), MAXFONTSIZE);
  std::fill(copy.begin(), copy.end(), 0);
  EXPECT_TRUE(m.LOADED());
  m.SIZE(16);
  FONT file(16);
  EXPECT_EQ(m.TEXTWIDTH("Same face"), file.TEXTWIDTH("Same face"));
  // Moved fonts keep working; the moved-from one is empty.
  FONT moved = std::move(m);
  EXPECT_TRUE(moved.LOADED());
  EXPECT_FALSE(m.LOADED());  // NOLINT(bugprone-use-after-move)
  RUNTIME::ONDIAGNOSTIC(nullptr);
}

TEST(Font, InvalidUtf8DrawsTheReplacementGlyph) {
  TESTS::OPENSCREEN();
  FONT f(16);
  ASSERT_TRUE(f.LOADED());
  const std::string r = "\xEF\xBF\xBD";  // U+FFFD written out
  struct CASE {
    const char* bad;
    std::string same;
  } cases[] = {
      {"a\xFF" "b", "a" + r + "b"},                        // a byte that never starts anything
      {"a\x80\x80" "b", "a" + r + r + "b"},                // stray continuation bytes
      {"a\xC0\xAF" "b", "a" + r + r + "b"},                // overlong '/'
      {"a\xE0\x80\xAF" "b", "a" + r + r + r + "b"},        // overlong, three bytes
      {"a\xED\xA0\x80" "b", "a" + r + r + r + "b"},        // a surrogate
      {"a\xF4\x90\x80\x80" "b", "a" + r + r + r + r + "b"},  // above U+10FFFF
      {"a\xE2\x82" "b", "a" + r + "b"},                    // a cut sequence is one
      {"a\xF0\x9F\x98", "a" + r},                          // cut by the end of the text
      {"\xE2\x82\n\xE2", r + "\n" + r},                    // a newline ends a sequence
  };
  for (const CASE& c : cases) {
    EXPECT_EQ(f.TEXTWIDTH(c.bad), f.TEXTWIDTH(c.same.c_str())) << c.same;
    EXPECT_EQ(f.TEXTHEIGHT(c.bad), f.TEXTHEIGHT(c.same.c_str()));
    BITMAP x(120, 40, 0xFF000000u), y(120, 40, 0xFF000000u);
    f.DRAWTEXT(x, 1, 1, c.bad, 0xFFFFFFFFu);
    f.DRAWTEXT(y, 1, 1, c.same.c_str(), 0xFFFFFFFFu);
    EXPECT_TRUE(same(x, y)) << c.same;
  }
  EXPECT_GT(f.TEXTWIDTH(r.c_str()), 0) << "the face has a replacement glyph";
  // Valid multi-byte text passes: the euro sign is one glyph.
  EXPECT_EQ(f.TEXTWIDTH("\xE2\x82\xAC"), f.TEXTWIDTH("\xE2\x82\xAC\xE2\x82\xAC") / 2);
  // Empty and null text draw nothing.
  BITMAP e(20, 20, 0xFF000000u);
  f.DRAWTEXT(e, 1, 1, "", 0xFFFFFFFFu);
  f.DRAWTEXT(e, 1, 1, nullptr, 0xFFFFFFFFu);
  f.DRAWTEXT(e, 1, 1, "W", 0x00FFFFFFu);
  EXPECT_EQ(inkbox(e, 0xFF000000u).x1, -1);
}
