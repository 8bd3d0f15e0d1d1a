#include "zarvo/graphics/filters.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "zarvo/assert.hpp"
#include "zarvo/color/color.hpp"
#include "zarvo/graphics/bitmap.hpp"
#include "zarvo/pixelmath.hpp"
#include "zarvo/runtime/image.hpp"
#include "zarvo/runtime/simd.hpp"

#ifdef ZARVO_SIMD_X86
#include <immintrin.h>
#endif

namespace ZARVO::GRAPHICS {

namespace {

using RUNTIME::KERNELS;

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

// Clamped offsets as saturating byte arithmetic, per byte of a pixel (blue,
// green, red, alpha): a byte becomes min(c, cap) + add, then max(that, sub)
// - sub. With add or sub 0 (one offset has one sign) that is clamp(c + o).
struct OFFSETS {
  uint8_t add[4], cap[4], sub[4];
};

OFFSETS offsets(int32_t ro, int32_t go, int32_t bo) {
  OFFSETS o{{0, 0, 0, 0}, {255, 255, 255, 255}, {0, 0, 0, 0}};
  const int32_t v[3] = {holdoffset(bo), holdoffset(go), holdoffset(ro)};
  for (int k = 0; k < 3; ++k) {
    o.add[k] = static_cast<uint8_t>(v[k] > 0 ? v[k] : 0);
    o.cap[k] = static_cast<uint8_t>(255 - o.add[k]);
    o.sub[k] = static_cast<uint8_t>(v[k] < 0 ? -v[k] : 0);
  }
  return o;
}

// CONTRAST at 100: the rule is 4 c - 382.5, every result a half that the
// doubles round either way. So a byte becomes 4 (c - 96), saturated, plus an
// addend of 0, 1 or 2 found from its two nibbles: G by the high nibble, less 1
// unless the low nibble's bits in T meet the high nibble's bit in P; then
// saturated. Nibble lookups need byte shuffles (SSSE3 and up).
struct STEEP {
  uint8_t t[16], p[16], g[16];
};

// CONTRAST's rule is a straight line through the bytes. In 16-bit lanes a
// byte c becomes min(sat(sat(x + add) - sub) >> t, 255), with x the high
// half of (c * 256 + e) * m and sat() holding to 0..65535 as the saturating
// adds do (one of add and sub is 0). fitline finds the numbers for an amount
// and checks them against all 256 results of the rule. They are per byte of
// a pixel, so alpha passes unchanged: there m = 2^(8 + t) and e = add = sub
// = 0 (for t = 8, m = 65535 and add = 1).
struct LINE {
  uint16_t m[4], e[4], add[4], sub[4];
  int32_t t;
};

ZARVO_INLINE uint32_t linebyte(const LINE& l, int k, uint32_t c) {
  const uint32_t x = ((c << 8 | l.e[k]) * l.m[k]) >> 16;
  uint32_t y = std::min(x + l.add[k], 65535u);
  y = y > l.sub[k] ? y - l.sub[k] : 0u;
  return std::min(y >> l.t, 255u);
}

// Every level's kernels for the filters.
struct FILTERROWS {
  void (*invert)(uint32_t* d, int32_t n);
  void (*gray)(uint32_t* d, int32_t n);
  void (*offset)(uint32_t* d, int32_t n, const OFFSETS& o);
  // CONTRAST as a line in 16-bit arithmetic (LINE).
  void (*line)(uint32_t* d, int32_t n, const LINE& l);
  // Null where the level has no byte shuffle: CONTRAST at 100 then uses tables.
  void (*steep)(uint32_t* d, int32_t n, const STEEP& s);
  // SSE2's CONTRAST at 100, for the one pattern the doubles give there
  // (fixedfits); null elsewhere.
  void (*steepfixed)(uint32_t* d, int32_t n);
  // Exchange a[i] with b[n - 1 - i], and a[i] with b[i].
  void (*swapreversed)(uint32_t* __restrict a, uint32_t* __restrict b, int32_t n);
  void (*swaprows)(uint32_t* __restrict a, uint32_t* __restrict b, int32_t n);
  // Row `row` of PIXELOFFSET (see there), with rows 0..ready-1 of the copy
  // filled; returns the highest row its points name.
  uint32_t (*offsetmap)(uint32_t* d, const MATH::POINT* map, const uint32_t* copy, int32_t n,
                        uint32_t w, uint32_t h, uint32_t row, uint32_t ready);
};

// ---- The plain loops: the portable level, and compiled again for AVX2 ----

ZARVO_INLINE void invertbody(uint32_t* d, int32_t n) {
  for (int32_t i = 0; i < n; ++i) d[i] ^= 0x00FFFFFFu;
}

uint32_t graypixel(uint32_t p) {
  const double g = static_cast<double>((p >> 16) & 255u) * 0.299 +
                   static_cast<double>((p >> 8) & 255u) * 0.587 +
                   static_cast<double>(p & 255u) * 0.114;
  const uint32_t v = static_cast<uint32_t>(DETAIL::ROUNDEVENFAST(g));
  return (p & 0xFF000000u) | (v * 0x010101u);
}

// The weighted sum is (299 r + 587 g + 114 b) / 1000 exactly; integers give
// the same rounding as doubles except where that lands on a half (the sum
// ends in 500), and there the doubles' own error decides. So each block of
// pixels runs in integers, and a block holding such a tie is redone in doubles.
constexpr int32_t GRAYBLOCK = 32;

// Kept out of line so the integer loops stay lean.
__attribute__((noinline)) void grayblock(uint32_t* d, const uint32_t* old, int32_t n) {
  for (int32_t k = 0; k < n; ++k) d[k] = graypixel(old[k]);
}

void grayportable(uint32_t* d, int32_t n) {
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
    if (least < 33555u) grayblock(c, old, GRAYBLOCK);
  }
  for (; i < n; ++i) d[i] = graypixel(d[i]);
}

ZARVO_INLINE void offsetbody(uint32_t* d, int32_t n, const OFFSETS& o) {
  // Local copies: the compiler need not fear the row overwrites them.
  uint8_t add[4], cap[4], sub[4];
  std::memcpy(add, o.add, 4);
  std::memcpy(cap, o.cap, 4);
  std::memcpy(sub, o.sub, 4);
  uint8_t* b = reinterpret_cast<uint8_t*>(d);
  for (size_t i = 0; i < static_cast<size_t>(n) * 4; i += 4)
    for (size_t k = 0; k < 4; ++k) {
      uint8_t c = b[i + k];
      c = static_cast<uint8_t>(std::min(c, cap[k]) + add[k]);
      b[i + k] = static_cast<uint8_t>(std::max(c, sub[k]) - sub[k]);
    }
}

// The line with its shift fixed, in 32-bit steps: one of add and sub is 0,
// so sat(sat(x + add) - sub) >> t, capped at 255, is (x + add - sub) >> t
// clamped to 0..255.
template <int T>
ZARVO_INLINE void linebytes(uint8_t* __restrict b, int32_t n, uint16_t m, uint16_t e, int32_t k) {
  for (int32_t i = 0; i < n; ++i) {
    const uint32_t c = static_cast<uint16_t>(b[i] << 8 | e);
    const int32_t v = (static_cast<int32_t>((c * m) >> 16) + k) >> T;
    b[i] = static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
  }
}

ZARVO_INLINE void linebody(uint32_t* d, int32_t n, const LINE& l) {
  // Every byte of a block through the colour bytes' line, then the block's
  // alpha bytes put back: plain loops the vectoriser carries.
  constexpr int32_t BLOCK = 64;
  const uint16_t m = l.m[0], e = l.e[0];
  const int32_t k = static_cast<int32_t>(l.add[0]) - static_cast<int32_t>(l.sub[0]);
  uint32_t alpha[BLOCK];
  for (int32_t at = 0; at < n; at += BLOCK) {
    const int32_t w = std::min(BLOCK, n - at);
    uint32_t* p = d + at;
    for (int32_t j = 0; j < w; ++j) alpha[j] = p[j] & 0xFF000000u;
    uint8_t* b = reinterpret_cast<uint8_t*>(p);
    // A switch, not a table of pointers: each shift inlined here vectorises,
    // called through a pointer it ran half as fast.
    switch (l.t) {
      case 1:
        linebytes<1>(b, 4 * w, m, e, k);
        break;
      case 2:
        linebytes<2>(b, 4 * w, m, e, k);
        break;
      case 3:
        linebytes<3>(b, 4 * w, m, e, k);
        break;
      case 4:
        linebytes<4>(b, 4 * w, m, e, k);
        break;
      case 5:
        linebytes<5>(b, 4 * w, m, e, k);
        break;
      case 6:
        linebytes<6>(b, 4 * w, m, e, k);
        break;
      case 7:
        linebytes<7>(b, 4 * w, m, e, k);
        break;
      default:
        linebytes<8>(b, 4 * w, m, e, k);
        break;
    }
    for (int32_t j = 0; j < w; ++j) p[j] = (p[j] & 0x00FFFFFFu) | alpha[j];
  }
}

ZARVO_INLINE void swapreversedbody(uint32_t* __restrict a, uint32_t* __restrict b, int32_t n) {
  for (int32_t i = 0; i < n; ++i) {
    const uint32_t t = a[i];
    a[i] = b[n - 1 - i];
    b[n - 1 - i] = t;
  }
}

ZARVO_INLINE void swaprowsbody(uint32_t* __restrict a, uint32_t* __restrict b, int32_t n) {
  for (int32_t i = 0; i < n; ++i) {
    const uint32_t t = a[i];
    a[i] = b[i];
    b[i] = t;
  }
}

// Pixel i of row `row` takes copy[y * w + x] for the point (x, y); a point
// outside the w x h copy names the pixel's own old value there. A point in a
// row not yet copied (ready and beyond) takes the own value for now: the
// caller sees the row in the result, copies it and runs the row again.
// Starts at pixel `from`, so the vector loops can hand it their tails.
ZARVO_INLINE uint32_t offsetmapbody(uint32_t* __restrict d, const MATH::POINT* __restrict map,
                                    const uint32_t* __restrict copy, int32_t n, uint32_t w,
                                    uint32_t h, uint32_t row, uint32_t ready, int32_t from = 0) {
  const uint32_t own = row * w;
  uint32_t top = row;
  for (int32_t i = from; i < n; ++i) {
    const uint32_t x = static_cast<uint32_t>(map[i].X), y = static_cast<uint32_t>(map[i].Y);
    const bool in = x < w && y < h;
    top = std::max(top, in ? y : row);
    d[i] = copy[in && y < ready ? y * w + x : own + static_cast<uint32_t>(i)];
  }
  return top;
}

void invertportable(uint32_t* d, int32_t n) { invertbody(d, n); }
void offsetportable(uint32_t* d, int32_t n, const OFFSETS& o) { offsetbody(d, n, o); }
void lineportable(uint32_t* d, int32_t n, const LINE& l) { linebody(d, n, l); }
void swapreversedportable(uint32_t* __restrict a, uint32_t* __restrict b, int32_t n) {
  swapreversedbody(a, b, n);
}
void swaprowsportable(uint32_t* __restrict a, uint32_t* __restrict b, int32_t n) {
  swaprowsbody(a, b, n);
}
uint32_t offsetmapportable(uint32_t* d, const MATH::POINT* map, const uint32_t* copy, int32_t n,
                           uint32_t w, uint32_t h, uint32_t row, uint32_t ready) {
  return offsetmapbody(d, map, copy, n, w, h, row, ready);
}

#ifdef ZARVO_SIMD_X86
ZARVO_TARGET_AVX2 void invertavx2(uint32_t* d, int32_t n) { invertbody(d, n); }
ZARVO_TARGET_AVX2 void swapreversedavx2(uint32_t* __restrict a, uint32_t* __restrict b, int32_t n) {
  swapreversedbody(a, b, n);
}
ZARVO_TARGET_AVX2 void swaprowsavx2(uint32_t* __restrict a, uint32_t* __restrict b, int32_t n) {
  swaprowsbody(a, b, n);
}

// ---- SSE2 (every x86-64 processor), SSE4.1 and AVX2 ----

// Redoes in doubles just the pixels whose bits are set in ties.
__attribute__((noinline)) void grayties(uint32_t* d, const uint32_t* old, uint32_t ties) {
  for (; ties; ties &= ties - 1) {
    const int k = __builtin_ctz(ties);
    d[k] = graypixel(old[k]);
  }
}

// Per 32-bit lane: 16-bit madds give 299 r + 114 b and 587 g (alpha weighed
// by 0); with 500 added, q = s / 1000 is ((s >> 3) * 33555) >> 22, done as a
// 16-bit high multiply since s >> 3 stays below 32000. A tie is s == 1000 q.
inline __m128i graysse2one(__m128i p, __m128i& tie) {
  const __m128i s =
      _mm_add_epi32(_mm_add_epi32(_mm_madd_epi16(_mm_and_si128(p, _mm_set1_epi32(0x00FF00FF)),
                                                 _mm_set1_epi32(299 << 16 | 114)),
                                  _mm_madd_epi16(_mm_srli_epi16(p, 8), _mm_set1_epi32(587))),
                    _mm_set1_epi32(500));
  const __m128i q = _mm_srli_epi32(_mm_mulhi_epu16(_mm_srli_epi32(s, 3), _mm_set1_epi32(33555)), 6);
  tie = _mm_cmpeq_epi32(_mm_madd_epi16(q, _mm_set1_epi32(1000)), s);
  const __m128i qq =
      _mm_or_si128(_mm_mullo_epi16(q, _mm_set1_epi32(0x0101)), _mm_slli_epi32(q, 16));
  return _mm_or_si128(_mm_and_si128(p, _mm_set1_epi32(static_cast<int32_t>(0xFF000000u))), qq);
}

void graysse2(uint32_t* d, int32_t n) {
  int32_t i = 0;
  for (; i + 8 <= n; i += 8) {
    __m128i* v = reinterpret_cast<__m128i*>(d + i);
    const __m128i p0 = _mm_loadu_si128(v), p1 = _mm_loadu_si128(v + 1);
    __m128i t0, t1;
    _mm_storeu_si128(v, graysse2one(p0, t0));
    _mm_storeu_si128(v + 1, graysse2one(p1, t1));
    const uint32_t ties = static_cast<uint32_t>(_mm_movemask_ps(_mm_castsi128_ps(t0))) |
                          static_cast<uint32_t>(_mm_movemask_ps(_mm_castsi128_ps(t1))) << 4;
    if (ties) {
      alignas(16) uint32_t old[8];
      _mm_store_si128(reinterpret_cast<__m128i*>(old), p0);
      _mm_store_si128(reinterpret_cast<__m128i*>(old + 4), p1);
      grayties(d + i, old, ties);
    }
  }
  grayportable(d + i, n - i);
}

// The same as graysse2one, eight pixels a vector.
ZARVO_TARGET_AVX2 inline __m256i grayavx2one(__m256i p, __m256i& tie) {
  const __m256i s = _mm256_add_epi32(
      _mm256_add_epi32(_mm256_madd_epi16(_mm256_and_si256(p, _mm256_set1_epi32(0x00FF00FF)),
                                         _mm256_set1_epi32(299 << 16 | 114)),
                       _mm256_madd_epi16(_mm256_srli_epi16(p, 8), _mm256_set1_epi32(587))),
      _mm256_set1_epi32(500));
  const __m256i q =
      _mm256_srli_epi32(_mm256_mulhi_epu16(_mm256_srli_epi32(s, 3), _mm256_set1_epi32(33555)), 6);
  tie = _mm256_cmpeq_epi32(_mm256_madd_epi16(q, _mm256_set1_epi32(1000)), s);
  const __m256i spread = _mm256_setr_epi8(0, 0, 0, -1, 4, 4, 4, -1, 8, 8, 8, -1, 12, 12, 12, -1, 0,
                                          0, 0, -1, 4, 4, 4, -1, 8, 8, 8, -1, 12, 12, 12, -1);
  return _mm256_or_si256(_mm256_and_si256(p, _mm256_set1_epi32(static_cast<int32_t>(0xFF000000u))),
                         _mm256_shuffle_epi8(q, spread));
}

ZARVO_TARGET_AVX2 void grayavx2(uint32_t* d, int32_t n) {
  int32_t i = 0;
  for (; i + 16 <= n; i += 16) {
    __m256i* v = reinterpret_cast<__m256i*>(d + i);
    const __m256i p0 = _mm256_loadu_si256(v), p1 = _mm256_loadu_si256(v + 1);
    __m256i t0, t1;
    _mm256_storeu_si256(v, grayavx2one(p0, t0));
    _mm256_storeu_si256(v + 1, grayavx2one(p1, t1));
    const __m256i t = _mm256_or_si256(t0, t1);
    if (!_mm256_testz_si256(t, t)) {
      alignas(32) uint32_t old[16];
      _mm256_store_si256(reinterpret_cast<__m256i*>(old), p0);
      _mm256_store_si256(reinterpret_cast<__m256i*>(old + 8), p1);
      grayties(d + i, old,
               static_cast<uint32_t>(_mm256_movemask_ps(_mm256_castsi256_ps(t0))) |
                   static_cast<uint32_t>(_mm256_movemask_ps(_mm256_castsi256_ps(t1))) << 8);
    }
  }
  grayportable(d + i, n - i);
}

int32_t bytes4(const uint8_t* b) {
  int32_t v;
  std::memcpy(&v, b, 4);
  return v;
}

// Saturating byte adds are the rule itself here: add and sub never both move
// one byte, and alpha's are 0.
void offsetsse2(uint32_t* d, int32_t n, const OFFSETS& o) {
  const __m128i add = _mm_set1_epi32(bytes4(o.add)), sub = _mm_set1_epi32(bytes4(o.sub));
  int32_t i = 0;
  for (; i + 4 <= n; i += 4) {
    __m128i* at = reinterpret_cast<__m128i*>(d + i);
    _mm_storeu_si128(at, _mm_subs_epu8(_mm_adds_epu8(_mm_loadu_si128(at), add), sub));
  }
  offsetbody(d + i, n - i, o);
}

ZARVO_TARGET_AVX2 void offsetavx2(uint32_t* d, int32_t n, const OFFSETS& o) {
  const __m256i add = _mm256_set1_epi32(bytes4(o.add)), sub = _mm256_set1_epi32(bytes4(o.sub));
  int32_t i = 0;
  for (; i + 8 <= n; i += 8) {
    __m256i* at = reinterpret_cast<__m256i*>(d + i);
    _mm256_storeu_si256(at, _mm256_subs_epu8(_mm256_adds_epu8(_mm256_loadu_si256(at), add), sub));
  }
  offsetbody(d + i, n - i, o);
}

// The bytes go into the high halves of 16-bit lanes, e into the low ones;
// unpacks and the pack stay within 128-bit halves, so the AVX2 form keeps
// the pixel order too.
int64_t words(const uint16_t* w) {
  int64_t v;
  std::memcpy(&v, w, 8);
  return v;
}

int32_t bytesof(const uint16_t* w) {
  return static_cast<int32_t>(w[0] | w[1] << 8 | w[2] << 16 | w[3] << 24);
}

inline __m128i linesse2half(__m128i c, __m128i m, __m128i add, __m128i sub, __m128i t) {
  return _mm_srl_epi16(_mm_subs_epu16(_mm_adds_epu16(_mm_mulhi_epu16(c, m), add), sub), t);
}

void linesse2(uint32_t* d, int32_t n, const LINE& l) {
  const __m128i e = _mm_set1_epi32(bytesof(l.e)), m = _mm_set1_epi64x(words(l.m));
  const __m128i add = _mm_set1_epi64x(words(l.add)), sub = _mm_set1_epi64x(words(l.sub));
  const __m128i t = _mm_cvtsi32_si128(l.t);
  int32_t i = 0;
  for (; i + 4 <= n; i += 4) {
    __m128i* at = reinterpret_cast<__m128i*>(d + i);
    const __m128i v = _mm_loadu_si128(at);
    _mm_storeu_si128(at, _mm_packus_epi16(linesse2half(_mm_unpacklo_epi8(e, v), m, add, sub, t),
                                          linesse2half(_mm_unpackhi_epi8(e, v), m, add, sub, t)));
  }
  linebody(d + i, n - i, l);
}

ZARVO_TARGET_AVX2 inline __m256i lineavx2half(__m256i c, __m256i m, __m256i add, __m256i sub,
                                              __m128i t) {
  return _mm256_srl_epi16(_mm256_subs_epu16(_mm256_adds_epu16(_mm256_mulhi_epu16(c, m), add), sub),
                          t);
}

ZARVO_TARGET_AVX2 void lineavx2(uint32_t* d, int32_t n, const LINE& l) {
  const __m256i e = _mm256_set1_epi32(bytesof(l.e)), m = _mm256_set1_epi64x(words(l.m));
  const __m256i add = _mm256_set1_epi64x(words(l.add)), sub = _mm256_set1_epi64x(words(l.sub));
  const __m128i t = _mm_cvtsi32_si128(l.t);
  int32_t i = 0;
  for (; i + 8 <= n; i += 8) {
    __m256i* at = reinterpret_cast<__m256i*>(d + i);
    const __m256i v = _mm256_loadu_si256(at);
    _mm256_storeu_si256(
        at, _mm256_packus_epi16(lineavx2half(_mm256_unpacklo_epi8(e, v), m, add, sub, t),
                                lineavx2half(_mm256_unpackhi_epi8(e, v), m, add, sub, t)));
  }
  linebody(d + i, n - i, l);
}

uint32_t steepbyte(const STEEP& s, uint32_t c) {
  const uint32_t lo = c & 15u, hi = c >> 4;
  const uint32_t a = std::min(4u * (c > 96u ? c - 96u : 0u), 255u);
  const uint32_t add = (s.g[hi] + ((s.t[lo] & s.p[hi]) ? 0u : 255u)) & 255u;
  return std::min(a + add, 255u);
}

void steeptail(uint32_t* d, int32_t n, const STEEP& s) {
  for (int32_t x = 0; x < n; ++x) {
    const uint32_t p = d[x];
    d[x] = (p & 0xFF000000u) | steepbyte(s, (p >> 16) & 255u) << 16 |
           steepbyte(s, (p >> 8) & 255u) << 8 | steepbyte(s, p & 255u);
  }
}

// Fills the tables from the rule's 256 results and checks they give them all.
bool steeptables(const uint32_t* out, STEEP& s) {
  std::memset(&s, 0, sizeof s);
  for (uint32_t hi = 0; hi < 16; ++hi) {
    const bool in = hi >= 6 && hi <= 9;
    s.p[hi] = in ? static_cast<uint8_t>(1u << (hi - 6)) : 0;
    s.g[hi] = in ? 2 : 1;
  }
  for (uint32_t c = 96; c < 160; ++c) {
    const int32_t bit = static_cast<int32_t>(out[c]) - (4 * static_cast<int32_t>(c) - 383);
    if (bit == 1) s.t[c & 15] = static_cast<uint8_t>(s.t[c & 15] | s.p[c >> 4]);
  }
  for (uint32_t c = 0; c < 256; ++c)
    if (steepbyte(s, c) != out[c]) return false;
  return true;
}

// Without byte shuffles, CONTRAST at 100 follows the pattern the doubles
// actually give: 4 c - 383 plus 1, except where c & 3 is 1 below 128 and
// where c & 7 is 1, 2 or 3 from 128 (those are the halves rounded down).
uint32_t fixedbyte(uint32_t c) {
  const bool miss = c < 128 ? (c & 3u) == 1u : (c & 7u) >= 1u && (c & 7u) <= 3u;
  const int32_t t = 4 * static_cast<int32_t>(c) - 382 - (miss ? 1 : 0);
  return static_cast<uint32_t>(std::clamp(t, 0, 255));
}

bool fixedfits(const uint32_t* out) {
  for (uint32_t c = 0; c < 256; ++c)
    if (fixedbyte(c) != out[c]) return false;
  return true;
}

void steepfixedsse2(uint32_t* d, int32_t n) {
  const __m128i zero = _mm_setzero_si128(), one = _mm_set1_epi8(1), two = _mm_set1_epi8(2);
  const __m128i three = _mm_set1_epi8(3), seven = _mm_set1_epi8(7);
  const __m128i flip = _mm_set1_epi8(static_cast<char>(0x80));
  const __m128i alpha = _mm_set1_epi32(static_cast<int32_t>(0xFF000000u));
  int32_t i = 0;
  for (; i + 4 <= n; i += 4) {
    __m128i* at = reinterpret_cast<__m128i*>(d + i);
    const __m128i v = _mm_loadu_si128(at);
    const __m128i low = _mm_cmpeq_epi8(_mm_and_si128(v, three), one);
    const __m128i less = _mm_sub_epi8(_mm_and_si128(v, seven), one);  // 0 wraps to 255
    const __m128i high = _mm_cmpeq_epi8(_mm_min_epu8(less, two), less);
    const __m128i top = _mm_cmpgt_epi8(zero, v);  // c >= 128
    const __m128i miss = _mm_xor_si128(low, _mm_and_si128(top, _mm_xor_si128(low, high)));
    // In signed bytes y = c - 128 the result less 128 is 4 y + 2 - miss,
    // saturated: z + (z - miss) with z = 2 y + 1 saturates only once, and
    // only where the result is 0 or 255 anyway.
    const __m128i y = _mm_xor_si128(v, flip);
    const __m128i z = _mm_adds_epi8(_mm_adds_epi8(y, y), one);
    const __m128i r = _mm_xor_si128(_mm_adds_epi8(z, _mm_add_epi8(z, miss)), flip);
    _mm_storeu_si128(at, _mm_or_si128(_mm_andnot_si128(alpha, r), _mm_and_si128(alpha, v)));
  }
  for (; i < n; ++i) {
    const uint32_t p = d[i];
    d[i] = (p & 0xFF000000u) | fixedbyte((p >> 16) & 255u) << 16 | fixedbyte((p >> 8) & 255u) << 8 |
           fixedbyte(p & 255u);
  }
}

ZARVO_TARGET_SSE41 void steepsse41(uint32_t* d, int32_t n, const STEEP& s) {
  const __m128i t = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s.t));
  const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s.p));
  const __m128i g = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s.g));
  const __m128i nibble = _mm_set1_epi8(15), zero = _mm_setzero_si128();
  const __m128i base = _mm_set1_epi8(96);
  const __m128i alpha = _mm_set1_epi32(static_cast<int32_t>(0xFF000000u));
  int32_t i = 0;
  for (; i + 4 <= n; i += 4) {
    __m128i* at = reinterpret_cast<__m128i*>(d + i);
    const __m128i v = _mm_loadu_si128(at);
    const __m128i lo = _mm_and_si128(v, nibble);
    const __m128i hi = _mm_and_si128(_mm_srli_epi16(v, 4), nibble);
    const __m128i miss =
        _mm_cmpeq_epi8(_mm_and_si128(_mm_shuffle_epi8(t, lo), _mm_shuffle_epi8(p, hi)), zero);
    const __m128i add = _mm_add_epi8(_mm_shuffle_epi8(g, hi), miss);
    __m128i a = _mm_subs_epu8(v, base);
    a = _mm_adds_epu8(a, a);
    a = _mm_adds_epu8(a, a);
    _mm_storeu_si128(at, _mm_blendv_epi8(_mm_adds_epu8(a, add), v, alpha));
  }
  steeptail(d + i, n - i, s);
}

