#pragma once
// In-place pixel filters over the rows of an image buffer, and the
// enumerations that BITMAP::APPLYFILTER takes.
//
// Every filter has the shape of FILTERPROC: PIXELS is the first pixel (32
// bytes past the image header), pixel (x, y) the 4 bytes at
// PIXELS + y * PITCH + x * BPP, 0xAARRGGBB little-endian. The built-in filters
// work on 4-byte-aligned rows of 4-byte pixels only: with BPP other than 4,
// W or H below 1, a null or unaligned PIXELS, a PITCH that is not a multiple
// of 4 or is shorter than W * 4 in magnitude (a negative one walks upwards),
// or a null PARAM where one is read, they leave the pixels alone. They need
// no screen, and give the same pixels at every kernel level (SIMDLEVEL).
#include <cstdint>

#include "zarvo/math/math.hpp"

namespace ZARVO::COLOR {
struct RGBTRIPLE;
}

namespace ZARVO::GRAPHICS {

// A filter over rows of pixels; APPLYFILTER's GXCUSTOM takes one.
using FILTERPROC = void (*)(uint8_t* PIXELS, int32_t W, int32_t H, int32_t BPP, int32_t PITCH,
                            void* PARAM);

// APPLYFILTER's choice of filter and what its PARAM points to.
enum class BITMAPFILTER : int32_t {
  GXNONE = 0,          // nothing
  GXFIRST = 0,
  GXINVERT = 1,        // PARAM ignored
  GXGRAYSCALE = 2,     // PARAM ignored
  GXBRIGHTNESS = 3,    // int32_t offset, -100..100
  GXCONTRAST = 4,      // int32_t amount, -100..100
  GXREDCHANNEL = 5,    // PARAM ignored
  GXGREENCHANNEL = 6,  // PARAM ignored
  GXBLUECHANNEL = 7,   // PARAM ignored
  GXCOLOROFFSET = 8,   // COLOR::RGBTRIPLE of offsets
  GXPIXELOFFSET = 9,   // W * H MATH::POINTs, row by row
  GXFLIP = 10,         // FLIPDIRECTION (or an int32_t holding one)
  GXLAST = 10,         // the last built-in filter
  GXCUSTOM = 11,       // the caller's FILTERPROC, PARAM passed through
};

// Bit flags: GXHORISONTAL | GXVERTICAL == GXBOTH.
enum class FLIPDIRECTION : int32_t {
  GXHORISONTAL = 1,  // mirror left to right
  GXVERTICAL = 2,    // mirror top to bottom
  GXBOTH = 3,
};

constexpr FLIPDIRECTION operator|(FLIPDIRECTION A, FLIPDIRECTION B) {
  return static_cast<FLIPDIRECTION>(static_cast<int32_t>(A) | static_cast<int32_t>(B));
}
constexpr FLIPDIRECTION operator&(FLIPDIRECTION A, FLIPDIRECTION B) {
  return static_cast<FLIPDIRECTION>(static_cast<int32_t>(A) & static_cast<int32_t>(B));
}

namespace FILTER {

// Red, green and blue become 255 - value.
void INVERT(uint8_t* PIXELS, int32_t W, int32_t H, int32_t BPP, int32_t PITCH, void* PARAM);

// Red, green and blue become red * 0.299 + green * 0.587 + blue * 0.114,
// in double precision, rounded half to even.
void GRAYSCALE(uint8_t* PIXELS, int32_t W, int32_t H, int32_t BPP, int32_t PITCH, void* PARAM);

// Adds *PARAM, held to -100..100, to red, green and blue, clamping to 0..255.
void BRIGHTNESS(uint8_t* PIXELS, int32_t W, int32_t H, int32_t BPP, int32_t PITCH,
                const int32_t* PARAM);

// With v = *PARAM held to -100..100 and f = ((v + 100) / 100)^2, each of red,
// green and blue becomes (value / 255 - 0.5) * f * 255 + 127.5, clamped to
// 0..255 and rounded half to even: -100 gives flat 128, 0 changes nothing.
void CONTRAST(uint8_t* PIXELS, int32_t W, int32_t H, int32_t BPP, int32_t PITCH,
              const int32_t* PARAM);

// Adds the triple's RED, GREEN and BLUE to the channels, clamping to 0..255.
// The offsets are not limited.
void COLOROFFSET(uint8_t* PIXELS, int32_t W, int32_t H, int32_t BPP, int32_t PITCH,
                 const COLOR::RGBTRIPLE* PARAM);

// PARAM holds W * H points; pixel (x, y) takes the old value, alpha included,
// of the pixel named by entry y * W + x. An entry naming a point outside the
// image leaves that pixel as it was.
void PIXELOFFSET(uint8_t* PIXELS, int32_t W, int32_t H, int32_t BPP, int32_t PITCH,
                 const MATH::POINT* PARAM);

// Mirrors the pixels, alpha included: bit 1 of *PARAM left to right, bit 2
// top to bottom; other bits are ignored, so 0 changes nothing.
void FLIP(uint8_t* PIXELS, int32_t W, int32_t H, int32_t BPP, int32_t PITCH,
          const int32_t* PARAM);

// Kept for callers of the filters' own level switch, which is now the
// library's (RUNTIME::SIMDLEVEL): 2 AVX2, 1 SSE2, 0 the plain loops, -1 the
// best. Lowers every kernel family, not only the filters. Returns the level
// in effect in the same numbering.
int USEKERNELS(int level);

}  // namespace FILTER

}  // namespace ZARVO::GRAPHICS
