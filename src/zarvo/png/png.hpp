#pragma once
// The PNG decoder: a PNG file, or a PNG file held in memory, becomes a new
// block of 0xAARRGGBB pixels. Every colour type, bit depth and Adam7
// interlacing is read; every chunk's CRC is checked. Any failure returns null;
// LASTERROR tells which rule rejected the input, and with diagnostics on
// (RUNTIME::DIAGNOSTIC) each failure also sends one line with the details.
//
// Memory: no size derived from the header (a scanline, the inflated data, the
// output block) may exceed MAXBYTES, and the inflated data may not claim more
// than 1032 times the compressed data (what deflate can reach at best). So a
// file of N bytes can make at most about 33,000 x N bytes of output (1032
// inflated bytes per compressed byte, 8 one-bit pixels per inflated byte, 4
// bytes per pixel), capped at MAXBYTES: with the default limit a 65 KB file
// can still ask for a 2 GB image. A game loading files it does not trust
// lowers MAXBYTES. While decoding, memory peaks at about the output block plus
// the compressed data (plus the inflated data for interlaced images).
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

// The largest derived size in bytes a load accepts: default and maximum
// 2^31 - 1 (the engine's sizes are signed 32-bit). Values above the maximum
// set the maximum; values below 1 make every load fail.
int32_t MAXBYTES();
void MAXBYTES(int32_t bytes);

// Every reason a load can fail, one entry each: name and description.
#define ZARVO_PNG_REASONS(X)                                                          \
  X(NONE, "no failure")                                                               \
  X(NONAME, "no file name")                                                           \
  X(OPEN, "the file cannot be opened")                                                \
  X(READ, "the file cannot be read")                                                  \
  X(FILESIZE, "the file is empty or 2^31 bytes or larger")                            \
  X(ARGUMENT, "no data, or a negative size")                                          \
  X(SELECTOR, "unknown selector")                                                     \
  X(SHORT, "shorter than the smallest PNG file")                                      \
  X(SIGNATURE, "bad signature")                                                       \
  X(TRUNCATED, "a chunk runs past the end of the data")                               \
  X(CRC, "CRC mismatch")                                                              \
  X(FIRSTCHUNK, "the first chunk is not a 13-byte IHDR")                              \
  X(LASTCHUNK, "the last chunk is not IEND")                                          \
  X(ZEROSIZE, "width or height is 0")                                                 \
  X(FORMAT, "colour type and bit depth not allowed")                                  \
  X(METHOD, "unknown compression, filter or interlace method")                        \
  X(TOOLARGE, "a derived size exceeds MAXBYTES")                                      \
  X(PACKEDSIZE, "too wide or too high for the packed header")                         \
  X(PALETTE, "palette missing or longer than 256 entries")                            \
  X(TRANSPARENCY, "tRNS chunk of a wrong length or not allowed for the colour type")  \
  X(NODATA, "no image data")                                                          \
  X(RATIO, "too little image data to inflate to the expected size")                   \
  X(MEMORY, "out of memory")                                                          \
  X(INFLATE, "the compressed data is corrupt")                                        \
  X(DATASIZE, "the decompressed size differs from the expected size")                 \
  X(FILTER, "unknown filter type")

enum REASON : int32_t {
#define ZARVO_PNG_ENUM(name, text) REASON_##name,
  ZARVO_PNG_REASONS(ZARVO_PNG_ENUM)
#undef ZARVO_PNG_ENUM
};

// Why the last load on this thread failed; REASON_NONE after a success.
REASON LASTERROR();

// The description of a reason; "unknown" for a value outside the list.
const char* REASONTEXT(int32_t reason);

}  // namespace ZARVO::PNG
