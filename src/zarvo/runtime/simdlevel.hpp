#pragma once
// The pixel kernels' level: one for the whole library, the best the processor
// runs unless lowered. On x86-64: 0 portable (plain loops), 1 sse2, 2 sse4.1,
// 3 avx2; elsewhere only 0. Every level gives the same pixels; a lower one is
// for comparing speed or ruling the vector code out. ZARVO_SIMD=portable,
// sse2, sse4.1 or avx2 in the environment lowers the best before start-up.

namespace ZARVO::RUNTIME {

// The level in effect.
int SIMDLEVEL();
// Lowers the level, capped at SIMDBEST(); a negative level restores the best.
// Returns the level in effect.
int SIMDLEVEL(int level);
// The best level this process may use: the processor's, lowered by ZARVO_SIMD.
int SIMDBEST();
// The level's name ("portable", "sse2", "sse4.1", "avx2"); "?" for one this build lacks.
const char* SIMDNAME(int level);

}  // namespace ZARVO::RUNTIME
