#include "zarvo/png/png.hpp"

#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <array>
#include <chrono>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "support/png_writer.hpp"
#include "zarvo/png/pngrows.hpp"
#include "zarvo/runtime/image.hpp"

using namespace PNGTEST;
namespace PNG = ZARVO::PNG;
namespace RT = ZARVO::RUNTIME;

namespace {

struct FORMAT {
  uint8_t COLORTYPE, DEPTH;
};
constexpr FORMAT FORMATS[] = {{0, 1}, {0, 2}, {0, 4},  {0, 8}, {0, 16}, {3, 1}, {3, 2}, {3, 4},
                              {3, 8}, {2, 8}, {2, 16}, {4, 8}, {4, 16}, {6, 8}, {6, 16}};

int32_t LEN(const BYTES& b) { return static_cast<int32_t>(b.size()); }

// Decodes with selector 2 into row-major pixels; empty on failure. Checks the
// image buffer's header and zero padding on the way.
std::vector<uint32_t> DECODE(const BYTES& file) {
  RT::IMAGE* img =
      static_cast<RT::IMAGE*>(PNG::LOADMEMORY(file.data(), LEN(file), PNG::SELECT_IMAGE));
  if (!img) return {};
  std::vector<uint32_t> px;
  EXPECT_EQ(img->TAG, 7);
  EXPECT_EQ(img->BPP, 4);
  EXPECT_EQ(img->PITCH, (img->WIDTH * 4 + 31) / 32 * 32);
  EXPECT_EQ(img->ZERO[0] | img->ZERO[1], 0u);
  for (uint32_t y = 0; y < img->HEIGHT; ++y) {
    const uint32_t* row = RT::ROW32(img, y);
    px.insert(px.end(), row, row + img->WIDTH);
    for (uint32_t x = img->WIDTH; x < img->PITCH / 4; ++x) EXPECT_EQ(row[x], 0u);
  }
  RT::IMAGEDESTROY(img);
  return px;
}

bool FAILS(const BYTES& file) {
  void* p = PNG::LOADMEMORY(file.data(), LEN(file), PNG::SELECT_IMAGE);
  PNG::RELEASE(p, PNG::SELECT_IMAGE);
  return p == nullptr;
}

BYTES RANDOMPALETTE(size_t entries, uint32_t seed) {
  std::mt19937 rng(seed);
  BYTES b(entries * 3);
  for (auto& v : b) v = static_cast<uint8_t>(rng());
  return b;
}

// The conversion table, pixel by pixel, straight from the samples.
std::vector<uint32_t> EXPECTED(const PICTURE& p, const BYTES& plte, const BYTES* trns) {
  std::vector<uint32_t> out;
  auto key = [&](int k) { return (trns->at(2 * k) << 8) | trns->at(2 * k + 1); };
  for (uint32_t y = 0; y < p.H; ++y) {
    for (uint32_t x = 0; x < p.W; ++x) {
      auto s = [&](uint32_t c) -> uint32_t { return p.AT(x, y, c); };
      auto hi = [&](uint32_t c) -> uint32_t { return p.DEPTH == 16 ? s(c) >> 8 : s(c); };
      uint32_t a = 255, r, g, b;
      switch (p.COLORTYPE) {
        case 0:
          r = g = b = p.DEPTH == 16 ? s(0) >> 8 : s(0) * (255 / ((1u << p.DEPTH) - 1));
          if (trns && s(0) == static_cast<uint32_t>(key(0))) a = 0;
          break;
        case 3: {
          const uint32_t i = s(0);
          r = 3 * i + 2 < plte.size() ? plte[3 * i] : 0;
          g = 3 * i + 2 < plte.size() ? plte[3 * i + 1] : 0;
          b = 3 * i + 2 < plte.size() ? plte[3 * i + 2] : 0;
          if (trns && i < trns->size()) a = (*trns)[i];
          break;
        }
        case 4:
          r = g = b = hi(0);
          a = hi(1);
          break;
        case 2:
          r = hi(0), g = hi(1), b = hi(2);
          if (trns && s(0) == static_cast<uint32_t>(key(0)) &&
              s(1) == static_cast<uint32_t>(key(1)) && s(2) == static_cast<uint32_t>(key(2)))
            a = 0;
          break;
        default:
          r = hi(0), g = hi(1), b = hi(2), a = hi(3);
      }
      out.push_back((a << 24) | (r << 16) | (g << 8) | b);
    }
  }
  return out;
}

// libpng's classic API asked for the same conversion: expand, strip to 8
// bits, grey to RGB, opaque filler, BGR order.
std::vector<uint32_t> LIBPNGDECODE(const BYTES& file) {
  struct SRC {
    const BYTES* b;
    size_t at;
  } src{&file, 0};
  png_structp png = png_create_read_struct(
      PNG_LIBPNG_VER_STRING, nullptr, [](png_structp p, png_const_charp) { png_longjmp(p, 1); },
      [](png_structp, png_const_charp) {});
  png_infop info = png_create_info_struct(png);
  std::vector<uint32_t> px;
  if (setjmp(png_jmpbuf(png)) == 0) {
    png_set_read_fn(png, &src, [](png_structp p, png_bytep out, png_size_t n) {
      SRC* s = static_cast<SRC*>(png_get_io_ptr(p));
      if (s->at + n > s->b->size()) png_error(p, "short");
      std::memcpy(out, s->b->data() + s->at, n);
      s->at += n;
    });
    png_read_info(png, info);
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    png_set_bgr(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const uint32_t w = png_get_image_width(png, info), h = png_get_image_height(png, info);
    px.resize(size_t{w} * h);
    std::vector<png_bytep> rows(h);
    for (uint32_t y = 0; y < h; ++y) rows[y] = reinterpret_cast<png_bytep>(&px[size_t{y} * w]);
    png_read_image(png, rows.data());
  } else {
    px.clear();
  }
  png_destroy_read_struct(&png, &info, nullptr);
  return px;
}

// Every kernel level this processor can run, the best first.
std::vector<int> LEVELS() {
  std::vector<int> l;
  for (int level = PNG::USEKERNELS(-1); level >= 0; --level) l.push_back(level);
  return l;
}

PICTURE PALETTED(uint32_t w, uint32_t h, uint8_t depth, uint32_t seed, uint32_t entries) {
  PICTURE p = RANDOMPICTURE(w, h, depth, 3, seed);
  for (auto& s : p.S) s = static_cast<uint16_t>(s % entries);
  return p;
}

BYTES SIMPLE(const PICTURE& p, const BYTES& plte = {}, const BYTES* trns = nullptr) {
  OPTIONS o;
  o.PLTE = plte;
  o.HASTRNS = trns != nullptr;
  if (trns) o.TRNS = *trns;
  return ENCODE(p, o);
}

}  // namespace

TEST(PngDecode, WorkedExamples) {
  const PICTURE rgba{1, 1, 8, 6, {10, 20, 30, 40}};
  const BYTES rgbafile = SIMPLE(rgba);
  RT::IMAGE* img = static_cast<RT::IMAGE*>(PNG::LOADMEMORY(rgbafile.data(), LEN(rgbafile), 2));
  ASSERT_NE(img, nullptr);
  EXPECT_EQ(RT::ROW32(img, 0)[0], 0x280A141Eu);
  EXPECT_EQ(img->PITCH, 32u);
  EXPECT_EQ(RT::IMAGESIZE(img), 64u);
  RT::IMAGEDESTROY(img);

  EXPECT_EQ(DECODE(SIMPLE(PICTURE{2, 1, 1, 0, {1, 0}})),
            (std::vector<uint32_t>{0xFFFFFFFF, 0xFF000000}));
  EXPECT_EQ(DECODE(SIMPLE(PICTURE{4, 1, 2, 0, {0, 1, 2, 3}})),
            (std::vector<uint32_t>{0xFF000000, 0xFF555555, 0xFFAAAAAA, 0xFFFFFFFF}));
  const BYTES one = {0};
  EXPECT_EQ(DECODE(SIMPLE(PICTURE{3, 1, 8, 3, {0, 1, 2}}, {1, 2, 3, 4, 5, 6, 7, 8, 9}, &one)),
            (std::vector<uint32_t>{0x00010203, 0xFF040506, 0xFF070809}));
  const BYTES key = {0, 5, 0, 6, 0, 7};
  EXPECT_EQ(DECODE(SIMPLE(PICTURE{2, 1, 8, 2, {5, 6, 7, 5, 6, 8}}, {}, &key)),
            (std::vector<uint32_t>{0x00050607, 0xFF050608}));
  EXPECT_EQ(DECODE(SIMPLE(PICTURE{1, 1, 16, 0, {0x12FF}})), (std::vector<uint32_t>{0xFF121212}));

  // A 1 x 1 interlaced image holds only the first pass: one filter byte, 4 samples.
  OPTIONS o;
  o.INTERLACE = true;
  const BYTES tiny = ENCODE(rgba, o);
  EXPECT_EQ(SCANLINES(rgba, true, 0).size(), 5u);
  EXPECT_EQ(DECODE(tiny), (std::vector<uint32_t>{0x280A141E}));
}

TEST(PngDecode, EveryFormatFilterAndInterlaceFollowsTheConversionTable) {
  const uint32_t sizes[][2] = {{1, 1}, {2, 3}, {7, 5}, {9, 9}, {70, 17}};
  uint32_t seed = 1;
  for (const FORMAT f : FORMATS) {
    for (const auto& sz : sizes) {
      const uint32_t entries = f.COLORTYPE == 3 ? 1u << f.DEPTH : 0;
      const PICTURE p = f.COLORTYPE == 3 ? PALETTED(sz[0], sz[1], f.DEPTH, seed, entries)
                                         : RANDOMPICTURE(sz[0], sz[1], f.DEPTH, f.COLORTYPE, seed);
      const BYTES plte = RANDOMPALETTE(entries, seed++);
      const std::vector<uint32_t> want = EXPECTED(p, plte, nullptr);
      for (int filter = -1; filter <= 4; ++filter) {
        for (bool interlace : {false, true}) {
          OPTIONS o;
          o.INTERLACE = interlace;
          o.FILTER = filter;
          o.PLTE = plte;
          const BYTES file = ENCODE(p, o);
          for (int level : LEVELS()) {
            PNG::USEKERNELS(level);
            EXPECT_EQ(DECODE(file), want)
                << "type " << int(f.COLORTYPE) << " depth " << int(f.DEPTH) << " size " << sz[0]
                << "x" << sz[1] << " filter " << filter << " interlace " << interlace << " level "
                << level;
          }
          PNG::USEKERNELS(-1);
        }
      }
    }
  }
}

TEST(PngDecode, AgreesWithLibpngIncludingTransparency) {
  uint32_t seed = 100;
  for (const FORMAT f : FORMATS) {
    for (bool interlace : {false, true}) {
      const uint32_t entries = f.COLORTYPE == 3 ? 1u << f.DEPTH : 0;
      PICTURE p = f.COLORTYPE == 3 ? PALETTED(61, 37, f.DEPTH, seed, entries)
                                   : RANDOMPICTURE(61, 37, f.DEPTH, f.COLORTYPE, seed);
      ++seed;
      OPTIONS o;
      o.INTERLACE = interlace;
      o.PLTE = RANDOMPALETTE(entries, seed);
      // A key taken from the picture itself so that it matches somewhere.
      if (f.COLORTYPE == 0 || f.COLORTYPE == 2) {
        o.HASTRNS = true;
        for (uint32_t c = 0; c < p.CHANNELS(); ++c) {
          o.TRNS.push_back(static_cast<uint8_t>(p.AT(3, 2, c) >> 8));
          o.TRNS.push_back(static_cast<uint8_t>(p.AT(3, 2, c)));
        }
      } else if (f.COLORTYPE == 3) {
        o.HASTRNS = true;
        o.TRNS = RANDOMPALETTE(entries, seed);
        o.TRNS.resize(entries / 2 + 1);
      }
      const BYTES file = ENCODE(p, o);
      const std::vector<uint32_t> ours = DECODE(file);
      ASSERT_EQ(ours, LIBPNGDECODE(file))
          << "type " << int(f.COLORTYPE) << " depth " << int(f.DEPTH);
      EXPECT_EQ(ours, EXPECTED(p, o.PLTE, o.HASTRNS ? &o.TRNS : nullptr));
      if (f.COLORTYPE == 0 || f.COLORTYPE == 2) {
        EXPECT_EQ(ours[2 * 61 + 3] >> 24, 0u);
      }
    }
  }
}

TEST(PngDecode, KeysCompareTheUnscaledSample) {
  // 16-bit: same high byte, different low byte stays opaque.
  const BYTES k16 = {0x12, 0x00};
  EXPECT_EQ(DECODE(SIMPLE(PICTURE{2, 1, 16, 0, {0x12FF, 0x1200}}, {}, &k16)),
            (std::vector<uint32_t>{0xFF121212, 0x00121212}));
  const BYTES rgb16 = {0, 1, 0, 2, 0, 3};
  EXPECT_EQ(DECODE(SIMPLE(PICTURE{2, 1, 16, 2, {1, 2, 3, 1, 2, 4}}, {}, &rgb16)),
            (std::vector<uint32_t>{0x00000000, 0xFF000000}));
  // A grey key of 1 at depth 1 is the white sample, not the scaled 255.
  const BYTES k1 = {0, 1};
  EXPECT_EQ(DECODE(SIMPLE(PICTURE{2, 1, 1, 0, {0, 1}}, {}, &k1)),
            (std::vector<uint32_t>{0xFF000000, 0x00FFFFFF}));
  // Keys beyond the sample range never match.
  const BYTES k8 = {1, 5};
  EXPECT_EQ(DECODE(SIMPLE(PICTURE{1, 1, 8, 0, {5}}, {}, &k8)), (std::vector<uint32_t>{0xFF050505}));
  const BYTES rgbbig = {1, 5, 0, 6, 0, 7};
  EXPECT_EQ(DECODE(SIMPLE(PICTURE{1, 1, 8, 2, {5, 6, 7}}, {}, &rgbbig)),
            (std::vector<uint32_t>{0xFF050607}));
}

TEST(PngDecode, PaletteAndTransparencyChunkRules) {
  const PICTURE p{4, 1, 8, 3, {0, 1, 2, 3}};
  // Entries the palette does not supply read as black; a remainder is ignored.
  EXPECT_EQ(DECODE(SIMPLE(p, {9, 8, 7, 6, 5, 4, 3})),
            (std::vector<uint32_t>{0xFF090807, 0xFF060504, 0xFF000000, 0xFF000000}));
  EXPECT_TRUE(FAILS(SIMPLE(p)));                         // no PLTE
  EXPECT_TRUE(FAILS(SIMPLE(p, RANDOMPALETTE(257, 1))));  // 257 entries
  EXPECT_FALSE(FAILS(SIMPLE(p, RANDOMPALETTE(256, 1))));
  const BYTES empty, full(256, 7), over(257, 7);
  EXPECT_EQ(DECODE(SIMPLE(p, RANDOMPALETTE(4, 1), &empty))[3] >> 24, 255u);
  EXPECT_EQ(DECODE(SIMPLE(p, RANDOMPALETTE(4, 1), &full))[3] >> 24, 7u);
  EXPECT_TRUE(FAILS(SIMPLE(p, RANDOMPALETTE(4, 1), &over)));
  // Only the first PLTE and tRNS count, wherever they stand.
  const BYTES rest = ZLIB(SCANLINES(p, false, 0));
  const BYTES two =
      JOIN({SIGNATURE(), CHUNK("IHDR", IHDRDATA(4, 1, 8, 3, 0)), CHUNK("IDAT", rest),
            CHUNK("tRNS", {1, 2}), CHUNK("PLTE", {1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4}),
            CHUNK("PLTE", RANDOMPALETTE(300, 2)), CHUNK("tRNS", over), CHUNK("IEND", {})});
  EXPECT_EQ(DECODE(two), (std::vector<uint32_t>{0x01010101, 0x02020202, 0xFF030303, 0xFF040404}));
  // PLTE is ignored outside palette images, however long; tRNS in grey + alpha or RGBA fails.
  const PICTURE rgb = RANDOMPICTURE(3, 3, 8, 2, 5);
  EXPECT_EQ(DECODE(SIMPLE(rgb, RANDOMPALETTE(300, 3))), EXPECTED(rgb, {}, nullptr));
  for (uint8_t ct : {4, 6}) {
    const BYTES t = {0, 0};
    EXPECT_TRUE(FAILS(SIMPLE(RANDOMPICTURE(2, 2, 8, ct, 1), {}, &t)));
  }
  for (const BYTES& t : {BYTES{0}, BYTES{0, 0, 0}})
    EXPECT_TRUE(FAILS(SIMPLE(RANDOMPICTURE(2, 2, 8, 0, 1), {}, &t)));
  for (const BYTES& t : {BYTES{0, 0}, BYTES{0, 0, 0, 0, 0, 0, 0}})
    EXPECT_TRUE(FAILS(SIMPLE(RANDOMPICTURE(2, 2, 8, 2, 1), {}, &t)));
}

TEST(PngDecode, ImageDataSplitAnywhereDecodesAsOne) {
  const PICTURE p = RANDOMPICTURE(23, 19, 8, 6, 9);
  const std::vector<uint32_t> want = EXPECTED(p, {}, nullptr);
  for (size_t split : {1, 7, 100}) {
    OPTIONS o;
    o.IDATSPLIT = split;
    o.BETWEEN = JOIN({CHUNK("tEXt", {'a', 0, 'b'}), CHUNK("zzZz", {})});
    EXPECT_EQ(DECODE(ENCODE(p, o)), want);
  }
  // Chunks after an early IEND are read like any others; only the last must be IEND.
  const BYTES z = ZLIB(SCANLINES(p, false, 2));
  const BYTES late = JOIN({SIGNATURE(), CHUNK("IHDR", IHDRDATA(23, 19, 8, 6, 0)), CHUNK("IEND", {}),
                           CHUNK("IDAT", BYTES(z.begin(), z.begin() + 10)), CHUNK("IEND", {}),
                           CHUNK("IDAT", BYTES(z.begin() + 10, z.end())), CHUNK("IEND", {})});
  EXPECT_EQ(DECODE(late), want);
}

TEST(PngDecode, SelectorsOneAndThreeAndUnknownOnes) {
  const PICTURE p = RANDOMPICTURE(5, 3, 8, 6, 4);
  const BYTES file = SIMPLE(p);
  const std::vector<uint32_t> want = EXPECTED(p, {}, nullptr);
  uint8_t* packed = static_cast<uint8_t*>(PNG::LOADMEMORY(file.data(), LEN(file), 1));
  ASSERT_NE(packed, nullptr);
  uint32_t head, px;
  std::memcpy(&head, packed, 4);
  EXPECT_EQ(head, 4u | (5u << 3) | (3u << 16));
  for (size_t i = 0; i < want.size(); ++i) {
    std::memcpy(&px, packed + 4 + 4 * i, 4);
    EXPECT_EQ(px, want[i]);
  }
  PNG::RELEASE(packed, 1);
  const uint32_t* bottomup =
      static_cast<const uint32_t*>(PNG::LOADMEMORY(file.data(), LEN(file), 3));
  ASSERT_NE(bottomup, nullptr);
  for (uint32_t y = 0; y < 3; ++y) {
    for (uint32_t x = 0; x < 5; ++x) {
      const uint32_t v = want[(2 - y) * 5 + x];
      EXPECT_EQ(bottomup[y * 5 + x], (v & 0xFF00FF00u) | ((v >> 16) & 0xFF) | ((v & 0xFF) << 16));
    }
  }
  PNG::RELEASE(const_cast<uint32_t*>(bottomup), 3);
  for (int32_t sel : {0, 4, -1, 1000})
    EXPECT_EQ(PNG::LOADMEMORY(file.data(), LEN(file), sel), nullptr);
  // The packed header has 13 bits for the width.
  const BYTES wide = SIMPLE(RANDOMPICTURE(8192, 1, 1, 0, 1));
  EXPECT_EQ(PNG::LOADMEMORY(wide.data(), LEN(wide), 1), nullptr);
  void* ok = PNG::LOADMEMORY(wide.data(), LEN(wide), 2);
  EXPECT_NE(ok, nullptr);
  PNG::RELEASE(ok, 2);
}

TEST(PngDecode, EachListedFailureReturnsNull) {
  const PICTURE p = RANDOMPICTURE(6, 4, 8, 2, 3);
  const BYTES good = SIMPLE(p);
  ASSERT_FALSE(FAILS(good));
  const BYTES ihdr = CHUNK("IHDR", IHDRDATA(6, 4, 8, 2, 0));
  const BYTES idat = CHUNK("IDAT", ZLIB(SCANLINES(p, false, 1)));
  const BYTES iend = CHUNK("IEND", {});
  auto file = [&](std::initializer_list<BYTES> chunks) {
    BYTES b = SIGNATURE();
    for (const BYTES& c : chunks) b.insert(b.end(), c.begin(), c.end());
    return b;
  };
  ASSERT_FALSE(FAILS(file({ihdr, idat, iend})));

  BYTES sig = good;
  sig[1] = 'p';
  EXPECT_TRUE(FAILS(sig));
  EXPECT_TRUE(FAILS(file({ihdr, idat})));                     // no IEND
  EXPECT_TRUE(FAILS(file({ihdr, iend})));                     // 2 chunks, no data
  EXPECT_TRUE(FAILS(file({ihdr, CHUNK("IDAT", {}), iend})));  // empty data
  EXPECT_TRUE(FAILS(file({idat, ihdr, iend})));               // IHDR not first
  BYTES ancillary = file({ihdr, CHUNK("tEXt", {'k', 0, 'v'}), idat, iend});
  ASSERT_FALSE(FAILS(ancillary));
  ancillary[8 + ihdr.size() + 9] ^= 1;  // tEXt data, CRC kept
  EXPECT_TRUE(FAILS(ancillary));
  for (size_t extra = 1; extra < 16; ++extra) {
    BYTES tail = good;
    tail.resize(good.size() + extra, 0);
    EXPECT_TRUE(FAILS(tail)) << extra;
  }
  BYTES ih12 = IHDRDATA(6, 4, 8, 2, 0), ih14 = ih12;
  ih12.pop_back();
  ih14.push_back(0);
  EXPECT_TRUE(FAILS(file({CHUNK("IHDR", ih12), idat, iend})));
  EXPECT_TRUE(FAILS(file({CHUNK("IHDR", ih14), idat, iend})));
  // Every colour type and depth outside the accepted list, and the method bytes.
  for (int ct = 0; ct < 8; ++ct) {
    for (int depth = 0; depth <= 32; ++depth) {
      bool accepted = false;
      for (const FORMAT f : FORMATS) accepted |= f.COLORTYPE == ct && f.DEPTH == depth;
      if (accepted) continue;
      const BYTES h = CHUNK("IHDR", IHDRDATA(6, 4, uint8_t(depth), uint8_t(ct), 0));
      EXPECT_TRUE(FAILS(file({h, CHUNK("PLTE", {0, 0, 0}), idat, iend}))) << ct << " " << depth;
    }
  }
  EXPECT_TRUE(FAILS(file({CHUNK("IHDR", IHDRDATA(6, 4, 8, 2, 2)), idat, iend})));
  EXPECT_TRUE(FAILS(file({CHUNK("IHDR", IHDRDATA(6, 4, 8, 2, 0, 1)), idat, iend})));
  EXPECT_TRUE(FAILS(file({CHUNK("IHDR", IHDRDATA(6, 4, 8, 2, 0, 0, 1)), idat, iend})));
  EXPECT_TRUE(FAILS(file({CHUNK("IHDR", IHDRDATA(0, 4, 8, 2, 0)), idat, iend})));
  EXPECT_TRUE(FAILS(file({CHUNK("IHDR", IHDRDATA(6, 0, 8, 2, 0)), idat, iend})));
  // Data that inflates to one byte too few or too many, or is not zlib at all.
  BYTES raw = SCANLINES(p, false, 0);
  raw.pop_back();
  EXPECT_TRUE(FAILS(file({ihdr, CHUNK("IDAT", ZLIB(raw)), iend})));
  raw.push_back(0);
  raw.push_back(0);
  EXPECT_TRUE(FAILS(file({ihdr, CHUNK("IDAT", ZLIB(raw)), iend})));
  EXPECT_TRUE(FAILS(file({ihdr, CHUNK("IDAT", BYTES(40, 0x55)), iend})));
  BYTES cut = ZLIB(SCANLINES(p, false, 0));
  cut.pop_back();  // the Adler-32 checksum is incomplete
  EXPECT_TRUE(FAILS(file({ihdr, CHUNK("IDAT", cut), iend})));
  // A filter type above 4 in the last row fails the whole load.
  raw = SCANLINES(p, false, 0);
  raw[raw.size() - 19] = 5;
  EXPECT_TRUE(FAILS(file({ihdr, CHUNK("IDAT", ZLIB(raw)), iend})));

  BYTES b48(good.begin(), good.begin() + 48);
  EXPECT_TRUE(FAILS(b48));
  EXPECT_EQ(PNG::LOADMEMORY(good.data(), 0, 2), nullptr);
  EXPECT_EQ(PNG::LOADMEMORY(good.data(), -5, 2), nullptr);
  EXPECT_EQ(PNG::LOADMEMORY(nullptr, LEN(good), 2), nullptr);
}

TEST(PngDecode, EveryTruncationAndEveryBitFlipFails) {
  OPTIONS o;
  o.IDATSPLIT = 20;
  o.BETWEEN = CHUNK("tIME", {7, 1, 2, 3, 4, 5, 6});
  const BYTES good = ENCODE(RANDOMPICTURE(5, 5, 8, 4, 2), o);
  ASSERT_FALSE(FAILS(good));
  for (size_t n = 0; n < good.size(); ++n)
    EXPECT_TRUE(FAILS(BYTES(good.begin(), good.begin() + n))) << n;
  // Every byte is under the signature, a length, or a CRC.
  for (size_t i = 0; i < good.size(); ++i) {
    for (int bit = 0; bit < 8; bit += 3) {
      BYTES bad = good;
      bad[i] ^= static_cast<uint8_t>(1 << bit);
      EXPECT_TRUE(FAILS(bad)) << i << " " << bit;
    }
  }
}

TEST(PngDecode, HostileSizesFailBeforeAllocating) {
  const BYTES tiny = ZLIB(BYTES(10, 0));
  auto header = [&](uint32_t w, uint32_t h, uint8_t depth, uint8_t ct) {
    return JOIN({SIGNATURE(), CHUNK("IHDR", IHDRDATA(w, h, depth, ct, 0)), CHUNK("PLTE", {0, 0, 0}),
                 CHUNK("IDAT", tiny), CHUNK("IEND", {})});
  };
  const auto start = std::chrono::steady_clock::now();
  // Sizes beyond 32 bits: the scanline, the expected data, the output block.
  EXPECT_TRUE(FAILS(header(0xFFFFFFFF, 1, 16, 6)));
  EXPECT_TRUE(FAILS(header(0x10000, 0x10000, 8, 0)));
  EXPECT_TRUE(FAILS(header(40000, 40000, 1, 0)));  // data fits 32 bits, 6.4 GB of pixels do not
  EXPECT_TRUE(FAILS(header(0x7FFFFFFF, 0x7FFFFFFF, 8, 3)));
  // Fits, but 21 bytes of zlib data cannot inflate to 30000 x 30000 bytes.
  EXPECT_TRUE(FAILS(header(30000, 30000, 8, 0)));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));
  // The bound is not too tight: a stream of zeros compresses about 1000 to 1.
  const PICTURE flat{4000, 1000, 8, 0, std::vector<uint16_t>(4000000, 0)};
  const BYTES z = ZLIB(SCANLINES(flat, false, 0));
  EXPECT_GT(4001000u / z.size(), 900u);
  EXPECT_FALSE(FAILS(SIMPLE(flat)));
}

