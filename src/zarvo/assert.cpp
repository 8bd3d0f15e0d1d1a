#include "zarvo/assert.hpp"

#include <cstdio>
#include <cstdlib>

namespace ZARVO::DETAIL {

void ASSERTFAILED(const char* condition, const char* file, int line) {
  std::fprintf(stderr, "zarvo: contract broken: %s (%s:%d)\n", condition, file, line);
  std::abort();
}

}  // namespace ZARVO::DETAIL
