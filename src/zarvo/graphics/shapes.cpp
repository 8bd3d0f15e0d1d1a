#include "zarvo/graphics/shapes.hpp"

#include <algorithm>
#include <cmath>

#include "zarvo/graphics/blender.hpp"
#include "zarvo/graphics/canvas.hpp"
#include "zarvo/runtime/pixelrows.hpp"
#include "zarvo/runtime/runtime.hpp"

namespace ZARVO::GRAPHICS {

using RUNTIME::ISMASK;

CANVAS::CANVAS(const BITMAP& TARGET) {
  uint32_t* screen = RUNTIME::SCREENPIXELS();  // the rows drawn are marked below
  if (!screen) return;
  if (!TARGET.IMGHANDLE) {
    PITCH = static_cast<size_t>(RUNTIME::SCREENPITCH());
    W = RUNTIME::SCREENWIDTH();
    H = RUNTIME::SCREENHEIGHT();
    SCREEN = true;
    BASE = reinterpret_cast<uint8_t*>(screen);
  } else {
    // The header, not the bitmap's copy of it, says where the rows are.
    IMAGE* img = TARGET.IMGHANDLE;
    if (img->BPP != 4) return;
    PITCH = img->PITCH;
    W = static_cast<int32_t>(img->WIDTH);
    H = static_cast<int32_t>(img->HEIGHT);
    BASE = RUNTIME::PIXELS(img);
  }
  TOOK = !RUNTIME::SCREENLOCKED();
  if (TOOK) RUNTIME::SCREENLOCK();
}

CANVAS::~CANVAS() {
  if (!BASE) return;
  if (SCREEN && HI >= LO) RUNTIME::SCREENDIRTY(LO, HI);
  if (TOOK) RUNTIME::SCREENUNLOCK(-1, -1);
}

namespace {

enum : int32_t { K_NONE, K_FILL, K_AND, K_OR, K_XOR, K_ALPHA, K_ADD, K_ROW, K_CUSTOM };

constexpr int32_t AUTO = static_cast<int32_t>(GXAUTO);

// Alpha of the colour scaled by a coverage of 0..255, rounded.
uint32_t scaled(uint32_t clr, uint32_t coverage) {
  const uint32_t a = ((clr >> 24) * coverage + 127) / 255;
  return (clr & 0x00FFFFFFu) | (a << 24);
}

}  // namespace

INK::INK(uint32_t CLR, RASTEROP M, BLENDFUNC CUSTOMBLENDER, void* P)
    : COLOR(CLR), METHOD(static_cast<int32_t>(M)), KIND(K_NONE), VALUE(CLR), FUNC(nullptr),
      ROWFUNC(nullptr), PARAM(P) {
  const uint32_t alpha = CLR >> 24;
  switch (METHOD) {
    case AUTO: KIND = alpha == 255 ? K_FILL : (alpha == 0 ? K_NONE : K_ALPHA); break;
    case static_cast<int32_t>(RASTEROP::GXPSET): KIND = K_FILL; break;
    case static_cast<int32_t>(RASTEROP::GXPRESET):
      KIND = K_FILL;
      VALUE = ~CLR;
      break;
    case static_cast<int32_t>(RASTEROP::GXTRANS):
      KIND = ISMASK(CLR) ? K_NONE : K_FILL;
      VALUE = CLR & 0x00FFFFFFu;
      break;
    case static_cast<int32_t>(RASTEROP::GXAND): KIND = K_AND; break;
    case static_cast<int32_t>(RASTEROP::GXOR): KIND = K_OR; break;
    case static_cast<int32_t>(RASTEROP::GXXOR): KIND = K_XOR; break;
    case static_cast<int32_t>(RASTEROP::GXALPHA): KIND = alpha == 0 ? K_NONE : K_ALPHA; break;
    case static_cast<int32_t>(RASTEROP::GXADD): KIND = ISMASK(CLR) ? K_NONE : K_ADD; break;
    case static_cast<int32_t>(RASTEROP::GXCUSTOM):
      FUNC = CUSTOMBLENDER;
      KIND = FUNC ? K_CUSTOM : K_NONE;
      break;
    default:
      FUNC = BLENDER::FUNCTION(METHOD);
      ROWFUNC = BLENDER::ROWFUNCTION(METHOD);
      PARAM = &BPP;  // as DRAWTO passes a 32-bit source's IBPP
      KIND = FUNC && ROWFUNC ? K_ROW : K_NONE;
      break;
  }
  if (KIND == K_ALPHA || KIND == K_ADD || KIND == K_ROW) std::fill(SRC, SRC + 64, CLR);
}

void INK::SPAN(uint32_t* d, int32_t n) const {
  switch (KIND) {
    case K_FILL: RUNTIME::FILLROW(d, static_cast<size_t>(n), VALUE); return;
    case K_AND:
      for (int32_t i = 0; i < n; ++i) d[i] &= COLOR;
      return;
    case K_OR:
      for (int32_t i = 0; i < n; ++i) d[i] |= COLOR;
      return;
    case K_XOR:
      for (int32_t i = 0; i < n; ++i) d[i] ^= COLOR;
      return;
    case K_CUSTOM:
      for (int32_t i = 0; i < n; ++i) d[i] = FUNC(COLOR, d[i], PARAM);
      return;
    default: break;
  }
  if (KIND == K_NONE) return;
  // The row kernels of the image put, fed a row of the colour.
  for (int32_t at = 0; at < n; at += 64) {
    const int32_t k = std::min<int32_t>(64, n - at);
    if (KIND == K_ALPHA)
      RUNTIME::ROWALPHA(SRC, d + at, k);
    else if (KIND == K_ADD)
      RUNTIME::ROWADD(SRC, d + at, k, 255);
    else
      ROWFUNC(SRC, d + at, k, PARAM);
  }
}

void INK::COVER(uint32_t* d, uint32_t COVERAGE) const {
  const uint32_t s = scaled(COLOR, COVERAGE);
  const uint32_t a = s >> 24;
  switch (METHOD) {
    case AUTO:
      if (a == 255)
        *d = s;
      else if (a != 0)
        *d = RUNTIME::ALPHAPIXEL(s, *d);
      return;
    case static_cast<int32_t>(RASTEROP::GXPSET): *d = s; return;
    case static_cast<int32_t>(RASTEROP::GXPRESET): *d = ~s; return;
    case static_cast<int32_t>(RASTEROP::GXTRANS):
      if (!ISMASK(s)) *d = s & 0x00FFFFFFu;
      return;
    case static_cast<int32_t>(RASTEROP::GXAND): *d &= s; return;
    case static_cast<int32_t>(RASTEROP::GXOR): *d |= s; return;
    case static_cast<int32_t>(RASTEROP::GXXOR): *d ^= s; return;
    case static_cast<int32_t>(RASTEROP::GXALPHA): *d = RUNTIME::ALPHAPIXEL(s, *d); return;
    case static_cast<int32_t>(RASTEROP::GXADD):
      if (!ISMASK(s)) *d = RUNTIME::ADDPIXEL(s, *d, 255);
      return;
    default:
      if (FUNC) *d = FUNC(s, *d, PARAM);
      return;
  }
}

namespace {

constexpr int64_t LIMIT = int64_t{1} << 28;
constexpr int64_t MAXTHICKNESS = 65536;

int64_t coord(int32_t v) { return std::clamp<int64_t>(v, -LIMIT, LIMIT); }

int64_t floordiv(int64_t a, int64_t b) {  // b > 0
  return a >= 0 ? a / b : -((-a + b - 1) / b);
}

// Largest s with s * s <= v (v >= 0, below 2^62).
int64_t isqrt(int64_t v) {
  int64_t s = static_cast<int64_t>(std::sqrt(static_cast<double>(v)));
  while (s > 0 && s * s > v) --s;
  while ((s + 1) * (s + 1) <= v) ++s;
  return s;
}

// Shapes draw only through these two: columns xa..xb of row y, and one pixel
// at a coverage (0..255), both clipped to the canvas.
void hspan(CANVAS& c, const INK& ink, int64_t y, int64_t xa, int64_t xb) {
  if (y < 0 || y >= c.H) return;
  xa = std::max<int64_t>(xa, 0);
  xb = std::min<int64_t>(xb, c.W - 1);
  if (xa > xb) return;
  ink.SPAN(c.ROW(static_cast<int32_t>(y)) + xa, static_cast<int32_t>(xb - xa + 1));
  c.TOUCH(static_cast<int32_t>(y), static_cast<int32_t>(y));
}

void cover(CANVAS& c, const INK& ink, int64_t y, int64_t x, double coverage) {
  if (y < 0 || y >= c.H || x < 0 || x >= c.W) return;
  const int32_t k = static_cast<int32_t>(std::lround(std::clamp(coverage, 0.0, 1.0) * 255.0));
  if (k == 0) return;
  uint32_t* d = c.ROW(static_cast<int32_t>(y)) + x;
  if (k >= 255)
    ink.SPAN(d, 1);
  else
    ink.COVER(d, static_cast<uint32_t>(k));
  c.TOUCH(static_cast<int32_t>(y), static_cast<int32_t>(y));
}

void fillrect(CANVAS& c, const INK& ink, int64_t x, int64_t y, int64_t w, int64_t h) {
  if (w < 1 || h < 1) return;
  const int64_t x0 = std::max<int64_t>(x, 0), x1 = std::min<int64_t>(x + w, c.W);
  const int64_t y0 = std::max<int64_t>(y, 0), y1 = std::min<int64_t>(y + h, c.H);
  if (x0 >= x1 || y0 >= y1) return;
  if (ink.KIND == K_FILL && x0 == 0 && x1 == c.W && c.PITCH == static_cast<size_t>(c.W) * 4) {
    // Whole rows without padding: one run over the block.
    RUNTIME::FILLROW(c.ROW(static_cast<int32_t>(y0)), static_cast<size_t>((y1 - y0) * c.W),
                     ink.VALUE);
    c.TOUCH(static_cast<int32_t>(y0), static_cast<int32_t>(y1 - 1));
    return;
  }
  for (int64_t row = y0; row < y1; ++row) hspan(c, ink, row, x0, x1 - 1);
}

// Thickness 1: one pixel per step along the longer axis, rounded half up.
void thinline(CANVAS& c, const INK& ink, int64_t ax, int64_t ay, int64_t bx, int64_t by) {
  const bool xmajor = std::abs(bx - ax) >= std::abs(by - ay);
  if (!xmajor) {
    std::swap(ax, ay);
    std::swap(bx, by);
  }
  if (ax > bx) {
    std::swap(ax, bx);
    std::swap(ay, by);
  }
  const int64_t dx = bx - ax, dy = by - ay;
  const int64_t majorlimit = (xmajor ? c.W : c.H) - 1;
  const int64_t from = std::max<int64_t>(ax, 0), to = std::min<int64_t>(bx, majorlimit);
  for (int64_t m = from; m <= to; ++m) {
    const int64_t n = dx == 0 ? ay : ay + floordiv(2 * (m - ax) * dy + dx, 2 * dx);
    if (xmajor)
      hspan(c, ink, n, m, m);
    else
      hspan(c, ink, m, n, n);
  }
}

struct SEGMENT {
  int64_t ax, ay, bx, by, dx, dy, len2;
  SEGMENT(int64_t x1, int64_t y1, int64_t x2, int64_t y2)
      : ax(x1), ay(y1), bx(x2), by(y2), dx(x2 - x1), dy(y2 - y1), len2(dx * dx + dy * dy) {}

