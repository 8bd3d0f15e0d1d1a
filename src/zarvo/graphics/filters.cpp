#include "zarvo/graphics/filters.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "zarvo/color/color.hpp"
#include "zarvo/graphics/bitmap.hpp"
#include "zarvo/runtime/image.hpp"

#include "zarvo/runtime/multiversion.hpp"

namespace ZARVO::GRAPHICS {

namespace {

// The rows a filter may touch, once the arguments have been checked.
struct ROWS {
  uint8_t* first;
  ptrdiff_t pitch;
  int32_t w, h;
  uint32_t* row(int32_t y) const { return reinterpret_cast<uint32_t*>(first + y * pitch); }
};

bool rows(uint8_t* PIXELS, int32_t W, int32_t H, int32_t BPP, int32_t PITCH, ROWS& r) {
  if (!PIXELS || W < 1 || H < 1 || BPP != 4) return false;
  if (reinterpret_cast<uintptr_t>(PIXELS) % 4 != 0 || PITCH % 4 != 0) return false;
  const int64_t span = PITCH < 0 ? -static_cast<int64_t>(PITCH) : PITCH;
  if (span < static_cast<int64_t>(W) * 4) return false;
  r = {PIXELS, PITCH, W, H};
  return true;
}

// Offsets beyond one byte's range saturate every value alike, so holding them
// to -255..255 changes no result and keeps the sums from overflowing.
int32_t holdoffset(int32_t v) { return v < -255 ? -255 : (v > 255 ? 255 : v); }

ZARVO_MULTIVERSION void invertrow(uint32_t* d, int32_t n) {
  for (int32_t i = 0; i < n; ++i) d[i] ^= 0x00FFFFFFu;
}

// Adding 1.5 * 2^52 rounds a double in 0..2^51 to an integer, halves to even.
constexpr double ROUNDER = 6755399441055744.0;

uint32_t graypixel(uint32_t p) {
  const double g = static_cast<double>((p >> 16) & 255u) * 0.299 +
                   static_cast<double>((p >> 8) & 255u) * 0.587 +
                   static_cast<double>(p & 255u) * 0.114;
  const uint32_t v = static_cast<uint32_t>((g + ROUNDER) - ROUNDER);
  return (p & 0xFF000000u) | (v * 0x010101u);
}

// The weighted sum is (299 r + 587 g + 114 b) / 1000 exactly; integers give
// the same rounding as doubles except where that lands on a half (the sum
// ends in 500), and there the doubles' own error decides. So each block of
// pixels runs in integers, and a block holding such a tie is redone in doubles.
constexpr int32_t GRAYBLOCK = 32;

// Kept out of line so the integer loop stays lean.
__attribute__((noinline)) void grayblock(uint32_t* d, const uint32_t* old) {
  for (int k = 0; k < GRAYBLOCK; ++k) d[k] = graypixel(old[k]);
}

ZARVO_MULTIVERSION void grayrow(uint32_t* d, int32_t n) {
  int32_t i = 0;
  for (; i + GRAYBLOCK <= n; i += GRAYBLOCK) {
    uint32_t* c = d + i;
    uint32_t old[GRAYBLOCK];
    uint32_t least = UINT32_MAX;
    for (int k = 0; k < GRAYBLOCK; ++k) {
      const uint32_t p = c[k];
      old[k] = p;
      const uint32_t s =
          299u * ((p >> 16) & 255u) + 587u * ((p >> 8) & 255u) + 114u * (p & 255u) + 500u;
      // s / 1000 = (s / 8) / 125. Below 256000 the product's low 22 bits stay
      // under 33555 exactly when 125 divides s / 8; with s % 8 on top, a tie
      // is a value under 33555.
      const uint32_t t = (s >> 3) * 33555u;
      const uint32_t q = t >> 22;
      const uint32_t tie = (t & 0x3FFFFFu) | ((s & 7u) << 22);
      least = tie < least ? tie : least;
      c[k] = (p & 0xFF000000u) | (q * 0x010101u);
    }
    if (least < 33555u) grayblock(c, old);
  }
  for (; i < n; ++i) d[i] = graypixel(d[i]);
}

// Offsets already held to -255..255.
ZARVO_MULTIVERSION void offsetrow(uint32_t* d, int32_t n, int32_t ro, int32_t go, int32_t bo) {
  for (int32_t i = 0; i < n; ++i) {
    const uint32_t p = d[i];
    int32_t r = static_cast<int32_t>((p >> 16) & 255u) + ro;
    int32_t g = static_cast<int32_t>((p >> 8) & 255u) + go;
    int32_t b = static_cast<int32_t>(p & 255u) + bo;
    r = r < 0 ? 0 : (r > 255 ? 255 : r);
    g = g < 0 ? 0 : (g > 255 ? 255 : g);
    b = b < 0 ? 0 : (b > 255 ? 255 : b);
    d[i] = (p & 0xFF000000u) | (static_cast<uint32_t>(r) << 16) |
           (static_cast<uint32_t>(g) << 8) | static_cast<uint32_t>(b);
  }
}

// Each channel becomes clamp((value * m + k) >> 20).
ZARVO_MULTIVERSION void affinerow(uint32_t* d, int32_t n, int32_t m, int32_t k) {
  for (int32_t i = 0; i < n; ++i) {
    const uint32_t p = d[i];
    int32_t r = (static_cast<int32_t>((p >> 16) & 255u) * m + k) >> 20;
    int32_t g = (static_cast<int32_t>((p >> 8) & 255u) * m + k) >> 20;
    int32_t b = (static_cast<int32_t>(p & 255u) * m + k) >> 20;
    r = r < 0 ? 0 : (r > 255 ? 255 : r);
    g = g < 0 ? 0 : (g > 255 ? 255 : g);
    b = b < 0 ? 0 : (b > 255 ? 255 : b);
    d[i] = (p & 0xFF000000u) | (static_cast<uint32_t>(r) << 16) |
           (static_cast<uint32_t>(g) << 8) | static_cast<uint32_t>(b);
  }
}

// One table per channel, already shifted into place.
struct CHANNELTABLES {
  uint32_t r[256], g[256], b[256];
};

void tablerow(uint32_t* __restrict d, int32_t n, const CHANNELTABLES& t) {
  for (int32_t i = 0; i < n; ++i) {
    const uint32_t p = d[i];
    d[i] = (p & 0xFF000000u) | t.r[(p >> 16) & 255u] | t.g[(p >> 8) & 255u] | t.b[p & 255u];
  }
}

// Exchanges a[i] with b[n - 1 - i]: the two halves of one row, or two rows
// mirrored into each other.
ZARVO_MULTIVERSION void swapreversed(uint32_t* __restrict a, uint32_t* __restrict b, int32_t n) {
  for (int32_t i = 0; i < n; ++i) {
    const uint32_t t = a[i];
    a[i] = b[n - 1 - i];
    b[n - 1 - i] = t;
  }
}

ZARVO_MULTIVERSION void swaprows(uint32_t* __restrict a, uint32_t* __restrict b, int32_t n) {
  for (int32_t i = 0; i < n; ++i) {
    const uint32_t t = a[i];
    a[i] = b[i];
    b[i] = t;
  }
}

void reverserow(uint32_t* row, int32_t n) {
  const int32_t half = n / 2;
  swapreversed(row, row + (n - half), half);
}

// Pixel x of the row takes copy[map[x]]; entries outside the w x h copy keep
// the pixel. Indices are 32-bit so the compiler can gather.
ZARVO_MULTIVERSION void offsetrowmap(uint32_t* __restrict d, const MATH::POINT* __restrict map,
                                     const uint32_t* __restrict copy, int32_t n, uint32_t w,
                                     uint32_t h) {
  for (int32_t i = 0; i < n; ++i) {
    const uint32_t x = static_cast<uint32_t>(map[i].X), y = static_cast<uint32_t>(map[i].Y);
    const uint32_t keep = (static_cast<uint32_t>(x < w) & static_cast<uint32_t>(y < h)) - 1u;
    const uint32_t v = copy[(y * w + x) & ~keep];
    d[i] = (v & ~keep) | (d[i] & keep);
  }
}

void applyoffsets(uint8_t* PIXELS, int32_t W, int32_t H, int32_t BPP, int32_t PITCH, int32_t ro,
                  int32_t go, int32_t bo) {
  ROWS r;
  if (!rows(PIXELS, W, H, BPP, PITCH, r)) return;
  ro = holdoffset(ro);
  go = holdoffset(go);
  bo = holdoffset(bo);
  for (int32_t y = 0; y < r.h; ++y) offsetrow(r.row(y), r.w, ro, go, bo);
}

}  // namespace

namespace FILTER {

void INVERT(uint8_t* PIXELS, int32_t W, int32_t H, int32_t BPP, int32_t PITCH, void*) {
  ROWS r;
  if (!rows(PIXELS, W, H, BPP, PITCH, r)) return;
  for (int32_t y = 0; y < r.h; ++y) invertrow(r.row(y), r.w);
}

void GRAYSCALE(uint8_t* PIXELS, int32_t W, int32_t H, int32_t BPP, int32_t PITCH, void*) {
  ROWS r;
  if (!rows(PIXELS, W, H, BPP, PITCH, r)) return;
  for (int32_t y = 0; y < r.h; ++y) grayrow(r.row(y), r.w);
}

void BRIGHTNESS(uint8_t* PIXELS, int32_t W, int32_t H, int32_t BPP, int32_t PITCH,
                const int32_t* PARAM) {
  if (!PARAM) return;
  const int32_t v = MATH::CONSTRAIN(*PARAM, -100, 100);
  applyoffsets(PIXELS, W, H, BPP, PITCH, v, v, v);
}

void CONTRAST(uint8_t* PIXELS, int32_t W, int32_t H, int32_t BPP, int32_t PITCH,
              const int32_t* PARAM) {
  ROWS r;
  if (!PARAM || !rows(PIXELS, W, H, BPP, PITCH, r)) return;
  const int32_t v = MATH::CONSTRAIN(*PARAM, -100, 100);
  const double f = ((v + 100) / 100.0) * ((v + 100) / 100.0);
  // Only 256 inputs per channel: evaluate the rule once for each.
  uint32_t out[256];
  for (int32_t c = 0; c < 256; ++c) {
    const double x = (c / 255.0 - 0.5) * f * 255.0 + 127.5;
    out[c] = x < 0.0 ? 0u : (x > 255.0 ? 255u : static_cast<uint32_t>((x + ROUNDER) - ROUNDER));
  }
  // The rule is a straight line through the bytes. When a line in 20-bit
  // fixed point gives the same 256 results, run that; otherwise (at 100 the
  // doubles round their many halves unevenly) look every byte up.
  constexpr int64_t one = int64_t{1} << 20;
  const int64_t m = std::llround(f * static_cast<double>(one));
  int64_t lo = INT32_MIN, hi = INT32_MAX;
  for (int64_t c = 0; c < 256; ++c) {
    const int64_t at = c * m, o = out[c];
    if (o > 0) lo = std::max(lo, o * one - at);
    if (o < 255) hi = std::min(hi, (o + 1) * one - at);
  }
  if (lo < hi && lo + 255 * m <= INT32_MAX) {
    for (int32_t y = 0; y < r.h; ++y)
      affinerow(r.row(y), r.w, static_cast<int32_t>(m), static_cast<int32_t>(lo));
    return;
  }
  CHANNELTABLES t;
  for (int32_t c = 0; c < 256; ++c) {
    t.r[c] = out[c] << 16;
    t.g[c] = out[c] << 8;
    t.b[c] = out[c];
  }
  for (int32_t y = 0; y < r.h; ++y) tablerow(r.row(y), r.w, t);
}

void COLOROFFSET(uint8_t* PIXELS, int32_t W, int32_t H, int32_t BPP, int32_t PITCH,
                 const COLOR::RGBTRIPLE* PARAM) {
  if (!PARAM) return;
  applyoffsets(PIXELS, W, H, BPP, PITCH, PARAM->RED(), PARAM->GREEN(), PARAM->BLUE());
}

void PIXELOFFSET(uint8_t* PIXELS, int32_t W, int32_t H, int32_t BPP, int32_t PITCH,
                 const MATH::POINT* PARAM) {
  ROWS r;
  if (!PARAM || !rows(PIXELS, W, H, BPP, PITCH, r)) return;
  const uint64_t count = static_cast<uint64_t>(W) * static_cast<uint64_t>(H);
  if (count > UINT32_MAX) return;  // beyond what 32-bit indices reach
  uint32_t* copy = static_cast<uint32_t*>(std::malloc(count * 4));
  if (!copy) return;
  for (int32_t y = 0; y < r.h; ++y)
    std::memcpy(copy + static_cast<size_t>(y) * W, r.row(y), static_cast<size_t>(W) * 4);
  for (int32_t y = 0; y < r.h; ++y)
    offsetrowmap(r.row(y), PARAM + static_cast<size_t>(y) * W, copy, W, static_cast<uint32_t>(W),
                 static_cast<uint32_t>(H));
  std::free(copy);
}

void FLIP(uint8_t* PIXELS, int32_t W, int32_t H, int32_t BPP, int32_t PITCH,
          const int32_t* PARAM) {
  ROWS r;
  if (!PARAM || !rows(PIXELS, W, H, BPP, PITCH, r)) return;
  const bool across = (*PARAM & 1) != 0, down = (*PARAM & 2) != 0;
  // Mirroring is its own inverse: exchange pixels pairwise, with no copy.
  if (down) {
    for (int32_t y = 0; y < r.h / 2; ++y) {
      if (across)
        swapreversed(r.row(y), r.row(r.h - 1 - y), r.w);
      else
        swaprows(r.row(y), r.row(r.h - 1 - y), r.w);
    }
    if (across && r.h % 2) reverserow(r.row(r.h / 2), r.w);
  } else if (across) {
    for (int32_t y = 0; y < r.h; ++y) reverserow(r.row(y), r.w);
  }
}

}  // namespace FILTER

namespace {

// The alpha copy is column-major: byte x * h + y belongs to pixel (x, y).
void flipalphacopy(uint8_t* a, uint32_t w, uint32_t h, int32_t dir) {
  if (dir & static_cast<int32_t>(FLIPDIRECTION::GXHORISONTAL))
    for (uint32_t x = 0; x < w / 2; ++x)
      std::swap_ranges(a + static_cast<size_t>(x) * h, a + static_cast<size_t>(x + 1) * h,
                       a + static_cast<size_t>(w - 1 - x) * h);
  if (dir & static_cast<int32_t>(FLIPDIRECTION::GXVERTICAL))
    for (uint32_t x = 0; x < w; ++x)
      std::reverse(a + static_cast<size_t>(x) * h, a + static_cast<size_t>(x + 1) * h);
}

}  // namespace

void BITMAP::APPLYFILTER(BITMAPFILTER KIND, void* PARAM, FILTERPROC PROC) {
  if (!IMGHANDLE) return;
  // The header describes the memory; the fields mirror it.
  uint8_t* px = RUNTIME::PIXELS(IMGHANDLE);
  const int32_t w = static_cast<int32_t>(IMGHANDLE->WIDTH);
  const int32_t h = static_cast<int32_t>(IMGHANDLE->HEIGHT);
  const int32_t bpp = IMGHANDLE->BPP;
  const int32_t pitch = static_cast<int32_t>(IMGHANDLE->PITCH);
  // Integer parameters are read by copy, so a FLIPDIRECTION works as well as an int32_t.
  int32_t n = 0;
  const auto readint = [&]() -> const int32_t* {
    if (!PARAM) return nullptr;
    std::memcpy(&n, PARAM, sizeof n);
    return &n;
  };
  switch (KIND) {
    case BITMAPFILTER::GXINVERT: FILTER::INVERT(px, w, h, bpp, pitch, PARAM); break;
    case BITMAPFILTER::GXGRAYSCALE: FILTER::GRAYSCALE(px, w, h, bpp, pitch, PARAM); break;
    case BITMAPFILTER::GXBRIGHTNESS: FILTER::BRIGHTNESS(px, w, h, bpp, pitch, readint()); break;
    case BITMAPFILTER::GXCONTRAST: FILTER::CONTRAST(px, w, h, bpp, pitch, readint()); break;
    case BITMAPFILTER::GXREDCHANNEL: applyoffsets(px, w, h, bpp, pitch, 0, -255, -255); break;
    case BITMAPFILTER::GXGREENCHANNEL: applyoffsets(px, w, h, bpp, pitch, -255, 0, -255); break;
    case BITMAPFILTER::GXBLUECHANNEL: applyoffsets(px, w, h, bpp, pitch, -255, -255, 0); break;
    case BITMAPFILTER::GXCOLOROFFSET:
      FILTER::COLOROFFSET(px, w, h, bpp, pitch, static_cast<const COLOR::RGBTRIPLE*>(PARAM));
      break;
    case BITMAPFILTER::GXPIXELOFFSET:
      FILTER::PIXELOFFSET(px, w, h, bpp, pitch, static_cast<const MATH::POINT*>(PARAM));
      break;
    case BITMAPFILTER::GXFLIP: {
      const int32_t* dir = readint();
      FILTER::FLIP(px, w, h, bpp, pitch, dir);
      // The alpha copy follows the pixels, or a later ALPHA would paint the
      // unmirrored shape's alpha onto the mirrored image.
      if (dir && IALPHACHANNEL && static_cast<uint32_t>(w) == IW && static_cast<uint32_t>(h) == IH)
        flipalphacopy(IALPHACHANNEL, IW, IH, *dir);
      break;
    }
    case BITMAPFILTER::GXCUSTOM:
      if (PROC) PROC(px, w, h, bpp, pitch, PARAM);
      break;
    default: break;  // GXNONE and values outside the enumeration
  }
}

}  // namespace ZARVO::GRAPHICS
