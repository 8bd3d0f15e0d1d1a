#include "zarvo/math/math.hpp"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "zarvo/runtime/random.hpp"

namespace ZARVO::MATH {
namespace {

// Far edges of an integer rectangle. The sum is taken in 64 bits so a
// rectangle reaching past the 32-bit range keeps its far edge instead of
// wrapping round to a negative one.
inline int64_t farx(const RECT& r) { return int64_t{r.X} + r.W; }
inline int64_t fary(const RECT& r) { return int64_t{r.Y} + r.H; }

inline BOOLEAN inside(double px, double py, double x, double y, double x2, double y2) {
  return TOBOOLEAN(x <= px && px <= x2 && y <= py && py <= y2);
}

}  // namespace

BOOLEAN RECT::HASPOINT(int32_t PX, int32_t PY) const {
  return TOBOOLEAN(X <= PX && PX <= farx(*this) && Y <= PY && PY <= fary(*this));
}

BOOLEAN RECT::HASPOINT(double PX, double PY) const {
  return inside(PX, PY, X, Y, static_cast<double>(farx(*this)), static_cast<double>(fary(*this)));
}

BOOLEAN RECT::HASPOINT(const POINT& PT) const { return HASPOINT(PT.X, PT.Y); }
BOOLEAN RECT::HASPOINT(const POINTF& PT) const { return HASPOINT(PT.X, PT.Y); }

BOOLEAN RECTF::HASPOINT(int32_t PX, int32_t PY) const {
  return HASPOINT(static_cast<double>(PX), static_cast<double>(PY));
}

BOOLEAN RECTF::HASPOINT(double PX, double PY) const {
  return inside(PX, PY, X, Y, X + W, Y + H);
}

BOOLEAN RECTF::HASPOINT(const POINT& PT) const { return HASPOINT(PT.X, PT.Y); }
BOOLEAN RECTF::HASPOINT(const POINTF& PT) const { return HASPOINT(PT.X, PT.Y); }

namespace {

// Weights are allocated without exceptions: null when memory runs out.
int32_t* newweights(int32_t n) {
  return static_cast<int32_t*>(std::malloc(sizeof(int32_t) * static_cast<size_t>(n)));
}

}  // namespace

CHOICE::CHOICE(int32_t NUMPOSIBILITIES) {
  if (NUMPOSIBILITIES < 1) return;  // nothing to split 100 between
  ICHOICE = newweights(NUMPOSIBILITIES);
  if (!ICHOICE) return;
  INUMCHOICES = NUMPOSIBILITIES;
  for (int32_t i = 0; i < INUMCHOICES; ++i) ICHOICE[i] = 100 / NUMPOSIBILITIES;
  ICHOICE[INUMCHOICES - 1] += 100 % NUMPOSIBILITIES;
}

CHOICE::~CHOICE() { std::free(ICHOICE); }

CHOICE::CHOICE(const CHOICE& other) : ILASTCHOICE(other.ILASTCHOICE) {
  if (other.INUMCHOICES < 1) return;
  ICHOICE = newweights(other.INUMCHOICES);
  if (!ICHOICE) return;
  INUMCHOICES = other.INUMCHOICES;
  std::memcpy(ICHOICE, other.ICHOICE, sizeof(int32_t) * static_cast<size_t>(INUMCHOICES));
}

CHOICE& CHOICE::operator=(const CHOICE& other) {
  if (this == &other) return *this;
  CHOICE copy(other);
  std::swap(ICHOICE, copy.ICHOICE);
  std::swap(INUMCHOICES, copy.INUMCHOICES);
  ILASTCHOICE = copy.ILASTCHOICE;
  return *this;
}

int32_t CHOICE::MAKECHOICE() {
  const int32_t rand = RANDOM(0, 100);
  int64_t sum = 0;  // many possibilities at 100% each would overflow 32 bits
  int32_t result = 0;
  for (int32_t i = 0; i < INUMCHOICES; ++i) {
    sum += ICHOICE[i];
    if (rand < sum) {
      result = i + 1;
      break;
    }
  }
  ILASTCHOICE = result;
  return result;
}

int32_t CHOICE::PROBABILITY(int32_t INDEX) const {
  if (INDEX < 1 || INDEX > INUMCHOICES) return 0;
  return ICHOICE[INDEX - 1];
}

void CHOICE::PROBABILITY(int32_t INDEX, int32_t PERCENT) {
  if (INDEX < 1 || INDEX > INUMCHOICES) return;
  ICHOICE[INDEX - 1] = CONSTRAIN(PERCENT, 1, 100);
}

int32_t ROUND(double N) {
  if (std::isnan(N)) return 0;
  const double a = std::fabs(N);
  const double fl = std::floor(a);
  double r = (a - fl >= 0.5) ? fl + 1.0 : fl;
  if (N < 0) r = -r;
  if (r >= 2147483647.0) return INT32_MAX;
  if (r <= -2147483648.0) return INT32_MIN;
  return static_cast<int32_t>(r);
}

int32_t MIN(int32_t A, int32_t B) { return A < B ? A : B; }
double MIN(double A, double B) { return A < B ? A : B; }
int32_t MAX(int32_t A, int32_t B) { return A > B ? A : B; }
double MAX(double A, double B) { return A > B ? A : B; }

int32_t CONSTRAIN(int32_t VALUE, int32_t A, int32_t B) { return MIN(MAX(VALUE, A), B); }
double CONSTRAIN(double VALUE, double A, double B) { return MIN(MAX(VALUE, A), B); }

// The integer steps work in 64 bits: stepping past INT32_MAX or INT32_MIN
// lands outside the range and wraps, rather than overflowing.
void NEXTVALUE(int32_t& CURRENT, int32_t A, int32_t B) {
  int64_t v = int64_t{CURRENT} + 1;
  if (v < A) v = A;
  CURRENT = v > B ? A : static_cast<int32_t>(v);
}

void NEXTVALUE(double& CURRENT, double A, double B) {
  CURRENT = MAX(CURRENT + 1.0, A);
  if (CURRENT > B) CURRENT = A;
}

void PREVVALUE(int32_t& CURRENT, int32_t A, int32_t B) {
  int64_t v = int64_t{CURRENT} - 1;
  if (v > B) v = B;
  CURRENT = v < A ? B : static_cast<int32_t>(v);
}

void PREVVALUE(double& CURRENT, double A, double B) {
  CURRENT = MIN(CURRENT - 1.0, B);
  if (CURRENT < A) CURRENT = B;
}

int32_t RANDOM(int32_t IMIN, int32_t IMAX) {
  const double r = RUNTIME::RND();
  // 64 bits: the full 32-bit span has 2^32 values. With IMIN > IMAX the span
  // is zero or negative and the result lies between IMAX + 1 and IMIN.
  const int64_t n = int64_t{IMAX} - IMIN + 1;
  const int64_t offset = static_cast<int64_t>(std::floor(r * static_cast<double>(n)));
  return static_cast<int32_t>(IMIN + offset);
}

int32_t LASTRANDOM() {
  // The latest draw is in [0, 1); half to even sends 0.5 down to 0.
  return RUNTIME::LASTRND() > 0.5 ? 1 : 0;
}

}  // namespace ZARVO::MATH
