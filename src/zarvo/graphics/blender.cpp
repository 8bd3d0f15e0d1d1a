#include "zarvo/graphics/blender.hpp"

#include <cmath>
#include <cstdint>
#include <functional>
#include <numbers>
#include <type_traits>

#include "zarvo/assert.hpp"
#include "zarvo/math/math.hpp"
#include "zarvo/pixelmath.hpp"

#include "zarvo/runtime/simd.hpp"

#ifdef ZARVO_SIMD_X86
#include <emmintrin.h>
#endif

namespace ZARVO::GRAPHICS::BLENDER {

uint8_t COSINETABLE[256];
BOOLEAN COSINETABLEINITIALIZED = FALSE;

void INITIALIZECOSINETABLE() {
  COSINETABLEINITIALIZED = TRUE;
  for (int32_t i = 0; i < 256; ++i) {
    const double v = 64.0 - std::cos(i * std::numbers::pi / 255.0) * 64.0;
    COSINETABLE[i] = static_cast<uint8_t>(MATH::ROUND(v));
  }
}

namespace {

// ---------------------------------------------------------------------------
// The modes, one channel pair at a time. V is the rule as stated: integer
// arithmetic with floor division, the two dodges in double. Where V divides,
// FAST is the form the row loops use; it gives the same value for every
// pair (see fdiv and fdodge) but vectorises.
// CHANNEL >= 0 marks the channel modes: only that channel (0 red, 1 green,
// 2 blue) takes the source's value, the others keep the destination's.

// Every value rounded here lies in 0..255.
inline int32_t roundeven(double x) { return static_cast<int32_t>(DETAIL::ROUNDEVENFAST(x)); }

// x \ y in single precision. Exact for 0 <= x < 2^24 and y >= 1: a quotient
// that is not whole lies at least 1 / y below the next integer, more than the
// float's rounding error x / y * 2^-24 can cover.
inline int32_t fdiv(int32_t x, int32_t y) {
  ZARVO_ASSERT(x >= 0 && x < (1 << 24) && y >= 1);
  return static_cast<int32_t>(static_cast<float>(x) / static_cast<float>(y));
}

// n / y rounded, clamped to 255, for 0 <= n <= 65280, 1 <= y <= 256. The exact
// quotient is never within 1/512 of a half, far beyond the float's error, so
// this equals the double-precision rule. Rounding before the clamp gives the
// same value and keeps the float work free of branches.
inline int32_t fdodge(int32_t n, int32_t y) {
  ZARVO_ASSERT(n >= 0 && n <= 65280 && y >= 1 && y <= 256);
  const int32_t q = static_cast<int32_t>(static_cast<float>(n) / static_cast<float>(y) + 0.5f);
  return q > 255 ? 255 : q;
}

// a where PICK is true, b elsewhere, as plain bit operations: a select the
// compiler would turn into branches around a division stops vectorisation.
inline int32_t pick(bool PICK, int32_t a, int32_t b) {
  const int32_t m = -static_cast<int32_t>(PICK);
  return (a & m) | (b & ~m);
}

inline int32_t ddodge(int32_t n, int32_t y) {
  double q = n / static_cast<double>(y);
  if (q < 0.0) q = 0.0;
  if (q > 255.0) q = 255.0;
  return roundeven(q);
}

inline int32_t iabs(int32_t x) { return x < 0 ? -x : x; }

struct MNORMAL {
  static constexpr int CHANNEL = -1;
  static int32_t V(int32_t S, int32_t) { return S; }
};
struct MMULTIPLY {
  static constexpr int CHANNEL = -1;
  static int32_t V(int32_t S, int32_t D) { return (S * D + 1) >> 8; }
};
struct MSCREEN {
  static constexpr int CHANNEL = -1;
  static int32_t V(int32_t S, int32_t D) { return 255 - (((255 - S) * (255 - D) + 1) >> 8); }
};
struct MDARKEN {
  static constexpr int CHANNEL = -1;
  static int32_t V(int32_t S, int32_t D) { return S < D ? S : D; }
};
struct MLIGHTEN {
  static constexpr int CHANNEL = -1;
  static int32_t V(int32_t S, int32_t D) { return S > D ? S : D; }
};
struct MDIFFERENCE {
  static constexpr int CHANNEL = -1;
  static int32_t V(int32_t S, int32_t D) { return iabs(D - S); }
};
struct MEXCLUSION {
  static constexpr int CHANNEL = -1;
  static int32_t V(int32_t S, int32_t D) { return (S + D) - ((S * D + 1) >> 7); }
};
struct MNEGATION {
  static constexpr int CHANNEL = -1;
  static int32_t V(int32_t S, int32_t D) { return 255 - iabs(255 - D - S); }
};
struct MINTERPOLATION {
  static constexpr int CHANNEL = -1;
  static int32_t V(int32_t S, int32_t D) { return COSINETABLE[D] + COSINETABLE[S]; }
  // The row loops read a word-sized copy of the table.
  static int32_t TABLED(int32_t S, int32_t D, const int32_t* T) { return T[D] + T[S]; }
};
struct MSTAMP {
  static constexpr int CHANNEL = -1;
  static int32_t V(int32_t S, int32_t D) { return D + 2 * S - 256; }
};
struct MAVERAGE {
  static constexpr int CHANNEL = -1;
  static int32_t V(int32_t S, int32_t D) { return (S + D + 1) >> 1; }
};
struct MOVERLAY {
  static constexpr int CHANNEL = -1;
  static int32_t V(int32_t S, int32_t D) {
    return D < 128 ? (D * S + 1) >> 7 : 255 - (((255 - D) * (255 - S) + 1) >> 7);
  }
};
struct MHARDLIGHT {
  static constexpr int CHANNEL = -1;
  static int32_t V(int32_t S, int32_t D) {
    return S < 128 ? (S * D + 1) >> 7 : 255 - (((255 - S) * (255 - D) + 1) >> 7);
  }
};
struct MSOFTLIGHT {
  static constexpr int CHANNEL = -1;
  static int32_t V(int32_t S, int32_t D) {
    const int32_t c = (D * S + 1) >> 8;
    const int32_t x = ((255 - D) * (255 - S) + 1) >> 8;
    return c + ((D * (256 - x - c)) >> 8);  // 256 - x - c is at least 2
  }
};
struct MCOLORDODGE {
  static constexpr int CHANNEL = -1;
  static int32_t V(int32_t S, int32_t D) { return ddodge(D * 256, 256 - S); }
  static int32_t FAST(int32_t S, int32_t D) { return fdodge(D * 256, 256 - S); }
};
struct MINVCOLORDODGE {
  static constexpr int CHANNEL = -1;
  static int32_t V(int32_t S, int32_t D) { return ddodge(S * 256, 256 - D); }
  static int32_t FAST(int32_t S, int32_t D) { return fdodge(S * 256, 256 - D); }
};
struct MSOFTDODGE {
  static constexpr int CHANNEL = -1;
  static int32_t V(int32_t S, int32_t D) {
    return D + S < 256 ? (D * 128) / (256 - S) : 255 - ((255 - S) * 128) / (D + 1);
  }
  static int32_t FAST(int32_t S, int32_t D) {
    const bool low = D + S < 256;  // one division, operands picked per lane
    const int32_t q = fdiv(pick(low, D * 128, (255 - S) * 128), pick(low, 256 - S, D + 1));
    return low ? q : 255 - q;
  }
};
struct MCOLORBURN {
  static constexpr int CHANNEL = -1;
  static int32_t V(int32_t S, int32_t D) { return 255 - ((255 - D) * 256) / (S + 1); }
  static int32_t FAST(int32_t S, int32_t D) { return 255 - fdiv((255 - D) * 256, S + 1); }
};
struct MINVCOLORBURN {
  static constexpr int CHANNEL = -1;
  static int32_t V(int32_t S, int32_t D) { return 255 - ((255 - S) * 256) / (D + 1); }
  static int32_t FAST(int32_t S, int32_t D) { return 255 - fdiv((255 - S) * 256, D + 1); }
};
struct MSOFTBURN {
  static constexpr int CHANNEL = -1;
  static int32_t V(int32_t S, int32_t D) {
    return D + S < 256 ? (S * 128) / (256 - D) : 255 - ((255 - D) * 128) / (S + 1);
  }
  static int32_t FAST(int32_t S, int32_t D) {
    const bool low = D + S < 256;
    const int32_t q = fdiv(pick(low, S * 128, (255 - D) * 128), pick(low, 256 - D, S + 1));
    return low ? q : 255 - q;
  }
};
struct MREFLECT {
  static constexpr int CHANNEL = -1;
  static int32_t V(int32_t S, int32_t D) { return (D * D) / (256 - S); }
  static int32_t FAST(int32_t S, int32_t D) { return fdiv(D * D, 256 - S); }
};
struct MGLOW {
  static constexpr int CHANNEL = -1;
  static int32_t V(int32_t S, int32_t D) { return (S * S) / (256 - D); }
  static int32_t FAST(int32_t S, int32_t D) { return fdiv(S * S, 256 - D); }
};
struct MFREEZE {
  static constexpr int CHANNEL = -1;
  static int32_t V(int32_t S, int32_t D) { return 255 - ((255 - D) * (255 - D)) / (S + 1); }
  static int32_t FAST(int32_t S, int32_t D) { return 255 - fdiv((255 - D) * (255 - D), S + 1); }
};
struct MHEAT {
  static constexpr int CHANNEL = -1;
  static int32_t V(int32_t S, int32_t D) { return 255 - ((255 - S) * (255 - S)) / (D + 1); }
  static int32_t FAST(int32_t S, int32_t D) { return 255 - fdiv((255 - S) * (255 - S), D + 1); }
};
struct MADDITIVE {
  static constexpr int CHANNEL = -1;
  static int32_t V(int32_t S, int32_t D) { return S + D; }
};
struct MSUBTRACTIVE {
  static constexpr int CHANNEL = -1;
  static int32_t V(int32_t S, int32_t D) { return S + D - 256; }
};
struct MRED {
  static constexpr int CHANNEL = 0;
  static int32_t V(int32_t S, int32_t) { return S; }
};
struct MGREEN {
  static constexpr int CHANNEL = 1;
  static int32_t V(int32_t S, int32_t) { return S; }
};
struct MBLUE {
  static constexpr int CHANNEL = 2;
  static int32_t V(int32_t S, int32_t) { return S; }
};

using DETAIL::CLAMPBYTE;

// The mode's value for channel C (0 red, 1 green, 2 blue), clamped.
template <class M, int C, bool FASTFORM>
inline int32_t modevalue(int32_t S, int32_t D, const int32_t* table = nullptr) {
  if constexpr (M::CHANNEL >= 0 && M::CHANNEL != C) {
    return D;
  } else if constexpr (FASTFORM && requires { M::TABLED(S, D, table); }) {
    return CLAMPBYTE(M::TABLED(S, D, table));
  } else if constexpr (FASTFORM && requires { M::FAST(S, D); }) {
    return CLAMPBYTE(M::FAST(S, D));
  } else {
    return CLAMPBYTE(M::V(S, D));
  }
}

inline bool fourbytes(const void* parameter) {
  return parameter == nullptr || *static_cast<const int32_t*>(parameter) == 4;
}

// ---------------------------------------------------------------------------
// The per-pixel frame, as the engine defines it.

template <class M>
uint32_t blendpixel(uint32_t src, uint32_t dst, void* parameter) {
  if constexpr (std::is_same_v<M, MINTERPOLATION>) {
    if (COSINETABLEINITIALIZED != TRUE) INITIALIZECOSINETABLE();
  }
  const int32_t sr = (src >> 16) & 255, sg = (src >> 8) & 255, sb = src & 255;
  const int32_t dr = (dst >> 16) & 255, dg = (dst >> 8) & 255, db = dst & 255;
  if (fourbytes(parameter)) {
    const float a = static_cast<float>((src >> 24) / 255.0);
    if (a < 0.1) return dst;
    int32_t r = modevalue<M, 0, false>(sr, dr);
    int32_t g = modevalue<M, 1, false>(sg, dg);
    int32_t b = modevalue<M, 2, false>(sb, db);
    if (a < 1.0f) {
      const double ad = a;
      r = roundeven((1.0 - ad) * dr + r * ad);
      g = roundeven((1.0 - ad) * dg + g * ad);
      b = roundeven((1.0 - ad) * db + b * ad);
    }
    return (src & 0xFF000000u) | static_cast<uint32_t>(r << 16 | g << 8 | b);
  }
  const int32_t r = modevalue<M, 0, false>(sr, dr);
  const int32_t g = modevalue<M, 1, false>(sg, dg);
  const int32_t b = modevalue<M, 2, false>(sb, db);
  return (src & 0xFF000000u) | static_cast<uint32_t>(r << 16 | g << 8 | b);
}

// ---------------------------------------------------------------------------
// Row loops. The opacity step is done in integers: with a the float nearest
// A / 255, (1 - a) D + b a lies within 2^-25 * 255 of (D (255 - A) + b A) / 255,
// which is never closer than 1/510 to a half (255 is odd), so both round to
// (D (255 - A) + b A + 127) \ 255. Below A = 26 the float is under 0.1.

// x \ 255 for 0 <= x < 65535, without a multiply (SSE2 has no 32-bit one).
inline uint32_t div255(uint32_t x) {
  ZARVO_ASSERT(x < 65535);
  return (x + 1 + (x >> 8)) >> 8;
}

inline uint32_t mixchannel(int32_t b, int32_t d, int32_t a) {
  return div255(static_cast<uint32_t>((d << 8) - d + a * (b - d) + 127));  // one multiply
}

template <class M, bool OPACITY>
[[gnu::always_inline]] inline void blendrow(const uint32_t* __restrict s, uint32_t* __restrict d,
                                            int32_t n, const int32_t* __restrict table) {
  for (int32_t i = 0; i < n; ++i) {
    const uint32_t sp = s[i], dp = d[i];
    const int32_t sr = (sp >> 16) & 255, sg = (sp >> 8) & 255, sb = sp & 255;
    const int32_t dr = (dp >> 16) & 255, dg = (dp >> 8) & 255, db = dp & 255;
    const int32_t r = modevalue<M, 0, true>(sr, dr, table);
    const int32_t g = modevalue<M, 1, true>(sg, dg, table);
    const int32_t b = modevalue<M, 2, true>(sb, db, table);
    if constexpr (OPACITY) {
      const int32_t a = static_cast<int32_t>(sp >> 24);
      const uint32_t out = (sp & 0xFF000000u) | mixchannel(r, dr, a) << 16 |
                           mixchannel(g, dg, a) << 8 | mixchannel(b, db, a);
      const uint32_t keep = 0u - static_cast<uint32_t>(a < 26);  // all ones below alpha 26
      d[i] = (dp & keep) | (out & ~keep);
    } else {
      d[i] = (sp & 0xFF000000u) | static_cast<uint32_t>(r << 16 | g << 8 | b);
    }
  }
}

// Rows that share pixels must see each other's writes in pixel order, so they
// go one pixel at a time.
inline bool overlapping(const uint32_t* s, const uint32_t* d, int32_t n) {
  const std::less<const uint32_t*> before;
  return before(s, d + n) && before(d, s + n);
}

template <class M>
inline void rowbypixels(const uint32_t* s, uint32_t* d, int32_t n, void* parameter) {
  for (int32_t i = 0; i < n; ++i) d[i] = blendpixel<M>(s[i], d[i], parameter);
}

// A row kernel: n pixels of s over d, which do not overlap; opacity for a
// 32-bit source; table is the word-sized cosine table for INTERPOLATION.
using ROWKERNEL = void (*)(const uint32_t*, uint32_t*, int32_t, bool, const int32_t*);

template <class M>
ZARVO_INLINE void plainbody(const uint32_t* __restrict s, uint32_t* __restrict d, int32_t n,
                            bool opacity, const int32_t* __restrict table) {
  if (opacity)
    blendrow<M, true>(s, d, n, table);
  else
    blendrow<M, false>(s, d, n, table);
}

template <class M>
void plainrow(const uint32_t* __restrict s, uint32_t* __restrict d, int32_t n, bool opacity,
              const int32_t* __restrict table) {
  plainbody<M>(s, d, n, opacity, table);
}

#ifdef ZARVO_SIMD_X86
template <class M>
ZARVO_TARGET_AVX2 void avx2row(const uint32_t* __restrict s, uint32_t* __restrict d, int32_t n,
                               bool opacity, const int32_t* __restrict table) {
  plainbody<M>(s, d, n, opacity, table);
}
#endif

#ifdef ZARVO_SIMD_X86
// ---------------------------------------------------------------------------
// SSE2 rows, four pixels at a time. Each pixel's bytes are widened to 16-bit
// lanes (blue, green, red, alpha) and the mode's VEC works on all lanes alike;
// the alpha lane's value is dropped. A VEC gives signed 16-bit values that the
// final pack clamps to 0..255, so a value beyond that range must still fit in
// 16 bits, or saturate there on the same side. Baseline x86-64 has no 32-bit
// lane multiply, but every product here fits in 16 bits unsigned, so pmullw's
// low half is the whole product.

inline __m128i k16(int v) { return _mm_set1_epi16(static_cast<short>(v)); }
// 255 - x for 0 <= x <= 255.
inline __m128i inv(__m128i x) { return _mm_xor_si128(x, k16(255)); }
// a where m is all ones, b elsewhere.
inline __m128i sel(__m128i m, __m128i a, __m128i b) {
  return _mm_or_si128(_mm_and_si128(m, a), _mm_andnot_si128(m, b));
}
// (a b + 1) >> k for a b <= 65025: the sum stays below 2^16.
template <int K>
inline __m128i mulshift(__m128i a, __m128i b) {
  return _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(a, b), k16(1)), K);
}

