#include "zarvo/png/pngrows.hpp"

#include "zarvo/assert.hpp"

#include <cstdlib>
#include <cstring>

#if defined(__x86_64__) || defined(_M_X64)
#include <immintrin.h>
#define ZARVO_PNG_X86 1
#endif

namespace ZARVO::PNG {
namespace {

// Sub, Average and Paeth depend on the byte to the left; AVGFIRST is Average
// over a zero row above (the first row of a pass), where Paeth is Sub.
enum : int { K_SUB = 1, K_AVG = 3, K_PAETH = 4, K_AVGFIRST = 5 };

inline uint8_t PAETHBYTE(int a, int b, int c) {
  const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
  if (pa <= pb && pa <= pc) return static_cast<uint8_t>(a);
  return static_cast<uint8_t>(pb <= pc ? b : c);
}

// The portable filters, byte by byte, for processors without SSE4.1.
template <int K>
void SCALARROW(uint8_t* row, const uint8_t* prior, size_t n, size_t bpp) {
  size_t i = 0;
  for (; i < bpp && i < n; ++i) {
    if constexpr (K == K_AVG) row[i] = static_cast<uint8_t>(row[i] + (prior[i] >> 1));
    if constexpr (K == K_PAETH) row[i] = static_cast<uint8_t>(row[i] + prior[i]);
  }
  for (; i < n; ++i) {
    const int a = row[i - bpp];
    if constexpr (K == K_SUB) row[i] = static_cast<uint8_t>(row[i] + a);
    if constexpr (K == K_AVGFIRST) row[i] = static_cast<uint8_t>(row[i] + (a >> 1));
    if constexpr (K == K_AVG) row[i] = static_cast<uint8_t>(row[i] + ((a + prior[i]) >> 1));
    if constexpr (K == K_PAETH)
      row[i] = static_cast<uint8_t>(row[i] + PAETHBYTE(a, prior[i], prior[i - bpp]));
  }
}

void UPROW(uint8_t* __restrict row, const uint8_t* __restrict prior, size_t n) {
  for (size_t i = 0; i < n; ++i) row[i] = static_cast<uint8_t>(row[i] + prior[i]);
}

#ifdef ZARVO_PNG_X86

// The kernels walk a row in blocks of 16 loaded bytes holding G whole pixels
// (W bytes). Each pixel is pulled into 16-bit lanes with one shuffle, run
// through the filter, and shuffled back into place. The next block is loaded
// before the current one is stored, so no load ever overlaps a recent store
// (3- and 6-byte pixels would otherwise stall on store forwarding at every
// pixel). Full blocks are stored whole while 16 bytes of the row remain (the
// bytes past W are rewritten by the next block); the rest of the row is
// stored exactly, so nothing past the row is ever written.
template <int BPP>
struct GEOM {
  static constexpr int G = 16 / BPP;
  static constexpr int W = G * BPP;
};

struct MASKS {
  alignas(16) int8_t EXT[16][16];    // pixel k's bytes -> 16-bit lanes 0..BPP-1
  alignas(16) int8_t PLACE[16][16];  // 16-bit lanes 0..BPP-1 -> pixel k's bytes
};

constexpr MASKS MAKEMASKS(int bpp) {
  MASKS m{};
  for (int k = 0; k < 16; ++k)
    for (int j = 0; j < 16; ++j) m.EXT[k][j] = m.PLACE[k][j] = -1;
  for (int k = 0; k < 16 / bpp; ++k) {
    for (int j = 0; j < bpp; ++j) {
      m.EXT[k][2 * j] = static_cast<int8_t>(k * bpp + j);
      m.PLACE[k][k * bpp + j] = static_cast<int8_t>(2 * j);
    }
  }
  return m;
}

template <int BPP>
inline constexpr MASKS MASKSFOR = MAKEMASKS(BPP);

template <int BPP>
inline size_t FULLBLOCKS(size_t n) {
  return n >= 16 ? (n - 16) / GEOM<BPP>::W + 1 : 0;
}

// The same masks twice over, for 256-bit shuffles (which shuffle each half).
struct WIDEMASKS {
  alignas(32) int8_t EXT[16][32];
  alignas(32) int8_t PLACE[16][32];
};

constexpr WIDEMASKS MAKEWIDEMASKS(int bpp) {
  const MASKS m = MAKEMASKS(bpp);
  WIDEMASKS w{};
  for (int k = 0; k < 16; ++k) {
    for (int j = 0; j < 32; ++j) {
      w.EXT[k][j] = m.EXT[k][j % 16];
      w.PLACE[k][j] = m.PLACE[k][j % 16];
    }
  }
  return w;
}

template <int BPP>
inline constexpr WIDEMASKS WIDEMASKSFOR = MAKEWIDEMASKS(BPP);

// The same kernels twice: with VEX encoding (three-operand forms, no copies,
// any register for the blend mask) and the 256-bit four-row kernel where AVX2
// exists, else SSE4.1.
#define ZARVO_SIMD __attribute__((target("avx2")))
#define ZARVO_PNG_YMM 1
namespace AVX2 {
#include "zarvo/png/pngkernels.inc"
}  // namespace AVX2
#undef ZARVO_PNG_YMM
#undef ZARVO_SIMD
#define ZARVO_SIMD __attribute__((target("sse4.1")))
namespace SSE41 {
#include "zarvo/png/pngkernels.inc"
}  // namespace SSE41
#undef ZARVO_SIMD

// What the processor offers: 2 AVX2, 1 SSE4.1 (with SSSE3), 0 neither.
const int CPULEVEL = [] {
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx2")) return 2;
  return __builtin_cpu_supports("sse4.1") ? 1 : 0;
}();

#else
const int CPULEVEL = 0;
#endif  // ZARVO_PNG_X86

// The kernels in use; the portable loops at 0.
int SIMDLEVEL = CPULEVEL;

void SERIAL(int k, uint8_t* row, const uint8_t* prior, size_t n, uint32_t unit) {
#ifdef ZARVO_PNG_X86
  if (SIMDLEVEL == 2) return AVX2::ROW(k, row, prior, n, unit);
  if (SIMDLEVEL == 1) return SSE41::ROW(k, row, prior, n, unit);
#endif
  switch (k) {
    case K_SUB:
      SCALARROW<K_SUB>(row, prior, n, unit);
      break;
    case K_AVG:
      SCALARROW<K_AVG>(row, prior, n, unit);
      break;
    case K_PAETH:
      SCALARROW<K_PAETH>(row, prior, n, unit);
      break;
    case K_AVGFIRST:
      SCALARROW<K_AVGFIRST>(row, prior, n, unit);
      break;
  }
}

}  // namespace

void UNFILTERROW(uint8_t type, uint8_t* row, const uint8_t* prior, size_t n, uint32_t unit) {
  // The decoder rejects other filter types before it unfilters.
  ZARVO_ASSERT(type <= FILTER_PAETH && unit >= 1 && unit <= 8);
  if (n == 0) return;
  switch (type) {
    case FILTER_NONE:
      return;
    case FILTER_UP:
      if (prior) UPROW(row, prior, n);
      return;
    case FILTER_SUB:
      SERIAL(K_SUB, row, prior, n, unit);
      return;
    case FILTER_AVG:
      SERIAL(prior ? K_AVG : K_AVGFIRST, row, prior, n, unit);
      return;
    case FILTER_PAETH:
      SERIAL(prior ? K_PAETH : K_SUB, row, prior, n, unit);
      return;
    default:
      return;
  }
}

void UNFILTERPAIR(uint8_t type1, uint8_t* row1, const uint8_t* prior1, uint8_t type2, uint8_t* row2,
                  size_t n, uint32_t unit) {
  ZARVO_ASSERT(type1 <= FILTER_PAETH && type2 <= FILTER_PAETH && unit >= 1 && unit <= 8);
#ifdef ZARVO_PNG_X86
  const bool serial1 = type1 == FILTER_SUB || type1 == FILTER_AVG || type1 == FILTER_PAETH;
  const bool serial2 = type2 == FILTER_SUB || type2 == FILTER_AVG || type2 == FILTER_PAETH;
  if (prior1 && serial1 && serial2) {
    if (SIMDLEVEL == 2) return AVX2::PAIR(type1, type2, row1, prior1, row2, n, unit);
    if (SIMDLEVEL == 1) return SSE41::PAIR(type1, type2, row1, prior1, row2, n, unit);
  }
#endif
  UNFILTERROW(type1, row1, prior1, n, unit);
  UNFILTERROW(type2, row2, row1, n, unit);
}

void UNFILTERQUAD(uint8_t type, uint8_t* row1, const uint8_t* prior1, uint8_t* row2, uint8_t* row3,
                  uint8_t* row4, size_t n, uint32_t unit) {
  ZARVO_ASSERT(type <= FILTER_PAETH && unit >= 1 && unit <= 8);
#ifdef ZARVO_PNG_X86
  const bool serial = type == FILTER_SUB || type == FILTER_AVG || type == FILTER_PAETH;
  if (SIMDLEVEL == 2 && prior1 && serial) {
    AVX2::QUAD(type, row1, prior1, row2, row3, row4, n, unit);
    return;
  }
#endif
  UNFILTERPAIR(type, row1, prior1, type, row2, n, unit);
  UNFILTERPAIR(type, row3, row2, type, row4, n, unit);
}

void UNFILTERREFERENCE(uint8_t type, uint8_t* row, const uint8_t* prior, size_t n, uint32_t unit) {
  for (size_t i = 0; i < n; ++i) {
    const int a = i >= unit ? row[i - unit] : 0;
    const int b = prior ? prior[i] : 0;
    const int c = prior && i >= unit ? prior[i - unit] : 0;
    int p = 0;
    switch (type) {
      case FILTER_SUB:
        p = a;
        break;
      case FILTER_UP:
        p = b;
        break;
      case FILTER_AVG:
        p = (a + b) / 2;
        break;
      case FILTER_PAETH:
        p = PAETHBYTE(a, b, c);
        break;
      default:
        break;
    }
    row[i] = static_cast<uint8_t>(row[i] + p);
  }
}

// ---------------------------------------------------------------------------
// Pixel conversion.

namespace {

inline uint32_t GREY(uint32_t v) { return v * 0x010101u; }

template <int DEPTH>
void PACKEDROW(const uint32_t* lut, const uint8_t* src, uint32_t* dst, uint32_t n) {
  constexpr uint32_t PER = 8 / DEPTH;
  constexpr uint32_t MASK = (1u << DEPTH) - 1;
  uint32_t i = 0;
  for (; i + PER <= n; i += PER) {
    const uint32_t byte = *src++;
    for (uint32_t k = 0; k < PER; ++k) dst[i + k] = lut[(byte >> (8 - DEPTH * (k + 1))) & MASK];
  }
  if (i < n) {
    const uint32_t byte = *src;
    for (uint32_t k = 0; i < n; ++k, ++i) dst[i] = lut[(byte >> (8 - DEPTH * (k + 1))) & MASK];
  }
}

void LUTROW(const uint32_t* __restrict lut, const uint8_t* __restrict src, uint32_t* __restrict dst,
            uint32_t n) {
  for (uint32_t i = 0; i < n; ++i) dst[i] = lut[src[i]];
}

inline uint32_t ARGB(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
  return (a << 24) | (r << 16) | (g << 8) | b;
}

// The plain loops, from pixel i on (the shuffles below do the pixels before).
void GREY8ROW(const uint8_t* __restrict src, uint32_t* __restrict dst, uint32_t n, uint32_t i) {
  for (; i < n; ++i) dst[i] = 0xFF000000u | GREY(src[i]);
}

void GREY16ROW(const uint8_t* __restrict src, uint32_t* __restrict dst, uint32_t n, uint32_t i) {
  for (; i < n; ++i) dst[i] = 0xFF000000u | GREY(src[2 * i]);
}

void GA8ROW(const uint8_t* __restrict src, uint32_t* __restrict dst, uint32_t n, uint32_t i) {
  for (; i < n; ++i) dst[i] = (uint32_t{src[2 * i + 1]} << 24) | GREY(src[2 * i]);
}

void GA16ROW(const uint8_t* __restrict src, uint32_t* __restrict dst, uint32_t n, uint32_t i) {
  for (; i < n; ++i) dst[i] = (uint32_t{src[4 * i + 2]} << 24) | GREY(src[4 * i]);
}

void RGB8ROW(const uint8_t* __restrict src, uint32_t* __restrict dst, uint32_t n, uint32_t i) {
  for (; i < n; ++i) dst[i] = ARGB(255, src[3 * i], src[3 * i + 1], src[3 * i + 2]);
}

void RGBA8ROW(const uint8_t* __restrict src, uint32_t* __restrict dst, uint32_t n, uint32_t i) {
  for (; i < n; ++i) dst[i] = ARGB(src[4 * i + 3], src[4 * i], src[4 * i + 1], src[4 * i + 2]);
}

void RGB16ROW(const uint8_t* __restrict src, uint32_t* __restrict dst, uint32_t n, uint32_t i) {
  for (; i < n; ++i) dst[i] = ARGB(255, src[6 * i], src[6 * i + 2], src[6 * i + 4]);
}

void RGBA16ROW(const uint8_t* __restrict src, uint32_t* __restrict dst, uint32_t n, uint32_t i) {
  for (; i < n; ++i) dst[i] = ARGB(src[8 * i + 6], src[8 * i], src[8 * i + 2], src[8 * i + 4]);
}

// Formats of up to 4 bytes a pixel, as byte shuffles that turn 16 loaded
// bytes into 4 pixels: for blue, green, red and alpha, the source byte within
// a pixel of s bytes (-1: opaque alpha).
struct SHUFFLE {
  alignas(16) int8_t MASK[16];
  bool OPAQUE;
};

constexpr SHUFFLE MAKESHUFFLE(int s, int b, int g, int r, int a) {
  SHUFFLE m{};
  const int off[4] = {b, g, r, a};
  for (int j = 0; j < 4; ++j)
    for (int c = 0; c < 4; ++c)
      m.MASK[4 * j + c] = static_cast<int8_t>(off[c] < 0 ? -1 : s * j + off[c]);
  m.OPAQUE = a < 0;
  return m;
}

constexpr SHUFFLE GREY8 = MAKESHUFFLE(1, 0, 0, 0, -1);
constexpr SHUFFLE GREY16 = MAKESHUFFLE(2, 0, 0, 0, -1);
constexpr SHUFFLE GA8 = MAKESHUFFLE(2, 0, 0, 0, 1);
constexpr SHUFFLE GA16 = MAKESHUFFLE(4, 0, 0, 0, 2);
constexpr SHUFFLE RGB8 = MAKESHUFFLE(3, 2, 1, 0, -1);
constexpr SHUFFLE RGBA8 = MAKESHUFFLE(4, 2, 1, 0, 3);

#ifdef ZARVO_PNG_X86

// Byte shuffles need SSSE3; the plain loops above serve processors without it.
#define ZARVO_SSSE3 __attribute__((target("ssse3")))

// Returns how many pixels it converted; 16 bytes are read for 4 pixels, so
// it stops where fewer than 16 bytes of the row remain.
template <int S>
ZARVO_SSSE3 uint32_t SHUFFLEROW(const SHUFFLE& m, const uint8_t* src, uint32_t* dst, uint32_t n) {
  const __m128i mask = _mm_load_si128(reinterpret_cast<const __m128i*>(m.MASK));
  const __m128i alpha = _mm_set1_epi32(m.OPAQUE ? static_cast<int32_t>(0xFF000000u) : 0);
  uint32_t i = 0;
  for (; S * (i + 4) + (16 - 4 * S) <= S * n; i += 4) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + S * i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i),
                     _mm_or_si128(_mm_shuffle_epi8(v, mask), alpha));
  }
  return i;
}

