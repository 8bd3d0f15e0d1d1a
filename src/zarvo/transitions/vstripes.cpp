#include "zarvo/transitions/vstripes.hpp"

#include "zarvo/runtime/image.hpp"
#include "zarvo/transitions/effectkit.hpp"
#include "zarvo/transitions/transitions.hpp"

namespace ZARVO::ENGINE::TRANSITION::VSTRIPESEFFECT {

using GRAPHICS::RASTEROP;

void INIT(EFFECT::EASING EASING, float DURATION) {
  const uint32_t W = NEWBITMAP.WIDTH();
  NUMSTRIPES = static_cast<int32_t>(W / 10 + (W % 10 != 0 ? 1 : 0));
  EFFECT::ANIMATION* a = DETAIL::NEWANIMATION(ANIM, 1);
  a->STARTVALUE(-static_cast<double>(NEWBITMAP.HEIGHT()));
  a->ENDVALUE(0.0);
  a->PLAY(static_cast<double>(DURATION), EASING);
}

BOOLEAN ONFRAME(float) { return DETAIL::FRAMESTEP(ANIM); }

void ONPAINT(GRAPHICS::BITMAP& DEST) {
  if (!ANIM) return;
  OLDBITMAP.DRAWTO(DEST, 0, 0, 0, 0, 0, 0, RASTEROP::GXALPHA, nullptr, nullptr);
  const RUNTIME::IMAGE* img = NEWBITMAP.HANDLE();
  if (!img) return;
  const int32_t bottom = static_cast<int32_t>(img->HEIGHT) - 1;
  const double V = ANIM->VALUE();
  // Odd columns come down from above, even ones (the leftmost too) rise from below.
  for (int32_t I = 0; I < NUMSTRIPES; ++I) {
    const float y = static_cast<float>(I % 2 ? V : -V);
    const int32_t left = 10 * I;
    RUNTIME::IMAGEPUT(DEST.HANDLE(), static_cast<float>(left), y, img, left, 0, left + 9, bottom,
                      RUNTIME::RECT_CORNERS, RUNTIME::PUT_PSET, 0, nullptr, nullptr);
  }
}

}  // namespace ZARVO::ENGINE::TRANSITION::VSTRIPESEFFECT
