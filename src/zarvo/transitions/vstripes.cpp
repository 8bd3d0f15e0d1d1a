#include "zarvo/transitions/vstripes.hpp"

#include "zarvo/transitions/effectkit.hpp"
#include "zarvo/transitions/transitions.hpp"

namespace ZARVO::ENGINE::TRANSITION::VSTRIPESEFFECT {

using GRAPHICS::RASTEROP;

void INIT(EFFECT::EASING EASING, float DURATION) {
  NUMSTRIPES = DETAIL::STRIPESINIT(ANIM, NEWBITMAP.WIDTH(), NEWBITMAP.HEIGHT(), EASING, DURATION);
}

BOOLEAN ONFRAME(float) { return DETAIL::FRAMESTEP(ANIM); }

void ONPAINT(GRAPHICS::BITMAP& DEST) {
  if (!ANIM) return;
  OLDBITMAP.DRAWTO(DEST, 0, 0, 0, 0, 0, 0, RASTEROP::GXALPHA, nullptr, nullptr);
  // Odd columns come down from above, even ones (the leftmost too) rise from
  // below; done a row at a time, as NUMSTRIPES separate puts would be slow.
  DETAIL::COLUMNSTRIPES(DEST, NEWBITMAP, ANIM->VALUE());
}

}  // namespace ZARVO::ENGINE::TRANSITION::VSTRIPESEFFECT
