// What the benchmarks share: a headless screen, noise pictures, the ns/px
// counter, the memcpy floor, and the transition effects they paint.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <string_view>

#include "zarvo/graphics/bitmap.hpp"
#include "zarvo/runtime/headless/headless.hpp"
#include "zarvo/runtime/image.hpp"
#include "zarvo/runtime/runtime.hpp"
#include "zarvo/transitions/fade.hpp"
#include "zarvo/transitions/hstripes.hpp"
#include "zarvo/transitions/slidein.hpp"
#include "zarvo/transitions/slideout.hpp"
#include "zarvo/transitions/transitions.hpp"
#include "zarvo/transitions/vstripes.hpp"
#include "zarvo/transitions/zoomin.hpp"
#include "zarvo/transitions/zoomout.hpp"

namespace BENCH {

// The headless backend with a 32-bit screen of w x h (bitmaps need one).
inline void HEADLESSSCREEN(int32_t w, int32_t h) {
  ZARVO::HEADLESS::USE();
  ZARVO::RUNTIME::SCREENMODE(w, h, 32, 1, 0, 0);
}

enum class NOISEKIND {
  ANY,    // every bit random: any alpha, now and then the mask colour
  PHOTO,  // opaque and never the mask colour, as a photograph would be
};

// Fills an existing bitmap with xorshift noise.
inline void NOISE(ZARVO::GRAPHICS::BITMAP& b, uint32_t seed, NOISEKIND kind = NOISEKIND::ANY) {
  for (uint32_t y = 0; y < b.HEIGHT(); ++y) {
    uint32_t* row = ZARVO::RUNTIME::ROW32(b.HANDLE(), y);
    for (uint32_t x = 0; x < b.WIDTH(); ++x) {
      seed ^= seed << 13;
      seed ^= seed >> 17;
      seed ^= seed << 5;
      row[x] = kind == NOISEKIND::ANY
                   ? seed
                   : (seed | 0xFF000000u) ^ ((seed & 0xFFFFFFu) == 0xFF00FFu ? 1u : 0u);
    }
  }
}

// Reports ns per pixel of `pixels` a pass.
inline void PERPIXEL(benchmark::State& state, double pixels) {
  state.counters["ns/px"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * pixels,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// The floor: memcpy of every row of `from` onto `to` (the same size).
inline void MEMCPYROWS(benchmark::State& state, ZARVO::GRAPHICS::BITMAP& to,
                       const ZARVO::GRAPHICS::BITMAP& from) {
  const size_t bytes = size_t(from.WIDTH()) * 4;
  for (auto _ : state) {
    for (uint32_t y = 0; y < from.HEIGHT(); ++y)
      std::memcpy(ZARVO::RUNTIME::ROW32(to.HANDLE(), y), ZARVO::RUNTIME::ROW32(from.HANDLE(), y),
                  bytes);
    benchmark::ClobberMemory();
  }
  PERPIXEL(state, double(from.WIDTH()) * from.HEIGHT());
}

// A transition effect as the transition screen drives it.
struct EFFECTDEF {
  const char* name;
  void (*init)(ZARVO::EFFECT::EASING, float);
  void (*paint)(ZARVO::GRAPHICS::BITMAP&);
  ZARVO::EFFECT::ANIMATION** anim;
};

namespace T = ZARVO::ENGINE::TRANSITION;
inline const EFFECTDEF EFFECTS[] = {
    {"fade", T::FADEEFFECT::INIT, T::FADEEFFECT::ONPAINT, &T::FADEEFFECT::ANIM},
    {"hstripes", T::HSTRIPESEFFECT::INIT, T::HSTRIPESEFFECT::ONPAINT, &T::HSTRIPESEFFECT::ANIM},
    {"vstripes", T::VSTRIPESEFFECT::INIT, T::VSTRIPESEFFECT::ONPAINT, &T::VSTRIPESEFFECT::ANIM},
    {"slidein", T::SLIDEINEFFECT::INIT, T::SLIDEINEFFECT::ONPAINT, &T::SLIDEINEFFECT::ANIM},
    {"slideout", T::SLIDEOUTEFFECT::INIT, T::SLIDEOUTEFFECT::ONPAINT, &T::SLIDEOUTEFFECT::ANIM},
    {"zoomin", T::ZOOMINEFFECT::INIT, T::ZOOMINEFFECT::ONPAINT, &T::ZOOMINEFFECT::ANIM},
    {"zoomout", T::ZOOMOUTEFFECT::INIT, T::ZOOMOUTEFFECT::ONPAINT, &T::ZOOMOUTEFFECT::ANIM},
};

inline const EFFECTDEF& EFFECT(std::string_view name) {
  for (const EFFECTDEF& e : EFFECTS)
    if (name == e.name) return e;
  return EFFECTS[0];
}

}  // namespace BENCH