ZARVO_SSSE3 uint32_t RGB16SSSE3(const uint8_t* src, uint32_t* dst, uint32_t n) {
  // Two pixels (12 bytes) per load; high bytes are the even ones.
  const __m128i shuf = _mm_setr_epi8(4, 2, 0, -1, 10, 8, 6, -1, -1, -1, -1, -1, -1, -1, -1, -1);
  const __m128i alpha = _mm_set1_epi32(static_cast<int32_t>(0xFF000000u));
  uint32_t i = 0;
  for (; i + 5 <= n; i += 4) {
    const __m128i v0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 6 * i));
    const __m128i v1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 6 * i + 12));
    const __m128i p = _mm_unpacklo_epi64(_mm_shuffle_epi8(v0, shuf), _mm_shuffle_epi8(v1, shuf));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), _mm_or_si128(p, alpha));
  }
  return i;
}

ZARVO_SSSE3 uint32_t RGBA16SSSE3(const uint8_t* src, uint32_t* dst, uint32_t n) {
  const __m128i shuf = _mm_setr_epi8(4, 2, 0, 6, 12, 10, 8, 14, -1, -1, -1, -1, -1, -1, -1, -1);
  uint32_t i = 0;
  for (; i + 4 <= n; i += 4) {
    const __m128i v0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 8 * i));
    const __m128i v1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 8 * i + 16));
    const __m128i p = _mm_unpacklo_epi64(_mm_shuffle_epi8(v0, shuf), _mm_shuffle_epi8(v1, shuf));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), p);
  }
  return i;
}