TEST(PngFile, LoadsLikeMemoryAndRejectsUnreadableFiles) {
  const BYTES good = SIMPLE(RANDOMPICTURE(9, 7, 16, 6, 8));
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "zarvo_png_test";
  std::filesystem::create_directories(dir);
  auto write = [&](const char* name, const BYTES& b) {
    const std::string path = (dir / name).string();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!b.empty()) std::fwrite(b.data(), 1, b.size(), f);
    std::fclose(f);
    return path;
  };
  const std::string ok = write("ok.png", good);
  RT::IMAGE* img = static_cast<RT::IMAGE*>(PNG::LOADFILE(ok.c_str(), 2));
  ASSERT_NE(img, nullptr);
  const std::vector<uint32_t> want = DECODE(good);
  EXPECT_EQ(std::vector<uint32_t>(RT::ROW32(img, 6), RT::ROW32(img, 6) + 9),
            std::vector<uint32_t>(want.end() - 9, want.end()));
  RT::IMAGEDESTROY(img);
  EXPECT_EQ(PNG::LOADFILE(write("empty.png", {}).c_str(), 2), nullptr);
  EXPECT_EQ(PNG::LOADFILE(write("short.png", BYTES(good.begin(), good.end() - 1)).c_str(), 2),
            nullptr);
  EXPECT_EQ(PNG::LOADFILE((dir / "missing.png").string().c_str(), 2), nullptr);
  EXPECT_EQ(PNG::LOADFILE(dir.string().c_str(), 2), nullptr);
  EXPECT_EQ(PNG::LOADFILE("", 2), nullptr);
  EXPECT_EQ(PNG::LOADFILE(nullptr, 2), nullptr);
  EXPECT_EQ(PNG::LOADFILE(ok.c_str(), 7), nullptr);
  std::filesystem::remove_all(dir);
}

