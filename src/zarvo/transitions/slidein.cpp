#include "zarvo/transitions/slidein.hpp"

#include "zarvo/transitions/effectkit.hpp"
#include "zarvo/transitions/transitions.hpp"

namespace ZARVO::ENGINE::TRANSITION::SLIDEINEFFECT {

using GRAPHICS::RASTEROP;

void INIT(EFFECT::EASING EASING, float DURATION) {
  EFFECT::ANIMATION* a = DETAIL::NEWANIMATION(ANIM, 2);
  if (!a) return;
  const double W = NEWBITMAP.WIDTH(), H = NEWBITMAP.HEIGHT();
  // The picture starts one whole size off the screen on the named side and
  // ends at (0, 0); an unknown direction leaves it still.
  double x = 0.0, y = 0.0;
  switch (DIRECTION) {
    case TRANSITIONDIRECTION::FROMLEFT:
      x = -W;
      break;
    case TRANSITIONDIRECTION::FROMRIGHT:
      x = W;
      break;
    case TRANSITIONDIRECTION::FROMTOP:
      y = -H;
      break;
    case TRANSITIONDIRECTION::FROMBOTTOM:
      y = H;
      break;
    case TRANSITIONDIRECTION::FROMTOPLEFT:
      x = -W, y = -H;
      break;
    case TRANSITIONDIRECTION::FROMTOPRIGHT:
      x = W, y = -H;
      break;
    case TRANSITIONDIRECTION::FROMBOTTOMLEFT:
      x = -W, y = H;
      break;
    case TRANSITIONDIRECTION::FROMBOTTOMRIGHT:
      x = W, y = H;
      break;
  }
  a->STARTVALUE(1, x);
  a->STARTVALUE(2, y);
  a->PLAY(static_cast<double>(DURATION), EASING);
}

BOOLEAN ONFRAME(float) { return DETAIL::FRAMESTEP(ANIM); }

void ONPAINT(GRAPHICS::BITMAP& DEST) {
  if (!ANIM) return;
  OLDBITMAP.DRAWTO(DEST, 0, 0, 0, 0, 0, 0, RASTEROP::GXPSET, nullptr, nullptr);
  NEWBITMAP.DRAWTO(DEST, DETAIL::ROUNDEVEN(ANIM->VALUE(1)), DETAIL::ROUNDEVEN(ANIM->VALUE(2)), 0, 0,
                   0, 0, RASTEROP::GXPSET, nullptr, nullptr);
}

}  // namespace ZARVO::ENGINE::TRANSITION::SLIDEINEFFECT
