#pragma once
// What the seven effects share: the frame step, rounding of animated values
// to pixels, and the nearest-neighbour scaler of the zooms.
#include <cstdint>

#include "zarvo/effects/effects.hpp"
#include "zarvo/graphics/bitmap.hpp"
#include "zarvo/pixelmath.hpp"
#include "zarvo/types.hpp"

namespace ZARVO::ENGINE::TRANSITION::DETAIL {

// The effects' common ONFRAME: requests the next paint; once the animation has
// reached its target, frees it and reports TRUE. No animation counts as done.
BOOLEAN FRAMESTEP(EFFECT::ANIMATION*& ANIM);

// Replaces ANIM with a new animation of NUMVALUES values, freeing (and so
// unlisting) one left over from a transition that never finished. Null when
// memory runs out: an effect without an animation is done at its first frame.
EFFECT::ANIMATION* NEWANIMATION(EFFECT::ANIMATION*& ANIM, int32_t NUMVALUES);

// The stripe effects' start: one 10-pixel stripe per started ten of ACROSS
// pixels, and one value travelling from -ALONG to 0. Returns the stripe count.
int32_t STRIPESINIT(EFFECT::ANIMATION*& ANIM, uint32_t ACROSS, uint32_t ALONG,
                    EFFECT::EASING EASING, float DURATION);

// Nearest integer, halves to even; saturates at the 32-bit range, NaN gives 0.
using ZARVO::DETAIL::ROUNDEVEN;

// Scales SRC into the box (X, Y, BW, BH) on DEST by nearest neighbour: column
// i of the box (0 .. BW - 1 rounded half to even) takes source column
// floor(i * width / BW) and lands at X + i, passed as a single-precision
// position and rounded halves away from zero; rows likewise; pixels off DEST
// are dropped. The result equals one PSET put per sampled pixel, column by
// column, but the work is done a row at a time.
void SCALEINTO(const GRAPHICS::BITMAP& DEST, const GRAPHICS::BITMAP& SRC, double X, double Y,
               double BW, double BH);

// The vertical stripes' incoming columns: SRC's 10-pixel columns, odd ones
// at V and even ones at -V (single precision, halves away from zero), each
// row done whole; the same pixels as one PSET put per column.
void COLUMNSTRIPES(const GRAPHICS::BITMAP& DEST, const GRAPHICS::BITMAP& SRC, double V);

}  // namespace ZARVO::ENGINE::TRANSITION::DETAIL
