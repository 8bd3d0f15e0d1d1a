#pragma once
// BITMAP: a 32-bit picture over one owned image buffer, drawn onto other
// bitmaps or onto the screen under 39 raster operations.
#include <cstdint>

#include "zarvo/graphics/filters.hpp"
#include "zarvo/graphics/resize.hpp"
#include "zarvo/math/math.hpp"
#include "zarvo/runtime/image.hpp"
#include "zarvo/types.hpp"

namespace ZARVO::GRAPHICS {

using IMAGE = RUNTIME::IMAGE;
using BLENDFUNC = RUNTIME::BLENDFUNC;

// How DRAWTO combines the bitmap with its destination.
enum class RASTEROP : int32_t {
  GXPSET = 0,         // copy
  GXPRESET = 1,       // copy inverted
  GXTRANS = 2,        // copy, skipping the mask colour (magenta)
  GXAND = 3,          // bitwise with the destination
  GXOR = 4,
  GXXOR = 5,
  GXALPHA = 6,        // blend by the source's alpha (weighed alpha / 256)
  GXADD = 7,          // add the source's colour
  GXTRANSPARENT = 8,  // leave the destination
  GXNORMAL = 9,       // 9 .. 37: the blend modes (blender.hpp)
  GXMULTIPLY = 10,
  GXSCREEN = 11,
  GXDARKEN = 12,
  GXLIGHTEN = 13,
  GXDIFFERENCE = 14,
  GXEXCLUSION = 15,
  GXNEGATION = 16,
  GXINTERPOLATION = 17,
  GXSTAMP = 18,
  GXAVERAGE = 19,
  GXOVERLAY = 20,
  GXHARDLIGHT = 21,
  GXSOFTLIGHT = 22,
  GXCOLORDODGE = 23,
  GXINVCOLORDODGE = 24,
  GXSOFTDODGE = 25,
  GXCOLORBURN = 26,
  GXINVCOLORBURN = 27,
  GXSOFTBURN = 28,
  GXREFLECT = 29,
  GXGLOW = 30,
  GXFREEZE = 31,
  GXHEAT = 32,
  GXADDITIVE = 33,
  GXSUBTRACTIVE = 34,
  GXRED = 35,
  GXGREEN = 36,
  GXBLUE = 37,
  GXCUSTOM = 38,      // the caller's BLENDFUNC, once per pixel
};

// A picture that owns its image buffer. Creating pixels needs the window.
struct BITMAP {
  // Empty bitmap, or a copy of the given image buffer (never the buffer itself).
  explicit BITMAP(const IMAGE* HND = nullptr, int32_t X = 0, int32_t Y = 0, int32_t W = 0,
                  int32_t H = 0);
  // A copy of a rectangle of another bitmap.
  BITMAP(const BITMAP& BMP, int32_t X, int32_t Y = 0, int32_t W = 0, int32_t H = 0);
  // A new W x H image filled with CLR.
  BITMAP(int32_t W, int32_t H, uint32_t CLR = 0xFF000000u, int32_t DEPTH = 32);
  // Loaded from a PNG file or from PNG data in memory.
  explicit BITMAP(const char* FILENAME, int32_t X = 0, int32_t Y = 0, int32_t W = 0,
                  int32_t H = 0);
  BITMAP(const void* MEM, int32_t SIZE, int32_t X = 0, int32_t Y = 0, int32_t W = 0,
         int32_t H = 0);
  // A copy duplicates the image and the alpha copy; nothing is shared.
  BITMAP(const BITMAP& other);
  BITMAP& operator=(const BITMAP& other);
  BITMAP(BITMAP&& other) noexcept;
  BITMAP& operator=(BITMAP&& other) noexcept;
  ~BITMAP();

  // A new W x H image filled with CLR (FALSE without a screen); DESTROY empties.
  BOOLEAN CREATE(int32_t W, int32_t H, uint32_t CLR, int32_t DEPTH = 32);
  void DESTROY();

  // Loading, copying and cropping. A failed one leaves the bitmap empty.
  BOOLEAN LOADFROMFILE(const char* FILENAME, int32_t X = 0, int32_t Y = 0, int32_t W = 0,
                       int32_t H = 0);
  BOOLEAN LOADFROMMEMORY(const void* MEM, int32_t SIZE, int32_t X = 0, int32_t Y = 0,
                         int32_t W = 0, int32_t H = 0);
  BOOLEAN COPY(const IMAGE* HND, int32_t X = 0, int32_t Y = 0, int32_t W = 0, int32_t H = 0);
  BOOLEAN COPY(const BITMAP& BMP, int32_t X = 0, int32_t Y = 0, int32_t W = 0, int32_t H = 0);

  // Keeps the rectangle (X, Y, W, H); the new image is W x H.
  void CROP(int32_t X, int32_t Y, int32_t W, int32_t H);
  void CROP(int32_t W, int32_t H);

