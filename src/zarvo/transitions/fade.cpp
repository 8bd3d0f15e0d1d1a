#include "zarvo/transitions/fade.hpp"


#include "zarvo/runtime/image.hpp"
#include "zarvo/transitions/effectkit.hpp"
#include "zarvo/transitions/transitions.hpp"

namespace ZARVO::ENGINE::TRANSITION::FADEEFFECT {

using GRAPHICS::RASTEROP;

void INIT(EFFECT::EASING EASING, float DURATION) {
  EFFECT::ANIMATION* a = DETAIL::NEWANIMATION(ANIM, 1);
  if (!a) return;
  a->STARTVALUE(0.0);
  a->ENDVALUE(255.0);
  a->PLAY(static_cast<double>(DURATION), EASING);
}

BOOLEAN ONFRAME(float) { return DETAIL::FRAMESTEP(ANIM); }

void ONPAINT(GRAPHICS::BITMAP& DEST) {
  if (!ANIM) return;
  OLDBITMAP.DRAWTO(DEST, 0, 0, 0, 0, 0, 0, RASTEROP::GXPSET, nullptr, nullptr);
  // The put keeps only the low eight bits of its alpha, so a curve that
  // overshoots (back, elastic) would flash the picture nearly transparent just
  // past 255; hold it fully opaque there, and invisible below 0.
  const int32_t A = ZARVO::DETAIL::CLAMPBYTE(DETAIL::ROUNDEVEN(ANIM->VALUE()));
  const RUNTIME::IMAGE* img = NEWBITMAP.HANDLE();
  if (!img) return;
  RUNTIME::IMAGEPUT(DEST.HANDLE(), 0.0f, 0.0f, img, 0, 0, static_cast<int32_t>(img->WIDTH),
                    static_cast<int32_t>(img->HEIGHT), RUNTIME::RECT_CORNERS, RUNTIME::PUT_BLEND, A,
                    nullptr, nullptr);
}

}  // namespace ZARVO::ENGINE::TRANSITION::FADEEFFECT
