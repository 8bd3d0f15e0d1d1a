#include "zarvo/runtime/pixelrows.hpp"

#include "zarvo/runtime/simd.hpp"

#ifdef ZARVO_SIMD_X86
#include <immintrin.h>
#endif

namespace ZARVO::RUNTIME {

namespace {

inline bool ismask(uint32_t s) { return (s & 0x00FFFFFFu) == 0x00FF00FFu; }

// ADD's vector loops take factors -256 to 256, whose products fit 16 bits;
// larger ones (which saturate or clear almost every byte) go pixel by pixel.
inline bool addfits(int32_t a) { return a >= -256 && a <= 256; }

void addpixels(const uint32_t* s, uint32_t* d, int32_t i, int32_t n, int32_t a) {
  for (; i < n; ++i) d[i] = ismask(s[i]) ? d[i] : ADDPIXEL(s[i], d[i], a);
}

// ---------------------------------------------------------------------------
// The plain loops: no branch per pixel, bytes in 16-bit arithmetic, so the
// compiler vectorises them with whatever the target has (SSE2 on any x86-64,
// NEON on aarch64). Rules that need a per-pixel value over the pixel's four
// bytes (its alpha, whether it is the mask colour) work on blocks of BLOCK
// pixels: one loop spreads the value over a small buffer, the next runs over
// the bytes.

constexpr int32_t BLOCK = 64;

// d * 256 + (s - d) * k is d (256 - k) + s k, a value from 0 to 65280 for
// bytes and k up to 256, so the product and the sum may wrap in 16 bits and
// still give it exactly; one multiply per byte instead of two.
ZARVO_INLINE uint8_t mixbyte(uint8_t s, uint8_t d, uint16_t k) {
  const uint16_t v = static_cast<uint16_t>((d << 8) + static_cast<uint16_t>((s - d) * k));
  return static_cast<uint8_t>(v >> 8);
}

ZARVO_INLINE void fillplain(uint32_t* __restrict d, size_t n, uint32_t c) {
  for (size_t i = 0; i < n; ++i) d[i] = c;
}

ZARVO_INLINE void presetplain(const uint32_t* __restrict s, uint32_t* __restrict d, int32_t n) {
  for (int32_t i = 0; i < n; ++i) d[i] = ~s[i];
}

ZARVO_INLINE void andplain(const uint32_t* __restrict s, uint32_t* __restrict d, int32_t n) {
  for (int32_t i = 0; i < n; ++i) d[i] &= s[i];
}

ZARVO_INLINE void orplain(const uint32_t* __restrict s, uint32_t* __restrict d, int32_t n) {
  for (int32_t i = 0; i < n; ++i) d[i] |= s[i];
}

ZARVO_INLINE void xorplain(const uint32_t* __restrict s, uint32_t* __restrict d, int32_t n) {
  for (int32_t i = 0; i < n; ++i) d[i] ^= s[i];
}

ZARVO_INLINE void transplain(const uint32_t* __restrict s, uint32_t* __restrict d, int32_t n) {
  for (int32_t i = 0; i < n; ++i) {
    const uint32_t v = s[i];
    d[i] = ismask(v) ? d[i] : (v & 0x00FFFFFFu);
  }
}

ZARVO_INLINE void alphaplain(const uint32_t* __restrict s, uint32_t* __restrict d, int32_t n) {
  alignas(16) uint32_t k[BLOCK];
  for (int32_t at = 0; at < n; at += BLOCK) {
    const int32_t m = n - at < BLOCK ? n - at : BLOCK;
    for (int32_t j = 0; j < m; ++j) {
      const uint32_t a = s[at + j] >> 24;
      k[j] = a | (a << 8) | (a << 16) | (a << 24);
    }
    const uint8_t* sb = reinterpret_cast<const uint8_t*>(s + at);
    uint8_t* db = reinterpret_cast<uint8_t*>(d + at);
    const uint8_t* kb = reinterpret_cast<const uint8_t*>(k);
    for (int32_t b = 0; b < 4 * m; ++b) db[b] = mixbyte(sb[b], db[b], kb[b]);
  }
}

// The block's source with the mask-colour pixels replaced: by the target
// pixel for BLEND (mixing a pixel with itself gives it back), by 0 for ADD.
ZARVO_INLINE void unmasked(const uint32_t* __restrict s, const uint32_t* __restrict d,
                           uint32_t* __restrict t, int32_t m) {
  for (int32_t j = 0; j < m; ++j) {
    const uint32_t keep = 0u - static_cast<uint32_t>(ismask(s[j]));
    t[j] = (d[j] & keep) | (s[j] & ~keep);
  }
}

ZARVO_INLINE void unmasked(const uint32_t* __restrict s, uint32_t* __restrict t, int32_t m) {
  for (int32_t j = 0; j < m; ++j) t[j] = s[j] & (static_cast<uint32_t>(ismask(s[j])) - 1u);
}

ZARVO_INLINE void blendplain(const uint32_t* __restrict s, uint32_t* __restrict d, int32_t n,
                             int32_t k) {
  const uint16_t kk = static_cast<uint16_t>(k);
  alignas(16) uint32_t t[BLOCK];
  const uint8_t* tb = reinterpret_cast<const uint8_t*>(t);
  for (int32_t at = 0; at < n; at += BLOCK) {
    const int32_t m = n - at < BLOCK ? n - at : BLOCK;
    unmasked(s + at, d + at, t, m);
    uint8_t* db = reinterpret_cast<uint8_t*>(d + at);
    for (int32_t b = 0; b < 4 * m; ++b) db[b] = mixbyte(tb[b], db[b], kk);
  }
}

// A negative factor subtracts ceil(s.c * f / 256), the floor of the negative
// product, computed as (s.c * f + 255) >> 8 (at most 65535).
ZARVO_INLINE void addplain(const uint32_t* __restrict s, uint32_t* __restrict d, int32_t n,
                           int32_t a) {
  if (!addfits(a)) return addpixels(s, d, 0, n, a);
  const bool subtract = a < 0;
  const uint16_t f = static_cast<uint16_t>(subtract ? -a : a);
  alignas(16) uint32_t t[BLOCK];
  const uint8_t* tb = reinterpret_cast<const uint8_t*>(t);
  for (int32_t at = 0; at < n; at += BLOCK) {
    const int32_t m = n - at < BLOCK ? n - at : BLOCK;
    unmasked(s + at, t, m);
    uint8_t* db = reinterpret_cast<uint8_t*>(d + at);
    // The byte sum saturates as d + min(p, 255 - d) and d - min(p, d): byte
    // minimums, which every vector unit has.
    if (subtract) {
      for (int32_t b = 0; b < 4 * m; ++b) {
        const uint8_t p = static_cast<uint8_t>(static_cast<uint16_t>(tb[b] * f + 255) >> 8);
        db[b] = static_cast<uint8_t>(db[b] - (p < db[b] ? p : db[b]));
      }
    } else {
      for (int32_t b = 0; b < 4 * m; ++b) {
        const uint8_t p = static_cast<uint8_t>(static_cast<uint16_t>(tb[b] * f) >> 8);
        const uint8_t room = static_cast<uint8_t>(255 - db[b]);
        db[b] = static_cast<uint8_t>(db[b] + (p < room ? p : room));
      }
    }
  }
}

// Each level that has no loop of its own for a mode compiles the plain loop
// for its instructions.
#define ZARVO_PLAINROWS(LEVEL, TARGET)                                                    \
  namespace LEVEL {                                                                       \
  TARGET void fill(uint32_t* d, size_t n, uint32_t c) { fillplain(d, n, c); }             \
  TARGET void preset(const uint32_t* s, uint32_t* d, int32_t n) { presetplain(s, d, n); } \
  TARGET void androw(const uint32_t* s, uint32_t* d, int32_t n) { andplain(s, d, n); }    \
  TARGET void orrow(const uint32_t* s, uint32_t* d, int32_t n) { orplain(s, d, n); }      \
  TARGET void xorrow(const uint32_t* s, uint32_t* d, int32_t n) { xorplain(s, d, n); }    \
  TARGET void trans(const uint32_t* s, uint32_t* d, int32_t n) { transplain(s, d, n); }   \
  }

ZARVO_PLAINROWS(portable, )
#ifdef ZARVO_SIMD_X86
ZARVO_PLAINROWS(avx2plain, ZARVO_TARGET_AVX2)
#endif
#undef ZARVO_PLAINROWS

namespace portable {
void alpha(const uint32_t* s, uint32_t* d, int32_t n) { alphaplain(s, d, n); }
void add(const uint32_t* s, uint32_t* d, int32_t n, int32_t a) { addplain(s, d, n, a); }
void blend(const uint32_t* s, uint32_t* d, int32_t n, int32_t k) { blendplain(s, d, n, k); }
}  // namespace portable

#ifdef ZARVO_SIMD_X86
// ---------------------------------------------------------------------------
// SSE2: four pixels a register, in 16-bit arithmetic. Every loop returns
// where it stopped; the caller's per-pixel rule finishes the row.
namespace sse2 {

inline __m128i masked(__m128i s) {
  return _mm_cmpeq_epi32(_mm_and_si128(s, _mm_set1_epi32(0x00FFFFFF)),
                         _mm_set1_epi32(0x00FF00FF));
}

// No unpacking: red and blue stay in the low bytes of the 16-bit lanes
// (masked), alpha and green move there (shifted), and the one-multiply mix
// leaves each new byte in its lane's high byte. A mask-colour source pixel
// gets the factor 0, which gives back d exactly.
template <bool PERPIXEL, bool SKIPMASK>
int32_t mixloop(const uint32_t* s, uint32_t* d, int32_t i, int32_t n, uint32_t k) {
  const __m128i low = _mm_set1_epi16(0x00FF);
  const __m128i high = _mm_set1_epi16(static_cast<int16_t>(0xFF00));
  const __m128i vk = _mm_set1_epi16(static_cast<int16_t>(k));
  for (; i + 4 <= n; i += 4) {
    const __m128i vs = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    const __m128i vd = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
    const __m128i srb = _mm_and_si128(vs, low), drb = _mm_and_si128(vd, low);
    const __m128i sag = _mm_srli_epi16(vs, 8), dag = _mm_srli_epi16(vd, 8);
    // The alpha lane of each pixel copied over its green lane.
    __m128i kk = PERPIXEL ? _mm_shufflehi_epi16(_mm_shufflelo_epi16(sag, 0xF5), 0xF5) : vk;
    if (SKIPMASK) kk = _mm_andnot_si128(masked(vs), kk);
    const __m128i rb =
        _mm_add_epi16(_mm_slli_epi16(vd, 8), _mm_mullo_epi16(_mm_sub_epi16(srb, drb), kk));
    const __m128i ag =
        _mm_add_epi16(_mm_and_si128(vd, high), _mm_mullo_epi16(_mm_sub_epi16(sag, dag), kk));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i),
                     _mm_or_si128(_mm_srli_epi16(rb, 8), _mm_and_si128(ag, high)));
  }
  return i;
}

// 16-bit products, a saturating byte add (or subtract, rounding the part up
// as in the plain loop); a mask-colour source pixel adds nothing.
template <bool SUBTRACT>
int32_t addloop(const uint32_t* s, uint32_t* d, int32_t i, int32_t n, uint32_t f) {
  const __m128i vf = _mm_set1_epi16(static_cast<int16_t>(f));
  const __m128i up = _mm_set1_epi16(SUBTRACT ? 255 : 0);
  const __m128i zero = _mm_setzero_si128();
  for (; i + 4 <= n; i += 4) {
    const __m128i vs = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    const __m128i vd = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
    const __m128i lo =
        _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(vs, zero), vf), up), 8);
    const __m128i hi =
        _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(vs, zero), vf), up), 8);
    const __m128i part = _mm_andnot_si128(masked(vs), _mm_packus_epi16(lo, hi));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i),
                     SUBTRACT ? _mm_subs_epu8(vd, part) : _mm_adds_epu8(vd, part));
  }
  return i;
}

