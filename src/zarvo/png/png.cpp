#include "zarvo/png/png.hpp"

#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>

#ifdef ZARVO_HAVE_LIBDEFLATE
#include <libdeflate.h>
#endif

#include "zarvo/png/pngrows.hpp"
#include "zarvo/runtime/diagnostics.hpp"
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
constexpr int32_t LARGEST = std::numeric_limits<int32_t>::max();

std::atomic<int32_t> LIMIT{LARGEST};

// ---- Why the last load failed ----

constexpr const char* REASONTEXTS[] = {
#define ZARVO_PNG_TEXT(name, text) text,
    ZARVO_PNG_REASONS(ZARVO_PNG_TEXT)
#undef ZARVO_PNG_TEXT
};
constexpr int32_t REASONCOUNT = static_cast<int32_t>(std::size(REASONTEXTS));

thread_local REASON LAST = REASON_NONE;
// The file being loaded, named in the diagnostics; null for a memory load.
thread_local const char* LOADING = nullptr;

// Records why the load fails and, with diagnostics on, sends one line: the
// file, the rule, and what was found. Returns null for the load to return.
#if defined(__GNUC__)
__attribute__((format(printf, 2, 3)))
#endif
std::nullptr_t FAIL(REASON reason, const char* format, ...) {
  LAST = reason;
  if (!RUNTIME::DIAGNOSTICSON()) return nullptr;
  char detail[256] = "";
  if (format) {
    va_list args;
    va_start(args, format);
    std::vsnprintf(detail, sizeof detail, format, args);
    va_end(args);
  }
  if (LOADING)
    RUNTIME::DIAGNOSTIC("PNG '%s' rejected: %s%s%s%s", LOADING, REASONTEXTS[reason],
                        *detail ? " (" : "", detail, *detail ? ")" : "");
  else
    RUNTIME::DIAGNOSTIC("PNG in memory rejected: %s%s%s%s", REASONTEXTS[reason],
                        *detail ? " (" : "", detail, *detail ? ")" : "");
  return nullptr;
}

// A chunk type as text for the diagnostics; bytes outside printable ASCII as '?'.
struct TYPENAME {
  char TEXT[5];
  explicit TYPENAME(const uint8_t* t) {
    for (int k = 0; k < 4; ++k) TEXT[k] = (t[k] >= 0x20 && t[k] < 0x7F) ? char(t[k]) : '?';
    TEXT[4] = 0;
  }
};

// ---- Inflate and CRC: libdeflate where it was found, zlib otherwise ----

#ifdef ZARVO_HAVE_LIBDEFLATE
constexpr int BESTINFLATE = 1;
// One decompressor per thread, made on first use and kept.
struct DECOMPRESSOR {
  libdeflate_decompressor* D = nullptr;
  ~DECOMPRESSOR() {
    if (D) libdeflate_free_decompressor(D);
  }
};
thread_local DECOMPRESSOR DEFLATER;
#else
constexpr int BESTINFLATE = 0;
#endif
std::atomic<int> INFLATER{BESTINFLATE};

uint32_t CRC(const uint8_t* p, size_t n) {
#ifdef ZARVO_HAVE_LIBDEFLATE
  if (INFLATER.load(std::memory_order_relaxed) == 1) return libdeflate_crc32(0, p, n);
#endif
  return static_cast<uint32_t>(crc32_z(0, p, n));
}

