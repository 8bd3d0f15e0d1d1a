#include "zarvo/runtime/headless/headless.hpp"

#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "zarvo/runtime/backend.hpp"
#include "zarvo/runtime/runtime.hpp"

namespace ZARVO::HEADLESS {
namespace {

struct MOUSECALL {
  int32_t x, y, visibility, clip;
};

struct FREE {
  void operator()(uint32_t* p) const { std::free(p); }
};

struct STATE {
  std::deque<RUNTIME::EVENT> queue;
  double now = 1.0;
  uint64_t delays = 0;
  void (*hook)(uint64_t, double) = nullptr;
  bool open = false;
  int32_t w = 0, h = 0;
  bool failopen = false;
  int32_t flags = 0;
  int32_t opens = 0;
  std::string title;
  int32_t px = -1, py = -1;
  bool inside = false;
  bool sysvisible = true;
  int32_t buttons = 0, wheel = 0, clip = 0;
  std::vector<MOUSECALL> mousecalls;
  std::vector<uint32_t> modes{(1920u << 16) | 1080u, (1280u << 16) | 1024u, (1024u << 16) | 768u,
                              (800u << 16) | 600u, (640u << 16) | 480u};
  size_t modepos = 0;
  std::unique_ptr<uint32_t[], FREE> frame;  // from malloc, like the screen buffer
  size_t framesize = 0;
};

STATE& S() {
  static STATE s;
  return s;
}

// Appends without letting an out-of-memory exception out: the record simply
// misses that entry, as a real platform drops input it cannot queue.
template <typename LIST, typename ITEM>
void append(LIST& list, const ITEM& item) {
  try {
    list.push_back(item);
  } catch (...) {
  }
}

RUNTIME::EVENT blank(int32_t type) {
  RUNTIME::EVENT e;
  std::memset(&e, 0, sizeof e);
  e.TYPE = type;
  return e;
}

void queuemove(int32_t x, int32_t y) {
  STATE& s = S();
  RUNTIME::EVENT e = blank(RUNTIME::EVT_MOUSEMOVE);
  e.X = x;
  e.Y = y;
  e.DX = s.inside ? x - s.px : 0;
  e.DY = s.inside ? y - s.py : 0;
  s.px = x;
  s.py = y;
  s.inside = s.open && x >= 0 && y >= 0 && x < s.w && y < s.h;
  append(s.queue, e);
}

bool open(int32_t w, int32_t h, int32_t flags, const char* title, const char** error) {
  STATE& s = S();
  if (s.failopen) {
    *error = "the headless backend was told to fail";
    return false;
  }
  const size_t n = static_cast<size_t>(w) * static_cast<size_t>(h);
  s.frame.reset(static_cast<uint32_t*>(std::calloc(n, sizeof(uint32_t))));
  s.framesize = s.frame ? n : 0;
  try {
    if (s.frame) s.title = title ? title : "";
  } catch (...) {
    s.frame.reset();
  }
  if (!s.frame) {
    *error = "out of memory";
    return false;
  }
  s.open = true;
  s.w = w;
  s.h = h;
  s.flags = flags;
  ++s.opens;
  return true;
}

void close() { S().open = false; }

void present(const uint32_t* pixels, int32_t pitch, int32_t w, int32_t h, int32_t first,
             int32_t last) {
  STATE& s = S();
  if (!s.frame || s.framesize != static_cast<size_t>(w) * static_cast<size_t>(h)) return;
  for (int32_t y = first; y <= last; ++y)
    std::memcpy(s.frame.get() + static_cast<size_t>(y) * w,
                reinterpret_cast<const uint8_t*>(pixels) + static_cast<size_t>(y) * pitch,
                static_cast<size_t>(w) * 4);
}

void title(const char* t) {
  try {
    S().title = t ? t : "";
  } catch (...) {  // out of memory: the title stays as it was
  }
}

bool poll(RUNTIME::EVENT& e) {
  STATE& s = S();
  if (s.queue.empty()) return false;
  e = s.queue.front();
  s.queue.pop_front();
  return true;
}

double timer() { return S().now; }

void delay(int32_t ms) {
  STATE& s = S();
  if (ms > 0) s.now += ms / 1000.0;
  ++s.delays;
  if (s.hook) s.hook(s.delays, s.now);
}

void getmouse(int32_t* x, int32_t* y, int32_t* wheel, int32_t* buttons, int32_t* clip) {
  STATE& s = S();
  if (!s.inside) {
    *x = *y = *wheel = *buttons = *clip = -1;
    return;
  }
  *x = s.px;
  *y = s.py;
  *wheel = s.wheel;
  *buttons = s.buttons;
  *clip = s.clip;
}

void setmouse(int32_t x, int32_t y, int32_t visibility, int32_t clip) {
  STATE& s = S();
  append(s.mousecalls, MOUSECALL{x, y, visibility, clip});
  if (visibility >= 0) s.sysvisible = visibility != 0;
  if (clip >= 0) s.clip = clip;
  // Like a real pointer warp: moving to where the pointer already is
  // (as reported by get-mouse) produces no motion.
  int32_t cx, cy, cw, cb, cc;
  getmouse(&cx, &cy, &cw, &cb, &cc);
  if (x == cx && y == cy) return;
  queuemove(x, y);
}

uint32_t listmodes(int32_t depth) {
  STATE& s = S();
  if (depth != 0) {
    s.modepos = 0;
    if (depth != 32) s.modepos = s.modes.size();
  }
  if (s.modepos >= s.modes.size()) return 0;
  return s.modes[s.modepos++];
}

}  // namespace

void USE() { RUNTIME::USEBACKEND(RUNTIME::BACKEND::HEADLESS); }

void RESET() {
  STATE& s = S();
  try {
    STATE fresh;  // the only step that allocates: if it fails, nothing changed
    fresh.open = s.open;
    fresh.w = s.w;
    fresh.h = s.h;
    fresh.flags = s.flags;
    fresh.opens = s.opens;
    fresh.title.swap(s.title);
    fresh.frame.swap(s.frame);
    fresh.framesize = s.framesize;
    s = std::move(fresh);
  } catch (...) {
  }
}

void PUSHEVENT(const RUNTIME::EVENT& e) { append(S().queue, e); }

void PUSHKEY(int32_t type, int32_t scancode, int32_t ascii) {
  RUNTIME::EVENT e = blank(type);
  e.SCANCODE = scancode;
  e.ASCII = ascii;
  append(S().queue, e);
}

void PUSHBUTTON(int32_t type, int32_t button) {
  STATE& s = S();
  RUNTIME::EVENT e = blank(type);
  e.BUTTON = button;
  if (type == RUNTIME::EVT_MOUSEBUTTONPRESS) s.buttons |= button;
  if (type == RUNTIME::EVT_MOUSEBUTTONRELEASE) s.buttons &= ~button;
  append(s.queue, e);
}

void MOVEPOINTER(int32_t x, int32_t y) { queuemove(x, y); }

size_t PENDING() { return S().queue.size(); }
void CLEAREVENTS() { S().queue.clear(); }

void SETPOINTER(int32_t x, int32_t y, bool inside) {
  STATE& s = S();
  s.px = x;
  s.py = y;
  s.inside = inside;
}

bool POINTERINSIDE() { return S().inside; }
int32_t POINTERX() { return S().px; }
int32_t POINTERY() { return S().py; }
bool SYSTEMPOINTERVISIBLE() { return S().sysvisible; }
size_t SETMOUSECOUNT() { return S().mousecalls.size(); }

void SETMOUSECALL(size_t i, int32_t* x, int32_t* y, int32_t* visibility, int32_t* clip) {
  if (i >= S().mousecalls.size()) return;  // no such call: nothing written
  const MOUSECALL& c = S().mousecalls[i];
  if (x) *x = c.x;
  if (y) *y = c.y;
  if (visibility) *visibility = c.visibility;
  if (clip) *clip = c.clip;
}

void SETTIME(double t) { S().now = t; }
double TIME() { return S().now; }
uint64_t DELAYCOUNT() { return S().delays; }
void ONDELAY(void (*hook)(uint64_t, double)) { S().hook = hook; }

void FAILOPEN(bool fail) { S().failopen = fail; }
int32_t OPENFLAGS() { return S().flags; }
int32_t OPENCOUNT() { return S().opens; }
const char* TITLE() { return S().title.c_str(); }

void SETMODES(const uint32_t* modes, size_t n) {
  try {
    S().modes.assign(modes, modes + n);
  } catch (...) {  // out of memory: an empty list
    S().modes.clear();
  }
  S().modepos = 0;
}

const uint32_t* FRAME() { return S().frame.get(); }

}  // namespace ZARVO::HEADLESS

namespace ZARVO::RUNTIME {

const BACKENDOPS& HEADLESSBACKEND() {
  static const BACKENDOPS ops{"headless",
                              HEADLESS::open,
                              HEADLESS::close,
                              HEADLESS::present,
                              HEADLESS::title,
                              HEADLESS::poll,
                              HEADLESS::timer,
                              HEADLESS::delay,
                              HEADLESS::getmouse,
                              HEADLESS::setmouse,
                              HEADLESS::listmodes};
  return ops;
}

}  // namespace ZARVO::RUNTIME
