#pragma once
// Zoom in: the incoming picture grows out of the screen's centre over the outgoing one.
#include <cstdint>

#include "zarvo/effects/effects.hpp"
#include "zarvo/graphics/bitmap.hpp"
#include "zarvo/types.hpp"

namespace ZARVO::ENGINE::TRANSITION::ZOOMINEFFECT {

// Four values: x, y, width and height of the box the incoming picture is
// scaled into.
inline EFFECT::ANIMATION* ANIM = nullptr;

// Creates and plays the animation from the pictures' sizes.
void INIT(EFFECT::EASING EASING, float DURATION);
// Requests the next paint; TRUE once the animation is over (it is then freed).
BOOLEAN ONFRAME(float FELAPSED);
// Draws the transition's present state over the whole of DEST.
void ONPAINT(GRAPHICS::BITMAP& DEST);

}  // namespace ZARVO::ENGINE::TRANSITION::ZOOMINEFFECT
