// BITMAP::RESIZE: nearest-neighbour and bilinear scaling, and tiling.
//
// Bilinear works in two passes: a horizontal pass turns a source row into a
// row of 16-bit channel sums (kept while the following new rows still use
// that source row), and a vertical pass mixes two such rows into each new
// row. With the rounding done once, at the end, the two passes give exactly
// the one-step rule in resize.hpp. Neighbourhoods with a mask-colour pixel
// are patched afterwards: inside a keyed area (four masks) with the nearest
// pixel, at its edges with the per-pixel rule.
#include "zarvo/graphics/resize.hpp"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

#include "zarvo/graphics/bitmap.hpp"
#include "zarvo/runtime/image.hpp"
#include "zarvo/runtime/simd.hpp"

#ifdef ZARVO_SIMD_X86
#include <immintrin.h>
#endif

namespace ZARVO::GRAPHICS {

using namespace RUNTIME;

namespace {

template <class T>
T* row(IMAGE* img, uint32_t y) {
  return reinterpret_cast<T*>(PIXELS(img) + static_cast<size_t>(y) * img->PITCH);
}
template <class T>
const T* row(const IMAGE* img, uint32_t y) {
  return reinterpret_cast<const T*>(PIXELS(img) + static_cast<size_t>(y) * img->PITCH);
}

template <class T>
std::unique_ptr<T[]> scratch(size_t n) {
  return std::unique_ptr<T[]>(new (std::nothrow) T[n]);
}

// ---- Nearest neighbour -------------------------------------------------

ZARVO_INLINE void gatherbody(uint32_t* __restrict d, const uint32_t* __restrict s,
                             const uint32_t* __restrict xs, uint32_t n) {
  for (uint32_t i = 0; i < n; ++i) d[i] = s[xs[i]];
}
void gatherportable(uint32_t* __restrict d, const uint32_t* __restrict s,
                    const uint32_t* __restrict xs, uint32_t n) {
  gatherbody(d, s, xs, n);
}
#ifdef ZARVO_SIMD_X86
ZARVO_TARGET_AVX2 void gatheravx2(uint32_t* __restrict d, const uint32_t* __restrict s,
                                  const uint32_t* __restrict xs, uint32_t n) {
  gatherbody(d, s, xs, n);
}
#endif

// ---- Bilinear: the rule ------------------------------------------------

// Where a new column (or row) i samples an old axis of n pixels when it
// becomes m: two neighbours and the weight of the second, 0..255.
struct TAP {
  uint32_t a, b, w;
};

// The centre of new pixel i lies at ((2i + 1) n - m) / 2m in old pixels;
// worked out in integers so that a weight exactly halfway rounds up on every
// machine (the same sum in doubles could land either side of the half).
TAP tap(uint32_t i, uint32_t n, uint32_t m) {
  const int64_t num = (2 * static_cast<int64_t>(i) + 1) * n - m;
  if (num <= 0) return {0, 0, 0};
  const uint64_t den = 2 * static_cast<uint64_t>(m);
  uint64_t a = static_cast<uint64_t>(num) / den;
  const uint64_t r = static_cast<uint64_t>(num) % den;
  uint32_t w = static_cast<uint32_t>((512 * r + den) / (2 * den));
  if (w == 256) {
    ++a;
    w = 0;
  }
  if (a + 1 >= n) return {n - 1, n - 1, 0};
  // A neighbour of weight 0 is not read, so a mask pixel there changes nothing.
  return {static_cast<uint32_t>(a), static_cast<uint32_t>(a) + (w ? 1 : 0), w};
}

inline uint32_t channel(uint32_t p, int c) { return (p >> c) & 255u; }

// One new pixel from its four neighbours (rows 0 and 1, columns a and b).
// A neighbour of weight 0 is always a repeat of one with weight (tap() gives
// b = a then), so the total left after the mask pixels is 0 only when all
// four are masks: then the nearest is copied, ties going to the first.
uint32_t bilinearpixel(uint32_t p00, uint32_t p10, uint32_t p01, uint32_t p11, uint32_t wx,
                       uint32_t wy) {
  const uint32_t p[4] = {p00, p10, p01, p11};
  if (ISMASK(p00) & ISMASK(p10) & ISMASK(p01) & ISMASK(p11))
    return p[(wx > 128 ? 1 : 0) + (wy > 128 ? 2 : 0)];
  uint32_t w[4] = {(256 - wx) * (256 - wy), wx * (256 - wy), (256 - wx) * wy, wx * wy};
  uint32_t total = 0;
  for (int k = 0; k < 4; ++k) {
    if (ISMASK(p[k])) w[k] = 0;
    total += w[k];
  }
  uint32_t out = 0;
  for (int c = 0; c < 32; c += 8) {
    uint32_t v = 0;
    for (int k = 0; k < 4; ++k) v += w[k] * channel(p[k], c);
    out |= ((v + total / 2) / total) << c;
  }
  return out;
}

// ---- Bilinear: the row kernels -----------------------------------------

// The new columns for the horizontal kernels, in two arrays so that the
// weights load whole: column x reads the pair of old pixels s[i[x]],
// s[i[x] + 1] (both always inside the row) with weights wt[x] = w0 | w1 << 16,
// w0 + w1 = 256. The right edge, one old pixel at full weight, reads as the
// pair ending there with weights 0 and 256.

// Row sums are stored as sum - 32768 (int16): the vertical multiply-add then
// works on signed 16-bit lanes, and the bias comes back as a constant.
constexpr int32_t BIAS = 32768;
constexpr int32_t VROUND = (BIAS << 8) + 32768;

// The four bytes of a pixel in four 16-bit lanes, blue lowest.
inline uint64_t spread(uint32_t p) {
  uint64_t v = p;
  v = (v | (v << 16)) & 0x0000FFFF0000FFFFull;
  return (v | (v << 8)) & 0x00FF00FF00FF00FFull;
}

// Each lane's sum stays below 65536, so two multiplies of the spread pixels
// make all four sums without carries between lanes. Lanes are stored in
// order: pixels are little-endian, so the rows match the SIMD kernels'.
ZARVO_INLINE void hbody(const uint32_t* __restrict s, int16_t* __restrict h,
                        const uint32_t* __restrict i, const uint32_t* __restrict wt, uint32_t n) {
  for (uint32_t x = 0; x < n; ++x) {
    const uint64_t v = spread(s[i[x]]) * (wt[x] & 0xFFFF) + spread(s[i[x] + 1]) * (wt[x] >> 16);
    const uint64_t biased = v ^ 0x8000800080008000ull;  // sum - 32768 in each lane
    std::memcpy(h + 4 * x, &biased, sizeof biased);
  }
}

ZARVO_INLINE void vbody(const int16_t* __restrict h0, const int16_t* __restrict h1,
                        uint32_t* __restrict d, uint32_t n, uint32_t wy) {
  // 16-bit weights, so the vectoriser may use 16 x 16 -> 32-bit multiplies.
  const int16_t w0 = static_cast<int16_t>(256 - wy), w1 = static_cast<int16_t>(wy);
  uint8_t* b = reinterpret_cast<uint8_t*>(d);
  for (uint32_t k = 0; k < 4 * n; ++k)
    b[k] = static_cast<uint8_t>((h0[k] * w0 + h1[k] * w1 + VROUND) >> 16);
}

void hportable(const uint32_t* __restrict s, int16_t* __restrict h, const uint32_t* __restrict i,
               const uint32_t* __restrict wt, uint32_t n) {
  hbody(s, h, i, wt, n);
}
// One new row from two horizontal rows, or two new rows (d1 not null) that
// mix the same two with different weights.
void vportable(const int16_t* __restrict h0, const int16_t* __restrict h1, uint32_t* __restrict d0,
               uint32_t wy0, uint32_t* __restrict d1, uint32_t wy1, uint32_t n) {
  vbody(h0, h1, d0, n, wy0);
  if (d1) vbody(h0, h1, d1, n, wy1);
}

#ifdef ZARVO_SIMD_X86

// Two pairs of old pixels in one register.
inline __m128i pairssse2(const uint32_t* s, uint32_t i, uint32_t j) {
  const __m128d lo = _mm_castsi128_pd(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(s + i)));
  return _mm_castpd_si128(_mm_loadh_pd(lo, reinterpret_cast<const double*>(s + j)));
}

// SSE2, two new pixels a step: each pair's bytes interleaved (a0 b0 a1 b1 ...),
// widened to words and multiplied-added with (w0, w1).
void hsse2(const uint32_t* __restrict s, int16_t* __restrict h, const uint32_t* __restrict i,
           const uint32_t* __restrict wt, uint32_t n) {
  const __m128i zero = _mm_setzero_si128(), bias = _mm_set1_epi32(-BIAS);
  uint32_t x = 0;
  for (; x + 2 <= n; x += 2) {
    const __m128i both = pairssse2(s, i[x], i[x + 1]);  // a0 b0 | a1 b1 (pixels)
    // a0 a1 b0 b1 as pixels, then bytes of a and b interleaved per pair.
    const __m128i sw = _mm_shuffle_epi32(both, _MM_SHUFFLE(3, 1, 2, 0));
    const __m128i il = _mm_unpacklo_epi8(sw, _mm_srli_si128(sw, 8));
    __m128i m0 = _mm_madd_epi16(_mm_unpacklo_epi8(il, zero), _mm_set1_epi32(int(wt[x])));
    __m128i m1 = _mm_madd_epi16(_mm_unpackhi_epi8(il, zero), _mm_set1_epi32(int(wt[x + 1])));
    m0 = _mm_add_epi32(m0, bias);
    m1 = _mm_add_epi32(m1, bias);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(h + 4 * x), _mm_packs_epi32(m0, m1));
  }
  hbody(s, h + 4 * x, i + x, wt + x, n - x);
}

