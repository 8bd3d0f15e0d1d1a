#pragma once
// Fade: the incoming picture blended over the outgoing one with rising opacity.
#include <cstdint>

#include "zarvo/effects/effects.hpp"
#include "zarvo/graphics/bitmap.hpp"
#include "zarvo/types.hpp"

namespace ZARVO::ENGINE::TRANSITION::FADEEFFECT {

// One value: the incoming picture's opacity, 0 to 255.
inline EFFECT::ANIMATION* ANIM = nullptr;

// Creates and plays the animation from the pictures' sizes.
void INIT(EFFECT::EASING EASING, float DURATION);
// Requests the next paint; TRUE once the animation is over (it is then freed).
BOOLEAN ONFRAME(float FELAPSED);
// Draws the transition's present state over the whole of DEST.
void ONPAINT(GRAPHICS::BITMAP& DEST);

}  // namespace ZARVO::ENGINE::TRANSITION::FADEEFFECT
