// Draws the demo's artwork and writes it as PNG files: four 640x480
// backgrounds, each showing its screen number, a grey arrow button with soft
// edges (the demo tints it), and a mouse cursor. Everything is computed, so
// the output is the same on every run.
//
// Usage: make_artwork OUTPUT_DIR
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct RGBA {
  double r, g, b, a;
};

struct CANVAS {
  int w, h;
  std::vector<RGBA> px;
  CANVAS(int w_, int h_, RGBA fill) : w(w_), h(h_), px(static_cast<size_t>(w_) * h_, fill) {}
  RGBA& at(int x, int y) { return px[static_cast<size_t>(y) * w + x]; }
  // Source-over with coverage c (0..1).
  void blend(int x, int y, RGBA c, double cover) {
    if (x < 0 || y < 0 || x >= w || y >= h || cover <= 0) return;
    RGBA& d = at(x, y);
    const double a = c.a * std::min(1.0, cover);
    const double oa = a + d.a * (1 - a);
    if (oa <= 0) return;
    d.r = (c.r * a + d.r * d.a * (1 - a)) / oa;
    d.g = (c.g * a + d.g * d.a * (1 - a)) / oa;
    d.b = (c.b * a + d.b * d.a * (1 - a)) / oa;
    d.a = oa;
  }
};

// ---- PNG writer (RGBA, 8 bits, no interlace) ----

void be32(std::vector<uint8_t>& v, uint32_t x) {
  for (int s = 24; s >= 0; s -= 8) v.push_back(static_cast<uint8_t>(x >> s));
}

void chunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
  be32(out, static_cast<uint32_t>(data.size()));
  std::vector<uint8_t> td(type, type + 4);
  td.insert(td.end(), data.begin(), data.end());
  out.insert(out.end(), td.begin(), td.end());
  be32(out, static_cast<uint32_t>(crc32(0, td.data(), static_cast<uInt>(td.size()))));
}

uint8_t to8(double v) { return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255)); }

bool writepng(const std::string& path, CANVAS& c) {
  std::vector<uint8_t> raw;
  for (int y = 0; y < c.h; ++y) {
    raw.push_back(0);
    for (int x = 0; x < c.w; ++x) {
      const RGBA& p = c.at(x, y);
      raw.push_back(to8(p.r));
      raw.push_back(to8(p.g));
      raw.push_back(to8(p.b));
      raw.push_back(to8(p.a));
    }
  }
  uLongf zlen = compressBound(static_cast<uLong>(raw.size()));
  std::vector<uint8_t> z(zlen);
  if (compress2(z.data(), &zlen, raw.data(), static_cast<uLong>(raw.size()), 9) != Z_OK)
    return false;
  z.resize(zlen);
  std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  std::vector<uint8_t> ihdr;
  be32(ihdr, static_cast<uint32_t>(c.w));
  be32(ihdr, static_cast<uint32_t>(c.h));
  ihdr.insert(ihdr.end(), {8, 6, 0, 0, 0});
  chunk(out, "IHDR", ihdr);
  chunk(out, "IDAT", z);
  chunk(out, "IEND", {});
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
  return std::fclose(f) == 0 && ok;
}

// ---- Shapes, anti-aliased by distance ----

struct PT {
  double x, y;
};

double segdist(PT p, PT a, PT b) {
  const double vx = b.x - a.x, vy = b.y - a.y;
  const double wx = p.x - a.x, wy = p.y - a.y;
  const double l2 = vx * vx + vy * vy;
  const double t = l2 > 0 ? std::clamp((wx * vx + wy * vy) / l2, 0.0, 1.0) : 0.0;
  const double dx = wx - t * vx, dy = wy - t * vy;
  return std::sqrt(dx * dx + dy * dy);
}

