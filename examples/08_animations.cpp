// Animations: six balls cross the window at once, each along its own easing
// curve, pause, and come back. An ANIMATION moves its values from their start
// to their end values over a duration; the engine advances every playing
// animation once per pass of the loop. Escape quits.
#include <zarvo/zarvo.hpp>

#include <memory>

using namespace ZARVO;
using EFFECT::EASING;

namespace {

constexpr int32_t COUNT = 6, LEFT = 40, RIGHT = 560, SIZE = 32;
constexpr double SECONDS = 2.0, PAUSE = 0.5;
constexpr EASING CURVES[COUNT] = {EASING::LINEAR,    EASING::EASEINOUT, EASING::EXPOOUT,
                                  EASING::BOUNCEOUT, EASING::ELASOUT,   EASING::BACKINOUT};
constexpr uint32_t COLOURS[COUNT] = {0xFFE0E0E0u, 0xFF40C0FFu, 0xFF60E060u,
                                     0xFFFFC040u, 0xFFFF6080u, 0xFFC080FFu};

int32_t STAGE = -1;
GRAPHICS::BITMAP BACKDROP, BALLS[COUNT];
// The engine lists a playing animation by its address: keep it alive while it
// plays (here: to the end of the program).
std::unique_ptr<EFFECT::ANIMATION> MOTION[COUNT];
double PAUSED = 0;  // seconds spent at the end of a crossing

void DRAWBALL(GRAPHICS::BITMAP& b, uint32_t colour) {
  b.CREATE(SIZE, SIZE, 0x00000000u);  // fully transparent
  for (int32_t y = 0; y < SIZE; ++y)
    for (int32_t x = 0; x < SIZE; ++x) {
      const int32_t dx = 2 * x - SIZE + 1, dy = 2 * y - SIZE + 1;
      if (dx * dx + dy * dy <= SIZE * SIZE) b.PIXEL({x, y}, colour);
    }
}

void CROSS(double from, double to) {
  for (int32_t i = 0; i < COUNT; ++i) {
    MOTION[i]->STARTVALUE(from);
    MOTION[i]->ENDVALUE(to);
    MOTION[i]->PLAY(SECONDS, CURVES[i]);  // starts now, from the start value
  }
}

void STAGE_ONSHOW() {
  BACKDROP.CREATE(640, 480, 0xFF101820u);
  for (int32_t i = 0; i < COUNT; ++i) {
    DRAWBALL(BALLS[i], COLOURS[i]);
    MOTION[i] = std::make_unique<EFFECT::ANIMATION>(1);  // one value: x
  }
  CROSS(LEFT, RIGHT);
}

void STAGE_ONPAINT(GRAPHICS::BITMAP& screen) {
  BACKDROP.DRAWTO(screen);
  for (int32_t i = 0; i < COUNT; ++i) {
    const int32_t x = MATH::ROUND(MOTION[i]->VALUE());
    BALLS[i].DRAWTO(screen, x, 60 + i * 64, 0, 0, 0, 0, GRAPHICS::RASTEROP::GXALPHA);
  }
}

void STAGE_ONFRAME(float elapsed, ENGINE::INPUTEVENT kind, ENGINE::EVENT& e) {
  if (kind == ENGINE::INPUTEVENT::KEYPRESS && e.SCANCODE == 1) ENGINE::SHUTDOWN(FALSE);
  ENGINE::REPAINT();  // something moves every pass
  bool alldone = true;
  for (const auto& m : MOTION) alldone = alldone && m->TARGETREACHED();
  if (!alldone) return;
  PAUSED += elapsed;
  if (PAUSED < PAUSE) return;
  PAUSED = 0;
  const double at = MOTION[0]->VALUE();
  CROSS(at, at == RIGHT ? LEFT : RIGHT);  // and back again
}

void GAME_ONINITIALIZE() {
  STAGE = ENGINE::NEWGAMESCREEN();
  ENGINE::GAMESCREENS[STAGE].ONSHOW += STAGE_ONSHOW;
  ENGINE::GAMESCREENS[STAGE].ONPAINT += STAGE_ONPAINT;
  ENGINE::GAMESCREENS[STAGE].ONFRAME += STAGE_ONFRAME;
  ENGINE::SHOW(STAGE);
}

}  // namespace

int main() {
  ENGINE::WINDOWTITLE("Zarvo: animations");
  ENGINE::ONINITIALIZE += GAME_ONINITIALIZE;
  return ENGINE::INITIALIZE(640, 480) ? 0 : 1;
}
