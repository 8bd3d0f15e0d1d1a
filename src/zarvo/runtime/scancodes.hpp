#pragma once
// Key numbering shared by the backends: every platform names keys by their
// USB usage (SDL scancodes) or by the browser's equivalent code strings; the
// engine wants set-1 scan codes.
#include <cstdint>

namespace ZARVO::RUNTIME {

// USB keyboard usage to the set-1 make code; extended keys give the byte
// that follows their 0xE0 prefix. 0 for keys set 1 has no code for.
int32_t SETONEFROMUSB(int32_t usage);

// A browser key code ("KeyA", "Escape", "ArrowLeft", ...) to the set-1 make
// code, by way of its USB usage. 0 for unknown codes and for null.
int32_t SETONEFROMKEYCODE(const char* code);

}  // namespace ZARVO::RUNTIME