int32_t addany(const uint32_t* s, uint32_t* d, int32_t i, int32_t n, int32_t a) {
  if (a < 0) return addloop<true>(s, d, i, n, static_cast<uint32_t>(-a));
  return addloop<false>(s, d, i, n, static_cast<uint32_t>(a));
}

void alpha(const uint32_t* s, uint32_t* d, int32_t n) {
  for (int32_t i = mixloop<true, false>(s, d, 0, n, 0); i < n; ++i) d[i] = ALPHAPIXEL(s[i], d[i]);
}

void blend(const uint32_t* s, uint32_t* d, int32_t n, int32_t k) {
  const uint32_t kk = static_cast<uint32_t>(k);
  for (int32_t i = mixloop<false, true>(s, d, 0, n, kk); i < n; ++i)
    d[i] = ismask(s[i]) ? d[i] : MIXPIXEL(s[i], d[i], kk);
}

void add(const uint32_t* s, uint32_t* d, int32_t n, int32_t a) {
  addpixels(s, d, addfits(a) ? addany(s, d, 0, n, a) : 0, n, a);
}

}  // namespace sse2

// ---------------------------------------------------------------------------
// AVX2: the SSE2 loops eight pixels at a time; the SSE2 loops take the rest.
namespace avx2 {

ZARVO_TARGET_AVX2 inline __m256i masked(__m256i s) {
  return _mm256_cmpeq_epi32(_mm256_and_si256(s, _mm256_set1_epi32(0x00FFFFFF)),
                            _mm256_set1_epi32(0x00FF00FF));
}

template <bool PERPIXEL, bool SKIPMASK>
ZARVO_TARGET_AVX2 int32_t mixloop(const uint32_t* s, uint32_t* d, int32_t n, uint32_t k) {
  const __m256i low = _mm256_set1_epi16(0x00FF);
  const __m256i high = _mm256_set1_epi16(static_cast<int16_t>(0xFF00));
  const __m256i vk = _mm256_set1_epi16(static_cast<int16_t>(k));
  int32_t i = 0;
  for (; i + 8 <= n; i += 8) {
    const __m256i vs = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i));
    const __m256i vd = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + i));
    const __m256i srb = _mm256_and_si256(vs, low), drb = _mm256_and_si256(vd, low);
    const __m256i sag = _mm256_srli_epi16(vs, 8), dag = _mm256_srli_epi16(vd, 8);
    __m256i kk = PERPIXEL ? _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(sag, 0xF5), 0xF5) : vk;
    if (SKIPMASK) kk = _mm256_andnot_si256(masked(vs), kk);
    const __m256i rb = _mm256_add_epi16(_mm256_slli_epi16(vd, 8),
                                        _mm256_mullo_epi16(_mm256_sub_epi16(srb, drb), kk));
    const __m256i ag = _mm256_add_epi16(_mm256_and_si256(vd, high),
                                        _mm256_mullo_epi16(_mm256_sub_epi16(sag, dag), kk));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i),
                        _mm256_or_si256(_mm256_srli_epi16(rb, 8), _mm256_and_si256(ag, high)));
  }
  return i;
}