// n \ y per lane (n / y rounded when ROUND) for 0 <= n < 2^16, 1 <= y <= 256,
// with divps: the same single-precision division as fdiv and fdodge, so the
// same values. The quotients saturate to 32767 when narrowed, which keeps
// them above 255.
template <bool ROUND>
inline __m128i divide(__m128i n, __m128i y) {
  const __m128i z = _mm_setzero_si128();
  __m128 lo = _mm_div_ps(_mm_cvtepi32_ps(_mm_unpacklo_epi16(n, z)),
                         _mm_cvtepi32_ps(_mm_unpacklo_epi16(y, z)));
  __m128 hi = _mm_div_ps(_mm_cvtepi32_ps(_mm_unpackhi_epi16(n, z)),
                         _mm_cvtepi32_ps(_mm_unpackhi_epi16(y, z)));
  if constexpr (ROUND) {
    lo = _mm_add_ps(lo, _mm_set1_ps(0.5f));
    hi = _mm_add_ps(hi, _mm_set1_ps(0.5f));
  }
  return _mm_packs_epi32(_mm_cvttps_epi32(lo), _mm_cvttps_epi32(hi));
}

// A mode's lanes; S and D hold 0..255. CLAMPS: the values may leave 0..255.
template <class M>
struct VEC {
  static constexpr bool HAS = false;
};
#define ZARVO_VEC(NAME, CLAMP, ...)                                \
  template <>                                                      \
  struct VEC<M##NAME> {                                            \
    static constexpr bool HAS = true, CLAMPS = CLAMP;              \
    static __m128i V([[maybe_unused]] __m128i S, [[maybe_unused]] __m128i D) { __VA_ARGS__ } \
  };

