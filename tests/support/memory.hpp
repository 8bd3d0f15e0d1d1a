#pragma once
// For out-of-memory tests, in a child process: caps the address space at its
// current size plus extra bytes (the ulimit -v equivalent; it works under
// AddressSanitizer, whose shadow is already mapped).
#include <cstddef>

namespace TESTS {
void LIMITMEMORY(size_t extra);
}
