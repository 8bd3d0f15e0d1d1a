// The transition gallery: two screens take turns, each change through the
// next effect, direction and easing curve (7 x 8 x 19 combinations, stepped
// together), with the current choice written on screen and in the window
// title. Escape quits.
#include <zarvo/zarvo.hpp>

#include <cstdio>

using namespace ZARVO;
using ENGINE::TRANSITIONDIRECTION;
using ENGINE::TRANSITIONEFFECT;
using EFFECT::EASING;

namespace {

constexpr const char* EFFECTS[] = {"NONE",   "FADE",    "SLIDEIN",           "SLIDEOUT",
                                   "ZOOMIN", "ZOOMOUT", "HORISONTALSTRIPES", "VERTICALSTRIPES"};
constexpr const char* DIRECTIONS[] = {"FROMLEFT",    "FROMRIGHT",    "FROMTOP",
                                      "FROMBOTTOM",  "FROMTOPLEFT",  "FROMTOPRIGHT",
                                      "FROMBOTTOMLEFT", "FROMBOTTOMRIGHT"};
constexpr const char* EASINGS[] = {"LINEAR",    "EASEIN",     "EASEOUT",   "EASEINOUT", "EXPOIN",
                                   "EXPOOUT",   "EXPOINOUT",  "BOUNCEIN",  "BOUNCEOUT", "BOUNCEINOUT",
                                   "ELASIN",    "ELASOUT",    "ELASINOUT", "BACKIN",    "BACKOUT",
                                   "BACKINOUT", "CUBICIN",    "CUBICOUT",  "CUBICINOUT"};
constexpr float STAY = 0.6f, DURATION = 1.0f;  // seconds

int32_t SCREENS[2] = {-1, -1};
GRAPHICS::BITMAP PICTURES[2];
GRAPHICS::FONT TEXT;
char CHOICE[96] = "";   // the combination now showing
int32_t STEP = 0;       // the next combination
float WAITED = 0;       // seconds the active screen has been shown

// Shows screen n through combination STEP, then moves STEP on.
void SHOWNEXT(int32_t n) {
  const auto effect = static_cast<TRANSITIONEFFECT>(1 + STEP % 7);
  const auto direction = static_cast<TRANSITIONDIRECTION>(STEP % 8);
  const auto easing = static_cast<EASING>(STEP % 19);
  std::snprintf(CHOICE, sizeof CHOICE, "%s  %s  %s", EFFECTS[1 + STEP % 7], DIRECTIONS[STEP % 8],
                EASINGS[STEP % 19]);
  ENGINE::WINDOWTITLE(CHOICE);
  ++STEP;
  ENGINE::SHOW(SCREENS[n], effect, direction, easing, DURATION);
}

// Two pictures that are easy to tell apart mid-transition: warm checks and
// cool rings.
void DRAWPICTURES() {
  PICTURES[0].CREATE(640, 480, 0xFF000000u);
  PICTURES[1].CREATE(640, 480, 0xFF000000u);
  for (int32_t y = 0; y < 480; ++y)
    for (int32_t x = 0; x < 640; ++x) {
      const bool check = ((x / 80) + (y / 80)) % 2 == 0;
      PICTURES[0].PIXEL({x, y}, check ? 0xFFF0A030u : 0xFFA03020u);
      const int32_t dx = x - 320, dy = y - 240, ring = (dx * dx + dy * dy) / 2400 % 2;
      PICTURES[1].PIXEL({x, y}, ring ? 0xFF2060C0u : 0xFF80D0F0u);
    }
}

template <int N>
void ONSHOW() {
  WAITED = 0;
}
// Both screens are painted when a change starts (into the two pictures the
// transition moves between), so both carry the name of the change.
template <int N>
void ONPAINT(GRAPHICS::BITMAP& screen) {
  PICTURES[N].DRAWTO(screen);
  GRAPHICS::FILLRECT(screen, 0, 440, 640, 40, 0xB0000000u);  // translucent black
  TEXT.DRAWTEXT(screen, 12, 450, CHOICE, 0xFFFFFFFFu);
}
// Frame events reach a screen only while it is active, so the wait starts
// once the transition has ended.
template <int N>
void ONFRAME(float elapsed, ENGINE::INPUTEVENT kind, ENGINE::EVENT& e) {
  if (kind == ENGINE::INPUTEVENT::KEYPRESS && e.SCANCODE == 1) ENGINE::SHUTDOWN(FALSE);
  WAITED += elapsed;
  if (WAITED >= STAY) SHOWNEXT(1 - N);
}

template <int N>
void ADDSCREEN() {
  SCREENS[N] = ENGINE::NEWGAMESCREEN();
  ENGINE::GAMESCREENS[SCREENS[N]].ONSHOW += ONSHOW<N>;
  ENGINE::GAMESCREENS[SCREENS[N]].ONPAINT += ONPAINT<N>;
  ENGINE::GAMESCREENS[SCREENS[N]].ONFRAME += ONFRAME<N>;
}

void GAME_ONINITIALIZE() {
  DRAWPICTURES();
  TEXT.LOADFROMFILE(nullptr, 18);  // null: the engine's default face
  ADDSCREEN<0>();
  ADDSCREEN<1>();
  SHOWNEXT(0);  // the first show comes from black, and starts the loop
}

}  // namespace

int main() {
  ENGINE::ONINITIALIZE += GAME_ONINITIALIZE;
  return ENGINE::INITIALIZE(640, 480) ? 0 : 1;
}
