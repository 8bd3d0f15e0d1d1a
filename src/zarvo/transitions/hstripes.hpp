#pragma once
// Horizontal stripes: 10-pixel bands of the incoming picture slide in from
// alternate sides over the still outgoing picture.
#include <cstdint>

#include "zarvo/effects/effects.hpp"
#include "zarvo/graphics/bitmap.hpp"
#include "zarvo/types.hpp"

namespace ZARVO::ENGINE::TRANSITION::HSTRIPESEFFECT {

// One value: the horizontal offset, from minus the width to 0.
inline EFFECT::ANIMATION* ANIM = nullptr;
// Number of bands, the last one possibly lower than 10 pixels.
inline int32_t NUMSTRIPES = 0;

// Creates and plays the animation from the pictures' sizes.
void INIT(EFFECT::EASING EASING, float DURATION);
// Requests the next paint; TRUE once the animation is over (it is then freed).
BOOLEAN ONFRAME(float FELAPSED);
// Draws the transition's present state over the whole of DEST.
void ONPAINT(GRAPHICS::BITMAP& DEST);

}  // namespace ZARVO::ENGINE::TRANSITION::HSTRIPESEFFECT
