#pragma once
// Image buffers and the image put: the one drawing primitive of the engine.
//
// An image buffer is one block: a 32-byte header followed by the pixel rows.
// Row y starts at byte 32 + y * PITCH. Pixels are 0xAARRGGBB, little-endian.
#include <cstddef>
#include <cstdint>

namespace ZARVO::RUNTIME {

// The header of an image buffer; the rows follow it in the same block.
struct IMAGE {
  int32_t TAG;        // always 7
  int32_t BPP;        // bytes per pixel
  uint32_t WIDTH;     // pixels per row, at least 1
  uint32_t HEIGHT;    // rows, at least 1
  uint32_t PITCH;     // bytes from one row to the next
  uint32_t RESERVED;  // never read
  uint32_t ZERO[2];   // zero
};
static_assert(sizeof(IMAGE) == 32, "the image header is 32 bytes");

inline constexpr int32_t IMAGETAG = 7;
inline constexpr uint32_t MASKCOLOR = 0x00FF00FFu;  // magenta, alpha 0

// The first pixel of a buffer, and the first pixel of row y.
inline uint8_t* PIXELS(IMAGE* img) { return reinterpret_cast<uint8_t*>(img) + sizeof(IMAGE); }
inline const uint8_t* PIXELS(const IMAGE* img) {
  return reinterpret_cast<const uint8_t*>(img) + sizeof(IMAGE);
}
inline uint32_t* ROW32(IMAGE* img, uint32_t y) {
  return reinterpret_cast<uint32_t*>(PIXELS(img) + static_cast<size_t>(y) * img->PITCH);
}
inline const uint32_t* ROW32(const IMAGE* img, uint32_t y) {
  return reinterpret_cast<const uint32_t*>(PIXELS(img) + static_cast<size_t>(y) * img->PITCH);
}
// Whether a pixel is the mask colour (magenta), whatever its alpha.
inline bool ISMASK(uint32_t px) { return (px & 0x00FFFFFFu) == 0x00FF00FFu; }

// Blend callback of the CUSTOM put: (source, destination, parameter) -> new destination.
using BLENDFUNC = uint32_t (*)(uint32_t src, uint32_t dst, void* param);

// Row form of a blend: processes n pixel pairs at once, bit-identical to calling
// its per-pixel function n times left to right (dst may be read before written).
using ROWBLENDFUNC = void (*)(const uint32_t* src, uint32_t* dst, int32_t n, void* param);

// How IMAGEPUT combines source and target pixels.
enum PUTMODE : int32_t {
  PUT_TRANS = 0,
  PUT_PSET = 1,
  PUT_PRESET = 2,
  PUT_AND = 3,
  PUT_OR = 4,
  PUT_XOR = 5,
  PUT_ALPHA = 6,
  PUT_ADD = 7,
  PUT_CUSTOM = 8,
  PUT_BLEND = 9,
};

// Whether IMAGEPUT's (x2, y2) is the far corner or the size minus one.
enum RECTFORM : int32_t { RECT_CORNERS = 0, RECT_STEP = 1 };

// Allocates an uninitialised block for w x h pixels of bpp bytes with the given
// pitch and writes its header (reserved bytes zero). Needs no screen. Returns
// null when the sizes are invalid, do not fit 32-bit arithmetic, or memory runs out.
IMAGE* IMAGEALLOCATE(int32_t bpp, uint32_t w, uint32_t h, uint32_t pitch);

// Image creation: null without a screen, for w or h below 1, or a depth that
// does not give 1, 2 or 4 bytes per pixel. Every slot, padding included, holds c.
IMAGE* IMAGECREATE(int32_t w, int32_t h, uint32_t c, int32_t depth, int32_t flags);
// The same for a caller that writes every pixel itself: only the padding at
// the row ends holds c, the pixels are left as they were allocated.
IMAGE* IMAGECREATEROWS(int32_t w, int32_t h, uint32_t c, int32_t depth);

// Image release; null is ignored.
void IMAGEDESTROY(IMAGE* img);

// Bytes in the whole block (header and rows).
size_t IMAGESIZE(const IMAGE* img);

// The image put. target null means the screen. The alpha argument is read by
// ADD and BLEND only; callback and parameter by CUSTOM only. ADD takes any
// factor: each byte becomes min(255, d + floor(s * alpha / 256)), so a negative
// factor subtracts, and a byte it would take below 0 stays at 0. A position that
// is NaN or infinite draws nothing.
void IMAGEPUT(IMAGE* target, float x, float y, const IMAGE* src, int32_t x1, int32_t y1,
              int32_t x2, int32_t y2, RECTFORM form, PUTMODE mode, int32_t alpha,
              BLENDFUNC callback, void* param);

// CUSTOM put driven by a row function instead of a per-pixel callback; the
// results equal those of the per-pixel function the row function stands for.
void IMAGEPUTROWS(IMAGE* target, float x, float y, const IMAGE* src, int32_t x1, int32_t y1,
                  int32_t x2, int32_t y2, RECTFORM form, ROWBLENDFUNC rowfunc, void* param);

}  // namespace ZARVO::RUNTIME