// SSE2, four new pixels a step: words of the two rows interleaved and
// multiplied-added with (256 - wy, wy); the interleaving serves both new rows
// when a second one mixes the same two rows.
inline __m128i vmixsse2(__m128i lo, __m128i hi, __m128i w, __m128i round) {
  lo = _mm_srli_epi32(_mm_add_epi32(_mm_madd_epi16(lo, w), round), 16);
  hi = _mm_srli_epi32(_mm_add_epi32(_mm_madd_epi16(hi, w), round), 16);
  return _mm_packs_epi32(lo, hi);
}

void vsse2(const int16_t* __restrict h0, const int16_t* __restrict h1, uint32_t* __restrict d0,
           uint32_t wy0, uint32_t* __restrict d1, uint32_t wy1, uint32_t n) {
  const __m128i w0 = _mm_set1_epi32(int((256 - wy0) | (wy0 << 16)));
  const __m128i w1 = _mm_set1_epi32(int((256 - wy1) | (wy1 << 16)));
  const __m128i round = _mm_set1_epi32(VROUND);
  uint32_t x = 0;
  for (; x + 4 <= n; x += 4) {
    const __m128i* a = reinterpret_cast<const __m128i*>(h0 + 4 * x);
    const __m128i* b = reinterpret_cast<const __m128i*>(h1 + 4 * x);
    const __m128i a0 = _mm_loadu_si128(a), b0 = _mm_loadu_si128(b);
    const __m128i a1 = _mm_loadu_si128(a + 1), b1 = _mm_loadu_si128(b + 1);
    const __m128i u0 = _mm_unpacklo_epi16(a0, b0), u1 = _mm_unpackhi_epi16(a0, b0);
    const __m128i u2 = _mm_unpacklo_epi16(a1, b1), u3 = _mm_unpackhi_epi16(a1, b1);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d0 + x),
                     _mm_packus_epi16(vmixsse2(u0, u1, w0, round), vmixsse2(u2, u3, w0, round)));
    if (d1)
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d1 + x),
                       _mm_packus_epi16(vmixsse2(u0, u1, w1, round), vmixsse2(u2, u3, w1, round)));
  }
  vbody(h0 + 4 * x, h1 + 4 * x, d0 + x, n - x, wy0);
  if (d1) vbody(h0 + 4 * x, h1 + 4 * x, d1 + x, n - x, wy1);
}

