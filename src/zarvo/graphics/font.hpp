#pragma once
// FONT: a TrueType or OpenType face (through FreeType) at one pixel size,
// drawing UTF-8 text onto a bitmap or, through an empty bitmap, the screen.
//
// Layout. (X, Y) is the top-left corner of the first line: its baseline lies
// ASCENT() pixels below Y, and each '\n' starts a new line LINEHEIGHT() pixels
// further down at X. '\r' and the other control characters below 0x20 draw
// nothing and do not advance. Glyphs are hinted; the pen moves by each glyph's
// advance plus the kerning of the pair (the face's kerning table), in 1/64
// pixel steps.
//
// Drawing. Each glyph pixel is the colour with its alpha scaled by the glyph's
// coverage (0 .. 255, rounded), copied where that is opaque and alpha-blended
// (the image put's ALPHA rule) elsewhere. Targets behave as for the shapes
// (shapes.hpp): nothing is drawn while no screen exists, and the screen lock is
// taken around the pixel work unless the caller holds it.
//
// Measuring. TEXTWIDTH is the widest line's pen advance rounded up to whole
// pixels (advances, not ink: a trailing space counts); TEXTHEIGHT is
// LINEHEIGHT() times the number of lines (the count of '\n' plus one), 0 for
// an empty string.
//
// Bad input. A missing, unreadable or corrupt face fails the load (FALSE, and
// the font stays empty: it draws nothing and measures 0); so does a size below
// 1 or above MAXFONTSIZE. Invalid UTF-8 (stray or missing continuation bytes,
// overlong forms, surrogates, values above U+10FFFF) draws U+FFFD, one per
// maximal invalid sequence; a character the face lacks draws its .notdef
// glyph. Null or empty text draws nothing. Glyphs whose box is absurdly large
// for the size (a damaged face) are kept but not drawn.
//
// Cache. Each glyph is rendered once per font and size and kept until the
// font is loaded again or destroyed; a font keeps the caches of its last few
// sizes. Failures are reported through RUNTIME::DIAGNOSTIC.
#include <cstdint>
#include <memory>

#include "zarvo/graphics/bitmap.hpp"
#include "zarvo/types.hpp"

namespace ZARVO::GRAPHICS {

// The largest pixel size a font accepts.
inline constexpr int32_t MAXFONTSIZE = 1024;

// The face used when no file is named: DejaVu Sans (Debian's fonts-dejavu-core)
// at its known location, else what fontconfig matches for "DejaVu Sans".
// Empty when there is none.
const char* DEFAULTFONTFILE();

struct FONT {
  // Empty: draws nothing, measures 0.
  FONT();
  // The default face at SIZE.
  explicit FONT(int32_t SIZE);
  // Loaded from a file (null or "" for the default face) or from memory.
  explicit FONT(const char* FILENAME, int32_t SIZE = 16);
  FONT(const void* MEM, int32_t BYTES, int32_t SIZE = 16);
  FONT(FONT&& other) noexcept;
  FONT& operator=(FONT&& other) noexcept;
  FONT(const FONT&) = delete;
  FONT& operator=(const FONT&) = delete;
  ~FONT();

  // A failed load leaves the font empty.
  BOOLEAN LOADFROMFILE(const char* FILENAME, int32_t SIZE = 16);
  // The bytes are copied; MEM may be released after the call.
  BOOLEAN LOADFROMMEMORY(const void* MEM, int32_t BYTES, int32_t SIZE = 16);
  // Unloads; LOADED tells whether a face is loaded.
  void DESTROY();
  BOOLEAN LOADED() const;

  // The pixel size (the em height). Setting one from 1 to MAXFONTSIZE that
  // the face supports switches to it; any other value changes nothing.
  int32_t SIZE() const;
  void SIZE(int32_t PX);
  // From the baseline up to the top of the line, and from one baseline to the next.
  int32_t ASCENT() const;
  int32_t LINEHEIGHT() const;

  // Draws UTF-8 TEXT with its first line's top-left at (X, Y); an empty
  // TARGET is the screen.
  void DRAWTEXT(const BITMAP& TARGET, int32_t X, int32_t Y, const char* TEXT,
                uint32_t CLR) const;
  // The size TEXT takes (see Measuring above).
  int32_t TEXTWIDTH(const char* TEXT) const;
  int32_t TEXTHEIGHT(const char* TEXT) const;

  struct FACE;

 private:
  std::unique_ptr<FACE> IFACE;
};

}  // namespace ZARVO::GRAPHICS
