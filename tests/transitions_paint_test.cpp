// Each effect's paint at its start, middle and end values, compared pixel by
// pixel with pictures built here from the per-pixel rules, on noisy pictures
// with mask colours and every kind of alpha.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "support/screen.hpp"
#include "zarvo/transitions/effectkit.hpp"
#include "zarvo/transitions/fade.hpp"
#include "zarvo/transitions/hstripes.hpp"
#include "zarvo/transitions/slidein.hpp"
#include "zarvo/transitions/slideout.hpp"
#include "zarvo/transitions/transitions.hpp"
#include "zarvo/transitions/vstripes.hpp"
#include "zarvo/transitions/zoomin.hpp"
#include "zarvo/transitions/zoomout.hpp"

using namespace ZARVO;
using namespace ZARVO::ENGINE;
using namespace ZARVO::ENGINE::TRANSITION;
using GRAPHICS::BITMAP;
using RUNTIME::ROW32;

namespace {

struct PIC {
  int w = 0, h = 0;
  std::vector<uint32_t> p;
  uint32_t& at(int x, int y) { return p[static_cast<size_t>(y) * w + x]; }
  bool in(int x, int y) const { return x >= 0 && y >= 0 && x < w && y < h; }
};

PIC read(const BITMAP& b) {
  PIC r{static_cast<int>(b.WIDTH()), static_cast<int>(b.HEIGHT()), {}};
  for (int y = 0; y < r.h; ++y)
    for (int x = 0; x < r.w; ++x) r.p.push_back(ROW32(b.HANDLE(), y)[x]);
  return r;
}

void noise(BITMAP& b, int w, int h, uint32_t seed) {
  b.CREATE(w, h, 0, 32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) ROW32(b.HANDLE(), y)[x] = TESTS::NOISE(seed);
}

// d + floor((s - d) * k / 256) for each byte.
uint32_t mix(uint32_t s, uint32_t d, int k) {
  uint32_t out = 0;
  for (int c = 0; c < 32; c += 8) {
    const int sc = (s >> c) & 255, dc = (d >> c) & 255;
    out |= static_cast<uint32_t>(dc + static_cast<int>(std::floor((sc - dc) * k / 256.0))) << c;
  }
  return out;
}
bool ismask(uint32_t p) { return (p & 0xFFFFFFu) == 0xFF00FFu; }
int away(double v) {
  return static_cast<int>(std::round(static_cast<double>(static_cast<float>(v))));
}
int halfeven(double v) {
  const double f = std::floor(v), d = v - f;
  if (d != 0.5) return static_cast<int>(d < 0.5 ? f : f + 1);
  return static_cast<int>(std::fmod(f, 2.0) == 0 ? f : f + 1);
}

// Source drawn opaquely, or by its own alpha, at (x, y) into e.
void put(PIC& e, PIC& s, int x, int y, bool alpha) {
  for (int r = 0; r < s.h; ++r)
    for (int c = 0; c < s.w; ++c)
      if (e.in(x + c, y + r)) {
        uint32_t& d = e.at(x + c, y + r);
        d = alpha ? mix(s.at(c, r), d, s.at(c, r) >> 24) : s.at(c, r);
      }
}

// The zooms' rule, one sampled pixel at a time, column by column.
void zoom(PIC& e, PIC& s, double X, double Y, double BW, double BH) {
  const double xs = s.w / BW, ys = s.h / BH;
  for (int i = 0; i <= halfeven(BW - 1); ++i)
    for (int j = 0; j <= halfeven(BH - 1); ++j)
      if (e.in(away(X + i), away(Y + j)))
        e.at(away(X + i), away(Y + j)) =
            s.at(static_cast<int>(std::floor(i * xs)), static_cast<int>(std::floor(j * ys)));
}

BITMAP dest;
// Paints with the given values over fresh noise and returns the result and
// the noise it started from.
PIC painted(EFFECT::ANIMATION* a, std::vector<double> v, void (*onpaint)(BITMAP&), PIC* before) {
  noise(dest, static_cast<int>(NEWBITMAP.WIDTH()), static_cast<int>(NEWBITMAP.HEIGHT()), 99);
  *before = read(dest);
  for (size_t i = 0; i < v.size(); ++i) a->VALUE(static_cast<int32_t>(i + 1), v[i]);
  onpaint(dest);
  return read(dest);
}

void pictures(int w, int h) {
  TESTS::OPENSCREEN(640, 480);
  noise(OLDBITMAP, w, h, 1);
  noise(NEWBITMAP, w, h, 2);
}

#define EXPECT_PIC(got, want)                                                          \
  do {                                                                                 \
    size_t bad = 0;                                                                    \
    while (bad < (want).p.size() && (got).p[bad] == (want).p[bad]) ++bad;              \
    EXPECT_EQ(bad, (want).p.size())                                                    \
        << "first difference at (" << bad % (want).w << ", " << bad / (want).w << ")"; \
  } while (0)

}  // namespace