ZARVO_VEC(NORMAL, false, return S;)
ZARVO_VEC(MULTIPLY, false, return mulshift<8>(S, D);)
ZARVO_VEC(SCREEN, false, return inv(mulshift<8>(inv(S), inv(D)));)
ZARVO_VEC(DARKEN, false, return _mm_min_epi16(S, D);)
ZARVO_VEC(LIGHTEN, false, return _mm_max_epi16(S, D);)
ZARVO_VEC(DIFFERENCE, false, return _mm_sub_epi16(_mm_max_epi16(S, D), _mm_min_epi16(S, D));)
// (S D + 1) >> 7 <= 508, so the difference stays in 16 bits.
ZARVO_VEC(EXCLUSION, false, return _mm_sub_epi16(_mm_add_epi16(S, D), mulshift<7>(S, D));)
ZARVO_VEC(NEGATION, false, {
  const __m128i t = _mm_sub_epi16(k16(255), _mm_add_epi16(S, D));  // -255..255
  return _mm_sub_epi16(k16(255), _mm_max_epi16(t, _mm_sub_epi16(_mm_setzero_si128(), t)));
})
ZARVO_VEC(STAMP, true, return _mm_sub_epi16(_mm_add_epi16(D, _mm_add_epi16(S, S)), k16(256));)
ZARVO_VEC(AVERAGE, false, return _mm_avg_epu16(S, D);)
// Both branches are one form: with m = 255 where the branch byte is 128 or
// more, the operands are x ^ m (255 - x there) and the result p ^ m. Either
// way the factor that is flipped or small is at most 127, so p <= 253.
ZARVO_VEC(OVERLAY, false, {
  const __m128i m = _mm_and_si128(_mm_cmpgt_epi16(D, k16(127)), k16(255));
  return _mm_xor_si128(mulshift<7>(_mm_xor_si128(D, m), _mm_xor_si128(S, m)), m);
})
ZARVO_VEC(HARDLIGHT, false, {
  const __m128i m = _mm_and_si128(_mm_cmpgt_epi16(S, k16(127)), k16(255));
  return _mm_xor_si128(mulshift<7>(_mm_xor_si128(S, m), _mm_xor_si128(D, m)), m);
})
// 2 <= 256 - x - c <= 256, so D (256 - x - c) <= 65280.
ZARVO_VEC(SOFTLIGHT, false, {
  const __m128i c = mulshift<8>(D, S), x = mulshift<8>(inv(D), inv(S));
  const __m128i f = _mm_sub_epi16(_mm_sub_epi16(k16(256), x), c);
  return _mm_add_epi16(c, _mm_srli_epi16(_mm_mullo_epi16(D, f), 8));
})
ZARVO_VEC(COLORDODGE, true, return divide<true>(_mm_slli_epi16(D, 8), _mm_sub_epi16(k16(256), S));)
ZARVO_VEC(INVCOLORDODGE, true,
          return divide<true>(_mm_slli_epi16(S, 8), _mm_sub_epi16(k16(256), D));)
