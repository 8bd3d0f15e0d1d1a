// Running out of memory: public calls fall back to their empty results
// instead of letting std::bad_alloc end the program. Each case runs in a child
// process whose address space is capped a little above what it already uses.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "support/memory.hpp"
#include "zarvo/effects/effects.hpp"
#include "zarvo/math/math.hpp"
#include "zarvo/runtime/headless/headless.hpp"
#include "zarvo/runtime/runtime.hpp"

using namespace ZARVO;

#if defined(__SANITIZE_ADDRESS__)
// A failed allocation must come back as null under the sanitizer too.
extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1"; }
#endif

namespace {

int failed = 0;
void check(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "not as documented: %s\n", what);
  ++failed;
}

// 8 GiB of weights, three arrays of 16 GiB, a 1 GiB screen.
[[noreturn]] void hugecounts() {
  TESTS::LIMITMEMORY(size_t{256} << 20);
  MATH::CHOICE c(INT_MAX);
  check(c.PROBABILITY(1) == 0 && c.MAKECHOICE() == 0, "CHOICE(INT_MAX) has no possibilities");
  MATH::CHOICE three(3);
  three = c;
  check(three.PROBABILITY(1) == 0, "assigning the empty CHOICE empties the copy");

  EFFECT::ANIMATION a(INT_MAX);
  check(a.INUMVALUES == 0 && a.DSTART == nullptr && a.VALUE() == 0.0,
        "ANIMATION(INT_MAX) has no values");
  a.VALUE(1, 5.0);  // ignored, as for any index out of range

  HEADLESS::USE();
  check(!RUNTIME::SCREENMODE(16384, 16384, 32, 1, 0, 0), "a 1 GiB screen is refused");
  check(std::strcmp(RUNTIME::SCREENERROR(), "out of memory") == 0, "and says why");
  check(RUNTIME::SCREENPTR() == nullptr, "leaving no screen");
  check(RUNTIME::SCREENMODE(64, 48, 32, 1, 0, 0), "a small screen still opens");
  std::exit(failed);
}

}  // namespace

TEST(OutOfMemoryDeathTest, HugeCountsGiveEmptyObjects) {
#if GTEST_HAS_DEATH_TEST
  EXPECT_EXIT(hugecounts(), ::testing::ExitedWithCode(0), "");
#else
  (void)&hugecounts;
  GTEST_SKIP() << "needs a child process (WebAssembly cannot fork)";
#endif
}