ZARVO_TARGET_AVX2 inline __m256i steeptable(const uint8_t* b) {
  return _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(b)));
}

ZARVO_TARGET_AVX2 void steepavx2(uint32_t* d, int32_t n, const STEEP& s) {
  const __m256i t = steeptable(s.t), p = steeptable(s.p), g = steeptable(s.g);
  const __m256i nibble = _mm256_set1_epi8(15), zero = _mm256_setzero_si256();
  const __m256i base = _mm256_set1_epi8(96);
  const __m256i alpha = _mm256_set1_epi32(static_cast<int32_t>(0xFF000000u));
  int32_t i = 0;
  for (; i + 8 <= n; i += 8) {
    __m256i* at = reinterpret_cast<__m256i*>(d + i);
    const __m256i v = _mm256_loadu_si256(at);
    const __m256i lo = _mm256_and_si256(v, nibble);
    const __m256i hi = _mm256_and_si256(_mm256_srli_epi16(v, 4), nibble);
    const __m256i miss = _mm256_cmpeq_epi8(
        _mm256_and_si256(_mm256_shuffle_epi8(t, lo), _mm256_shuffle_epi8(p, hi)), zero);
    const __m256i add = _mm256_add_epi8(_mm256_shuffle_epi8(g, hi), miss);
    __m256i a = _mm256_subs_epu8(v, base);
    a = _mm256_adds_epu8(a, a);
    a = _mm256_adds_epu8(a, a);
    _mm256_storeu_si256(at, _mm256_blendv_epi8(_mm256_adds_epu8(a, add), v, alpha));
  }
  steeptail(d + i, n - i, s);
}

