// libFuzzer target for the font loader: every input is loaded as a face at a
// size taken from its first byte, measured, and drawn (ASCII, multi-byte and
// broken UTF-8) onto a small headless screen, partly off its edges. Whatever
// loads must measure and draw without a sanitizer report.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "zarvo/graphics/font.hpp"
#include "zarvo/runtime/headless/headless.hpp"
#include "zarvo/runtime/runtime.hpp"

namespace {

namespace G = ZARVO::GRAPHICS;

void CHECK(bool ok) {
  if (!ok) std::abort();
}

const char* const TEXTS[] = {"Hello, AV To\nWa 0123", "\xE2\x82\xAC \xC3\xA9 \xF0\x9F\x98\x80",
                             "\xFF\xC0\xAF\xED\xA0\x80 \xE2\x82", ""};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool open = [] {
    ZARVO::HEADLESS::USE();
    return ZARVO::RUNTIME::SCREENMODE(48, 32, 32, 1, 0, 0);
  }();
  CHECK(open);
  if (size < 2 || size > 0x7FFFFFFF) return 0;
  const int32_t px = 1 + data[0] % 48;
  G::FONT font(data + 1, static_cast<int32_t>(size - 1), px);
  if (!font.LOADED()) {
    CHECK(font.TEXTWIDTH("x") == 0 && font.TEXTHEIGHT("x") == 0);
    return 0;
  }
  CHECK(font.SIZE() == px && font.LINEHEIGHT() >= 1);
  const G::BITMAP screen;  // empty: the screen
  for (const char* t : TEXTS) {
    CHECK(font.TEXTWIDTH(t) >= 0);
    CHECK(font.TEXTHEIGHT(t) >= 0);
    font.DRAWTEXT(screen, 2, 1, t, 0xFFFFFFFFu);
    font.DRAWTEXT(screen, -7, 20, t, 0x80FF8040u);
  }
  font.SIZE(px + 7);
  font.DRAWTEXT(screen, 30, -4, TEXTS[0], 0xFF00FF00u);
  return 0;
}
