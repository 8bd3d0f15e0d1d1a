#pragma once
// What the four demo screens share: their state, their constants and the
// behaviour behind their handlers. Each screen module (screen1 to screen4)
// owns one SCREENSTATE and attaches thin handlers that forward here.
#include <cstdint>

#include "cameleonbutton.hpp"
#include "zarvo/zarvo.hpp"

struct SCREENCONFIG {
  const char* BACKGROUNDFILE;
  uint32_t COLOR;           // button tint, 0xAARRGGBB
  const int32_t* PREVIOUS;  // the neighbours' screen numbers
  const int32_t* NEXT;
};

struct SCREENSTATE {
  int32_t GAMESCREEN = -1;
  ZARVO::GRAPHICS::BITMAP BACKGROUND;
  CAMELEONBUTTON NEXTSCREEN;
  CAMELEONBUTTON PREVSCREEN;
};

inline constexpr int32_t BUTTONMARGIN = 50;
inline constexpr uint8_t BUTTONOPACITY = 200;
inline constexpr uint8_t BUTTONHOVEROPACITY = 255;
inline constexpr uint32_t HOVERTHRESHOLD = 30;
inline constexpr int32_t QUITSCANCODE = 1;  // Escape

void SCREEN_SHOW(SCREENSTATE& S, const SCREENCONFIG& C);
void SCREEN_HIDE(SCREENSTATE& S);
void SCREEN_FRAME(SCREENSTATE& S, const SCREENCONFIG& C, ZARVO::ENGINE::INPUTEVENT EINPUTEVENT,
                  ZARVO::ENGINE::EVENT& EVENTDATA);
void SCREEN_PAINT(SCREENSTATE& S, ZARVO::GRAPHICS::BITMAP& DEST);

// A screen module's handlers: free procedures bound to its state and constants.
template <SCREENSTATE& S, const SCREENCONFIG& C>
struct SCREENHANDLERS {
  static void SCREEN_ONSHOW() { SCREEN_SHOW(S, C); }
  static void SCREEN_ONHIDE(int32_t, ZARVO::BOOLEAN&) { SCREEN_HIDE(S); }  // never cancels
  static void SCREEN_ONFRAME(float, ZARVO::ENGINE::INPUTEVENT EINPUTEVENT,
                             ZARVO::ENGINE::EVENT& EVENTDATA) {
    SCREEN_FRAME(S, C, EINPUTEVENT, EVENTDATA);
  }
  static void SCREEN_ONPAINT(ZARVO::GRAPHICS::BITMAP& DEST) { SCREEN_PAINT(S, DEST); }

  // Registers the screen and attaches the four handlers, in this order.
  static void GAME_ONINITIALIZE() {
    S.GAMESCREEN = ZARVO::ENGINE::NEWGAMESCREEN();
    ZARVO::ENGINE::GAMESCREENEVENTS& E = ZARVO::ENGINE::GAMESCREENS[S.GAMESCREEN];
    E.ONSHOW += SCREEN_ONSHOW;
    E.ONHIDE += SCREEN_ONHIDE;
    E.ONFRAME += SCREEN_ONFRAME;
    E.ONPAINT += SCREEN_ONPAINT;
  }
};

// The four modules.
#define ZARVO_DEMO_DECLARE_SCREEN(NAME)                                 \
  namespace NAME {                                                     \
  extern SCREENSTATE STATE;                                            \
  extern const SCREENCONFIG CONFIG;                                    \
  using HANDLERS = SCREENHANDLERS<STATE, CONFIG>;                      \
  inline constexpr auto GAME_ONINITIALIZE = &HANDLERS::GAME_ONINITIALIZE; \
  }
ZARVO_DEMO_DECLARE_SCREEN(SCREEN1)
ZARVO_DEMO_DECLARE_SCREEN(SCREEN2)
ZARVO_DEMO_DECLARE_SCREEN(SCREEN3)
ZARVO_DEMO_DECLARE_SCREEN(SCREEN4)
#undef ZARVO_DEMO_DECLARE_SCREEN

namespace SCREEN1 {
// Shows the first screen, which starts the game.
void GAME_ONREADY();
}
