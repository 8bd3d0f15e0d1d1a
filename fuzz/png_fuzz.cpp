// libFuzzer target for the PNG memory load. Every input is decoded with
// selector 2 by every inflate path built in (libdeflate and zlib), which must
// agree on the pixels or on the rule that rejected it; whatever decodes is
// decoded again with selectors 1 and 3, and with every other kernel level
// (SSE4.1, the portable loops), and all must hold the same pixels.
//
// The custom mutator keeps inputs past the CRC checks: half the time it fixes
// every chunk's CRC after mutating, and a quarter of the time it mutates the
// inflated scanlines instead and compresses them back into one IDAT chunk, so
// the filters and conversions see arbitrary data.
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "zarvo/png/png.hpp"
#include "zarvo/png/pngrows.hpp"
#include "zarvo/runtime/image.hpp"
#include "zarvo/runtime/simd.hpp"

namespace {

namespace PNG = ZARVO::PNG;
namespace RT = ZARVO::RUNTIME;

uint32_t BE32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}
void PUT32(uint8_t* p, uint32_t v) {
  for (int k = 0; k < 4; ++k) p[k] = static_cast<uint8_t>(v >> (24 - 8 * k));
}

void CHECK(bool ok) {
  if (!ok) std::abort();
}

void CROSSCHECK(const uint8_t* data, size_t size, const RT::IMAGE* img) {
  const uint32_t w = img->WIDTH, h = img->HEIGHT;
  CHECK(img->TAG == 7 && img->BPP == 4 && img->PITCH == (w * 4 + 31) / 32 * 32);
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = w; x < img->PITCH / 4; ++x) CHECK(RT::ROW32(img, y)[x] == 0);
  const int32_t n = static_cast<int32_t>(size);
  uint8_t* packed = static_cast<uint8_t*>(PNG::LOADMEMORY(data, n, PNG::SELECT_PACKED));
  CHECK((packed != nullptr) == (w < 8192 && h < 65536));
  if (packed) {
    uint32_t head;
    std::memcpy(&head, packed, 4);
    CHECK(head == (4u | (w << 3) | (h << 16)));
    for (uint32_t y = 0; y < h; ++y)
      CHECK(std::memcmp(packed + 4 + size_t{y} * w * 4, RT::ROW32(img, y), size_t{w} * 4) == 0);
    PNG::RELEASE(packed, PNG::SELECT_PACKED);
  }
  uint32_t* flipped = static_cast<uint32_t*>(PNG::LOADMEMORY(data, n, PNG::SELECT_BOTTOMUP));
  CHECK(flipped != nullptr);
  for (uint32_t y = 0; y < h; ++y) {
    for (uint32_t x = 0; x < w; ++x) {
      const uint32_t v = RT::ROW32(img, y)[x];
      const uint32_t swapped = (v & 0xFF00FF00u) | ((v >> 16) & 0xFF) | ((v & 0xFF) << 16);
      CHECK(flipped[size_t{h - 1 - y} * w + x] == swapped);
    }
  }
  PNG::RELEASE(flipped, PNG::SELECT_BOTTOMUP);
  for (int level = RT::SIMDBEST() - 1; level >= 0; --level) {
    RT::SIMDLEVEL(level);
    auto* other = static_cast<RT::IMAGE*>(PNG::LOADMEMORY(data, n, PNG::SELECT_IMAGE));
    CHECK(other != nullptr && RT::IMAGESIZE(other) == RT::IMAGESIZE(img));
    CHECK(std::memcmp(other, img, RT::IMAGESIZE(img)) == 0);
    PNG::RELEASE(other, PNG::SELECT_IMAGE);
  }
  RT::SIMDLEVEL(-1);
}

// Recomputes the CRC of every whole chunk.
void FIXCRCS(uint8_t* data, size_t size) {
  size_t pos = 8;
  while (pos + 12 <= size) {
    const uint32_t len = BE32(data + pos);
    if (len > size - pos - 12) break;
    PUT32(data + pos + 8 + len, static_cast<uint32_t>(crc32(0, data + pos + 4, len + 4)));
    pos += size_t{len} + 12;
  }
}

