#include "zarvo/runtime/simd.hpp"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace ZARVO::RUNTIME {

namespace {

const char* const NAMES[] = {
#ifdef ZARVO_SIMD_X86
    "portable", "sse2", "sse4.1", "avx2",
#else
    "portable",
#endif
};
static_assert(sizeof(NAMES) / sizeof(NAMES[0]) == SIMDLEVELS);

int processorlevel() {
#ifdef ZARVO_SIMD_X86
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx2")) return AVX2;
  // The SSE4.1 kernels use SSSE3's shuffles too; every SSE4.1 processor has it.
  if (__builtin_cpu_supports("sse4.1") && __builtin_cpu_supports("ssse3")) return SSE41;
  return SSE2;  // part of every x86-64 processor
#else
  return PORTABLE;
#endif
}

// ZARVO_SIMD names a ceiling. A name this build does not know is reported on
// stderr (the variable is set, so somebody is listening) and ignored.
int environmentlevel(int best) {
  const char* v = std::getenv("ZARVO_SIMD");
  if (!v || !*v) return best;
  for (int l = 0; l < SIMDLEVELS; ++l)
    if (std::strcmp(v, NAMES[l]) == 0) return l < best ? l : best;
  std::fprintf(stderr, "zarvo: ZARVO_SIMD=%s is not a kernel level here; using %s\n", v,
               NAMES[best]);
  return best;
}

int bestlevel() {
  static const int best = environmentlevel(processorlevel());
  return best;
}

}  // namespace

namespace DETAIL {
// Constant-initialised to the plain loops, so a kernel that runs before the
// probe below (from another file's static initialiser) is still right.
int simdlevel = PORTABLE;
namespace {
[[maybe_unused]] const int probed = (simdlevel = bestlevel());
}  // namespace
}  // namespace DETAIL

int SIMDLEVEL() { return DETAIL::simdlevel; }

int SIMDLEVEL(int level) {
  const int best = bestlevel();
  DETAIL::simdlevel = level < 0 || level > best ? best : level;
  return DETAIL::simdlevel;
}

int SIMDBEST() { return bestlevel(); }

const char* SIMDNAME(int level) {
  return level >= 0 && level < SIMDLEVELS ? NAMES[level] : "?";
}

}  // namespace ZARVO::RUNTIME