// SOFTDODGE and SOFTBURN: with a the byte whose product the low branch
// divides and b = 255 - the other, the branch is a + (255 - b) < 256, i.e.
// a <= b: then a 128 \ (b + 1), else b 128 \ (a + 1) - one division, the
// operands swapped per lane. Either quotient is below 128 (the divisor is
// larger than the byte it divides), so 255 - q is q ^ 255.
inline __m128i softdivide(__m128i a, __m128i b) {
  const __m128i high = _mm_cmpgt_epi16(a, b);
  const __m128i t = _mm_and_si128(_mm_xor_si128(a, b), high);
  const __m128i q = divide<false>(_mm_slli_epi16(_mm_xor_si128(a, t), 7),
                                  _mm_add_epi16(_mm_xor_si128(b, t), k16(1)));
  return _mm_xor_si128(q, _mm_and_si128(high, k16(255)));
}
ZARVO_VEC(SOFTDODGE, false, return softdivide(D, inv(S));)
ZARVO_VEC(SOFTBURN, false, return softdivide(S, inv(D));)
// 255 - q with q saturated at 32767 stays in 16 bits and below 0 where the
// exact value is.
ZARVO_VEC(COLORBURN, true,
          return _mm_sub_epi16(k16(255), divide<false>(_mm_slli_epi16(inv(D), 8), _mm_add_epi16(S, k16(1))));)
