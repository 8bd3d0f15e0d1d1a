#pragma once
// The demo's recolourable arrow button: one grey image, brightened, tinted to
// any colour, optionally mirrored to point left.
#include <cstdint>

#include "zarvo/zarvo.hpp"

struct CAMELEONBUTTON {
  ZARVO::MATH::RECT RECT{};       // where it is drawn and hit-tested; W, H from the image
  ZARVO::GRAPHICS::BITMAP IMAGE;  // owned
  ZARVO::BOOLEAN HOVERED = ZARVO::FALSE;
  ZARVO::BOOLEAN PRESSED = ZARVO::FALSE;

  // Loads "images/button.png", greys and brightens it, sizes RECT and keeps
  // the alpha bytes for fading.
  void CREATE();
  void DESTROY();
  // Adds the colour's offset from mid-grey to every pixel (alpha ignored).
  void SETCOLOR(uint32_t C);
  void FLIPHORISONTAL();
};
