// Filters, flips, opacity and resizing of a 640x480 bitmap, beside memcpy of
// the same rows as the floor, SDL2's SDL_BlitScaled and pixman's
// nearest-neighbour transform for the resize.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "zarvo/color/color.hpp"
#include "zarvo/graphics/bitmap.hpp"
#include "zarvo/runtime/headless/headless.hpp"
#include "zarvo/runtime/image.hpp"
#include "zarvo/runtime/runtime.hpp"
#ifdef ZARVO_HAVE_PIXMAN
#include <pixman.h>
#endif

using namespace ZARVO;
using namespace ZARVO::GRAPHICS;

namespace {

constexpr int W = 640, H = 480;

void noise(BITMAP& b, uint32_t seed) {
  for (uint32_t y = 0; y < b.HEIGHT(); ++y)
    for (uint32_t x = 0; x < b.WIDTH(); ++x) {
      seed ^= seed << 13;
      seed ^= seed >> 17;
      seed ^= seed << 5;
      RUNTIME::ROW32(b.HANDLE(), y)[x] = seed;
    }
}

struct PICTURES {
  BITMAP big, small, scratch;
  std::vector<MATH::POINT> ripple;
  PICTURES() {
    HEADLESS::USE();
    RUNTIME::SCREENMODE(W, H, 32, 1, 0, 0);
    big.CREATE(W, H, 0, 32);
    small.CREATE(W / 2, H / 2, 0, 32);
    scratch.CREATE(W, H, 0, 32);
    noise(big, 2463534242u);
    noise(small, 88675123u);
    // A displacement of a few pixels, clamped at the edges.
    ripple.resize(size_t(W) * H);
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x) {
        int sx = x + ((y * 7) % 9) - 4, sy = y + ((x * 5) % 7) - 3;
        sx = sx < 0 ? 0 : (sx >= W ? W - 1 : sx);
        sy = sy < 0 ? 0 : (sy >= H ? H - 1 : sy);
        ripple[size_t(y) * W + x] = {sx, sy};
      }
  }
};

PICTURES& pictures() {
  static PICTURES p;
  return p;
}

