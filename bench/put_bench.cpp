// The image put at 640x480 per mode, beside memcpy of the same rows, SDL2's
// blits (plain and alpha-blended ARGB8888) and pixman's OVER.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "zarvo/runtime/headless/headless.hpp"
#include "zarvo/runtime/image.hpp"
#include "zarvo/runtime/runtime.hpp"
#ifdef ZARVO_HAVE_PIXMAN
#include <pixman.h>
#endif

using namespace ZARVO::RUNTIME;

namespace {

constexpr int W = 640, H = 480;

struct IMAGES {
  IMAGE* src;
  IMAGE* dst;
  IMAGES() {
    ZARVO::HEADLESS::USE();
    SCREENMODE(W, H, 32, 1, 0, 0);
    src = IMAGECREATE(W, H, 0, 32, 0);
    dst = IMAGECREATE(W, H, 0xFF336699u, 32, 0);
    uint32_t s = 2463534242u;
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x) {
        s ^= s << 13;
        s ^= s >> 17;
        s ^= s << 5;
        ROW32(src, y)[x] = s;  // varied alpha
      }
  }
};

IMAGES& images() {
  static IMAGES i;
  return i;
}

void report(benchmark::State& state) {
  state.counters["ns/px"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * W * H,
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void put(benchmark::State& state, PUTMODE mode, int32_t alpha) {
  IMAGES& im = images();
  SCREENLOCK();
  for (auto _ : state) {
    IMAGEPUT(im.dst, 0, 0, im.src, 0, 0, W - 1, H - 1, RECT_CORNERS, mode, alpha,
             [](uint32_t s, uint32_t d, void*) -> uint32_t { return s ^ d; }, nullptr);
    benchmark::ClobberMemory();
  }
  SCREENUNLOCK();
  state.SetItemsProcessed(state.iterations() * W * H);
  report(state);
}

void BM_memcpy(benchmark::State& state) {
  IMAGES& im = images();
  for (auto _ : state) {
    for (int y = 0; y < H; ++y) std::memcpy(ROW32(im.dst, y), ROW32(im.src, y), W * 4);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * W * H);
  report(state);
}

void BM_put_PSET(benchmark::State& s) { put(s, PUT_PSET, -1); }
void BM_put_TRANS(benchmark::State& s) { put(s, PUT_TRANS, -1); }
void BM_put_ALPHA(benchmark::State& s) { put(s, PUT_ALPHA, -1); }
void BM_put_ADD(benchmark::State& s) { put(s, PUT_ADD, 255); }
void BM_put_BLEND(benchmark::State& s) { put(s, PUT_BLEND, 128); }
void BM_put_CUSTOM(benchmark::State& s) { put(s, PUT_CUSTOM, -1); }

void sdlblit(benchmark::State& state, SDL_BlendMode mode) {
  IMAGES& im = images();
  SDL_Surface* s = SDL_CreateRGBSurfaceWithFormatFrom(ZARVO::RUNTIME::PIXELS(im.src), W, H, 32,
                                                      im.src->PITCH, SDL_PIXELFORMAT_ARGB8888);
  SDL_Surface* d = SDL_CreateRGBSurfaceWithFormatFrom(ZARVO::RUNTIME::PIXELS(im.dst), W, H, 32,
                                                      im.dst->PITCH, SDL_PIXELFORMAT_ARGB8888);
  SDL_SetSurfaceBlendMode(s, mode);
  for (auto _ : state) {
    SDL_BlitSurface(s, nullptr, d, nullptr);
    benchmark::ClobberMemory();
  }
  SDL_FreeSurface(s);
  SDL_FreeSurface(d);
  state.SetItemsProcessed(state.iterations() * W * H);
  report(state);
}

void BM_sdl_blit_copy(benchmark::State& s) { sdlblit(s, SDL_BLENDMODE_NONE); }
void BM_sdl_blit_alpha(benchmark::State& s) { sdlblit(s, SDL_BLENDMODE_BLEND); }

#ifdef ZARVO_HAVE_PIXMAN
void BM_pixman_over(benchmark::State& state) {
  IMAGES& im = images();
  pixman_image_t* s = pixman_image_create_bits(
      PIXMAN_a8r8g8b8, W, H, reinterpret_cast<uint32_t*>(ZARVO::RUNTIME::PIXELS(im.src)),
      static_cast<int>(im.src->PITCH));
  pixman_image_t* d = pixman_image_create_bits(
      PIXMAN_a8r8g8b8, W, H, reinterpret_cast<uint32_t*>(ZARVO::RUNTIME::PIXELS(im.dst)),
      static_cast<int>(im.dst->PITCH));
  for (auto _ : state) {
    pixman_image_composite32(PIXMAN_OP_OVER, s, nullptr, d, 0, 0, 0, 0, 0, 0, W, H);
    benchmark::ClobberMemory();
  }
  pixman_image_unref(s);
  pixman_image_unref(d);
  state.SetItemsProcessed(state.iterations() * W * H);
  report(state);
}
BENCHMARK(BM_pixman_over);
#endif

}  // namespace

BENCHMARK(BM_memcpy);
BENCHMARK(BM_put_PSET);
BENCHMARK(BM_put_TRANS);
BENCHMARK(BM_put_ALPHA);
BENCHMARK(BM_put_ADD);
BENCHMARK(BM_put_BLEND);
BENCHMARK(BM_put_CUSTOM);
BENCHMARK(BM_sdl_blit_copy);
BENCHMARK(BM_sdl_blit_alpha);
BENCHMARK_MAIN();
