// Shapes and text at 640x480: CLEAR and a full FILLRECT beside memset of the
// same bytes and pixman's rectangle fill; a cached 40-character line of 16 px
// text; a few other shapes for scale.
#include <benchmark/benchmark.h>

#include <cstring>

#include "support/bench.hpp"
#include "zarvo/graphics/bitmap.hpp"
#include "zarvo/graphics/font.hpp"
#include "zarvo/graphics/shapes.hpp"
#include "zarvo/runtime/headless/headless.hpp"
#include "zarvo/runtime/runtime.hpp"
#ifdef ZARVO_HAVE_PIXMAN
#include <pixman.h>
#endif

using namespace ZARVO;
using namespace ZARVO::GRAPHICS;

namespace {

constexpr int W = 640, H = 480;

struct SETUP {
  BITMAP target;
  BITMAP screen;  // empty: the screen
  SETUP() {
    BENCH::HEADLESSSCREEN(W, H);
    target.CREATE(W, H, 0xFF000000u);
  }
};

SETUP& setup() {
  static SETUP s;
  return s;
}

void bytes(benchmark::State& state) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * W * H * 4);
}

void BM_memset(benchmark::State& state) {
  SETUP& s = setup();
  uint8_t* p = RUNTIME::PIXELS(s.target.HANDLE());
  const size_t n = static_cast<size_t>(s.target.PITCH()) * H;
  for (auto _ : state) {
    std::memset(p, 0x5A, n);
    benchmark::ClobberMemory();
  }
  bytes(state);
}

void BM_CLEAR_bitmap(benchmark::State& state) {
  SETUP& s = setup();
  for (auto _ : state) {
    s.target.CLEAR(0xFF102030u);
    benchmark::ClobberMemory();
  }
  bytes(state);
}

void BM_CLEAR_screen(benchmark::State& state) {
  SETUP& s = setup();
  RUNTIME::SCREENLOCK();  // as in a paint handler
  for (auto _ : state) {
    s.screen.CLEAR(0xFF102030u);
    benchmark::ClobberMemory();
  }
  RUNTIME::SCREENUNLOCK();
  bytes(state);
}

void BM_FILLRECT_full(benchmark::State& state) {
  SETUP& s = setup();
  for (auto _ : state) {
    FILLRECT(s.target, 0, 0, W, H, 0xFF405060u);
    benchmark::ClobberMemory();
  }
  bytes(state);
}

void BM_FILLRECT_inset(benchmark::State& state) {  // rows with a gap: no single run
  SETUP& s = setup();
  for (auto _ : state) {
    FILLRECT(s.target, 1, 0, W - 2, H, 0xFF405060u);
    benchmark::ClobberMemory();
  }
  bytes(state);
}

void BM_FILLRECT_translucent(benchmark::State& state) {
  SETUP& s = setup();
  for (auto _ : state) {
    FILLRECT(s.target, 0, 0, W, H, 0x80405060u);
    benchmark::ClobberMemory();
  }
  bytes(state);
}

#ifdef ZARVO_HAVE_PIXMAN
void BM_pixman_fill_rectangles(benchmark::State& state) {
  SETUP& s = setup();
  pixman_image_t* d = pixman_image_create_bits(
      PIXMAN_a8r8g8b8, W, H, reinterpret_cast<uint32_t*>(RUNTIME::PIXELS(s.target.HANDLE())),
      static_cast<int>(s.target.PITCH()));
  const pixman_color_t colour{0x4040, 0x5050, 0x6060, 0xFFFF};
  const pixman_rectangle16_t rect{0, 0, W, H};
  for (auto _ : state) {
    pixman_image_fill_rectangles(PIXMAN_OP_SRC, d, &colour, 1, &rect);
    benchmark::ClobberMemory();
  }
  pixman_image_unref(d);
  bytes(state);
}
BENCHMARK(BM_pixman_fill_rectangles);
#endif

void BM_LINE_diagonal(benchmark::State& state) {
  SETUP& s = setup();
  for (auto _ : state) {
    LINE(s.target, 0, 0, W - 1, H - 1, 0xFFFFFFFFu);
    benchmark::ClobberMemory();
  }
}

void BM_LINE_thick_antialiased(benchmark::State& state) {
  SETUP& s = setup();
  for (auto _ : state) {
    LINE(s.target, 10, 400, 600, 30, 0xFFFFFFFFu, 5, TRUE);
    benchmark::ClobberMemory();
  }
}

void BM_FILLCIRCLE_antialiased(benchmark::State& state) {
  SETUP& s = setup();
  for (auto _ : state) {
    FILLCIRCLE(s.target, 320, 240, 200, 0xFFFF8000u, TRUE);
    benchmark::ClobberMemory();
  }
}

// 40 characters, glyphs already cached after the first pass.
const char* const LINE40 = "Score: 0012345  Lives: 3  Level 7 - WAVE";
static_assert(sizeof("Score: 0012345  Lives: 3  Level 7 - WAVE") == 41);

void BM_DRAWTEXT_40chars_16px(benchmark::State& state) {
  SETUP& s = setup();
  FONT f(16);
  if (!f.LOADED()) {
    state.SkipWithError("no default font face");
    return;
  }
  f.DRAWTEXT(s.target, 8, 8, LINE40, 0xFFFFFFFFu);
  for (auto _ : state) {
    f.DRAWTEXT(s.target, 8, 8, LINE40, 0xFFFFFFFFu);
    benchmark::ClobberMemory();
  }
}

void BM_TEXTWIDTH_40chars_16px(benchmark::State& state) {
  FONT f(16);
  if (!f.LOADED()) {
    state.SkipWithError("no default font face");
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(f.TEXTWIDTH(LINE40));
}

}  // namespace

BENCHMARK(BM_memset);
BENCHMARK(BM_CLEAR_bitmap);
BENCHMARK(BM_CLEAR_screen);
BENCHMARK(BM_FILLRECT_full);
BENCHMARK(BM_FILLRECT_inset);
BENCHMARK(BM_FILLRECT_translucent);
BENCHMARK(BM_LINE_diagonal);
BENCHMARK(BM_LINE_thick_antialiased);
BENCHMARK(BM_FILLCIRCLE_antialiased);
BENCHMARK(BM_DRAWTEXT_40chars_16px);
BENCHMARK(BM_TEXTWIDTH_40chars_16px);
BENCHMARK_MAIN();