// AVX2, four new pixels a step: the four pairs in one register, widened by a
// byte shuffle into (a, b) words, each pixel's weights spread by a permute.
ZARVO_TARGET_AVX2 void havx2(const uint32_t* __restrict s, int16_t* __restrict h,
                             const uint32_t* __restrict i, const uint32_t* __restrict wt,
                             uint32_t n) {
  const __m256i bias = _mm256_set1_epi32(-BIAS);
  // clang-format off
  const __m256i first = _mm256_setr_epi8(0, -1, 4, -1, 1, -1, 5, -1, 2, -1, 6, -1, 3, -1, 7, -1,
                                         0, -1, 4, -1, 1, -1, 5, -1, 2, -1, 6, -1, 3, -1, 7, -1);
  const __m256i second = _mm256_setr_epi8(8, -1, 12, -1, 9, -1, 13, -1, 10, -1, 14, -1, 11, -1, 15, -1,
                                          8, -1, 12, -1, 9, -1, 13, -1, 10, -1, 14, -1, 11, -1, 15, -1);
  // clang-format on
  const __m256i spread0 = _mm256_setr_epi32(0, 0, 0, 0, 2, 2, 2, 2);
  const __m256i spread1 = _mm256_setr_epi32(1, 1, 1, 1, 3, 3, 3, 3);
  uint32_t x = 0;
  for (; x + 4 <= n; x += 4) {
    const __m256i v = _mm256_inserti128_si256(_mm256_castsi128_si256(pairssse2(s, i[x], i[x + 1])),
                                              pairssse2(s, i[x + 2], i[x + 3]), 1);
    const __m256i w =
        _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(wt + x)));
    __m256i m0 = _mm256_madd_epi16(_mm256_shuffle_epi8(v, first),
                                   _mm256_permutevar8x32_epi32(w, spread0));  // pixels 0 | 2
    __m256i m1 = _mm256_madd_epi16(_mm256_shuffle_epi8(v, second),
                                   _mm256_permutevar8x32_epi32(w, spread1));  // pixels 1 | 3
    m0 = _mm256_add_epi32(m0, bias);
    m1 = _mm256_add_epi32(m1, bias);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(h + 4 * x), _mm256_packs_epi32(m0, m1));
  }
  hbody(s, h + 4 * x, i + x, wt + x, n - x);
}

