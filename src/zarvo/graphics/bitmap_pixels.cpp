// Loading, cropping, opacity and pixel access of BITMAP.
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "zarvo/graphics/bitmap.hpp"
#include "zarvo/pixelmath.hpp"
#include "zarvo/png/png.hpp"

namespace ZARVO::GRAPHICS {

using namespace RUNTIME;

BOOLEAN BITMAP::load(void* decoded, int32_t X, int32_t Y, int32_t W, int32_t H) {
  IMAGE* tmp = static_cast<IMAGE*>(decoded);
  if (!tmp) return FALSE;
  const bool nocopy = X == 0 && Y == 0 && W == 0 && H == 0;
  if (W < 1) W = static_cast<int32_t>(tmp->WIDTH);
  if (H < 1) H = static_cast<int32_t>(tmp->HEIGHT);
  if (nocopy) {
    adopt(tmp);
    return TRUE;
  }
  IMAGE* n = IMAGECREATE(W, H, MASKCOLOR, tmp->BPP * 8, 0);
  if (n)
    IMAGEPUT(n, 0.0f, 0.0f, tmp, X, Y, W - 1, H - 1, RECT_STEP, PUT_PSET, -1, nullptr, nullptr);
  IMAGEDESTROY(tmp);
  if (!n) return FALSE;
  adopt(n);
  return TRUE;
}

BOOLEAN BITMAP::LOADFROMFILE(const char* FILENAME, int32_t X, int32_t Y, int32_t W, int32_t H) {
  DESTROY();
  if (!FILENAME) return FALSE;
  return load(PNG::LOADFILE(FILENAME, PNG::SELECT_IMAGE), X, Y, W, H);
}

BOOLEAN BITMAP::LOADFROMMEMORY(const void* MEM, int32_t SIZE, int32_t X, int32_t Y, int32_t W,
                               int32_t H) {
  DESTROY();
  if (!MEM) return FALSE;
  return load(PNG::LOADMEMORY(MEM, SIZE, PNG::SELECT_IMAGE), X, Y, W, H);
}

void BITMAP::CROP(int32_t X, int32_t Y, int32_t W, int32_t H) {
  // Nothing to crop, or no room for the result: the bitmap stays as it is.
  if (!IMGHANDLE) return;
  IMAGE* n = IMAGECREATE(W, H, MASKCOLOR, IBPP * 8, 0);
  if (!n) return;
  DRAWTO(n, 0, 0, X, Y, W, H, RASTEROP::GXPSET);
  DESTROY();
  IW = static_cast<uint32_t>(W);
  IH = static_cast<uint32_t>(H);
  IPITCH = n->PITCH;
  IMGHANDLE = n;
}

void BITMAP::CROP(int32_t W, int32_t H) { CROP(0, 0, W, H); }


void BITMAP::ALPHA(uint8_t A) {
  if (IBPP == 4 && IMGHANDLE) {
    // The new alpha depends only on the old byte, so one table of 256
    // results (each rounded exactly as the per-pixel rule) serves every pixel.
    uint8_t table[256];
    if (IALPHACHANNEL) {
      const float f = static_cast<float>(A) / 255.0f;
      for (int a = 0; a < 256; ++a) table[a] = static_cast<uint8_t>(DETAIL::ROUNDEVEN(a * f));
      // The alpha copy is column-major: index x * IH + y.
      for (uint32_t y = 0; y < IH; ++y) {
        uint8_t* row = PIXELS(IMGHANDLE) + static_cast<size_t>(y) * IPITCH;
        const uint8_t* col = IALPHACHANNEL + y;
        for (uint32_t x = 0; x < IW; ++x) row[x * 4 + 3] = table[col[static_cast<size_t>(x) * IH]];
      }
    } else {
      const float f = static_cast<float>(A < 25 ? 25 : A) / static_cast<float>(IALPHA < 25 ? 25 : IALPHA);
      for (int a = 0; a < 256; ++a) {
        // Alpha 5 and below is left alone. A product above 255 is clamped: a
        // wrapped byte would turn a nearly opaque pixel nearly transparent.
        const int32_t v = a > 5 ? DETAIL::ROUNDEVEN(a * f) : a;
        table[a] = static_cast<uint8_t>(DETAIL::CLAMPBYTE(v));
      }
      for (uint32_t y = 0; y < IH; ++y) {
        uint8_t* row = PIXELS(IMGHANDLE) + static_cast<size_t>(y) * IPITCH;
        for (uint32_t x = 0; x < IW; ++x) row[x * 4 + 3] = table[row[x * 4 + 3]];
      }
    }
  }
  IALPHA = A;
}

void BITMAP::PRESERVEALPHACHANNEL() {
  std::free(IALPHACHANNEL);
  IALPHACHANNEL = nullptr;
  if (!IMGHANDLE || IBPP != 4) return;
  const size_t n = static_cast<size_t>(IW) * IH;
  IALPHACHANNEL = static_cast<uint8_t*>(std::calloc(n ? n : 1, 1));
  if (!IALPHACHANNEL) return;
  for (uint32_t y = 0; y < IH; ++y) {
    const uint8_t* row = PIXELS(IMGHANDLE) + static_cast<size_t>(y) * IPITCH;
    for (uint32_t x = 0; x < IW; ++x) IALPHACHANNEL[static_cast<size_t>(x) * IH + y] = row[x * 4 + 3];
  }
}

uint32_t BITMAP::PIXEL(const MATH::POINT& PT) const {
  if (!IMGHANDLE || IBPP != 4 || PT.X < 0 || PT.Y < 0 || static_cast<uint32_t>(PT.X) >= IW ||
      static_cast<uint32_t>(PT.Y) >= IH)
    return 0;
  return ROW32(IMGHANDLE, static_cast<uint32_t>(PT.Y))[PT.X];
}

void BITMAP::PIXEL(const MATH::POINT& PT, uint32_t VALUE) {
  if (!IMGHANDLE || IBPP != 4 || PT.X < 0 || PT.Y < 0 || static_cast<uint32_t>(PT.X) >= IW ||
      static_cast<uint32_t>(PT.Y) >= IH)
    return;
  ROW32(IMGHANDLE, static_cast<uint32_t>(PT.Y))[PT.X] = VALUE;
}

}  // namespace ZARVO::GRAPHICS