template <bool SUBTRACT>
ZARVO_TARGET_AVX2 int32_t addloop(const uint32_t* s, uint32_t* d, int32_t n, uint32_t f) {
  const __m256i vf = _mm256_set1_epi16(static_cast<int16_t>(f));
  const __m256i up = _mm256_set1_epi16(SUBTRACT ? 255 : 0);
  const __m256i zero = _mm256_setzero_si256();
  int32_t i = 0;
  for (; i + 8 <= n; i += 8) {
    const __m256i vs = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i));
    const __m256i vd = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + i));
    const __m256i lo = _mm256_srli_epi16(
        _mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpacklo_epi8(vs, zero), vf), up), 8);
    const __m256i hi = _mm256_srli_epi16(
        _mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpackhi_epi8(vs, zero), vf), up), 8);
    const __m256i part = _mm256_andnot_si256(masked(vs), _mm256_packus_epi16(lo, hi));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i),
                        SUBTRACT ? _mm256_subs_epu8(vd, part) : _mm256_adds_epu8(vd, part));
  }
  return i;
}

ZARVO_TARGET_AVX2 void alpha(const uint32_t* s, uint32_t* d, int32_t n) {
  const int32_t i = sse2::mixloop<true, false>(s, d, mixloop<true, false>(s, d, n, 0), n, 0);
  for (int32_t j = i; j < n; ++j) d[j] = ALPHAPIXEL(s[j], d[j]);
}