TEST(TransitionPaint, FadeBlendsByRoundedClampedOpacity) {
  pictures(640, 480);
  FADEEFFECT::INIT(EFFECT::EASING::LINEAR, 1.0f);
  PIC oldp = read(OLDBITMAP), newp = read(NEWBITMAP), before;
  // 127.5 rounds to the even 128; past either end the opacity holds.
  const std::vector<std::pair<double, int>> cases = {
      {0, 0}, {127.5, 128}, {255, 255}, {300, 255}, {-7, 0}};
  for (auto [v, A] : cases) {
    PIC got = painted(FADEEFFECT::ANIM, {v}, FADEEFFECT::ONPAINT, &before), want = oldp;
    for (size_t i = 0; i < want.p.size(); ++i)
      if (A > 0 && !ismask(newp.p[i])) want.p[i] = mix(newp.p[i], want.p[i], A + 1);
    EXPECT_PIC(got, want);
  }
}

TEST(TransitionPaint, StripesSlideFromAlternateSides) {
  for (int h : {480, 485}) {
    pictures(640, h);
    HSTRIPESEFFECT::INIT(EFFECT::EASING::LINEAR, 1.0f);
    EXPECT_EQ(HSTRIPESEFFECT::NUMSTRIPES, h == 480 ? 48 : 49);
    EXPECT_EQ(HSTRIPESEFFECT::ANIM->STARTVALUE(), -640.0);
    PIC oldp = read(OLDBITMAP), newp = read(NEWBITMAP), before;
    for (double V : {-640.0, -319.5, 0.0}) {
      PIC got = painted(HSTRIPESEFFECT::ANIM, {V}, HSTRIPESEFFECT::ONPAINT, &before), want = before;
      put(want, oldp, 0, 0, true);
      for (int I = 0; I * 10 < h; ++I) {
        const int x = away(I % 2 ? V : -V);
        for (int r = 10 * I; r < 10 * I + 10 && r < h; ++r)
          for (int c = 0; c < 640; ++c)
            if (want.in(x + c, r)) want.at(x + c, r) = newp.at(c, r);
      }
      EXPECT_PIC(got, want);
    }
  }
}

TEST(TransitionPaint, VerticalStripesIncludingANarrowLastOne) {
  for (auto [w, h] : std::vector<std::pair<int, int>>{{640, 480}, {32, 24}}) {
    pictures(w, h);
    VSTRIPESEFFECT::INIT(EFFECT::EASING::LINEAR, 1.0f);
    EXPECT_EQ(VSTRIPESEFFECT::NUMSTRIPES, w == 640 ? 64 : 4);
    PIC oldp = read(OLDBITMAP), newp = read(NEWBITMAP), before;
    for (double V : {-static_cast<double>(h), -h / 2.0 + 0.5, 0.0}) {
      PIC got = painted(VSTRIPESEFFECT::ANIM, {V}, VSTRIPESEFFECT::ONPAINT, &before), want = before;
      put(want, oldp, 0, 0, true);
      for (int I = 0; I * 10 < w; ++I) {
        const int y = away(I % 2 ? V : -V);
        for (int c = 10 * I; c < 10 * I + 10 && c < w; ++c)
          for (int r = 0; r < h; ++r)
            if (want.in(c, y + r)) want.at(c, y + r) = newp.at(c, r);
      }
      EXPECT_PIC(got, want);
    }
  }
}

