#include "zarvo/transitions/zoomin.hpp"

#include "zarvo/transitions/effectkit.hpp"
#include "zarvo/transitions/transitions.hpp"

namespace ZARVO::ENGINE::TRANSITION::ZOOMINEFFECT {

using GRAPHICS::RASTEROP;

void INIT(EFFECT::EASING EASING, float DURATION) {
  EFFECT::ANIMATION* a = DETAIL::NEWANIMATION(ANIM, 4);
  if (!a) return;
  // From a 2 x 2 box at the centre (a fraction for odd sizes) to the whole screen.
  a->STARTVALUE(1, OLDBITMAP.WIDTH() / 2.0 - 1);
  a->STARTVALUE(2, OLDBITMAP.HEIGHT() / 2.0 - 1);
  a->STARTVALUE(3, 2.0);
  a->STARTVALUE(4, 2.0);
  a->ENDVALUE(1, 0.0);
  a->ENDVALUE(2, 0.0);
  a->ENDVALUE(3, NEWBITMAP.WIDTH());
  a->ENDVALUE(4, NEWBITMAP.HEIGHT());
  a->PLAY(static_cast<double>(DURATION), EASING);
}

BOOLEAN ONFRAME(float) { return DETAIL::FRAMESTEP(ANIM); }

void ONPAINT(GRAPHICS::BITMAP& DEST) {
  if (!ANIM) return;
  OLDBITMAP.DRAWTO(DEST, 0, 0, 0, 0, 0, 0, RASTEROP::GXALPHA, nullptr, nullptr);
  DETAIL::SCALEINTO(DEST, NEWBITMAP, ANIM->VALUE(1), ANIM->VALUE(2), ANIM->VALUE(3),
                    ANIM->VALUE(4));
}

}  // namespace ZARVO::ENGINE::TRANSITION::ZOOMINEFFECT
