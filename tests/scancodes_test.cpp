#include "zarvo/runtime/scancodes.hpp"

#include <gtest/gtest.h>

#include <string>

#include "zarvo/runtime/backend.hpp"
#include "zarvo/runtime/runtime.hpp"

using namespace ZARVO::RUNTIME;

// The browser's key codes reach the same set-1 codes as the desktop's USB
// usages: whole keyboard rows in order, the extended keys, and the names a
// browser may send that we have no code for.
TEST(ScanCodes, BrowserCodesFollowTheKeyboardRows) {
  auto row = [](const char* letters, int32_t first) {
    for (int i = 0; letters[i]; ++i)
      EXPECT_EQ(SETONEFROMKEYCODE((std::string("Key") + letters[i]).c_str()), first + i)
          << letters[i];
  };
  row("QWERTYUIOP", 0x10);
  row("ASDFGHJKL", 0x1E);
  row("ZXCVBNM", 0x2C);
  for (int d = 1; d <= 9; ++d)
    EXPECT_EQ(SETONEFROMKEYCODE((std::string("Digit") += std::to_string(d)).c_str()), 1 + d);
  EXPECT_EQ(SETONEFROMKEYCODE("Digit0"), 0x0B);
  for (int f = 1; f <= 10; ++f)
    EXPECT_EQ(SETONEFROMKEYCODE((std::string("F") += std::to_string(f)).c_str()), 0x3A + f);
  EXPECT_EQ(SETONEFROMKEYCODE("F11"), 0x57);
  EXPECT_EQ(SETONEFROMKEYCODE("F12"), 0x58);

  const struct {
    const char* code;
    int32_t set1;
  } named[] = {{"Escape", 0x01},     {"Enter", 0x1C},      {"Space", 0x39},
               {"Backspace", 0x0E},  {"Tab", 0x0F},        {"Backquote", 0x29},
               {"ArrowUp", 0x48},    {"ArrowLeft", 0x4B},  {"ArrowRight", 0x4D},
               {"ArrowDown", 0x50},  {"Numpad7", 0x47},    {"Numpad0", 0x52},
               {"NumpadEnter", 0x1C}, {"ShiftLeft", 0x2A}, {"ShiftRight", 0x36},
               {"ControlRight", 0x1D}, {"AltLeft", 0x38},  {"MetaLeft", 0x5B},
               {"OSRight", 0x5C},    {"IntlBackslash", 0x56}};
  for (const auto& k : named) EXPECT_EQ(SETONEFROMKEYCODE(k.code), k.set1) << k.code;

  for (const char* unknown : {"", "Key", "KeyAB", "Keya", "Digit10", "Digit", "F0", "F13", "F1x",
                              "Fn", "Numpad", "Numpad10", "Unidentified"})
    EXPECT_EQ(SETONEFROMKEYCODE(unknown), 0) << unknown;
  EXPECT_EQ(SETONEFROMKEYCODE(nullptr), 0);

  // USB usages out of the table give nothing, the modifiers their codes.
  EXPECT_EQ(SETONEFROMUSB(-1), 0);
  EXPECT_EQ(SETONEFROMUSB(0x66), 0);
  EXPECT_EQ(SETONEFROMUSB(0xE0), 0x1D);
  EXPECT_EQ(SETONEFROMUSB(0xE7), 0x5C);
  EXPECT_EQ(SETONEFROMUSB(0xE8), 0);
}

// A backend this build lacks opens no window and says why.
TEST(BackendChoice, AMissingBackendFailsToOpen) {
#ifdef __EMSCRIPTEN__
  USEBACKEND(BACKEND::SDL2);
#else
  USEBACKEND(BACKEND::WEB);
#endif
  EXPECT_FALSE(SCREENMODE(64, 48, 32, 1, 0, 0));
  EXPECT_NE(std::string(SCREENERROR()).find("not part of this build"), std::string::npos);
  EXPECT_EQ(SCREENPTR(), nullptr);
  int32_t x = 0, y = 0, w = 0, b = 0, c = 0;
  GETMOUSE(&x, &y, &w, &b, &c);
  EXPECT_EQ(x, -1);
  EXPECT_EQ(SCREENLIST(32), 0u);
}
