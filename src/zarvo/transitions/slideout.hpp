#pragma once
// Slide out: the outgoing picture slides away from the side named by
// DIRECTION, uncovering the incoming one.
#include <cstdint>

#include "zarvo/effects/effects.hpp"
#include "zarvo/graphics/bitmap.hpp"
#include "zarvo/types.hpp"

namespace ZARVO::ENGINE::TRANSITION::SLIDEOUTEFFECT {

// Two values: x and y of the outgoing picture's top-left corner.
inline EFFECT::ANIMATION* ANIM = nullptr;

// Creates and plays the animation from the pictures' sizes.
void INIT(EFFECT::EASING EASING, float DURATION);
// Requests the next paint; TRUE once the animation is over (it is then freed).
BOOLEAN ONFRAME(float FELAPSED);
// Draws the transition's present state over the whole of DEST.
void ONPAINT(GRAPHICS::BITMAP& DEST);

}  // namespace ZARVO::ENGINE::TRANSITION::SLIDEOUTEFFECT