// Four points at a time turned into indices into the copy; a point outside
// it (or in a row not yet copied) names the pixel's own old value there, so
// every lane just loads (scalar
// loads: SSE2 has no gather, and on the processors measured they beat AVX2's).
// The products y * w are pmuludq pairs.
uint32_t offsetmapsse2(uint32_t* d, const MATH::POINT* map, const uint32_t* copy, int32_t n,
                       uint32_t w, uint32_t h, uint32_t row, uint32_t ready) {
  const __m128i sign = _mm_set1_epi32(INT32_MIN);
  const __m128i vw = _mm_set1_epi32(static_cast<int32_t>(w));
  const __m128i wlimit = _mm_xor_si128(vw, sign);
  const __m128i hlimit = _mm_xor_si128(_mm_set1_epi32(static_cast<int32_t>(h)), sign);
  const __m128i vrow = _mm_set1_epi32(static_cast<int32_t>(row));
  const __m128i vready = _mm_set1_epi32(static_cast<int32_t>(ready));
  __m128i self =
      _mm_add_epi32(_mm_set1_epi32(static_cast<int32_t>(row * w)), _mm_setr_epi32(0, 1, 2, 3));
  // Rows read, all below h <= INT32_MAX, so signed comparisons hold.
  __m128i most = vrow;
  int32_t i = 0;
  for (; i + 4 <= n; i += 4) {
    const __m128 a = _mm_castsi128_ps(_mm_loadu_si128(reinterpret_cast<const __m128i*>(map + i)));
    const __m128 b =
        _mm_castsi128_ps(_mm_loadu_si128(reinterpret_cast<const __m128i*>(map + i + 2)));
    const __m128i x = _mm_castps_si128(_mm_shuffle_ps(a, b, 0x88));
    const __m128i y = _mm_castps_si128(_mm_shuffle_ps(a, b, 0xDD));
    const __m128i inside = _mm_and_si128(_mm_cmpgt_epi32(wlimit, _mm_xor_si128(x, sign)),
                                         _mm_cmpgt_epi32(hlimit, _mm_xor_si128(y, sign)));
    const __m128i even = _mm_mul_epu32(y, vw), odd = _mm_mul_epu32(_mm_srli_epi64(y, 32), vw);
    const __m128i yw =
        _mm_unpacklo_epi32(_mm_shuffle_epi32(even, 0x08), _mm_shuffle_epi32(odd, 0x08));
    const __m128i use = _mm_and_si128(inside, _mm_cmpgt_epi32(vready, y));
    const __m128i at =
        _mm_or_si128(_mm_and_si128(use, _mm_add_epi32(yw, x)), _mm_andnot_si128(use, self));
    const __m128i ys = _mm_or_si128(_mm_and_si128(inside, y), _mm_andnot_si128(inside, vrow));
    const __m128i more = _mm_cmpgt_epi32(ys, most);
    most = _mm_or_si128(_mm_and_si128(more, ys), _mm_andnot_si128(more, most));
    self = _mm_add_epi32(self, _mm_set1_epi32(4));
    alignas(16) uint32_t idx[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(idx), at);
    for (int k = 0; k < 4; ++k) d[i + k] = copy[idx[k]];
  }
  alignas(16) uint32_t lanes[4];
  _mm_store_si128(reinterpret_cast<__m128i*>(lanes), most);
  uint32_t top = row;
  for (uint32_t v : lanes) top = std::max(top, v);
  return std::max(top, offsetmapbody(d, map, copy, n, w, h, row, ready, i));
}