#undef ZARVO_SSSE3

// The pixels converted by shuffles, from the first on; 0 without them.
template <int S>
uint32_t FAST(const SHUFFLE& m, const uint8_t* src, uint32_t* dst, uint32_t n) {
  return SIMDLEVEL > 0 ? SHUFFLEROW<S>(m, src, dst, n) : 0;
}
uint32_t FAST16(bool alpha, const uint8_t* src, uint32_t* dst, uint32_t n) {
  if (SIMDLEVEL == 0) return 0;
  return alpha ? RGBA16SSSE3(src, dst, n) : RGB16SSSE3(src, dst, n);
}

#else

template <int S>
uint32_t FAST(const SHUFFLE&, const uint8_t*, uint32_t*, uint32_t) {
  return 0;
}
uint32_t FAST16(bool, const uint8_t*, uint32_t*, uint32_t) { return 0; }

#endif  // ZARVO_PNG_X86

// Colour keys apply after the plain conversion, comparing the unscaled samples.
void GREY16KEY(uint16_t key, const uint8_t* src, uint32_t* dst, uint32_t n) {
  for (uint32_t i = 0; i < n; ++i) {
    const uint32_t v = (static_cast<uint32_t>(src[2 * i]) << 8) | src[2 * i + 1];
    if (v == key) dst[i] &= 0x00FFFFFFu;
  }
}