ZARVO_TARGET_AVX2 void blend(const uint32_t* s, uint32_t* d, int32_t n, int32_t k) {
  const uint32_t kk = static_cast<uint32_t>(k);
  const int32_t i = sse2::mixloop<false, true>(s, d, mixloop<false, true>(s, d, n, kk), n, kk);
  for (int32_t j = i; j < n; ++j) d[j] = ismask(s[j]) ? d[j] : MIXPIXEL(s[j], d[j], kk);
}

ZARVO_TARGET_AVX2 void add(const uint32_t* s, uint32_t* d, int32_t n, int32_t a) {
  int32_t i = 0;
  if (addfits(a)) {
    i = a < 0 ? addloop<true>(s, d, n, static_cast<uint32_t>(-a))
              : addloop<false>(s, d, n, static_cast<uint32_t>(a));
    i = sse2::addany(s, d, i, n, a);
  }
  addpixels(s, d, i, n, a);
}

}  // namespace avx2
#endif

// ---------------------------------------------------------------------------
// The table: one entry per level. The logic operations, TRANS and the fill
// are plain loops at every level (the vectoriser's SSE2 code for them is what
// a hand-written loop would be); SSE4.1 has nothing of its own here.
struct PUTROWS {
  void (*fill)(uint32_t* d, size_t n, uint32_t c);
  void (*preset)(const uint32_t* s, uint32_t* d, int32_t n);
  void (*androw)(const uint32_t* s, uint32_t* d, int32_t n);
  void (*orrow)(const uint32_t* s, uint32_t* d, int32_t n);
  void (*xorrow)(const uint32_t* s, uint32_t* d, int32_t n);
  void (*trans)(const uint32_t* s, uint32_t* d, int32_t n);
  void (*alpha)(const uint32_t* s, uint32_t* d, int32_t n);
  void (*add)(const uint32_t* s, uint32_t* d, int32_t n, int32_t a);
  void (*blend)(const uint32_t* s, uint32_t* d, int32_t n, int32_t k);
};

