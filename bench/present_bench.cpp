// What one pass of the game loop costs in a real SDL2 window during a
// transition: the paint alone (the screen held locked, so nothing is shown)
// against the paint plus the unlock that presents it, at 640x480 and
// 1920x1080. CPU time is the whole process's (a GL renderer may draw on
// threads of its own); "xserver_ms" is the X server's CPU time per pass, read
// from /proc. The summary at the end prints each pass as a multiple of its
// paint. Run under a display large enough for the window, e.g.
//   xvfb-run -a -s "-screen 0 1920x1080x24" bench/present_bench
// Without a display it says so and measures nothing.
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/bench.hpp"

namespace {

using namespace ZARVO;
using namespace ZARVO::ENGINE::TRANSITION;
namespace RT = ZARVO::RUNTIME;

using BENCH::EFFECTDEF;
const EFFECTDEF* const EFFECTS[] = {&BENCH::EFFECT("fade"), &BENCH::EFFECT("slidein"),
                                    &BENCH::EFFECT("zoomin")};

struct SIZE {
  int32_t w, h;
};
const SIZE SIZES[] = {{640, 480}, {1920, 1080}};

// The X server serving DISPLAY: a process named Xvfb or Xorg whose
// arguments include the display's ":N". 0 when there is none to be found.
pid_t xserver() {
  const char* d = std::getenv("DISPLAY");
  if (!d) return 0;
  std::string display(d);
  if (size_t dot = display.find('.', display.find(':')); dot != std::string::npos)
    display.resize(dot);
  if (display.empty() || display[0] != ':') return 0;
  pid_t found = 0;
  if (DIR* dir = opendir("/proc")) {
    while (dirent* e = readdir(dir)) {
      const pid_t pid = static_cast<pid_t>(std::atoi(e->d_name));
      if (pid <= 0) continue;
      std::ifstream f(std::string("/proc/") + e->d_name + "/cmdline", std::ios::binary);
      std::string all((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
      std::vector<std::string> args;
      std::stringstream ss(all);
      for (std::string a; std::getline(ss, a, '\0');) args.push_back(a);
      if (args.empty()) continue;
      const std::string name = args[0].substr(args[0].rfind('/') + 1);
      if (name != "Xvfb" && name != "Xorg") continue;
      for (const std::string& a : args)
        if (a == display) found = pid;
    }
    closedir(dir);
  }
  return found;
}

// User plus system CPU time of a process in seconds; 0 when unreadable.
double cputime(pid_t pid) {
  if (pid <= 0) return 0;
  std::ifstream f("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  std::getline(f, line);
  const size_t close = line.rfind(')');
  if (close == std::string::npos) return 0;
  std::istringstream rest(line.substr(close + 2));
  std::string field;
  unsigned long long utime = 0, stime = 0;
  for (int i = 3; i <= 15 && rest >> field; ++i) {
    if (i == 14) utime = std::strtoull(field.c_str(), nullptr, 10);
    if (i == 15) stime = std::strtoull(field.c_str(), nullptr, 10);
  }
  return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

pid_t XSERVER = 0;

void noise(GRAPHICS::BITMAP& b, int32_t w, int32_t h, uint32_t seed) {
  b.CREATE(w, h, 0, 32);
  BENCH::NOISE(b, seed, BENCH::NOISEKIND::PHOTO);
}

// The window and both pictures at this size, and the effect halfway through.
bool setup(const SIZE& size, const EFFECTDEF& e) {
  if (OLDBITMAP.WIDTH() != uint32_t(size.w) || OLDBITMAP.HEIGHT() != uint32_t(size.h)) {
    if ((RT::SCREENWIDTH() != size.w || RT::SCREENHEIGHT() != size.h) &&
        !RT::SCREENMODE(size.w, size.h, 32, 1, RT::MODE_NOSWITCH, 0))
      return false;
    noise(OLDBITMAP, size.w, size.h, 1);
    noise(NEWBITMAP, size.w, size.h, 2);
  }
  DIRECTION = ENGINE::TRANSITIONDIRECTION::FROMTOPLEFT;
  e.init(EFFECT::EASING::LINEAR, 1.0f);
  EFFECT::ANIMATION* a = *e.anim;
  for (int32_t i = 1; i <= a->INUMVALUES; ++i) a->VALUE(i, (a->STARTVALUE(i) + a->ENDVALUE(i)) / 2);
  return true;
}

void teardown(const EFFECTDEF& e) {
  delete *e.anim;
  *e.anim = nullptr;
}

// The events the pass would take (the window's own, here).
void drain() {
  RT::EVENT ev;
  while (RT::POLLEVENT(ev)) {
  }
}

// present: false = the paint alone, true = the paint and the unlock that shows it.
void pass(benchmark::State& state, const SIZE& size, const EFFECTDEF& e, bool present) {
  if (!setup(size, e)) {
    state.SkipWithError(RT::SCREENERROR());
    return;
  }
  GRAPHICS::BITMAP screen;  // no handle: the screen itself
  drain();
  if (!present) RT::SCREENLOCK();  // held: every paint stays unshown
  const double x0 = cputime(XSERVER);
  for (auto _ : state) {
    RT::SCREENLOCK();
    e.paint(screen);
    RT::SCREENUNLOCK(-1, -1);
    if (present) drain();
  }
  const double x1 = cputime(XSERVER);
  if (!present) RT::SCREENUNLOCK(-1, -1);
  if (XSERVER)
    state.counters["xserver_ms"] =
        benchmark::Counter((x1 - x0) * 1e3 / static_cast<double>(state.iterations()));
  teardown(e);
}

// Keeps each run's times for the summary of ratios.
class RATIOREPORTER : public benchmark::ConsoleReporter {
 public:
  struct TIMES {
    double real = 0, cpu = 0, x = 0;
  };
  std::map<std::string, TIMES> times;
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      if (r.error_occurred) continue;
      TIMES& t = times[r.run_name.function_name];
      t.real = r.GetAdjustedRealTime();
      t.cpu = r.GetAdjustedCPUTime();
      if (auto it = r.counters.find("xserver_ms"); it != r.counters.end()) t.x = it->second;
    }
    ConsoleReporter::ReportRuns(runs);
  }
};

std::string rendererinfo() {
  for (Uint32 id = 1; id < 64; ++id)
    if (SDL_Window* w = SDL_GetWindowFromID(id))
      if (SDL_Renderer* r = SDL_GetRenderer(w)) {
        SDL_RendererInfo info;
        if (SDL_GetRendererInfo(r, &info) == 0) return info.name;
      }
  return "none";
}

}  // namespace

int main(int argc, char** argv) {
  const char* d = std::getenv("DISPLAY");
  if (!d || !*d) {
    std::printf("no display: run under xvfb-run -s \"-screen 0 1920x1080x24\"\n");
    return 0;
  }
  RT::USEBACKEND(RT::BACKEND::SDL2);
  RT::WINDOWTITLE("Zarvo present benchmark");
  if (!RT::SCREENMODE(SIZES[0].w, SIZES[0].h, 32, 1, RT::MODE_NOSWITCH, 0)) {
    std::printf("no window: %s\n", RT::SCREENERROR());
    return 1;
  }
  XSERVER = xserver();
  benchmark::AddCustomContext("sdl_renderer", rendererinfo());
  benchmark::AddCustomContext("sdl_video_driver", SDL_GetCurrentVideoDriver());
  benchmark::AddCustomContext("xserver_pid", std::to_string(XSERVER));

  std::vector<std::string> order;
  for (const SIZE& size : SIZES)
    for (const EFFECTDEF* effect : EFFECTS)
      for (bool present : {false, true}) {
        const EFFECTDEF& e = *effect;
        const std::string name = std::string(present ? "pass/" : "paint/") + e.name + "/" +
                                 std::to_string(size.w) + "x" + std::to_string(size.h);
        benchmark::RegisterBenchmark(
            name.c_str(), [&size, &e, present](benchmark::State& s) { pass(s, size, e, present); })
            ->MeasureProcessCPUTime()
            ->UseRealTime()
            ->Unit(benchmark::kMicrosecond);
        order.push_back(name);
      }
  benchmark::Initialize(&argc, argv);
  RATIOREPORTER reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  std::printf("\npass / paint (wall, CPU; X server ms per pass):\n");
  for (const std::string& name : order) {
    if (name.rfind("pass/", 0) != 0) continue;
    const std::string paint = "paint/" + name.substr(5);
    auto p = reporter.times.find(name), q = reporter.times.find(paint);
    if (p == reporter.times.end() || q == reporter.times.end()) continue;
    std::printf("  %-22s wall %5.2fx  cpu %5.2fx  (pass %7.0f us cpu, paint %7.0f us; X %.2f ms)\n",
                name.substr(5).c_str(), p->second.real / q->second.real,
                p->second.cpu / q->second.cpu, p->second.cpu, q->second.cpu, p->second.x);
  }
  RT::SCREENCLOSE();
  return 0;
}