// Inflates the image data, mutates the scanlines, and writes the file back with
// one IDAT chunk where the first one stood. Returns 0 when that cannot be done.
size_t MUTATESCANLINES(uint8_t* data, size_t size, size_t maxsize);

}  // namespace

extern "C" size_t LLVMFuzzerMutate(uint8_t* data, size_t size, size_t maxsize);

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 0x7FFFFFFF) return 0;
  const int32_t n = static_cast<int32_t>(size);
  const int best = PNG::USEINFLATE(-1);
  auto* img = static_cast<RT::IMAGE*>(PNG::LOADMEMORY(data, n, PNG::SELECT_IMAGE));
  const PNG::REASON why = PNG::LASTERROR();
  for (int which = best - 1; which >= 0; --which) {
    PNG::USEINFLATE(which);
    auto* other = static_cast<RT::IMAGE*>(PNG::LOADMEMORY(data, n, PNG::SELECT_IMAGE));
    CHECK(PNG::LASTERROR() == why && (other != nullptr) == (img != nullptr));
    if (other) CHECK(std::memcmp(other, img, RT::IMAGESIZE(img)) == 0);
    PNG::RELEASE(other, PNG::SELECT_IMAGE);
  }
  PNG::USEINFLATE(best);
  if (img) {
    CROSSCHECK(data, size, img);
    PNG::RELEASE(img, PNG::SELECT_IMAGE);
  }
  return 0;
}

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t maxsize,
                                          unsigned int seed) {
  std::minstd_rand rng(seed);
  const unsigned pick = rng() % 4;
  if (pick == 0) {
    const size_t n = MUTATESCANLINES(data, size, maxsize);
    if (n) return n;
  }
  size = LLVMFuzzerMutate(data, size, maxsize);
  if (pick >= 2) FIXCRCS(data, size);
  return size;
}

namespace {

size_t MUTATESCANLINES(uint8_t* data, size_t size, size_t maxsize) {
  if (size < 8) return 0;
  std::vector<uint8_t> z, head, tail;
  size_t pos = 8;
  bool seen = false;
  while (pos + 12 <= size) {
    const uint32_t len = BE32(data + pos);
    if (len > size - pos - 12) return 0;
    const uint8_t* c = data + pos;
    if (std::memcmp(c + 4, "IDAT", 4) == 0) {
      z.insert(z.end(), c + 8, c + 8 + len);
      seen = true;
    } else {
      (seen ? tail : head).insert((seen ? tail : head).end(), c, c + 12 + len);
    }
    pos += size_t{len} + 12;
  }
  if (!seen) return 0;
  std::vector<uint8_t> raw(1 << 20);
  uLongf rawlen = raw.size();
  if (uncompress(raw.data(), &rawlen, z.data(), z.size()) != Z_OK || rawlen == 0) return 0;
  rawlen = LLVMFuzzerMutate(raw.data(), rawlen, raw.size());
  uLongf zlen = compressBound(rawlen);
  z.resize(zlen);
  if (compress2(z.data(), &zlen, raw.data(), rawlen, 1) != Z_OK) return 0;
  const size_t total = 8 + head.size() + 12 + zlen + tail.size();
  if (total > maxsize) return 0;
  uint8_t* out = data + 8;
  if (!head.empty()) std::memcpy(out, head.data(), head.size());
  out += head.size();
  PUT32(out, static_cast<uint32_t>(zlen));
  std::memcpy(out + 4, "IDAT", 4);
  std::memcpy(out + 8, z.data(), zlen);
  PUT32(out + 8 + zlen, static_cast<uint32_t>(crc32(0, out + 4, static_cast<uInt>(zlen + 4))));
  out += 12 + zlen;
  if (!tail.empty()) std::memcpy(out, tail.data(), tail.size());
  return total;
}

}  // namespace