// Inflates the zlib stream into out, which has room for expected + 1 bytes;
// fails unless it holds exactly expected bytes. Trailing bytes after the
// stream's end are ignored.
bool INFLATE(const uint8_t* in, size_t inlen, uint8_t* out, size_t expected) {
#ifdef ZARVO_HAVE_LIBDEFLATE
  if (INFLATER.load(std::memory_order_relaxed) == 1) {
    if (!DEFLATER.D) DEFLATER.D = libdeflate_alloc_decompressor();
    if (!DEFLATER.D) return FAIL(REASON_MEMORY, "inflate state"), false;
    size_t got = 0;
    if (libdeflate_zlib_decompress(DEFLATER.D, in, inlen, out, expected, &got) ==
            LIBDEFLATE_SUCCESS &&
        got == expected)
      return true;
    // A failure is rare: zlib goes over it again to name the rule, so that
    // both paths give the same reason (libdeflate stops at the exact size,
    // zlib one byte later, and they can meet a corrupt stream at different
    // points).
  }
#endif
  uLongf got = static_cast<uLongf>(expected + 1);
  switch (uncompress(out, &got, in, static_cast<uLong>(inlen))) {
    case Z_OK:
      if (got == expected) return true;
      return FAIL(REASON_DATASIZE, "%zu bytes where %zu were expected", size_t{got}, expected),
             false;
    case Z_BUF_ERROR:  // the output is full: the stream is longer
      return FAIL(REASON_DATASIZE, "more than the %zu bytes expected", expected), false;
    case Z_MEM_ERROR:
      return FAIL(REASON_MEMORY, "inflate state"), false;
    default:
      return FAIL(REASON_INFLATE, "%zu bytes of zlib data", inlen), false;
  }
}

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
    if (left < 8) return FAIL(REASON_TRUNCATED, "%zu bytes left at offset %zu", left, pos), false;
    const uint32_t length = BE32(data + pos);
    const uint8_t* type = data + pos + 4;
    if (static_cast<uint64_t>(length) + 12 > left)
      return FAIL(REASON_TRUNCATED, "chunk %s of %u bytes at offset %zu", TYPENAME(type).TEXT,
                  length, pos),
             false;
    const uint32_t crc = CRC(type, static_cast<size_t>(length) + 4);
    if (crc != BE32(type + 4 + length))
      return FAIL(REASON_CRC, "chunk %s at offset %zu", TYPENAME(type).TEXT, pos), false;
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

// Where decoded rows go: row y starts at BASE + y * PITCH.
struct TARGET {
  uint8_t* BASE;
  size_t PITCH;
  uint32_t* ROW(uint32_t y) const { return reinterpret_cast<uint32_t*>(BASE + y * PITCH); }
};

struct FREEER {
  void* P = nullptr;
  FREEER() = default;
  FREEER(const FREEER&) = delete;
  FREEER& operator=(const FREEER&) = delete;
  ~FREEER() { std::free(P); }
};

// Selector 2: an image buffer; 1 and 3: plain heap blocks. The rows are
// always written top-down from T.BASE; selector 3 is turned over at the end.
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

// Bytes from one output row to the next.
uint64_t PITCHOF(int32_t selector, uint32_t w) {
  const uint64_t row = uint64_t{w} * 4;
  return selector == SELECT_IMAGE ? (row + 31) & ~uint64_t{31} : row;
}

// Bytes in the output block before the first row.
size_t HEADOF(int32_t selector) {
  return selector == SELECT_IMAGE ? sizeof(RUNTIME::IMAGE) : selector == SELECT_PACKED ? 4 : 0;
}

// Allocates the output block with room for area bytes from the first row
// (at least height x pitch).
bool ALLOCATE(OUTPUT& out, int32_t selector, uint32_t w, uint32_t h, uint64_t area) {
  out.SELECTOR = selector;
  const uint64_t pitch = PITCHOF(selector, w);
  if (selector == SELECT_IMAGE) {
    // Extra room comes as extra rows the header does not count.
    const uint64_t rows = (area + pitch - 1) / pitch;
    RUNTIME::IMAGE* img = rows > std::numeric_limits<uint32_t>::max()
                              ? nullptr
                              : RUNTIME::IMAGEALLOCATE(4, w, static_cast<uint32_t>(rows),
                                                       static_cast<uint32_t>(pitch));
    if (!img) return FAIL(REASON_MEMORY, "%llu bytes", static_cast<unsigned long long>(area)), false;
    img->HEIGHT = h;
    out.BLOCK = img;
    out.T = {RUNTIME::PIXELS(img), static_cast<size_t>(pitch)};
    return true;
  }
  uint8_t* block = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(HEADOF(selector) + area)));
  if (!block) return FAIL(REASON_MEMORY, "%llu bytes", static_cast<unsigned long long>(area)), false;
  out.BLOCK = block;
  if (selector == SELECT_PACKED) {
    const uint32_t head = 4u | (w << 3) | (h << 16);
    for (int k = 0; k < 4; ++k) block[k] = static_cast<uint8_t>(head >> (8 * k));
  }
  out.T = {block + HEADOF(selector), static_cast<size_t>(pitch)};
  return true;
}

