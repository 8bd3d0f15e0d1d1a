#include "zarvo/transitions/effectkit.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "zarvo/engine.hpp"
#include "zarvo/runtime/image.hpp"
#include "zarvo/runtime/runtime.hpp"

namespace ZARVO::ENGINE::TRANSITION::DETAIL {

BOOLEAN FRAMESTEP(EFFECT::ANIMATION*& ANIM) {
  REPAINT();
  if (!ANIM) return TRUE;
  if (!ANIM->TARGETREACHED()) return FALSE;
  delete ANIM;
  ANIM = nullptr;
  return TRUE;
}

EFFECT::ANIMATION* NEWANIMATION(EFFECT::ANIMATION*& ANIM, int32_t NUMVALUES) {
  delete ANIM;
  ANIM = new (std::nothrow) EFFECT::ANIMATION(NUMVALUES);
  return ANIM;
}

namespace {

// The image put's reading of a position: single precision, then the nearest
// integer with halves away from zero.
int64_t putposition(double v) {
  double r = std::round(static_cast<double>(static_cast<float>(v)));
  r = std::clamp(r, -1e12, 1e12);
  return static_cast<int64_t>(r);
}

// One axis of the box: for every index k that lands inside the target, where
// it lands and which source line it samples, in increasing k.
struct AXIS {
  std::vector<int32_t> dst;
  std::vector<int32_t> src;
};

void mapaxis(double start, double extent, uint32_t srcsize, int64_t targetsize, AXIS& a) {
  a.dst.clear();
  a.src.clear();
  if (!std::isfinite(start) || std::isnan(extent) || srcsize == 0 || targetsize <= 0) return;
  const double last = std::nearbyint(std::min(extent - 1, 4e9));
  if (last < 0) return;  // an extent below 0.5 samples nothing
  const double scale = static_cast<double>(srcsize) / extent;
  // Only indices within a pixel of the target can land on it; this keeps the
  // work bounded by the target's size however far the box reaches.
  const double lo = std::max(0.0, std::floor(-start - 1));
  const double hi = std::min(last, std::ceil(static_cast<double>(targetsize) - start + 1));
  if (!(lo <= hi)) return;
  for (int64_t k = static_cast<int64_t>(lo), end = static_cast<int64_t>(hi); k <= end; ++k) {
    const double kd = static_cast<double>(k);
    const int64_t d = putposition(start + kd);
    if (d < 0 || d >= targetsize) continue;
    // The put clamps its source rectangle into the picture.
    const double s = std::clamp(std::floor(kd * scale), 0.0, static_cast<double>(srcsize - 1));
    try {
      a.dst.push_back(static_cast<int32_t>(d));
      a.src.push_back(static_cast<int32_t>(s));
    } catch (...) {  // out of memory: the box is not drawn
      a.dst.clear();
      a.src.clear();
      return;
    }
  }
}

// Kept between paints so a running zoom allocates nothing per frame.
AXIS columns, rows;

// Where a paint lands: the pixels of DEST's image, or the screen for an empty
// DEST, as the image put resolves its target. Holds the screen lock while it
// lives unless the caller already does, and marks the rows it was told of.
class TARGETROWS {
 public:
  explicit TARGETROWS(const GRAPHICS::BITMAP& DEST) {
    uint32_t* screen = RUNTIME::SCREENPIXELS();
    if (!screen) return;
    RUNTIME::IMAGE* img = DEST.HANDLE();
    if (img) {
      if (img->BPP != 4) return;
      pix = RUNTIME::PIXELS(img);
      pitch = img->PITCH;
      w = img->WIDTH;
      h = img->HEIGHT;
    } else {
      pix = reinterpret_cast<uint8_t*>(screen);
      pitch = static_cast<size_t>(RUNTIME::SCREENPITCH());
      w = RUNTIME::SCREENWIDTH();
      h = RUNTIME::SCREENHEIGHT();
      isscreen = true;
    }
    took = !RUNTIME::SCREENLOCKED();
    if (took) RUNTIME::SCREENLOCK();
  }
  ~TARGETROWS() {
    if (isscreen && first <= last)
      RUNTIME::SCREENDIRTY(static_cast<int32_t>(first), static_cast<int32_t>(last));
    if (took) RUNTIME::SCREENUNLOCK(-1, -1);
  }
  TARGETROWS(const TARGETROWS&) = delete;
  TARGETROWS& operator=(const TARGETROWS&) = delete;

  bool ok() const { return pix != nullptr; }
  uint32_t* row(int64_t y) {
    first = std::min(first, y);
    last = std::max(last, y);
    return reinterpret_cast<uint32_t*>(pix + static_cast<size_t>(y) * pitch);
  }
  int64_t w = 0, h = 0;

