// Blend modes over a 640x480 picture: the row loops of the draw path at every
// kernel level (rows/<level>/<mode>), the whole put and a plain per-pixel
// callback loop at the best level, and pixman's separable blend operators of
// the same name on a8r8g8b8, all in one run.
//
// Every figure is reported as time_per_px (seconds with an SI prefix).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "zarvo/graphics/blender.hpp"
#include "zarvo/runtime/headless/headless.hpp"
#include "zarvo/runtime/image.hpp"
#include "zarvo/runtime/runtime.hpp"
#include "zarvo/runtime/simdlevel.hpp"

#ifdef ZARVO_HAVE_PIXMAN
#include <pixman.h>
#endif

namespace {

namespace BL = ZARVO::GRAPHICS::BLENDER;
namespace RT = ZARVO::RUNTIME;

constexpr int32_t W = 640;
constexpr int32_t H = 480;
constexpr double PIXELS = double(W) * H;

const char* const NAMES[] = {
    "TRANSPARENT", "NORMAL",     "MULTIPLY",      "SCREEN",    "DARKEN",    "LIGHTEN",
    "DIFFERENCE",  "EXCLUSION",  "NEGATION",      "INTERPOLATION", "STAMP", "AVERAGE",
    "OVERLAY",     "HARDLIGHT",  "SOFTLIGHT",     "COLORDODGE", "INVCOLORDODGE", "SOFTDODGE",
    "COLORBURN",   "INVCOLORBURN", "SOFTBURN",    "REFLECT",   "GLOW",      "FREEZE",
    "HEAT",        "ADDITIVE",   "SUBTRACTIVE",   "RED",       "GREEN",     "BLUE"};

// Source pixels carry every alpha value, so the opacity step, the skip below
// alpha 26 and the opaque case all occur.
struct PICTURES {
  std::vector<uint32_t> src, dst;
  PICTURES() : src(size_t(W) * H), dst(size_t(W) * H) {
    std::mt19937 rng(7);
    for (auto& p : src) p = rng();
    for (auto& p : dst) p = rng() | 0xFF000000u;
  }
};
PICTURES& pictures() {
  static PICTURES p;
  return p;
}

void perpixel(benchmark::State& state) {
  state.counters["time_per_px"] = benchmark::Counter(
      PIXELS, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// The row loop DRAWTO runs, one call per row, at one kernel level.
void rows(benchmark::State& state, int32_t mode, int level) {
  auto& p = pictures();
  RT::SIMDLEVEL(level);
  RT::ROWBLENDFUNC f = BL::ROWFUNCTION(mode);
  int32_t bpp = 4;
  for (auto _ : state) {
    for (int32_t y = 0; y < H; ++y) f(&p.src[size_t(y) * W], &p.dst[size_t(y) * W], W, &bpp);
    benchmark::ClobberMemory();
  }
  RT::SIMDLEVEL(-1);
  perpixel(state);
}

// What a game's GXCUSTOM callback costs: one indirect call per pixel.
void callbacks(benchmark::State& state, int32_t mode) {
  auto& p = pictures();
  RT::BLENDFUNC f = BL::FUNCTION(mode);
  int32_t bpp = 4;
  for (auto _ : state) {
    for (size_t i = 0; i < p.dst.size(); ++i) p.dst[i] = f(p.src[i], p.dst[i], &bpp);
    benchmark::ClobberMemory();
  }
  perpixel(state);
}

// The whole draw path: the CUSTOM put with the row function, into an image.
void put(benchmark::State& state, int32_t mode) {
  auto& p = pictures();
  RT::IMAGE* src = RT::IMAGECREATE(W, H, 0, 32, 0);
  RT::IMAGE* dst = RT::IMAGECREATE(W, H, 0, 32, 0);
  if (!src || !dst) {
    state.SkipWithError("no screen");
    return;
  }
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x) {
      RT::ROW32(src, y)[x] = p.src[size_t(y) * W + x];
      RT::ROW32(dst, y)[x] = p.dst[size_t(y) * W + x];
    }
  int32_t bpp = 4;
  for (auto _ : state) {
    RT::IMAGEPUTROWS(dst, 0, 0, src, 0, 0, W - 1, H - 1, RT::RECT_STEP, BL::ROWFUNCTION(mode), &bpp);
    benchmark::ClobberMemory();
  }
  perpixel(state);
  RT::IMAGEDESTROY(src);
  RT::IMAGEDESTROY(dst);
}

#ifdef ZARVO_HAVE_PIXMAN
void pixmanop(benchmark::State& state, pixman_op_t op) {
  auto& p = pictures();
  // pixman works on premultiplied pixels; make the source valid premultiplied.
  std::vector<uint32_t> src(p.src), dst(p.dst);
  for (auto& v : src) {
    const uint32_t a = v >> 24;
    uint32_t out = a << 24;
    for (int c = 0; c < 24; c += 8) out |= ((((v >> c) & 255u) * a) / 255u) << c;
    v = out;
  }
  pixman_image_t* s = pixman_image_create_bits(PIXMAN_a8r8g8b8, W, H, src.data(), W * 4);
  pixman_image_t* d = pixman_image_create_bits(PIXMAN_a8r8g8b8, W, H, dst.data(), W * 4);
  for (auto _ : state) {
    pixman_image_composite32(op, s, nullptr, d, 0, 0, 0, 0, 0, 0, W, H);
    benchmark::ClobberMemory();
  }
  perpixel(state);
  pixman_image_unref(s);
  pixman_image_unref(d);
}

struct PEER {
  int32_t mode;
  pixman_op_t op;
};
const PEER PEERS[] = {
    {10, PIXMAN_OP_MULTIPLY},    {11, PIXMAN_OP_SCREEN},      {12, PIXMAN_OP_DARKEN},
    {13, PIXMAN_OP_LIGHTEN},     {14, PIXMAN_OP_DIFFERENCE},  {15, PIXMAN_OP_EXCLUSION},
    {20, PIXMAN_OP_OVERLAY},     {21, PIXMAN_OP_HARD_LIGHT},  {22, PIXMAN_OP_SOFT_LIGHT},
    {23, PIXMAN_OP_COLOR_DODGE}, {26, PIXMAN_OP_COLOR_BURN},
};
#endif

}  // namespace

int main(int argc, char** argv) {
  ZARVO::HEADLESS::USE();
  if (!RT::SCREENMODE(64, 64, 32, 1, 0, 0)) {
    std::fprintf(stderr, "cannot open the headless screen\n");
    return 1;
  }
  for (int32_t mode = 8; mode <= 37; ++mode) {
    const std::string name = NAMES[mode - 8];
    for (int level = RT::SIMDBEST(); level >= 0; --level)
      benchmark::RegisterBenchmark(
          ("rows/" + std::string(RT::SIMDNAME(level)) + "/" + name).c_str(), rows, mode, level);
    benchmark::RegisterBenchmark(("put/" + name).c_str(), put, mode);
    benchmark::RegisterBenchmark(("callback/" + name).c_str(), callbacks, mode);
#ifdef ZARVO_HAVE_PIXMAN
    for (const PEER& peer : PEERS)
      if (peer.mode == mode)
        benchmark::RegisterBenchmark(("pixman/" + name).c_str(), pixmanop, peer.op);
#endif
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
