#pragma once
// Test helpers: a headless screen and small image builders.
#include <cstdint>
#include <vector>

#include "zarvo/runtime/headless/headless.hpp"
#include "zarvo/runtime/image.hpp"
#include "zarvo/runtime/runtime.hpp"

namespace TESTS {

// Opens a headless screen of w x h (image creation and the put need one).
inline void OPENSCREEN(int32_t w = 64, int32_t h = 48) {
  ZARVO::HEADLESS::USE();
  ZARVO::RUNTIME::SCREENMODE(w, h, 32, 1, 0, 0);
}

// Owns an image buffer for the length of a test.
struct IMG {
  ZARVO::RUNTIME::IMAGE* p = nullptr;
  IMG(int32_t w, int32_t h, uint32_t c = 0) : p(ZARVO::RUNTIME::IMAGECREATE(w, h, c, 32, 0)) {}
  explicit IMG(ZARVO::RUNTIME::IMAGE* q) : p(q) {}
  IMG(const IMG&) = delete;
  IMG& operator=(const IMG&) = delete;
  ~IMG() { ZARVO::RUNTIME::IMAGEDESTROY(p); }
  uint32_t& at(uint32_t x, uint32_t y) { return ZARVO::RUNTIME::ROW32(p, y)[x]; }
  operator ZARVO::RUNTIME::IMAGE*() const { return p; }
};

// Deterministic pseudo-random pixels, with some mask colours and alpha extremes mixed in.
inline uint32_t NOISE(uint32_t& state) {
  state ^= state << 13;
  state ^= state >> 17;
  state ^= state << 5;
  uint32_t v = state;
  switch (v % 16) {
    case 0: return (v & 0xFF000000u) | 0x00FF00FFu;
    case 1: return v | 0xFF000000u;
    case 2: return v & 0x00FFFFFFu;
    default: return v;
  }
}

inline void FILLNOISE(IMG& img, uint32_t seed) {
  for (uint32_t y = 0; y < img.p->HEIGHT; ++y)
    for (uint32_t x = 0; x < img.p->WIDTH; ++x) img.at(x, y) = NOISE(seed);
}

}  // namespace TESTS