TEST(TransitionPaint, SlidesFromAllEightSides) {
  pictures(640, 480);
  const int sx[8] = {-1, 1, 0, 0, -1, 1, -1, 1}, sy[8] = {0, 0, -1, 1, -1, -1, 1, 1};
  PIC oldp = read(OLDBITMAP), newp = read(NEWBITMAP), before;
  for (int d = 0; d < 8; ++d) {
    DIRECTION = static_cast<TRANSITIONDIRECTION>(d);
    SLIDEINEFFECT::INIT(EFFECT::EASING::LINEAR, 1.0f);
    SLIDEOUTEFFECT::INIT(EFFECT::EASING::LINEAR, 1.0f);
    const double x0 = 640.0 * sx[d], y0 = 480.0 * sy[d];
    EXPECT_EQ(SLIDEINEFFECT::ANIM->STARTVALUE(1), x0);
    EXPECT_EQ(SLIDEINEFFECT::ANIM->STARTVALUE(2), y0);
    EXPECT_EQ(SLIDEOUTEFFECT::ANIM->ENDVALUE(1), -x0);
    EXPECT_EQ(SLIDEOUTEFFECT::ANIM->ENDVALUE(2), -y0);
    // Middle values sit on halves with an even neighbour: 320.5 paints at 320.
    for (double f : {1.0, 0.5, 0.0}) {
      const double x = x0 * f + (f == 0.5 ? 0.5 * sx[d] : 0);
      const double y = y0 * f + (f == 0.5 ? 0.5 * sy[d] : 0);
      PIC got = painted(SLIDEINEFFECT::ANIM, {x, y}, SLIDEINEFFECT::ONPAINT, &before), want = oldp;
      put(want, newp, halfeven(x), halfeven(y), false);
      EXPECT_PIC(got, want);
      got = painted(SLIDEOUTEFFECT::ANIM, {-x, -y}, SLIDEOUTEFFECT::ONPAINT, &before), want = newp;
      put(want, oldp, halfeven(-x), halfeven(-y), false);
      EXPECT_PIC(got, want);
    }
  }
}

TEST(TransitionPaint, ZoomInFromACentreBoxToTheWholeScreen) {
  pictures(640, 480);
  ZOOMINEFFECT::INIT(EFFECT::EASING::LINEAR, 1.0f);
  PIC oldp = read(OLDBITMAP), newp = read(NEWBITMAP), before;
  const std::vector<std::vector<double>> cases = {{319, 239, 2, 2},
                                                  {100.25, 50.5, 320.7, 240.3},
                                                  {0, 0, 640, 480},
                                                  {-32.5, -24.5, 705, 529},
                                                  {5, 5, 0.49, 40},
                                                  // single precision skips column 128
                                                  {127.499995, 50, 100, 60}};
  for (const auto& v : cases) {
    PIC got = painted(ZOOMINEFFECT::ANIM, v, ZOOMINEFFECT::ONPAINT, &before), want = before;
    put(want, oldp, 0, 0, true);
    zoom(want, newp, v[0], v[1], v[2], v[3]);
    EXPECT_PIC(got, want);
    if (v[2] == 2) {
      EXPECT_EQ(got.at(319, 239), newp.at(0, 0));
      EXPECT_EQ(got.at(320, 239), newp.at(320, 0));
      EXPECT_EQ(got.at(319, 240), newp.at(0, 240));
      EXPECT_EQ(got.at(320, 240), newp.at(320, 240));
    }
  }
  for (int i = 1; i <= 4; ++i) EXPECT_EQ(ZOOMINEFFECT::ANIM->STARTVALUE(i), cases[0][i - 1]);
}