TEST(PngRows, FastKernelsMatchTheFilterDefinition) {
  std::mt19937 rng(3);
  for (int level : LEVELS()) {
    PNG::USEKERNELS(level);
    for (uint32_t unit : {1u, 2u, 3u, 4u, 6u, 8u}) {
      for (size_t pixels : {1, 2, 3, 5, 7, 16, 17, 33, 70, 101, 250}) {
        const size_t n = pixels * unit, stride = n + 1;
        for (int t1 = 0; t1 < 5; ++t1) {
          for (int t2 = 0; t2 < 5; ++t2) {
            // Five rows with their filter bytes, then the slack the kernels may read.
            BYTES slow(5 * stride + PNG::ROWSLACK);
            for (auto& b : slow) b = static_cast<uint8_t>(rng() & (rng() % 2 ? 0xFF : 0x7));
            BYTES pair = slow, single = slow, quad = slow;
            auto row = [&](BYTES& b, int k) { return &b[1 + k * stride]; };
            const bool first = t2 & 1;  // row 1 starts a pass: no row above
            PNG::UNFILTERREFERENCE(uint8_t(t1), row(slow, 1), first ? nullptr : row(slow, 0), n,
                                   unit);
            for (int k = 2; k < 5; ++k)
              PNG::UNFILTERREFERENCE(uint8_t(t2), row(slow, k), row(slow, k - 1), n, unit);
            PNG::UNFILTERPAIR(uint8_t(t1), row(pair, 1), first ? nullptr : row(pair, 0),
                              uint8_t(t2), row(pair, 2), n, unit);
            PNG::UNFILTERPAIR(uint8_t(t2), row(pair, 3), row(pair, 2), uint8_t(t2), row(pair, 4), n,
                              unit);
            EXPECT_EQ(pair, slow) << unit << " " << pixels << " " << t1 << " " << t2;
            PNG::UNFILTERROW(uint8_t(t1), row(single, 1), first ? nullptr : row(single, 0), n,
                             unit);
            for (int k = 2; k < 5; ++k)
              PNG::UNFILTERROW(uint8_t(t2), row(single, k), row(single, k - 1), n, unit);
            EXPECT_EQ(single, slow) << unit << " " << pixels << " " << t1 << " " << t2;
            if (t1 != t2 || first) continue;
            PNG::UNFILTERQUAD(uint8_t(t1), row(quad, 1), row(quad, 0), row(quad, 2), row(quad, 3),
                              row(quad, 4), n, unit);
            EXPECT_EQ(quad, slow) << unit << " " << pixels << " " << t1;
          }
        }
      }
    }
  }
  PNG::USEKERNELS(-1);
}

