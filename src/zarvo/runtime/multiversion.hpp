#pragma once
// ZARVO_MULTIVERSION on a hot loop compiles it twice, for AVX2 and for plain
// x86-64, and picks the one the processor runs at load time.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define ZARVO_MULTIVERSION __attribute__((target_clones("avx2", "default")))
#else
#define ZARVO_MULTIVERSION
#endif
