#include "zarvo/runtime/diagnostics.hpp"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace ZARVO::RUNTIME {
namespace {

DIAGNOSTICPROC handler_ = nullptr;

bool logenv() {
  // Read once: the environment does not change under a running game.
  static const bool on = [] {
    const char* v = std::getenv("ZARVO_LOG");
    return v != nullptr && v[0] != '\0' && std::strcmp(v, "0") != 0;
  }();
  return on;
}

}  // namespace

void ONDIAGNOSTIC(DIAGNOSTICPROC handler) { handler_ = handler; }
DIAGNOSTICPROC ONDIAGNOSTIC() { return handler_; }

bool DIAGNOSTICSON() { return handler_ != nullptr || logenv(); }

void DIAGNOSTIC(const char* format, ...) {
  if (format == nullptr || !DIAGNOSTICSON()) return;
  char line[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  if (handler_ != nullptr) {
    handler_(line);
  } else {
    std::fprintf(stderr, "zarvo: %s\n", line);
  }
}

}  // namespace ZARVO::RUNTIME