// Builds the conversion state; false for a missing or oversized palette or a
// tRNS chunk this colour type does not allow.
bool PREPARE(const HEADER& h, const CHUNKS& c, CONVERSION& cv) {
  cv.COLORTYPE = h.COLORTYPE;
  cv.DEPTH = h.DEPTH;
  const CHUNK& t = c.TRNS;
  auto wrongtrns = [&] {
    return FAIL(REASON_TRANSPARENCY, "%u bytes for colour type %u", t.LENGTH, h.COLORTYPE), false;
  };
  switch (h.COLORTYPE) {
    case 0: {
      if (t.FOUND) {
        if (t.LENGTH != 2) return wrongtrns();
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
        if (t.LENGTH != 6) return wrongtrns();
        cv.HASKEY = true;
        for (int k = 0; k < 3; ++k) cv.KEY[k] = BE16(t.DATA + 2 * k);
      }
      return true;
    case 3: {
      if (!c.PLTE.FOUND) return FAIL(REASON_PALETTE, "no PLTE chunk"), false;
      const uint32_t entries = c.PLTE.LENGTH / 3;
      if (entries > 256) return FAIL(REASON_PALETTE, "%u entries", entries), false;
      if (t.FOUND && t.LENGTH > 256) return wrongtrns();
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
      return t.FOUND ? wrongtrns() : true;
  }
}

// Reconstructs and converts every scanline of every pass. Rows are taken
// strictly front to back, and each output row is written only after its
// scanline and the one above it have been read, which is what lets the
// scanlines sit in the tail of the output block (see LOADMEMORY).
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
        if (line[k][0] > FILTER_PAETH)
          return FAIL(REASON_FILTER, "type %u in row %u of pass %d", line[k][0], r + k, p + 1),
                 false;
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

inline uint32_t SWAPRB(uint32_t v) {
  return (v & 0xFF00FF00u) | ((v >> 16) & 0xFFu) | ((v & 0xFFu) << 16);
}

// Selector 3: turns the top-down rows over and exchanges red and blue.
void TURNOVER(uint32_t* px, uint32_t w, uint32_t h) {
  for (uint32_t y = 0; y < h / 2; ++y) {
    uint32_t* a = px + size_t{y} * w;
    uint32_t* b = px + size_t{h - 1 - y} * w;
    for (uint32_t i = 0; i < w; ++i) {
      const uint32_t t = a[i];
      a[i] = SWAPRB(b[i]);
      b[i] = SWAPRB(t);
    }
  }
  if (h % 2) {
    uint32_t* m = px + size_t{h / 2} * w;
    for (uint32_t i = 0; i < w; ++i) m[i] = SWAPRB(m[i]);
  }
}

// Copies the image data of every IDAT chunk, in order, to out.
void JOINIDAT(const uint8_t* bytes, size_t size, uint8_t* out) {
  size_t pos = 8, at = 0;
  while (pos < size) {
    const uint32_t length = BE32(bytes + pos);
    if (BE32(bytes + pos + 4) == TYPE_IDAT) {
      std::memcpy(out + at, bytes + pos + 8, length);
      at += length;
    }
    pos += static_cast<size_t>(length) + 12;
  }
}

}  // namespace

void RELEASE(void* block, int32_t selector) {
  if (selector == SELECT_IMAGE)
    RUNTIME::IMAGEDESTROY(static_cast<RUNTIME::IMAGE*>(block));
  else
    std::free(block);
}

int32_t MAXBYTES() { return LIMIT.load(std::memory_order_relaxed); }
void MAXBYTES(int32_t bytes) { LIMIT.store(bytes < 0 ? 0 : bytes, std::memory_order_relaxed); }

REASON LASTERROR() { return LAST; }

const char* REASONTEXT(int32_t reason) {
  return reason >= 0 && reason < REASONCOUNT ? REASONTEXTS[reason] : "unknown";
}

int USEINFLATE(int which) {
  INFLATER.store(which < 0 || which > BESTINFLATE ? BESTINFLATE : which);
  return INFLATER.load();
}

void* LOADMEMORY(const void* data, int32_t size, int32_t selector) {
  LAST = REASON_NONE;
  if (!data || size < 0) return FAIL(REASON_ARGUMENT, nullptr);
  if (selector != SELECT_PACKED && selector != SELECT_IMAGE && selector != SELECT_BOTTOMUP)
    return FAIL(REASON_SELECTOR, "%d", selector);
  if (size < MINLENGTH) return FAIL(REASON_SHORT, "%d bytes", size);
  const uint8_t* bytes = static_cast<const uint8_t*>(data);
  if (std::memcmp(bytes, SIGNATURE, 8) != 0) return FAIL(REASON_SIGNATURE, nullptr);

  CHUNKS c;
  if (!WALK(bytes, static_cast<size_t>(size), c)) return nullptr;
  if (c.FIRSTTYPE != TYPE_IHDR || c.IHDR.LENGTH != 13)
    return FAIL(REASON_FIRSTCHUNK, "%u bytes", c.IHDR.LENGTH);
  if (c.LASTTYPE != TYPE_IEND) return FAIL(REASON_LASTCHUNK, nullptr);
  if (c.COUNT < 3) return FAIL(REASON_NODATA, "no IDAT chunk");

  const uint8_t* ih = c.IHDR.DATA;
  const HEADER h = {BE32(ih), BE32(ih + 4), ih[8], ih[9], ih[10], ih[11], ih[12]};
  if (h.WIDTH == 0 || h.HEIGHT == 0)
    return FAIL(REASON_ZEROSIZE, "%u x %u", h.WIDTH, h.HEIGHT);
  if (!ACCEPTED(h.COLORTYPE, h.DEPTH))
    return FAIL(REASON_FORMAT, "colour type %u, depth %u", h.COLORTYPE, h.DEPTH);
  if (h.COMPRESSION != 0 || h.FILTER != 0 || h.INTERLACE > 1)
    return FAIL(REASON_METHOD, "%u, %u, %u", h.COMPRESSION, h.FILTER, h.INTERLACE);

  // Every derived size must be within the limit before anything is allocated.
  const uint64_t limit = static_cast<uint64_t>(MAXBYTES());
  auto toolarge = [&](const char* what, uint64_t n) {
    return FAIL(REASON_TOOLARGE, "%s of %llu bytes, limit %llu", what,
                static_cast<unsigned long long>(n), static_cast<unsigned long long>(limit));
  };
  uint64_t expected = 0;
  for (int p = 0; p < (h.INTERLACE ? 7 : 1); ++p) {
    const PASSSIZE s = MEASURE(h, h.INTERLACE ? ADAM7[p] : PLAIN);
    if (s.WIDTH == 0 || s.HEIGHT == 0) continue;
    if (s.ROWBYTES + 1 > limit) return toolarge("scanline", s.ROWBYTES + 1);
    expected += (s.ROWBYTES + 1) * s.HEIGHT;
    if (expected > limit) return toolarge("inflated data", expected);
  }
  if (selector == SELECT_PACKED && (h.WIDTH >= (1u << 13) || h.HEIGHT >= (1u << 16)))
    return FAIL(REASON_PACKEDSIZE, "%u x %u", h.WIDTH, h.HEIGHT);
  const uint64_t pitch = PITCHOF(selector, h.WIDTH);
  const uint64_t outbytes = HEADOF(selector) + pitch * h.HEIGHT;
  if (outbytes > limit) return toolarge("output block", outbytes);

  CONVERSION cv;
  if (!PREPARE(h, c, cv)) return nullptr;

  if (c.IDATTOTAL == 0) return FAIL(REASON_NODATA, "empty IDAT chunks");
  if (expected > c.IDATTOTAL * MAXINFLATE)
    return FAIL(REASON_RATIO, "%llu bytes cannot inflate to %llu",
                static_cast<unsigned long long>(c.IDATTOTAL),
                static_cast<unsigned long long>(expected));

  // Non-interlaced images are inflated into the tail of the output block and
  // decoded in place, front to back. Output row y ends at (y + 1) x pitch and
  // scanline y (rowbytes with its filter byte) starts at base + y x rowbytes,
  // so with base >= pitch + y x (pitch - rowbytes) for every y no output row
  // is written over a scanline still to be read (see DECODE). The block then
  // needs about one scanline more than the larger of the output and the
  // inflated data, plus the slack the row kernels read past the last row and
  // the byte that tells an over-long stream from an exact one. When that is
  // much more than the output (16-bit images inflate to twice the output), the
  // inflated data gets a block of its own instead, as interlaced images do.
  const uint64_t rowbytes = MEASURE(h, PLAIN).ROWBYTES + 1;
  const uint64_t rows = pitch * h.HEIGHT;
  uint64_t base = 0, area = rows;
  bool inplace = !h.INTERLACE;
  if (inplace) {
    base = pitch + (pitch > rowbytes ? (h.HEIGHT - 1) * (pitch - rowbytes) : 0);
    area = std::max(base + expected + 1 + ROWSLACK, rows);
    if (area - rows > rows / 8 + 65536) {
      inplace = false;
      area = rows;
    }
  }

  OUTPUT out;
  FREEER joined, raw, scratch;
  uint8_t* z = nullptr;  // the inflated scanlines
  auto inflateinto = [&](uint8_t* dest, uint8_t* room) {
    // Image data split over several chunks is joined first: at the front of
    // the output block when it fits there, else in a block of its own.
    const uint8_t* zdata = c.FIRSTIDAT;
    if (c.IDATCOUNT > 1) {
      uint8_t* buf = room;
      if (!buf) {
        buf = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(c.IDATTOTAL)));
        if (!buf)
          return FAIL(REASON_MEMORY, "%llu bytes",
                      static_cast<unsigned long long>(c.IDATTOTAL)),
                 false;
        joined.P = buf;
      }
      JOINIDAT(bytes, static_cast<size_t>(size), buf);
      zdata = buf;
    }
    const bool ok = INFLATE(zdata, static_cast<size_t>(c.IDATTOTAL), dest,
                            static_cast<size_t>(expected));
    std::free(joined.P);
    joined.P = nullptr;
    if (!ok) return false;
    std::memset(dest + expected, 0, 1 + ROWSLACK);
    return true;
  };
  if (inplace) {
    if (!ALLOCATE(out, selector, h.WIDTH, h.HEIGHT, area)) return nullptr;
    z = out.T.BASE + base;
    if (!inflateinto(z, c.IDATTOTAL <= base ? out.T.BASE : nullptr)) return nullptr;
  } else {
    raw.P = std::malloc(static_cast<size_t>(expected) + 1 + ROWSLACK);
    if (!raw.P)
      return FAIL(REASON_MEMORY, "%llu bytes", static_cast<unsigned long long>(expected));
    z = static_cast<uint8_t*>(raw.P);
    if (!inflateinto(z, nullptr)) return nullptr;
    if (!ALLOCATE(out, selector, h.WIDTH, h.HEIGHT, area)) return nullptr;
  }
  if (h.INTERLACE) {
    scratch.P = std::malloc(size_t{h.WIDTH} * 4);
    if (!scratch.P) return FAIL(REASON_MEMORY, "%u bytes", h.WIDTH * 4);
  }
  if (!DECODE(h, cv, z, out.T, static_cast<uint32_t*>(scratch.P))) return nullptr;

  const size_t used = size_t{h.WIDTH} * 4;
  if (pitch > used)  // the row padding, zero
    for (uint32_t y = 0; y < h.HEIGHT; ++y)
      std::memset(out.T.BASE + y * pitch + used, 0, static_cast<size_t>(pitch) - used);
  if (selector == SELECT_BOTTOMUP)
    TURNOVER(reinterpret_cast<uint32_t*>(out.T.BASE), h.WIDTH, h.HEIGHT);
  return out.TAKE();
}

