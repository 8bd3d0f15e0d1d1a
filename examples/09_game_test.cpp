// A headless test of a small game: the pattern a game's own test suite copies.
// The game (a title screen, then a square stepping to a coin with the arrow
// keys) would live in its own files, main() calling GAMEMAIN(); the tests link
// it and run GAMEMAIN() headless, with input scripted on the virtual clock.
// Each TEST runs in its own process: the engine's loop runs once per process.
#include <gtest/gtest.h>
#include <zarvo/zarvo.hpp>

#include <functional>
#include <vector>

using namespace ZARVO;
using ENGINE::INPUTEVENT;

namespace GAME {

using ENGINE::KEY::ENTER, ENGINE::KEY::ESCAPE, ENGINE::KEY::LEFT, ENGINE::KEY::RIGHT;
constexpr int32_t STEP = 40, SIZE = 32, ROW = 224;
int32_t TITLE = -1, PLAY = -1, SCORE = 0, PLAYERX = 0, COINX = 0;

void QUITONESCAPE(INPUTEVENT kind, ENGINE::EVENT& e) {
  if (kind == INPUTEVENT::KEYPRESS && e.SCANCODE == ESCAPE) ENGINE::SHUTDOWN(FALSE);
}
void TITLE_ONPAINT(GRAPHICS::BITMAP& screen) { GRAPHICS::CLEAR(screen, 0xFF203060u); }
void TITLE_ONFRAME(float, INPUTEVENT kind, ENGINE::EVENT& e) {
  QUITONESCAPE(kind, e);
  if (kind == INPUTEVENT::KEYPRESS && e.SCANCODE == ENTER)
    ENGINE::SHOW(PLAY, ENGINE::TRANSITIONEFFECT::FADE, ENGINE::TRANSITIONDIRECTION::FROMLEFT,
                 EFFECT::EASING::LINEAR, 0.5f);
}
void PLAY_ONSHOW() {
  PLAYERX = SCORE = 0;
  COINX = 4 * STEP;
}
void PLAY_ONPAINT(GRAPHICS::BITMAP& screen) {
  GRAPHICS::CLEAR(screen, 0xFF104020u);
  GRAPHICS::FILLRECT(screen, COINX, ROW, SIZE, SIZE, 0xFFFFD000u);
  GRAPHICS::FILLRECT(screen, PLAYERX, ROW, SIZE, SIZE, 0xFFFFFFFFu);
}
void PLAY_ONFRAME(float, INPUTEVENT kind, ENGINE::EVENT& e) {
  QUITONESCAPE(kind, e);
  if (kind != INPUTEVENT::KEYPRESS) return;
  if (e.SCANCODE == LEFT) PLAYERX = MATH::MAX(0, PLAYERX - STEP);
  if (e.SCANCODE == RIGHT) PLAYERX = MATH::MIN(640 - SIZE, PLAYERX + STEP);
  if (PLAYERX == COINX) {
    ++SCORE;
    COINX = (COINX + 7 * STEP) % (15 * STEP);
  }
  ENGINE::REPAINT();
}
void ONINITIALIZE() {
  TITLE = ENGINE::NEWGAMESCREEN();
  ENGINE::GAMESCREENS[TITLE].ONPAINT += TITLE_ONPAINT;
  ENGINE::GAMESCREENS[TITLE].ONFRAME += TITLE_ONFRAME;
  PLAY = ENGINE::NEWGAMESCREEN();
  ENGINE::GAMESCREENS[PLAY].ONSHOW += PLAY_ONSHOW;
  ENGINE::GAMESCREENS[PLAY].ONPAINT += PLAY_ONPAINT;
  ENGINE::GAMESCREENS[PLAY].ONFRAME += PLAY_ONFRAME;
  ENGINE::SHOW(TITLE);  // starts the loop; returns when the game ends
}
int GAMEMAIN() {
  ENGINE::ONINITIALIZE += ONINITIALIZE;
  return ENGINE::INITIALIZE(640, 480) ? 0 : 1;
}

}  // namespace GAME

// The tests.
namespace {

struct STEP {
  double at;  // virtual seconds after the start; the loop advances 1 ms a pass
  std::function<void()> run;
};
std::vector<STEP> script;
size_t next = 0;

// Called after every pass's delay: runs the steps that are due.
void ONDELAY(uint64_t, double now) {
  while (next < script.size() && now - 1.0 >= script[next].at) script[next++].run();
  if (now > 60) ENGINE::SHUTDOWN(TRUE);  // a script that lost its way ends anyway
}

int RUNGAME(std::vector<STEP> steps) {
  HEADLESS::USE();  // or ZARVO_VIDEO=headless in the environment
  script = std::move(steps);
  HEADLESS::ONDELAY(ONDELAY);  // the virtual clock starts at 1.0 s
  return GAME::GAMEMAIN();
}

void KEY(int32_t scancode) { HEADLESS::PUSHKEY(RUNTIME::EVT_KEYPRESS, scancode); }
uint32_t PIXEL(int32_t x, int32_t y) { return HEADLESS::FRAME()[y * 640 + x]; }

}  // namespace

TEST(Game, EnterOnTheTitleFadesIntoPlay) {
  static int32_t during = -1, after = -1;
  EXPECT_EQ(RUNGAME({{0.2, [] { KEY(GAME::ENTER); }},
                     {0.5, [] { during = ENGINE::ACTIVEGAMESCREEN; }},
                     {1.0, [] { after = ENGINE::ACTIVEGAMESCREEN; }},
                     {1.1, [] { KEY(GAME::ESCAPE); }}}),
            0);  // Escape ended the game: INITIALIZE returned TRUE
  EXPECT_EQ(during, ENGINE::TRANSITION::TRANSITIONSCREEN);
  EXPECT_EQ(after, GAME::PLAY);
  EXPECT_LT(HEADLESS::TIME(), 3.0) << "ended by Escape, not by the time limit";
}

TEST(Game, ArrowsMoveThePlayerAndTheCoinScores) {
  static uint32_t start = 0, moved = 0;
  static int32_t score = -1;
  RUNGAME({{0.1, [] { KEY(GAME::ENTER); }},
           {1.0, [] { start = PIXEL(8, GAME::ROW + 8); }},
           {1.1, [] { for (int i = 0; i < 4; ++i) KEY(GAME::RIGHT); }},
           {1.2, [] { moved = PIXEL(4 * GAME::STEP + 8, GAME::ROW + 8); }},
           {1.2, [] { score = GAME::SCORE; }},
           {1.3, [] { KEY(GAME::ESCAPE); }}});
  EXPECT_EQ(start, 0xFFFFFFFFu) << "the player starts at the left";
  EXPECT_EQ(moved, 0xFFFFFFFFu) << "four steps right, where the coin was";
  EXPECT_EQ(score, 1);
}