ZARVO_VEC(INVCOLORBURN, true,
          return _mm_sub_epi16(k16(255), divide<false>(_mm_slli_epi16(inv(S), 8), _mm_add_epi16(D, k16(1))));)
ZARVO_VEC(REFLECT, true, return divide<false>(_mm_mullo_epi16(D, D), _mm_sub_epi16(k16(256), S));)
ZARVO_VEC(GLOW, true, return divide<false>(_mm_mullo_epi16(S, S), _mm_sub_epi16(k16(256), D));)
ZARVO_VEC(FREEZE, true, {
  const __m128i e = inv(D);
  return _mm_sub_epi16(k16(255), divide<false>(_mm_mullo_epi16(e, e), _mm_add_epi16(S, k16(1))));
})
ZARVO_VEC(HEAT, true, {
  const __m128i e = inv(S);
  return _mm_sub_epi16(k16(255), divide<false>(_mm_mullo_epi16(e, e), _mm_add_epi16(D, k16(1))));
})
ZARVO_VEC(ADDITIVE, true, return _mm_add_epi16(S, D);)
ZARVO_VEC(SUBTRACTIVE, true, return _mm_sub_epi16(_mm_add_epi16(S, D), k16(256));)
// Lanes run blue, green, red, alpha.
ZARVO_VEC(RED, false, return sel(_mm_set_epi16(0, -1, 0, 0, 0, -1, 0, 0), S, D);)
ZARVO_VEC(GREEN, false, return sel(_mm_set_epi16(0, 0, -1, 0, 0, 0, -1, 0), S, D);)
ZARVO_VEC(BLUE, false, return sel(_mm_set_epi16(0, 0, 0, -1, 0, 0, 0, -1), S, D);)
#undef ZARVO_VEC

