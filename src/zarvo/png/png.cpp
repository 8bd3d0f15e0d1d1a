#include "zarvo/png/png.hpp"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "zarvo/png/pngrows.hpp"
#include "zarvo/runtime/image.hpp"

namespace ZARVO::PNG {
namespace {

constexpr uint8_t SIGNATURE[8] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};
// The smallest input worth looking at; anything shorter fails at once.
constexpr int32_t MINLENGTH = 49;
// Deflate spends at least 2 bits on a 258-byte match, so no stream inflates to
// more than 1032 times its size; anything claiming more is rejected before the
// decompression buffer is allocated.
constexpr uint64_t MAXINFLATE = 1032;
constexpr uint64_t LIMIT32 = std::numeric_limits<uint32_t>::max();

constexpr uint32_t CHUNKTYPE(const char (&s)[5]) {
  return (static_cast<uint32_t>(static_cast<uint8_t>(s[0])) << 24) |
         (static_cast<uint32_t>(static_cast<uint8_t>(s[1])) << 16) |
         (static_cast<uint32_t>(static_cast<uint8_t>(s[2])) << 8) |
         static_cast<uint32_t>(static_cast<uint8_t>(s[3]));
}
constexpr uint32_t TYPE_IHDR = CHUNKTYPE("IHDR");
constexpr uint32_t TYPE_PLTE = CHUNKTYPE("PLTE");
constexpr uint32_t TYPE_TRNS = CHUNKTYPE("tRNS");
constexpr uint32_t TYPE_IDAT = CHUNKTYPE("IDAT");
constexpr uint32_t TYPE_IEND = CHUNKTYPE("IEND");

inline uint32_t BE32(const uint8_t* p) {
  return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
         (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
}
inline uint16_t BE16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }

struct CHUNK {
  const uint8_t* DATA = nullptr;
  uint32_t LENGTH = 0;
  bool FOUND = false;
};

// What the chunk walk keeps: only the chunks the decoder reads (the first of
// each kind, and where the image data is), so memory does not grow with the
// number of chunks.
struct CHUNKS {
  uint32_t COUNT = 0;
  uint32_t FIRSTTYPE = 0;
  uint32_t LASTTYPE = 0;
  CHUNK IHDR, PLTE, TRNS;
  uint32_t IDATCOUNT = 0;
  uint64_t IDATTOTAL = 0;
  const uint8_t* FIRSTIDAT = nullptr;
};

// Walks every chunk from offset 8, checking each CRC.
bool WALK(const uint8_t* data, size_t size, CHUNKS& out) {
  size_t pos = 8;
  while (pos < size) {
    const size_t left = size - pos;
    if (left < 8) return false;
    const uint32_t length = BE32(data + pos);
    if (static_cast<uint64_t>(length) + 12 > left) return false;
    const uint8_t* type = data + pos + 4;
    const uint32_t crc = static_cast<uint32_t>(crc32_z(0, type, static_cast<size_t>(length) + 4));
    if (crc != BE32(type + 4 + length)) return false;
    const uint32_t t = BE32(type);
    const uint8_t* body = type + 4;
    if (out.COUNT == 0) {
      out.FIRSTTYPE = t;
      out.IHDR = {body, length, true};
    }
    ++out.COUNT;
    out.LASTTYPE = t;
    if (t == TYPE_IDAT) {
      if (out.IDATCOUNT++ == 0) out.FIRSTIDAT = body;
      out.IDATTOTAL += length;
    } else if (t == TYPE_PLTE && !out.PLTE.FOUND) {
      out.PLTE = {body, length, true};
    } else if (t == TYPE_TRNS && !out.TRNS.FOUND) {
      out.TRNS = {body, length, true};
    }
    pos += static_cast<size_t>(length) + 12;
  }
  return true;
}

struct HEADER {
  uint32_t WIDTH, HEIGHT;
  uint8_t DEPTH, COLORTYPE, COMPRESSION, FILTER, INTERLACE;
};

bool ACCEPTED(uint8_t colortype, uint8_t depth) {
  switch (colortype) {
    case 0:
      return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
    case 3:
      return depth == 1 || depth == 2 || depth == 4 || depth == 8;
    case 2:
    case 4:
    case 6:
      return depth == 8 || depth == 16;
    default:
      return false;
  }
}

uint32_t CHANNELS(uint8_t colortype) {
  switch (colortype) {
    case 2:
      return 3;
    case 4:
      return 2;
    case 6:
      return 4;
    default:
      return 1;
  }
}

struct PASS {
  uint32_t X0, Y0, DX, DY;
};
constexpr PASS PLAIN = {0, 0, 1, 1};
constexpr PASS ADAM7[7] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                           {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};

// One pass's extent. A pass with no columns or no rows holds no scanlines at
// all, not even filter-type bytes.
struct PASSSIZE {
  uint32_t WIDTH = 0, HEIGHT = 0;
  uint64_t ROWBYTES = 0;  // reconstructed bytes per row, without the filter-type byte
};

PASSSIZE MEASURE(const HEADER& h, const PASS& p) {
  PASSSIZE s;
  if (h.WIDTH <= p.X0 || h.HEIGHT <= p.Y0) return s;
  s.WIDTH = static_cast<uint32_t>((uint64_t{h.WIDTH} + p.DX - p.X0 - 1) / p.DX);
  s.HEIGHT = static_cast<uint32_t>((uint64_t{h.HEIGHT} + p.DY - p.Y0 - 1) / p.DY);
  s.ROWBYTES = ((uint64_t{s.WIDTH} * h.DEPTH + 7) / 8) * CHANNELS(h.COLORTYPE);
  return s;
}

// Where decoded rows go: row y starts at BASE + y * STRIDE (STRIDE is
// negative for bottom-up blocks).
struct TARGET {
  uint8_t* BASE;
  ptrdiff_t STRIDE;
  uint32_t* ROW(uint32_t y) const {
    return reinterpret_cast<uint32_t*>(BASE + static_cast<ptrdiff_t>(y) * STRIDE);
  }
};

struct FREEER {
  void* P = nullptr;
  FREEER() = default;
  FREEER(const FREEER&) = delete;
  FREEER& operator=(const FREEER&) = delete;
  ~FREEER() { std::free(P); }
};

// Selector 2: an image buffer; 1 and 3: plain heap blocks.
struct OUTPUT {
  void* BLOCK = nullptr;
  int32_t SELECTOR = 0;
  TARGET T{};
  OUTPUT() = default;
  OUTPUT(const OUTPUT&) = delete;
  OUTPUT& operator=(const OUTPUT&) = delete;
  ~OUTPUT() { RELEASE(BLOCK, SELECTOR); }
  void* TAKE() {
    void* b = BLOCK;
    BLOCK = nullptr;
    return b;
  }
};

// Sizes of the output block; false when it cannot be described or addressed
// with 32-bit offsets.
bool OUTPUTSIZE(int32_t selector, uint32_t w, uint32_t h, uint64_t& bytes) {
  const uint64_t pixels = uint64_t{w} * h;
  switch (selector) {
    case SELECT_PACKED:
      if (w >= (1u << 13) || h >= (1u << 16)) return false;
      bytes = 4 + pixels * 4;
      break;
    case SELECT_IMAGE:
      bytes = sizeof(RUNTIME::IMAGE) + ((uint64_t{w} * 4 + 31) & ~uint64_t{31}) * h;
      break;
    case SELECT_BOTTOMUP:
      bytes = pixels * 4;
      break;
    default:
      return false;
  }
  return bytes <= LIMIT32;
}

bool ALLOCATE(OUTPUT& out, int32_t selector, uint32_t w, uint32_t h, uint64_t bytes) {
  out.SELECTOR = selector;
  const size_t row = size_t{w} * 4;
  if (selector == SELECT_IMAGE) {
    const uint32_t pitch = static_cast<uint32_t>((row + 31) & ~size_t{31});
    RUNTIME::IMAGE* img = RUNTIME::IMAGEALLOCATE(4, w, h, pitch);
    if (!img) return false;
    out.BLOCK = img;
    out.T = {RUNTIME::PIXELS(img), static_cast<ptrdiff_t>(pitch)};
    // Every pixel gets written; only the row padding needs clearing.
    if (pitch > row) {
      for (uint32_t y = 0; y < h; ++y)
        std::memset(RUNTIME::PIXELS(img) + size_t{y} * pitch + row, 0, pitch - row);
    }
    return true;
  }
  uint8_t* block = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(bytes)));
  if (!block) return false;
  out.BLOCK = block;
  if (selector == SELECT_PACKED) {
    const uint32_t head = 4u | (w << 3) | (h << 16);
    for (int k = 0; k < 4; ++k) block[k] = static_cast<uint8_t>(head >> (8 * k));
    out.T = {block + 4, static_cast<ptrdiff_t>(row)};
  } else {
    out.T = {block + (size_t{h} - 1) * row, -static_cast<ptrdiff_t>(row)};
  }
  return true;
}

