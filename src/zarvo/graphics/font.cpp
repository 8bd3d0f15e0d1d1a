#include "zarvo/graphics/font.hpp"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#ifdef ZARVO_HAVE_FONTCONFIG
#include <fontconfig/fontconfig.h>
#endif

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <type_traits>
#include <unordered_map>
#include <vector>

#include "zarvo/graphics/canvas.hpp"
#include "zarvo/runtime/diagnostics.hpp"
#include "zarvo/runtime/pixelrows.hpp"

namespace ZARVO::GRAPHICS {
namespace {

struct LIBRARYDONE {
  void operator()(FT_Library l) const { FT_Done_FreeType(l); }
};
struct FACEDONE {
  void operator()(FT_Face f) const { FT_Done_Face(f); }
};
using LIBRARY = std::unique_ptr<std::remove_pointer_t<FT_Library>, LIBRARYDONE>;
using FTFACE = std::unique_ptr<std::remove_pointer_t<FT_Face>, FACEDONE>;

constexpr uint32_t REPLACEMENT = 0xFFFD;
constexpr size_t KEPTSIZES = 4;

struct GLYPH {
  int32_t left = 0, top = 0;  // bitmap corner from the pen on the baseline
  int32_t w = 0, h = 0;
  int64_t advance = 0;  // 1/64 pixel
  std::vector<uint8_t> coverage;  // w * h, row by row
};

// Everything that depends on the pixel size.
struct SIZECACHE {
  int32_t ascent = 0, lineheight = 1;
  uint64_t used = 0;
  std::unordered_map<uint32_t, GLYPH> glyphs;  // by glyph index
  std::unordered_map<uint64_t, int64_t> kerning;
  const GLYPH* ascii[128] = {};
};

int64_t floor64(int64_t v) { return v >= 0 ? v >> 6 : -((-v + 63) >> 6); }

// Next code point of UTF-8 text (p at a non-zero byte); invalid input gives
// U+FFFD for each maximal prefix of a valid sequence, or for a lone bad byte.
uint32_t nextcodepoint(const unsigned char*& p) {
  const unsigned c = *p++;
  if (c < 0x80) return c;
  int need;
  uint32_t cp;
  unsigned lo = 0x80, hi = 0xBF;
  if (c >= 0xC2 && c <= 0xDF) {
    need = 1;
    cp = c & 0x1F;
  } else if (c >= 0xE0 && c <= 0xEF) {
    need = 2;
    cp = c & 0x0F;
    if (c == 0xE0) lo = 0xA0;  // overlong
    if (c == 0xED) hi = 0x9F;  // surrogates
  } else if (c >= 0xF0 && c <= 0xF4) {
    need = 3;
    cp = c & 0x07;
    if (c == 0xF0) lo = 0x90;  // overlong
    if (c == 0xF4) hi = 0x8F;  // above U+10FFFF
  } else {
    return REPLACEMENT;
  }
  for (int i = 0; i < need; ++i) {
    const unsigned b = *p;  // the terminating zero never passes
    if (b < lo || b > hi) return REPLACEMENT;
    cp = (cp << 6) | (b & 0x3F);
    ++p;
    lo = 0x80;
    hi = 0xBF;
  }
  return cp;
}

bool readable(const char* path) {
  std::FILE* f = std::fopen(path, "rb");
  if (!f) return false;
  std::fclose(f);
  return true;
}

std::string finddefault() {
  static const char* const known[] = {
      "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
      "/usr/share/fonts/TTF/DejaVuSans.ttf",
      "/usr/share/fonts/dejavu/DejaVuSans.ttf",
  };
  for (const char* k : known)
    if (readable(k)) return k;
  std::string found;
#ifdef ZARVO_HAVE_FONTCONFIG
  if (FcConfig* cfg = FcInitLoadConfigAndFonts()) {
    if (FcPattern* pat = FcNameParse(reinterpret_cast<const FcChar8*>("DejaVu Sans"))) {
      FcConfigSubstitute(cfg, pat, FcMatchPattern);
      FcDefaultSubstitute(pat);
      FcResult result;
      if (FcPattern* match = FcFontMatch(cfg, pat, &result)) {
        FcChar8* file = nullptr;
        if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file &&
            readable(reinterpret_cast<const char*>(file)))
          found = reinterpret_cast<const char*>(file);
        FcPatternDestroy(match);
      }
      FcPatternDestroy(pat);
    }
    FcConfigDestroy(cfg);
  }
#endif
  return found;
}

}  // namespace

