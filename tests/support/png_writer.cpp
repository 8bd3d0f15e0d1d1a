#include "support/png_writer.hpp"

#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <random>
#include <stdexcept>

namespace PNGTEST {

uint32_t PICTURE::CHANNELS() const {
  switch (COLORTYPE) {
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

PICTURE RANDOMPICTURE(uint32_t w, uint32_t h, uint8_t depth, uint8_t colortype, uint32_t seed) {
  PICTURE p;
  p.W = w;
  p.H = h;
  p.DEPTH = depth;
  p.COLORTYPE = colortype;
  p.S.resize(size_t{w} * h * p.CHANNELS());
  std::mt19937 rng(seed);
  const uint32_t top = (1u << depth) - 1;
  // A random walk: neighbours are close, with an occasional jump.
  uint32_t v = 0;
  for (auto& s : p.S) {
    v = (rng() % 8 == 0) ? rng() : v + rng() % 5;
    s = static_cast<uint16_t>(v & top);
  }
  return p;
}

namespace {

constexpr uint32_t ADAM7[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                  {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};

int PAETH(int a, int b, int c) {
  const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  if (pa <= pb && pa <= pc) return a;
  return pb <= pc ? b : c;
}

// Packs one row of a pass (the pixels at x0, x0 + dx, ...) into bytes.
BYTES PACKROW(const PICTURE& p, uint32_t y, uint32_t x0, uint32_t dx, uint32_t n) {
  const uint32_t ch = p.CHANNELS();
  BYTES out((size_t{n} * p.DEPTH * ch + 7) / 8, 0);
  size_t bit = 0;
  for (uint32_t i = 0; i < n; ++i) {
    for (uint32_t c = 0; c < ch; ++c) {
      const uint32_t v = p.AT(x0 + i * dx, y, c);
      if (p.DEPTH == 16) {
        out[bit / 8] = static_cast<uint8_t>(v >> 8);
        out[bit / 8 + 1] = static_cast<uint8_t>(v);
      } else if (p.DEPTH == 8) {
        out[bit / 8] = static_cast<uint8_t>(v);
      } else {
        out[bit / 8] |= static_cast<uint8_t>(v << (8 - p.DEPTH - bit % 8));
      }
      bit += p.DEPTH;
    }
  }
  return out;
}

}  // namespace

BYTES SCANLINES(const PICTURE& p, bool interlace, int filter) {
  const uint32_t unit = p.DEPTH < 8 ? 1 : p.DEPTH / 8 * p.CHANNELS();
  BYTES out;
  uint32_t row = 0;
  for (int pass = 0; pass < (interlace ? 7 : 1); ++pass) {
    const uint32_t x0 = interlace ? ADAM7[pass][0] : 0, y0 = interlace ? ADAM7[pass][1] : 0;
    const uint32_t dx = interlace ? ADAM7[pass][2] : 1, dy = interlace ? ADAM7[pass][3] : 1;
    if (p.W <= x0 || p.H <= y0) continue;
    const uint32_t pw = (p.W + dx - x0 - 1) / dx;
    BYTES prior;
    for (uint32_t y = y0; y < p.H; y += dy, ++row) {
      const BYTES cur = PACKROW(p, y, x0, dx, pw);
      if (prior.empty()) prior.assign(cur.size(), 0);
      const int type = filter < 0 ? static_cast<int>(row % 5) : filter;
      out.push_back(static_cast<uint8_t>(type));
      for (size_t i = 0; i < cur.size(); ++i) {
        const int a = i >= unit ? cur[i - unit] : 0, b = prior[i];
        const int c = i >= unit ? prior[i - unit] : 0;
        const int pred = type == 1   ? a
                         : type == 2 ? b
                         : type == 3 ? (a + b) / 2
                         : type == 4 ? PAETH(a, b, c)
                                     : 0;
        out.push_back(static_cast<uint8_t>(cur[i] - pred));
      }
      prior = cur;
    }
  }
  return out;
}

BYTES SIGNATURE() { return {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A}; }

BYTES CHUNK(const char* type, const BYTES& data) {
  const uint32_t n = static_cast<uint32_t>(data.size());
  BYTES out(size_t{n} + 12);
  auto put = [&](size_t at, uint32_t v) {
    for (int k = 0; k < 4; ++k) out[at + k] = static_cast<uint8_t>(v >> (24 - 8 * k));
  };
  put(0, n);
  std::memcpy(&out[4], type, 4);
  if (n) std::memcpy(&out[8], data.data(), n);
  put(size_t{n} + 8, static_cast<uint32_t>(crc32(0, &out[4], n + 4)));
  return out;
}

BYTES IHDRDATA(uint32_t w, uint32_t h, uint8_t depth, uint8_t colortype, uint8_t interlace,
               uint8_t compression, uint8_t filter) {
  BYTES d;
  for (uint32_t v : {w, h})
    for (int k = 3; k >= 0; --k) d.push_back(static_cast<uint8_t>(v >> (8 * k)));
  d.insert(d.end(), {depth, colortype, compression, filter, interlace});
  return d;
}

BYTES ZLIB(const BYTES& raw) {
  uLongf n = compressBound(raw.size());
  BYTES out(n);
  if (compress2(out.data(), &n, raw.data(), raw.size(), 6) != Z_OK)
    throw std::runtime_error("compress2");
  out.resize(n);
  return out;
}

BYTES JOIN(std::initializer_list<BYTES> parts) {
  BYTES out;
  for (const BYTES& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

BYTES ENCODE(const PICTURE& p, const OPTIONS& o) {
  BYTES out =
      JOIN({SIGNATURE(), CHUNK("IHDR", IHDRDATA(p.W, p.H, p.DEPTH, p.COLORTYPE, o.INTERLACE))});
  if (!o.PLTE.empty()) out = JOIN({out, CHUNK("PLTE", o.PLTE)});
  if (o.HASTRNS) out = JOIN({out, CHUNK("tRNS", o.TRNS)});
  const BYTES z = ZLIB(SCANLINES(p, o.INTERLACE, o.FILTER));
  const size_t step = o.IDATSPLIT ? o.IDATSPLIT : z.size();
  for (size_t at = 0; at < z.size(); at += step) {
    if (at) out = JOIN({out, o.BETWEEN});
    const size_t n = std::min(step, z.size() - at);
    out = JOIN({out, CHUNK("IDAT", BYTES(z.begin() + at, z.begin() + at + n))});
  }
  return JOIN({out, CHUNK("IEND", {})});
}

}  // namespace PNGTEST
