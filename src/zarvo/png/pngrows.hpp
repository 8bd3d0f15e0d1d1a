#pragma once
// Row kernels of the PNG decoder: scanline unfiltering and pixel conversion.
// Internal to png.cpp; split out so the tests can hold the fast paths against
// the per-byte rules. The kernels follow the library's level
// (RUNTIME::SIMDLEVEL): the portable loops, or SSE2, SSE4.1 and AVX2 kernels.
#include <cstddef>
#include <cstdint>

namespace ZARVO::PNG {

// Bytes that must stay readable after the end of the last row for the
// unfilter kernels, which load 16 bytes at a time; they never write past a row.
inline constexpr size_t ROWSLACK = 16;

enum FILTER : uint8_t {
  FILTER_NONE = 0,
  FILTER_SUB = 1,
  FILTER_UP = 2,
  FILTER_AVG = 3,
  FILTER_PAETH = 4
};

// Reconstructs n filtered bytes in place. unit: bytes per complete pixel (1 to
// 8). prior: the reconstructed row above, or null in the first row of a pass.
// type must be 0 to 4.
void UNFILTERROW(uint8_t type, uint8_t* row, const uint8_t* prior, size_t n, uint32_t unit);

// Reconstructs two consecutive rows: row1 over prior1, then row2 over row1.
// Same result as two UNFILTERROW calls; interleaving the rows' dependency
// chains is what makes the Average and Paeth filters fast.
void UNFILTERPAIR(uint8_t type1, uint8_t* row1, const uint8_t* prior1, uint8_t type2, uint8_t* row2,
                  size_t n, uint32_t unit);

// Reconstructs four consecutive rows with the same filter type, each over the
// one before (row 1 over prior1). Same result as four UNFILTERROW calls.
void UNFILTERQUAD(uint8_t type, uint8_t* row1, const uint8_t* prior1, uint8_t* row2, uint8_t* row3,
                  uint8_t* row4, size_t n, uint32_t unit);

// The per-byte definition of the five filters, for the tests.
void UNFILTERREFERENCE(uint8_t type, uint8_t* row, const uint8_t* prior, size_t n, uint32_t unit);

// Per-image conversion state: colour type, depth, the palette or grey lookup
// with transparency applied, and the colour keys.
struct CONVERSION {
  uint8_t COLORTYPE = 0;
  uint8_t DEPTH = 8;
  bool HASKEY = false;
  uint16_t KEY[3] = {0, 0, 0};  // grey in [0]; or red, green, blue
  uint32_t LUT[256] = {};       // palette and grey depths 1 to 8: sample -> pixel
};

// Chooses the inflate and CRC code: 1 libdeflate, 0 zlib; capped at what was
// built in, and -1 restores the best. Returns the choice in effect. For the
// tests and the fuzz target, which hold both to the same results.
int USEINFLATE(int which);

// Converts one reconstructed row of n pixels to 0xAARRGGBB.
void CONVERTROW(const CONVERSION& cv, const uint8_t* src, uint32_t* dst, uint32_t n);

}  // namespace ZARVO::PNG
