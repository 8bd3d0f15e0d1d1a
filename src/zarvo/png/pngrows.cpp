#include "zarvo/png/pngrows.hpp"

#include "zarvo/assert.hpp"
#include "zarvo/runtime/simd.hpp"

#include <cstdlib>
#include <cstring>
#include <iterator>

#ifdef ZARVO_SIMD_X86
#include <immintrin.h>
#endif

namespace ZARVO::PNG {
namespace {

// Sub, Average and Paeth depend on the byte to the left; AVGFIRST is Average
// over a zero row above (the first row of a pass), where Paeth is Sub. The
// others keep their filter types' numbers.
enum : int { K_SUB = FILTER_SUB, K_AVG = FILTER_AVG, K_PAETH = FILTER_PAETH, K_AVGFIRST = 5 };

inline uint8_t PAETHBYTE(int a, int b, int c) {
  const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
  if (pa <= pb && pa <= pc) return static_cast<uint8_t>(a);
  return static_cast<uint8_t>(pb <= pc ? b : c);
}

// The portable filters, byte by byte: each byte waits for the one to its
// left, so there is nothing for the vectoriser here.
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

ZARVO_INLINE void UPBODY(uint8_t* __restrict row, const uint8_t* __restrict prior, size_t n) {
  for (size_t i = 0; i < n; ++i) row[i] = static_cast<uint8_t>(row[i] + prior[i]);
}

void UPROW(uint8_t* row, const uint8_t* prior, size_t n) { UPBODY(row, prior, n); }

void SCALAR(int k, uint8_t* row, const uint8_t* prior, size_t n, uint32_t unit) {
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

// One level's unfilter kernels. ROW takes Sub, Average, Paeth or Average over
// a zero row (k); PAIR and QUAD only Sub, Average and Paeth under a row above.
using ROWFN = void (*)(int k, uint8_t* row, const uint8_t* prior, size_t n, uint32_t unit);
using PAIRFN = void (*)(int k1, int k2, uint8_t* r1, const uint8_t* p1, uint8_t* r2, size_t n,
                        uint32_t unit);
using QUADFN = void (*)(int k, uint8_t* r1, const uint8_t* p1, uint8_t* r2, uint8_t* r3,
                        uint8_t* r4, size_t n, uint32_t unit);
struct UNFILTERS {
  void (*UP)(uint8_t* row, const uint8_t* prior, size_t n);
  ROWFN ROW;
  PAIRFN PAIR;
  QUADFN QUAD;
};

// A level without its own pair or quad kernel runs the rows one after another.
template <ROWFN ROW>
void PAIRBYROWS(int k1, int k2, uint8_t* r1, const uint8_t* p1, uint8_t* r2, size_t n,
                uint32_t unit) {
  ROW(k1, r1, p1, n, unit);
  ROW(k2, r2, r1, n, unit);
}

template <PAIRFN PAIR>
void QUADBYPAIRS(int k, uint8_t* r1, const uint8_t* p1, uint8_t* r2, uint8_t* r3, uint8_t* r4,
                 size_t n, uint32_t unit) {
  PAIR(k, k, r1, p1, r2, n, unit);
  PAIR(k, k, r3, r2, r4, n, unit);
}

#ifdef ZARVO_SIMD_X86

// The kernels walk a row in blocks of 16 loaded bytes holding G whole pixels
// (W bytes). Each pixel is pulled into 16-bit lanes with one shuffle, run
// through the filter, and shuffled back into place. The next block is loaded
// before the current one is stored, so no load ever overlaps a recent store
// (3- and 6-byte pixels would otherwise stall on store forwarding at every
// pixel). Full blocks are stored whole while 16 bytes of the row remain (the
// bytes past W are rewritten by the next block); the rest of the row is
// stored exactly, so nothing past the row is ever written. SSE2, without the
// shuffle, shifts pixels out of the block widened to 16-bit lanes and gathers
// the block once its pixels are done.
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

// The same kernels three times: with VEX encoding (three-operand forms, no
// copies, any register for the blend mask) and the 256-bit four-row kernel for
// AVX2; for SSE4.1 (with SSSE3's shuffles, absolute values and signs); and
// from SSE2 alone. Below AVX2, four rows run as two pairs: a 128-bit
// four-row kernel measured about 3% faster for 160 KB more code.
#define ZARVO_PNG_TARGET ZARVO_TARGET_AVX2
#define ZARVO_PNG_YMM 1
namespace AVX2 {
#include "zarvo/png/pngkernels.inc"
}  // namespace AVX2
#undef ZARVO_PNG_YMM
#undef ZARVO_PNG_TARGET
#define ZARVO_PNG_TARGET ZARVO_TARGET_SSE41
namespace SSE41 {
#include "zarvo/png/pngkernels.inc"
}  // namespace SSE41
#undef ZARVO_PNG_TARGET
// Every x86-64 processor has SSE2: no target needed.
#define ZARVO_PNG_TARGET
#define ZARVO_PNG_SSE2 1
namespace SSE2 {
#include "zarvo/png/pngkernels.inc"
}  // namespace SSE2
#undef ZARVO_PNG_SSE2
#undef ZARVO_PNG_TARGET

ZARVO_TARGET_AVX2 void UPAVX2(uint8_t* row, const uint8_t* prior, size_t n) {
  UPBODY(row, prior, n);
}

#endif  // ZARVO_SIMD_X86

constexpr UNFILTERS PORTABLEUNFILTERS = {UPROW, SCALAR, PAIRBYROWS<SCALAR>,
                                         QUADBYPAIRS<PAIRBYROWS<SCALAR>>};
const UNFILTERS UNFILTERTABLE[] = {
    PORTABLEUNFILTERS,
#ifdef ZARVO_SIMD_X86
    {UPROW, SSE2::ROW, SSE2::PAIR, QUADBYPAIRS<SSE2::PAIR>},
    {UPROW, SSE41::ROW, SSE41::PAIR, QUADBYPAIRS<SSE41::PAIR>},
    {UPAVX2, AVX2::ROW, AVX2::PAIR, AVX2::QUAD},
#endif
};
static_assert(std::size(UNFILTERTABLE) == RUNTIME::SIMDLEVELS);

const UNFILTERS& UNFILTER() { return RUNTIME::KERNELS(UNFILTERTABLE); }

bool serial(uint8_t type) {
  return type == FILTER_SUB || type == FILTER_AVG || type == FILTER_PAETH;
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
      if (prior) UNFILTER().UP(row, prior, n);
      return;
    case FILTER_SUB:
      UNFILTER().ROW(K_SUB, row, prior, n, unit);
      return;
    case FILTER_AVG:
      UNFILTER().ROW(prior ? K_AVG : K_AVGFIRST, row, prior, n, unit);
      return;
    case FILTER_PAETH:
      UNFILTER().ROW(prior ? K_PAETH : K_SUB, row, prior, n, unit);
      return;
    default:
      return;
  }
}

void UNFILTERPAIR(uint8_t type1, uint8_t* row1, const uint8_t* prior1, uint8_t type2, uint8_t* row2,
                  size_t n, uint32_t unit) {
  ZARVO_ASSERT(type1 <= FILTER_PAETH && type2 <= FILTER_PAETH && unit >= 1 && unit <= 8);
  if (prior1 && n > 0 && serial(type1) && serial(type2))
    return UNFILTER().PAIR(type1, type2, row1, prior1, row2, n, unit);
  UNFILTERROW(type1, row1, prior1, n, unit);
  UNFILTERROW(type2, row2, row1, n, unit);
}

void UNFILTERQUAD(uint8_t type, uint8_t* row1, const uint8_t* prior1, uint8_t* row2, uint8_t* row3,
                  uint8_t* row4, size_t n, uint32_t unit) {
  ZARVO_ASSERT(type <= FILTER_PAETH && unit >= 1 && unit <= 8);
  if (prior1 && n > 0 && serial(type))
    return UNFILTER().QUAD(type, row1, prior1, row2, row3, row4, n, unit);
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
// The index is 64-bit so that 4 * j cannot wrap: with a 32-bit one the
// vectoriser gives up on every strided loop.
void GREY8ROW(const uint8_t* __restrict src, uint32_t* __restrict dst, uint32_t n, uint32_t i) {
  for (size_t j = i; j < n; ++j) dst[j] = 0xFF000000u | GREY(src[j]);
}

void GREY16ROW(const uint8_t* __restrict src, uint32_t* __restrict dst, uint32_t n, uint32_t i) {
  for (size_t j = i; j < n; ++j) dst[j] = 0xFF000000u | GREY(src[2 * j]);
}

void GA8ROW(const uint8_t* __restrict src, uint32_t* __restrict dst, uint32_t n, uint32_t i) {
  for (size_t j = i; j < n; ++j) dst[j] = (uint32_t{src[2 * j + 1]} << 24) | GREY(src[2 * j]);
}

void GA16ROW(const uint8_t* __restrict src, uint32_t* __restrict dst, uint32_t n, uint32_t i) {
  for (size_t j = i; j < n; ++j) dst[j] = (uint32_t{src[4 * j + 2]} << 24) | GREY(src[4 * j]);
}

void RGB8ROW(const uint8_t* __restrict src, uint32_t* __restrict dst, uint32_t n, uint32_t i) {
  for (size_t j = i; j < n; ++j) dst[j] = ARGB(255, src[3 * j], src[3 * j + 1], src[3 * j + 2]);
}

void RGBA8ROW(const uint8_t* __restrict src, uint32_t* __restrict dst, uint32_t n, uint32_t i) {
  for (size_t j = i; j < n; ++j)
    dst[j] = ARGB(src[4 * j + 3], src[4 * j], src[4 * j + 1], src[4 * j + 2]);
}

void RGB16ROW(const uint8_t* __restrict src, uint32_t* __restrict dst, uint32_t n, uint32_t i) {
  for (size_t j = i; j < n; ++j) dst[j] = ARGB(255, src[6 * j], src[6 * j + 2], src[6 * j + 4]);
}

void RGBA16ROW(const uint8_t* __restrict src, uint32_t* __restrict dst, uint32_t n, uint32_t i) {
  for (size_t j = i; j < n; ++j)
    dst[j] = ARGB(src[8 * j + 6], src[8 * j], src[8 * j + 2], src[8 * j + 4]);
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

// One level's converters of whole rows, for the formats of 8 and 16 bits a
// sample without a table.
using CONVERTFN = void (*)(const uint8_t* src, uint32_t* dst, uint32_t n);
using TAILFN = void (*)(const uint8_t* src, uint32_t* dst, uint32_t n, uint32_t i);
struct CONVERTS {
  CONVERTFN GREY8, GREY16, GA8, GA16, RGB8, RGBA8, RGB16, RGBA16;
};

template <TAILFN TAIL>
void PLAIN(const uint8_t* src, uint32_t* dst, uint32_t n) {
  TAIL(src, dst, n, 0);
}

constexpr CONVERTS PORTABLECONVERTS = {PLAIN<GREY8ROW>, PLAIN<GREY16ROW>, PLAIN<GA8ROW>,
                                       PLAIN<GA16ROW>,  PLAIN<RGB8ROW>,   PLAIN<RGBA8ROW>,
                                       PLAIN<RGB16ROW>, PLAIN<RGBA16ROW>};

#ifdef ZARVO_SIMD_X86

// Byte shuffles need SSSE3, which the SSE4.1 level includes.
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

// SSE2 has no byte shuffle; within a 32-bit pixel, red and blue trade places
// as the two 16-bit halves of the bytes 0 and 2. Same stopping rule as
// SHUFFLEROW.
inline __m128i SWAPRB(__m128i v) {
  const __m128i rb = _mm_and_si128(v, _mm_set1_epi32(0x00FF00FF));
  return _mm_shufflehi_epi16(_mm_shufflelo_epi16(rb, 0xB1), 0xB1);
}

uint32_t RGBA8SSE2(const uint8_t* src, uint32_t* dst, uint32_t n) {
  const __m128i ga = _mm_set1_epi32(static_cast<int32_t>(0xFF00FF00u));
  uint32_t i = 0;
  for (; i + 4 <= n; i += 4) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 4 * i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i),
                     _mm_or_si128(_mm_and_si128(v, ga), SWAPRB(v)));
  }
  return i;
}

uint32_t RGB8SSE2(const uint8_t* src, uint32_t* dst, uint32_t n) {
  // Four pixels of 3 bytes spread to 32 bits each, the byte past each one
  // then replaced by alpha.
  const __m128i g = _mm_set1_epi32(0x0000FF00);
  const __m128i alpha = _mm_set1_epi32(static_cast<int32_t>(0xFF000000u));
  uint32_t i = 0;
  for (; 3 * i + 16 <= 3 * n; i += 4) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 3 * i));
    const __m128i p01 = _mm_unpacklo_epi32(v, _mm_srli_si128(v, 3));
    const __m128i p23 = _mm_unpacklo_epi32(_mm_srli_si128(v, 6), _mm_srli_si128(v, 9));
    const __m128i p = _mm_unpacklo_epi64(p01, p23);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i),
                     _mm_or_si128(_mm_or_si128(_mm_and_si128(p, g), SWAPRB(p)), alpha));
  }
  return i;
}

