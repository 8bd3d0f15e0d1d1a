#include "support/memory.hpp"

#include <sys/resource.h>

#include <cstdio>

namespace TESTS {

void LIMITMEMORY(size_t extra) {
  long kb = 0;
  if (FILE* f = std::fopen("/proc/self/status", "r")) {
    char line[256];
    while (std::fgets(line, sizeof line, f))
      if (std::sscanf(line, "VmSize: %ld kB", &kb) == 1) break;
    std::fclose(f);
  }
  rlimit r{};
  r.rlim_cur = r.rlim_max = (static_cast<rlim_t>(kb) << 10) + static_cast<rlim_t>(extra);
  setrlimit(RLIMIT_AS, &r);
}

}  // namespace TESTS
