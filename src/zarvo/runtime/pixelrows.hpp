#pragma once
// Row kernels of the image put, shared with the other pixel loops of the
// engine. Each equals its per-pixel rule bit for bit at every kernel level
// (simd.hpp): plain loops the compiler vectorises, and hand-written SSE2 and
// AVX2 loops for ALPHA, BLEND and ADD.
#include <cstddef>
#include <cstdint>

#include "zarvo/assert.hpp"
#include "zarvo/pixelmath.hpp"

namespace ZARVO::RUNTIME {

// d.c + floor((s.c - d.c) * a / 256) for each byte, a = alpha of s.
// The identity d + floor((s - d) a / 256) = (d (256 - a) + s a) >> 8 keeps every
// lane non-negative and below 65536, so two bytes share one 32-bit word.
inline uint32_t MIXPIXEL(uint32_t s, uint32_t d, uint32_t k) {
  ZARVO_ASSERT(k <= 256);
  const uint32_t ik = 256 - k;
  const uint32_t rb = (((d & 0x00FF00FFu) * ik + (s & 0x00FF00FFu) * k) >> 8) & 0x00FF00FFu;
  const uint32_t ag = (((d >> 8) & 0x00FF00FFu) * ik + ((s >> 8) & 0x00FF00FFu) * k) & 0xFF00FF00u;
  return rb | ag;
}
inline uint32_t ALPHAPIXEL(uint32_t s, uint32_t d) { return MIXPIXEL(s, d, s >> 24); }
// k from 1 to 256.
inline uint32_t BLENDPIXEL(uint32_t s, uint32_t d, int32_t k) {
  ZARVO_ASSERT(k >= 1 && k <= 256);
  return MIXPIXEL(s, d, static_cast<uint32_t>(k));
}
// min(255, d.c + floor(s.c * a / 256)) for each byte, for every factor: the
// product takes 64 bits, and a negative factor subtracts, down to 0 at most.
inline uint32_t ADDPIXEL(uint32_t s, uint32_t d, int32_t a) {
  uint32_t out = 0;
  for (int c = 0; c < 32; c += 8) {
    const int64_t v = int64_t{(d >> c) & 255u} + ((int64_t{(s >> c) & 255u} * a) >> 8);
    out |= static_cast<uint32_t>(DETAIL::CLAMPBYTE(v)) << c;
  }
  return out;
}

void FILLROW(uint32_t* d, size_t n, uint32_t c);
// Source and target rows must not overlap.
void ROWPRESET(const uint32_t* s, uint32_t* d, int32_t n);
void ROWAND(const uint32_t* s, uint32_t* d, int32_t n);
void ROWOR(const uint32_t* s, uint32_t* d, int32_t n);
void ROWXOR(const uint32_t* s, uint32_t* d, int32_t n);
void ROWTRANS(const uint32_t* s, uint32_t* d, int32_t n);
void ROWALPHA(const uint32_t* s, uint32_t* d, int32_t n);
void ROWADD(const uint32_t* s, uint32_t* d, int32_t n, int32_t a);
// k from 1 to 256; mask-colour source pixels are skipped.
void ROWBLEND(const uint32_t* s, uint32_t* d, int32_t n, int32_t k);

}  // namespace ZARVO::RUNTIME