// Sixteen channels mixed from their interleaved words: the new bytes as
// words, in order.
ZARVO_TARGET_AVX2 ZARVO_INLINE __m256i vmixavx2(__m256i lo, __m256i hi, __m256i w, __m256i round) {
  lo = _mm256_srli_epi32(_mm256_add_epi32(_mm256_madd_epi16(lo, w), round), 16);
  hi = _mm256_srli_epi32(_mm256_add_epi32(_mm256_madd_epi16(hi, w), round), 16);
  return _mm256_packs_epi32(lo, hi);
}

// Eight new pixels from two groups of sixteen; the in-lane packs leave the
// 64-bit quarters as 0 2 1 3, which one permute puts back.
ZARVO_TARGET_AVX2 ZARVO_INLINE void vstoreavx2(uint32_t* d, const __m256i (&u)[4], __m256i w,
                                               __m256i round) {
  const __m256i p =
      _mm256_packus_epi16(vmixavx2(u[0], u[1], w, round), vmixavx2(u[2], u[3], w, round));
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(d),
                      _mm256_permute4x64_epi64(p, _MM_SHUFFLE(3, 1, 2, 0)));
}

// AVX2, eight new pixels a step, the interleaving shared by both new rows.
ZARVO_TARGET_AVX2 void vavx2(const int16_t* __restrict h0, const int16_t* __restrict h1,
                             uint32_t* __restrict d0, uint32_t wy0, uint32_t* __restrict d1,
                             uint32_t wy1, uint32_t n) {
  const __m256i w0 = _mm256_set1_epi32(int((256 - wy0) | (wy0 << 16)));
  const __m256i w1 = _mm256_set1_epi32(int((256 - wy1) | (wy1 << 16)));
  const __m256i round = _mm256_set1_epi32(VROUND);
  uint32_t x = 0;
  for (; x + 8 <= n; x += 8) {
    const __m256i* a = reinterpret_cast<const __m256i*>(h0 + 4 * x);
    const __m256i* b = reinterpret_cast<const __m256i*>(h1 + 4 * x);
    const __m256i a0 = _mm256_loadu_si256(a), b0 = _mm256_loadu_si256(b);
    const __m256i a1 = _mm256_loadu_si256(a + 1), b1 = _mm256_loadu_si256(b + 1);
    const __m256i u[4] = {_mm256_unpacklo_epi16(a0, b0), _mm256_unpackhi_epi16(a0, b0),
                          _mm256_unpacklo_epi16(a1, b1), _mm256_unpackhi_epi16(a1, b1)};
    vstoreavx2(d0 + x, u, w0, round);
    if (d1) vstoreavx2(d1 + x, u, w1, round);
  }
  vbody(h0 + 4 * x, h1 + 4 * x, d0 + x, n - x, wy0);
  if (d1) vbody(h0 + 4 * x, h1 + 4 * x, d1 + x, n - x, wy1);
}

