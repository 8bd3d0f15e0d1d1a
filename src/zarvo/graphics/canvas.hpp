#pragma once
// Engine-internal: where shapes and text draw, and how one colour is drawn
// under a raster operation. Not part of the game-facing interface.
#include <cstddef>
#include <cstdint>

#include "zarvo/graphics/bitmap.hpp"

namespace ZARVO::GRAPHICS {

// The pixels of a bitmap or, for an empty one, of the screen. Like the image
// put it holds the screen lock for its lifetime unless the caller already
// does, and marks the screen rows that TOUCH reports before releasing it.
struct CANVAS {
  explicit CANVAS(const BITMAP& TARGET);
  ~CANVAS();
  CANVAS(const CANVAS&) = delete;
  CANVAS& operator=(const CANVAS&) = delete;

  // False when there is nothing to draw on: no screen, or not 4 bytes per pixel.
  bool OK() const { return BASE != nullptr; }
  uint32_t* ROW(int32_t y) const {
    return reinterpret_cast<uint32_t*>(BASE + static_cast<size_t>(y) * PITCH);
  }
  // Rows first..last (inside the canvas) were drawn.
  void TOUCH(int32_t first, int32_t last) {
    if (first < LO) LO = first;
    if (last > HI) HI = last;
  }

  uint8_t* BASE = nullptr;
  size_t PITCH = 0;
  int32_t W = 0, H = 0;
  bool SCREEN = false;
  bool TOOK = false;
  int32_t LO = 0x7FFFFFFF, HI = -1;
};

// One colour under one raster operation, resolved once per call.
struct INK {
  INK(uint32_t CLR, RASTEROP METHOD, BLENDFUNC CUSTOMBLENDER, void* PARAM);
  // False when nothing would change (alpha 0 under GXAUTO, an unknown method,
  // GXCUSTOM without a callback, the mask colour under GXTRANS or GXADD).
  bool VISIBLE() const { return KIND != 0; }
  // Draws the colour over n pixels.
  void SPAN(uint32_t* d, int32_t n) const;
  // Draws the colour with its alpha scaled by COVERAGE (1 .. 255) on one pixel.
  void COVER(uint32_t* d, uint32_t COVERAGE) const;

  uint32_t COLOR;
  int32_t METHOD;
  int32_t KIND;
  uint32_t VALUE;  // what a copying KIND stores
  BLENDFUNC FUNC;
  RUNTIME::ROWBLENDFUNC ROWFUNC;
  void* PARAM;
  int32_t BPP = 4;  // what the blend modes receive, as from a 32-bit source
  uint32_t SRC[64];  // a source row of the colour for the row kernels
};

}  // namespace ZARVO::GRAPHICS
