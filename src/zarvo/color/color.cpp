#include "zarvo/color/color.hpp"

#include <cmath>
#include <utility>

#include "zarvo/math/math.hpp"
#include "zarvo/pixelmath.hpp"

namespace ZARVO::COLOR {
namespace {

// Out-of-range components can drive the formulas to infinities or NaN (a
// division by a zero sum); the rounding saturates and gives 0 for NaN.
using DETAIL::ROUNDEVEN;

// Links are made without exceptions: null when memory runs out, and a missing
// link only costs its conversion being done again.
template <typename T>
std::unique_ptr<T> makelink(int32_t A, int32_t B, int32_t C) {
  try {
    return std::make_unique<T>(A, B, C);
  } catch (...) {
    return nullptr;
  }
}

constexpr double ONETHIRD = 1.0 / 3.0;
constexpr double TWOTHIRDS = 2.0 / 3.0;

}  // namespace

float HUE2RGB(float V1, float V2, float H) {
  if (H < 0.0f) {
    H += 1.0f;
  } else if (H > 1.0f) {
    H -= 1.0f;
  }
  if (6.0f * H < 1.0f) return V1 + (V2 - V1) * H * 6.0f;
  if (2.0f * H < 1.0f) return V2;
  // The 2/3 is a double, which carries this branch in double precision.
  if (3.0f * H < 2.0f) return static_cast<float>(V1 + (V2 - V1) * (TWOTHIRDS - H) * 6.0);
  return V1;
}

// ---- RGBTRIPLE ----

RGBTRIPLE::RGBTRIPLE() = default;
RGBTRIPLE::RGBTRIPLE(int32_t R, int32_t G, int32_t B) : NR(R), NG(G), NB(B) {}

RGBTRIPLE::~RGBTRIPLE() { DESTROYHSL(); }

// Links form a chain RGB -> HSL -> RGB -> ... as long as callers keep asking
// the linked objects for their own links; copy and release walk it in a loop
// so a long chain cannot exhaust the stack.
RGBTRIPLE::RGBTRIPLE(const RGBTRIPLE& other) : NR(other.NR), NG(other.NG), NB(other.NB) {
  const HSLTRIPLE* src = other.PHSL.get();
  std::unique_ptr<HSLTRIPLE>* dst = &PHSL;
  while (src) {
    *dst = makelink<HSLTRIPLE>(src->NH, src->NS, src->NL);
    const RGBTRIPLE* srgb = src->PRGB.get();
    if (!*dst || !srgb) break;
    (*dst)->PRGB = makelink<RGBTRIPLE>(srgb->NR, srgb->NG, srgb->NB);
    if (!(*dst)->PRGB) break;
    dst = &(*dst)->PRGB->PHSL;
    src = srgb->PHSL.get();
  }
}

RGBTRIPLE::RGBTRIPLE(RGBTRIPLE&& other) noexcept
    : NR(other.NR), NG(other.NG), NB(other.NB), PHSL(std::move(other.PHSL)) {}

RGBTRIPLE& RGBTRIPLE::operator=(const RGBTRIPLE& other) {
  if (this != &other) {
    RGBTRIPLE copy(other);
    *this = std::move(copy);
  }
  return *this;
}

RGBTRIPLE& RGBTRIPLE::operator=(RGBTRIPLE&& other) noexcept {
  if (this != &other) {
    // other may live inside our own chain: take everything from it before
    // the old chain goes.
    std::unique_ptr<HSLTRIPLE> link = std::move(other.PHSL);
    NR = other.NR;
    NG = other.NG;
    NB = other.NB;
    DESTROYHSL();
    PHSL = std::move(link);
  }
  return *this;
}

void RGBTRIPLE::DESTROYHSL() {
  std::unique_ptr<HSLTRIPLE> hsl = std::move(PHSL);
  while (hsl) {
    std::unique_ptr<RGBTRIPLE> rgb = std::move(hsl->PRGB);
    hsl.reset();
    if (!rgb) break;
    hsl = std::move(rgb->PHSL);
  }
}

void RGBTRIPLE::RED(int32_t V) {
  DESTROYHSL();
  NR = V;
}

void RGBTRIPLE::GREEN(int32_t V) {
  DESTROYHSL();
  NG = V;
}

void RGBTRIPLE::BLUE(int32_t V) {
  DESTROYHSL();
  NB = V;
}

uint32_t RGBTRIPLE::VALUE() const {
  // Unsigned shifts: a negative or oversized component spills into its
  // neighbours' bits, as its two's-complement pattern dictates.
  return 0xFF000000u | (static_cast<uint32_t>(NR) << 16) | (static_cast<uint32_t>(NG) << 8) |
         static_cast<uint32_t>(NB);
}

void RGBTRIPLE::VALUE(uint32_t V) {
  DESTROYHSL();
  NR = static_cast<int32_t>((V >> 16) & 0xFFu);
  NG = static_cast<int32_t>((V >> 8) & 0xFFu);
  NB = static_cast<int32_t>(V & 0xFFu);
}

HSLTRIPLE* RGBTRIPLE::TOHSL() {
  if (!PHSL) {
    PHSL = makelink<HSLTRIPLE>(0, 0, 0);
    if (PHSL) PHSL->FROMRGB(NR, NG, NB);
  }
  return PHSL.get();
}

void RGBTRIPLE::FROMHSL(const HSLTRIPLE* HSL) {
  if (!HSL) return;
  FROMHSL(HSL->NH, HSL->NS, HSL->NL);
}

void RGBTRIPLE::FROMHSL(int32_t H, int32_t S, int32_t L) {
  if (!PHSL) PHSL = makelink<HSLTRIPLE>(0, 0, 0);
  if (PHSL) {
    PHSL->HUE(H);
    PHSL->SATITURATION(S);
    PHSL->LIGHTNESS(L);
  }

  if (S == 0) {
    const int32_t grey = ROUNDEVEN(static_cast<float>(L) / 100.0f * 255.0f);
    NR = NG = NB = grey;
    return;
  }
  const float VS = static_cast<float>(S) / 100.0f;
  const float VH = static_cast<float>(H) / 360.0f;
  const float VL = static_cast<float>(L) / 100.0f;
  const float V2 = VL < 0.5f ? (1.0f + VS) * VL : (VS + VL) - VL * VS;
  const float V1 = 2.0f * VL - V2;
  NR = ROUNDEVEN(255.0f * HUE2RGB(V1, V2, static_cast<float>(VH + ONETHIRD)));
  NG = ROUNDEVEN(255.0f * HUE2RGB(V1, V2, VH));
  NB = ROUNDEVEN(255.0f * HUE2RGB(V1, V2, static_cast<float>(VH - ONETHIRD)));
}

// ---- HSLTRIPLE ----

HSLTRIPLE::HSLTRIPLE() = default;
HSLTRIPLE::HSLTRIPLE(int32_t H, int32_t S, int32_t L) : NH(H), NS(S), NL(L) {}

HSLTRIPLE::~HSLTRIPLE() { DESTROYRGB(); }

HSLTRIPLE::HSLTRIPLE(const HSLTRIPLE& other) : NH(other.NH), NS(other.NS), NL(other.NL) {
  const RGBTRIPLE* src = other.PRGB.get();
  std::unique_ptr<RGBTRIPLE>* dst = &PRGB;
  while (src) {
    *dst = makelink<RGBTRIPLE>(src->NR, src->NG, src->NB);
    const HSLTRIPLE* shsl = src->PHSL.get();
    if (!*dst || !shsl) break;
    (*dst)->PHSL = makelink<HSLTRIPLE>(shsl->NH, shsl->NS, shsl->NL);
    if (!(*dst)->PHSL) break;
    dst = &(*dst)->PHSL->PRGB;
    src = shsl->PRGB.get();
  }
}

HSLTRIPLE::HSLTRIPLE(HSLTRIPLE&& other) noexcept
    : NH(other.NH), NS(other.NS), NL(other.NL), PRGB(std::move(other.PRGB)) {}

HSLTRIPLE& HSLTRIPLE::operator=(const HSLTRIPLE& other) {
  if (this != &other) {
    HSLTRIPLE copy(other);
    *this = std::move(copy);
  }
  return *this;
}

HSLTRIPLE& HSLTRIPLE::operator=(HSLTRIPLE&& other) noexcept {
  if (this != &other) {
    std::unique_ptr<RGBTRIPLE> link = std::move(other.PRGB);
    NH = other.NH;
    NS = other.NS;
    NL = other.NL;
    DESTROYRGB();
    PRGB = std::move(link);
  }
  return *this;
}

void HSLTRIPLE::DESTROYRGB() {
  std::unique_ptr<RGBTRIPLE> rgb = std::move(PRGB);
  while (rgb) {
    std::unique_ptr<HSLTRIPLE> hsl = std::move(rgb->PHSL);
    rgb.reset();
    if (!hsl) break;
    rgb = std::move(hsl->PRGB);
  }
}

void HSLTRIPLE::HUE(int32_t V) {
  DESTROYRGB();
  NH = V;
}

void HSLTRIPLE::SATITURATION(int32_t V) {
  DESTROYRGB();
  NS = V;
}

void HSLTRIPLE::LIGHTNESS(int32_t V) {
  DESTROYRGB();
  NL = V;
}

RGBTRIPLE* HSLTRIPLE::linkrgb() const {
  if (!PRGB) {
    PRGB = makelink<RGBTRIPLE>(0, 0, 0);
    if (PRGB) PRGB->FROMHSL(NH, NS, NL);
  }
  return PRGB.get();
}

RGBTRIPLE* HSLTRIPLE::TORGB() { return linkrgb(); }

uint32_t HSLTRIPLE::VALUE() const {
  if (const RGBTRIPLE* rgb = linkrgb()) return rgb->VALUE();
  RGBTRIPLE rgb(0, 0, 0);  // no memory for the link: convert without keeping it
  rgb.FROMHSL(NH, NS, NL);
  return rgb.VALUE();
}

void HSLTRIPLE::VALUE(uint32_t V) {
  DESTROYRGB();
  RGBTRIPLE rgb(0, 0, 0);
  rgb.VALUE(V);
  FROMRGB(rgb.NR, rgb.NG, rgb.NB);  // makes the link holding V
}

void HSLTRIPLE::FROMRGB(const RGBTRIPLE* RGB) {
  if (!RGB) return;
  FROMRGB(RGB->NR, RGB->NG, RGB->NB);
}

void HSLTRIPLE::FROMRGB(int32_t R, int32_t G, int32_t B) {
  if (!PRGB) PRGB = makelink<RGBTRIPLE>(0, 0, 0);
  if (PRGB) {
    PRGB->RED(R);
    PRGB->GREEN(G);
    PRGB->BLUE(B);
  }

  const float VR = static_cast<float>(R) / 255.0f;
  const float VG = static_cast<float>(G) / 255.0f;
  const float VB = static_cast<float>(B) / 255.0f;
  const float VMIN = static_cast<float>(MATH::MIN(MATH::MIN(VR, VG), VB));
  const float VMAX = static_cast<float>(MATH::MAX(MATH::MAX(VR, VG), VB));
  const float DELMAX = VMAX - VMIN;

  NH = 0;
  NS = 0;
  NL = ROUNDEVEN((VMIN + VMAX) / 2.0f * 100.0f);
  if (DELMAX == 0.0f) return;  // a grey: no hue, no saturation

  // Chosen by the rounded lightness, not the exact one.
  if (NL < 50) {
    NS = ROUNDEVEN(DELMAX / (VMAX + VMIN) * 100.0f);
  } else {
    NS = ROUNDEVEN(DELMAX / (2.0f - VMAX - VMIN) * 100.0f);
  }

  const float DR = ((VMAX - VR) / 6.0f + DELMAX / 2.0f) / DELMAX;
  const float DG = ((VMAX - VG) / 6.0f + DELMAX / 2.0f) / DELMAX;
  const float DB = ((VMAX - VB) / 6.0f + DELMAX / 2.0f) / DELMAX;

  float VH;
  if (VR == VMAX) {
    VH = DB - DG;
  } else if (VG == VMAX) {
    VH = static_cast<float>(ONETHIRD + DR - DB);
  } else {
    VH = static_cast<float>(TWOTHIRDS + DG - DR);
  }
  if (VH < 0.0f) {
    VH += 1.0f;
  } else if (VH > 1.0f) {
    VH -= 1.0f;
  }
  NH = ROUNDEVEN(360.0f * VH);
}

}  // namespace ZARVO::COLOR
