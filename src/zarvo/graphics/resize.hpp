#pragma once
// How BITMAP::RESIZE fills the new image: bit flags, one pair per axis.
//
//   Both scale bits, no GXBILINEAR   nearest neighbour: new pixel (x, y) is old
//                                    pixel (floor(x * oldW / W), floor(y * oldH / H)),
//                                    all four bytes. Other bits are ignored.
//   GXSCALEBILINEAR (both scale bits and GXBILINEAR)
//                                    bilinear, below.
//   Repeat bits without scale bits   tiling: along an axis with its repeat bit
//                                    the old image repeats from the top-left;
//                                    along an axis without it the old image
//                                    appears once and the rest keeps the fill.
//                                    GXBILINEAR is ignored here.
//   Anything else                    nothing is drawn (one scale bit alone,
//                                    a scale bit with repeat bits, 0).
//
// The new image starts filled with 0x00FF00FF (mask colour, alpha 0).
//
// Bilinear, for 4-byte pixels (other depths take nearest neighbour):
//   Axis: new pixel i of m sampling n old ones has its centre at
//     p = ((2i + 1) n - m) / 2m in old pixels (centres onto centres), taken
//     as 0 below 0. a = floor(p) and the weight of pixel a + 1 is
//     w = round(256 (p - a)), halves up, in exact integer arithmetic; w = 256
//     moves to a + 1 with w = 0. Where a + 1 >= n the edge repeats: a = n - 1,
//     w = 0.
//   Pixel: the four neighbours (ax, ay) (ax+1, ay) (ax, ay+1) (ax+1, ay+1)
//     weigh (256-wx)(256-wy), wx(256-wy), (256-wx)wy, wx wy (total 65536),
//     and each byte, alpha too, is (sum of weight x byte + 32768) >> 16.
//   Mask colour: a neighbour whose low 24 bits are 0xFF00FF takes no part:
//     its weight becomes 0, and with T the total left each byte is
//     (sum + floor(T / 2)) / T, rounded down, so a colour-keyed sprite keeps
//     clean edges. If T = 0 (only mask pixels have weight) the nearest
//     neighbour is copied whole: ax + 1 if wx > 128, else ax; rows likewise.
#include <cstdint>

namespace ZARVO::GRAPHICS {

enum class RESIZEMETHOD : int32_t {
  GXREPEATX = 2,
  GXSCALEX = 4,
  GXREPEATY = 32,
  GXSCALEY = 64,
  GXBILINEAR = 256,
  GXREPEAT = 34,          // GXREPEATX | GXREPEATY
  GXSCALE = 68,           // GXSCALEX | GXSCALEY
  GXSCALEBILINEAR = 324,  // GXSCALE | GXBILINEAR
};

constexpr RESIZEMETHOD operator|(RESIZEMETHOD A, RESIZEMETHOD B) {
  return static_cast<RESIZEMETHOD>(static_cast<int32_t>(A) | static_cast<int32_t>(B));
}
constexpr RESIZEMETHOD operator&(RESIZEMETHOD A, RESIZEMETHOD B) {
  return static_cast<RESIZEMETHOD>(static_cast<int32_t>(A) & static_cast<int32_t>(B));
}

}  // namespace ZARVO::GRAPHICS