  // Exactly: is pixel (x, y)'s centre within t/2 of the segment?
  bool within(int64_t x, int64_t y, int64_t t) const {
    const int64_t qx = x - ax, qy = y - ay;
    const int64_t proj = qx * dx + qy * dy;
    const int64_t t2 = t * t;
    if (len2 == 0 || proj <= 0) return 4 * (qx * qx + qy * qy) <= t2;
    if (proj >= len2) {
      const int64_t ex = x - bx, ey = y - by;
      return 4 * (ex * ex + ey * ey) <= t2;
    }
    const __int128 cross = static_cast<__int128>(qx) * dy - static_cast<__int128>(qy) * dx;
    return 4 * cross * cross <= static_cast<__int128>(t2) * len2;
  }

  double distance(int64_t x, int64_t y) const {
    const double qx = static_cast<double>(x - ax), qy = static_cast<double>(y - ay);
    if (len2 == 0) return std::sqrt(qx * qx + qy * qy);
    const double u = std::clamp((qx * dx + qy * dy) / static_cast<double>(len2), 0.0, 1.0);
    const double ex = qx - u * static_cast<double>(dx), ey = qy - u * static_cast<double>(dy);
    return std::sqrt(ex * ex + ey * ey);  // hypot's care for overflow costs 5x here
  }

