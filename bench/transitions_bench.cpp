// One paint of each transition effect over a 640x480 target, at the start,
// the middle and the end of its animation, beside a full-screen memcpy (the
// floor every paint is measured against) in the same run.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "support/bench.hpp"

namespace {

using namespace ZARVO;
using namespace ZARVO::ENGINE::TRANSITION;
namespace RT = ZARVO::RUNTIME;

constexpr int32_t W = 640;
constexpr int32_t H = 480;

using BENCH::EFFECTDEF;
using BENCH::EFFECTS;
const char* const PHASES[] = {"start", "middle", "end"};

GRAPHICS::BITMAP& target() {
  static GRAPHICS::BITMAP t;
  return t;
}

void noise(GRAPHICS::BITMAP& b, uint32_t seed) {
  b.CREATE(W, H, 0, 32);
  BENCH::NOISE(b, seed);
}

// The paint as the transition screen does it, with the animation's values
// set to the phase: the start values, their midpoint, or the end values.
void paint(benchmark::State& state, const EFFECTDEF& e, int phase) {
  DIRECTION = ENGINE::TRANSITIONDIRECTION::FROMTOPLEFT;
  e.init(EFFECT::EASING::LINEAR, 1.0f);
  EFFECT::ANIMATION* a = *e.anim;
  for (int32_t i = 1; i <= a->INUMVALUES; ++i) {
    const double s = a->STARTVALUE(i), t = a->ENDVALUE(i);
    a->VALUE(i, phase == 0 ? s : phase == 1 ? (s + t) / 2 : t);
  }
  for (auto _ : state) {
    e.paint(target());
    benchmark::DoNotOptimize(RT::ROW32(target().HANDLE(), 0)[0]);
    benchmark::ClobberMemory();
  }
  delete a;
  *e.anim = nullptr;
}

void fullscreenmemcpy(benchmark::State& state) {
  std::vector<uint32_t> src(size_t(W) * H, 0x12345678u), dst(size_t(W) * H);
  for (auto _ : state) {
    std::memcpy(dst.data(), src.data(), src.size() * 4);
    benchmark::DoNotOptimize(dst.data());
    benchmark::ClobberMemory();
  }
}

}  // namespace

int main(int argc, char** argv) {
  BENCH::HEADLESSSCREEN(W, H);
  noise(OLDBITMAP, 1);
  noise(NEWBITMAP, 2);
  noise(target(), 3);
  benchmark::RegisterBenchmark("memcpy_640x480", fullscreenmemcpy);
  for (const EFFECTDEF& e : EFFECTS)
    for (int phase = 0; phase < 3; ++phase)
      benchmark::RegisterBenchmark((std::string(e.name) + "/" + PHASES[phase]).c_str(),
                                   [&e, phase](benchmark::State& s) { paint(s, e, phase); });
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