// Builds the conversion state; false for a missing or oversized palette or a
// tRNS chunk this colour type does not allow.
bool PREPARE(const HEADER& h, const CHUNKS& c, CONVERSION& cv) {
  cv.COLORTYPE = h.COLORTYPE;
  cv.DEPTH = h.DEPTH;
  const CHUNK& t = c.TRNS;
  switch (h.COLORTYPE) {
    case 0: {
      if (t.FOUND) {
        if (t.LENGTH != 2) return false;
        cv.HASKEY = true;
        cv.KEY[0] = BE16(t.DATA);
      }
      if (h.DEPTH <= 8) {
        const uint32_t top = (1u << h.DEPTH) - 1;
        const uint32_t scale = 255 / top;
        for (uint32_t v = 0; v <= top; ++v) {
          const bool clear = cv.HASKEY && v == cv.KEY[0];
          cv.LUT[v] = (clear ? 0u : 0xFF000000u) | (v * scale * 0x010101u);
        }
      }
      return true;
    }
    case 2:
      if (t.FOUND) {
        if (t.LENGTH != 6) return false;
        cv.HASKEY = true;
        for (int k = 0; k < 3; ++k) cv.KEY[k] = BE16(t.DATA + 2 * k);
      }
      return true;
    case 3: {
      if (!c.PLTE.FOUND) return false;
      const uint32_t entries = c.PLTE.LENGTH / 3;
      if (entries > 256) return false;
      if (t.FOUND && t.LENGTH > 256) return false;
      for (uint32_t i = 0; i < 256; ++i) {
        uint32_t rgb = 0;
        if (i < entries) {
          const uint8_t* e = c.PLTE.DATA + 3 * i;
          rgb = (uint32_t{e[0]} << 16) | (uint32_t{e[1]} << 8) | e[2];
        }
        const uint32_t alpha = (t.FOUND && i < t.LENGTH) ? t.DATA[i] : 255u;
        cv.LUT[i] = (alpha << 24) | rgb;
      }
      return true;
    }
    default:  // grey + alpha, RGBA: transparency is already in the samples
      return !t.FOUND;
  }
}