#endif  // ZARVO_SIMD_X86

// Whether a row has a mask-colour pixel: a count, so that it vectorises.
ZARVO_INLINE bool anymaskbody(const uint32_t* __restrict s, uint32_t n) {
  uint32_t count = 0;
  for (uint32_t x = 0; x < n; ++x) count += (s[x] & 0xFFFFFFu) == 0xFF00FFu;
  return count != 0;
}
bool anymaskportable(const uint32_t* __restrict s, uint32_t n) { return anymaskbody(s, n); }
#ifdef ZARVO_SIMD_X86
ZARVO_TARGET_AVX2 bool anymaskavx2(const uint32_t* __restrict s, uint32_t n) {
  return anymaskbody(s, n);
}
#endif

struct RESIZEROWS {
  void (*gather)(uint32_t*, const uint32_t*, const uint32_t*, uint32_t);
  bool (*anymask)(const uint32_t*, uint32_t);
  void (*hpass)(const uint32_t*, int16_t*, const uint32_t*, const uint32_t*, uint32_t);
  void (*vpass)(const int16_t*, const int16_t*, uint32_t*, uint32_t, uint32_t*, uint32_t, uint32_t);
};

const RESIZEROWS TABLE[SIMDLEVELS] = {
    {gatherportable, anymaskportable, hportable, vportable},
#ifdef ZARVO_SIMD_X86
    {gatherportable, anymaskportable, hsse2, vsse2},
    {gatherportable, anymaskportable, hsse2, vsse2},
    {gatheravx2, anymaskavx2, havx2, vavx2},
#endif
};

// ---- Nearest and bilinear over whole images ----------------------------

template <class T>
void gather(T* __restrict d, const T* __restrict s, const uint32_t* __restrict xs, uint32_t n) {
  if constexpr (sizeof(T) == 4)
    KERNELS(TABLE).gather(d, s, xs, n);
  else
    for (uint32_t i = 0; i < n; ++i) d[i] = s[xs[i]];
}

// Old column or row floor(i * factor), factor = old / new in double. The
// product stays below old size, the bound only guards the arithmetic.
inline uint32_t scaled(uint32_t i, double factor, uint32_t old) {
  const uint32_t v = static_cast<uint32_t>(static_cast<double>(i) * factor);
  return v < old ? v : old - 1;
}

template <class T>
void nearest(const IMAGE* s, IMAGE* d) {
  const uint32_t sw = s->WIDTH, sh = s->HEIGHT, dw = d->WIDTH, dh = d->HEIGHT;
  const double fx = static_cast<double>(sw) / dw, fy = static_cast<double>(sh) / dh;
  auto xs = scratch<uint32_t>(dw);
  if (xs)
    for (uint32_t x = 0; x < dw; ++x) xs[x] = scaled(x, fx, sw);
  uint32_t last = UINT32_MAX;
  for (uint32_t y = 0; y < dh; ++y) {
    const uint32_t sy = scaled(y, fy, sh);
    T* out = row<T>(d, y);
    const T* in = row<T>(s, sy);
    if (sy == last) {
      // Enlarging repeats source rows: copy the row just made.
      std::memcpy(out, row<T>(d, y - 1), static_cast<size_t>(dw) * sizeof(T));
    } else if (sw == dw) {
      std::memcpy(out, in, static_cast<size_t>(dw) * sizeof(T));
    } else if (xs) {
      gather(out, in, xs.get(), dw);
    } else {
      for (uint32_t x = 0; x < dw; ++x) out[x] = in[scaled(x, fx, sw)];
    }
    last = sy;
  }
}

