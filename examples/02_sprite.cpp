// A sprite moved with the arrow keys. KEYDOWN tells whether a key is held
// now, so the sprite moves smoothly for as long as the key is down, at a
// speed measured in pixels per second of the time each pass took.
// Escape quits.
#include <zarvo/zarvo.hpp>

using namespace ZARVO;
using ENGINE::KEY::DOWN;
using ENGINE::KEY::LEFT;
using ENGINE::KEY::RIGHT;
using ENGINE::KEY::UP;

namespace {

constexpr int32_t SIZE = 48;
constexpr double SPEED = 200;  // pixels per second

int32_t FIELD = -1;
GRAPHICS::BITMAP SHIP;  // drawn at start-up: a ring with a white middle
GRAPHICS::FONT TEXT;
double X = 296, Y = 216;

void FIELD_ONSHOW() {
  SHIP.CREATE(SIZE, SIZE, 0x00000000u);  // transparent: GXALPHA leaves it out
  GRAPHICS::FILLCIRCLE(SHIP, SIZE / 2, SIZE / 2, SIZE / 2 - 2, 0xFF3CB4FFu, TRUE);
  GRAPHICS::FILLCIRCLE(SHIP, SIZE / 2, SIZE / 2, 8, 0xFFFFFFFFu, TRUE);
  TEXT.LOADFROMFILE(nullptr, 16);
}

void FIELD_ONPAINT(GRAPHICS::BITMAP& screen) {
  GRAPHICS::CLEAR(screen, 0xFF102030u);
  TEXT.DRAWTEXT(screen, 10, 10, "Arrow keys move, Escape quits", 0xFFC0C0C0u);
  SHIP.DRAWTO(screen, MATH::ROUND(X), MATH::ROUND(Y), GRAPHICS::RASTEROP::GXALPHA);
}

void FIELD_ONFRAME(float elapsed, ENGINE::INPUTEVENT kind, ENGINE::EVENT& e) {
  if (kind == ENGINE::INPUTEVENT::KEYPRESS && e.SCANCODE == ENGINE::KEY::ESCAPE)
    ENGINE::SHUTDOWN(FALSE);
  // Held keys, not key events: one press moves for as long as it is held.
  const double step = SPEED * elapsed;
  const double dx = (ENGINE::KEYDOWN(RIGHT) ? step : 0) - (ENGINE::KEYDOWN(LEFT) ? step : 0);
  const double dy = (ENGINE::KEYDOWN(DOWN) ? step : 0) - (ENGINE::KEYDOWN(UP) ? step : 0);
  if (dx == 0 && dy == 0) return;
  X = MATH::CONSTRAIN(X + dx, 0.0, double(ENGINE::SCREENWIDTH() - SIZE));
  Y = MATH::CONSTRAIN(Y + dy, 0.0, double(ENGINE::SCREENHEIGHT() - SIZE));
  ENGINE::REPAINT();  // the picture changed: paint it in the next pass
}

void GAME_ONINITIALIZE() {
  FIELD = ENGINE::NEWGAMESCREEN();
  ENGINE::GAMESCREENS[FIELD].ONSHOW += FIELD_ONSHOW;
  ENGINE::GAMESCREENS[FIELD].ONPAINT += FIELD_ONPAINT;
  ENGINE::GAMESCREENS[FIELD].ONFRAME += FIELD_ONFRAME;
  ENGINE::SHOW(FIELD);
}

}  // namespace

int main() {
  ENGINE::WINDOWTITLE("Zarvo: arrow keys");
  ENGINE::ONINITIALIZE += GAME_ONINITIALIZE;
  return ENGINE::INITIALIZE(640, 480) ? 0 : 1;
}
