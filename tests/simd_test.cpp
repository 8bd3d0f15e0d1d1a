// The one kernel level: probed once, lowered by ZARVO_SIMD and by tests.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "zarvo/runtime/simd.hpp"

using namespace ZARVO::RUNTIME;

namespace {

int processorbest() {
#ifdef ZARVO_SIMD_X86
  if (__builtin_cpu_supports("avx2")) return AVX2;
  if (__builtin_cpu_supports("sse4.1") && __builtin_cpu_supports("ssse3")) return SSE41;
  return SSE2;
#else
  return PORTABLE;
#endif
}

}  // namespace

TEST(Simd, EnvironmentLowersTheBestAndNeverRaisesIt) {
  int expected = processorbest();
  const char* v = std::getenv("ZARVO_SIMD");
  if (v)
    for (int l = 0; l < SIMDLEVELS; ++l)
      if (std::string(v) == SIMDNAME(l) && l < expected) expected = l;
  EXPECT_EQ(SIMDBEST(), expected);
  EXPECT_EQ(SIMDLEVEL(), expected);
}

TEST(Simd, LevelsLowerAndRestore) {
  const int best = SIMDBEST();
  for (int l = 0; l <= best; ++l) EXPECT_EQ(SIMDLEVEL(l), l);
  EXPECT_EQ(SIMDLEVEL(best + 1), best);  // capped, not raised
  EXPECT_EQ(SIMDLEVEL(0), 0);
  EXPECT_EQ(SIMDLEVEL(-1), best);  // restored
  EXPECT_EQ(SIMDLEVEL(SIMDLEVELS + 7), best);
  EXPECT_STREQ(SIMDNAME(PORTABLE), "portable");
  EXPECT_STREQ(SIMDNAME(SIMDLEVELS), "?");
  EXPECT_STREQ(SIMDNAME(-1), "?");
#ifdef ZARVO_SIMD_X86
  EXPECT_STREQ(SIMDNAME(SSE41), "sse4.1");
#endif
}
