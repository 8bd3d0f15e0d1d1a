#include "zarvo/graphics/blender.hpp"

#include <cmath>
#include <cstdint>
#include <functional>
#include <numbers>
#include <type_traits>

#include "zarvo/assert.hpp"
#include "zarvo/math/math.hpp"
#include "zarvo/pixelmath.hpp"

#include "zarvo/runtime/multiversion.hpp"

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

using ROWKERNEL = void (*)(const uint32_t*, uint32_t*, int32_t, bool, const int32_t*);

template <class M>
void rowblend(const uint32_t* s, uint32_t* d, int32_t n, void* parameter, ROWKERNEL kernel) {
  if (n <= 0) return;
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

#define ZARVO_BLENDMODE(NAME)                                                              \
  uint32_t NAME(uint32_t SRC, uint32_t DEST, void* PARAMETER) {                            \
    return blendpixel<M##NAME>(SRC, DEST, PARAMETER);                                      \
  }                                                                                        \
  namespace {                                                                              \
  ZARVO_MULTIVERSION void rowkernel_##NAME(const uint32_t* __restrict s,                  \
                                           uint32_t* __restrict d, int32_t n, bool opacity, \
                                           const int32_t* __restrict table) {              \
    if (opacity)                                                                           \
      blendrow<M##NAME, true>(s, d, n, table);                                             \
    else                                                                                   \
      blendrow<M##NAME, false>(s, d, n, table);                                            \
  }                                                                                        \
  void row_##NAME(const uint32_t* s, uint32_t* d, int32_t n, void* parameter) {            \
    rowblend<M##NAME>(s, d, n, parameter, rowkernel_##NAME);                               \
  }                                                                                        \
  }

ZARVO_BLENDMODE(NORMAL)
ZARVO_BLENDMODE(MULTIPLY)
ZARVO_BLENDMODE(SCREEN)
ZARVO_BLENDMODE(DARKEN)
ZARVO_BLENDMODE(LIGHTEN)
ZARVO_BLENDMODE(DIFFERENCE)
ZARVO_BLENDMODE(EXCLUSION)
ZARVO_BLENDMODE(NEGATION)
ZARVO_BLENDMODE(INTERPOLATION)
ZARVO_BLENDMODE(STAMP)
ZARVO_BLENDMODE(AVERAGE)
ZARVO_BLENDMODE(OVERLAY)
ZARVO_BLENDMODE(HARDLIGHT)
ZARVO_BLENDMODE(SOFTLIGHT)
ZARVO_BLENDMODE(COLORDODGE)
ZARVO_BLENDMODE(INVCOLORDODGE)
ZARVO_BLENDMODE(SOFTDODGE)
ZARVO_BLENDMODE(COLORBURN)
ZARVO_BLENDMODE(INVCOLORBURN)
ZARVO_BLENDMODE(SOFTBURN)
ZARVO_BLENDMODE(REFLECT)
ZARVO_BLENDMODE(GLOW)
ZARVO_BLENDMODE(FREEZE)
ZARVO_BLENDMODE(HEAT)
ZARVO_BLENDMODE(ADDITIVE)
ZARVO_BLENDMODE(SUBTRACTIVE)
ZARVO_BLENDMODE(RED)
ZARVO_BLENDMODE(GREEN)
ZARVO_BLENDMODE(BLUE)

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