// Without memory for the row buffers: the rule, one pixel at a time.
void bilinearbypixel(const IMAGE* s, IMAGE* d) {
  const uint32_t sw = s->WIDTH, sh = s->HEIGHT, dw = d->WIDTH, dh = d->HEIGHT;
  for (uint32_t y = 0; y < dh; ++y) {
    const TAP ty = tap(y, sh, dh);
    const uint32_t* r0 = row<uint32_t>(s, ty.a);
    const uint32_t* r1 = row<uint32_t>(s, ty.b);
    uint32_t* out = row<uint32_t>(d, y);
    for (uint32_t x = 0; x < dw; ++x) {
      const TAP tx = tap(x, sw, dw);
      out[x] = bilinearpixel(r0[tx.a], r0[tx.b], r1[tx.a], r1[tx.b], tx.w, ty.w);
    }
  }
}

// Per new column of an old row: bit 0 when either neighbour is a mask pixel,
// bit 1 when both are.
constexpr uint8_t ANYMASK = 1, ALLMASK = 2;

// Two cached horizontal rows. A row with mask pixels also keeps the mask
// flags of its new columns and its nearest old pixel per new column.
class ROWCACHE {
 public:
  ROWCACHE(const IMAGE* s, const TAP* cols, const uint32_t* hi, const uint32_t* hw,
           const uint32_t* nx, uint32_t dw)
      : s_(s),
        cols_(cols),
        hi_(hi),
        hw_(hw),
        nx_(nx),
        dw_(dw),
        sums_(scratch<int16_t>(8 * static_cast<size_t>(dw))),
        flags_(scratch<uint8_t>(3 * static_cast<size_t>(dw))),
        near_(scratch<uint32_t>(2 * static_cast<size_t>(dw))),
        masks_(scratch<uint8_t>(s->WIDTH)) {
    // The third set of flags, all clear, stands for a row without masks.
    if (flags_) std::memset(flags_.get() + 2 * static_cast<size_t>(dw), 0, dw);
  }
  bool ok() const { return sums_ && flags_ && near_ && masks_; }

  // The slots holding old rows a and b (the same when a = b), made as needed;
  // a row still wanted is never the one replaced.
  void get(uint32_t a, uint32_t b, int& ka, int& kb) {
    ka = find(a);
    kb = find(b);
    if (ka < 0) make(ka = kb == 0 ? 1 : 0, a);
    if (kb < 0) make(kb = ka == 0 ? 1 : 0, b);
  }
  const int16_t* sums(int k) const { return sums_.get() + 4 * static_cast<size_t>(dw_) * k; }
  bool masked(int k) const { return masked_[k]; }
  const uint8_t* flags(int k) const {
    return flags_.get() + static_cast<size_t>(dw_) * (masked_[k] ? k : 2);
  }
  const uint32_t* nearest(int k) const { return near_.get() + static_cast<size_t>(dw_) * k; }

 private:
  int find(uint32_t sy) const {
    return held_[0] == int64_t{sy} ? 0 : held_[1] == int64_t{sy} ? 1 : -1;
  }
  void make(int k, uint32_t sy) {
    const uint32_t* in = row<uint32_t>(s_, sy);
    int16_t* h = sums_.get() + 4 * static_cast<size_t>(dw_) * k;
    if (s_->WIDTH == 1) {
      // No pair to read: every new column is the one old pixel at full weight.
      for (uint32_t x = 0; x < dw_; ++x)
        for (int c = 0; c < 4; ++c)
          h[4 * x + c] =
              static_cast<int16_t>(256 * static_cast<int32_t>(channel(in[0], 8 * c)) - BIAS);
    } else {
      KERNELS(TABLE).hpass(in, h, hi_, hw_, dw_);
    }
    held_[k] = sy;
    masked_[k] = KERNELS(TABLE).anymask(in, s_->WIDTH);
    if (!masked_[k]) return;
    uint8_t* m = masks_.get();
    for (uint32_t x = 0; x < s_->WIDTH; ++x) m[x] = ISMASK(in[x]);
    uint8_t* f = flags_.get() + static_cast<size_t>(dw_) * k;
    for (uint32_t x = 0; x < dw_; ++x) {
      const uint8_t ma = m[cols_[x].a], mb = m[cols_[x].b];
      f[x] = static_cast<uint8_t>((ma | mb) * ANYMASK | (ma & mb) * ALLMASK);
    }
    KERNELS(TABLE).gather(near_.get() + static_cast<size_t>(dw_) * k, in, nx_, dw_);
  }