// The same, eight points at a time.
ZARVO_TARGET_AVX2 uint32_t offsetmapavx2(uint32_t* d, const MATH::POINT* map, const uint32_t* copy,
                                         int32_t n, uint32_t w, uint32_t h, uint32_t row,
                                         uint32_t ready) {
  const __m256i sign = _mm256_set1_epi32(INT32_MIN);
  const __m256i vw = _mm256_set1_epi32(static_cast<int32_t>(w));
  const __m256i wlimit = _mm256_xor_si256(vw, sign);
  const __m256i hlimit = _mm256_xor_si256(_mm256_set1_epi32(static_cast<int32_t>(h)), sign);
  const __m256i vrow = _mm256_set1_epi32(static_cast<int32_t>(row));
  const __m256i vready = _mm256_set1_epi32(static_cast<int32_t>(ready));
  __m256i self = _mm256_add_epi32(_mm256_set1_epi32(static_cast<int32_t>(row * w)),
                                  _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
  __m256i most = vrow;
  int32_t i = 0;
  for (; i + 8 <= n; i += 8) {
    const __m256 a =
        _mm256_castsi256_ps(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(map + i)));
    const __m256 b =
        _mm256_castsi256_ps(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(map + i + 4)));
    // Shuffling within halves leaves points 0 1 4 5 2 3 6 7; the quad
    // permute restores the order.
    const __m256i x =
        _mm256_permute4x64_epi64(_mm256_castps_si256(_mm256_shuffle_ps(a, b, 0x88)), 0xD8);
    const __m256i y =
        _mm256_permute4x64_epi64(_mm256_castps_si256(_mm256_shuffle_ps(a, b, 0xDD)), 0xD8);
    const __m256i inside = _mm256_and_si256(_mm256_cmpgt_epi32(wlimit, _mm256_xor_si256(x, sign)),
                                            _mm256_cmpgt_epi32(hlimit, _mm256_xor_si256(y, sign)));
    const __m256i use = _mm256_and_si256(inside, _mm256_cmpgt_epi32(vready, y));
    const __m256i at =
        _mm256_blendv_epi8(self, _mm256_add_epi32(_mm256_mullo_epi32(y, vw), x), use);
    most = _mm256_max_epi32(most, _mm256_blendv_epi8(vrow, y, inside));
    self = _mm256_add_epi32(self, _mm256_set1_epi32(8));
    alignas(32) uint32_t idx[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(idx), at);
    for (int k = 0; k < 8; ++k) d[i + k] = copy[idx[k]];
  }
  alignas(32) uint32_t lanes[8];
  _mm256_store_si256(reinterpret_cast<__m256i*>(lanes), most);
  uint32_t top = row;
  for (uint32_t v : lanes) top = std::max(top, v);
  return std::max(top, offsetmapbody(d, map, copy, n, w, h, row, ready, i));
}
#endif  // ZARVO_SIMD_X86

