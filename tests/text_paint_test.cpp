// A game's paint handler clears the screen it receives, draws a shape and a
// score, inside the loop on the headless backend (the loop holds the screen
// lock); the presented frame shows all three.
#include <gtest/gtest.h>

#include "zarvo/engine.hpp"
#include "zarvo/graphics/font.hpp"
#include "zarvo/graphics/shapes.hpp"
#include "zarvo/runtime/headless/headless.hpp"
#include "zarvo/runtime/runtime.hpp"

using namespace ZARVO;
namespace HL = ZARVO::HEADLESS;

namespace {

constexpr uint32_t BACK = 0xFF102030u, BAR = 0xFFC04020u, INK = 0xFFFFFFFFu;
GRAPHICS::FONT* font = nullptr;
int paints = 0;
bool lockedinpaint = false;

void paint(GRAPHICS::BITMAP& screen) {
  ++paints;
  lockedinpaint = RUNTIME::SCREENLOCKED();
  screen.CLEAR(BACK);
  GRAPHICS::FILLRECT(screen, 0, 40, 80, 8, BAR);
  font->DRAWTEXT(screen, 4, 4, "Score: 42", INK);
}

uint64_t stopafter = 0;
void stophook(uint64_t n, double) {
  if (n >= stopafter) ENGINE::GAMELOOPRUNNING = FALSE;
}

}  // namespace

TEST(TextPaint, PaintHandlerClearsTheScreenAndDrawsAScore) {
  HL::USE();
  ASSERT_EQ(ENGINE::INITIALIZE(80, 48, FALSE, 0), TRUE);
  GRAPHICS::FONT f(14);
  ASSERT_TRUE(f.LOADED());
  font = &f;
  const int32_t s = ENGINE::NEWGAMESCREEN();
  ENGINE::GAMESCREENS[s].ONPAINT += paint;
  ENGINE::ACTIVEGAMESCREEN = s;
  ENGINE::REPAINT();
  stopafter = HL::DELAYCOUNT() + 2;
  HL::ONDELAY(stophook);
  ENGINE::START();
  EXPECT_EQ(paints, 1);
  EXPECT_TRUE(lockedinpaint) << "the loop holds the lock while handlers paint";

  const uint32_t* frame = HL::FRAME();
  ASSERT_NE(frame, nullptr);
  auto at = [&](int32_t x, int32_t y) { return frame[y * 80 + x]; };
  EXPECT_EQ(at(79, 0), BACK);
  EXPECT_EQ(at(0, 39), BACK);
  EXPECT_EQ(at(0, 40), BAR);
  EXPECT_EQ(at(79, 47), BAR);
  // The score's ink lies inside its measured box and nowhere else.
  const int32_t w = f.TEXTWIDTH("Score: 42"), h = f.TEXTHEIGHT("Score: 42");
  int inked = 0, stray = 0;
  for (int32_t y = 0; y < 40; ++y)
    for (int32_t x = 0; x < 80; ++x)
      if (at(x, y) != BACK) {
        ++inked;
        if (x < 4 || x >= 4 + w || y < 4 || y >= 4 + h) ++stray;
      }
  EXPECT_GT(inked, 40);
  EXPECT_EQ(stray, 0);
}
