#include "zarvo/runtime/pixelrows.hpp"

#include <algorithm>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "zarvo/runtime/multiversion.hpp"

namespace ZARVO::RUNTIME {

namespace {
inline uint32_t ismask(uint32_t s) { return (s & 0x00FFFFFFu) == 0x00FF00FFu; }
}  // namespace

namespace {

#if defined(__x86_64__) && defined(__GNUC__)
// Eight pixels at a time; byte lanes stay in order because unpack and pack
// both work within each 128-bit half. f is the factor's size, 0 to 256; a
// negative factor subtracts ceil(s.c * f / 256), which is the floor of the
// negative product, computed as (s.c * f + 255) >> 8 (at most 65535).
template <bool SUBTRACT>
__attribute__((target("avx2"))) int32_t addavx2(const uint32_t* s, uint32_t* d, int32_t n,
                                               uint32_t f) {
  const __m256i vf = _mm256_set1_epi16(static_cast<int16_t>(f));
  const __m256i up = _mm256_set1_epi16(SUBTRACT ? 255 : 0);
  const __m256i zero = _mm256_setzero_si256();
  const __m256i low24 = _mm256_set1_epi32(0x00FFFFFF);
  const __m256i magenta = _mm256_set1_epi32(0x00FF00FF);
  int32_t i = 0;
  for (; i + 8 <= n; i += 8) {
    const __m256i vs = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i));
    const __m256i vd = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + i));
    const __m256i lo = _mm256_srli_epi16(
        _mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpacklo_epi8(vs, zero), vf), up), 8);
    const __m256i hi = _mm256_srli_epi16(
        _mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpackhi_epi8(vs, zero), vf), up), 8);
    const __m256i part = _mm256_packus_epi16(lo, hi);
    const __m256i sum = SUBTRACT ? _mm256_subs_epu8(vd, part) : _mm256_adds_epu8(vd, part);
    const __m256i keep = _mm256_cmpeq_epi32(_mm256_and_si256(vs, low24), magenta);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i), _mm256_blendv_epi8(sum, vd, keep));
  }
  return i;
}

// Per byte (d (256 - k) + s k) >> 8 with k per pixel (its alpha) or constant;
// every sum stays below 65536, so 16-bit lanes hold it exactly.
template <bool PERPIXEL, bool SKIPMASK>
__attribute__((target("avx2"))) int32_t mixavx2(const uint32_t* s, uint32_t* d, int32_t n,
                                               uint32_t k) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i v256 = _mm256_set1_epi16(256);
  const __m256i vk = _mm256_set1_epi16(static_cast<int16_t>(k));
  // Spreads each pixel's alpha word over its four channel words.
  const __m256i spread = _mm256_setr_epi8(6, 7, 6, 7, 6, 7, 6, 7, 14, 15, 14, 15, 14, 15, 14, 15,
                                          6, 7, 6, 7, 6, 7, 6, 7, 14, 15, 14, 15, 14, 15, 14, 15);
  const __m256i low24 = _mm256_set1_epi32(0x00FFFFFF);
  const __m256i magenta = _mm256_set1_epi32(0x00FF00FF);
  int32_t i = 0;
  for (; i + 8 <= n; i += 8) {
    const __m256i vs = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i));
    const __m256i vd = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + i));
    const __m256i slo = _mm256_unpacklo_epi8(vs, zero), shi = _mm256_unpackhi_epi8(vs, zero);
    const __m256i dlo = _mm256_unpacklo_epi8(vd, zero), dhi = _mm256_unpackhi_epi8(vd, zero);
    __m256i klo = vk, khi = vk;
    if (PERPIXEL) {
      klo = _mm256_shuffle_epi8(slo, spread);
      khi = _mm256_shuffle_epi8(shi, spread);
    }
    const __m256i rlo = _mm256_srli_epi16(
        _mm256_add_epi16(_mm256_mullo_epi16(dlo, _mm256_sub_epi16(v256, klo)),
                         _mm256_mullo_epi16(slo, klo)),
        8);
    const __m256i rhi = _mm256_srli_epi16(
        _mm256_add_epi16(_mm256_mullo_epi16(dhi, _mm256_sub_epi16(v256, khi)),
                         _mm256_mullo_epi16(shi, khi)),
        8);
    __m256i r = _mm256_packus_epi16(rlo, rhi);
    if (SKIPMASK) {
      const __m256i keep = _mm256_cmpeq_epi32(_mm256_and_si256(vs, low24), magenta);
      r = _mm256_blendv_epi8(r, vd, keep);
    }
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i), r);
  }
  return i;
}

bool avx2allowed = true;

bool hasavx2() {
  static const bool yes = __builtin_cpu_supports("avx2");
  return yes && avx2allowed;
}
#endif

}  // namespace

void USEAVX2(bool allowed) {
#if defined(__x86_64__) && defined(__GNUC__)
  avx2allowed = allowed;
#else
  (void)allowed;
#endif
}