const FILTERROWS TABLE[RUNTIME::SIMDLEVELS] = {
    {invertportable, grayportable, offsetportable, lineportable, nullptr, nullptr,
     swapreversedportable, swaprowsportable, offsetmapportable},
#ifdef ZARVO_SIMD_X86
    {invertportable, graysse2, offsetsse2, linesse2, nullptr, steepfixedsse2, swapreversedportable,
     swaprowsportable, offsetmapsse2},
    {invertportable, graysse2, offsetsse2, linesse2, steepsse41, nullptr, swapreversedportable,
     swaprowsportable, offsetmapsse2},
    {invertavx2, grayavx2, offsetavx2, lineavx2, steepavx2, nullptr, swapreversedavx2, swaprowsavx2,
     offsetmapavx2},
#endif
};

// One table per channel, already shifted into place: CONTRAST where no line
// or nibble lookup gives the rule's results.
struct CHANNELTABLES {
  uint32_t r[256], g[256], b[256];
};

void tablerow(uint32_t* __restrict d, int32_t n, const CHANNELTABLES& t) {
  for (int32_t i = 0; i < n; ++i) {
    const uint32_t p = d[i];
    d[i] = (p & 0xFF000000u) | t.r[(p >> 16) & 255u] | t.g[(p >> 8) & 255u] | t.b[p & 255u];
  }
}

