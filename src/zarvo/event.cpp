#include "zarvo/event.hpp"

#include <cstdio>
#include <cstdlib>

namespace ZARVO::DETAIL {

void* (*EVENTREALLOC)(void* block, size_t bytes) = std::realloc;

void EVENTOUTOFMEMORY(const char* file, int line) {
  std::fprintf(stderr, "Aborting due to runtime error 4 (\"out of memory\") at line %d of %s\n",
               line, file);
  std::fflush(stderr);
  std::_Exit(4);
}

}  // namespace ZARVO::DETAIL
