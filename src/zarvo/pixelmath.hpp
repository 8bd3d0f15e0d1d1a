#pragma once
// The arithmetic the pixel rules share, written once: rounding to the nearest
// integer with halves to even (what storing a floating-point value into an
// integer does by default) and clamping to a byte. Colours, bitmap pixels,
// blend modes, filters, the put and the transitions all use these.
#include <cmath>
#include <cstdint>

#include "zarvo/assert.hpp"

namespace ZARVO::DETAIL {

// Any value: saturates at the 32-bit range, NaN gives 0.
inline int32_t ROUNDEVEN(double V) {
  if (std::isnan(V)) return 0;
  if (V >= 2147483647.0) return INT32_MAX;
  if (V <= -2147483648.0) return INT32_MIN;
  return static_cast<int32_t>(std::nearbyint(V));  // the default mode rounds halves to even
}

// For 0 <= X < 2^51 only, the form row loops vectorise: adding 1.5 * 2^52
// leaves no fraction bits, so the FPU's own rounding does the work, with no
// call and no branch. The result is a whole number in a double.
inline double ROUNDEVENFAST(double X) {
  ZARVO_ASSERT(X >= 0.0 && X < 2251799813685248.0);
  constexpr double MAGIC = 6755399441055744.0;
  return (X + MAGIC) - MAGIC;
}

template <typename T>
constexpr T CLAMPBYTE(T V) {
  return V < 0 ? T{0} : (V > 255 ? T{255} : V);
}

}  // namespace ZARVO::DETAIL
