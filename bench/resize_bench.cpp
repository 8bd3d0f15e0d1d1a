// Resizing 320x240 to 640x480 (and back down) at every kernel level, beside
// memcpy of the output as the floor, pixman's bilinear filter under a scale
// transform, and SDL2's SDL_BlitScaled (nearest neighbour: the closest SDL2
// has). Each engine pass resizes a fresh copy of the picture; making that
// copy is left out of the time.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

#include "support/bench.hpp"
#include "zarvo/graphics/bitmap.hpp"
#include "zarvo/runtime/headless/headless.hpp"
#include "zarvo/runtime/image.hpp"
#include "zarvo/runtime/runtime.hpp"
#include "zarvo/runtime/simd.hpp"
#ifdef ZARVO_HAVE_PIXMAN
#include <pixman.h>
#endif

using namespace ZARVO;
using namespace ZARVO::GRAPHICS;

namespace {

constexpr int W = 640, H = 480;

struct PICTURES {
  BITMAP big, small, sprite, scratch;
  PICTURES() {
    BENCH::HEADLESSSCREEN(W, H);
    big.CREATE(W, H, 0, 32);
    small.CREATE(W / 2, H / 2, 0, 32);
    scratch.CREATE(W, H, 0, 32);
    BENCH::NOISE(big, 2463534242u, BENCH::NOISEKIND::PHOTO);
    BENCH::NOISE(small, 88675123u, BENCH::NOISEKIND::PHOTO);
    // A colour-keyed sprite: the same noise with a mask-colour background
    // around a disc, so the rows through the edge take the mask path.
    sprite.COPY(small, 0, 0, 0, 0);
    for (int y = 0; y < H / 2; ++y)
      for (int x = 0; x < W / 2; ++x) {
        const int dx = x - W / 4, dy = y - H / 4;
        if (dx * dx + dy * dy > 100 * 100) RUNTIME::ROW32(sprite.HANDLE(), y)[x] = 0x00FF00FFu;
      }
  }
};

PICTURES& pictures() {
  static PICTURES p;
  return p;
}

void BM_memcpy_output(benchmark::State& state) {
  PICTURES& p = pictures();
  BENCH::MEMCPYROWS(state, p.scratch, p.big);
}

void resize(benchmark::State& state, int level, const BITMAP& from, int32_t w, int32_t h,
            RESIZEMETHOD m) {
  RUNTIME::SIMDLEVEL(level);
  BITMAP b;
  for (auto _ : state) {
    state.PauseTiming();
    b.COPY(from, 0, 0, 0, 0);
    state.ResumeTiming();
    b.RESIZE(w, h, m);
    benchmark::ClobberMemory();
  }
  RUNTIME::SIMDLEVEL(-1);
  BENCH::PERPIXEL(state, double(w) * h);
}

void sdlscaled(benchmark::State& state, const BITMAP& from, int32_t w, int32_t h) {
  PICTURES& p = pictures();
  SDL_Surface* s = SDL_CreateRGBSurfaceWithFormatFrom(
      const_cast<uint8_t*>(RUNTIME::PIXELS(from.HANDLE())), int(from.WIDTH()), int(from.HEIGHT()),
      32, int(from.PITCH()), SDL_PIXELFORMAT_ARGB8888);
  SDL_Surface* d =
      SDL_CreateRGBSurfaceWithFormatFrom(RUNTIME::PIXELS(p.scratch.HANDLE()), W, H, 32,
                                         int(p.scratch.PITCH()), SDL_PIXELFORMAT_ARGB8888);
  SDL_SetSurfaceBlendMode(s, SDL_BLENDMODE_NONE);
  SDL_Rect to{0, 0, w, h};
  for (auto _ : state) {
    SDL_BlitScaled(s, nullptr, d, &to);
    benchmark::ClobberMemory();
  }
  SDL_FreeSurface(s);
  SDL_FreeSurface(d);
  BENCH::PERPIXEL(state, double(w) * h);
}

#ifdef ZARVO_HAVE_PIXMAN
pixman_image_t* pixmanimage(const BITMAP& b) {
  return pixman_image_create_bits(
      PIXMAN_a8r8g8b8, int(b.WIDTH()), int(b.HEIGHT()),
      reinterpret_cast<uint32_t*>(const_cast<uint8_t*>(RUNTIME::PIXELS(b.HANDLE()))),
      int(b.PITCH()));
}

void pixmanbilinear(benchmark::State& state, const BITMAP& from, int32_t w, int32_t h) {
  PICTURES& p = pictures();
  pixman_image_t* s = pixmanimage(from);
  pixman_image_t* d = pixmanimage(p.scratch);
  pixman_transform_t t;
  pixman_transform_init_scale(&t, pixman_double_to_fixed(double(from.WIDTH()) / w),
                              pixman_double_to_fixed(double(from.HEIGHT()) / h));
  pixman_image_set_transform(s, &t);
  pixman_image_set_filter(s, PIXMAN_FILTER_BILINEAR, nullptr, 0);
  pixman_image_set_repeat(s, PIXMAN_REPEAT_PAD);  // edges repeat, as in the engine
  for (auto _ : state) {
    pixman_image_composite32(PIXMAN_OP_SRC, s, nullptr, d, 0, 0, 0, 0, 0, 0, w, h);
    benchmark::ClobberMemory();
  }
  pixman_image_unref(s);
  pixman_image_unref(d);
  BENCH::PERPIXEL(state, double(w) * h);
}
#endif

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  PICTURES& p = pictures();
  benchmark::RegisterBenchmark("memcpy_output_640x480", BM_memcpy_output);
  for (int l = RUNTIME::SIMDBEST(); l >= 0; --l) {
    const std::string level = RUNTIME::SIMDNAME(l);
    benchmark::RegisterBenchmark(("RESIZE_bilinear_up/" + level).c_str(), resize, l,
                                 std::cref(p.small), W, H, RESIZEMETHOD::GXSCALEBILINEAR);
    benchmark::RegisterBenchmark(("RESIZE_bilinear_up_sprite/" + level).c_str(), resize, l,
                                 std::cref(p.sprite), W, H, RESIZEMETHOD::GXSCALEBILINEAR);
    benchmark::RegisterBenchmark(("RESIZE_bilinear_down/" + level).c_str(), resize, l,
                                 std::cref(p.big), W / 2, H / 2, RESIZEMETHOD::GXSCALEBILINEAR);
    benchmark::RegisterBenchmark(("RESIZE_nearest_up/" + level).c_str(), resize, l,
                                 std::cref(p.small), W, H, RESIZEMETHOD::GXSCALE);
  }
#ifdef ZARVO_HAVE_PIXMAN
  benchmark::RegisterBenchmark("pixman_bilinear_up", pixmanbilinear, std::cref(p.small), W, H);
  benchmark::RegisterBenchmark("pixman_bilinear_down", pixmanbilinear, std::cref(p.big), W / 2,
                               H / 2);
#endif
  benchmark::RegisterBenchmark("SDL_BlitScaled_up", sdlscaled, std::cref(p.small), W, H);
  benchmark::RegisterBenchmark("SDL_BlitScaled_down", sdlscaled, std::cref(p.big), W / 2, H / 2);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