void RGB8KEY(const uint16_t* key, uint32_t* dst, uint32_t n) {
  if (key[0] > 255 || key[1] > 255 || key[2] > 255) return;
  const uint32_t k = ARGB(255, key[0], key[1], key[2]);
  for (uint32_t i = 0; i < n; ++i) dst[i] = dst[i] == k ? (k & 0x00FFFFFFu) : dst[i];
}

void RGB16KEY(const uint16_t* key, const uint8_t* src, uint32_t* dst, uint32_t n) {
  for (uint32_t i = 0; i < n; ++i) {
    const uint8_t* s = src + 6 * i;
    const uint32_t r = (static_cast<uint32_t>(s[0]) << 8) | s[1];
    const uint32_t g = (static_cast<uint32_t>(s[2]) << 8) | s[3];
    const uint32_t b = (static_cast<uint32_t>(s[4]) << 8) | s[5];
    if (r == key[0] && g == key[1] && b == key[2]) dst[i] &= 0x00FFFFFFu;
  }
}

}  // namespace

void CONVERTROW(const CONVERSION& cv, const uint8_t* src, uint32_t* dst, uint32_t n) {
  if (cv.DEPTH < 8) {
    if (cv.DEPTH == 1) PACKEDROW<1>(cv.LUT, src, dst, n);
    if (cv.DEPTH == 2) PACKEDROW<2>(cv.LUT, src, dst, n);
    if (cv.DEPTH == 4) PACKEDROW<4>(cv.LUT, src, dst, n);
    return;
  }
  const bool wide = cv.DEPTH == 16;
  switch (cv.COLORTYPE) {
    case 0:
      if (wide) {
        GREY16ROW(src, dst, n, FAST<2>(GREY16, src, dst, n));
        if (cv.HASKEY) GREY16KEY(cv.KEY[0], src, dst, n);
      } else if (cv.HASKEY) {
        LUTROW(cv.LUT, src, dst, n);  // the key is in the table
      } else {
        GREY8ROW(src, dst, n, FAST<1>(GREY8, src, dst, n));
      }
      return;
    case 3:
      LUTROW(cv.LUT, src, dst, n);
      return;
    case 4:
      if (wide)
        GA16ROW(src, dst, n, FAST<4>(GA16, src, dst, n));
      else
        GA8ROW(src, dst, n, FAST<2>(GA8, src, dst, n));
      return;
    case 2:
      if (wide) {
        RGB16ROW(src, dst, n, FAST16(false, src, dst, n));
        if (cv.HASKEY) RGB16KEY(cv.KEY, src, dst, n);
      } else {
        RGB8ROW(src, dst, n, FAST<3>(RGB8, src, dst, n));
        if (cv.HASKEY) RGB8KEY(cv.KEY, dst, n);
      }
      return;
    default:
      if (wide)
        RGBA16ROW(src, dst, n, FAST16(true, src, dst, n));
      else
        RGBA8ROW(src, dst, n, FAST<4>(RGBA8, src, dst, n));
      return;
  }
}

int USEKERNELS(int level) {
  SIMDLEVEL = level < 0 ? CPULEVEL : level < CPULEVEL ? level : CPULEVEL;
  return SIMDLEVEL;
}

}  // namespace ZARVO::PNG
