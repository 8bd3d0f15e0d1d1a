// BITMAP::RESIZE: nearest-neighbour and bilinear scaling, and tiling.
#include "zarvo/graphics/resize.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

#include "zarvo/graphics/bitmap.hpp"
#include "zarvo/runtime/image.hpp"

#include "zarvo/runtime/multiversion.hpp"

namespace ZARVO::GRAPHICS {

using namespace RUNTIME;

namespace {

template <class T>
T* row(IMAGE* img, uint32_t y) {
  return reinterpret_cast<T*>(PIXELS(img) + static_cast<size_t>(y) * img->PITCH);
}
template <class T>
const T* row(const IMAGE* img, uint32_t y) {
  return reinterpret_cast<const T*>(PIXELS(img) + static_cast<size_t>(y) * img->PITCH);
}

template <class T>
std::unique_ptr<T[]> scratch(size_t n) {
  return std::unique_ptr<T[]>(new (std::nothrow) T[n]);
}

ZARVO_MULTIVERSION void gather32(uint32_t* __restrict d, const uint32_t* __restrict s,
                                 const uint32_t* __restrict xs, uint32_t n) {
  for (uint32_t i = 0; i < n; ++i) d[i] = s[xs[i]];
}

template <class T>
void gather(T* __restrict d, const T* __restrict s, const uint32_t* __restrict xs, uint32_t n) {
  if constexpr (sizeof(T) == 4)
    gather32(d, s, xs, n);
  else
    for (uint32_t i = 0; i < n; ++i) d[i] = s[xs[i]];
}

// Old column or row floor(i * factor), factor = old / new in double. The
// product stays below old size, the bound only guards the arithmetic.
inline uint32_t scaled(uint32_t i, double factor, uint32_t old) {
  const uint32_t v = static_cast<uint32_t>(static_cast<double>(i) * factor);
  return v < old ? v : old - 1;
}

template <class T>
void nearest(const IMAGE* s, IMAGE* d) {
  const uint32_t sw = s->WIDTH, sh = s->HEIGHT, dw = d->WIDTH, dh = d->HEIGHT;
  const double fx = static_cast<double>(sw) / dw, fy = static_cast<double>(sh) / dh;
  auto xs = scratch<uint32_t>(dw);
  if (xs)
    for (uint32_t x = 0; x < dw; ++x) xs[x] = scaled(x, fx, sw);
  uint32_t last = UINT32_MAX;
  for (uint32_t y = 0; y < dh; ++y) {
    const uint32_t sy = scaled(y, fy, sh);
    T* out = row<T>(d, y);
    const T* in = row<T>(s, sy);
    if (sy == last) {
      // Enlarging repeats source rows: copy the row just made.
      std::memcpy(out, row<T>(d, y - 1), static_cast<size_t>(dw) * sizeof(T));
    } else if (sw == dw) {
      std::memcpy(out, in, static_cast<size_t>(dw) * sizeof(T));
    } else if (xs) {
      gather(out, in, xs.get(), dw);
    } else {
      for (uint32_t x = 0; x < dw; ++x) out[x] = in[scaled(x, fx, sw)];
    }
    last = sy;
  }
}

// Where a new column (or row) samples the old axis: two neighbours and the
// weight of the second, 0..255 in 1/256 steps.
struct TAP {
  uint32_t a, b, w;
};

TAP tap(uint32_t i, double factor, uint32_t old) {
  double p = (i + 0.5) * factor - 0.5;
  p = std::clamp(p, 0.0, static_cast<double>(old - 1));
  uint32_t a = static_cast<uint32_t>(p);
  uint32_t w = static_cast<uint32_t>(std::lround((p - a) * 256.0));
  if (w == 256) {
    ++a;
    w = 0;
  }
  if (a >= old - 1) return {old - 1, old - 1, 0};
  return {a, a + 1, w};
}

inline uint32_t channel(uint32_t p, int c) { return (p >> c) & 255u; }

uint32_t bilinearpixel(uint32_t p00, uint32_t p10, uint32_t p01, uint32_t p11, uint32_t wx,
                       uint32_t wy) {
  const uint32_t p[4] = {p00, p10, p01, p11};
  uint32_t w[4] = {(256 - wx) * (256 - wy), wx * (256 - wy), (256 - wx) * wy, wx * wy};
  if (!ISMASK(p00) && !ISMASK(p10) && !ISMASK(p01) && !ISMASK(p11)) {
    uint32_t out = 0;
    for (int c = 0; c < 32; c += 8) {
      const uint32_t v = w[0] * channel(p00, c) + w[1] * channel(p10, c) +
                         w[2] * channel(p01, c) + w[3] * channel(p11, c);
      out |= ((v + 32768u) >> 16) << c;
    }
    return out;
  }
  // Mask pixels stand for "nothing here": leave them out and share their
  // weight among the others, or copy the nearest when nothing else is in reach.
  int nearest = 0;
  uint32_t total = 0;
  for (int k = 0; k < 4; ++k) {
    if (w[k] > w[nearest]) nearest = k;
    if (ISMASK(p[k])) w[k] = 0;
    total += w[k];
  }
  if (total == 0) return p[nearest];
  uint32_t out = 0;
  for (int c = 0; c < 32; c += 8) {
    uint32_t v = 0;
    for (int k = 0; k < 4; ++k) v += w[k] * channel(p[k], c);
    out |= ((v + total / 2) / total) << c;
  }
  return out;
}

void bilinear(const IMAGE* s, IMAGE* d) {
  const uint32_t sw = s->WIDTH, sh = s->HEIGHT, dw = d->WIDTH, dh = d->HEIGHT;
  const double fx = static_cast<double>(sw) / dw, fy = static_cast<double>(sh) / dh;
  auto cols = scratch<TAP>(dw);
  if (cols)
    for (uint32_t x = 0; x < dw; ++x) cols[x] = tap(x, fx, sw);
  for (uint32_t y = 0; y < dh; ++y) {
    const TAP ty = tap(y, fy, sh);
    const uint32_t* r0 = row<uint32_t>(s, ty.a);
    const uint32_t* r1 = row<uint32_t>(s, ty.b);
    uint32_t* out = row<uint32_t>(d, y);
    for (uint32_t x = 0; x < dw; ++x) {
      const TAP tx = cols ? cols[x] : tap(x, fx, sw);
      out[x] = bilinearpixel(r0[tx.a], r0[tx.b], r1[tx.a], r1[tx.b], tx.w, ty.w);
    }
  }
}

template <class T>
void tile(const IMAGE* s, IMAGE* d, bool across, bool down) {
  const uint32_t sw = s->WIDTH, sh = s->HEIGHT, dw = d->WIDTH, dh = d->HEIGHT;
  const uint32_t rows = down ? dh : std::min(sh, dh);
  for (uint32_t y = 0; y < rows; ++y) {
    const T* in = row<T>(s, y % sh);
    T* out = row<T>(d, y);
    if (!across) {
      std::memcpy(out, in, static_cast<size_t>(std::min(sw, dw)) * sizeof(T));
      continue;
    }
    for (uint32_t x = 0; x < dw; x += sw)
      std::memcpy(out + x, in, static_cast<size_t>(std::min(sw, dw - x)) * sizeof(T));
  }
}

template <class T>
void fill(const IMAGE* s, IMAGE* d, int32_t m) {
  const bool scalex = m & 4, scaley = m & 64, smooth = m & 256;
  const bool repeatx = m & 2, repeaty = m & 32;
  if (scalex && scaley) {
    if constexpr (sizeof(T) == 4) {
      if (smooth) return bilinear(s, d);
    }
    nearest<T>(s, d);  // other depths have no mask colour to blend around
  } else if (!scalex && !scaley && (repeatx || repeaty)) {
    tile<T>(s, d, repeatx, repeaty);
  }
}

}  // namespace

void BITMAP::RESIZE(int32_t W, int32_t H, RESIZEMETHOD METHOD) {
  // The old image is read in place and released once the new one is filled.
  IMAGE* old = IMGHANDLE;
  IMGHANDLE = nullptr;
  if (!old) {
    DESTROY();  // nothing to scale: an empty bitmap stays empty
    return;
  }
  if (CREATE(W, H, MASKCOLOR, old->BPP * 8)) {
    const int32_t m = static_cast<int32_t>(METHOD);
    switch (IBPP) {
      case 4: fill<uint32_t>(old, IMGHANDLE, m); break;
      case 2: fill<uint16_t>(old, IMGHANDLE, m); break;
      default: fill<uint8_t>(old, IMGHANDLE, m); break;
    }
  }
  IMAGEDESTROY(old);
}

}  // namespace ZARVO::GRAPHICS