struct FONT::FACE {
  // Declared so the face goes before the bytes it reads and the library last.
  LIBRARY library;
  std::vector<uint8_t> bytes;
  FTFACE face;
  int32_t size = 0;
  uint64_t clock = 0;
  int32_t asciiindex[128];
  std::unordered_map<uint32_t, uint32_t> charindex;
  std::unordered_map<int32_t, SIZECACHE> caches;
  SIZECACHE* current = nullptr;

  FACE() { std::fill(asciiindex, asciiindex + 128, -1); }

  uint32_t glyphindex(uint32_t cp) {
    if (cp < 128 && asciiindex[cp] >= 0) return static_cast<uint32_t>(asciiindex[cp]);
    uint32_t index;
    if (cp >= 128) {
      auto it = charindex.find(cp);
      if (it != charindex.end()) return it->second;
    }
    index = FT_Get_Char_Index(face.get(), cp);  // 0, .notdef, when missing
    if (cp < 128)
      asciiindex[cp] = static_cast<int32_t>(index);
    else
      charindex.emplace(cp, index);
    return index;
  }

  // Makes PX the active size; false when the face cannot be set to it.
  bool usesize(int32_t px) {
    if (px < 1 || px > MAXFONTSIZE) return false;
    if (FT_Set_Pixel_Sizes(face.get(), 0, static_cast<FT_UInt>(px)) != 0) {
      // Leave the face at the size it had.
      if (size > 0) FT_Set_Pixel_Sizes(face.get(), 0, static_cast<FT_UInt>(size));
      return false;
    }
    size = px;
    auto it = caches.find(px);
    if (it == caches.end()) {
      if (caches.size() >= KEPTSIZES) {
        auto oldest = caches.begin();
        for (auto i = caches.begin(); i != caches.end(); ++i)
          if (i->second.used < oldest->second.used) oldest = i;
        caches.erase(oldest);
      }
      it = caches.emplace(px, SIZECACHE{}).first;
      const FT_Size_Metrics& m = face->size->metrics;
      const int64_t limit = int64_t{8} * px;
      it->second.ascent =
          static_cast<int32_t>(std::clamp<int64_t>(floor64(m.ascender + 63), -limit, limit));
      it->second.lineheight =
          static_cast<int32_t>(std::clamp<int64_t>(floor64(m.height + 32), 1, limit));
    }
    current = &it->second;
    current->used = ++clock;
    return true;
  }

  const GLYPH& glyph(uint32_t index) {
    auto it = current->glyphs.find(index);
    if (it != current->glyphs.end()) return it->second;
    GLYPH g;
    render(index, g);
    return current->glyphs.emplace(index, std::move(g)).first->second;
  }

  const GLYPH& glyphof(uint32_t cp) {
    if (cp < 128 && current->ascii[cp]) return *current->ascii[cp];
    const GLYPH& g = glyph(glyphindex(cp));
    if (cp < 128) current->ascii[cp] = &g;
    return g;
  }

