#pragma once
// Shapes drawn straight onto a bitmap or, through an empty bitmap, onto the
// screen (the bitmap a paint handler receives): filled and outlined
// rectangles, lines, circles and discs in one 0xAARRGGBB colour.
//
// Geometry. Pixel (i, j) is the unit square whose centre is (i + 1/2, j + 1/2);
// a shape covers the pixels whose centres it contains, each pixel at most once
// per call (so XOR or a translucent colour never doubles up).
// - FILLRECT(X, Y, W, H): columns X .. X+W-1 of rows Y .. Y+H-1; W or H below 1
//   covers nothing.
// - RECT(X, Y, W, H, T): the pixels of FILLRECT(X, Y, W, H) that lie fewer than
//   T pixels from its border; when 2T reaches W or H that is the whole
//   rectangle. T below 1 covers nothing.
// - LINE from pixel A to pixel B, thickness 1: both end pixels and, along the
//   longer axis (x on a tie), one pixel per step; with A and B ordered along
//   that axis the other coordinate is A's plus (step * delta / length) rounded
//   half up. The result does not depend on which end comes first.
// - LINE with thickness T >= 2: the pixels whose centres lie within T/2 of the
//   segment joining the centres of A and B (round ends), decided exactly.
// - FILLCIRCLE(X, Y, R): the pixels (i, j) with (i-X)^2 + (j-Y)^2 <= R^2 + R,
//   i.e. centres closer than R + 1/2 to the centre of pixel (X, Y). R = 0 is
//   one pixel, R < 0 nothing.
// - CIRCLE(X, Y, R, T): FILLCIRCLE(X, Y, R) without FILLCIRCLE(X, Y, R - T);
//   T = 1 gives a closed ring one pixel wide.
// Coordinates and radii are clamped into +-2^28 and line thicknesses to 65536
// first, far beyond any target, so every case is computed exactly in integers.
//
// Anti-aliasing (LINE, CIRCLE, FILLCIRCLE): the edge of a disc lies R + 1/2
// from its centre and that of a line T/2 from its segment (thickness 1 too);
// a pixel's coverage is 1/2 plus the distance from its centre inwards to that
// edge (negative outside), clipped to 0 .. 1, so edges fade over one pixel. A
// ring's coverage is its outer disc's minus its inner disc's. The colour's
// alpha is scaled by the coverage (rounded to 0 .. 255) before the raster
// operation applies.
//
// Colour and raster operation. METHOD is one of DRAWTO's RASTEROP values,
// applied as if an image of the colour were drawn: GXPSET copies it, GXALPHA
// blends by its alpha, GXTRANS skips the mask colour, GXADD adds it, the blend
// modes use their BLENDER function, GXCUSTOM calls CUSTOMBLENDER(colour,
// destination, PARAM) and draws nothing without one. The default GXAUTO copies
// opaque pixels and alpha-blends the others (a translucent colour, or an
// anti-aliased edge); alpha 0 leaves the pixel alone. A value outside these
// draws nothing.
//
// Targets. As with DRAWTO, an empty bitmap is the screen, nothing is drawn
// while no screen exists or onto a bitmap of other than 4 bytes per pixel, and
// the screen lock is taken for the pixel work unless the caller holds it (the
// game loop does during paint handlers); screen rows drawn are marked for
// presentation.
#include <cstdint>

#include "zarvo/graphics/bitmap.hpp"
#include "zarvo/types.hpp"

namespace ZARVO::GRAPHICS {

// GXPSET for opaque pixels, GXALPHA for the others.
inline constexpr RASTEROP GXAUTO = static_cast<RASTEROP>(-1);

// Sets every pixel of the target (the whole screen for an empty bitmap) to CLR.
void CLEAR(const BITMAP& TARGET, uint32_t CLR);

// A filled W x H rectangle with its top-left pixel at (X, Y).
void FILLRECT(const BITMAP& TARGET, int32_t X, int32_t Y, int32_t W, int32_t H, uint32_t CLR,
              RASTEROP METHOD = GXAUTO, BLENDFUNC CUSTOMBLENDER = nullptr,
              void* PARAM = nullptr);

// The outline of that rectangle, THICKNESS pixels wide, inside it.
void RECT(const BITMAP& TARGET, int32_t X, int32_t Y, int32_t W, int32_t H, uint32_t CLR,
          int32_t THICKNESS = 1, RASTEROP METHOD = GXAUTO, BLENDFUNC CUSTOMBLENDER = nullptr,
          void* PARAM = nullptr);

// A line from pixel (X1, Y1) to pixel (X2, Y2), both ends drawn.
void LINE(const BITMAP& TARGET, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, uint32_t CLR,
          int32_t THICKNESS = 1, BOOLEAN ANTIALIAS = FALSE, RASTEROP METHOD = GXAUTO,
          BLENDFUNC CUSTOMBLENDER = nullptr, void* PARAM = nullptr);

// A ring of radius R around pixel (X, Y), THICKNESS pixels wide inwards.
void CIRCLE(const BITMAP& TARGET, int32_t X, int32_t Y, int32_t R, uint32_t CLR,
            int32_t THICKNESS = 1, BOOLEAN ANTIALIAS = FALSE, RASTEROP METHOD = GXAUTO,
            BLENDFUNC CUSTOMBLENDER = nullptr, void* PARAM = nullptr);

// A disc of radius R around pixel (X, Y).
void FILLCIRCLE(const BITMAP& TARGET, int32_t X, int32_t Y, int32_t R, uint32_t CLR,
                BOOLEAN ANTIALIAS = FALSE, RASTEROP METHOD = GXAUTO,
                BLENDFUNC CUSTOMBLENDER = nullptr, void* PARAM = nullptr);

}  // namespace ZARVO::GRAPHICS
