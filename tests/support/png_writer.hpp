#pragma once
// A small PNG encoder for test fixtures: pictures as raw samples, every filter
// type, Adam7, image data split over several chunks, and the pieces (chunks,
// headers, zlib streams) to craft malformed files byte by byte.
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace PNGTEST {

using BYTES = std::vector<uint8_t>;

// W x H pixels of CHANNELS() samples each, row by row; palette indices for
// colour type 3. Samples hold DEPTH bits.
struct PICTURE {
  uint32_t W = 0, H = 0;
  uint8_t DEPTH = 8, COLORTYPE = 6;
  std::vector<uint16_t> S;

  uint32_t CHANNELS() const;
  uint16_t& AT(uint32_t x, uint32_t y, uint32_t c) {
    return S[(size_t{y} * W + x) * CHANNELS() + c];
  }
  uint16_t AT(uint32_t x, uint32_t y, uint32_t c) const {
    return S[(size_t{y} * W + x) * CHANNELS() + c];
  }
};

// Samples drawn from a fixed seed; smooth enough that every filter matters.
PICTURE RANDOMPICTURE(uint32_t w, uint32_t h, uint8_t depth, uint8_t colortype, uint32_t seed);

// The filtered scanlines (filter-type byte first) of every pass. filter: a
// fixed type 0 to 4, or -1 to cycle through 0, 1, 2, 3, 4 row by row.
BYTES SCANLINES(const PICTURE& p, bool interlace, int filter);

BYTES SIGNATURE();
// A chunk with its length and CRC.
BYTES CHUNK(const char* type, const BYTES& data);
BYTES IHDRDATA(uint32_t w, uint32_t h, uint8_t depth, uint8_t colortype, uint8_t interlace,
               uint8_t compression = 0, uint8_t filter = 0);
BYTES ZLIB(const BYTES& raw);
BYTES JOIN(std::initializer_list<BYTES> parts);

struct OPTIONS {
  bool INTERLACE = false;
  int FILTER = -1;
  size_t IDATSPLIT = 0;  // data bytes per IDAT chunk; 0: one chunk
  BYTES BETWEEN;         // bytes (whole chunks) put between consecutive IDAT chunks
  BYTES PLTE;            // PLTE data, written when not empty
  bool HASTRNS = false;
  BYTES TRNS;
};

BYTES ENCODE(const PICTURE& p, const OPTIONS& o);

}  // namespace PNGTEST