// Reconstructs and converts every scanline of every pass.
bool DECODE(const HEADER& h, const CONVERSION& cv, uint8_t* raw, const TARGET& out,
            uint32_t* scratch) {
  const uint32_t unit =
      h.DEPTH < 8 ? 1u : static_cast<uint32_t>(h.DEPTH / 8 * CHANNELS(h.COLORTYPE));
  const int passes = h.INTERLACE ? 7 : 1;
  size_t off = 0;
  for (int p = 0; p < passes; ++p) {
    const PASS& pass = h.INTERLACE ? ADAM7[p] : PLAIN;
    const PASSSIZE s = MEASURE(h, pass);
    if (s.WIDTH == 0 || s.HEIGHT == 0) continue;
    const size_t rb = static_cast<size_t>(s.ROWBYTES);
    const bool direct = pass.DX == 1;
    auto emit = [&](uint32_t r, const uint8_t* data) {
      uint32_t* row = out.ROW(pass.Y0 + r * pass.DY);
      if (direct) {
        CONVERTROW(cv, data, row, s.WIDTH);
        return;
      }
      CONVERTROW(cv, data, scratch, s.WIDTH);
      uint32_t* d = row + pass.X0;
      for (uint32_t i = 0; i < s.WIDTH; ++i) d[size_t{i} * pass.DX] = scratch[i];
    };
    const uint8_t* prior = nullptr;
    uint32_t r = 0;
    while (r < s.HEIGHT) {
      // Rows go four or two at a time where they can: the kernels overlap
      // the rows' dependency chains.
      uint8_t* line[4];
      uint32_t count = prior ? std::min<uint32_t>(4, s.HEIGHT - r) : 1;
      for (uint32_t k = 0; k < count; ++k) {
        line[k] = raw + off + k * (rb + 1);
        if (line[k][0] > FILTER_PAETH) return false;
      }
      if (count == 4 &&
          (line[1][0] != line[0][0] || line[2][0] != line[0][0] || line[3][0] != line[0][0]))
        count = 2;
      if (count == 3) count = 2;
      if (count == 4)
        UNFILTERQUAD(line[0][0], line[0] + 1, prior, line[1] + 1, line[2] + 1, line[3] + 1, rb,
                     unit);
      else if (count == 2)
        UNFILTERPAIR(line[0][0], line[0] + 1, prior, line[1][0], line[1] + 1, rb, unit);
      else
        UNFILTERROW(line[0][0], line[0] + 1, prior, rb, unit);
      for (uint32_t k = 0; k < count; ++k) emit(r + k, line[k] + 1);
      prior = line[count - 1] + 1;
      r += count;
      off += count * (rb + 1);
    }
  }
  return true;
}

}  // namespace