// Signed distance to a polygon (negative inside).
double polydist(PT p, const std::vector<PT>& poly) {
  double d = 1e9;
  bool inside = false;
  for (size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
    d = std::min(d, segdist(p, poly[j], poly[i]));
    if ((poly[i].y > p.y) != (poly[j].y > p.y) &&
        p.x < (poly[j].x - poly[i].x) * (p.y - poly[i].y) / (poly[j].y - poly[i].y) + poly[i].x)
      inside = !inside;
  }
  return inside ? -d : d;
}

// Coverage of a pixel centre at signed distance d.
double cover(double d) { return std::clamp(0.5 - d, 0.0, 1.0); }

// A polyline of strokes for each digit, in a 0..1 x 0..1.6 box.
std::vector<std::vector<PT>> digit(int n) {
  auto arc = [](double cx, double cy, double r, double a0, double a1, int steps) {
    std::vector<PT> v;
    for (int i = 0; i <= steps; ++i) {
      const double a = a0 + (a1 - a0) * i / steps;
      v.push_back({cx + r * std::cos(a), cy + r * std::sin(a)});
    }
    return v;
  };
  const double pi = 3.14159265358979323846;
  switch (n) {
    case 1: return {{{0.25, 0.35}, {0.55, 0.05}, {0.55, 1.55}}, {{0.25, 1.55}, {0.85, 1.55}}};
    case 2: {
      auto top = arc(0.5, 0.42, 0.36, -pi, 0.25 * pi, 24);
      top.push_back({0.12, 1.55});
      top.push_back({0.9, 1.55});
      return {top};
    }
    case 3: {
      auto a = arc(0.48, 0.42, 0.34, -0.9 * pi, 0.5 * pi, 24);
      auto b = arc(0.48, 1.15, 0.39, -0.5 * pi, 0.9 * pi, 24);
      return {a, b};
    }
    default:
      return {{{0.7, 1.55}, {0.7, 0.05}, {0.08, 1.1}, {0.95, 1.1}}};
  }
}

void drawdigit(CANVAS& c, int n, double x0, double y0, double size, double width, RGBA col) {
  const auto strokes = digit(n);
  const int x1 = static_cast<int>(x0 - width), x2 = static_cast<int>(x0 + size + width);
  const int y1 = static_cast<int>(y0 - width), y2 = static_cast<int>(y0 + 1.6 * size + width);
  for (int y = std::max(0, y1); y <= std::min(c.h - 1, y2); ++y)
    for (int x = std::max(0, x1); x <= std::min(c.w - 1, x2); ++x) {
      const PT p{(x + 0.5 - x0) / size, (y + 0.5 - y0) / size};
      double d = 1e9;
      for (const auto& s : strokes)
        for (size_t i = 1; i < s.size(); ++i) d = std::min(d, segdist(p, s[i - 1], s[i]));
      c.blend(x, y, col, cover(d * size - width / 2));
    }
}

void disc(CANVAS& c, double cx, double cy, double r, RGBA col) {
  for (int y = std::max(0, static_cast<int>(cy - r - 1)); y <= std::min(c.h - 1, static_cast<int>(cy + r + 1)); ++y)
    for (int x = std::max(0, static_cast<int>(cx - r - 1)); x <= std::min(c.w - 1, static_cast<int>(cx + r + 1)); ++x) {
      const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy) - r;
      c.blend(x, y, col, cover(d));
    }
}

RGBA mix(RGBA a, RGBA b, double t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, 1};
}

// A small fixed random sequence for the decorations.
struct LCG {
  uint32_t s;
  double next() {
    s = s * 1664525u + 1013904223u;
    return (s >> 8) / 16777216.0;
  }
};

