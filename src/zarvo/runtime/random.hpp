#pragma once
// The process-wide random source behind MATH::RANDOM and CHOICE.
#include <cstddef>

namespace ZARVO::RUNTIME {

// Next uniform double in [0, 1).
double RND();
// The value the latest RND returned (0 before the first draw).
double LASTRND();
// Reseeds the generator from a double; equal seeds give equal sequences.
void RANDOMIZE(double seed);

// Test hook: the next n draws return these values (each clamped into [0, 1)),
// then the generator resumes. Passing n = 0 clears any script.
void SCRIPTRANDOM(const double* values, size_t n);

}  // namespace ZARVO::RUNTIME
