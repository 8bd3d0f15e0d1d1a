#pragma once
// Basic types shared by every part of the engine.
#include <cstdint>

namespace ZARVO {

// Flags and results: FALSE = 0, TRUE = -1; any non-zero value counts as true.
enum BOOLEAN : int32_t { FALSE = 0, TRUE = -1 };

// TRUE for true, FALSE for false.
inline constexpr BOOLEAN TOBOOLEAN(bool b) { return b ? TRUE : FALSE; }

}  // namespace ZARVO
