#pragma once
// How BITMAP::RESIZE fills the new image: bit flags, one pair per axis.
//
//   Both scale bits, no GXBILINEAR   nearest neighbour: new pixel (x, y) is old
//                                    pixel (floor(x * oldW / W), floor(y * oldH / H)),
//                                    all four bytes. Other bits are ignored.
//   GXSCALEBILINEAR (both scale bits and GXBILINEAR)
//                                    bilinear: pixel centres map onto pixel
//                                    centres, edges repeat, each byte is
//                                    weighted in 1/256 steps per axis and
//                                    rounded. Mask-colour pixels (0x??FF00FF)
//                                    take no part, so a colour-keyed sprite
//                                    keeps clean edges; where only mask pixels
//                                    are in reach the nearest one is copied.
//   Repeat bits without scale bits   tiling: along an axis with its repeat bit
//                                    the old image repeats from the top-left;
//                                    along an axis without it the old image
//                                    appears once and the rest keeps the fill.
//                                    GXBILINEAR is ignored here.
//   Anything else                    nothing is drawn (one scale bit alone,
//                                    a scale bit with repeat bits, 0).
//
// The new image starts filled with 0x00FF00FF (mask colour, alpha 0).
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