void background(const std::string& dir, int n) {
  // Each screen has its own pair of colours.
  const RGBA tops[4] = {{0.10, 0.22, 0.45, 1}, {0.35, 0.10, 0.40, 1}, {0.05, 0.35, 0.30, 1},
                        {0.45, 0.20, 0.08, 1}};
  const RGBA bottoms[4] = {{0.02, 0.05, 0.15, 1}, {0.10, 0.02, 0.12, 1}, {0.01, 0.10, 0.08, 1},
                           {0.14, 0.04, 0.02, 1}};
  const RGBA glows[4] = {{0.45, 0.75, 1.00, 1}, {1.00, 0.55, 0.85, 1}, {0.45, 1.00, 0.75, 1},
                         {1.00, 0.75, 0.35, 1}};
  CANVAS c(640, 480, {0, 0, 0, 1});
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x) {
      const double t = y / 479.0;
      const double v = 0.5 + 0.5 * std::sin(x / 640.0 * 3.14159 * (1.0 + 0.3 * n));
      c.at(x, y) = mix(mix(tops[n - 1], bottoms[n - 1], t), glows[n - 1], 0.06 * v * (1 - t));
    }
  LCG rnd{static_cast<uint32_t>(n * 7919)};
  for (int i = 0; i < 40; ++i) {
    RGBA g = glows[n - 1];
    g.a = 0.04 + 0.10 * rnd.next();
    disc(c, rnd.next() * 640, rnd.next() * 480, 8 + 60 * rnd.next(), g);
  }
  // A panel behind the number.
  for (int y = 120; y < 400; ++y)
    for (int x = 220; x < 420; ++x) {
      const double d = polydist({x + 0.5, y + 0.5}, {{230, 130}, {410, 130}, {410, 390}, {230, 390}}) - 10;
      c.blend(x, y, {1, 1, 1, 0.08}, cover(d));
    }
  // The screen number: a soft shadow, then the digit.
  drawdigit(c, n, 266 + 6, 140 + 8, 110, 30, {0, 0, 0, 0.45});
  RGBA g = glows[n - 1];
  drawdigit(c, n, 266, 140, 110, 30, mix(g, {1, 1, 1, 1}, 0.55));
  writepng(dir + "/background" + std::to_string(n) + ".png", c);
}

// A grey right-pointing arrow, lighter at the top, with soft edges.
void button(const std::string& dir) {
  const int w = 64, h = 41;
  CANVAS c(w, h, {0, 0, 0, 0});
  const std::vector<PT> arrow = {{3, 12}, {34, 12}, {34, 2.5}, {61, 20.5}, {34, 38.5}, {34, 29}, {3, 29}};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const PT p{x + 0.5, y + 0.5};
      const double d = polydist(p, arrow);
      const double shade = 0.92 - 0.45 * (y / static_cast<double>(h));
      const double rim = std::clamp(1.0 + d / 2.5, 0.0, 1.0);  // darker rim inside the edge
      const double v = shade * (1 - 0.35 * rim);
      c.blend(x, y, {v, v, v, 1}, cover(d));
    }
  writepng(dir + "/button.png", c);
}

// An arrow pointer whose tip is the image's top-left corner.
void cursor(const std::string& dir) {
  const int w = 20, h = 26;
  CANVAS c(w, h, {0, 0, 0, 0});
  const std::vector<PT> shape = {{0.5, 0.5}, {0.5, 20}, {5.5, 15.5}, {9, 23.5}, {12.5, 22}, {9, 14.5}, {15.5, 14.5}};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const double d = polydist({x + 0.5, y + 0.5}, shape);
      c.blend(x + 1, y + 1, {0, 0, 0, 0.35}, cover(d - 0.5));  // shadow
    }
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const double d = polydist({x + 0.5, y + 0.5}, shape);
      c.blend(x, y, {0.05, 0.05, 0.08, 1}, cover(d));
      c.blend(x, y, {1, 1, 1, 1}, cover(d + 1.3));
    }
  writepng(dir + "/cursor.png", c);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_artwork OUTPUT_DIR\n");
    return 2;
  }
  const std::string dir = argv[1];
  for (int n = 1; n <= 4; ++n) background(dir, n);
  button(dir);
  cursor(dir);
  return 0;
}
