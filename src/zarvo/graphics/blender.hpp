#pragma once
// The blend modes of BITMAP::DRAWTO: one per-pixel function for each raster
// operation from GXTRANSPARENT (8) to GXBLUE (37), and a row version of each
// that the CUSTOM put runs a whole row at a time.
//
// Every function has the shape of a CUSTOM put callback. PARAMETER points to
// the source's bytes per pixel (an int32_t): 4 means a 32-bit source whose
// alpha byte is its opacity; any other value skips the opacity step. A null
// PARAMETER counts as 4. Nothing is written through it.
#include <cstdint>

#include "zarvo/runtime/image.hpp"
#include "zarvo/types.hpp"

namespace ZARVO::GRAPHICS::BLENDER {

// Half a cosine wave from 0 to 128, read by INTERPOLATION. Filled by the first
// INTERPOLATION call or by INITIALIZECOSINETABLE, never cleared.
extern uint8_t COSINETABLE[256];
extern BOOLEAN COSINETABLEINITIALIZED;
// Fills COSINETABLE (again, if called again: the values are the same).
void INITIALIZECOSINETABLE();

// Returns DEST unchanged.
uint32_t TRANSPARENT(uint32_t SRC, uint32_t DEST, void* PARAMETER);

// The blend modes, each (source, destination, parameter) -> new destination;
// named as the raster operations GXNORMAL .. GXBLUE that draw with them.
uint32_t NORMAL(uint32_t SRC, uint32_t DEST, void* PARAMETER);
uint32_t MULTIPLY(uint32_t SRC, uint32_t DEST, void* PARAMETER);
uint32_t SCREEN(uint32_t SRC, uint32_t DEST, void* PARAMETER);
uint32_t DARKEN(uint32_t SRC, uint32_t DEST, void* PARAMETER);
uint32_t LIGHTEN(uint32_t SRC, uint32_t DEST, void* PARAMETER);
uint32_t DIFFERENCE(uint32_t SRC, uint32_t DEST, void* PARAMETER);
uint32_t EXCLUSION(uint32_t SRC, uint32_t DEST, void* PARAMETER);
uint32_t NEGATION(uint32_t SRC, uint32_t DEST, void* PARAMETER);
uint32_t INTERPOLATION(uint32_t SRC, uint32_t DEST, void* PARAMETER);
uint32_t STAMP(uint32_t SRC, uint32_t DEST, void* PARAMETER);
uint32_t AVERAGE(uint32_t SRC, uint32_t DEST, void* PARAMETER);
uint32_t OVERLAY(uint32_t SRC, uint32_t DEST, void* PARAMETER);
uint32_t HARDLIGHT(uint32_t SRC, uint32_t DEST, void* PARAMETER);
uint32_t SOFTLIGHT(uint32_t SRC, uint32_t DEST, void* PARAMETER);
uint32_t COLORDODGE(uint32_t SRC, uint32_t DEST, void* PARAMETER);
uint32_t INVCOLORDODGE(uint32_t SRC, uint32_t DEST, void* PARAMETER);
uint32_t SOFTDODGE(uint32_t SRC, uint32_t DEST, void* PARAMETER);
uint32_t COLORBURN(uint32_t SRC, uint32_t DEST, void* PARAMETER);
uint32_t INVCOLORBURN(uint32_t SRC, uint32_t DEST, void* PARAMETER);
uint32_t SOFTBURN(uint32_t SRC, uint32_t DEST, void* PARAMETER);
uint32_t REFLECT(uint32_t SRC, uint32_t DEST, void* PARAMETER);
uint32_t GLOW(uint32_t SRC, uint32_t DEST, void* PARAMETER);
uint32_t FREEZE(uint32_t SRC, uint32_t DEST, void* PARAMETER);
uint32_t HEAT(uint32_t SRC, uint32_t DEST, void* PARAMETER);
uint32_t ADDITIVE(uint32_t SRC, uint32_t DEST, void* PARAMETER);
uint32_t SUBTRACTIVE(uint32_t SRC, uint32_t DEST, void* PARAMETER);
uint32_t RED(uint32_t SRC, uint32_t DEST, void* PARAMETER);
uint32_t GREEN(uint32_t SRC, uint32_t DEST, void* PARAMETER);
uint32_t BLUE(uint32_t SRC, uint32_t DEST, void* PARAMETER);

// The per-pixel function of raster operation 8..37; null for any other value.
RUNTIME::BLENDFUNC FUNCTION(int32_t RASTEROP);

// The row version of raster operation 8..37; null for any other value. Its
// result equals calling FUNCTION(RASTEROP) once per pixel, left to right, for
// any source and destination rows, overlapping ones included.
RUNTIME::ROWBLENDFUNC ROWFUNCTION(int32_t RASTEROP);

}  // namespace ZARVO::GRAPHICS::BLENDER