  // Columns of row y that may lie within r of the segment: a little wider than
  // the truth (the band around the segment with square ends, plus a pixel).
  bool columns(int64_t y, double r, double& lo, double& hi) const {
    lo = -1e18;
    hi = 1e18;
    const double fy = static_cast<double>(y - ay);
    const double L = std::sqrt(static_cast<double>(len2));
    const double fdx = static_cast<double>(dx), fdy = static_cast<double>(dy);
    auto slab = [&](double coef, double offset, double a, double b) {
      // a <= coef * X + offset <= b, X = x - ax.
      if (coef == 0) {
        if (offset < a || offset > b) lo = 1e18;
        return;
      }
      double p = (a - offset) / coef, q = (b - offset) / coef;
      if (p > q) std::swap(p, q);
      lo = std::max(lo, p);
      hi = std::min(hi, q);
    };
    if (len2 == 0) {
      if (std::abs(fy) > r) return false;
      const double half = std::sqrt(r * r - fy * fy);
      lo = -half;
      hi = half;
    } else {
      slab(fdy, -fy * fdx, -r * L, r * L);                      // across the segment
      slab(fdx, fy * fdy, -r * L, static_cast<double>(len2) + r * L);  // along it
    }
    if (lo > hi) return false;
    lo += static_cast<double>(ax) - 1;
    hi += static_cast<double>(ax) + 1;
    return true;
  }
};

void thickline(CANVAS& c, const INK& ink, const SEGMENT& s, int64_t t) {
  const int64_t reach = t / 2 + 2;
  const int64_t y0 = std::max<int64_t>(std::min(s.ay, s.by) - reach, 0);
  const int64_t y1 = std::min<int64_t>(std::max(s.ay, s.by) + reach, c.H - 1);
  const double r = static_cast<double>(t) / 2 + 1;
  for (int64_t y = y0; y <= y1; ++y) {
    double lo, hi;
    if (!s.columns(y, r, lo, hi)) continue;
    if (hi < 0 || lo > c.W - 1) continue;
    int64_t l = std::max<int64_t>(static_cast<int64_t>(std::floor(lo)), 0);
    int64_t h = std::min<int64_t>(static_cast<int64_t>(std::ceil(hi)), c.W - 1);
    // The exact set is one run per row (the shape is convex): trim to it.
    while (l <= h && !s.within(l, y, t)) ++l;
    while (h >= l && !s.within(h, y, t)) --h;
    if (l <= h) hspan(c, ink, y, l, h);
  }
}

void smoothline(CANVAS& c, const INK& ink, const SEGMENT& s, int64_t t) {
  const double edge = static_cast<double>(t) / 2;
  const int64_t reach = t / 2 + 2;
  const int64_t y0 = std::max<int64_t>(std::min(s.ay, s.by) - reach, 0);
  const int64_t y1 = std::min<int64_t>(std::max(s.ay, s.by) + reach, c.H - 1);
  for (int64_t y = y0; y <= y1; ++y) {
    double lo, hi;
    if (!s.columns(y, edge + 1, lo, hi)) continue;
    if (hi < 0 || lo > c.W - 1) continue;
    const int64_t l = std::max<int64_t>(static_cast<int64_t>(std::floor(lo)), 0);
    const int64_t h = std::min<int64_t>(static_cast<int64_t>(std::ceil(hi)), c.W - 1);
    for (int64_t x = l; x <= h; ++x) cover(c, ink, y, x, edge + 0.5 - s.distance(x, y));
  }
}

// Coverage of a disc whose edge lies r + 1/2 from the centre.
double disccoverage(double d, int64_t r) { return std::clamp(static_cast<double>(r) + 1 - d, 0.0, 1.0); }

// Rings and discs: the pixels with inner < d^2 <= outer per row, exactly; for
// a disc inner is -1.
void circle(CANVAS& c, const INK& ink, int64_t cx, int64_t cy, int64_t r, int64_t t,
            bool filled) {
  if (r < 0) return;
  const int64_t ri = filled ? -1 : r - t;
  const int64_t y0 = std::max<int64_t>(cy - r, 0), y1 = std::min<int64_t>(cy + r, c.H - 1);
  for (int64_t y = y0; y <= y1; ++y) {
    const int64_t dy2 = (y - cy) * (y - cy);
    const int64_t outer = r * r + r - dy2;
    if (outer < 0) continue;
    const int64_t o = isqrt(outer);
    const int64_t inner = ri < 0 ? -1 : ri * ri + ri - dy2;
    if (inner < 0) {
      hspan(c, ink, y, cx - o, cx + o);
    } else {
      const int64_t i = isqrt(inner);
      hspan(c, ink, y, cx - o, cx - i - 1);
      hspan(c, ink, y, cx + i + 1, cx + o);
    }
  }
}

void smoothcircle(CANVAS& c, const INK& ink, int64_t cx, int64_t cy, int64_t r, int64_t t,
                  bool filled) {
  if (r < 0) return;
  const int64_t ri = filled ? -1 : r - t;
  const int64_t y0 = std::max<int64_t>(cy - r - 1, 0), y1 = std::min<int64_t>(cy + r + 1, c.H - 1);
  for (int64_t y = y0; y <= y1; ++y) {
    const int64_t dy2 = (y - cy) * (y - cy);
    // Coverage is above 0 while d < r + 1, and 1 while d <= r.
    const int64_t outer = (r + 1) * (r + 1) - 1 - dy2;
    if (outer < 0) continue;
    const int64_t o = isqrt(outer);
    int64_t solid = -1;  // |dx| <= solid: covered wholly by the outer disc
    if (r * r - dy2 >= 0) solid = isqrt(r * r - dy2);
    int64_t hole = -1;  // |dx| <= hole: covered wholly by the inner disc, so empty
    if (ri >= 0 && ri * ri - dy2 >= 0) hole = isqrt(ri * ri - dy2);
    const double fy = static_cast<double>(y - cy);
    auto at = [&](int64_t dx) {
      const double fx = static_cast<double>(dx);
      const double d = std::sqrt(fx * fx + fy * fy);
      double k = disccoverage(d, r);
      if (ri >= 0) k -= disccoverage(d, ri);
      cover(c, ink, y, cx + dx, k);
    };
    if (ri < 0 && solid >= 0) {
      hspan(c, ink, y, cx - solid, cx + solid);
      for (int64_t dx = solid + 1; dx <= o; ++dx) {
        at(dx);
        at(-dx);
      }
      continue;
    }
    // Visit only the columns inside the canvas, outside the hole.
    const int64_t lo = std::max<int64_t>(-o, -cx), hi = std::min<int64_t>(o, c.W - 1 - cx);
    for (int64_t dx = lo; dx <= hi; ++dx) {
      if (dx >= -hole && dx <= hole) {
        dx = hole;
        continue;
      }
      at(dx);
    }
  }
}

int64_t thickness(int32_t t) { return std::min<int64_t>(t, MAXTHICKNESS); }

}  // namespace

void CLEAR(const BITMAP& TARGET, uint32_t CLR) {
  CANVAS c(TARGET);
  if (!c.OK()) return;
  const INK ink(CLR, RASTEROP::GXPSET, nullptr, nullptr);
  fillrect(c, ink, 0, 0, c.W, c.H);
}

void BITMAP::CLEAR(uint32_t CLR) const { GRAPHICS::CLEAR(*this, CLR); }

void FILLRECT(const BITMAP& TARGET, int32_t X, int32_t Y, int32_t W, int32_t H, uint32_t CLR,
              RASTEROP METHOD, BLENDFUNC CUSTOMBLENDER, void* PARAM) {
  const INK ink(CLR, METHOD, CUSTOMBLENDER, PARAM);
  if (!ink.VISIBLE() || W < 1 || H < 1) return;
  CANVAS c(TARGET);
  if (!c.OK()) return;
  fillrect(c, ink, X, Y, W, H);
}

void RECT(const BITMAP& TARGET, int32_t X, int32_t Y, int32_t W, int32_t H, uint32_t CLR,
          int32_t THICKNESS, RASTEROP METHOD, BLENDFUNC CUSTOMBLENDER, void* PARAM) {
  const INK ink(CLR, METHOD, CUSTOMBLENDER, PARAM);
  if (!ink.VISIBLE() || W < 1 || H < 1 || THICKNESS < 1) return;
  CANVAS c(TARGET);
  if (!c.OK()) return;
  const int64_t x = X, y = Y, w = W, h = H, t = THICKNESS;
  if (2 * t >= w || 2 * t >= h) {
    fillrect(c, ink, x, y, w, h);
    return;
  }
  fillrect(c, ink, x, y, w, t);                  // top
  fillrect(c, ink, x, y + h - t, w, t);          // bottom
  fillrect(c, ink, x, y + t, t, h - 2 * t);      // left
  fillrect(c, ink, x + w - t, y + t, t, h - 2 * t);  // right
}

void LINE(const BITMAP& TARGET, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, uint32_t CLR,
          int32_t THICKNESS, BOOLEAN ANTIALIAS, RASTEROP METHOD, BLENDFUNC CUSTOMBLENDER,
          void* PARAM) {
  const INK ink(CLR, METHOD, CUSTOMBLENDER, PARAM);
  if (!ink.VISIBLE() || THICKNESS < 1) return;
  CANVAS c(TARGET);
  if (!c.OK()) return;
  const int64_t t = thickness(THICKNESS);
  const SEGMENT s(coord(X1), coord(Y1), coord(X2), coord(Y2));
  if (ANTIALIAS)
    smoothline(c, ink, s, t);
  else if (t == 1)
    thinline(c, ink, s.ax, s.ay, s.bx, s.by);
  else
    thickline(c, ink, s, t);
}

void CIRCLE(const BITMAP& TARGET, int32_t X, int32_t Y, int32_t R, uint32_t CLR,
            int32_t THICKNESS, BOOLEAN ANTIALIAS, RASTEROP METHOD, BLENDFUNC CUSTOMBLENDER,
            void* PARAM) {
  const INK ink(CLR, METHOD, CUSTOMBLENDER, PARAM);
  if (!ink.VISIBLE() || THICKNESS < 1 || R < 0) return;
  CANVAS c(TARGET);
  if (!c.OK()) return;
  const int64_t r = std::min<int64_t>(R, LIMIT);
  if (ANTIALIAS)
    smoothcircle(c, ink, coord(X), coord(Y), r, THICKNESS, false);
  else
    circle(c, ink, coord(X), coord(Y), r, THICKNESS, false);
}

void FILLCIRCLE(const BITMAP& TARGET, int32_t X, int32_t Y, int32_t R, uint32_t CLR,
                BOOLEAN ANTIALIAS, RASTEROP METHOD, BLENDFUNC CUSTOMBLENDER, void* PARAM) {
  const INK ink(CLR, METHOD, CUSTOMBLENDER, PARAM);
  if (!ink.VISIBLE() || R < 0) return;
  CANVAS c(TARGET);
  if (!c.OK()) return;
  const int64_t r = std::min<int64_t>(R, LIMIT);
  if (ANTIALIAS)
    smoothcircle(c, ink, coord(X), coord(Y), r, 1, true);
  else
    circle(c, ink, coord(X), coord(Y), r, 1, true);
}

}  // namespace ZARVO::GRAPHICS
