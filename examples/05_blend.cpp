// Blend modes: one picture drawn over another under each of the 29 blend
// modes (GXNORMAL .. GXBLUE), named under each; the two pictures alone in
// the last cells. Escape quits.
#include <zarvo/zarvo.hpp>

using namespace ZARVO;
using GRAPHICS::BITMAP;
using GRAPHICS::RASTEROP;

namespace {

constexpr int32_t COLUMNS = 6, CELLW = 106, CELLH = 80, TILEW = 96, TILEH = 52;
constexpr int32_t FIRST = static_cast<int32_t>(RASTEROP::GXNORMAL);  // 9
constexpr int32_t MODES = 29;                                         // 9 .. 37
constexpr const char* NAMES[MODES] = {
    "NORMAL",     "MULTIPLY",   "SCREEN",        "DARKEN",     "LIGHTEN",      "DIFFERENCE",
    "EXCLUSION",  "NEGATION",   "INTERPOLATION", "STAMP",      "AVERAGE",      "OVERLAY",
    "HARDLIGHT",  "SOFTLIGHT",  "COLORDODGE",    "INVCOLORDODGE", "SOFTDODGE", "COLORBURN",
    "INVCOLORBURN", "SOFTBURN", "REFLECT",       "GLOW",       "FREEZE",       "HEAT",
    "ADDITIVE",   "SUBTRACTIVE", "RED",          "GREEN",      "BLUE"};

int32_t SHEET = -1;
BITMAP BACKDROP, BASE, TOP;
GRAPHICS::FONT LABEL;

// The base: a rainbow left to right, dark to light top to bottom. The top: a
// disc whose colour runs the other way and whose edge fades out (its alpha
// is each blend's opacity).
void DRAWPICTURES() {
  BASE.CREATE(TILEW, TILEH, 0xFF000000u);
  TOP.CREATE(TILEW, TILEH, 0x00000000u);
  for (int32_t y = 0; y < TILEH; ++y)
    for (int32_t x = 0; x < TILEW; ++x) {
      COLOR::RGBTRIPLE c;
      c.FROMHSL(x * 360 / TILEW, 90, 20 + y * 60 / TILEH);
      BASE.PIXEL({x, y}, c.VALUE());
      const int32_t dx = x - TILEW / 2, dy = y - TILEH / 2, d2 = dx * dx + dy * dy;
      const int32_t alpha = d2 < 16 * 16 ? 255 : d2 < 24 * 24 ? 255 - (d2 - 256) * 255 / 320 : 0;
      c.FROMHSL(300 - y * 4, 70, 55);
      TOP.PIXEL({x, y}, static_cast<uint32_t>(alpha) << 24 | (c.VALUE() & 0xFFFFFFu));
    }
}

void CELL(int32_t i, int32_t& x, int32_t& y) {
  x = (i % COLUMNS) * CELLW + 7;
  y = (i / COLUMNS) * CELLH + 6;
}

void SHEET_ONSHOW() {
  DRAWPICTURES();
  LABEL.LOADFROMFILE(nullptr, 11);
  BACKDROP.CREATE(640, 480, 0xFF303030u);
}

void SHEET_ONPAINT(BITMAP& screen) {
  BACKDROP.DRAWTO(screen);
  int32_t x, y;
  for (int32_t i = 0; i < MODES; ++i) {
    CELL(i, x, y);
    BASE.DRAWTO(screen, x, y);  // GXPSET: a plain copy
    TOP.DRAWTO(screen, x, y, static_cast<RASTEROP>(FIRST + i));
    LABEL.DRAWTEXT(screen, x, y + TILEH + 3, NAMES[i], 0xFFD0D0D0u);
  }
  CELL(MODES, x, y);
  BASE.DRAWTO(screen, x, y);
  LABEL.DRAWTEXT(screen, x, y + TILEH + 3, "base", 0xFFD0D0D0u);
  CELL(MODES + 1, x, y);
  TOP.DRAWTO(screen, x, y);  // alpha and all, as it is
  LABEL.DRAWTEXT(screen, x, y + TILEH + 3, "top (as stored)", 0xFFD0D0D0u);
}

void SHEET_ONFRAME(float, ENGINE::INPUTEVENT kind, ENGINE::EVENT& e) {
  if (kind == ENGINE::INPUTEVENT::KEYPRESS && e.SCANCODE == 1) ENGINE::SHUTDOWN(FALSE);
}

void GAME_ONINITIALIZE() {
  SHEET = ENGINE::NEWGAMESCREEN();
  ENGINE::GAMESCREENS[SHEET].ONSHOW += SHEET_ONSHOW;
  ENGINE::GAMESCREENS[SHEET].ONPAINT += SHEET_ONPAINT;
  ENGINE::GAMESCREENS[SHEET].ONFRAME += SHEET_ONFRAME;
  ENGINE::SHOW(SHEET);
}

}  // namespace

int main() {
  ENGINE::WINDOWTITLE("Zarvo: blend modes");
  ENGINE::ONINITIALIZE += GAME_ONINITIALIZE;
  return ENGINE::INITIALIZE(640, 480) ? 0 : 1;
}