TEST(TransitionPaint, ZoomOutToACentreBoxAndOntoTheScreen) {
  pictures(640, 480);
  ZOOMOUTEFFECT::INIT(EFFECT::EASING::LINEAR, 1.0f);
  PIC oldp = read(OLDBITMAP), newp = read(NEWBITMAP), before;
  const double end[4] = {319, 239, 2, 2};
  for (int i = 1; i <= 4; ++i) EXPECT_EQ(ZOOMOUTEFFECT::ANIM->ENDVALUE(i), end[i - 1]);
  const std::vector<std::vector<double>> cases = {
      {0, 0, 640, 480}, {160.5, 120.5, 319.3, 239.7}, {319, 239, 2, 2}};
  for (const auto& v : cases) {
    PIC got = painted(ZOOMOUTEFFECT::ANIM, v, ZOOMOUTEFFECT::ONPAINT, &before), want = before;
    put(want, newp, 0, 0, true);
    zoom(want, oldp, v[0], v[1], v[2], v[3]);
    EXPECT_PIC(got, want);
  }
  // The engine paints onto the screen through an empty bitmap.
  BITMAP screen;
  const auto* sp = reinterpret_cast<const uint8_t*>(RUNTIME::SCREENPTR());
  PIC want{640, 480, {}};
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x)
      want.p.push_back(reinterpret_cast<const uint32_t*>(sp + y * RUNTIME::SCREENPITCH())[x]);
  ZOOMOUTEFFECT::ANIM->VALUE(3, 100.4);
  ZOOMOUTEFFECT::ONPAINT(screen);
  put(want, newp, 0, 0, true);
  zoom(want, oldp, 319, 239, 100.4, 2);
  PIC got{640, 480, std::vector<uint32_t>(HEADLESS::FRAME(), HEADLESS::FRAME() + 640 * 480)};
  EXPECT_PIC(got, want);
}

namespace {

void fill(BITMAP& b, const PIC& p) {
  b.CREATE(p.w, p.h, 0, 32);
  for (int y = 0; y < p.h; ++y)
    for (int x = 0; x < p.w; ++x) ROW32(b.HANDLE(), y)[x] = p.p[static_cast<size_t>(y) * p.w + x];
}

struct EFFECTRUN {
  const char* name;
  void (*init)(EFFECT::EASING, float);
  BOOLEAN (*onframe)(float);
  void (*onpaint)(BITMAP&);
  EFFECT::ANIMATION** anim;
  std::vector<double> start, end;
};

}  // namespace