// The shuffles from the first pixel, the plain loop for the rest of the row.
template <int S, const SHUFFLE& M, TAILFN TAIL>
void SHUFFLED(const uint8_t* src, uint32_t* dst, uint32_t n) {
  TAIL(src, dst, n, SHUFFLEROW<S>(M, src, dst, n));
}

template <uint32_t (*FAST)(const uint8_t*, uint32_t*, uint32_t), TAILFN TAIL>
void SHUFFLED16(const uint8_t* src, uint32_t* dst, uint32_t n) {
  TAIL(src, dst, n, FAST(src, dst, n));
}

constexpr CONVERTS SSE2CONVERTS = {
    PLAIN<GREY8ROW>,                PLAIN<GREY16ROW>, PLAIN<GA8ROW>,
    PLAIN<GA16ROW>,                 SHUFFLED16<RGB8SSE2, RGB8ROW>,
    SHUFFLED16<RGBA8SSE2, RGBA8ROW>, PLAIN<RGB16ROW>,  PLAIN<RGBA16ROW>};

constexpr CONVERTS SSSE3CONVERTS = {
    SHUFFLED<1, GREY8, GREY8ROW>,     SHUFFLED<2, GREY16, GREY16ROW>,
    SHUFFLED<2, GA8, GA8ROW>,         SHUFFLED<4, GA16, GA16ROW>,
    SHUFFLED<3, RGB8, RGB8ROW>,       SHUFFLED<4, RGBA8, RGBA8ROW>,
    SHUFFLED16<RGB16SSSE3, RGB16ROW>, SHUFFLED16<RGBA16SSSE3, RGBA16ROW>};

