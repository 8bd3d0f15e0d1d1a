#include "zarvo/transitions/zoomout.hpp"

#include "zarvo/transitions/effectkit.hpp"
#include "zarvo/transitions/transitions.hpp"

namespace ZARVO::ENGINE::TRANSITION::ZOOMOUTEFFECT {

using GRAPHICS::RASTEROP;

void INIT(EFFECT::EASING EASING, float DURATION) {
  EFFECT::ANIMATION* a = DETAIL::NEWANIMATION(ANIM, 4);
  if (!a) return;
  // The zoom in played backwards: from the whole screen to a 2 x 2 box at the centre.
  a->STARTVALUE(1, 0.0);
  a->STARTVALUE(2, 0.0);
  a->STARTVALUE(3, OLDBITMAP.WIDTH());
  a->STARTVALUE(4, OLDBITMAP.HEIGHT());
  a->ENDVALUE(1, NEWBITMAP.WIDTH() / 2.0 - 1);
  a->ENDVALUE(2, NEWBITMAP.HEIGHT() / 2.0 - 1);
  a->ENDVALUE(3, 2.0);
  a->ENDVALUE(4, 2.0);
  a->PLAY(static_cast<double>(DURATION), EASING);
}

BOOLEAN ONFRAME(float) { return DETAIL::FRAMESTEP(ANIM); }

void ONPAINT(GRAPHICS::BITMAP& DEST) {
  if (!ANIM) return;
  NEWBITMAP.DRAWTO(DEST, 0, 0, 0, 0, 0, 0, RASTEROP::GXALPHA, nullptr, nullptr);
  DETAIL::SCALEINTO(DEST, OLDBITMAP, ANIM->VALUE(1), ANIM->VALUE(2), ANIM->VALUE(3),
                    ANIM->VALUE(4));
}

}  // namespace ZARVO::ENGINE::TRANSITION::ZOOMOUTEFFECT