// INTERPOLATION's values for two pixels, looked up one channel at a time
// (SSE2 has no gather): T[S] + T[D] <= 256, one 16-bit lane each. The bytes
// are read in place (x86 is little-endian: blue first).
inline __m128i interpolationlanes(const uint32_t* s, const uint32_t* d, const int32_t* t) {
  const auto* sb = reinterpret_cast<const uint8_t*>(s);
  const auto* db = reinterpret_cast<const uint8_t*>(d);
  auto lanes = [&](int k) {
    return static_cast<uint64_t>(t[sb[k]] + t[db[k]]) |
           static_cast<uint64_t>(t[sb[k + 1]] + t[db[k + 1]]) << 16 |
           static_cast<uint64_t>(t[sb[k + 2]] + t[db[k + 2]]) << 32;
  };
  return _mm_set_epi64x(static_cast<int64_t>(lanes(4)), static_cast<int64_t>(lanes(0)));
}

// The opacity step in 16-bit lanes: (D (255 - A) + b A + 127) \ 255, written
// D 255 + A (b - D) + 127 with one pmullw. The true sum x lies in 0..65152, so
// working modulo 2^16 gives it exactly. x \ 255 is (x 32897) >> 23: that is
// x / 255 (1 + 127 / 2^23), at most 0.0039 above x / 255 for x < 2^16, less
// than the 1/255 by which a fraction of x / 255 stays below the next integer.
inline __m128i mix(__m128i b, __m128i D, __m128i A) {
  const __m128i x = _mm_add_epi16(_mm_sub_epi16(_mm_slli_epi16(D, 8), D),
                                  _mm_add_epi16(_mm_mullo_epi16(A, _mm_sub_epi16(b, D)), k16(127)));
  return _mm_srli_epi16(_mm_mulhi_epu16(x, k16(32897)), 7);
}