void perpixel(benchmark::State& state, double pixels) {
  state.counters["ns/px"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * pixels,
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_memcpy(benchmark::State& state) {
  PICTURES& p = pictures();
  for (auto _ : state) {
    for (int y = 0; y < H; ++y)
      std::memcpy(RUNTIME::ROW32(p.scratch.HANDLE(), y), RUNTIME::ROW32(p.big.HANDLE(), y), W * 4);
    benchmark::ClobberMemory();
  }
  perpixel(state, double(W) * H);
}

void filter(benchmark::State& state, BITMAPFILTER f, void* param) {
  PICTURES& p = pictures();
  for (auto _ : state) {
    p.big.APPLYFILTER(f, param);
    benchmark::ClobberMemory();
  }
  perpixel(state, double(W) * H);
}

void BM_INVERT(benchmark::State& s) { filter(s, BITMAPFILTER::GXINVERT, nullptr); }
void BM_GRAYSCALE(benchmark::State& s) { filter(s, BITMAPFILTER::GXGRAYSCALE, nullptr); }
void BM_BRIGHTNESS(benchmark::State& s) {
  int32_t v = 30;
  filter(s, BITMAPFILTER::GXBRIGHTNESS, &v);
}
void BM_CONTRAST(benchmark::State& s) {
  int32_t v = 40;
  filter(s, BITMAPFILTER::GXCONTRAST, &v);
}
// At 100 the line does not reproduce the rule, so another path runs.
void BM_CONTRAST100(benchmark::State& s) {
  int32_t v = 100;
  filter(s, BITMAPFILTER::GXCONTRAST, &v);
}
void BM_REDCHANNEL(benchmark::State& s) { filter(s, BITMAPFILTER::GXREDCHANNEL, nullptr); }
void BM_GREENCHANNEL(benchmark::State& s) { filter(s, BITMAPFILTER::GXGREENCHANNEL, nullptr); }
void BM_BLUECHANNEL(benchmark::State& s) { filter(s, BITMAPFILTER::GXBLUECHANNEL, nullptr); }
void BM_COLOROFFSET(benchmark::State& s) {
  COLOR::RGBTRIPLE t(-128, 0, 127);
  filter(s, BITMAPFILTER::GXCOLOROFFSET, &t);
}
void BM_PIXELOFFSET(benchmark::State& s) {
  filter(s, BITMAPFILTER::GXPIXELOFFSET, pictures().ripple.data());
}
void BM_FLIP_HORISONTAL(benchmark::State& s) {
  FLIPDIRECTION d = FLIPDIRECTION::GXHORISONTAL;
  filter(s, BITMAPFILTER::GXFLIP, &d);
}
void BM_FLIP_VERTICAL(benchmark::State& s) {
  FLIPDIRECTION d = FLIPDIRECTION::GXVERTICAL;
  filter(s, BITMAPFILTER::GXFLIP, &d);
}
void BM_FLIP_BOTH(benchmark::State& s) {
  FLIPDIRECTION d = FLIPDIRECTION::GXBOTH;
  filter(s, BITMAPFILTER::GXFLIP, &d);
}

// Opacity between 200 and 255 and back, as a hovered button does.
void opacity(benchmark::State& state, bool preserved) {
  PICTURES& p = pictures();
  BITMAP b(p.big);
  if (preserved) b.PRESERVEALPHACHANNEL();
  uint8_t a = 200;
  for (auto _ : state) {
    b.ALPHA(a);
    a = a == 200 ? 255 : 200;
    benchmark::ClobberMemory();
  }
  perpixel(state, double(W) * H);
}
void BM_ALPHA_relative(benchmark::State& s) { opacity(s, false); }
void BM_ALPHA_preserved(benchmark::State& s) { opacity(s, true); }

// RESIZE replaces the image, so each pass starts from a fresh copy made
// outside the timing.
void resize(benchmark::State& state, const BITMAP& from, int32_t w, int32_t h, RESIZEMETHOD m) {
  BITMAP b;
  for (auto _ : state) {
    state.PauseTiming();
    b.COPY(from);
    state.ResumeTiming();
    b.RESIZE(w, h, m);
    benchmark::ClobberMemory();
  }
  perpixel(state, double(w) * h);
}
void BM_RESIZE_up(benchmark::State& s) {
  resize(s, pictures().small, W, H, RESIZEMETHOD::GXSCALE);
}
void BM_RESIZE_down(benchmark::State& s) {
  resize(s, pictures().big, W / 2, H / 2, RESIZEMETHOD::GXSCALE);
}
void BM_RESIZE_bilinear_up(benchmark::State& s) {
  resize(s, pictures().small, W, H, RESIZEMETHOD::GXSCALEBILINEAR);
}
void BM_RESIZE_repeat(benchmark::State& s) {
  resize(s, pictures().small, W, H, RESIZEMETHOD::GXREPEAT);
}

SDL_Surface* surface(const BITMAP& b) {
  return SDL_CreateRGBSurfaceWithFormatFrom(RUNTIME::PIXELS(b.HANDLE()), int(b.WIDTH()),
                                            int(b.HEIGHT()), 32, int(b.PITCH()),
                                            SDL_PIXELFORMAT_ARGB8888);
}

void sdlscaled(benchmark::State& state, const BITMAP& from, int32_t w, int32_t h) {
  PICTURES& p = pictures();
  SDL_Surface* s = surface(from);
  SDL_Surface* d = surface(p.scratch);
  SDL_SetSurfaceBlendMode(s, SDL_BLENDMODE_NONE);
  SDL_Rect to{0, 0, w, h};
  for (auto _ : state) {
    SDL_BlitScaled(s, nullptr, d, &to);
    benchmark::ClobberMemory();
  }
  SDL_FreeSurface(s);
  SDL_FreeSurface(d);
  perpixel(state, double(w) * h);
}
void BM_SDL_BlitScaled_up(benchmark::State& s) { sdlscaled(s, pictures().small, W, H); }
void BM_SDL_BlitScaled_down(benchmark::State& s) { sdlscaled(s, pictures().big, W / 2, H / 2); }

#ifdef ZARVO_HAVE_PIXMAN
pixman_image_t* pixmanimage(const BITMAP& b) {
  return pixman_image_create_bits(PIXMAN_a8r8g8b8, int(b.WIDTH()), int(b.HEIGHT()),
                                  reinterpret_cast<uint32_t*>(RUNTIME::PIXELS(b.HANDLE())),
                                  int(b.PITCH()));
}

void pixmanscaled(benchmark::State& state, const BITMAP& from, int32_t w, int32_t h) {
  PICTURES& p = pictures();
  pixman_image_t* s = pixmanimage(from);
  pixman_image_t* d = pixmanimage(p.scratch);
  pixman_transform_t t;
  pixman_transform_init_scale(&t, pixman_double_to_fixed(double(from.WIDTH()) / w),
                              pixman_double_to_fixed(double(from.HEIGHT()) / h));
  pixman_image_set_transform(s, &t);
  pixman_image_set_filter(s, PIXMAN_FILTER_NEAREST, nullptr, 0);
  for (auto _ : state) {
    pixman_image_composite32(PIXMAN_OP_SRC, s, nullptr, d, 0, 0, 0, 0, 0, 0, w, h);
    benchmark::ClobberMemory();
  }
  pixman_image_unref(s);
  pixman_image_unref(d);
  perpixel(state, double(w) * h);
}
void BM_pixman_nearest_up(benchmark::State& s) { pixmanscaled(s, pictures().small, W, H); }
void BM_pixman_nearest_down(benchmark::State& s) {
  pixmanscaled(s, pictures().big, W / 2, H / 2);
}
#endif

}  // namespace

BENCHMARK(BM_memcpy)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_INVERT)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GRAYSCALE)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BRIGHTNESS)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CONTRAST)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CONTRAST100)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_REDCHANNEL)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GREENCHANNEL)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BLUECHANNEL)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_COLOROFFSET)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PIXELOFFSET)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FLIP_HORISONTAL)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FLIP_VERTICAL)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FLIP_BOTH)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ALPHA_relative)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ALPHA_preserved)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RESIZE_up)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SDL_BlitScaled_up)->Unit(benchmark::kMicrosecond);
#ifdef ZARVO_HAVE_PIXMAN
BENCHMARK(BM_pixman_nearest_up)->Unit(benchmark::kMicrosecond);
#endif
BENCHMARK(BM_RESIZE_down)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SDL_BlitScaled_down)->Unit(benchmark::kMicrosecond);
#ifdef ZARVO_HAVE_PIXMAN
BENCHMARK(BM_pixman_nearest_down)->Unit(benchmark::kMicrosecond);
#endif
BENCHMARK(BM_RESIZE_bilinear_up)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RESIZE_repeat)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
