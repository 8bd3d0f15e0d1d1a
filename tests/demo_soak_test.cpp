// Soak: 10,000 screen changes of the demo back to back on the headless
// backend, each a short random transition, must hold memory flat. Not in the
// default run (disabled); tools/soak.sh runs it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>

#include "demo.hpp"
#include "screens/screen.hpp"
#include "zarvo/zarvo.hpp"

using namespace ZARVO;
namespace HL = ZARVO::HEADLESS;

namespace {

constexpr int CHANGES = 10000;
int changes = 0;
long rssstart = 0, rssend = 0;

long residentkb() {
  long pages = 0, resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

const int32_t* const ring[4] = {&SCREEN1::STATE.GAMESCREEN, &SCREEN2::STATE.GAMESCREEN,
                                &SCREEN3::STATE.GAMESCREEN, &SCREEN4::STATE.GAMESCREEN};

// Whenever a game screen is active, start the next change.
void hook(uint64_t, double) {
  const int32_t a = ENGINE::ACTIVEGAMESCREEN;
  if (a == ENGINE::TRANSITION::TRANSITIONSCREEN) return;
  if (changes == 100) rssstart = residentkb();  // after the first images have been touched
  if (changes == CHANGES) {
    rssend = residentkb();
    ENGINE::SHUTDOWN(TRUE);
    return;
  }
  ++changes;
  const int32_t next = *ring[changes % 4];
  ENGINE::SHOW(next, static_cast<ENGINE::TRANSITIONEFFECT>(MATH::RANDOM(1, 7)),
               static_cast<ENGINE::TRANSITIONDIRECTION>(MATH::RANDOM(0, 7)),
               static_cast<EFFECT::EASING>(MATH::RANDOM(0, 18)), 0.005f);
}

}  // namespace

TEST(DemoSoak, DISABLED_TenThousandScreenChangesHoldMemoryFlat) {
  ASSERT_EQ(chdir(ZARVO_DEMO_DIR), 0);
  HL::USE();
  HL::ONDELAY(hook);
  EXPECT_EQ(DEMOMAIN(), 1);
  EXPECT_EQ(changes, CHANGES);
  std::printf("resident size after 100 changes: %ld KiB, after %d: %ld KiB\n", rssstart, CHANGES,
              rssend);
  EXPECT_LE(rssend - rssstart, 1024) << "memory grew by more than 1 MiB";
}