void RELEASE(void* block, int32_t selector) {
  if (selector == SELECT_IMAGE)
    RUNTIME::IMAGEDESTROY(static_cast<RUNTIME::IMAGE*>(block));
  else
    std::free(block);
}

void* LOADMEMORY(const void* data, int32_t size, int32_t selector) {
  if (!data || size < MINLENGTH) return nullptr;
  if (selector != SELECT_PACKED && selector != SELECT_IMAGE && selector != SELECT_BOTTOMUP)
    return nullptr;
  const uint8_t* bytes = static_cast<const uint8_t*>(data);
  if (std::memcmp(bytes, SIGNATURE, 8) != 0) return nullptr;

  CHUNKS c;
  if (!WALK(bytes, static_cast<size_t>(size), c)) return nullptr;
  if (c.COUNT < 3 || c.LASTTYPE != TYPE_IEND) return nullptr;
  if (c.FIRSTTYPE != TYPE_IHDR || c.IHDR.LENGTH != 13) return nullptr;

  const uint8_t* ih = c.IHDR.DATA;
  const HEADER h = {BE32(ih), BE32(ih + 4), ih[8], ih[9], ih[10], ih[11], ih[12]};
  if (h.WIDTH == 0 || h.HEIGHT == 0 || !ACCEPTED(h.COLORTYPE, h.DEPTH)) return nullptr;
  if (h.COMPRESSION != 0 || h.FILTER != 0 || h.INTERLACE > 1) return nullptr;

  // Every derived size must fit 32 bits before anything is allocated.
  uint64_t expected = 0;
  for (int p = 0; p < (h.INTERLACE ? 7 : 1); ++p) {
    const PASSSIZE s = MEASURE(h, h.INTERLACE ? ADAM7[p] : PLAIN);
    if (s.WIDTH == 0 || s.HEIGHT == 0) continue;
    if (s.ROWBYTES + 1 > LIMIT32) return nullptr;
    expected += (s.ROWBYTES + 1) * s.HEIGHT;
    if (expected > LIMIT32) return nullptr;
  }
  uint64_t outbytes = 0;
  if (!OUTPUTSIZE(selector, h.WIDTH, h.HEIGHT, outbytes)) return nullptr;

  CONVERSION cv;
  if (!PREPARE(h, c, cv)) return nullptr;

  if (c.IDATTOTAL == 0) return nullptr;
  if (expected > c.IDATTOTAL * MAXINFLATE) return nullptr;

  // The image data, concatenated when it is split over several chunks.
  FREEER joined;
  const uint8_t* zdata = c.FIRSTIDAT;
  if (c.IDATCOUNT > 1) {
    uint8_t* buf = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(c.IDATTOTAL)));
    if (!buf) return nullptr;
    joined.P = buf;
    size_t pos = 8, at = 0;
    while (pos < static_cast<size_t>(size)) {
      const uint32_t length = BE32(bytes + pos);
      if (BE32(bytes + pos + 4) == TYPE_IDAT) {
        std::memcpy(buf + at, bytes + pos + 8, length);
        at += length;
      }
      pos += static_cast<size_t>(length) + 12;
    }
    zdata = buf;
  }

  // One byte of room beyond the expected size tells an over-long stream from
  // an exact one; the slack after it serves the row kernels.
  FREEER raw;
  raw.P = std::malloc(static_cast<size_t>(expected) + 1 + ROWSLACK);
  if (!raw.P) return nullptr;
  uLongf got = static_cast<uLongf>(expected + 1);
  const int z =
      uncompress(static_cast<Bytef*>(raw.P), &got, zdata, static_cast<uLong>(c.IDATTOTAL));
  if (z != Z_OK || got != expected) return nullptr;
  std::memset(static_cast<uint8_t*>(raw.P) + expected, 0, 1 + ROWSLACK);
  std::free(joined.P);
  joined.P = nullptr;

  OUTPUT out;
  if (!ALLOCATE(out, selector, h.WIDTH, h.HEIGHT, outbytes)) return nullptr;
  FREEER scratch;
  if (h.INTERLACE) {
    scratch.P = std::malloc(size_t{h.WIDTH} * 4);
    if (!scratch.P) return nullptr;
  }
  if (!DECODE(h, cv, static_cast<uint8_t*>(raw.P), out.T, static_cast<uint32_t*>(scratch.P)))
    return nullptr;

  if (selector == SELECT_BOTTOMUP) {
    uint32_t* px = static_cast<uint32_t*>(out.BLOCK);
    const size_t n = size_t{h.WIDTH} * h.HEIGHT;
    for (size_t i = 0; i < n; ++i) {
      const uint32_t v = px[i];
      px[i] = (v & 0xFF00FF00u) | ((v >> 16) & 0xFFu) | ((v & 0xFFu) << 16);
    }
  }
  return out.TAKE();
}

void* LOADFILE(const char* filename, int32_t selector) {
  if (!filename || !*filename) return nullptr;
  std::FILE* f = std::fopen(filename, "rb");
  if (!f) return nullptr;
  FREEER buf;
  long size = -1;
  if (std::fseek(f, 0, SEEK_END) == 0) size = std::ftell(f);
  // The memory load takes a 32-bit length; larger files are not read at all.
  bool ok =
      size > 0 && size <= std::numeric_limits<int32_t>::max() && std::fseek(f, 0, SEEK_SET) == 0;
  if (ok) {
    buf.P = std::malloc(static_cast<size_t>(size));
    ok = buf.P && std::fread(buf.P, 1, static_cast<size_t>(size), f) == static_cast<size_t>(size);
  }
  std::fclose(f);
  if (!ok) return nullptr;
  return LOADMEMORY(buf.P, static_cast<int32_t>(size), selector);
}

}  // namespace ZARVO::PNG
