#include "zarvo/runtime/image.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "zarvo/runtime/diagnostics.hpp"
#include "zarvo/runtime/pixelrows.hpp"
#include "zarvo/runtime/runtime.hpp"

namespace ZARVO::RUNTIME {

IMAGE* IMAGEALLOCATE(int32_t bpp, uint32_t w, uint32_t h, uint32_t pitch) {
  if ((bpp != 1 && bpp != 2 && bpp != 4) || w == 0 || h == 0) return nullptr;
  const uint64_t rowbytes = static_cast<uint64_t>(w) * static_cast<uint64_t>(bpp);
  if (pitch < rowbytes) return nullptr;
  const uint64_t total = sizeof(IMAGE) + static_cast<uint64_t>(pitch) * h;
  // Offsets into the block are 32-bit throughout the engine.
  if (total > std::numeric_limits<uint32_t>::max()) return nullptr;
  // 64-byte alignment keeps rows of 16-byte-multiple pitch aligned for SIMD.
  const size_t alloc = (static_cast<size_t>(total) + 63) & ~static_cast<size_t>(63);
  void* block = std::aligned_alloc(64, alloc);
  if (!block) return nullptr;
  IMAGE* img = static_cast<IMAGE*>(block);
  img->TAG = IMAGETAG;
  img->BPP = bpp;
  img->WIDTH = w;
  img->HEIGHT = h;
  img->PITCH = pitch;
  img->RESERVED = 0;
  img->ZERO[0] = img->ZERO[1] = 0;
  return img;
}

namespace {

// n slots of bpp bytes from p, each holding c.
void fillslots(uint8_t* p, size_t n, int32_t bpp, uint32_t c) {
  if (bpp == 4) {
    FILLROW(reinterpret_cast<uint32_t*>(p), n, c);
  } else if (bpp == 2) {
    uint16_t* q = reinterpret_cast<uint16_t*>(p);
    std::fill(q, q + n, static_cast<uint16_t>(c));
  } else {
    std::memset(p, static_cast<uint8_t>(c), n);
  }
}

IMAGE* create(int32_t w, int32_t h, uint32_t c, int32_t depth, int32_t flags, bool pixels) {
  if (!SCREENPIXELS()) {
    DIAGNOSTIC("cannot create a %dx%d image: no screen yet (INITIALIZE first)", w, h);
    return nullptr;
  }
  if (w <= 0 || h <= 0) {
    DIAGNOSTIC("cannot create a %dx%d image: width and height must be at least 1", w, h);
    return nullptr;
  }
  int32_t bpp = 4;  // the screen is always 32-bit
  if (depth > 0) {
    bpp = static_cast<int32_t>((static_cast<int64_t>(depth) + 7) / 8);
    if (bpp != 1 && bpp != 2 && bpp != 4) {
      DIAGNOSTIC("cannot create a %dx%d image: depth %d is not 8, 16 or 32 bits", w, h, depth);
      return nullptr;
    }
  }
  if (flags < 0) c = 0xFFFF00FFu;
  const uint64_t rowbytes = static_cast<uint64_t>(w) * static_cast<uint64_t>(bpp);
  const uint64_t pitch = (rowbytes + 15) & ~uint64_t{15};
  const bool toolarge = sizeof(IMAGE) + pitch * static_cast<uint64_t>(h) >
                        std::numeric_limits<uint32_t>::max();
  IMAGE* img = toolarge ? nullptr
                        : IMAGEALLOCATE(bpp, static_cast<uint32_t>(w), static_cast<uint32_t>(h),
                                        static_cast<uint32_t>(pitch));
  if (!img) {
    DIAGNOSTIC("cannot create a %dx%d image: %s", w, h,
               toolarge ? "it would exceed 4 GiB" : "out of memory");
    return nullptr;
  }
  uint8_t* p = PIXELS(img);
  if (pixels) {
    fillslots(p, static_cast<size_t>(pitch) * static_cast<size_t>(h) / bpp, bpp, c);
  } else if (pitch > rowbytes) {
    for (int32_t y = 0; y < h; ++y)
      fillslots(p + static_cast<size_t>(y) * pitch + rowbytes, (pitch - rowbytes) / bpp, bpp, c);
  }
  return img;
}

}  // namespace

IMAGE* IMAGECREATE(int32_t w, int32_t h, uint32_t c, int32_t depth, int32_t flags) {
  return create(w, h, c, depth, flags, true);
}

IMAGE* IMAGECREATEROWS(int32_t w, int32_t h, uint32_t c, int32_t depth) {
  return create(w, h, c, depth, 0, false);
}

void IMAGEDESTROY(IMAGE* img) { std::free(img); }

size_t IMAGESIZE(const IMAGE* img) {
  return img ? sizeof(IMAGE) + static_cast<size_t>(img->PITCH) * img->HEIGHT : 0;
}

namespace {

// Where the pixels go, after clamping the source rectangle and clipping to the target.
struct PLAN {
  uint8_t* dst;
  size_t dpitch;
  const uint8_t* src;
  size_t spitch;
  int32_t bpp;
  int32_t w, h;
  bool screen;
  int32_t row0;  // first target row, for marking the screen
  bool overlap;  // source and target rows share memory
};

int64_t roundaway(float v) {
  // Halves away from zero; far-off positions only need to stay far off.
  double r = std::round(static_cast<double>(v));
  if (r > 1e12) r = 1e12;
  if (r < -1e12) r = -1e12;
  return static_cast<int64_t>(r);
}

bool makeplan(IMAGE* target, float x, float y, const IMAGE* src, int32_t x1, int32_t y1,
              int32_t x2, int32_t y2, RECTFORM form, PLAN& p) {
  uint32_t* screen = SCREENPIXELS();
  if (!screen || !src) return false;
  // Not a place at all: nothing is drawn, whatever a conversion would make of it.
  if (!std::isfinite(x) || !std::isfinite(y)) return false;
  uint8_t* tpix;
  size_t tpitch;
  int64_t tw, th;
  int32_t tbpp;
  if (!target) {
    tpix = reinterpret_cast<uint8_t*>(screen);
    tpitch = static_cast<size_t>(SCREENPITCH());
    tw = SCREENWIDTH();
    th = SCREENHEIGHT();
    tbpp = 4;
  } else {
    tpix = PIXELS(target);
    tpitch = target->PITCH;
    tw = target->WIDTH;
    th = target->HEIGHT;
    tbpp = target->BPP;
  }
  const int32_t b = src->BPP;
  if (b != tbpp) return false;
  const int64_t sw = src->WIDTH, sh = src->HEIGHT;
  int64_t ax = x1, ay = y1, bx = x2, by = y2;
  if (form == RECT_STEP) {
    bx = ax + bx;
    by = ay + by;
  }
  if (bx < ax) std::swap(ax, bx);
  if (by < ay) std::swap(ay, by);
  ax = std::clamp<int64_t>(ax, 0, sw - 1);
  bx = std::clamp<int64_t>(bx, 0, sw - 1);
  ay = std::clamp<int64_t>(ay, 0, sh - 1);
  by = std::clamp<int64_t>(by, 0, sh - 1);
  int64_t dx = roundaway(x), dy = roundaway(y);
  int64_t dx2 = dx + (bx - ax), dy2 = dy + (by - ay);
  if (dx2 < 0 || dy2 < 0 || dx >= tw || dy >= th) return false;
  if (dx < 0) {
    ax -= dx;
    dx = 0;
  }
  if (dy < 0) {
    ay -= dy;
    dy = 0;
  }
  dx2 = std::min(dx2, tw - 1);
  dy2 = std::min(dy2, th - 1);
  p.w = static_cast<int32_t>(dx2 - dx + 1);
  p.h = static_cast<int32_t>(dy2 - dy + 1);
  p.bpp = b;
  p.dpitch = tpitch;
  p.spitch = src->PITCH;
  p.dst = tpix + static_cast<size_t>(dy) * tpitch + static_cast<size_t>(dx) * b;
  p.src = PIXELS(src) + static_cast<size_t>(ay) * p.spitch + static_cast<size_t>(ax) * b;
  p.screen = target == nullptr;
  p.row0 = static_cast<int32_t>(dy);
  const uint8_t* slo = p.src;
  const uint8_t* shi = p.src + (p.h - 1) * p.spitch + static_cast<size_t>(p.w) * b;
  const uint8_t* dlo = p.dst;
  const uint8_t* dhi = p.dst + (p.h - 1) * p.dpitch + static_cast<size_t>(p.w) * b;
  p.overlap = target == src && slo < dhi && dlo < shi;
  return true;
}

// Holds the screen lock for the pixel work unless the caller already does.
struct LOCKSCOPE {
  bool took;
  LOCKSCOPE() : took(!SCREENLOCKED()) {
    if (took) SCREENLOCK();
  }
  ~LOCKSCOPE() {
    if (took) SCREENUNLOCK(-1, -1);
  }
};

// The per-pixel rules, used where source and target overlap (the result must
// then follow the pixel order exactly) and for the other pixel sizes.
uint32_t onepixel(PUTMODE mode, uint32_t s, uint32_t d, int32_t alpha, BLENDFUNC f, void* prm) {
  switch (mode) {
    case PUT_PSET: return s;
    case PUT_PRESET: return ~s;
    case PUT_AND: return d & s;
    case PUT_OR: return d | s;
    case PUT_XOR: return d ^ s;
    case PUT_TRANS: return ISMASK(s) ? d : (s & 0x00FFFFFFu);
    case PUT_ALPHA: return ALPHAPIXEL(s, d);
    case PUT_ADD: return ISMASK(s) ? d : ADDPIXEL(s, d, alpha);
    case PUT_BLEND: return ISMASK(s) ? d : BLENDPIXEL(s, d, (alpha & 255) + 1);
    case PUT_CUSTOM: return f(s, d, prm);
  }
  return d;
}

void putrow4(PUTMODE mode, const uint32_t* s, uint32_t* d, int32_t n, int32_t alpha, BLENDFUNC f,
             void* prm) {
  switch (mode) {
    case PUT_PSET: std::memcpy(d, s, static_cast<size_t>(n) * 4); break;
    case PUT_PRESET: ROWPRESET(s, d, n); break;
    case PUT_AND: ROWAND(s, d, n); break;
    case PUT_OR: ROWOR(s, d, n); break;
    case PUT_XOR: ROWXOR(s, d, n); break;
    case PUT_TRANS: ROWTRANS(s, d, n); break;
    case PUT_ALPHA: ROWALPHA(s, d, n); break;
    case PUT_ADD: ROWADD(s, d, n, alpha); break;
    case PUT_BLEND: ROWBLEND(s, d, n, (alpha & 255) + 1); break;
    case PUT_CUSTOM:
      for (int32_t i = 0; i < n; ++i) d[i] = f(s[i], d[i], prm);
      break;
  }
}

template <typename T>
void putsmall(const PLAN& p, PUTMODE mode) {
  for (int32_t y = 0; y < p.h; ++y) {
    const T* s = reinterpret_cast<const T*>(p.src + y * p.spitch);
    T* d = reinterpret_cast<T*>(p.dst + y * p.dpitch);
    for (int32_t i = 0; i < p.w; ++i) {
      T v = s[i];
      switch (mode) {
        case PUT_PSET: d[i] = v; break;
        case PUT_PRESET: d[i] = static_cast<T>(~v); break;
        case PUT_AND: d[i] &= v; break;
        case PUT_OR: d[i] |= v; break;
        case PUT_XOR: d[i] ^= v; break;
        default: break;
      }
    }
  }
}

}  // namespace

void IMAGEPUT(IMAGE* target, float x, float y, const IMAGE* src, int32_t x1, int32_t y1,
              int32_t x2, int32_t y2, RECTFORM form, PUTMODE mode, int32_t alpha,
              BLENDFUNC callback, void* param) {
  if (mode < PUT_TRANS || mode > PUT_BLEND) return;
  if (mode == PUT_CUSTOM && !callback) return;
  if (mode == PUT_BLEND && alpha == 0) return;
  PLAN p;
  if (!makeplan(target, x, y, src, x1, y1, x2, y2, form, p)) return;
  LOCKSCOPE lock;
  if (p.bpp == 4) {
    for (int32_t row = 0; row < p.h; ++row) {
      const uint32_t* s = reinterpret_cast<const uint32_t*>(p.src + row * p.spitch);
      uint32_t* d = reinterpret_cast<uint32_t*>(p.dst + row * p.dpitch);
      if (p.overlap) {
        for (int32_t i = 0; i < p.w; ++i) d[i] = onepixel(mode, s[i], d[i], alpha, callback, param);
      } else {
        putrow4(mode, s, d, p.w, alpha, callback, param);
      }
    }
  } else if (mode >= PUT_PSET && mode <= PUT_XOR) {
    // Smaller pixels only copy and combine bits; nothing in the engine blends them.
    if (p.bpp == 2)
      putsmall<uint16_t>(p, mode);
    else
      putsmall<uint8_t>(p, mode);
  }
  if (p.screen) SCREENDIRTY(p.row0, p.row0 + p.h - 1);
}

void IMAGEPUTROWS(IMAGE* target, float x, float y, const IMAGE* src, int32_t x1, int32_t y1,
                  int32_t x2, int32_t y2, RECTFORM form, ROWBLENDFUNC rowfunc, void* param) {
  if (!rowfunc) return;
  PLAN p;
  if (!makeplan(target, x, y, src, x1, y1, x2, y2, form, p) || p.bpp != 4) return;
  LOCKSCOPE lock;
  for (int32_t row = 0; row < p.h; ++row) {
    const uint32_t* s = reinterpret_cast<const uint32_t*>(p.src + row * p.spitch);
    uint32_t* d = reinterpret_cast<uint32_t*>(p.dst + row * p.dpitch);
    if (p.overlap) {
      // One pixel at a time keeps the pixel order of the per-pixel rule.
      for (int32_t i = 0; i < p.w; ++i) rowfunc(s + i, d + i, 1, param);
    } else {
      rowfunc(s, d, p.w, param);
    }
  }
  if (p.screen) SCREENDIRTY(p.row0, p.row0 + p.h - 1);
}

}  // namespace ZARVO::RUNTIME
