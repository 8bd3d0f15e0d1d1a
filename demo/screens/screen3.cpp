// Screen 3: background 3, buttons tinted 0xFF483D8Bu; previous is screen 2, next screen 4.
#include "screens/screen.hpp"

namespace SCREEN3 {
SCREENSTATE STATE;
const SCREENCONFIG CONFIG{"images/background3.png", 0xFF483D8Bu, &SCREEN2::STATE.GAMESCREEN,
                          &SCREEN4::STATE.GAMESCREEN};
}  // namespace SCREEN3
