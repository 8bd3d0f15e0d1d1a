// The browser backend: the screen is a 2D canvas (id "canvas") of the page,
// input comes from the page's DOM events, the timer is performance.now and a
// delay hands control back to the browser through emscripten_sleep, so the
// program must be linked with -sASYNCIFY. This is the only file that sees
// emscripten.
//
// What a browser cannot do, and what happens instead:
// - warping the pointer and clipping it to the window: SETMOUSE only shows or
//   hides the pointer over the canvas; get-mouse reports clip 0;
// - full screen without a user gesture: a request made at open waits for the
//   next key or button press on the page (Alt+Enter toggles it, unless the
//   flags forbid switching);
// - closing the tab cannot be turned into a close request: the page simply
//   goes away;
// - a double click arrives after the second release (the browser's dblclick),
//   not right after the second press as on the desktop.
#include <emscripten.h>
#include <emscripten/html5.h>

#include <cstring>
#include <deque>
#include <vector>

#include "zarvo/runtime/backend.hpp"
#include "zarvo/runtime/scancodes.hpp"

namespace ZARVO::RUNTIME {
namespace {

constexpr const char* CANVAS = "#canvas";

struct STATE {
  bool open = false;
  int32_t w = 0, h = 0;
  int32_t flags = 0;
  std::deque<EVENT> queue;
  std::vector<uint32_t> rgba;  // rows converted for ImageData
  bool inside = false;
  int32_t lastx = 0, lasty = 0;
  int32_t buttons = 0;
  int32_t wheel = 0, hwheel = 0;
  bool sysvisible = true;  // the system pointer over the canvas
  uint32_t mode = 0;
  bool modelisted = false;
};

STATE& S() {
  static STATE s;
  return s;
}

// One canvas context for the page's canvas; counts presents (and notes the
// time of the first) on Module for the page and its tests.
EM_JS(void, zarvo_web_put, (const void* rgba, int w, int first, int rows), {
  var c = Module['zarvoCanvas'];
  if (!c) return;
  var ctx = Module['zarvoContext'] || (Module['zarvoContext'] = c.getContext('2d', {alpha: false}));
  var bytes = new Uint8ClampedArray(HEAPU8.buffer, rgba, w * rows * 4);
  ctx.putImageData(new ImageData(bytes, w, rows), 0, first);
  if (!Module['zarvoPresents']) Module['zarvoFirstPresent'] = performance.now();
  Module['zarvoPresents'] = (Module['zarvoPresents'] | 0) + 1;
});

EM_JS(int, zarvo_web_setup, (int w, int h), {
  var c = document.querySelector('#canvas');
  if (!c) return 0;
  c.width = w;
  c.height = h;
  Module['zarvoCanvas'] = c;
  Module['zarvoContext'] = null;
  // The right button belongs to the game, not to the page's context menu.
  if (!c.zarvoNoMenu) {
    c.addEventListener('contextmenu', function(e) { e.preventDefault(); });
    c.zarvoNoMenu = true;
  }
  return 1;
});

EM_JS(void, zarvo_web_pointer, (int visible), {
  var c = Module['zarvoCanvas'];
  if (c) c.style.cursor = visible ? "" : "none";
});

// Like a desktop event queue, a bounded one: a page whose loop stops polling
// (a hidden tab runs its timers once a second) drops new input at the limit.
constexpr size_t QUEUELIMIT = 4096;

void push(const EVENT& e) {
  STATE& s = S();
  if (s.queue.size() < QUEUELIMIT) s.queue.push_back(e);
}

EVENT blank(int32_t type) {
  EVENT e;
  std::memset(&e, 0, sizeof e);
  e.TYPE = type;
  return e;
}

// Character code of a key press as the desktop gives it: the character for
// printable ASCII, the control codes of Enter, Escape, Backspace, Tab and
// Delete, 0 for every other key.
int32_t charcode(const EmscriptenKeyboardEvent& k) {
  if (k.key[0] > 0x20 && k.key[0] < 0x7F && k.key[1] == 0) return k.key[0];
  if (std::strcmp(k.code, "Space") == 0) return ' ';
  if (std::strcmp(k.key, "Enter") == 0) return 13;
  if (std::strcmp(k.key, "Escape") == 0) return 27;
  if (std::strcmp(k.key, "Backspace") == 0) return 8;
  if (std::strcmp(k.key, "Tab") == 0) return 9;
  if (std::strcmp(k.key, "Delete") == 0) return 127;
  return 0;
}

// DOM button numbers (0 left, 1 middle, 2 right, 3 back, 4 forward) to ours.
int32_t buttonbit(unsigned short b) {
  static const int32_t bits[] = {BUTTON_LEFT, BUTTON_MIDDLE, BUTTON_RIGHT, BUTTON_X1, BUTTON_X2};
  return b < 5 ? bits[b] : 0;
}

void togglefullscreen() {
  EmscriptenFullscreenChangeEvent st;
  if (emscripten_get_fullscreen_status(&st) == EMSCRIPTEN_RESULT_SUCCESS && st.isFullscreen) {
    emscripten_exit_fullscreen();
    return;
  }
  EmscriptenFullscreenStrategy fs{};
  fs.scaleMode = EMSCRIPTEN_FULLSCREEN_SCALE_ASPECT;
  fs.canvasResolutionScaleMode = EMSCRIPTEN_FULLSCREEN_CANVAS_SCALE_NONE;
  fs.filteringMode = EMSCRIPTEN_FULLSCREEN_FILTERING_NEAREST;
  emscripten_request_fullscreen_strategy(CANVAS, 1, &fs);
}

EM_BOOL onkey(int type, const EmscriptenKeyboardEvent* k, void*) {
  STATE& s = S();
  if (type == EMSCRIPTEN_EVENT_KEYDOWN && !k->repeat && k->altKey &&
      std::strcmp(k->code, "Enter") == 0 && !(s.flags & 4)) {
    togglefullscreen();
    return EM_TRUE;
  }
  const int32_t code = SETONEFROMKEYCODE(k->code);
  if (code == 0) return EM_FALSE;
  EVENT e = blank(type == EMSCRIPTEN_EVENT_KEYUP ? EVT_KEYRELEASE
                                                 : (k->repeat ? EVT_KEYREPEAT : EVT_KEYPRESS));
  e.SCANCODE = code;
  e.ASCII = charcode(*k);
  push(e);
  // The page keeps its own shortcuts (reload, developer tools, ...).
  return !(k->ctrlKey || k->metaKey);
}

// The event's position in screen pixels: the canvas may be shown scaled.
void position(const EmscriptenMouseEvent& m, int32_t* x, int32_t* y) {
  STATE& s = S();
  double cw = 0, ch = 0;
  emscripten_get_element_css_size(CANVAS, &cw, &ch);
  double fx = cw > 0 ? m.targetX * s.w / cw : m.targetX;
  double fy = ch > 0 ? m.targetY * s.h / ch : m.targetY;
  int32_t ix = static_cast<int32_t>(fx), iy = static_cast<int32_t>(fy);
  *x = ix < 0 ? 0 : (ix >= s.w ? s.w - 1 : ix);
  *y = iy < 0 ? 0 : (iy >= s.h ? s.h - 1 : iy);
}

EM_BOOL onmouse(int type, const EmscriptenMouseEvent* m, void*) {
  STATE& s = S();
  switch (type) {
    case EMSCRIPTEN_EVENT_MOUSEMOVE: {
      int32_t x, y;
      position(*m, &x, &y);
      EVENT e = blank(EVT_MOUSEMOVE);
      e.X = x;
      e.Y = y;
      e.DX = s.inside ? x - s.lastx : 0;
      e.DY = s.inside ? y - s.lasty : 0;
      s.lastx = x;
      s.lasty = y;
      s.inside = true;
      s.buttons = m->buttons & 31;
      push(e);
      return EM_FALSE;
    }
    case EMSCRIPTEN_EVENT_MOUSEDOWN: {
      const int32_t b = buttonbit(m->button);
      if (!b) return EM_FALSE;
      s.buttons |= b;
      EVENT e = blank(EVT_MOUSEBUTTONPRESS);
      e.BUTTON = b;
      push(e);
      return EM_TRUE;
    }
    case EMSCRIPTEN_EVENT_MOUSEUP: {
      // Listened to on the whole page, so a release outside the canvas still
      // ends a press that began on it; other releases are not ours.
      const int32_t b = buttonbit(m->button);
      if (!(s.buttons & b)) return EM_FALSE;
      s.buttons &= ~b;
      EVENT e = blank(EVT_MOUSEBUTTONRELEASE);
      e.BUTTON = b;
      push(e);
      return EM_FALSE;
    }
    case EMSCRIPTEN_EVENT_DBLCLICK: {
      EVENT e = blank(EVT_MOUSEDOUBLECLICK);
      e.BUTTON = buttonbit(m->button);
      push(e);
      return EM_TRUE;
    }
    case EMSCRIPTEN_EVENT_MOUSEENTER: {
      position(*m, &s.lastx, &s.lasty);
      s.inside = true;
      push(blank(EVT_MOUSEENTER));
      return EM_FALSE;
    }
    case EMSCRIPTEN_EVENT_MOUSELEAVE: {
      s.inside = false;
      EVENT e = blank(EVT_MOUSELEAVE);
      e.X = s.lastx;
      e.Y = s.lasty;
      push(e);
      return EM_FALSE;
    }
    default: return EM_FALSE;
  }
}

// One notch per wheel event, whatever unit the browser measures it in; up
// (away from the user) and right count up, as on the desktop.
EM_BOOL onwheel(int, const EmscriptenWheelEvent* w, void*) {
  STATE& s = S();
  if (w->deltaY != 0) {
    s.wheel += w->deltaY < 0 ? 1 : -1;
    EVENT e = blank(EVT_MOUSEWHEEL);
    e.Z = s.wheel;
    push(e);
  }
  if (w->deltaX != 0) {
    s.hwheel += w->deltaX > 0 ? 1 : -1;
    EVENT e = blank(EVT_MOUSEHWHEEL);
    e.W = s.hwheel;
    push(e);
  }
  return EM_TRUE;
}

EM_BOOL onfocus(int type, const EmscriptenFocusEvent*, void*) {
  push(blank(type == EMSCRIPTEN_EVENT_FOCUS ? EVT_WINDOWGOTFOCUS
                                                           : EVT_WINDOWLOSTFOCUS));
  return EM_FALSE;
}

void listen() {
  const char* win = EMSCRIPTEN_EVENT_TARGET_WINDOW;
  emscripten_set_keydown_callback(win, nullptr, EM_TRUE, onkey);
  emscripten_set_keyup_callback(win, nullptr, EM_TRUE, onkey);
  emscripten_set_mousemove_callback(CANVAS, nullptr, EM_TRUE, onmouse);
  emscripten_set_mousedown_callback(CANVAS, nullptr, EM_TRUE, onmouse);
  emscripten_set_mouseup_callback(win, nullptr, EM_TRUE, onmouse);
  emscripten_set_dblclick_callback(CANVAS, nullptr, EM_TRUE, onmouse);
  emscripten_set_mouseenter_callback(CANVAS, nullptr, EM_TRUE, onmouse);
  emscripten_set_mouseleave_callback(CANVAS, nullptr, EM_TRUE, onmouse);
  emscripten_set_wheel_callback(CANVAS, nullptr, EM_TRUE, onwheel);
  emscripten_set_focus_callback(win, nullptr, EM_TRUE, onfocus);
  emscripten_set_blur_callback(win, nullptr, EM_TRUE, onfocus);
}

bool open(int32_t w, int32_t h, int32_t flags, const char* title, const char** error) {
  STATE& s = S();
  if (!zarvo_web_setup(w, h)) {
    *error = "the page has no canvas with the id \"canvas\"";
    return false;
  }
  if (!s.open) listen();
  s.open = true;
  s.w = w;
  s.h = h;
  s.flags = flags;
  s.rgba.assign(static_cast<size_t>(w) * static_cast<size_t>(h), 0xFF000000u);
  if (title && *title) emscripten_set_window_title(title);
  zarvo_web_pointer(s.sysvisible);
  if (flags & 1) togglefullscreen();  // carried out at the next user gesture
  return true;
}

void close() {
  STATE& s = S();
  if (!s.open) return;
  emscripten_html5_remove_all_event_listeners();
  zarvo_web_pointer(1);  // the page keeps the last frame, with its own pointer back
  s.open = false;
  s.queue.clear();
  s.inside = false;
  s.buttons = 0;
  s.rgba.clear();
  s.rgba.shrink_to_fit();
}

void present(const uint32_t* pixels, int32_t pitch, int32_t w, int32_t h, int32_t first,
             int32_t last) {
  STATE& s = S();
  if (!s.open || w != s.w || h != s.h) return;
  // 0xAARRGGBB to the bytes R, G, B, A; the screen is opaque, whatever its
  // alpha bytes hold.
  for (int32_t y = first; y <= last; ++y) {
    const uint32_t* src = reinterpret_cast<const uint32_t*>(
        reinterpret_cast<const uint8_t*>(pixels) + static_cast<size_t>(y) * pitch);
    uint32_t* dst = &s.rgba[static_cast<size_t>(y - first) * w];
    for (int32_t x = 0; x < w; ++x) {
      const uint32_t p = src[x];
      dst[x] = 0xFF000000u | ((p & 0xFFu) << 16) | (p & 0xFF00u) | ((p >> 16) & 0xFFu);
    }
  }
  zarvo_web_put(s.rgba.data(), w, first, last - first + 1);
}

void title(const char* t) { emscripten_set_window_title(t ? t : ""); }

bool poll(EVENT& e) {
  STATE& s = S();
  if (s.queue.empty()) return false;
  e = s.queue.front();
  s.queue.pop_front();
  return true;
}

double timer() { return emscripten_get_now() / 1000.0; }

// The browser runs its events, and draws, only while we sleep here.
void delay(int32_t ms) {
  if (ms > 0) emscripten_sleep(static_cast<unsigned>(ms));
}

void getmouse(int32_t* x, int32_t* y, int32_t* wheel, int32_t* buttons, int32_t* clip) {
  STATE& s = S();
  if (!s.open || !s.inside) {
    *x = *y = *wheel = *buttons = *clip = -1;
    return;
  }
  *x = s.lastx;
  *y = s.lasty;
  *wheel = s.wheel;
  *buttons = s.buttons;
  *clip = 0;
}

void setmouse(int32_t, int32_t, int32_t visibility, int32_t) {
  if (visibility < 0) return;
  S().sysvisible = visibility != 0;
  zarvo_web_pointer(S().sysvisible);
}

// The one mode a page can have: the size of the screen it is shown on.
uint32_t listmodes(int32_t depth) {
  STATE& s = S();
  if (depth != 0) {
    s.mode = 0;
    s.modelisted = false;
    int sw = 0, sh = 0;
    emscripten_get_screen_size(&sw, &sh);
    if (depth == 32 && sw > 0 && sh > 0 && sw <= 0xFFFF && sh <= 0xFFFF)
      s.mode = (static_cast<uint32_t>(sw) << 16) | static_cast<uint32_t>(sh);
  }
  if (s.modelisted) return 0;
  s.modelisted = true;
  return s.mode;
}

}  // namespace

const BACKENDOPS& WEBBACKEND() {
  static const BACKENDOPS ops{"web", open,  close,    present,  title,    poll,
                              timer, delay, getmouse, setmouse, listmodes};
  return ops;
}

}  // namespace ZARVO::RUNTIME
