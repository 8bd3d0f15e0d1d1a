#pragma once
// The PNG decoder: a PNG file, or a PNG file held in memory, becomes a new
// block of 0xAARRGGBB pixels. Every colour type, bit depth and Adam7
// interlacing is read; every chunk's CRC is checked. Any failure returns null.
#include <cstdint>

namespace ZARVO::PNG {

// What the loads return.
enum SELECTOR : int32_t {
  // A 4-byte header (bits 0-2: 4, bits 3-15: width, bits 16-31: height), then
  // width x height pixels without padding. Images wider than 8191 or higher
  // than 65535 pixels cannot be described by that header and fail.
  SELECT_PACKED = 1,
  // An image buffer (RUNTIME::IMAGE) with 4 bytes per pixel, pitch = width x 4
  // rounded up to 32, zero padding. RUNTIME::IMAGEDESTROY releases it.
  SELECT_IMAGE = 2,
  // width x height pixels, rows bottom-up, red and blue exchanged.
  SELECT_BOTTOMUP = 3,
};

// Reads the whole file and decodes it. Null for an empty name, a file that
// cannot be read, an empty file, one larger than 2^31 - 1 bytes, or a failed
// decode.
void* LOADFILE(const char* filename, int32_t selector);

// Decodes size bytes at data (only read). Null on any failure, including an
// unknown selector.
void* LOADMEMORY(const void* data, int32_t size, int32_t selector);

// Releases a block returned by either load with the given selector; null is ignored.
void RELEASE(void* block, int32_t selector);

}  // namespace ZARVO::PNG
