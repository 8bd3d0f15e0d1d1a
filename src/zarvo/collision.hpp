#pragma once
// Hit tests: is the pointer over the drawn part of an object, and do two
// rectangles overlap.
#include <cstdint>

#include "zarvo/graphics/bitmap.hpp"
#include "zarvo/math/math.hpp"
#include "zarvo/types.hpp"

namespace ZARVO::ENGINE {

struct POINTERSTATE;  // engine.hpp

// What counts as drawn for MOUSEOVEROBJECT.
enum class TESTTYPE : int32_t {
  ALPHAVALUE = 0,  // alpha byte above VALUE
  TRANSCOLOR = 1,  // pixel different from VALUE; also any other mode value
};

// OBJ is drawn with its top-left at (RECT.X, RECT.Y). The point tested is the
// pointer position, plus the hot spot when a cursor bitmap is set, and it must
// lie in RECT, far edges included. The pixel there decides; a point in RECT
// but outside the bitmap (the far edges, a RECT larger than OBJ, an empty OBJ)
// hits nothing.
BOOLEAN MOUSEOVEROBJECT(const GRAPHICS::BITMAP& OBJ, const MATH::RECT& RECT, TESTTYPE MODE,
                        uint32_t VALUE);
// The same test at a point given in window pixels, taken as it is.
BOOLEAN MOUSEOVEROBJECT(const GRAPHICS::BITMAP& OBJ, const MATH::RECT& RECT,
                        const MATH::POINT& PT, TESTTYPE MODE, uint32_t VALUE);
// The same test at the tracked pointer (pass POINTER()), plus the hot spot
// when a cursor bitmap is set, as the cursor is drawn. Works with the system
// pointer too; a pointer outside the window hits nothing.
BOOLEAN MOUSEOVEROBJECT(const GRAPHICS::BITMAP& OBJ, const MATH::RECT& RECT,
                        const POINTERSTATE& PTR, TESTTYPE MODE, uint32_t VALUE);

// TRUE when the rectangles share at least one point, edges included as in
// RECT::HASPOINT (touching rectangles collide). A negative W or H makes an
// empty rectangle that collides with nothing.
BOOLEAN COLLIDES(const MATH::RECT& BOX1, const MATH::RECT& BOX2);
BOOLEAN COLLIDES(const MATH::RECTF& BOX1, const MATH::RECTF& BOX2);

}  // namespace ZARVO::ENGINE
