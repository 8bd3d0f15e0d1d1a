// Screen 4: background 4, buttons tinted 0xFFFF8C00u; previous is screen 3, next screen 1.
#include "screens/screen.hpp"

namespace SCREEN4 {
SCREENSTATE STATE;
const SCREENCONFIG CONFIG{"images/background4.png", 0xFFFF8C00u, &SCREEN3::STATE.GAMESCREEN,
                          &SCREEN1::STATE.GAMESCREEN};
}  // namespace SCREEN4
