#pragma once
// The 20-byte input event record that the platform fills, one event at a time.
#include <cstdint>

namespace ZARVO::RUNTIME {

// Event type numbers.
enum EVENTTYPE : int32_t {
  EVT_KEYPRESS = 1,
  EVT_KEYRELEASE = 2,
  EVT_KEYREPEAT = 3,
  EVT_MOUSEMOVE = 4,
  EVT_MOUSEBUTTONPRESS = 5,
  EVT_MOUSEBUTTONRELEASE = 6,
  EVT_MOUSEDOUBLECLICK = 7,
  EVT_MOUSEWHEEL = 8,
  EVT_MOUSEENTER = 9,
  EVT_MOUSELEAVE = 10,
  EVT_WINDOWGOTFOCUS = 11,
  EVT_WINDOWLOSTFOCUS = 12,
  EVT_WINDOWCLOSE = 13,
  EVT_MOUSEHWHEEL = 14,
};

// Mouse button numbers (also the bits of the get-mouse button mask).
enum MOUSEBUTTON : int32_t {
  BUTTON_LEFT = 1,
  BUTTON_RIGHT = 2,
  BUTTON_MIDDLE = 4,
  BUTTON_X1 = 8,
  BUTTON_X2 = 16,
};

// After TYPE the remaining 16 bytes are read through the view its type selects.
struct EVENT {
  int32_t TYPE;
  union {
    struct {
      int32_t SCANCODE;  // set-1 scan code, Escape = 1
      int32_t ASCII;     // character code of the key, 0 when it has none
    };
    struct {
      int32_t X;
      int32_t Y;
      int32_t DX;
      int32_t DY;
    };
    int32_t BUTTON;
    int32_t Z;  // wheel position
    int32_t W;  // horizontal wheel position
    int32_t RAW[4];
  };
};
static_assert(sizeof(EVENT) == 20, "the input event record is 20 bytes");

}  // namespace ZARVO::RUNTIME
