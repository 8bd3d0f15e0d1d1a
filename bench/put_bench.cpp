// The image put at 640x480: every mode at every kernel level, beside memcpy
// of the same rows, SDL2's blits (plain and alpha-blended ARGB8888) and
// pixman's OVER and ADD. After the runs a table gives each figure per frame
// and its ratio to memcpy, to pixman's OVER and to the SSE2 level.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "zarvo/runtime/headless/headless.hpp"
#include "zarvo/runtime/image.hpp"
#include "zarvo/runtime/pixelrows.hpp"
#include "zarvo/runtime/runtime.hpp"
#include "zarvo/runtime/simdlevel.hpp"
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
  state.SetItemsProcessed(state.iterations() * W * H);
  state.counters["ns/px"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * W * H,
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

struct PUTCASE {
  const char* name;
  PUTMODE mode;
  int32_t alpha;
};

const PUTCASE CASES[] = {
    {"PSET", PUT_PSET, -1},   {"PRESET", PUT_PRESET, -1}, {"AND", PUT_AND, -1},
    {"OR", PUT_OR, -1},       {"XOR", PUT_XOR, -1},       {"TRANS", PUT_TRANS, -1},
    {"ALPHA", PUT_ALPHA, -1}, {"ADD", PUT_ADD, 255},      {"BLEND", PUT_BLEND, 128},
    {"CUSTOM", PUT_CUSTOM, -1}};

void put(benchmark::State& state, PUTCASE c, int level) {
  IMAGES& im = images();
  SIMDLEVEL(level);
  SCREENLOCK();
  for (auto _ : state) {
    IMAGEPUT(im.dst, 0, 0, im.src, 0, 0, W - 1, H - 1, RECT_CORNERS, c.mode, c.alpha,
             [](uint32_t s, uint32_t d, void*) -> uint32_t { return s ^ d; }, nullptr);
    benchmark::ClobberMemory();
  }
  SCREENUNLOCK();
  SIMDLEVEL(-1);
  report(state);
}

// The fill of CLEAR and FILLRECT, row by row.
void fill(benchmark::State& state, int level) {
  IMAGES& im = images();
  SIMDLEVEL(level);
  for (auto _ : state) {
    for (int y = 0; y < H; ++y) FILLROW(ROW32(im.dst, y), W, 0xFF204060u);
    benchmark::ClobberMemory();
  }
  SIMDLEVEL(-1);
  report(state);
}

void memcpyrows(benchmark::State& state) {
  IMAGES& im = images();
  for (auto _ : state) {
    for (int y = 0; y < H; ++y) std::memcpy(ROW32(im.dst, y), ROW32(im.src, y), W * 4);
    benchmark::ClobberMemory();
  }
  report(state);
}

void sdlblit(benchmark::State& state, SDL_BlendMode mode) {
  IMAGES& im = images();
  SDL_Surface* s = SDL_CreateRGBSurfaceWithFormatFrom(PIXELS(im.src), W, H, 32, im.src->PITCH,
                                                      SDL_PIXELFORMAT_ARGB8888);
  SDL_Surface* d = SDL_CreateRGBSurfaceWithFormatFrom(PIXELS(im.dst), W, H, 32, im.dst->PITCH,
                                                      SDL_PIXELFORMAT_ARGB8888);
  SDL_SetSurfaceBlendMode(s, mode);
  for (auto _ : state) {
    SDL_BlitSurface(s, nullptr, d, nullptr);
    benchmark::ClobberMemory();
  }
  SDL_FreeSurface(s);
  SDL_FreeSurface(d);
  report(state);
}

#ifdef ZARVO_HAVE_PIXMAN
// OVER is the peer of ALPHA and BLEND; ADD (a saturating byte sum) that of
// ADD, which with its factor also multiplies.
void pixman(benchmark::State& state, pixman_op_t op) {
  IMAGES& im = images();
  pixman_image_t* s = pixman_image_create_bits(
      PIXMAN_a8r8g8b8, W, H, reinterpret_cast<uint32_t*>(PIXELS(im.src)),
      static_cast<int>(im.src->PITCH));
  pixman_image_t* d = pixman_image_create_bits(
      PIXMAN_a8r8g8b8, W, H, reinterpret_cast<uint32_t*>(PIXELS(im.dst)),
      static_cast<int>(im.dst->PITCH));
  for (auto _ : state) {
    pixman_image_composite32(op, s, nullptr, d, 0, 0, 0, 0, 0, 0, W, H);
    benchmark::ClobberMemory();
  }
  pixman_image_unref(s);
  pixman_image_unref(d);
  report(state);
}
#endif

// Keeps the fastest processor time per frame of each benchmark for the
// closing table (on a shared machine wall time also counts the waits).
class TABLEREPORTER : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> ns;
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& r : runs) {
      if (r.run_type != Run::RT_Iteration || r.iterations == 0) continue;
      const double t = r.cpu_accumulated_time * 1e9 / static_cast<double>(r.iterations);
      auto [it, fresh] = ns.emplace(r.benchmark_name(), t);
      if (!fresh && t < it->second) it->second = t;
    }
  }
};

void table(const std::map<std::string, double>& ns) {
  auto get = [&](const std::string& k) {
    auto it = ns.find(k);
    return it == ns.end() ? 0.0 : it->second;
  };
  const double mem = get("memcpy"), over = get("pixman/OVER");
  std::printf("\n%-8s %-9s %12s %9s %12s %10s\n", "mode", "level", "ns/frame", "/memcpy",
              "/pixman OVER", "/sse2");
  auto line = [&](const std::string& mode, const std::string& level, double t, double sse2) {
    if (t <= 0) return;
    std::printf("%-8s %-9s %12.0f %9.2f", mode.c_str(), level.c_str(), t, mem > 0 ? t / mem : 0);
    if (over > 0)
      std::printf(" %12.2f", t / over);
    else
      std::printf(" %12s", "-");
    if (sse2 > 0)
      std::printf(" %10.2f\n", t / sse2);
    else
      std::printf(" %10s\n", "-");
  };
  std::vector<std::string> modes = {"FILL"};
  for (const PUTCASE& c : CASES) modes.push_back(c.name);
  for (const std::string& m : modes)
    for (int l = 0; l <= SIMDBEST(); ++l)
      line(m, SIMDNAME(l), get("put/" + m + "/" + SIMDNAME(l)), get("put/" + m + "/sse2"));
  for (const char* peer : {"memcpy", "pixman/OVER", "pixman/ADD", "sdl/copy", "sdl/blend"})
    line(peer, "", get(peer), 0);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RegisterBenchmark("memcpy", memcpyrows);
#ifdef ZARVO_HAVE_PIXMAN
  benchmark::RegisterBenchmark("pixman/OVER", pixman, PIXMAN_OP_OVER);
  benchmark::RegisterBenchmark("pixman/ADD", pixman, PIXMAN_OP_ADD);
#endif
  benchmark::RegisterBenchmark("sdl/copy", sdlblit, SDL_BLENDMODE_NONE);
  benchmark::RegisterBenchmark("sdl/blend", sdlblit, SDL_BLENDMODE_BLEND);
  for (int l = SIMDBEST(); l >= 0; --l) {
    const std::string level = SIMDNAME(l);
    benchmark::RegisterBenchmark(("put/FILL/" + level).c_str(), fill, l);
    for (const PUTCASE& c : CASES)
      benchmark::RegisterBenchmark(("put/" + std::string(c.name) + "/" + level).c_str(), put, c,
                                   l);
  }
  TABLEREPORTER reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  table(reporter.ns);
  return 0;
}
