#include "zarvo/collision.hpp"

#include "zarvo/engine.hpp"

namespace ZARVO::ENGINE {

namespace {

// The pixel test at window point (x, y). 64-bit: no position or hot spot can
// wrap into the rectangle.
BOOLEAN hit(const GRAPHICS::BITMAP& OBJ, const MATH::RECT& RECT, int64_t x, int64_t y,
            TESTTYPE MODE, uint32_t VALUE) {
  const int64_t left = RECT.X, top = RECT.Y;
  if (x < left || x > left + RECT.W || y < top || y > top + RECT.H) return FALSE;
  const int64_t lx = x - left, ly = y - top;
  // The far edges lie one past the last pixel: nothing is drawn there.
  if (!OBJ.HANDLE() || OBJ.BPP() != 4 || lx >= OBJ.WIDTH() || ly >= OBJ.HEIGHT()) return FALSE;
  const MATH::POINT pt{static_cast<int32_t>(lx), static_cast<int32_t>(ly)};
  if (MODE == TESTTYPE::ALPHAVALUE) return TOBOOLEAN(OBJ.PIXELALPHA(pt) > VALUE);
  return TOBOOLEAN(OBJ.PIXEL(pt) != VALUE);
}

// The test point of a pointer position: the hot spot counts only with a cursor bitmap.
BOOLEAN hitpointer(const GRAPHICS::BITMAP& OBJ, const MATH::RECT& RECT, const MATH::POINT& P,
                   TESTTYPE MODE, uint32_t VALUE) {
  int64_t x = P.X, y = P.Y;
  if (MOUSECURSORBITMAP) {
    x += MOUSECURSORHOTSPOT.X;
    y += MOUSECURSORHOTSPOT.Y;
  }
  return hit(OBJ, RECT, x, y, MODE, VALUE);
}

}  // namespace

BOOLEAN MOUSEOVEROBJECT(const GRAPHICS::BITMAP& OBJ, const MATH::RECT& RECT, TESTTYPE MODE,
                        uint32_t VALUE) {
  return hitpointer(OBJ, RECT, MOUSECURSORPOSITION, MODE, VALUE);
}

BOOLEAN MOUSEOVEROBJECT(const GRAPHICS::BITMAP& OBJ, const MATH::RECT& RECT,
                        const MATH::POINT& PT, TESTTYPE MODE, uint32_t VALUE) {
  return hit(OBJ, RECT, PT.X, PT.Y, MODE, VALUE);
}

BOOLEAN MOUSEOVEROBJECT(const GRAPHICS::BITMAP& OBJ, const MATH::RECT& RECT,
                        const POINTERSTATE& PTR, TESTTYPE MODE, uint32_t VALUE) {
  if (!PTR.INSIDE) return FALSE;
  return hitpointer(OBJ, RECT, PTR, MODE, VALUE);
}

namespace {
template <class R>
BOOLEAN overlap(const R& a, const R& b) {
  using V = decltype(a.X + a.W + int64_t{0});
  const V ax = a.X, ay = a.Y, bx = b.X, by = b.Y;
  const V ar = ax + a.W, ab = ay + a.H, br = bx + b.W, bb = by + b.H;
  // Written so a NaN anywhere gives FALSE.
  return TOBOOLEAN(ax <= ar && ay <= ab && bx <= br && by <= bb && ax <= br && bx <= ar &&
                   ay <= bb && by <= ab);
}
}  // namespace

BOOLEAN COLLIDES(const MATH::RECT& BOX1, const MATH::RECT& BOX2) { return overlap(BOX1, BOX2); }
BOOLEAN COLLIDES(const MATH::RECTF& BOX1, const MATH::RECTF& BOX2) { return overlap(BOX1, BOX2); }

}  // namespace ZARVO::ENGINE