  void render(uint32_t index, GLYPH& g) {
    FT_Face f = face.get();
    if (FT_Load_Glyph(f, index, FT_LOAD_DEFAULT) != 0) return;
    FT_GlyphSlot slot = f->glyph;
    const int64_t limit = int64_t{8} * size + 64;  // pixels, for box and advance
    g.advance = std::clamp<int64_t>(slot->advance.x, -limit * 64, limit * 64);
    if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
      // A damaged face can ask for enormous bitmaps; such glyphs stay blank.
      FT_BBox box;
      FT_Outline_Get_CBox(&slot->outline, &box);
      if ((box.xMax - box.xMin) / 64 > limit || (box.yMax - box.yMin) / 64 > limit) return;
    }
    if (slot->format != FT_GLYPH_FORMAT_BITMAP &&
        FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0)
      return;
    const FT_Bitmap& b = slot->bitmap;
    if (b.width == 0 || b.rows == 0 || b.width > limit || b.rows > limit) return;
    const bool gray = b.pixel_mode == FT_PIXEL_MODE_GRAY && b.num_grays == 256;
    const bool mono = b.pixel_mode == FT_PIXEL_MODE_MONO;
    if (!gray && !mono) return;
    g.w = static_cast<int32_t>(b.width);
    g.h = static_cast<int32_t>(b.rows);
    g.left = slot->bitmap_left;
    g.top = slot->bitmap_top;
    g.coverage.assign(static_cast<size_t>(g.w) * g.h, 0);
    for (int32_t y = 0; y < g.h; ++y) {
      // The pitch is negative for bottom-up bitmaps.
      const unsigned char* row = b.buffer + static_cast<ptrdiff_t>(y) * b.pitch;
      if (b.pitch < 0) row = b.buffer + static_cast<ptrdiff_t>(g.h - 1 - y) * -b.pitch;
      uint8_t* out = g.coverage.data() + static_cast<size_t>(y) * g.w;
      for (int32_t x = 0; x < g.w; ++x)
        out[x] = gray ? row[x] : ((row[x >> 3] >> (7 - (x & 7))) & 1 ? 255 : 0);
    }
  }

  int64_t kern(uint32_t left, uint32_t right) {
    if (!FT_HAS_KERNING(face.get()) || left == 0 || right == 0) return 0;
    const uint64_t key = (uint64_t{left} << 32) | right;
    auto it = current->kerning.find(key);
    if (it != current->kerning.end()) return it->second;
    FT_Vector v{0, 0};
    int64_t k = 0;
    if (FT_Get_Kerning(face.get(), left, right, FT_KERNING_DEFAULT, &v) == 0)
      k = std::clamp<int64_t>(v.x, int64_t{-64} * 8 * size, int64_t{64} * 8 * size);
    current->kerning.emplace(key, k);
    return k;
  }

  // Runs PLACE(glyph, pen x in 1/64 pixel, line) for each glyph of TEXT and
  // returns the widest line's advance in 1/64 pixel.
  template <typename F>
  int64_t layout(const char* text, F&& place) {
    int64_t pen = 0, widest = 0;
    int32_t line = 0;
    uint32_t previous = 0;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    while (*p) {
      const uint32_t cp = nextcodepoint(p);
      if (cp == '\n') {
        widest = std::max(widest, pen);
        pen = 0;
        previous = 0;
        ++line;
        continue;
      }
      if (cp < 0x20) continue;
      const uint32_t index = glyphindex(cp);
      pen += kern(previous, index);
      const GLYPH& g = cp < 128 ? glyphof(cp) : glyph(index);
      place(g, pen, line);
      pen += g.advance;
      previous = index;
    }
    return std::max(widest, pen);
  }
};

const char* DEFAULTFONTFILE() {
  static const std::string path = [] {
    try {
      return finddefault();
    } catch (...) {
      return std::string();
    }
  }();
  return path.c_str();
}

FONT::FONT() = default;
FONT::FONT(int32_t SIZE) { LOADFROMFILE(nullptr, SIZE); }
FONT::FONT(const char* FILENAME, int32_t SIZE) { LOADFROMFILE(FILENAME, SIZE); }
FONT::FONT(const void* MEM, int32_t BYTES, int32_t SIZE) { LOADFROMMEMORY(MEM, BYTES, SIZE); }
FONT::FONT(FONT&& other) noexcept = default;
FONT& FONT::operator=(FONT&& other) noexcept = default;
FONT::~FONT() = default;

void FONT::DESTROY() { IFACE.reset(); }

BOOLEAN FONT::LOADED() const { return TOBOOLEAN(IFACE != nullptr); }

namespace {

// Opens a face from a file (path) or from bytes already held by the state.
std::unique_ptr<FONT::FACE> openface(const char* path, std::vector<uint8_t>&& bytes,
                                      int32_t size, const char* what) {
  if (size < 1 || size > MAXFONTSIZE) {
    RUNTIME::DIAGNOSTIC("font %s: size %d is outside 1..%d", what, size, MAXFONTSIZE);
    return nullptr;
  }
  auto st = std::make_unique<FONT::FACE>();
  FT_Library lib = nullptr;
  if (FT_Init_FreeType(&lib) != 0) {
    RUNTIME::DIAGNOSTIC("font %s: FreeType could not start", what);
    return nullptr;
  }
  st->library.reset(lib);
  st->bytes = std::move(bytes);
  FT_Face face = nullptr;
  FT_Error err;
  if (path)
    err = FT_New_Face(lib, path, 0, &face);
  else
    err = FT_New_Memory_Face(lib, st->bytes.data(), static_cast<FT_Long>(st->bytes.size()), 0,
                             &face);
  if (err != 0 || !face) {
    RUNTIME::DIAGNOSTIC("font %s: not a readable font face (FreeType error %d)", what,
                        static_cast<int>(err));
    return nullptr;
  }
  st->face.reset(face);
  if (!st->usesize(size)) {
    RUNTIME::DIAGNOSTIC("font %s: the face has no size %d", what, size);
    return nullptr;
  }
  return st;
}

}  // namespace