// Finds a LINE giving out[] for slope f, trying the finest steps first.
bool fitline(const uint32_t* out, double f, LINE& l) {
  // The floors of a line rise by floor(f) or ceil(f) from byte to byte; at
  // 100 the rule's results do not.
  int32_t least = 256, most = -1;
  for (int32_t c = 0; c < 255; ++c)
    if (out[c] > 0 && out[c + 1] < 255) {
      const int32_t rise = static_cast<int32_t>(out[c + 1]) - static_cast<int32_t>(out[c]);
      least = std::min(least, rise);
      most = std::max(most, rise);
    }
  if (most - least > 1) return false;
  // With e * m + 65536 K = z, the byte c gives clamp(((256 c m + z) >> 16)
  // >> t): a line whose offset z (in 1/65536) any value in [lo, hi) fits.
  // The finest steps are tried first; z then needs e in 0..255 and K in
  // -65535..65535 (K is add - sub).
  for (int32_t t = 8; t >= 1; --t) {
    const int64_t m0 = std::llround(f * static_cast<double>(1 << (8 + t)));
    for (const int64_t m : {m0, m0 - 1, m0 + 1}) {
      if (m < 1 || m > 65535) continue;
      int64_t lo = INT64_MIN / 2, hi = INT64_MAX / 2;
      for (int64_t c = 0; c < 256; ++c) {
        const int64_t at = 256 * c * m, o = out[c];
        if (o > 0) lo = std::max(lo, (o << t << 16) - at);
        if (o < 255) hi = std::min(hi, ((o + 1) << t << 16) - at);
      }
      if (lo >= hi) continue;
      // The least z from lo: K = floor(lo / 65536) and the least e reaching
      // lo, or the next K with e = 0.
      int64_t K = lo >= 0 ? lo / 65536 : -((-lo + 65535) / 65536);
      int64_t e = (lo - K * 65536 + m - 1) / m;
      if (e > 255 || K * 65536 + e * m >= hi) {
        K += 1;
        e = 0;
      }
      if (K * 65536 + e * m >= hi || K < -65535 || K > 65535) continue;
      for (int k = 0; k < 3; ++k) {
        l.m[k] = static_cast<uint16_t>(m);
        l.e[k] = static_cast<uint16_t>(e);
        l.add[k] = static_cast<uint16_t>(K > 0 ? K : 0);
        l.sub[k] = static_cast<uint16_t>(K < 0 ? -K : 0);
      }
      l.m[3] = static_cast<uint16_t>(t == 8 ? 65535 : 1 << (8 + t));
      l.e[3] = 0;
      l.add[3] = t == 8 ? 1 : 0;
      l.sub[3] = 0;
      l.t = t;
      bool same = true;
      for (uint32_t c = 0; c < 256; ++c)
        same = same && linebyte(l, 0, c) == out[c] && linebyte(l, 3, c) == c;
      if (same) return true;
    }
  }
  return false;
}