// Each effect driven by the clock: its first frame shows the outgoing picture,
// halfway through every value is midway, and on time it ends on the incoming
// picture. Only the zooms keep a 2 x 2 box of the other picture at the centre.
TEST(TransitionPaint, EveryEffectRunsFromTheOldPictureToTheNewOnTime) {
  pictures(640, 480);
  PIC oldp = read(OLDBITMAP), newp = read(NEWBITMAP);
  // Mask colours would let the fade show the old picture through at its end.
  for (PIC* p : {&oldp, &newp})
    for (uint32_t& px : p->p)
      if (ismask(px)) px ^= 1;
  fill(OLDBITMAP, oldp);
  fill(NEWBITMAP, newp);
  DIRECTION = TRANSITIONDIRECTION::FROMTOPLEFT;
  const std::vector<EFFECTRUN> runs = {
      {"fade", FADEEFFECT::INIT, FADEEFFECT::ONFRAME, FADEEFFECT::ONPAINT, &FADEEFFECT::ANIM,
       {0}, {255}},
      {"slide in", SLIDEINEFFECT::INIT, SLIDEINEFFECT::ONFRAME, SLIDEINEFFECT::ONPAINT,
       &SLIDEINEFFECT::ANIM, {-640, -480}, {0, 0}},
      {"slide out", SLIDEOUTEFFECT::INIT, SLIDEOUTEFFECT::ONFRAME, SLIDEOUTEFFECT::ONPAINT,
       &SLIDEOUTEFFECT::ANIM, {0, 0}, {640, 480}},
      {"zoom in", ZOOMINEFFECT::INIT, ZOOMINEFFECT::ONFRAME, ZOOMINEFFECT::ONPAINT,
       &ZOOMINEFFECT::ANIM, {319, 239, 2, 2}, {0, 0, 640, 480}},
      {"zoom out", ZOOMOUTEFFECT::INIT, ZOOMOUTEFFECT::ONFRAME, ZOOMOUTEFFECT::ONPAINT,
       &ZOOMOUTEFFECT::ANIM, {0, 0, 640, 480}, {319, 239, 2, 2}},
      {"horizontal stripes", HSTRIPESEFFECT::INIT, HSTRIPESEFFECT::ONFRAME,
       HSTRIPESEFFECT::ONPAINT, &HSTRIPESEFFECT::ANIM, {-640}, {0}},
      {"vertical stripes", VSTRIPESEFFECT::INIT, VSTRIPESEFFECT::ONFRAME,
       VSTRIPESEFFECT::ONPAINT, &VSTRIPESEFFECT::ANIM, {-480}, {0}},
  };
  // The zooms' 2 x 2 box samples the picture's four quarters.
  auto centrebox = [](PIC& want, PIC& from) {
    want.at(319, 239) = from.at(0, 0);
    want.at(320, 239) = from.at(320, 0);
    want.at(319, 240) = from.at(0, 240);
    want.at(320, 240) = from.at(320, 240);
  };
  for (const EFFECTRUN& r : runs) {
    SCOPED_TRACE(r.name);
    HEADLESS::SETTIME(10.0);
    r.init(EFFECT::EASING::LINEAR, 1.0f);
    EFFECT::ANIMATION* a = *r.anim;
    ASSERT_NE(a, nullptr);
    ASSERT_EQ(a->INUMVALUES, static_cast<int32_t>(r.start.size()));
    for (int32_t i = 1; i <= a->INUMVALUES; ++i) EXPECT_EQ(a->VALUE(i), r.start[i - 1]) << i;
    fill(dest, oldp);
    r.onpaint(dest);
    PIC want = oldp;
    if (r.init == ZOOMINEFFECT::INIT) centrebox(want, newp);
    PIC got = read(dest);
    EXPECT_PIC(got, want);

    HEADLESS::SETTIME(10.5);
    a->ONFRAME();
    for (int32_t i = 1; i <= a->INUMVALUES; ++i)
      EXPECT_EQ(a->VALUE(i), (r.start[i - 1] + r.end[i - 1]) / 2) << i;
    EXPECT_EQ(r.onframe(0), FALSE);

    HEADLESS::SETTIME(11.0);
    a->ONFRAME();
    EXPECT_EQ(a->TARGETREACHED(), TRUE);
    for (int32_t i = 1; i <= a->INUMVALUES; ++i) EXPECT_EQ(a->VALUE(i), r.end[i - 1]) << i;
    fill(dest, newp);
    r.onpaint(dest);
    want = newp;
    if (r.init == ZOOMOUTEFFECT::INIT) centrebox(want, oldp);
    got = read(dest);
    EXPECT_PIC(got, want);
    EXPECT_EQ(r.onframe(0), TRUE);
    EXPECT_EQ(*r.anim, nullptr) << "done frees the animation";
  }
}

