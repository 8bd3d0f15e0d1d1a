// Filters, flips, opacity and resizing of a 640x480 bitmap, beside memcpy of
// the same rows as the floor, SDL2's SDL_BlitScaled and pixman's
// nearest-neighbour transform for the resize. Every filter runs at every
// kernel level (named FILTER/level); a table of CPU times and multiples of
// memcpy per level ends the run (the least over --benchmark_repetitions).
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "zarvo/color/color.hpp"
#include "support/bench.hpp"
#include "zarvo/graphics/bitmap.hpp"
#include "zarvo/runtime/headless/headless.hpp"
#include "zarvo/runtime/image.hpp"
#include "zarvo/runtime/runtime.hpp"
#include "zarvo/runtime/simdlevel.hpp"
#ifdef ZARVO_HAVE_PIXMAN
#include <pixman.h>
#endif

using namespace ZARVO;
using namespace ZARVO::GRAPHICS;

namespace {

constexpr int W = 640, H = 480;

struct PICTURES {
  BITMAP big, small, scratch;
  std::vector<MATH::POINT> ripple;
  PICTURES() {
    BENCH::HEADLESSSCREEN(W, H);
    big.CREATE(W, H, 0, 32);
    small.CREATE(W / 2, H / 2, 0, 32);
    scratch.CREATE(W, H, 0, 32);
    BENCH::NOISE(big, 2463534242u);
    BENCH::NOISE(small, 88675123u);
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

void BM_memcpy(benchmark::State& state) {
  PICTURES& p = pictures();
  BENCH::MEMCPYROWS(state, p.scratch, p.big);
}

// Each filter's parameter lives as long as the run.
struct FILTERCASE {
  const char* name;
  BITMAPFILTER f;
  void* param;
};

std::vector<FILTERCASE>& filtercases() {
  static int32_t bright = 30, contrast = 40, steep = 100;
  static COLOR::RGBTRIPLE tint(-128, 0, 127);
  static FLIPDIRECTION across = FLIPDIRECTION::GXHORISONTAL, down = FLIPDIRECTION::GXVERTICAL,
                       both = FLIPDIRECTION::GXBOTH;
  static std::vector<FILTERCASE> cases = {
      {"INVERT", BITMAPFILTER::GXINVERT, nullptr},
      {"GRAYSCALE", BITMAPFILTER::GXGRAYSCALE, nullptr},
      {"BRIGHTNESS", BITMAPFILTER::GXBRIGHTNESS, &bright},
      {"CONTRAST", BITMAPFILTER::GXCONTRAST, &contrast},
      // At 100 the line does not reproduce the rule, so another path runs.
      {"CONTRAST100", BITMAPFILTER::GXCONTRAST, &steep},
      {"REDCHANNEL", BITMAPFILTER::GXREDCHANNEL, nullptr},
      {"GREENCHANNEL", BITMAPFILTER::GXGREENCHANNEL, nullptr},
      {"BLUECHANNEL", BITMAPFILTER::GXBLUECHANNEL, nullptr},
      {"COLOROFFSET", BITMAPFILTER::GXCOLOROFFSET, &tint},
      {"PIXELOFFSET", BITMAPFILTER::GXPIXELOFFSET, nullptr},  // the ripple map
      {"FLIP_HORISONTAL", BITMAPFILTER::GXFLIP, &across},
      {"FLIP_VERTICAL", BITMAPFILTER::GXFLIP, &down},
      {"FLIP_BOTH", BITMAPFILTER::GXFLIP, &both},
  };
  return cases;
}

void filter(benchmark::State& state, const FILTERCASE& c, int level) {
  PICTURES& p = pictures();
  void* param = c.f == BITMAPFILTER::GXPIXELOFFSET ? p.ripple.data() : c.param;
  RUNTIME::SIMDLEVEL(level);
  for (auto _ : state) {
    p.big.APPLYFILTER(c.f, param);
    benchmark::ClobberMemory();
  }
  RUNTIME::SIMDLEVEL(-1);
  BENCH::PERPIXEL(state, double(W) * H);
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
  BENCH::PERPIXEL(state, double(W) * H);
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
  BENCH::PERPIXEL(state, double(w) * h);
}
void BM_RESIZE_up(benchmark::State& s) { resize(s, pictures().small, W, H, RESIZEMETHOD::GXSCALE); }
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
  BENCH::PERPIXEL(state, double(w) * h);
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
  BENCH::PERPIXEL(state, double(w) * h);
}
void BM_pixman_nearest_up(benchmark::State& s) { pixmanscaled(s, pictures().small, W, H); }
void BM_pixman_nearest_down(benchmark::State& s) { pixmanscaled(s, pictures().big, W / 2, H / 2); }
#endif

}  // namespace

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

namespace {

// Prints as usual and keeps each run's least CPU time over repetitions
// (--benchmark_repetitions): on a shared machine the least is the least
// disturbed.
class TABLE : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs)
      if (!r.error_occurred && r.run_type == Run::RT_Iteration) {
        const auto at = times.find(r.run_name.str());
        const double cpu = r.GetAdjustedCPUTime();
        if (at == times.end() || cpu < at->second) times[r.run_name.str()] = cpu;
      }
    ConsoleReporter::ReportRuns(runs);
  }

  // Every filter per level: microseconds and (time / memcpy). memcpy runs
  // first and last; the table uses the mean of the two.
  void PRINT() {
    const double a = times["memcpy"], b = times["memcpy/again"];
    const double floor = a > 0 && b > 0 ? (a + b) / 2 : (a > 0 ? a : b);
    if (floor <= 0) return;
    std::printf("\nCPU us per 640x480 pass, (time / memcpy %.1f us):\n%-16s", floor, "filter");
    for (int l = RUNTIME::SIMDBEST(); l >= 0; --l) std::printf(" %17s", RUNTIME::SIMDNAME(l));
    std::printf("\n");
    for (const FILTERCASE& c : filtercases()) {
      std::printf("%-16s", c.name);
      for (int l = RUNTIME::SIMDBEST(); l >= 0; --l) {
        const auto at = times.find(std::string(c.name) + "/" + RUNTIME::SIMDNAME(l));
        if (at == times.end())
          std::printf(" %17s", "-");
        else
          std::printf(" %8.1f (%5.2fx)", at->second, at->second / floor);
      }
      std::printf("\n");
    }
  }

 private:
  std::map<std::string, double> times;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  // Filter by filter, every level in a row, so levels meet the same load.
  benchmark::RegisterBenchmark("memcpy", BM_memcpy)->Unit(benchmark::kMicrosecond);
  for (const FILTERCASE& c : filtercases())
    for (int l = RUNTIME::SIMDBEST(); l >= 0; --l)
      benchmark::RegisterBenchmark((std::string(c.name) + "/" + RUNTIME::SIMDNAME(l)).c_str(),
                                   [&c, l](benchmark::State& s) { filter(s, c, l); })
          ->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark("memcpy/again", BM_memcpy)->Unit(benchmark::kMicrosecond);
  TABLE table;
  benchmark::RunSpecifiedBenchmarks(&table);
  table.PRINT();
  benchmark::Shutdown();
  return 0;
}
