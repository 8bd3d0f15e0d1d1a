// zarvo-view FILE.png: opens a window with the picture (transparent parts
// over a checkerboard), or prints why the file was refused. Escape quits.
#include <zarvo/zarvo.hpp>

#include <cstdio>
#include <string>

using namespace ZARVO;
using GRAPHICS::BITMAP;

namespace {

constexpr int32_t MINW = 160, MINH = 120, MAXW = 1024, MAXH = 768;

int32_t VIEW = -1;
RUNTIME::IMAGE* DECODED = nullptr;  // until the window exists
BITMAP PICTURE, BACKDROP;
int32_t WINW = 0, WINH = 0;
std::string REASON;  // the engine's last diagnostic line

void VIEW_ONSHOW() {
  PICTURE.HANDLE(DECODED);  // the bitmap owns the image from here on
  DECODED = nullptr;
  // Too large for the screen: shrink to fit, keeping the proportions.
  const double fit = MATH::MIN(MATH::MIN(1.0, double(MAXW) / PICTURE.WIDTH()),
                               double(MAXH) / PICTURE.HEIGHT());
  if (fit < 1.0)
    PICTURE.RESIZE(MATH::MAX(1, MATH::ROUND(PICTURE.WIDTH() * fit)),
                   MATH::MAX(1, MATH::ROUND(PICTURE.HEIGHT() * fit)),
                   GRAPHICS::RESIZEMETHOD::GXSCALEBILINEAR);
  BACKDROP.CREATE(WINW, WINH, 0xFF9A9A9Au);
  for (int32_t y = 0; y < WINH; ++y)
    for (int32_t x = 0; x < WINW; ++x)
      if ((x / 8 + y / 8) % 2) BACKDROP.PIXEL({x, y}, 0xFF6A6A6Au);
}

void VIEW_ONPAINT(BITMAP& screen) {
  BACKDROP.DRAWTO(screen);
  const int32_t x = (WINW - static_cast<int32_t>(PICTURE.WIDTH())) / 2;
  const int32_t y = (WINH - static_cast<int32_t>(PICTURE.HEIGHT())) / 2;
  PICTURE.DRAWTO(screen, x, y, 0, 0, 0, 0, GRAPHICS::RASTEROP::GXALPHA);
}

void VIEW_ONFRAME(float, ENGINE::INPUTEVENT kind, ENGINE::EVENT& e) {
  if (kind == ENGINE::INPUTEVENT::KEYPRESS && e.SCANCODE == 1) ENGINE::SHUTDOWN(FALSE);
}

void GAME_ONINITIALIZE() {
  VIEW = ENGINE::NEWGAMESCREEN();
  ENGINE::GAMESCREENS[VIEW].ONSHOW += VIEW_ONSHOW;
  ENGINE::GAMESCREENS[VIEW].ONPAINT += VIEW_ONPAINT;
  ENGINE::GAMESCREENS[VIEW].ONFRAME += VIEW_ONFRAME;
  ENGINE::SHOW(VIEW);
}

void KEEPREASON(const char* message) { REASON = message; }

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: zarvo-view FILE.png\n");
    return 2;
  }
  // A failed load returns null; a cause the engine reports through the
  // diagnostics (also printed with ZARVO_LOG=1) is kept to print.
  RUNTIME::ONDIAGNOSTIC(KEEPREASON);
  // The decoder needs no window, so the picture can size it. (BITMAP loads
  // and creates do need one: they fail before INITIALIZE.)
  DECODED = static_cast<RUNTIME::IMAGE*>(PNG::LOADFILE(argv[1], PNG::SELECT_IMAGE));
  if (!DECODED) {
    std::fprintf(stderr, "zarvo-view: %s refused: %s\n", argv[1],
                 REASON.empty() ? "not a PNG file the engine can read" : REASON.c_str());
    return 1;
  }
  WINW = MATH::CONSTRAIN(static_cast<int32_t>(DECODED->WIDTH), MINW, MAXW);
  WINH = MATH::CONSTRAIN(static_cast<int32_t>(DECODED->HEIGHT), MINH, MAXH);
  const std::string title = std::string("zarvo-view: ") + argv[1];
  ENGINE::WINDOWTITLE(title.c_str());
  ENGINE::ONINITIALIZE += GAME_ONINITIALIZE;
  if (!ENGINE::INITIALIZE(WINW, WINH)) {
    std::fprintf(stderr, "zarvo-view: no window: %s\n", ENGINE::INITIALIZEERROR());
    RUNTIME::IMAGEDESTROY(DECODED);
    return 1;
  }
  return 0;
}
