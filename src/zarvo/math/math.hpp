#pragma once
// Points, rectangles, rounding, clamping, stepping and random numbers.
#include <cstdint>

#include "zarvo/types.hpp"

namespace ZARVO::MATH {

struct POINT {
  int32_t X = 0;
  int32_t Y = 0;
};

struct POINTF {
  double X = 0.0;
  double Y = 0.0;
};

struct RECT {
  int32_t X = 0;
  int32_t Y = 0;
  int32_t W = 0;
  int32_t H = 0;
};

struct RECTF {
  double X = 0.0;
  double Y = 0.0;
  double W = 0.0;
  double H = 0.0;
};

}  // namespace ZARVO::MATH