 private:
  uint8_t* pix = nullptr;
  size_t pitch = 0;
  bool isscreen = false;
  bool took = false;
  int64_t first = INT64_MAX, last = -1;
};

}  // namespace

void COLUMNSTRIPES(const GRAPHICS::BITMAP& DEST, const GRAPHICS::BITMAP& SRC, double V) {
  const RUNTIME::IMAGE* src = SRC.HANDLE();
  if (!src || src->BPP != 4 || std::isnan(V)) return;
  TARGETROWS t(DEST);
  if (!t.ok()) return;
  // Odd columns land at V, even ones at -V, as the put places them.
  const int64_t yodd = putposition(V), yeven = putposition(-V);
  const int64_t sw = src->WIDTH, sh = src->HEIGHT;
  const int64_t width = std::min(sw, t.w);  // columns past the target are dropped
  for (int64_t ty = 0; ty < t.h; ++ty) {
    const int64_t re = ty - yeven, ro = ty - yodd;
    const bool ve = re >= 0 && re < sh, vo = ro >= 0 && ro < sh;
    if (!ve && !vo) continue;
    uint32_t* d = t.row(ty);
    if (ve && vo && re == ro) {
      std::memcpy(d, RUNTIME::ROW32(src, static_cast<uint32_t>(re)),
                  static_cast<size_t>(width) * 4);
      continue;
    }
    // The columns never overlap, so their order does not matter: even ones
    // first, then odd ones.
    for (int64_t first = 0; first < 20; first += 10) {
      const int64_t r = first == 0 ? re : ro;
      if (!(first == 0 ? ve : vo)) continue;
      const uint32_t* s = RUNTIME::ROW32(src, static_cast<uint32_t>(r));
      for (int64_t left = first; left < width; left += 20) {
        if (width - left >= 10)
          std::memcpy(d + left, s + left, 40);  // a fixed size the compiler inlines
        else
          std::memcpy(d + left, s + left, static_cast<size_t>(width - left) * 4);
      }
    }
  }
}

void SCALEINTO(const GRAPHICS::BITMAP& DEST, const GRAPHICS::BITMAP& SRC, double X, double Y,
               double BW, double BH) {
  const RUNTIME::IMAGE* src = SRC.HANDLE();
  if (!src || src->BPP != 4) return;
  TARGETROWS t(DEST);
  if (!t.ok()) return;
  const int64_t tw = t.w, th = t.h;
  mapaxis(X, BW, src->WIDTH, tw, columns);
  mapaxis(Y, BH, src->HEIGHT, th, rows);
  if (columns.dst.empty() || rows.dst.empty()) return;

  // Per pixel, the last write to a target pixel comes from the largest column
  // and row indices that land there, whichever loop is outside; so rows can
  // be done whole. Landing places only ever step by one except in rare
  // single-precision corner cases, which take the general path.
  const size_t n = columns.dst.size();
  const int32_t* dx = columns.dst.data();
  const int32_t* sx = columns.src.data();
  bool dstrun = true, srcrun = true;
  for (size_t k = 1; k < n; ++k) {
    dstrun = dstrun && dx[k] == dx[k - 1] + 1;
    srcrun = srcrun && sx[k] == sx[k - 1] + 1;
  }

  const uint32_t* lastsrc = nullptr;
  const uint32_t* lastout = nullptr;
  for (size_t r = 0; r < rows.dst.size(); ++r) {
    uint32_t* row = t.row(rows.dst[r]);
    const uint32_t* s = RUNTIME::ROW32(src, static_cast<uint32_t>(rows.src[r]));
    if (!dstrun) {
      for (size_t k = 0; k < n; ++k) row[dx[k]] = s[sx[k]];
      continue;
    }
    uint32_t* out = row + dx[0];
    if (s == lastsrc) {
      // A box taller than the picture repeats source rows: copy the row just made.
      if (out != lastout) std::memcpy(out, lastout, n * 4);
    } else if (srcrun) {
      std::memcpy(out, s + sx[0], n * 4);
    } else {
      for (size_t k = 0; k < n; ++k) out[k] = s[sx[k]];
    }
    lastsrc = s;
    lastout = out;
  }
}

int32_t STRIPESINIT(EFFECT::ANIMATION*& ANIM, uint32_t ACROSS, uint32_t ALONG,
                    EFFECT::EASING EASING, float DURATION) {
  EFFECT::ANIMATION* a = NEWANIMATION(ANIM, 1);
  if (!a) return 0;  // out of memory: no animation, so the switch is at once
  a->STARTVALUE(-static_cast<double>(ALONG));
  a->ENDVALUE(0.0);
  a->PLAY(static_cast<double>(DURATION), EASING);
  return static_cast<int32_t>(ACROSS / 10 + (ACROSS % 10 != 0 ? 1 : 0));
}

}  // namespace ZARVO::ENGINE::TRANSITION::DETAIL
