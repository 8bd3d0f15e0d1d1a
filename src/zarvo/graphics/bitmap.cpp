#include "zarvo/graphics/bitmap.hpp"

#include <cstdlib>
#include <cstring>
#include <utility>

#include "zarvo/graphics/blender.hpp"

namespace ZARVO::GRAPHICS {

using namespace RUNTIME;

BITMAP::BITMAP(const IMAGE* HND, int32_t X, int32_t Y, int32_t W, int32_t H) {
  if (HND) COPY(HND, X, Y, W, H);
}

BITMAP::BITMAP(const BITMAP& BMP, int32_t X, int32_t Y, int32_t W, int32_t H) {
  COPY(BMP, X, Y, W, H);
}

BITMAP::BITMAP(int32_t W, int32_t H, uint32_t CLR, int32_t DEPTH) { CREATE(W, H, CLR, DEPTH); }

BITMAP::BITMAP(const char* FILENAME, int32_t X, int32_t Y, int32_t W, int32_t H) {
  LOADFROMFILE(FILENAME, X, Y, W, H);
}

BITMAP::BITMAP(const void* MEM, int32_t SIZE, int32_t X, int32_t Y, int32_t W, int32_t H) {
  LOADFROMMEMORY(MEM, SIZE, X, Y, W, H);
}

BITMAP::BITMAP(const BITMAP& other) { *this = other; }

BITMAP& BITMAP::operator=(const BITMAP& other) {
  if (this == &other) return *this;
  DESTROY();
  copygeometry(other);
  if (other.IMGHANDLE) {
    const size_t bytes = IMAGESIZE(other.IMGHANDLE);
    IMAGE* img = IMAGEALLOCATE(other.IMGHANDLE->BPP, other.IMGHANDLE->WIDTH,
                               other.IMGHANDLE->HEIGHT, other.IMGHANDLE->PITCH);
    if (img) std::memcpy(img, other.IMGHANDLE, bytes);
    IMGHANDLE = img;
  }
  if (other.IALPHACHANNEL && IMGHANDLE) {
    const size_t n = static_cast<size_t>(IW) * IH;
    IALPHACHANNEL = static_cast<uint8_t*>(std::malloc(n ? n : 1));
    if (IALPHACHANNEL) std::memcpy(IALPHACHANNEL, other.IALPHACHANNEL, n);
  }
  return *this;
}

BITMAP::BITMAP(BITMAP&& other) noexcept { *this = std::move(other); }

BITMAP& BITMAP::operator=(BITMAP&& other) noexcept {
  if (this == &other) return *this;
  DESTROY();
  copygeometry(other);
  IMGHANDLE = std::exchange(other.IMGHANDLE, nullptr);
  IALPHACHANNEL = std::exchange(other.IALPHACHANNEL, nullptr);
  return *this;
}

BITMAP::~BITMAP() { DESTROY(); }

void BITMAP::copygeometry(const BITMAP& other) {
  IW = other.IW;
  IH = other.IH;
  IBPP = other.IBPP;
  IPITCH = other.IPITCH;
  IALPHA = other.IALPHA;
}

BOOLEAN BITMAP::CREATE(int32_t W, int32_t H, uint32_t CLR, int32_t DEPTH) {
  DESTROY();
  IMAGE* img = IMAGECREATE(W, H, CLR, DEPTH, 0);
  if (!img) return FALSE;
  adopt(img);
  return TRUE;
}

void BITMAP::DESTROY() {
  IMAGEDESTROY(IMGHANDLE);
  IMGHANDLE = nullptr;
  std::free(IALPHACHANNEL);
  IALPHACHANNEL = nullptr;
}

void BITMAP::adopt(IMAGE* img) {
  IMGHANDLE = img;
  IW = img->WIDTH;
  IH = img->HEIGHT;
  IBPP = img->BPP;
  IPITCH = img->PITCH;
}

void BITMAP::HANDLE(IMAGE* H) {
  // An alpha copy holds IW x IH bytes; for an image of another size ALPHA
  // set would read past it.
  if (IALPHACHANNEL && (!H || H->WIDTH != IW || H->HEIGHT != IH)) {
    std::free(IALPHACHANNEL);
    IALPHACHANNEL = nullptr;
  }
  if (!H) {
    // Adopting nothing leaves an empty bitmap rather than stale geometry.
    IMGHANDLE = nullptr;
    IW = IH = IPITCH = 0;
    IBPP = 0;
    return;
  }
  adopt(H);
}

namespace {

// New buffer of W x H holding the rectangle (X, Y, W, H) of S; the rest keeps the mask fill.
IMAGE* copyrect(const IMAGE* S, int32_t X, int32_t Y, int32_t W, int32_t H) {
  IMAGE* n = IMAGECREATE(W, H, MASKCOLOR, S->BPP * 8, 0);
  if (!n) return nullptr;
  IMAGEPUT(n, 0.0f, 0.0f, S, X, Y, W - 1, H - 1, RECT_STEP, PUT_PSET, -1, nullptr, nullptr);
  return n;
}

}  // namespace

BOOLEAN BITMAP::COPY(const IMAGE* HND, int32_t X, int32_t Y, int32_t W, int32_t H) {
  DESTROY();
  if (!HND) return FALSE;
  if (W < 1) W = static_cast<int32_t>(HND->WIDTH);
  if (H < 1) H = static_cast<int32_t>(HND->HEIGHT);
  IMAGE* n = copyrect(HND, X, Y, W, H);
  if (!n) return FALSE;
  adopt(n);
  return TRUE;
}

BOOLEAN BITMAP::COPY(const BITMAP& BMP, int32_t X, int32_t Y, int32_t W, int32_t H) {
  if (&BMP == this) {
    // Copying from ourselves: DESTROY would free the source first.
    BITMAP tmp(BMP);
    return COPY(tmp.IMGHANDLE, X, Y, W, H);
  }
  return COPY(BMP.IMGHANDLE, X, Y, W, H);
}

void BITMAP::DRAWTO(IMAGE* DEST, int32_t DSTX, int32_t DSTY, int32_t SRCX, int32_t SRCY,
                    int32_t W, int32_t H, RASTEROP METHOD, BLENDFUNC CUSTOMBLENDER,
                    void* PARAM) const {
  if (IBPP == 4 && !IALPHACHANNEL && IALPHA < 4) return;
  if (!IMGHANDLE) return;
  if (W < 1) W = static_cast<int32_t>(IW);
  if (H < 1) H = static_cast<int32_t>(IH);
  const int32_t m = static_cast<int32_t>(METHOD);
  if (m < 0 || m > 38) return;
  const float x = static_cast<float>(DSTX), y = static_cast<float>(DSTY);
  if (m >= 8 && m <= 37) {
    // The engine's own blends run a whole row per call; same bits as per pixel.
    int32_t bpp = IBPP;
    IMAGEPUTROWS(DEST, x, y, IMGHANDLE, SRCX, SRCY, W - 1, H - 1, RECT_STEP,
                 BLENDER::ROWFUNCTION(m), &bpp);
    return;
  }
  static constexpr PUTMODE modes[8] = {PUT_PSET, PUT_PRESET, PUT_TRANS, PUT_AND,
                                       PUT_OR,   PUT_XOR,    PUT_ALPHA, PUT_ADD};
  if (m == 38) {
    IMAGEPUT(DEST, x, y, IMGHANDLE, SRCX, SRCY, W - 1, H - 1, RECT_STEP, PUT_CUSTOM, -1,
             CUSTOMBLENDER, PARAM);
    return;
  }
  IMAGEPUT(DEST, x, y, IMGHANDLE, SRCX, SRCY, W - 1, H - 1, RECT_STEP, modes[m],
           m == 7 ? 255 : -1, nullptr, nullptr);
}

void BITMAP::DRAWTO(const BITMAP& DEST, int32_t DSTX, int32_t DSTY, int32_t SRCX, int32_t SRCY,
                    int32_t W, int32_t H, RASTEROP METHOD, BLENDFUNC CUSTOMBLENDER,
                    void* PARAM) const {
  DRAWTO(DEST.IMGHANDLE, DSTX, DSTY, SRCX, SRCY, W, H, METHOD, CUSTOMBLENDER, PARAM);
}

void BITMAP::DRAWTO(IMAGE* DEST, int32_t DSTX, int32_t DSTY, RASTEROP METHOD) const {
  DRAWTO(DEST, DSTX, DSTY, 0, 0, 0, 0, METHOD, nullptr, nullptr);
}

void BITMAP::DRAWTO(const BITMAP& DEST, int32_t DSTX, int32_t DSTY, RASTEROP METHOD) const {
  DRAWTO(DEST.IMGHANDLE, DSTX, DSTY, METHOD);
}

int32_t operator==(const BITMAP& A, const IMAGE* B) { return A.HANDLE() == B ? -1 : 0; }
int32_t operator==(const IMAGE* A, const BITMAP& B) { return A == B.HANDLE() ? -1 : 0; }
int32_t operator==(const BITMAP& A, const BITMAP& B) { return A.HANDLE() == B.HANDLE() ? -1 : 0; }
int32_t operator!=(const BITMAP& A, const IMAGE* B) { return A.HANDLE() != B ? -1 : 0; }
int32_t operator!=(const IMAGE* A, const BITMAP& B) { return A != B.HANDLE() ? -1 : 0; }
int32_t operator!=(const BITMAP& A, const BITMAP& B) { return A.HANDLE() != B.HANDLE() ? -1 : 0; }

}  // namespace ZARVO::GRAPHICS