template <class M, bool OPACITY>
ZARVO_INLINE void sse2body(const uint32_t* __restrict s, uint32_t* __restrict d, int32_t n,
                           const int32_t* __restrict table) {
  const __m128i z = _mm_setzero_si128(), alpha = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  int32_t i = 0;
  for (; i + 4 <= n; i += 4) {
    const __m128i sp = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    const __m128i dp = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
    const __m128i sl = _mm_unpacklo_epi8(sp, z), sh = _mm_unpackhi_epi8(sp, z);
    const __m128i dl = _mm_unpacklo_epi8(dp, z), dh = _mm_unpackhi_epi8(dp, z);
    __m128i bl, bh;
    bool clamps;
    if constexpr (std::is_same_v<M, MINTERPOLATION>) {
      bl = interpolationlanes(s + i, d + i, table);
      bh = interpolationlanes(s + i + 2, d + i + 2, table);
      clamps = true;
    } else {
      bl = VEC<M>::V(sl, dl);
      bh = VEC<M>::V(sh, dh);
      clamps = VEC<M>::CLAMPS;
    }
    __m128i out;
    if constexpr (OPACITY) {
      if (clamps) {
        const __m128i b = _mm_packus_epi16(bl, bh);
        bl = _mm_unpacklo_epi8(b, z);
        bh = _mm_unpackhi_epi8(b, z);
      }
      // Each pixel's alpha in all four of its lanes.
      const __m128i al = _mm_shufflehi_epi16(_mm_shufflelo_epi16(sl, 0xFF), 0xFF);
      const __m128i ah = _mm_shufflehi_epi16(_mm_shufflelo_epi16(sh, 0xFF), 0xFF);
      out = _mm_packus_epi16(mix(bl, dl, al), mix(bh, dh, ah));
      out = _mm_or_si128(_mm_andnot_si128(alpha, out), _mm_and_si128(sp, alpha));
      const __m128i keep = _mm_cmpgt_epi32(_mm_set1_epi32(26), _mm_srli_epi32(sp, 24));
      out = sel(keep, dp, out);
    } else {
      out = _mm_packus_epi16(bl, bh);
      out = _mm_or_si128(_mm_andnot_si128(alpha, out), _mm_and_si128(sp, alpha));
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), out);
  }
  blendrow<M, OPACITY>(s + i, d + i, n - i, table);
}

template <class M>
void sse2row(const uint32_t* __restrict s, uint32_t* __restrict d, int32_t n, bool opacity,
             const int32_t* __restrict table) {
  if (opacity)
    sse2body<M, true>(s, d, n, table);
  else
    sse2body<M, false>(s, d, n, table);
}

template <class M>
constexpr ROWKERNEL sse2kernel() {
  if constexpr (VEC<M>::HAS || std::is_same_v<M, MINTERPOLATION>)
    return sse2row<M>;
  else
    return plainrow<M>;
}

// At AVX2 the plain loops, except INTERPOLATION: its table lookups are scalar
// either way, and the SSE2 loop around them is the faster one.
template <class M>
constexpr ROWKERNEL avx2kernel() {
  if constexpr (std::is_same_v<M, MINTERPOLATION>)
    return sse2row<M>;
  else
    return avx2row<M>;
}
#endif

// TRANSPARENT leaves the destination as it is.
void norow(const uint32_t*, uint32_t*, int32_t, bool, const int32_t*) {}

// The modes in raster-operation order, 9 to 37.
#define ZARVO_BLENDMODES(X)                                                                  \
  X(NORMAL) X(MULTIPLY) X(SCREEN) X(DARKEN) X(LIGHTEN) X(DIFFERENCE) X(EXCLUSION) X(NEGATION) \
  X(INTERPOLATION) X(STAMP) X(AVERAGE) X(OVERLAY) X(HARDLIGHT) X(SOFTLIGHT) X(COLORDODGE)    \
  X(INVCOLORDODGE) X(SOFTDODGE) X(COLORBURN) X(INVCOLORBURN) X(SOFTBURN) X(REFLECT) X(GLOW)  \
  X(FREEZE) X(HEAT) X(ADDITIVE) X(SUBTRACTIVE) X(RED) X(GREEN) X(BLUE)

#define ZARVO_INDEX(NAME) I##NAME,
enum : int32_t { ITRANSPARENT, ZARVO_BLENDMODES(ZARVO_INDEX) IEND };
#undef ZARVO_INDEX

// The family's table: a row kernel per level for each raster operation from
// 8 (TRANSPARENT) on.
struct BLENDROWS {
  ROWKERNEL row[IEND];
};

#define ZARVO_PLAIN(NAME) plainrow<M##NAME>,
#define ZARVO_SSE2(NAME) sse2kernel<M##NAME>(),
#define ZARVO_AVX2(NAME) avx2kernel<M##NAME>(),
const BLENDROWS ROWS[RUNTIME::SIMDLEVELS] = {
    {{norow, ZARVO_BLENDMODES(ZARVO_PLAIN)}},
#ifdef ZARVO_SIMD_X86
    {{norow, ZARVO_BLENDMODES(ZARVO_SSE2)}},
    {{norow, ZARVO_BLENDMODES(ZARVO_SSE2)}},
    {{norow, ZARVO_BLENDMODES(ZARVO_AVX2)}},
#endif
};
#undef ZARVO_PLAIN
#undef ZARVO_SSE2
#undef ZARVO_AVX2

