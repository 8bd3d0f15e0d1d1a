#include "zarvo/transitions/hstripes.hpp"

#include "zarvo/runtime/image.hpp"
#include "zarvo/transitions/effectkit.hpp"
#include "zarvo/transitions/transitions.hpp"

namespace ZARVO::ENGINE::TRANSITION::HSTRIPESEFFECT {

using GRAPHICS::RASTEROP;

void INIT(EFFECT::EASING EASING, float DURATION) {
  NUMSTRIPES = DETAIL::STRIPESINIT(ANIM, NEWBITMAP.HEIGHT(), NEWBITMAP.WIDTH(), EASING, DURATION);
}

BOOLEAN ONFRAME(float) { return DETAIL::FRAMESTEP(ANIM); }

void ONPAINT(GRAPHICS::BITMAP& DEST) {
  if (!ANIM) return;
  OLDBITMAP.DRAWTO(DEST, 0, 0, 0, 0, 0, 0, RASTEROP::GXALPHA, nullptr, nullptr);
  const RUNTIME::IMAGE* img = NEWBITMAP.HANDLE();
  if (!img) return;
  const int32_t right = static_cast<int32_t>(img->WIDTH) - 1;
  const double V = ANIM->VALUE();
  // Odd bands come from the left, even ones (the top band too) from the right.
  for (int32_t I = 0; I < NUMSTRIPES; ++I) {
    const float x = static_cast<float>(I % 2 ? V : -V);
    const int32_t top = 10 * I;
    RUNTIME::IMAGEPUT(DEST.HANDLE(), x, static_cast<float>(top), img, 0, top, right, top + 9,
                      RUNTIME::RECT_CORNERS, RUNTIME::PUT_PSET, 0, nullptr, nullptr);
  }
}

}  // namespace ZARVO::ENGINE::TRANSITION::HSTRIPESEFFECT