  // Opacity: rescales the alpha bytes. With an alpha copy the bytes are
  // recomputed from it; without one each call scales relative to the last.
  void ALPHA(uint8_t A);
  // Keeps a copy of every pixel's alpha byte for absolute fading.
  void PRESERVEALPHACHANNEL();

  // Pixel access. A point outside the bitmap, or an empty bitmap, reads 0 and
  // ignores writes.
  uint32_t PIXEL(const MATH::POINT& PT) const;
  void PIXEL(const MATH::POINT& PT, uint32_t VALUE);
  uint8_t PIXELALPHA(const MATH::POINT& PT) const { return static_cast<uint8_t>(PIXEL(PT) >> 24); }
  uint8_t PIXELRED(const MATH::POINT& PT) const { return static_cast<uint8_t>(PIXEL(PT) >> 16); }
  uint8_t PIXELGREEN(const MATH::POINT& PT) const { return static_cast<uint8_t>(PIXEL(PT) >> 8); }
  uint8_t PIXELBLUE(const MATH::POINT& PT) const { return static_cast<uint8_t>(PIXEL(PT)); }

  // Runs a filter over the whole image (PROC only with GXCUSTOM, which gets
  // the pixels, geometry and PARAM unchanged). An empty bitmap, GXNONE or a
  // value outside the enumeration does nothing; IALPHA and the alpha copy stay.
  void APPLYFILTER(BITMAPFILTER FILTER, void* PARAM = nullptr, FILTERPROC PROC = nullptr);
  // A new W x H image filled from the old one as METHOD says (resize.hpp).
  // Drops the alpha copy, keeps IALPHA. W or H below 1, no screen, or an
  // empty bitmap leaves the bitmap empty.
  void RESIZE(int32_t W, int32_t H, RESIZEMETHOD METHOD = RESIZEMETHOD::GXSCALE);

  // Sets every pixel to CLR; an empty bitmap clears the screen (shapes.hpp).
  void CLEAR(uint32_t CLR) const;

  IMAGE* HANDLE() const { return IMGHANDLE; }
  // Adopts H: the bitmap owns and releases it from now on.
  void HANDLE(IMAGE* H);
  // Size in pixels (0 when empty), bytes per pixel and per row, the opacity last set.
  uint32_t WIDTH() const { return IW; }
  uint32_t HEIGHT() const { return IH; }
  int32_t BPP() const { return IBPP; }
  uint32_t PITCH() const { return IPITCH; }
  uint8_t ALPHA() const { return IALPHA; }

  // Draws W x H pixels from (SRCX, SRCY) at (DSTX, DSTY); DEST null (or an
  // empty bitmap) is the screen; W or H below 1 means the whole width or height.
  void DRAWTO(IMAGE* DEST, int32_t DSTX = 0, int32_t DSTY = 0, int32_t SRCX = 0,
              int32_t SRCY = 0, int32_t W = 0, int32_t H = 0,
              RASTEROP METHOD = RASTEROP::GXPSET, BLENDFUNC CUSTOMBLENDER = nullptr,
              void* PARAM = nullptr) const;
  void DRAWTO(const BITMAP& DEST, int32_t DSTX = 0, int32_t DSTY = 0, int32_t SRCX = 0,
              int32_t SRCY = 0, int32_t W = 0, int32_t H = 0,
              RASTEROP METHOD = RASTEROP::GXPSET, BLENDFUNC CUSTOMBLENDER = nullptr,
              void* PARAM = nullptr) const;
  // The whole bitmap at (DSTX, DSTY): the short form for a sprite, e.g.
  // SPRITE.DRAWTO(screen, x, y, RASTEROP::GXALPHA). GXCUSTOM draws nothing
  // here, having no function to call.
  void DRAWTO(IMAGE* DEST, int32_t DSTX, int32_t DSTY, RASTEROP METHOD) const;
  void DRAWTO(const BITMAP& DEST, int32_t DSTX, int32_t DSTY, RASTEROP METHOD) const;

  // The fields behind the properties.
  uint32_t IW = 0;
  uint32_t IH = 0;
  int32_t IBPP = 0;
  uint32_t IPITCH = 0;
  IMAGE* IMGHANDLE = nullptr;
  uint8_t IALPHA = 255;
  uint8_t* IALPHACHANNEL = nullptr;

 private:
  void adopt(IMAGE* img);
  void copygeometry(const BITMAP& other);
  BOOLEAN load(void* decoded, int32_t X, int32_t Y, int32_t W, int32_t H);
};

// Compare image buffer pointers; -1 when the relation holds, 0 otherwise.
int32_t operator==(const BITMAP& A, const IMAGE* B);
int32_t operator==(const IMAGE* A, const BITMAP& B);
int32_t operator==(const BITMAP& A, const BITMAP& B);
int32_t operator!=(const BITMAP& A, const IMAGE* B);
int32_t operator!=(const IMAGE* A, const BITMAP& B);
int32_t operator!=(const BITMAP& A, const BITMAP& B);

}  // namespace ZARVO::GRAPHICS