BOOLEAN FONT::LOADFROMFILE(const char* FILENAME, int32_t SIZE) {
  IFACE.reset();
  try {
    std::string path = FILENAME ? FILENAME : "";
    if (path.empty()) {
      path = DEFAULTFONTFILE();
      if (path.empty()) {
        RUNTIME::DIAGNOSTIC(
            "font: no default face found (install fonts-dejavu-core, or name a font file)");
        return FALSE;
      }
    }
    IFACE = openface(path.c_str(), {}, SIZE, path.c_str());
  } catch (...) {
    RUNTIME::DIAGNOSTIC("font: out of memory");
    IFACE.reset();
  }
  return LOADED();
}

BOOLEAN FONT::LOADFROMMEMORY(const void* MEM, int32_t BYTES, int32_t SIZE) {
  IFACE.reset();
  if (!MEM || BYTES < 1) {
    RUNTIME::DIAGNOSTIC("font in memory: no data");
    return FALSE;
  }
  try {
    const uint8_t* p = static_cast<const uint8_t*>(MEM);
    IFACE = openface(nullptr, std::vector<uint8_t>(p, p + BYTES), SIZE, "in memory");
  } catch (...) {
    RUNTIME::DIAGNOSTIC("font in memory: out of memory");
    IFACE.reset();
  }
  return LOADED();
}

int32_t FONT::SIZE() const { return IFACE ? IFACE->size : 0; }

void FONT::SIZE(int32_t PX) {
  if (!IFACE || PX == IFACE->size) return;
  try {
    IFACE->usesize(PX);
  } catch (...) {
    IFACE.reset();  // a cache could not be made: nothing sound is left
  }
}

int32_t FONT::ASCENT() const { return IFACE ? IFACE->current->ascent : 0; }
int32_t FONT::LINEHEIGHT() const { return IFACE ? IFACE->current->lineheight : 0; }

int32_t FONT::TEXTWIDTH(const char* TEXT) const {
  if (!IFACE || !TEXT) return 0;
  try {
    const int64_t w = IFACE->layout(TEXT, [](const GLYPH&, int64_t, int32_t) {});
    return static_cast<int32_t>(std::clamp<int64_t>(floor64(w + 63), 0, 0x7FFFFFFF));
  } catch (...) {
    return 0;
  }
}

int32_t FONT::TEXTHEIGHT(const char* TEXT) const {
  if (!IFACE || !TEXT || !*TEXT) return 0;
  int64_t lines = 1;
  for (const char* p = TEXT; *p; ++p) lines += *p == '\n';
  return static_cast<int32_t>(
      std::min<int64_t>(lines * IFACE->current->lineheight, 0x7FFFFFFF));
}

void FONT::DRAWTEXT(const BITMAP& TARGET, int32_t X, int32_t Y, const char* TEXT,
                    uint32_t CLR) const {
  if (!IFACE || !TEXT || !*TEXT || (CLR >> 24) == 0) return;
  CANVAS c(TARGET);
  if (!c.OK()) return;
  // Alpha of each coverage value; 255 means an opaque copy.
  const uint32_t alpha = CLR >> 24;
  uint8_t scale[256];
  for (uint32_t k = 0; k < 256; ++k) scale[k] = static_cast<uint8_t>((alpha * k + 127) / 255);
  const uint32_t rgb = CLR & 0x00FFFFFFu;
  const int64_t ascent = IFACE->current->ascent, lineheight = IFACE->current->lineheight;
  try {
    IFACE->layout(TEXT, [&](const GLYPH& g, int64_t pen, int32_t line) {
      if (g.w == 0) return;
      const int64_t gx = int64_t{X} + floor64(pen) + g.left;
      const int64_t gy = int64_t{Y} + line * lineheight + ascent - g.top;
      const int64_t x0 = std::max<int64_t>(gx, 0), x1 = std::min<int64_t>(gx + g.w, c.W);
      const int64_t y0 = std::max<int64_t>(gy, 0), y1 = std::min<int64_t>(gy + g.h, c.H);
      if (x0 >= x1 || y0 >= y1) return;
      for (int64_t y = y0; y < y1; ++y) {
        const uint8_t* cov = g.coverage.data() + (y - gy) * g.w + (x0 - gx);
        uint32_t* d = c.ROW(static_cast<int32_t>(y)) + x0;
        const int64_t n = x1 - x0;
        for (int64_t i = 0; i < n; ++i) {
          const uint32_t a = scale[cov[i]];
          if (a == 255)
            d[i] = CLR;
          else if (a != 0)
            d[i] = RUNTIME::ALPHAPIXEL(rgb | (a << 24), d[i]);
        }
      }
      c.TOUCH(static_cast<int32_t>(y0), static_cast<int32_t>(y1 - 1));
    });
  } catch (...) {
    // A glyph could not be cached: what was drawn stays.
  }
}

}  // namespace ZARVO::GRAPHICS
