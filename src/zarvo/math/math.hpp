#pragma once
// Points, rectangles, rounding, clamping, stepping and random numbers.
#include <cstdint>

#include "zarvo/types.hpp"

namespace ZARVO::MATH {

// A point in whole pixels.
struct POINT {
  int32_t X = 0;
  int32_t Y = 0;
};

// A point in doubles.
struct POINTF {
  double X = 0.0;
  double Y = 0.0;
};

// A point lies inside when X <= px <= X + W and Y <= py <= Y + H: the far
// edges count, so a width of 10 covers eleven integer columns.
struct RECT {
  int32_t X = 0;
  int32_t Y = 0;
  int32_t W = 0;
  int32_t H = 0;

  // Whether the point lies inside, far edges included.
  BOOLEAN HASPOINT(int32_t PX, int32_t PY) const;
  BOOLEAN HASPOINT(double PX, double PY) const;
  BOOLEAN HASPOINT(const POINT& PT) const;
  BOOLEAN HASPOINT(const POINTF& PT) const;
};

// RECT in doubles, with the same rule for HASPOINT.
struct RECTF {
  double X = 0.0;
  double Y = 0.0;
  double W = 0.0;
  double H = 0.0;

  // Whether the point lies inside, far edges included.
  BOOLEAN HASPOINT(int32_t PX, int32_t PY) const;
  BOOLEAN HASPOINT(double PX, double PY) const;
  BOOLEAN HASPOINT(const POINT& PT) const;
  BOOLEAN HASPOINT(const POINTF& PT) const;
};

// A weighted random choice between possibilities numbered from 1. Weights are
// percentages; a fresh CHOICE splits 100 evenly, the remainder going to the
// last possibility. Copies are independent (the weights are duplicated; a copy
// that memory cannot hold has no possibilities).
struct CHOICE {
  // A count below 1, or one whose weights memory cannot hold, gives a CHOICE
  // with no possibilities whose MAKECHOICE always yields 0.
  explicit CHOICE(int32_t NUMPOSIBILITIES);
  ~CHOICE();
  CHOICE(const CHOICE& other);
  CHOICE& operator=(const CHOICE& other);

  // Draws 0..100 (101 values) and walks the cumulative weights; 0 when the
  // draw lies at or beyond the total.
  int32_t MAKECHOICE();
  // The result of the last MAKECHOICE (0 before the first).
  int32_t LASTCHOICE() const { return ILASTCHOICE; }

  // Weight of possibility INDEX (1-based); 0 for an index out of range.
  int32_t PROBABILITY(int32_t INDEX) const;
  // Stores PERCENT clamped to 1..100; an index out of range is ignored.
  void PROBABILITY(int32_t INDEX, int32_t PERCENT);

 private:
  int32_t* ICHOICE = nullptr;  // one weight per possibility
  int32_t INUMCHOICES = 0;
  int32_t ILASTCHOICE = 0;
};

// Nearest integer, halves away from zero; saturates outside the 32-bit range
// and gives 0 for NaN.
int32_t ROUND(double N);

// The smaller and the larger of two values.
int32_t MIN(int32_t A, int32_t B);
double MIN(double A, double B);
int32_t MAX(int32_t A, int32_t B);
double MAX(double A, double B);

// MIN(MAX(VALUE, A), B): with crossed bounds the result is B.
int32_t CONSTRAIN(int32_t VALUE, int32_t A, int32_t B);
double CONSTRAIN(double VALUE, double A, double B);

// Step CURRENT by one through A..B, wrapping to the other end; a value
// outside the range jumps to the near end first.
void NEXTVALUE(int32_t& CURRENT, int32_t A, int32_t B);
void NEXTVALUE(double& CURRENT, double A, double B);
void PREVVALUE(int32_t& CURRENT, int32_t A, int32_t B);
void PREVVALUE(double& CURRENT, double A, double B);

// Integer in IMIN..IMAX, both ends included, from the process-wide source.
int32_t RANDOM(int32_t IMIN, int32_t IMAX);
// The source's latest draw rounded half to even: 0 or 1, not the latest RANDOM.
int32_t LASTRANDOM();

}  // namespace ZARVO::MATH
