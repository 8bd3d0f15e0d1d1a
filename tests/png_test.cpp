#include "zarvo/png/png.hpp"

#include <gtest/gtest.h>
#ifdef ZARVO_TEST_LIBPNG
#include <png.h>
#endif

#include <chrono>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "support/png_writer.hpp"
#include "zarvo/png/pngrows.hpp"
#include "zarvo/runtime/diagnostics.hpp"
#include "zarvo/runtime/image.hpp"
#include "zarvo/runtime/simd.hpp"

using namespace PNGTEST;
namespace PNG = ZARVO::PNG;
namespace RT = ZARVO::RUNTIME;
using PIXELS = std::vector<uint32_t>;

namespace {

constexpr uint8_t FORMATS[][2] = {{0, 1}, {0, 2}, {0, 4},  {0, 8}, {0, 16}, {3, 1}, {3, 2}, {3, 4},
                                  {3, 8}, {2, 8}, {2, 16}, {4, 8}, {4, 16}, {6, 8}, {6, 16}};

int32_t LEN(const BYTES& b) { return static_cast<int32_t>(b.size()); }

// Every inflate path built in: libdeflate (when found) and zlib.
std::vector<int> INFLATERS() {
  std::vector<int> l;
  for (int which = PNG::USEINFLATE(-1); which >= 0; --which) l.push_back(which);
  PNG::USEINFLATE(-1);
  return l;
}

// One decode with the current inflate path: row-major pixels of selector 2
// (empty on failure) and the rule that rejected the file. Checks the header
// and the zero padding, and that selectors 1 and 3 hold the same pixels.
std::pair<PIXELS, PNG::REASON> DECODEONCE(const BYTES& file) {
  auto* img = static_cast<RT::IMAGE*>(PNG::LOADMEMORY(file.data(), LEN(file), 2));
  const PNG::REASON why = PNG::LASTERROR();
  if (!img) return {{}, why};
  EXPECT_EQ(why, PNG::REASON_NONE);
  EXPECT_TRUE(img->TAG == 7 && img->BPP == 4 && img->ZERO[0] == 0 && img->ZERO[1] == 0);
  EXPECT_EQ(img->PITCH, (img->WIDTH * 4 + 31) / 32 * 32);
  const uint32_t w = img->WIDTH, h = img->HEIGHT;
  PIXELS px;
  for (uint32_t y = 0; y < h; ++y) {
    const uint32_t* row = RT::ROW32(img, y);
    px.insert(px.end(), row, row + w);
    for (uint32_t x = w; x < img->PITCH / 4; ++x) EXPECT_EQ(row[x], 0u);
  }
  RT::IMAGEDESTROY(img);
  auto* packed = static_cast<uint32_t*>(PNG::LOADMEMORY(file.data(), LEN(file), 1));
  if (w < 8192 && h < 65536) {
    EXPECT_TRUE(packed && packed[0] == (4u | (w << 3) | (h << 16)) &&
                PIXELS(packed + 1, packed + 1 + px.size()) == px);
  }
  PNG::RELEASE(packed, 1);
  auto* flipped = static_cast<uint32_t*>(PNG::LOADMEMORY(file.data(), LEN(file), 3));
  EXPECT_NE(flipped, nullptr);
  for (size_t i = 0; flipped && i < px.size(); ++i) {
    const uint32_t v = px[(h - 1 - i / w) * w + i % w];
    if (flipped[i] != ((v & 0xFF00FF00u) | ((v >> 16) & 0xFF) | ((v & 0xFF) << 16))) {
      ADD_FAILURE() << "selector 3 differs at " << i;
      break;
    }
  }
  PNG::RELEASE(flipped, 3);
  return {px, why};
}

// Decodes with every inflate path, which must agree on the pixels and on the
// rule that rejected the file.
std::pair<PIXELS, PNG::REASON> DECODEALL(const BYTES& file) {
  std::pair<PIXELS, PNG::REASON> first;
  bool have = false;
  for (int which : INFLATERS()) {
    PNG::USEINFLATE(which);
    auto r = DECODEONCE(file);
    if (have) {
      EXPECT_EQ(r.second, first.second) << "inflate path " << which;
      EXPECT_TRUE(r.first == first.first) << "inflate path " << which;
    } else {
      first = std::move(r);
      have = true;
    }
  }
  PNG::USEINFLATE(-1);
  return first;
}

PIXELS DECODE(const BYTES& file) { return DECODEALL(file).first; }

// The rule that rejected the file; REASON_NONE when it loads.
PNG::REASON REJECTION(const BYTES& file) { return DECODEALL(file).second; }

bool FAILS(const BYTES& file) { return REJECTION(file) != PNG::REASON_NONE; }

BYTES RANDOMBYTES(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  BYTES b(n);
  for (auto& v : b) v = static_cast<uint8_t>(rng());
  return b;
}

// Every kernel level this processor can run, the best first.
std::vector<int> LEVELS() {
  std::vector<int> l;
  for (int level = RT::SIMDBEST(); level >= 0; --level) l.push_back(level);
  return l;
}

// The conversion table, pixel by pixel, straight from the samples.
PIXELS EXPECTED(const PICTURE& p, const BYTES& plte, const BYTES* trns) {
  PIXELS out;
  auto key = [&](uint32_t k) -> uint32_t { return (trns->at(2 * k) << 8) | trns->at(2 * k + 1); };
  for (uint32_t y = 0; y < p.H; ++y) {
    for (uint32_t x = 0; x < p.W; ++x) {
      auto s = [&](uint32_t c) -> uint32_t { return p.AT(x, y, c); };
      auto hi = [&](uint32_t c) -> uint32_t { return p.DEPTH == 16 ? s(c) >> 8 : s(c); };
      uint32_t a = p.COLORTYPE >= 4 ? hi(p.CHANNELS() - 1) : 255, r = hi(0), g = r, b = r;
      if (p.COLORTYPE == 0 && p.DEPTH < 16) r = g = b = s(0) * (255 / ((1u << p.DEPTH) - 1));
      if (p.COLORTYPE == 2 || p.COLORTYPE == 6) g = hi(1), b = hi(2);
      if (p.COLORTYPE == 3) {
        const uint32_t i = s(0);
        const bool in = 3 * i + 2 < plte.size();
        r = in ? plte[3 * i] : 0, g = in ? plte[3 * i + 1] : 0, b = in ? plte[3 * i + 2] : 0;
        if (trns && i < trns->size()) a = (*trns)[i];
      }
      if (trns && p.COLORTYPE == 0 && s(0) == key(0)) a = 0;
      if (trns && p.COLORTYPE == 2 && s(0) == key(0) && s(1) == key(1) && s(2) == key(2)) a = 0;
      out.push_back((a << 24) | (r << 16) | (g << 8) | b);
    }
  }
  return out;
}

#ifdef ZARVO_TEST_LIBPNG
// libpng's classic API asked for the same conversion: expand, strip to 8
// bits, grey to RGB, opaque filler, BGR order.
PIXELS LIBPNGDECODE(const BYTES& file) {
  std::pair<const BYTES*, size_t> src{&file, 0};
  png_structp png = png_create_read_struct(
      PNG_LIBPNG_VER_STRING, nullptr, [](png_structp p, png_const_charp) { png_longjmp(p, 1); },
      [](png_structp, png_const_charp) {});
  png_infop info = png_create_info_struct(png);
  PIXELS px;
  if (setjmp(png_jmpbuf(png)) == 0) {
    png_set_read_fn(png, &src, [](png_structp p, png_bytep out, png_size_t n) {
      auto* s = static_cast<std::pair<const BYTES*, size_t>*>(png_get_io_ptr(p));
      if (s->second + n > s->first->size()) png_error(p, "short");
      std::memcpy(out, s->first->data() + s->second, n);
      s->second += n;
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
#endif

PICTURE RANDOMFOR(uint8_t ct, uint8_t depth, uint32_t w, uint32_t h, uint32_t seed) {
  PICTURE p = RANDOMPICTURE(w, h, depth, ct, seed);
  if (ct == 3)
    for (auto& s : p.S) s = static_cast<uint16_t>(s % (1u << depth));
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
  const BYTES file = SIMPLE(rgba);
  auto* img = static_cast<RT::IMAGE*>(PNG::LOADMEMORY(file.data(), LEN(file), 2));
  ASSERT_NE(img, nullptr);
  EXPECT_EQ(RT::ROW32(img, 0)[0], 0x280A141Eu);
  EXPECT_EQ(img->PITCH, 32u);
  EXPECT_EQ(RT::IMAGESIZE(img), 64u);
  RT::IMAGEDESTROY(img);
  EXPECT_EQ(DECODE(SIMPLE(PICTURE{2, 1, 1, 0, {1, 0}})), (PIXELS{0xFFFFFFFF, 0xFF000000}));
  EXPECT_EQ(DECODE(SIMPLE(PICTURE{4, 1, 2, 0, {0, 1, 2, 3}})),
            (PIXELS{0xFF000000, 0xFF555555, 0xFFAAAAAA, 0xFFFFFFFF}));
  const BYTES one = {0}, key = {0, 5, 0, 6, 0, 7};
  EXPECT_EQ(DECODE(SIMPLE(PICTURE{3, 1, 8, 3, {0, 1, 2}}, {1, 2, 3, 4, 5, 6, 7, 8, 9}, &one)),
            (PIXELS{0x00010203, 0xFF040506, 0xFF070809}));
  EXPECT_EQ(DECODE(SIMPLE(PICTURE{2, 1, 8, 2, {5, 6, 7, 5, 6, 8}}, {}, &key)),
            (PIXELS{0x00050607, 0xFF050608}));
  EXPECT_EQ(DECODE(SIMPLE(PICTURE{1, 1, 16, 0, {0x12FF}})), (PIXELS{0xFF121212}));
  // A 1 x 1 interlaced image holds only the first pass: one filter byte and 4 samples.
  OPTIONS o;
  o.INTERLACE = true;
  EXPECT_EQ(SCANLINES(rgba, true, 0).size(), 5u);
  EXPECT_EQ(DECODE(ENCODE(rgba, o)), (PIXELS{0x280A141E}));
}

TEST(PngDecode, EveryFormatFilterAndInterlaceFollowsTheTableAndLibpng) {
  const uint32_t sizes[][2] = {{1, 1}, {2, 3}, {7, 5}, {9, 9}, {70, 17}};
  uint32_t seed = 1;
  for (const auto& f : FORMATS) {
    const uint8_t ct = f[0], depth = f[1];
    for (const auto& sz : sizes) {
      OPTIONS o;
      const PICTURE p = RANDOMFOR(ct, depth, sz[0], sz[1], seed);
      if (ct == 3) o.PLTE = RANDOMBYTES(3u << depth, seed++);
      // Interlaced or not, with every filter: the same pixels at every kernel level.
      const PIXELS want = EXPECTED(p, o.PLTE, nullptr);
      for (int filter = -1; filter <= 4; ++filter) {
        for (bool interlace : {false, true}) {
          o.INTERLACE = interlace;
          o.FILTER = filter;
          const BYTES file = ENCODE(p, o);
          for (int level : LEVELS()) {
            RT::SIMDLEVEL(level);
            EXPECT_EQ(DECODE(file), want)
                << int(ct) << "/" << int(depth) << " " << sz[0] << "x" << sz[1] << " filter "
                << filter << " interlace " << interlace << " level " << level;
          }
          RT::SIMDLEVEL(-1);
        }
      }
      // With transparency (a key taken from the picture so that it matches),
      // and against libpng's decoding of the same file.
      if (ct == 0 || ct == 2) {
        o.HASTRNS = true;
        o.TRNS.clear();
        for (uint32_t c = 0; c < p.CHANNELS(); ++c) {
          o.TRNS.push_back(static_cast<uint8_t>(p.AT(sz[0] - 1, 0, c) >> 8));
          o.TRNS.push_back(static_cast<uint8_t>(p.AT(sz[0] - 1, 0, c)));
        }
      } else if (ct == 3) {
        o.HASTRNS = true;
        o.TRNS = RANDOMBYTES((1u << depth) / 2 + 1, seed);
      }
      const BYTES file = ENCODE(p, o);
      const PIXELS ours = DECODE(file);
      EXPECT_EQ(ours, EXPECTED(p, o.PLTE, o.HASTRNS ? &o.TRNS : nullptr));
#ifdef ZARVO_TEST_LIBPNG
      EXPECT_EQ(ours, LIBPNGDECODE(file)) << int(ct) << "/" << int(depth);
#endif
      if (ct == 0 || ct == 2) {
        EXPECT_EQ(ours[sz[0] - 1] >> 24, 0u);
      }
    }
  }
}

TEST(PngDecode, KeysCompareTheUnscaledSample) {
  const BYTES k16 = {0x12, 0x00}, rgb16 = {0, 1, 0, 2, 0, 3}, k1 = {0, 1}, k8 = {1, 5};
  const BYTES rgbbig = {1, 5, 0, 6, 0, 7};
  // Same high byte, different low byte: still opaque.
  EXPECT_EQ(DECODE(SIMPLE(PICTURE{2, 1, 16, 0, {0x12FF, 0x1200}}, {}, &k16)),
            (PIXELS{0xFF121212, 0x00121212}));
  EXPECT_EQ(DECODE(SIMPLE(PICTURE{2, 1, 16, 2, {1, 2, 3, 1, 2, 4}}, {}, &rgb16)),
            (PIXELS{0x00000000, 0xFF000000}));
  // At depth 1 the key 1 is the white sample, not the scaled 255.
  EXPECT_EQ(DECODE(SIMPLE(PICTURE{2, 1, 1, 0, {0, 1}}, {}, &k1)), (PIXELS{0xFF000000, 0x00FFFFFF}));
  // Keys beyond the sample range never match.
  EXPECT_EQ(DECODE(SIMPLE(PICTURE{1, 1, 8, 0, {5}}, {}, &k8)), (PIXELS{0xFF050505}));
  EXPECT_EQ(DECODE(SIMPLE(PICTURE{1, 1, 8, 2, {5, 6, 7}}, {}, &rgbbig)), (PIXELS{0xFF050607}));
}

TEST(PngDecode, PaletteAndTransparencyChunkRules) {
  const PICTURE p{4, 1, 8, 3, {0, 1, 2, 3}};
  // Entries the palette does not supply read as black; a remainder is ignored.
  EXPECT_EQ(DECODE(SIMPLE(p, {9, 8, 7, 6, 5, 4, 3})),
            (PIXELS{0xFF090807, 0xFF060504, 0xFF000000, 0xFF000000}));
  EXPECT_EQ(REJECTION(SIMPLE(p)), PNG::REASON_PALETTE);                       // no PLTE
  EXPECT_EQ(REJECTION(SIMPLE(p, RANDOMBYTES(771, 1))), PNG::REASON_PALETTE);  // 257 entries
  EXPECT_FALSE(FAILS(SIMPLE(p, RANDOMBYTES(768, 1))));
  const BYTES empty, full(256, 7), over(257, 7);
  EXPECT_EQ(DECODE(SIMPLE(p, RANDOMBYTES(12, 1), &empty))[3] >> 24, 255u);
  EXPECT_EQ(DECODE(SIMPLE(p, RANDOMBYTES(12, 1), &full))[3] >> 24, 7u);
  EXPECT_EQ(REJECTION(SIMPLE(p, RANDOMBYTES(12, 1), &over)), PNG::REASON_TRANSPARENCY);
  // Only the first PLTE and tRNS count, wherever they stand.
  const BYTES two =
      JOIN({SIGNATURE(), CHUNK("IHDR", IHDRDATA(4, 1, 8, 3, 0)),
            CHUNK("IDAT", ZLIB(SCANLINES(p, false, 0))), CHUNK("tRNS", {1, 2}),
            CHUNK("PLTE", {1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4}), CHUNK("PLTE", RANDOMBYTES(900, 2)),
            CHUNK("tRNS", over), CHUNK("IEND", {})});
  EXPECT_EQ(DECODE(two), (PIXELS{0x01010101, 0x02020202, 0xFF030303, 0xFF040404}));
  // PLTE is ignored outside palette images, however long; tRNS of a wrong
  // length, or in grey + alpha and RGBA images, fails.
  const PICTURE rgb = RANDOMPICTURE(3, 3, 8, 2, 5);
  EXPECT_EQ(DECODE(SIMPLE(rgb, RANDOMBYTES(900, 3))), EXPECTED(rgb, {}, nullptr));
  const BYTES t2 = {0, 0}, t1 = {0}, t3 = {0, 0, 0}, t7(7, 0);
  for (uint8_t ct : {4, 6})
    EXPECT_EQ(REJECTION(SIMPLE(RANDOMPICTURE(2, 2, 8, ct, 1), {}, &t2)), PNG::REASON_TRANSPARENCY);
  for (const BYTES* t : {&t1, &t3})
    EXPECT_EQ(REJECTION(SIMPLE(RANDOMPICTURE(2, 2, 8, 0, 1), {}, t)), PNG::REASON_TRANSPARENCY);
  for (const BYTES* t : {&t2, &t7})
    EXPECT_EQ(REJECTION(SIMPLE(RANDOMPICTURE(2, 2, 8, 2, 1), {}, t)), PNG::REASON_TRANSPARENCY);
}

TEST(PngDecode, ImageDataSplitAnywhereDecodesAsOne) {
  const PICTURE p = RANDOMPICTURE(23, 19, 8, 6, 9);
  const PIXELS want = EXPECTED(p, {}, nullptr);
  for (size_t split : {1, 7, 100}) {
    OPTIONS o;
    o.IDATSPLIT = split;
    o.BETWEEN = JOIN({CHUNK("tEXt", {'a', 0, 'b'}), CHUNK("zzZz", {})});
    EXPECT_EQ(DECODE(ENCODE(p, o)), want);
  }
  // Chunks after an early IEND are read like any others; only the last must be IEND.
  const BYTES z = ZLIB(SCANLINES(p, false, 2));
  EXPECT_EQ(DECODE(JOIN({SIGNATURE(), CHUNK("IHDR", IHDRDATA(23, 19, 8, 6, 0)), CHUNK("IEND", {}),
                         CHUNK("IDAT", BYTES(z.begin(), z.begin() + 10)), CHUNK("IEND", {}),
                         CHUNK("IDAT", BYTES(z.begin() + 10, z.end())), CHUNK("IEND", {})})),
            want);
  // The decoder reads SIZE bytes and no more: what follows in memory, even
  // the start of a huge image data chunk, is not part of the file.
  OPTIONS o;
  o.IDATSPLIT = 50;
  const BYTES file = ENCODE(p, o);
  const BYTES more = JOIN({file, {0x7F, 0xFF, 0xFF, 0xF0, 'I', 'D', 'A', 'T'}});
  auto* img = static_cast<RT::IMAGE*>(PNG::LOADMEMORY(more.data(), LEN(file), 2));
  ASSERT_NE(img, nullptr);
  EXPECT_EQ(RT::ROW32(img, 18)[22], want.back());
  RT::IMAGEDESTROY(img);
}

TEST(PngDecode, SelectorsOneAndThreeAndUnknownOnes) {
  const PICTURE p = RANDOMPICTURE(5, 3, 8, 6, 4);
  const BYTES file = SIMPLE(p);
  const PIXELS want = EXPECTED(p, {}, nullptr);
  auto* packed = static_cast<uint32_t*>(PNG::LOADMEMORY(file.data(), LEN(file), 1));
  auto* flipped = static_cast<uint32_t*>(PNG::LOADMEMORY(file.data(), LEN(file), 3));
  ASSERT_TRUE(packed && flipped);
  EXPECT_EQ(packed[0], 4u | (5u << 3) | (3u << 16));
  EXPECT_EQ(PIXELS(packed + 1, packed + 16), want);
  for (size_t i = 0; i < 15; ++i) {
    const uint32_t v = want[(2 - i / 5) * 5 + i % 5];
    EXPECT_EQ(flipped[i], (v & 0xFF00FF00u) | ((v >> 16) & 0xFF) | ((v & 0xFF) << 16));
  }
  PNG::RELEASE(packed, 1);
  PNG::RELEASE(flipped, 3);
  for (int32_t sel : {0, 4, -1, 1000})
    EXPECT_EQ(PNG::LOADMEMORY(file.data(), LEN(file), sel), nullptr);
  // The packed header has 13 bits for the width.
  const BYTES wide = SIMPLE(RANDOMPICTURE(8192, 1, 1, 0, 1));
  EXPECT_EQ(PNG::LOADMEMORY(wide.data(), LEN(wide), 1), nullptr);
  EXPECT_FALSE(FAILS(wide));
}

TEST(PngDecode, EachListedFailureReturnsNull) {
  const PICTURE p = RANDOMPICTURE(6, 4, 8, 2, 3);
  const BYTES ihdr = CHUNK("IHDR", IHDRDATA(6, 4, 8, 2, 0)), iend = CHUNK("IEND", {});
  const BYTES raw = SCANLINES(p, false, 0), idat = CHUNK("IDAT", ZLIB(raw));
  auto file = [](std::initializer_list<BYTES> chunks) {
    BYTES b = SIGNATURE();
    for (const BYTES& c : chunks) b.insert(b.end(), c.begin(), c.end());
    return b;
  };
  auto header = [&](BYTES d) { return file({CHUNK("IHDR", d), idat, iend}); };
  auto data = [&](BYTES z) { return file({ihdr, CHUNK("IDAT", z), iend}); };
  const BYTES good = file({ihdr, idat, iend});
  ASSERT_FALSE(FAILS(good));
  BYTES sig = good, text = file({ihdr, CHUNK("tEXt", {'k', 0, 'v'}), idat, iend});
  sig[1] = 'p';
  text[8 + ihdr.size() + 9] ^= 1;  // tEXt data changed, CRC kept
  BYTES ih12 = IHDRDATA(6, 4, 8, 2, 0), ih14 = ih12, longer = raw, shorter = raw, cut = ZLIB(raw);
  ih12.pop_back();
  ih14.push_back(0);
  longer.push_back(0);
  shorter.pop_back();
  cut.pop_back();  // incomplete Adler-32
  BYTES five = raw;
  five[3 * 19] = 5;  // filter type of the last row
  using R = PNG::REASON;
  const std::pair<BYTES, R> cases[] = {
      {sig, PNG::REASON_SIGNATURE},
      {text, PNG::REASON_CRC},
      {file({ihdr, idat}), PNG::REASON_LASTCHUNK},
      {file({ihdr, iend}), PNG::REASON_SHORT},
      {file({ihdr, CHUNK("IEND", {1, 2, 3, 4})}), PNG::REASON_NODATA},
      {file({ihdr, CHUNK("IDAT", {}), iend}), PNG::REASON_NODATA},
      {file({idat, ihdr, iend}), PNG::REASON_FIRSTCHUNK},
      {header(ih12), PNG::REASON_FIRSTCHUNK},
      {header(ih14), PNG::REASON_FIRSTCHUNK},
      {header(IHDRDATA(6, 4, 8, 2, 2)), PNG::REASON_METHOD},
      {header(IHDRDATA(6, 4, 8, 2, 0, 1)), PNG::REASON_METHOD},
      {header(IHDRDATA(6, 4, 8, 2, 0, 0, 1)), PNG::REASON_METHOD},
      {header(IHDRDATA(0, 4, 8, 2, 0)), PNG::REASON_ZEROSIZE},
      {header(IHDRDATA(6, 0, 8, 2, 0)), PNG::REASON_ZEROSIZE},
      {data(ZLIB(longer)), PNG::REASON_DATASIZE},
      {data(ZLIB(shorter)), PNG::REASON_DATASIZE},
      {data(cut), PNG::REASON_INFLATE},
      {data(BYTES(40, 0x55)), PNG::REASON_INFLATE},
      {data(ZLIB(five)), PNG::REASON_FILTER},
      {BYTES(good.begin(), good.begin() + 48), PNG::REASON_SHORT},
  };
  for (const auto& [bad, why] : cases)
    EXPECT_EQ(REJECTION(bad), why) << PNG::REASONTEXT(why);
  for (size_t extra = 1; extra < 16; ++extra) {
    BYTES tail = good;
    tail.resize(good.size() + extra, 0);
    // Twelve zeros make a whole chunk, whose CRC is wrong.
    EXPECT_EQ(REJECTION(tail), extra < 12 ? PNG::REASON_TRUNCATED : PNG::REASON_CRC) << extra;
  }
  // Every colour type and depth outside the accepted list.
  for (int ct = 0; ct < 8; ++ct) {
    for (int depth = 0; depth <= 32; ++depth) {
      bool accepted = false;
      for (const auto& f : FORMATS) accepted |= f[0] == ct && f[1] == depth;
      const BYTES h = CHUNK("IHDR", IHDRDATA(6, 4, uint8_t(depth), uint8_t(ct), 0));
      if (accepted) continue;
      EXPECT_EQ(REJECTION(file({h, CHUNK("PLTE", {0, 0, 0}), idat, iend})), PNG::REASON_FORMAT)
          << ct << " " << depth;
    }
  }
  EXPECT_EQ(PNG::LOADMEMORY(good.data(), 0, 2), nullptr);
  EXPECT_EQ(PNG::LASTERROR(), PNG::REASON_SHORT);
  EXPECT_EQ(PNG::LOADMEMORY(good.data(), -5, 2), nullptr);
  EXPECT_EQ(PNG::LASTERROR(), PNG::REASON_ARGUMENT);
  EXPECT_EQ(PNG::LOADMEMORY(nullptr, LEN(good), 2), nullptr);
  EXPECT_EQ(PNG::LASTERROR(), PNG::REASON_ARGUMENT);
  EXPECT_EQ(PNG::LOADMEMORY(good.data(), LEN(good), 9), nullptr);
  EXPECT_EQ(PNG::LASTERROR(), PNG::REASON_SELECTOR);
  // A success clears the last reason; every reason has its own text.
  EXPECT_FALSE(FAILS(good));
  EXPECT_EQ(PNG::LASTERROR(), PNG::REASON_NONE);
  std::set<std::string> texts;
  for (int32_t r = 0; r <= PNG::REASON_FILTER; ++r) texts.insert(PNG::REASONTEXT(r));
  EXPECT_EQ(texts.size(), size_t{PNG::REASON_FILTER} + 1);
  EXPECT_STREQ(PNG::REASONTEXT(-1), "unknown");
  EXPECT_STREQ(PNG::REASONTEXT(PNG::REASON_FILTER + 1), "unknown");
}

TEST(PngDecode, EveryTruncationAndEveryBitFlipFails) {
  OPTIONS o;
  o.IDATSPLIT = 20;
  o.BETWEEN = CHUNK("tIME", {7, 1, 2, 3, 4, 5, 6});
  const BYTES good = ENCODE(RANDOMPICTURE(5, 5, 8, 4, 2), o);
  ASSERT_FALSE(FAILS(good));
  for (size_t n = 0; n < good.size(); ++n)
    EXPECT_TRUE(FAILS(BYTES(good.begin(), good.begin() + n)));
  // Every byte is under the signature, a length or a CRC.
  for (size_t i = 0; i < good.size() * 8; i += 3) {
    BYTES bad = good;
    bad[i / 8] ^= static_cast<uint8_t>(1 << (i % 8));
    EXPECT_TRUE(FAILS(bad)) << i;
  }
}

TEST(PngDecode, HostileSizesFailBeforeAllocating) {
  auto header = [](uint32_t w, uint32_t h, uint8_t depth, uint8_t ct) {
    return JOIN({SIGNATURE(), CHUNK("IHDR", IHDRDATA(w, h, depth, ct, 0)), CHUNK("PLTE", {0, 0, 0}),
                 CHUNK("IDAT", ZLIB(BYTES(10, 0))), CHUNK("IEND", {})});
  };
  // 2^31 bytes and more: the scanline, the expected data, the output block.
  EXPECT_EQ(REJECTION(header(0xFFFFFFFF, 1, 16, 6)), PNG::REASON_TOOLARGE);
  EXPECT_EQ(REJECTION(header(0x10000, 0x10000, 8, 0)), PNG::REASON_TOOLARGE);
  EXPECT_EQ(REJECTION(header(40000, 40000, 1, 0)), PNG::REASON_TOOLARGE);  // 6.4 GB of pixels
  EXPECT_EQ(REJECTION(header(0x7FFFFFFF, 0x7FFFFFFF, 8, 3)), PNG::REASON_TOOLARGE);
  // At the limit: a scanline (and all the data) of 2^31 - 1 bytes passes the
  // size rule and is rejected by the next one; a 2^31-byte output block is not.
  const BYTES edge = header(357913941, 1, 16, 2);  // 6 x 357913941 + 1 = 2^31 - 1
  EXPECT_EQ(PNG::LOADMEMORY(edge.data(), LEN(edge), 2), nullptr);
  EXPECT_EQ(PNG::LASTERROR(), PNG::REASON_RATIO);
  const BYTES over = header(32768, 16384, 1, 0);  // 32768 x 16384 x 4 = 2^31
  EXPECT_EQ(PNG::LOADMEMORY(over.data(), LEN(over), 3), nullptr);
  EXPECT_EQ(PNG::LASTERROR(), PNG::REASON_TOOLARGE);
  // Fits, but 18 bytes of zlib data cannot inflate to 400 MB.
  EXPECT_EQ(REJECTION(header(20000, 20000, 8, 0)), PNG::REASON_RATIO);
  // The bound is not too tight: zeros compress about 1000 to 1 and still load.
  const PICTURE flat{4000, 1000, 8, 0, std::vector<uint16_t>(4000000, 0)};
  EXPECT_GT(4001000u / ZLIB(SCANLINES(flat, false, 0)).size(), 900u);
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
  auto* img = static_cast<RT::IMAGE*>(PNG::LOADFILE(ok.c_str(), 2));
  ASSERT_NE(img, nullptr);
  const PIXELS want = DECODE(good);
  EXPECT_EQ(PIXELS(RT::ROW32(img, 6), RT::ROW32(img, 6) + 9), PIXELS(want.end() - 9, want.end()));
  RT::IMAGEDESTROY(img);
  for (const std::string& bad :
       {write("empty.png", {}), write("short.png", BYTES(good.begin(), good.end() - 1)),
        (dir / "missing.png").string(), dir.string(), std::string()})
    EXPECT_EQ(PNG::LOADFILE(bad.c_str(), 2), nullptr) << bad;
  EXPECT_EQ(PNG::LOADFILE(dir.string().c_str(), 2), nullptr);
  EXPECT_EQ(PNG::LASTERROR(), PNG::REASON_READ);
  EXPECT_EQ(PNG::LOADFILE((dir / "empty.png").string().c_str(), 2), nullptr);
  EXPECT_EQ(PNG::LASTERROR(), PNG::REASON_FILESIZE);
  EXPECT_EQ(PNG::LOADFILE(nullptr, 2), nullptr);
  EXPECT_EQ(PNG::LASTERROR(), PNG::REASON_NONAME);
  EXPECT_EQ(PNG::LOADFILE(ok.c_str(), 7), nullptr);
  EXPECT_EQ(PNG::LASTERROR(), PNG::REASON_SELECTOR);
  std::filesystem::remove_all(dir);
}

TEST(PngRows, EveryKernelMatchesTheFilterDefinition) {
  std::mt19937 rng(3);
  for (int level : LEVELS()) {
    RT::SIMDLEVEL(level);
    for (uint32_t unit : {1u, 2u, 3u, 4u, 6u, 8u}) {
      for (size_t pixels : {1, 2, 3, 5, 7, 16, 17, 33, 70, 101, 250}) {
        const size_t n = pixels * unit, stride = n + 1;
        for (int t1 = 0; t1 < 5; ++t1) {
          for (int t2 = 0; t2 < 5; ++t2) {
            // Five rows with their filter bytes, then the slack the kernels may read;
            // row 1 starts a pass (no row above) when t2 is odd.
            BYTES slow(5 * stride + PNG::ROWSLACK);
            for (auto& b : slow) b = static_cast<uint8_t>(rng() & (rng() % 2 ? 0xFF : 0x7));
            BYTES single = slow, pair = slow, quad = slow;
            auto row = [&](BYTES& b, int k) { return &b[1 + k * stride]; };
            auto above = [&](BYTES& b) { return (t2 & 1) ? nullptr : row(b, 0); };
            PNG::UNFILTERREFERENCE(uint8_t(t1), row(slow, 1), above(slow), n, unit);
            PNG::UNFILTERROW(uint8_t(t1), row(single, 1), above(single), n, unit);
            PNG::UNFILTERPAIR(uint8_t(t1), row(pair, 1), above(pair), uint8_t(t2), row(pair, 2), n,
                              unit);
            PNG::UNFILTERPAIR(uint8_t(t2), row(pair, 3), row(pair, 2), uint8_t(t2), row(pair, 4), n,
                              unit);
            for (int k = 2; k < 5; ++k) {
              PNG::UNFILTERREFERENCE(uint8_t(t2), row(slow, k), row(slow, k - 1), n, unit);
              PNG::UNFILTERROW(uint8_t(t2), row(single, k), row(single, k - 1), n, unit);
            }
            EXPECT_EQ(single, slow) << level << " " << unit << " " << pixels << " " << t1 << t2;
            EXPECT_EQ(pair, slow) << level << " " << unit << " " << pixels << " " << t1 << t2;
            if (t1 != t2 || (t2 & 1)) continue;
            PNG::UNFILTERQUAD(uint8_t(t1), row(quad, 1), row(quad, 0), row(quad, 2), row(quad, 3),
                              row(quad, 4), n, unit);
            EXPECT_EQ(quad, slow) << level << " " << unit << " " << pixels << " " << t1;
          }
        }
      }
    }
  }
  RT::SIMDLEVEL(-1);
}

TEST(PngRows, PaethAgreesForEveryTriple) {
  // 4-byte pixels alternate a set-up pixel, reconstructed to the wanted a with
  // c above it, and a test pixel with b above it. Lane j covers a = 64j..64j+63.
  // Single rows and pairs (the first row here) predict in different ways.
  const size_t pairs = 2048, n = pairs * 8;
  BYTES prior(n + PNG::ROWSLACK), row(n + PNG::ROWSLACK);
  size_t px = 0;
  auto paeth = [](int a, int b, int c) {
    const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
    return (pa <= pb && pa <= pc) ? a : (pb <= pc ? b : c);
  };
  int left[4] = {}, upleft[4] = {};
  for (int b = 0; b < 256; ++b) {
    for (int c = 0; c < 256; ++c) {
      for (int a = 0; a < 64; ++a) {
        for (int j = 0; j < 4; ++j) {
          const size_t s = 8 * px + j, t = s + 4;
          const int want = a + 64 * j;
          prior[s] = static_cast<uint8_t>(c);
          row[s] = static_cast<uint8_t>(want - paeth(left[j], c, upleft[j]));
          prior[t] = static_cast<uint8_t>(b);
          row[t] = static_cast<uint8_t>(b * 7 + c);
          left[j] = static_cast<uint8_t>(row[t] + paeth(want, b, c));
          upleft[j] = b;
        }
        if (++px < pairs) continue;
        BYTES slow = row;
        PNG::UNFILTERREFERENCE(4, slow.data(), prior.data(), n, 4);
        for (int level : LEVELS()) {
          RT::SIMDLEVEL(level);
          BYTES fast = row;
          PNG::UNFILTERROW(4, fast.data(), prior.data(), n, 4);
          ASSERT_EQ(fast, slow) << level;
          BYTES paired = row, below(n + PNG::ROWSLACK);
          PNG::UNFILTERPAIR(4, paired.data(), prior.data(), 1, below.data(), n, 4);
          ASSERT_EQ(paired, slow) << level << " paired";
        }
        RT::SIMDLEVEL(-1);
        px = 0;
        for (int j = 0; j < 4; ++j) left[j] = upleft[j] = 0;
      }
    }
  }
}

TEST(PngDecode, MaxBytesLowersTheLimitForEveryDerivedSize) {
  EXPECT_EQ(PNG::MAXBYTES(), 0x7FFFFFFF);
  const BYTES file = SIMPLE(RANDOMPICTURE(10, 10, 8, 2, 6));  // 310 bytes of data, 400 of output
  auto load = [&](int32_t selector) {
    void* p = PNG::LOADMEMORY(file.data(), LEN(file), selector);
    PNG::RELEASE(p, selector);
    return p ? PNG::REASON_NONE : PNG::LASTERROR();
  };
  PNG::MAXBYTES(400);
  EXPECT_EQ(load(3), PNG::REASON_NONE);
  EXPECT_EQ(load(1), PNG::REASON_TOOLARGE);  // 4 header bytes more
  PNG::MAXBYTES(399);
  EXPECT_EQ(load(3), PNG::REASON_TOOLARGE);
  PNG::MAXBYTES(310);  // the inflated data still fits, the output does not
  EXPECT_EQ(load(3), PNG::REASON_TOOLARGE);
  PNG::MAXBYTES(30);  // not even a scanline
  EXPECT_EQ(load(3), PNG::REASON_TOOLARGE);
  PNG::MAXBYTES(-7);
  EXPECT_EQ(PNG::MAXBYTES(), 0);
  EXPECT_EQ(load(3), PNG::REASON_TOOLARGE);
  PNG::MAXBYTES(0x7FFFFFFF);
  EXPECT_EQ(load(2), PNG::REASON_NONE);
}

TEST(PngDecode, KeysOutOfTheSampleRangeNeverClearAPixel) {
  // 8-bit RGB: each key component in turn above 255. The picture holds the
  // key's low bytes, and the colour the key would be if the high bits spilled
  // into the next component, so neither a missed range check nor a checked
  // wrong component can go unnoticed.
  std::mt19937 rng(11);
  for (int c = 0; c < 3; ++c) {
    for (int trial = 0; trial < 8; ++trial) {
      uint32_t key[3];
      for (uint32_t& k : key) k = static_cast<uint32_t>(rng() & 0xFF);
      key[c] += 256 * (1 + rng() % 255);
      const uint32_t spilled = ((key[0] << 16) + (key[1] << 8) + key[2]) & 0xFFFFFF;
      PICTURE p{2, 1, 8, 2, {uint16_t(key[0] & 0xFF), uint16_t(key[1] & 0xFF),
                             uint16_t(key[2] & 0xFF), uint16_t(spilled >> 16),
                             uint16_t((spilled >> 8) & 0xFF), uint16_t(spilled & 0xFF)}};
      BYTES trns;
      for (uint32_t k : key) trns.insert(trns.end(), {uint8_t(k >> 8), uint8_t(k)});
      for (uint32_t px : DECODE(SIMPLE(p, {}, &trns))) EXPECT_EQ(px >> 24, 255u) << c;
    }
  }
  // 16-bit RGB and grey: a key that differs from a sample in one byte of one
  // component leaves it opaque; the exact key clears it.
  const PICTURE rgb16{1, 1, 16, 2, {0x1234, 0x5678, 0x9ABC}};
  const BYTES exact = {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC};
  EXPECT_EQ(DECODE(SIMPLE(rgb16, {}, &exact))[0] >> 24, 0u);
  for (size_t byte = 0; byte < 6; ++byte) {
    BYTES near = exact;
    near[byte] ^= 0x01;
    EXPECT_EQ(DECODE(SIMPLE(rgb16, {}, &near))[0] >> 24, 255u) << byte;
  }
  const PICTURE grey16{1, 1, 16, 0, {0xABCD}};
  for (const BYTES& k : {BYTES{0xAB, 0xCC}, BYTES{0xAA, 0xCD}})
    EXPECT_EQ(DECODE(SIMPLE(grey16, {}, &k))[0] >> 24, 255u);
  // Grey at depths 1 to 8: keys past the largest sample, whose low bits match.
  for (uint8_t depth : {1, 2, 4, 8}) {
    PICTURE p{1u << depth, 1, depth, 0, {}};
    for (uint32_t v = 0; v < (1u << depth); ++v) p.S.push_back(uint16_t(v));
    for (uint32_t k = 1u << depth; k < 0x10000; k = k * 3 + 1) {
      const BYTES key = {uint8_t(k >> 8), uint8_t(k)};
      for (uint32_t px : DECODE(SIMPLE(p, {}, &key))) EXPECT_EQ(px >> 24, 255u) << int(depth);
    }
  }
}

// Every hostile file met so far (crafted headers, minimised fuzz findings) is
// kept in png_regressions/ with the rule that must reject it.
TEST(PngDecode, KeptHostileFilesAreRejectedByTheirRule) {
  struct CASE {
    const char* NAME;
    PNG::REASON WHY;
    const char* STORY;
  };
  const CASE cases[] = {
      {"ratio_65k_2gib.png", PNG::REASON_TOOLARGE,
       "65 KB of zeros that asked for a 32768 x 16384 image: 2 GiB committed for one load"},
      {"width_4g_rgba16.png", PNG::REASON_TOOLARGE,
       "a scanline of 2^35 bytes: the 32-bit size arithmetic must not wrap"},
      {"side_65536_grey8.png", PNG::REASON_TOOLARGE,
       "65536 x 65536: 4 GB of inflated data from an 83-byte file"},
      {"side_40000_grey1.png", PNG::REASON_TOOLARGE,
       "200 MB of inflated data that fits, and 6.4 GB of pixels that do not"},
      {"side_2g_palette.png", PNG::REASON_TOOLARGE,
       "2^31 - 1 on both sides: the pixel count overflows 64 bits of width x height x 4"},
      {"side_20000_tiny_data.png", PNG::REASON_RATIO,
       "18 bytes of zlib data that claim 400 MB: rejected before the buffer is allocated"},
      {"fuzz_longer_then_corrupt.png", PNG::REASON_INFLATE,
       "fuzzing: a stream one byte too long, then corrupt; libdeflate and zlib named different rules"},
  };
  const std::filesystem::path dir = std::filesystem::path(ZARVO_PNG_REGRESSIONS);
  size_t files = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir)) files += e.path().extension() == ".png";
  EXPECT_EQ(files, std::size(cases)) << "every kept file needs a line here";
  for (const CASE& c : cases) {
    std::ifstream in(dir / c.NAME, std::ios::binary);
    const BYTES file{std::istreambuf_iterator<char>(in), {}};
    ASSERT_FALSE(file.empty()) << c.NAME;
    EXPECT_EQ(REJECTION(file), c.WHY) << c.NAME << ": " << c.STORY;
  }
}

// Lines sent by the diagnostics, for the handler test.
std::vector<std::string> LINES;

TEST(PngDiagnostics, OneLinePerFailureOnlyWhenAsked) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "zarvo_png_diag";
  std::filesystem::create_directories(dir);
  const std::string missing = (dir / "missing.png").string(), badcrc = (dir / "badcrc.png").string();
  BYTES bad = JOIN({SIGNATURE(), CHUNK("IHDR", IHDRDATA(1, 1, 8, 0, 0)), CHUNK("tEXt", {'k', 0}),
                    CHUNK("IDAT", ZLIB({0, 7})), CHUNK("IEND", {})});
  bad[8 + 25 + 9] ^= 1;  // tEXt data changed, CRC kept; the chunk starts at offset 33
  {
    std::FILE* f = std::fopen(badcrc.c_str(), "wb");
    std::fwrite(bad.data(), 1, bad.size(), f);
    std::fclose(f);
  }
  auto loadboth = [&] {
    EXPECT_EQ(PNG::LOADFILE(missing.c_str(), 2), nullptr);
    EXPECT_EQ(PNG::LASTERROR(), PNG::REASON_OPEN);
    EXPECT_EQ(PNG::LOADFILE(badcrc.c_str(), 2), nullptr);
    EXPECT_EQ(PNG::LASTERROR(), PNG::REASON_CRC);
  };
  const std::string wantmissing =
      "PNG '" + missing + "' rejected: the file cannot be opened (No such file or directory)";
  const std::string wantcrc = "PNG '" + badcrc + "' rejected: CRC mismatch (chunk tEXt at offset 33)";
  const char* log = std::getenv("ZARVO_LOG");
  testing::internal::CaptureStderr();
  loadboth();
  const std::string err = testing::internal::GetCapturedStderr();
  if (log && *log && std::string(log) != "0") {
    // ctest runs this test a second time with ZARVO_LOG=1.
    EXPECT_EQ(err, "zarvo: " + wantmissing + "\nzarvo: " + wantcrc + "\n");
  } else {
    EXPECT_EQ(err, "");
  }
  ZARVO::RUNTIME::ONDIAGNOSTIC([](const char* line) { LINES.push_back(line); });
  testing::internal::CaptureStderr();
  loadboth();
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  ZARVO::RUNTIME::ONDIAGNOSTIC(nullptr);
  EXPECT_EQ(LINES, (std::vector<std::string>{wantmissing, wantcrc}));
  std::filesystem::remove_all(dir);
}
