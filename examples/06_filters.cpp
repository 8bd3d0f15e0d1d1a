// Filters and resizing side by side: one picture, drawn at start-up, and
// copies of it under each built-in filter and each resize method.
// Escape quits.
#include <zarvo/zarvo.hpp>

using namespace ZARVO;
using namespace ZARVO::GRAPHICS;

namespace {

constexpr int32_t W = 120, H = 90;  // the picture
constexpr int32_t CELLW = 160, CELLH = 120;

int32_t GALLERY = -1;
BITMAP BACKDROP;
BITMAP TILES[12];  // filters in the first two rows, resizes in the third

// A sky-to-sea gradient with a sun: enough colour for every filter to show.
// Bitmaps need the window, so this runs from ONINITIALIZE, not before.
void DRAWPICTURE(BITMAP& pic) {
  pic.CREATE(W, H, 0xFF000000u);
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x) {
      const int32_t dx = x - 80, dy = y - 30;
      uint32_t c = y < 55 ? 0xFF000000u | (40 + y) << 16 | (90 + y * 2) << 8 | 230
                          : 0xFF000000u | 20 << 16 | (60 + x / 2) << 8 | (120 + y);
      if (dx * dx + dy * dy < 15 * 15) c = 0xFFFFD040u;
      pic.PIXEL({x, y}, c);
    }
}

void FILTERED(BITMAP& tile, const BITMAP& pic, BITMAPFILTER f, void* param = nullptr) {
  tile = pic;  // a copy: filters work in place
  tile.APPLYFILTER(f, param);
}

void RESIZED(BITMAP& tile, const BITMAP& pic, int32_t w, int32_t h, RESIZEMETHOD m) {
  tile = pic;
  tile.RESIZE(w, h, m);
}

void GALLERY_ONSHOW() {
  BITMAP pic;
  DRAWPICTURE(pic);
  BACKDROP.CREATE(640, 480, 0xFF202028u);
  int32_t bright = 60, contrast = 60, flip = static_cast<int32_t>(FLIPDIRECTION::GXHORISONTAL);
  COLOR::RGBTRIPLE warmer(60, 0, -60);
  TILES[0] = pic;
  FILTERED(TILES[1], pic, BITMAPFILTER::GXINVERT);
  FILTERED(TILES[2], pic, BITMAPFILTER::GXGRAYSCALE);
  FILTERED(TILES[3], pic, BITMAPFILTER::GXBRIGHTNESS, &bright);
  FILTERED(TILES[4], pic, BITMAPFILTER::GXCONTRAST, &contrast);
  FILTERED(TILES[5], pic, BITMAPFILTER::GXREDCHANNEL);
  FILTERED(TILES[6], pic, BITMAPFILTER::GXCOLOROFFSET, &warmer);
  FILTERED(TILES[7], pic, BITMAPFILTER::GXFLIP, &flip);
  // Resizing: a quarter then back up, nearest neighbour against bilinear.
  RESIZED(TILES[8], pic, W / 4, H / 4, RESIZEMETHOD::GXSCALE);
  TILES[8].RESIZE(W, H, RESIZEMETHOD::GXSCALE);
  RESIZED(TILES[9], pic, W / 4, H / 4, RESIZEMETHOD::GXSCALE);
  TILES[9].RESIZE(W, H, RESIZEMETHOD::GXSCALEBILINEAR);
  RESIZED(TILES[10], pic, W + 20, H + 20, RESIZEMETHOD::GXSCALEBILINEAR);
  BITMAP small(pic, 70, 20, 30, 22);  // the sun, cut out, then tiled
  RESIZED(TILES[11], small, W, H, RESIZEMETHOD::GXREPEAT);
}

void GALLERY_ONPAINT(BITMAP& screen) {
  BACKDROP.DRAWTO(screen);
  for (int32_t i = 0; i < 12; ++i)
    TILES[i].DRAWTO(screen, (i % 4) * CELLW + 20, (i / 4) * CELLH + 15);
}

void GALLERY_ONFRAME(float, ENGINE::INPUTEVENT kind, ENGINE::EVENT& e) {
  if (kind == ENGINE::INPUTEVENT::KEYPRESS && e.SCANCODE == 1) ENGINE::SHUTDOWN(FALSE);
}

void GAME_ONINITIALIZE() {
  GALLERY = ENGINE::NEWGAMESCREEN();
  ENGINE::GAMESCREENS[GALLERY].ONSHOW += GALLERY_ONSHOW;
  ENGINE::GAMESCREENS[GALLERY].ONPAINT += GALLERY_ONPAINT;
  ENGINE::GAMESCREENS[GALLERY].ONFRAME += GALLERY_ONFRAME;
  ENGINE::SHOW(GALLERY);  // starts the loop; returns when the game ends
}

}  // namespace

int main() {
  ENGINE::WINDOWTITLE("Zarvo: filters and resizing");
  ENGINE::ONINITIALIZE += GAME_ONINITIALIZE;
  return ENGINE::INITIALIZE(640, 480) ? 0 : 1;
}