void* LOADFILE(const char* filename, int32_t selector) {
  LAST = REASON_NONE;
  // Named in every diagnostic of this load.
  struct NAMING {
    explicit NAMING(const char* n) { LOADING = n; }
    ~NAMING() { LOADING = nullptr; }
  } naming(filename ? filename : "");
  if (!filename || !*filename) return FAIL(REASON_NONAME, nullptr);
  std::error_code ec;
  if (std::filesystem::is_directory(filename, ec)) return FAIL(REASON_READ, "a directory");
  std::FILE* f = std::fopen(filename, "rb");
  if (!f) return FAIL(REASON_OPEN, "%s", std::strerror(errno));
  FREEER buf;
  long size = -1;
  if (std::fseek(f, 0, SEEK_END) == 0) size = std::ftell(f);
  // The memory load takes a 32-bit length; larger files are not read at all.
  if (size <= 0 || size > std::numeric_limits<int32_t>::max()) {
    std::fclose(f);
    if (size < 0) return FAIL(REASON_READ, "%s", std::strerror(errno));
    return FAIL(REASON_FILESIZE, "%ld bytes", size);
  }
  bool ok = std::fseek(f, 0, SEEK_SET) == 0;
  if (ok) {
    buf.P = std::malloc(static_cast<size_t>(size));
    if (!buf.P) {
      std::fclose(f);
      return FAIL(REASON_MEMORY, "%ld bytes", size);
    }
    ok = std::fread(buf.P, 1, static_cast<size_t>(size), f) == static_cast<size_t>(size);
  }
  const int error = errno;
  std::fclose(f);
  if (!ok) return FAIL(REASON_READ, "%s", std::strerror(error));
  return LOADMEMORY(buf.P, static_cast<int32_t>(size), selector);
}

}  // namespace ZARVO::PNG