// The scaler with pictures one pixel across, down or both, into boxes larger
// and smaller than they are; an empty picture, or a box far out of reach,
// draws nothing.
TEST(TransitionPaint, ScalerTakesOnePixelPicturesAndEmptyOnes) {
  TESTS::OPENSCREEN(640, 480);
  const std::vector<std::vector<double>> boxes = {
      {2, 3, 1, 1}, {2, 3, 7, 5}, {2, 3, 3, 3}, {-1.5, 2, 12, 0.6}, {5, 0, 1, 20}, {0, 0, 16, 16}};
  uint32_t seed = 40;
  for (auto [w, h] : std::vector<std::pair<int, int>>{{1, 1}, {1, 9}, {9, 1}}) {
    BITMAP src;
    noise(src, w, h, seed++);
    PIC srcp = read(src);
    for (const auto& b : boxes) {
      noise(dest, 16, 16, seed++);
      PIC want = read(dest);
      zoom(want, srcp, b[0], b[1], b[2], b[3]);
      TRANSITION::DETAIL::SCALEINTO(dest, src, b[0], b[1], b[2], b[3]);
      SCOPED_TRACE(testing::Message() << w << "x" << h << " into " << b[2] << "x" << b[3]);
      const PIC got = read(dest);
      EXPECT_PIC(got, want);
    }
  }
  BITMAP empty, one;
  noise(dest, 16, 16, seed);
  const PIC before = read(dest);
  TRANSITION::DETAIL::SCALEINTO(dest, empty, 0, 0, 16, 16);
  // Nor does a box too far off for any index to be counted.
  noise(one, 1, 1, seed);
  TRANSITION::DETAIL::SCALEINTO(dest, one, -1e20, 0, 16, 16);
  TRANSITION::DETAIL::SCALEINTO(dest, one, 0, -1e20, 16, 16);
  TRANSITION::DETAIL::COLUMNSTRIPES(dest, empty, 0);
  const PIC after = read(dest);
  EXPECT_PIC(after, before);
}

// Captures that could not be made leave empty pictures: every effect then
// paints nothing, at any value.
TEST(TransitionPaint, EveryEffectPaintsNothingFromEmptyPictures) {
  TESTS::OPENSCREEN(640, 480);
  OLDBITMAP.DESTROY();
  NEWBITMAP.DESTROY();
  struct RUN {
    void (*init)(EFFECT::EASING, float);
    void (*onpaint)(BITMAP&);
    EFFECT::ANIMATION** anim;
  };
  const RUN runs[] = {
      {FADEEFFECT::INIT, FADEEFFECT::ONPAINT, &FADEEFFECT::ANIM},
      {SLIDEINEFFECT::INIT, SLIDEINEFFECT::ONPAINT, &SLIDEINEFFECT::ANIM},
      {SLIDEOUTEFFECT::INIT, SLIDEOUTEFFECT::ONPAINT, &SLIDEOUTEFFECT::ANIM},
      {ZOOMINEFFECT::INIT, ZOOMINEFFECT::ONPAINT, &ZOOMINEFFECT::ANIM},
      {ZOOMOUTEFFECT::INIT, ZOOMOUTEFFECT::ONPAINT, &ZOOMOUTEFFECT::ANIM},
      {HSTRIPESEFFECT::INIT, HSTRIPESEFFECT::ONPAINT, &HSTRIPESEFFECT::ANIM},
      {VSTRIPESEFFECT::INIT, VSTRIPESEFFECT::ONPAINT, &VSTRIPESEFFECT::ANIM},
  };
  for (const RUN& r : runs) {
    r.init(EFFECT::EASING::LINEAR, 1.0f);
    for (double v : {0.0, 100.0, -50.0}) {
      noise(dest, 16, 16, 5);
      const PIC before = read(dest);
      for (int32_t i = 1; i <= (*r.anim)->INUMVALUES; ++i) (*r.anim)->VALUE(i, v);
      r.onpaint(dest);
      const PIC after = read(dest);
      EXPECT_PIC(after, before);
    }
  }
}