// P gives the plain loops, M the mixing ones (ALPHA, ADD, BLEND).
#define ZARVO_PUTROWS(P, M) \
  {P::fill, P::preset, P::androw, P::orrow, P::xorrow, P::trans, M::alpha, M::add, M::blend}

const PUTROWS TABLE[SIMDLEVELS] = {
    ZARVO_PUTROWS(portable, portable),
#ifdef ZARVO_SIMD_X86
    ZARVO_PUTROWS(portable, sse2),    // SSE2
    ZARVO_PUTROWS(portable, sse2),    // SSE4.1
    ZARVO_PUTROWS(avx2plain, avx2),   // AVX2
#endif
};
#undef ZARVO_PUTROWS

}  // namespace

void FILLROW(uint32_t* d, size_t n, uint32_t c) { KERNELS(TABLE).fill(d, n, c); }
void ROWPRESET(const uint32_t* s, uint32_t* d, int32_t n) { KERNELS(TABLE).preset(s, d, n); }
void ROWAND(const uint32_t* s, uint32_t* d, int32_t n) { KERNELS(TABLE).androw(s, d, n); }
void ROWOR(const uint32_t* s, uint32_t* d, int32_t n) { KERNELS(TABLE).orrow(s, d, n); }
void ROWXOR(const uint32_t* s, uint32_t* d, int32_t n) { KERNELS(TABLE).xorrow(s, d, n); }
void ROWTRANS(const uint32_t* s, uint32_t* d, int32_t n) { KERNELS(TABLE).trans(s, d, n); }
void ROWALPHA(const uint32_t* s, uint32_t* d, int32_t n) { KERNELS(TABLE).alpha(s, d, n); }
void ROWADD(const uint32_t* s, uint32_t* d, int32_t n, int32_t a) {
  KERNELS(TABLE).add(s, d, n, a);
}
void ROWBLEND(const uint32_t* s, uint32_t* d, int32_t n, int32_t k) {
  ZARVO_ASSERT(k >= 1 && k <= 256);
  KERNELS(TABLE).blend(s, d, n, k);
}

}  // namespace ZARVO::RUNTIME