  const IMAGE* s_;
  const TAP* cols_;
  const uint32_t *hi_, *hw_, *nx_;
  uint32_t dw_;
  std::unique_ptr<int16_t[]> sums_;
  std::unique_ptr<uint8_t[]> flags_;
  std::unique_ptr<uint32_t[]> near_;
  std::unique_ptr<uint8_t[]> masks_;
  int64_t held_[2] = {-1, -1};
  bool masked_[2] = {false, false};
};

// Where both rows' flags say all four neighbours are masks, the nearest one.
void copynearest(uint32_t* __restrict out, const uint32_t* __restrict near,
                 const uint8_t* __restrict f0, const uint8_t* __restrict f1, uint32_t n) {
  for (uint32_t x = 0; x < n; ++x) {
    const uint32_t all = 0u - static_cast<uint32_t>((f0[x] & f1[x] & ALLMASK) >> 1);
    out[x] = (near[x] & all) | (out[x] & ~all);
  }
}

// The first new column from x on with a mask pixel in reach but not four
// (n if none), eight flags at a time through the runs without.
uint32_t nextmixed(const uint8_t* f0, const uint8_t* f1, uint32_t x, uint32_t n) {
  constexpr uint64_t ANY8 = 0x0101010101010101ull * ANYMASK, ALL8 = ANY8 * ALLMASK;
  for (; x + 8 <= n; x += 8) {
    uint64_t a, b;
    std::memcpy(&a, f0 + x, 8);
    std::memcpy(&b, f1 + x, 8);
    if ((a | b) & ANY8 & ~((a & b & ALL8) / ALLMASK)) break;
  }
  for (; x < n; ++x)
    if (((f0[x] | f1[x]) & ANYMASK) && !(f0[x] & f1[x] & ALLMASK)) return x;
  return n;
}

void bilinear(const IMAGE* s, IMAGE* d) {
  const uint32_t sw = s->WIDTH, sh = s->HEIGHT, dw = d->WIDTH, dh = d->HEIGHT;
  auto cols = scratch<TAP>(dw);
  auto hi = scratch<uint32_t>(dw), hw = scratch<uint32_t>(dw), nx = scratch<uint32_t>(dw);
  if (!cols || !hi || !hw || !nx) return bilinearbypixel(s, d);
  for (uint32_t x = 0; x < dw; ++x) {
    const TAP t = cols[x] = tap(x, sw, dw);
    nx[x] = t.w > 128 ? t.b : t.a;
    if (sw == 1) {
      hi[x] = 0, hw[x] = 256;  // unused: a one-pixel row is widened directly
    } else if (t.a == t.b) {
      const bool last = t.a + 1 == sw;
      hi[x] = last ? t.a - 1 : t.a, hw[x] = last ? 256u << 16 : 256u;
    } else {
      hi[x] = t.a, hw[x] = (256 - t.w) | (t.w << 16);
    }
  }
  ROWCACHE cache(s, cols.get(), hi.get(), hw.get(), nx.get(), dw);
  if (!cache.ok()) return bilinearbypixel(s, d);
  // Neighbourhoods with a mask pixel: all four masks copy the nearest (a
  // select the compiler vectorises), the rest take the per-pixel rule.
  const auto patch = [&](uint32_t y, const TAP& ty, int k0, int k1) {
    if (!cache.masked(k0) && !cache.masked(k1)) return;
    const uint8_t *f0 = cache.flags(k0), *f1 = cache.flags(k1);
    uint32_t* out = row<uint32_t>(d, y);
    if (cache.masked(k0) && cache.masked(k1))
      copynearest(out, cache.nearest(ty.w > 128 ? k1 : k0), f0, f1, dw);
    const uint32_t* r0 = row<uint32_t>(s, ty.a);
    const uint32_t* r1 = row<uint32_t>(s, ty.b);
    for (uint32_t x = nextmixed(f0, f1, 0, dw); x < dw; x = nextmixed(f0, f1, x + 1, dw)) {
      const TAP& tx = cols[x];
      out[x] = bilinearpixel(r0[tx.a], r0[tx.b], r1[tx.a], r1[tx.b], tx.w, ty.w);
    }
  };
  const auto vpass = KERNELS(TABLE).vpass;
  TAP next = tap(0, sh, dh);
  for (uint32_t y = 0; y < dh;) {
    const TAP ty = next;
    int k0, k1;
    cache.get(ty.a, ty.b, k0, k1);
    // Enlarging, the next new row often mixes the same two old rows: both
    // are made from one reading of the horizontal rows.
    next = y + 1 < dh ? tap(y + 1, sh, dh) : TAP{};
    const bool two = y + 1 < dh && next.a == ty.a && next.b == ty.b;
    vpass(cache.sums(k0), cache.sums(k1), row<uint32_t>(d, y), ty.w,
          two ? row<uint32_t>(d, y + 1) : nullptr, next.w, dw);
    patch(y, ty, k0, k1);
    if (two) {
      patch(y + 1, next, k0, k1);
      next = y + 2 < dh ? tap(y + 2, sh, dh) : TAP{};
    }
    y += two ? 2 : 1;
  }
}

