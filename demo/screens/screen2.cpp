// Screen 2: background 2, buttons tinted 0xFFFF7F50u; previous is screen 1, next screen 3.
#include "screens/screen.hpp"

namespace SCREEN2 {
SCREENSTATE STATE;
const SCREENCONFIG CONFIG{"images/background2.png", 0xFFFF7F50u, &SCREEN1::STATE.GAMESCREEN,
                          &SCREEN3::STATE.GAMESCREEN};
}  // namespace SCREEN2
