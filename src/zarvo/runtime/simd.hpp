#pragma once
// The kernel levels behind SIMDLEVEL (simdlevel.hpp). Every family of pixel
// kernels (put rows, blend rows, filters, PNG rows, resizing) keeps one table
// with an entry per level and calls through KERNELS(table): adding a level or
// an architecture is adding entries, and every level gives the same pixels.
//
// Built with ZARVO_PORTABLE there is one level and no intrinsics at all: the
// plain loops, vectorised by the compiler where it can.

#include "zarvo/runtime/simdlevel.hpp"

namespace ZARVO::RUNTIME {

#if !defined(ZARVO_PORTABLE) && defined(__x86_64__) && defined(__GNUC__)
#define ZARVO_SIMD_X86 1
// Plain loops compiled once more for a level: they stay plain C++, only the
// instructions the compiler may choose change.
#define ZARVO_TARGET_SSE41 __attribute__((target("sse4.1")))
#define ZARVO_TARGET_AVX2 __attribute__((target("avx2")))
enum SIMD : int { PORTABLE, SSE2, SSE41, AVX2, SIMDLEVELS };
#else
// aarch64 always has NEON and the compiler vectorises the plain loops with
// it; other processors and the browser run the plain loops as they are.
enum SIMD : int { PORTABLE, SIMDLEVELS };
#endif

// Forces a plain loop body into each level's wrapper, so it is compiled (and
// vectorised) for that level's instructions.
#define ZARVO_INLINE inline __attribute__((always_inline))

namespace DETAIL {
extern int simdlevel;
}

// The entry of a family's table for the level in effect.
template <class T>
inline const T& KERNELS(const T (&table)[SIMDLEVELS]) {
  return table[DETAIL::simdlevel];
}

}  // namespace ZARVO::RUNTIME
