// Screen 1: background 1, buttons tinted 0xFF008000u; previous is screen 4, next screen 2.
#include "demo.hpp"
#include "screens/screen.hpp"

namespace SCREEN1 {
SCREENSTATE STATE;
const SCREENCONFIG CONFIG{"images/background1.png", 0xFF008000u, &SCREEN4::STATE.GAMESCREEN,
                          &SCREEN2::STATE.GAMESCREEN};
}  // namespace SCREEN1

void SCREEN1::GAME_ONREADY() { SHOWSCREEN(STATE.GAMESCREEN); }