template <class T>
void tile(const IMAGE* s, IMAGE* d, bool across, bool down) {
  const uint32_t sw = s->WIDTH, sh = s->HEIGHT, dw = d->WIDTH, dh = d->HEIGHT;
  const uint32_t rows = down ? dh : std::min(sh, dh);
  for (uint32_t y = 0; y < rows; ++y) {
    const T* in = row<T>(s, y % sh);
    T* out = row<T>(d, y);
    if (!across) {
      std::memcpy(out, in, static_cast<size_t>(std::min(sw, dw)) * sizeof(T));
      continue;
    }
    for (uint32_t x = 0; x < dw; x += sw)
      std::memcpy(out + x, in, static_cast<size_t>(std::min(sw, dw - x)) * sizeof(T));
  }
}

template <class T>
void fill(const IMAGE* s, IMAGE* d, int32_t m) {
  const bool scalex = m & 4, scaley = m & 64, smooth = m & 256;
  const bool repeatx = m & 2, repeaty = m & 32;
  if (scalex && scaley) {
    if constexpr (sizeof(T) == 4) {
      if (smooth) return bilinear(s, d);
    }
    nearest<T>(s, d);  // other depths have no mask colour to blend around
  } else if (!scalex && !scaley && (repeatx || repeaty)) {
    tile<T>(s, d, repeatx, repeaty);
  }
}

}  // namespace

void BITMAP::RESIZE(int32_t W, int32_t H, RESIZEMETHOD METHOD) {
  // The old image is read in place and released once the new one is filled.
  IMAGE* old = IMGHANDLE;
  IMGHANDLE = nullptr;
  if (!old) {
    DESTROY();  // nothing to scale: an empty bitmap stays empty
    return;
  }
  // Scaling writes every pixel, so the fill with the mask colour would be
  // overwritten; the other methods keep it where they draw nothing.
  const int32_t m = static_cast<int32_t>(METHOD);
  const bool scaling = (m & 4) && (m & 64);
  DESTROY();
  if (IMAGE* img = scaling ? IMAGECREATEROWS(W, H, MASKCOLOR, old->BPP * 8)
                           : IMAGECREATE(W, H, MASKCOLOR, old->BPP * 8, 0)) {
    adopt(img);
    switch (IBPP) {
      case 4:
        fill<uint32_t>(old, IMGHANDLE, m);
        break;
      case 2:
        fill<uint16_t>(old, IMGHANDLE, m);
        break;
      default:
        fill<uint8_t>(old, IMGHANDLE, m);
        break;
    }
  }
  IMAGEDESTROY(old);
}

}  // namespace ZARVO::GRAPHICS
