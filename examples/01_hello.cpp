// The smallest program: a window, a cleared screen and a line of text.
// Escape or closing the window quits.
#include <zarvo/zarvo.hpp>

using namespace ZARVO;

namespace {

int32_t HELLO = -1;      // the one screen's number
GRAPHICS::FONT TEXT;     // the default face, loaded when the screen is shown

void HELLO_ONSHOW() { TEXT.LOADFROMFILE(nullptr, 32); }

// Paints the whole screen into the bitmap it is given (here: the screen).
void HELLO_ONPAINT(GRAPHICS::BITMAP& screen) {
  GRAPHICS::CLEAR(screen, 0xFF1E2A3Au);
  TEXT.DRAWTEXT(screen, 40, 40, "Hello, Zarvo!", 0xFFFFFFFFu);
}

// Runs once per pass of the game loop with the input of that pass, if any.
void HELLO_ONFRAME(float, ENGINE::INPUTEVENT kind, ENGINE::EVENT& e) {
  if (kind == ENGINE::INPUTEVENT::KEYPRESS && e.SCANCODE == ENGINE::KEY::ESCAPE)
    ENGINE::SHUTDOWN(FALSE);
}

// The window exists now: register the screen and show it. The first SHOW
// starts the game loop and returns only when the game has ended.
void GAME_ONINITIALIZE() {
  HELLO = ENGINE::NEWGAMESCREEN();
  ENGINE::GAMESCREENS[HELLO].ONSHOW += HELLO_ONSHOW;
  ENGINE::GAMESCREENS[HELLO].ONPAINT += HELLO_ONPAINT;
  ENGINE::GAMESCREENS[HELLO].ONFRAME += HELLO_ONFRAME;
  ENGINE::SHOW(HELLO);
}

}  // namespace

int main() {
  ENGINE::WINDOWTITLE("Hello, Zarvo");
  ENGINE::ONINITIALIZE += GAME_ONINITIALIZE;
  // Runs the whole game; FALSE when no window could be opened.
  if (!ENGINE::INITIALIZE(640, 480)) return 1;
  return 0;
}