void reverserow(const FILTERROWS& k, uint32_t* row, int32_t n) {
  const int32_t half = n / 2;
  k.swapreversed(row, row + (n - half), half);
}

void applyoffsets(uint8_t* PIXELS, int32_t W, int32_t H, int32_t BPP, int32_t PITCH, int32_t ro,
                  int32_t go, int32_t bo) {
  ROWS r;
  if (!rows(PIXELS, W, H, BPP, PITCH, r)) return;
  const OFFSETS o = offsets(ro, go, bo);
  const FILTERROWS& k = KERNELS(TABLE);
  for (int32_t y = 0; y < r.h; ++y) k.offset(r.row(y), r.w, o);
}

}  // namespace

namespace FILTER {

void INVERT(uint8_t* PIXELS, int32_t W, int32_t H, int32_t BPP, int32_t PITCH, void*) {
  ROWS r;
  if (!rows(PIXELS, W, H, BPP, PITCH, r)) return;
  const FILTERROWS& k = KERNELS(TABLE);
  for (int32_t y = 0; y < r.h; ++y) k.invert(r.row(y), r.w);
}

void GRAYSCALE(uint8_t* PIXELS, int32_t W, int32_t H, int32_t BPP, int32_t PITCH, void*) {
  ROWS r;
  if (!rows(PIXELS, W, H, BPP, PITCH, r)) return;
  const FILTERROWS& k = KERNELS(TABLE);
  for (int32_t y = 0; y < r.h; ++y) k.gray(r.row(y), r.w);
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
    out[c] = x < 0.0 ? 0u : (x > 255.0 ? 255u : static_cast<uint32_t>(DETAIL::ROUNDEVENFAST(x)));
  }
  // A line in 16-bit arithmetic where one gives the 256 results; otherwise
  // (at 100 the doubles round their many halves unevenly) nibble lookups
  // where the level has byte shuffles, or a table.
  const FILTERROWS& k = KERNELS(TABLE);
  LINE line;
  if (fitline(out, f, line)) {
    for (int32_t y = 0; y < r.h; ++y) k.line(r.row(y), r.w, line);
    return;
  }
#ifdef ZARVO_SIMD_X86
  STEEP steep;
  if (k.steep && steeptables(out, steep)) {
    for (int32_t y = 0; y < r.h; ++y) k.steep(r.row(y), r.w, steep);
    return;
  }
  if (k.steepfixed && fixedfits(out)) {
    for (int32_t y = 0; y < r.h; ++y) k.steepfixed(r.row(y), r.w);
    return;
  }
#endif
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
  // Rows are copied just ahead of their use, so the copy and the image stay
  // in cache. A point beyond the copied rows names a row not yet written (and
  // reads nothing from the copy); that row is copied, and the current row
  // (whose own old values are in the copy already) runs again.
  constexpr int32_t AHEAD = 8;
  const FILTERROWS& k = KERNELS(TABLE);
  const uint32_t uw = static_cast<uint32_t>(W), uh = static_cast<uint32_t>(H);
  int32_t copied = 0;
  const auto fill = [&](int64_t upto) {
    for (; copied < upto && copied < H; ++copied)
      std::memcpy(copy + static_cast<size_t>(copied) * uw, r.row(copied), size_t{uw} * 4);
  };
  for (int32_t y = 0; y < r.h; ++y) {
    fill(int64_t{y} + 1 + AHEAD);
    for (;;) {
      const uint32_t top = k.offsetmap(r.row(y), PARAM + static_cast<size_t>(y) * uw, copy, W, uw,
                                       uh, static_cast<uint32_t>(y), static_cast<uint32_t>(copied));
      if (int64_t{top} < copied) break;
      fill(int64_t{top} + 1 + AHEAD);
    }
  }
  std::free(copy);
}

