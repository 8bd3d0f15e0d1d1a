// The button lights up under the system pointer, not over its transparent
// corner, and a click over it changes the background.
#include "drive.hpp"

int EXAMPLEMAIN();

using namespace ZARVO;

namespace {
void click() {
  HEADLESS::PUSHBUTTON(RUNTIME::EVT_MOUSEBUTTONPRESS, RUNTIME::BUTTON_LEFT);
  HEADLESS::PUSHBUTTON(RUNTIME::EVT_MOUSEBUTTONRELEASE, RUNTIME::BUTTON_LEFT);
}
}  // namespace

TEST(Button, HoverAndClickWithTheSystemPointer) {
  static uint32_t idle = 0, corner = 0, hovered = 0, background = 0, clicked = 0;
  const int status = SMOKE::RUN(
      {{0.1, [] { idle = SMOKE::PIXEL(230, 240), background = SMOKE::PIXEL(5, 470); }},
       {0.2, [] { HEADLESS::MOVEPOINTER(221, 209); }},  // the rounded corner: transparent
       {0.3, [] { corner = SMOKE::PIXEL(230, 240); }},
       {0.4, [] { HEADLESS::MOVEPOINTER(230, 240); }},
       {0.5, [] { hovered = SMOKE::PIXEL(230, 240); }},
       {0.6, click},
       {0.7, [] { clicked = SMOKE::PIXEL(5, 470); }},
       {0.8, SMOKE::ESCAPE}},
      EXAMPLEMAIN);
  EXPECT_EQ(status, 0);
  EXPECT_TRUE(HEADLESS::SYSTEMPOINTERVISIBLE()) << "the example shows the system pointer";
  EXPECT_EQ(corner, idle) << "the corner is not the button";
  EXPECT_NE(hovered, idle) << "hovering lights the button";
  EXPECT_EQ(background, 0xFF202830u);
  EXPECT_EQ(clicked, 0xFF302040u) << "a click moves to the next background";
}