#endif  // ZARVO_SIMD_X86

const CONVERTS CONVERTTABLE[] = {
    PORTABLECONVERTS,
#ifdef ZARVO_SIMD_X86
    SSE2CONVERTS,
    SSSE3CONVERTS,
    SSSE3CONVERTS,
#endif
};
static_assert(std::size(CONVERTTABLE) == RUNTIME::SIMDLEVELS);

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
  const CONVERTS& k = RUNTIME::KERNELS(CONVERTTABLE);
  const bool wide = cv.DEPTH == 16;
  switch (cv.COLORTYPE) {
    case 0:
      if (wide) {
        k.GREY16(src, dst, n);
        if (cv.HASKEY) GREY16KEY(cv.KEY[0], src, dst, n);
      } else if (cv.HASKEY) {
        LUTROW(cv.LUT, src, dst, n);  // the key is in the table
      } else {
        k.GREY8(src, dst, n);
      }
      return;
    case 3:
      LUTROW(cv.LUT, src, dst, n);
      return;
    case 4:
      (wide ? k.GA16 : k.GA8)(src, dst, n);
      return;
    case 2:
      if (wide) {
        k.RGB16(src, dst, n);
        if (cv.HASKEY) RGB16KEY(cv.KEY, src, dst, n);
      } else {
        k.RGB8(src, dst, n);
        if (cv.HASKEY) RGB8KEY(cv.KEY, dst, n);
      }
      return;
    default:
      (wide ? k.RGBA16 : k.RGBA8)(src, dst, n);
      return;
  }
}

}  // namespace ZARVO::PNG