void FLIP(uint8_t* PIXELS, int32_t W, int32_t H, int32_t BPP, int32_t PITCH, const int32_t* PARAM) {
  ROWS r;
  if (!PARAM || !rows(PIXELS, W, H, BPP, PITCH, r)) return;
  const bool across = (*PARAM & 1) != 0, down = (*PARAM & 2) != 0;
  const FILTERROWS& k = KERNELS(TABLE);
  // Mirroring is its own inverse: exchange pixels pairwise, with no copy.
  if (down) {
    for (int32_t y = 0; y < r.h / 2; ++y) {
      if (across)
        k.swapreversed(r.row(y), r.row(r.h - 1 - y), r.w);
      else
        k.swaprows(r.row(y), r.row(r.h - 1 - y), r.w);
    }
    if (across && r.h % 2) reverserow(k, r.row(r.h / 2), r.w);
  } else if (across) {
    for (int32_t y = 0; y < r.h; ++y) reverserow(k, r.row(y), r.w);
  }
}

int USEKERNELS(int level) {
  using namespace RUNTIME;
#ifdef ZARVO_SIMD_X86
  const int mapped = level < 0 ? -1 : level >= 2 ? AVX2 : level == 1 ? SSE2 : PORTABLE;
  const int now = SIMDLEVEL(mapped);
  return now == AVX2 ? 2 : now == PORTABLE ? 0 : 1;
#else
  SIMDLEVEL(level < 0 ? -1 : PORTABLE);
  return 0;
#endif
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
    case BITMAPFILTER::GXINVERT:
      FILTER::INVERT(px, w, h, bpp, pitch, PARAM);
      break;
    case BITMAPFILTER::GXGRAYSCALE:
      FILTER::GRAYSCALE(px, w, h, bpp, pitch, PARAM);
      break;
    case BITMAPFILTER::GXBRIGHTNESS:
      FILTER::BRIGHTNESS(px, w, h, bpp, pitch, readint());
      break;
    case BITMAPFILTER::GXCONTRAST:
      FILTER::CONTRAST(px, w, h, bpp, pitch, readint());
      break;
    case BITMAPFILTER::GXREDCHANNEL:
      applyoffsets(px, w, h, bpp, pitch, 0, -255, -255);
      break;
    case BITMAPFILTER::GXGREENCHANNEL:
      applyoffsets(px, w, h, bpp, pitch, -255, 0, -255);
      break;
    case BITMAPFILTER::GXBLUECHANNEL:
      applyoffsets(px, w, h, bpp, pitch, -255, -255, 0);
      break;
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
    default:
      break;  // GXNONE and values outside the enumeration
  }
}

}  // namespace ZARVO::GRAPHICS
