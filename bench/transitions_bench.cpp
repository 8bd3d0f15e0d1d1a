// One paint of each transition effect over a 640x480 target, at the start,
// the middle and the end of its animation, beside a full-screen memcpy (the
// floor every paint is measured against) in the same run.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

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

namespace {

using namespace ZARVO;
using namespace ZARVO::ENGINE::TRANSITION;
namespace RT = ZARVO::RUNTIME;

constexpr int32_t W = 640;
constexpr int32_t H = 480;

struct EFFECTDEF {
  const char* name;
  void (*init)(EFFECT::EASING, float);
  void (*paint)(GRAPHICS::BITMAP&);
  EFFECT::ANIMATION** anim;
};

const EFFECTDEF EFFECTS[] = {
    {"fade", FADEEFFECT::INIT, FADEEFFECT::ONPAINT, &FADEEFFECT::ANIM},
    {"hstripes", HSTRIPESEFFECT::INIT, HSTRIPESEFFECT::ONPAINT, &HSTRIPESEFFECT::ANIM},
    {"vstripes", VSTRIPESEFFECT::INIT, VSTRIPESEFFECT::ONPAINT, &VSTRIPESEFFECT::ANIM},
    {"slidein", SLIDEINEFFECT::INIT, SLIDEINEFFECT::ONPAINT, &SLIDEINEFFECT::ANIM},
    {"slideout", SLIDEOUTEFFECT::INIT, SLIDEOUTEFFECT::ONPAINT, &SLIDEOUTEFFECT::ANIM},
    {"zoomin", ZOOMINEFFECT::INIT, ZOOMINEFFECT::ONPAINT, &ZOOMINEFFECT::ANIM},
    {"zoomout", ZOOMOUTEFFECT::INIT, ZOOMOUTEFFECT::ONPAINT, &ZOOMOUTEFFECT::ANIM},
};
const char* const PHASES[] = {"start", "middle", "end"};

GRAPHICS::BITMAP& target() {
  static GRAPHICS::BITMAP t;
  return t;
}

void noise(GRAPHICS::BITMAP& b, uint32_t seed) {
  std::mt19937 rng(seed);
  b.CREATE(W, H, 0, 32);
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x) RT::ROW32(b.HANDLE(), y)[x] = rng();
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
  HEADLESS::USE();
  RT::SCREENMODE(W, H, 32, 1, 0, 0);
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
