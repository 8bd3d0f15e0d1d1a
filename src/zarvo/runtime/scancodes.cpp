#include "zarvo/runtime/scancodes.hpp"

#include <cstring>

namespace ZARVO::RUNTIME {
namespace {

// Usages 0x00..0x65, in order.
constexpr uint8_t SETONE[] = {
    0,    0,    0,    0,    0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17, 0x24,
    0x25, 0x26, 0x32, 0x31, 0x18, 0x19, 0x10, 0x13, 0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D,
    0x15, 0x2C, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x1C, 0x01,
    0x0E, 0x0F, 0x39, 0x0C, 0x0D, 0x1A, 0x1B, 0x2B, 0x2B, 0x27, 0x28, 0x29, 0x33, 0x34,
    0x35, 0x3A, 0x3B, 0x3C, 0x3D, 0x3E, 0x3F, 0x40, 0x41, 0x42, 0x43, 0x44, 0x57, 0x58,
    0x37, 0x46, 0x45, 0x52, 0x47, 0x49, 0x53, 0x4F, 0x51, 0x4D, 0x4B, 0x50, 0x48, 0x45,
    0x35, 0x37, 0x4A, 0x4E, 0x1C, 0x4F, 0x50, 0x51, 0x4B, 0x4C, 0x4D, 0x47, 0x48, 0x49,
    0x52, 0x53, 0x56, 0x5D};

// The modifier usages 0xE0..0xE7: left control, shift, alt, meta, then the right ones.
constexpr uint8_t MODIFIERS[] = {0x1D, 0x2A, 0x38, 0x5B, 0x1D, 0x36, 0x38, 0x5C};

struct NAMEDKEY {
  const char* code;
  uint8_t usage;
};

// Browser key codes that are not letters, digits or function keys; the names
// are those of the UI Events code list, which follows the USB usages.
constexpr NAMEDKEY NAMED[] = {
    {"Enter", 0x28},          {"Escape", 0x29},        {"Backspace", 0x2A},
    {"Tab", 0x2B},            {"Space", 0x2C},         {"Minus", 0x2D},
    {"Equal", 0x2E},          {"BracketLeft", 0x2F},   {"BracketRight", 0x30},
    {"Backslash", 0x31},      {"IntlHash", 0x32},      {"Semicolon", 0x33},
    {"Quote", 0x34},          {"Backquote", 0x35},     {"Comma", 0x36},
    {"Period", 0x37},         {"Slash", 0x38},         {"CapsLock", 0x39},
    {"PrintScreen", 0x46},    {"ScrollLock", 0x47},    {"Pause", 0x48},
    {"Insert", 0x49},         {"Home", 0x4A},          {"PageUp", 0x4B},
    {"Delete", 0x4C},         {"End", 0x4D},           {"PageDown", 0x4E},
    {"ArrowRight", 0x4F},     {"ArrowLeft", 0x50},     {"ArrowDown", 0x51},
    {"ArrowUp", 0x52},        {"NumLock", 0x53},       {"NumpadDivide", 0x54},
    {"NumpadMultiply", 0x55}, {"NumpadSubtract", 0x56}, {"NumpadAdd", 0x57},
    {"NumpadEnter", 0x58},    {"NumpadDecimal", 0x63}, {"IntlBackslash", 0x64},
    {"ContextMenu", 0x65},    {"ControlLeft", 0xE0},   {"ShiftLeft", 0xE1},
    {"AltLeft", 0xE2},        {"MetaLeft", 0xE3},      {"OSLeft", 0xE3},
    {"ControlRight", 0xE4},   {"ShiftRight", 0xE5},    {"AltRight", 0xE6},
    {"MetaRight", 0xE7},      {"OSRight", 0xE7},
};

bool startswith(const char* s, const char* prefix, size_t n) { return std::strncmp(s, prefix, n) == 0; }

// The number after a prefix, when the rest is one or two decimal digits.
int smallnumber(const char* s) {
  if (s[0] < '0' || s[0] > '9') return -1;
  if (s[1] == 0) return s[0] - '0';
  if (s[1] < '0' || s[1] > '9' || s[2] != 0) return -1;
  return (s[0] - '0') * 10 + (s[1] - '0');
}

int32_t usageofcode(const char* code) {
  if (startswith(code, "Key", 3) && code[3] >= 'A' && code[3] <= 'Z' && code[4] == 0)
    return 0x04 + (code[3] - 'A');
  if (startswith(code, "Digit", 5)) {
    const int d = smallnumber(code + 5);
    if (d >= 1 && d <= 9) return 0x1E + (d - 1);
    if (d == 0) return 0x27;
    return 0;
  }
  if (startswith(code, "Numpad", 6)) {
    const int d = smallnumber(code + 6);
    if (d >= 1 && d <= 9) return 0x59 + (d - 1);
    if (d == 0) return 0x62;
  }
  if (code[0] == 'F') {
    const int f = smallnumber(code + 1);
    if (f >= 1 && f <= 12) return 0x3A + (f - 1);
    if (f > 12) return 0;
  }
  for (const NAMEDKEY& k : NAMED)
    if (std::strcmp(code, k.code) == 0) return k.usage;
  return 0;
}

}  // namespace

int32_t SETONEFROMUSB(int32_t usage) {
  if (usage >= 0 && usage < static_cast<int32_t>(sizeof SETONE)) return SETONE[usage];
  if (usage >= 0xE0 && usage <= 0xE7) return MODIFIERS[usage - 0xE0];
  return 0;
}

int32_t SETONEFROMKEYCODE(const char* code) {
  if (!code) return 0;
  return SETONEFROMUSB(usageofcode(code));
}

}  // namespace ZARVO::RUNTIME