void FILLROW(uint32_t* d, size_t n, uint32_t c) { std::fill(d, d + n, c); }

ZARVO_MULTIVERSION void ROWPRESET(const uint32_t* __restrict s, uint32_t* __restrict d,
                                  int32_t n) {
  for (int32_t i = 0; i < n; ++i) d[i] = ~s[i];
}

ZARVO_MULTIVERSION void ROWAND(const uint32_t* __restrict s, uint32_t* __restrict d, int32_t n) {
  for (int32_t i = 0; i < n; ++i) d[i] &= s[i];
}

ZARVO_MULTIVERSION void ROWOR(const uint32_t* __restrict s, uint32_t* __restrict d, int32_t n) {
  for (int32_t i = 0; i < n; ++i) d[i] |= s[i];
}

ZARVO_MULTIVERSION void ROWXOR(const uint32_t* __restrict s, uint32_t* __restrict d, int32_t n) {
  for (int32_t i = 0; i < n; ++i) d[i] ^= s[i];
}

ZARVO_MULTIVERSION void ROWTRANS(const uint32_t* __restrict s, uint32_t* __restrict d,
                                 int32_t n) {
  for (int32_t i = 0; i < n; ++i) {
    const uint32_t v = s[i];
    d[i] = ismask(v) ? d[i] : (v & 0x00FFFFFFu);
  }
}

void ROWALPHA(const uint32_t* __restrict s, uint32_t* __restrict d, int32_t n) {
  int32_t i = 0;
#if defined(__x86_64__) && defined(__GNUC__)
  if (hasavx2()) i = mixavx2<true, false>(s, d, n, 0);
#endif
  for (; i < n; ++i) d[i] = MIXPIXEL(s[i], d[i], s[i] >> 24);
}


#if defined(__SSE2__)
// Four pixels at a time: 16-bit products, a saturating byte add (or subtract,
// as in the AVX2 loop), and the mask-colour pixels kept. Exactly the
// per-pixel rule.
template <bool SUBTRACT>
int32_t addsse2(const uint32_t* s, uint32_t* d, int32_t i, int32_t n, uint32_t f) {
  const __m128i vf = _mm_set1_epi16(static_cast<int16_t>(f));
  const __m128i up = _mm_set1_epi16(SUBTRACT ? 255 : 0);
  const __m128i zero = _mm_setzero_si128();
  const __m128i low24 = _mm_set1_epi32(0x00FFFFFF);
  const __m128i magenta = _mm_set1_epi32(0x00FF00FF);
  for (; i + 4 <= n; i += 4) {
    const __m128i vs = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    const __m128i vd = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
    const __m128i lo =
        _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(vs, zero), vf), up), 8);
    const __m128i hi =
        _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(vs, zero), vf), up), 8);
    const __m128i part = _mm_packus_epi16(lo, hi);
    const __m128i sum = SUBTRACT ? _mm_subs_epu8(vd, part) : _mm_adds_epu8(vd, part);
    const __m128i keep = _mm_cmpeq_epi32(_mm_and_si128(vs, low24), magenta);
    const __m128i r = _mm_or_si128(_mm_and_si128(keep, vd), _mm_andnot_si128(keep, sum));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), r);
  }
  return i;
}
#endif

void ROWADD(const uint32_t* __restrict s, uint32_t* __restrict d, int32_t n, int32_t a) {
  // The vector loops take factors -256 to 256, whose products fit 16 bits;
  // larger ones (which saturate or clear almost every byte) go pixel by pixel.
  const bool subtract = a < 0;
  const uint32_t f = subtract ? 0u - static_cast<uint32_t>(a) : static_cast<uint32_t>(a);
  int32_t i = 0;
  if (f <= 256) {
#if defined(__x86_64__) && defined(__GNUC__)
    if (hasavx2()) i = subtract ? addavx2<true>(s, d, n, f) : addavx2<false>(s, d, n, f);
#endif
#if defined(__SSE2__)
    i = subtract ? addsse2<true>(s, d, i, n, f) : addsse2<false>(s, d, i, n, f);
#endif
  }
  for (; i < n; ++i) d[i] = ismask(s[i]) ? d[i] : ADDPIXEL(s[i], d[i], a);
}

void ROWBLEND(const uint32_t* __restrict s, uint32_t* __restrict d, int32_t n, int32_t k) {
  ZARVO_ASSERT(k >= 1 && k <= 256);
  const uint32_t kk = static_cast<uint32_t>(k);
  int32_t i = 0;
#if defined(__x86_64__) && defined(__GNUC__)
  if (hasavx2()) i = mixavx2<false, true>(s, d, n, kk);
#endif
  for (; i < n; ++i) d[i] = ismask(s[i]) ? d[i] : MIXPIXEL(s[i], d[i], kk);
}

}  // namespace ZARVO::RUNTIME
