#include "zarvo/runtime/process.hpp"

#include <string>

#if defined(__linux__)
#include <unistd.h>
#endif

namespace ZARVO::RUNTIME {
namespace {

std::string findfolder() {
#if defined(__linux__)
  // readlink neither terminates nor says whether it truncated: grow until it fits.
  std::string path(256, '\0');
  for (;;) {
    const ssize_t n = readlink("/proc/self/exe", path.data(), path.size());
    if (n < 0) return {};
    if (static_cast<size_t>(n) < path.size()) {
      path.resize(static_cast<size_t>(n));
      break;
    }
    if (path.size() >= 65536) return {};
    path.resize(path.size() * 2);
  }
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {};
  return path.substr(0, slash == 0 ? 1 : slash);
#else
  return {};
#endif
}

}  // namespace

const char* EXECUTABLEFOLDER() {
  try {
    static const std::string folder = findfolder();
    return folder.c_str();
  } catch (...) {  // out of memory: the platform cannot tell, as far as we know
    return "";
  }
}

}  // namespace ZARVO::RUNTIME