template <class M>
void rowblend(const uint32_t* s, uint32_t* d, int32_t n, void* parameter, int32_t index) {
  if (n <= 0) return;
  const ROWKERNEL kernel = RUNTIME::KERNELS(ROWS).row[index];
  if constexpr (std::is_same_v<M, MINTERPOLATION>) {
    // Copying the table costs about as much as 64 pixels; short rows skip it.
    if (n < 64 || overlapping(s, d, n)) {
      rowbypixels<M>(s, d, n, parameter);
      return;
    }
    if (COSINETABLEINITIALIZED != TRUE) INITIALIZECOSINETABLE();
    alignas(32) int32_t table[256];
    for (int32_t i = 0; i < 256; ++i) table[i] = COSINETABLE[i];
    kernel(s, d, n, fourbytes(parameter), table);
  } else {
    if (overlapping(s, d, n)) {
      rowbypixels<M>(s, d, n, parameter);
      return;
    }
    kernel(s, d, n, fourbytes(parameter), nullptr);
  }
}

}  // namespace

// ---------------------------------------------------------------------------
// The public functions.

uint32_t TRANSPARENT(uint32_t, uint32_t DEST, void*) { return DEST; }

#define ZARVO_BLENDMODE(NAME)                                                   \
  uint32_t NAME(uint32_t SRC, uint32_t DEST, void* PARAMETER) {                 \
    return blendpixel<M##NAME>(SRC, DEST, PARAMETER);                           \
  }                                                                             \
  namespace {                                                                   \
  void row_##NAME(const uint32_t* s, uint32_t* d, int32_t n, void* parameter) { \
    rowblend<M##NAME>(s, d, n, parameter, I##NAME);                             \
  }                                                                             \
  }
ZARVO_BLENDMODES(ZARVO_BLENDMODE)
#undef ZARVO_BLENDMODE

namespace {

// The destination stays as it is.
void row_TRANSPARENT(const uint32_t*, uint32_t*, int32_t, void*) {}

struct ENTRY {
  RUNTIME::BLENDFUNC pixel;
  RUNTIME::ROWBLENDFUNC row;
};

// Raster operations 8 to 37, in order.
constexpr ENTRY MODES[] = {
    {TRANSPARENT, row_TRANSPARENT},     {NORMAL, row_NORMAL},
    {MULTIPLY, row_MULTIPLY},           {SCREEN, row_SCREEN},
    {DARKEN, row_DARKEN},               {LIGHTEN, row_LIGHTEN},
    {DIFFERENCE, row_DIFFERENCE},       {EXCLUSION, row_EXCLUSION},
    {NEGATION, row_NEGATION},           {INTERPOLATION, row_INTERPOLATION},
    {STAMP, row_STAMP},                 {AVERAGE, row_AVERAGE},
    {OVERLAY, row_OVERLAY},             {HARDLIGHT, row_HARDLIGHT},
    {SOFTLIGHT, row_SOFTLIGHT},         {COLORDODGE, row_COLORDODGE},
    {INVCOLORDODGE, row_INVCOLORDODGE}, {SOFTDODGE, row_SOFTDODGE},
    {COLORBURN, row_COLORBURN},         {INVCOLORBURN, row_INVCOLORBURN},
    {SOFTBURN, row_SOFTBURN},           {REFLECT, row_REFLECT},
    {GLOW, row_GLOW},                   {FREEZE, row_FREEZE},
    {HEAT, row_HEAT},                   {ADDITIVE, row_ADDITIVE},
    {SUBTRACTIVE, row_SUBTRACTIVE},     {RED, row_RED},
    {GREEN, row_GREEN},                 {BLUE, row_BLUE},
};
constexpr int32_t FIRSTMODE = 8;
constexpr int32_t MODECOUNT = static_cast<int32_t>(sizeof(MODES) / sizeof(MODES[0]));
static_assert(MODECOUNT == 30, "raster operations 8 to 37");

}  // namespace

RUNTIME::BLENDFUNC FUNCTION(int32_t RASTEROP) {
  if (RASTEROP < FIRSTMODE || RASTEROP >= FIRSTMODE + MODECOUNT) return nullptr;
  return MODES[RASTEROP - FIRSTMODE].pixel;
}

RUNTIME::ROWBLENDFUNC ROWFUNCTION(int32_t RASTEROP) {
  if (RASTEROP < FIRSTMODE || RASTEROP >= FIRSTMODE + MODECOUNT) return nullptr;
  return MODES[RASTEROP - FIRSTMODE].row;
}

}  // namespace ZARVO::GRAPHICS::BLENDER