TEST(PngRows, PaethKernelsAgreeForEveryTriple) {
  // Rows of 4-byte pixels alternate a set-up pixel, which fixes the next
  // pixel's left (a) and upper-left (c) bytes, and a test pixel, whose upper
  // byte is b. Each of the 4 lanes covers a quarter of the values of a.
  const size_t perrow = 2048, n = perrow * 2 * 4;
  std::vector<std::array<int, 3>> triples;
  BYTES prior(n + PNG::ROWSLACK), row(n + PNG::ROWSLACK);
  size_t done = 0;
  auto flush = [&]() {
    BYTES slow = row;
    PNG::UNFILTERREFERENCE(4, slow.data(), prior.data(), n, 4);
    for (int level : LEVELS()) {
      PNG::USEKERNELS(level);
      BYTES single = row;
      PNG::UNFILTERROW(4, single.data(), prior.data(), n, 4);
      EXPECT_EQ(single, slow) << level;
    }
    PNG::USEKERNELS(-1);
    // Paired, the second row runs over the first as its row above.
    BYTES two(2 * (n + 1) + PNG::ROWSLACK), twoslow;
    std::copy(row.begin(), row.begin() + n, two.begin());
    std::copy(row.begin(), row.begin() + n, two.begin() + n + 1);
    twoslow = two;
    PNG::UNFILTERREFERENCE(4, twoslow.data(), prior.data(), n, 4);
    PNG::UNFILTERREFERENCE(4, twoslow.data() + n + 1, twoslow.data(), n, 4);
    PNG::UNFILTERPAIR(4, two.data(), prior.data(), 4, two.data() + n + 1, n, 4);
    EXPECT_EQ(two, twoslow);
    ++done;
  };
  size_t px = 0;
  int recon[4] = {0, 0, 0, 0}, above[4] = {0, 0, 0, 0};
  for (int b = 0; b < 256; ++b) {
    for (int c = 0; c < 256; ++c) {
      for (int a = 0; a < 64; ++a) {
        for (int lane = 0; lane < 4; ++lane) {
          const size_t s = 8 * px + lane, t = s + 4;
          const int want = a + 64 * lane;
          // Set-up pixel: above it c; reconstructed to the wanted a.
          prior[s] = static_cast<uint8_t>(c);
          int p = PNG::FILTER_PAETH;
          const int pa = std::abs(c - above[lane]), pb = std::abs(recon[lane] - above[lane]);
          const int pc = std::abs(recon[lane] + c - 2 * above[lane]);
          p = (pa <= pb && pa <= pc) ? recon[lane] : (pb <= pc ? c : above[lane]);
          row[s] = static_cast<uint8_t>(want - p);
          prior[t] = static_cast<uint8_t>(b);
          row[t] = static_cast<uint8_t>(b * 7 + c);
          const int qa = std::abs(b - c), qb = std::abs(want - c), qc = std::abs(want + b - 2 * c);
          const int q = (qa <= qb && qa <= qc) ? want : (qb <= qc ? b : c);
          recon[lane] = static_cast<uint8_t>(row[t] + q);
          above[lane] = b;
        }
        if (++px == perrow) {
          flush();
          px = 0;
          for (int lane = 0; lane < 4; ++lane) recon[lane] = above[lane] = 0;
        }
      }
    }
  }
  EXPECT_EQ(done, 256u * 256u * 64u / perrow);
}
