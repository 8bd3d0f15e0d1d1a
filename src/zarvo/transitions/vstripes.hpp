#pragma once
// Vertical stripes: 10-pixel columns of the incoming picture come down from
// above and up from below, alternately, over the still outgoing picture.
#include <cstdint>

#include "zarvo/effects/effects.hpp"
#include "zarvo/graphics/bitmap.hpp"
#include "zarvo/types.hpp"

namespace ZARVO::ENGINE::TRANSITION::VSTRIPESEFFECT {

// One value: the vertical offset, from minus the height to 0.
inline EFFECT::ANIMATION* ANIM = nullptr;
// Number of columns, the last one possibly narrower than 10 pixels.
inline int32_t NUMSTRIPES = 0;

// Creates and plays the animation from the pictures' sizes.
void INIT(EFFECT::EASING EASING, float DURATION);
// Requests the next paint; TRUE once the animation is over (it is then freed).
BOOLEAN ONFRAME(float FELAPSED);
// Draws the transition's present state over the whole of DEST.
void ONPAINT(GRAPHICS::BITMAP& DEST);

}  // namespace ZARVO::ENGINE::TRANSITION::VSTRIPESEFFECT
