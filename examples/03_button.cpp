// A button with hover and click, using the system pointer. The hit test is
// pixel-exact: only the button's drawn (non-transparent) pixels count, so
// its rounded corners do not. Each click changes the background colour.
// Escape quits.
#include <zarvo/zarvo.hpp>

#include <cstdio>

using namespace ZARVO;
using ENGINE::INPUTEVENT;

namespace {

constexpr int32_t BW = 200, BH = 64;
constexpr uint32_t BACKGROUNDS[] = {0xFF202830u, 0xFF302040u, 0xFF203828u, 0xFF403020u};

int32_t MENU = -1;
GRAPHICS::BITMAP BUTTON, BUTTONHOVER;  // the two looks, drawn at start-up
GRAPHICS::FONT TEXT;
MATH::RECT PLACE{220, 208, BW, BH};    // where the button is drawn
bool HOVERED = false, PRESSED = false;
int32_t CLICKS = 0;

// A rounded button: two rectangles and four discs on a transparent bitmap.
void DRAWBUTTON(GRAPHICS::BITMAP& b, uint32_t colour) {
  constexpr int32_t R = 16;
  b.CREATE(BW, BH, 0x00000000u);
  GRAPHICS::FILLRECT(b, R, 0, BW - 2 * R, BH, colour);
  GRAPHICS::FILLRECT(b, 0, R, BW, BH - 2 * R, colour);
  for (int32_t cx : {R, BW - R - 1})
    for (int32_t cy : {R, BH - R - 1}) GRAPHICS::FILLCIRCLE(b, cx, cy, R, colour);
  const char* label = "Click me";
  TEXT.DRAWTEXT(b, (BW - TEXT.TEXTWIDTH(label)) / 2, (BH - TEXT.LINEHEIGHT()) / 2, label,
                0xFFFFFFFFu);
}

void MENU_ONSHOW() {
  TEXT.LOADFROMFILE(nullptr, 24);
  DRAWBUTTON(BUTTON, 0xFF3070C0u);
  DRAWBUTTON(BUTTONHOVER, 0xFF50A0F0u);
  ENGINE::SHOWCURSOR();  // INITIALIZE hid the system pointer
}

void MENU_ONPAINT(GRAPHICS::BITMAP& screen) {
  GRAPHICS::CLEAR(screen, BACKGROUNDS[CLICKS % 4]);
  (HOVERED ? BUTTONHOVER : BUTTON).DRAWTO(screen, PLACE.X, PLACE.Y, GRAPHICS::RASTEROP::GXALPHA);
  char line[64];
  std::snprintf(line, sizeof line, "Clicks: %d", CLICKS);
  TEXT.DRAWTEXT(screen, 20, 20, line, 0xFFE0E0E0u);
}

void MENU_ONFRAME(float, INPUTEVENT kind, ENGINE::EVENT& e) {
  if (kind == INPUTEVENT::KEYPRESS && e.SCANCODE == ENGINE::KEY::ESCAPE) ENGINE::SHUTDOWN(FALSE);
  // POINTER() follows the system pointer; the hit test reads the button's
  // pixel under it: alpha above 0 is a hit.
  const bool over = ENGINE::MOUSEOVEROBJECT(BUTTON, PLACE, ENGINE::POINTER(),
                                            ENGINE::TESTTYPE::ALPHAVALUE, 0);
  if (over != HOVERED) {
    HOVERED = over;
    ENGINE::REPAINT();
  }
  // A click is a press and a release both over the button.
  if (kind == INPUTEVENT::MOUSEBUTTONPRESS && e.BUTTON == ENGINE::BUTTON::LEFT) PRESSED = over;
  if (kind == INPUTEVENT::MOUSEBUTTONRELEASE && e.BUTTON == ENGINE::BUTTON::LEFT) {
    if (PRESSED && over) {
      ++CLICKS;
      ENGINE::REPAINT();
    }
    PRESSED = false;
  }
}

void GAME_ONINITIALIZE() {
  MENU = ENGINE::NEWGAMESCREEN();
  ENGINE::GAMESCREENS[MENU].ONSHOW += MENU_ONSHOW;
  ENGINE::GAMESCREENS[MENU].ONPAINT += MENU_ONPAINT;
  ENGINE::GAMESCREENS[MENU].ONFRAME += MENU_ONFRAME;
  ENGINE::SHOW(MENU);
}

}  // namespace

int main() {
  ENGINE::WINDOWTITLE("Zarvo: a button");
  ENGINE::ONINITIALIZE += GAME_ONINITIALIZE;
  return ENGINE::INITIALIZE(640, 480) ? 0 : 1;
}
