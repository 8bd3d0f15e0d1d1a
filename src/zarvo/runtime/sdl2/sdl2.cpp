// The SDL2 backend: a real window. This is the only file that sees SDL.
#include <SDL.h>
#include <dlfcn.h>
#include <strings.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "zarvo/runtime/backend.hpp"

namespace ZARVO::RUNTIME {
namespace {

struct STATE {
  bool videoinit = false;
  bool nodisplay = false;  // SDL found only drivers that show nothing
  SDL_Window* window = nullptr;
  SDL_Renderer* renderer = nullptr;
  SDL_Texture* texture = nullptr;
  int32_t w = 0, h = 0;
  int32_t flags = 0;
  bool fullscreen = false;
  std::string title;
  int32_t lastx = 0, lasty = 0;
  int32_t wheel = 0, hwheel = 0;
  int32_t clip = 0;
  int sysvisible = 1;
  std::deque<EVENT> pending;  // events that one SDL event turns into several
  std::vector<uint32_t> modes;
  size_t modepos = 0;
  std::string error;
};

STATE& S() {
  static STATE s;
  return s;
}

// Xlib calls this when the connection to the X server breaks, and ends the
// program if it returns. Its own handler calls exit(), whose exit handlers
// close the window, and SDL then waits for the server to confirm it: for
// ever. Nothing that still holds the connection can be trusted, so the
// program ends here at once, with the status of a game that was closed.
int displaylost(void*) {
  static const char line[] = "zarvo: lost the connection to the display\n";
  std::fflush(nullptr);
  (void)!write(STDERR_FILENO, line, sizeof line - 1);
  std::_Exit(1);
}

// SDL loads libX11 itself; its error handler is set through the same library,
// found by name, so the engine needs neither X headers nor a link to X.
void watchdisplay() {
  const char* driver = SDL_GetCurrentVideoDriver();
  if (!driver || std::strcmp(driver, "x11") != 0) return;
  void* x11 = dlopen("libX11.so.6", RTLD_LAZY | RTLD_NOLOAD);
  if (!x11) return;
  using HANDLER = int (*)(void*);
  using SETHANDLER = HANDLER (*)(HANDLER);
  if (auto set = reinterpret_cast<SETHANDLER>(dlsym(x11, "XSetIOErrorHandler"))) set(displaylost);
  dlclose(x11);
}

// Whether SDL_VIDEODRIVER (a comma-separated list) names this driver.
bool askedfor(const char* driver) {
  const char* v = SDL_GetHint(SDL_HINT_VIDEODRIVER);
  const size_t n = std::strlen(driver);
  while (v && *v) {
    const char* end = std::strchr(v, ',');
    const size_t len = end ? static_cast<size_t>(end - v) : std::strlen(v);
    if (len == n && strncasecmp(v, driver, n) == 0) return true;
    v = end ? end + 1 : nullptr;
  }
  return false;
}

bool initvideo() {
  STATE& s = S();
  if (s.videoinit) {
    if (s.nodisplay) s.error = "no display";
    return !s.nodisplay;
  }
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    s.error = SDL_GetError();
    return false;
  }
  s.videoinit = true;
  // With no display to reach, SDL falls back to drivers that show nothing; a
  // game in a window nobody can see or close would run forever. They count
  // only when asked for by name. (SDL stays initialised: see close.)
  const char* driver = SDL_GetCurrentVideoDriver();
  if (driver &&
      (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0 ||
       std::strcmp(driver, "evdev") == 0) &&
      !askedfor(driver)) {
    s.nodisplay = true;
    s.error = "no display";
    return false;
  }
  watchdisplay();
  return true;
}

// USB usage (SDL scancode) to the set-1 make code; extended keys give the
// byte that follows their 0xE0 prefix.
int32_t setone(SDL_Scancode sc) {
  static const uint8_t table[] = {
      0,    0,    0,    0,    0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17, 0x24,
      0x25, 0x26, 0x32, 0x31, 0x18, 0x19, 0x10, 0x13, 0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D,
      0x15, 0x2C, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x1C, 0x01,
      0x0E, 0x0F, 0x39, 0x0C, 0x0D, 0x1A, 0x1B, 0x2B, 0x2B, 0x27, 0x28, 0x29, 0x33, 0x34,
      0x35, 0x3A, 0x3B, 0x3C, 0x3D, 0x3E, 0x3F, 0x40, 0x41, 0x42, 0x43, 0x44, 0x57, 0x58,
      0x37, 0x46, 0x45, 0x52, 0x47, 0x49, 0x53, 0x4F, 0x51, 0x4D, 0x4B, 0x50, 0x48, 0x45,
      0x35, 0x37, 0x4A, 0x4E, 0x1C, 0x4F, 0x50, 0x51, 0x4B, 0x4C, 0x4D, 0x47, 0x48, 0x49,
      0x52, 0x53, 0x56, 0x5D};
  const int i = static_cast<int>(sc);
  if (i >= 0 && i < static_cast<int>(sizeof table)) return table[i];
  switch (sc) {
    case SDL_SCANCODE_LCTRL:
    case SDL_SCANCODE_RCTRL: return 0x1D;
    case SDL_SCANCODE_LSHIFT: return 0x2A;
    case SDL_SCANCODE_RSHIFT: return 0x36;
    case SDL_SCANCODE_LALT:
    case SDL_SCANCODE_RALT: return 0x38;
    case SDL_SCANCODE_LGUI: return 0x5B;
    case SDL_SCANCODE_RGUI: return 0x5C;
    default: return 0;
  }
}

int32_t charcode(const SDL_Keysym& k) {
  const SDL_Keycode sym = k.sym;
  if (sym <= 0 || sym >= 128) return 0;
  int32_t c = static_cast<int32_t>(sym);
  const bool shift = (k.mod & KMOD_SHIFT) != 0;
  const bool caps = (k.mod & KMOD_CAPS) != 0;
  if (c >= 'a' && c <= 'z' && (shift != caps)) c -= 32;
  return c;
}

int32_t buttonbit(uint8_t b) {
  switch (b) {
    case SDL_BUTTON_LEFT: return 1;
    case SDL_BUTTON_RIGHT: return 2;
    case SDL_BUTTON_MIDDLE: return 4;
    case SDL_BUTTON_X1: return 8;
    case SDL_BUTTON_X2: return 16;
    default: return 0;
  }
}

void destroywindow() {
  STATE& s = S();
  if (s.texture) SDL_DestroyTexture(s.texture);
  if (s.renderer) SDL_DestroyRenderer(s.renderer);
  if (s.window) SDL_DestroyWindow(s.window);
  s.texture = nullptr;
  s.renderer = nullptr;
  s.window = nullptr;
}

bool open(int32_t w, int32_t h, int32_t flags, const char* title, const char** error) {
  STATE& s = S();
  destroywindow();
  if (!initvideo()) {
    *error = s.error.c_str();
    return false;
  }
  SDL_SetHint(SDL_HINT_RENDER_VSYNC, "0");
  SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
  s.fullscreen = (flags & 1) != 0;
  Uint32 wflags = SDL_WINDOW_SHOWN | (s.fullscreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
  s.window = SDL_CreateWindow(title ? title : "", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                              w, h, wflags);
  if (s.window) s.renderer = SDL_CreateRenderer(s.window, -1, 0);
  if (!s.renderer && s.window) s.renderer = SDL_CreateRenderer(s.window, -1, SDL_RENDERER_SOFTWARE);
  if (s.renderer) {
    SDL_RenderSetLogicalSize(s.renderer, w, h);
    s.texture = SDL_CreateTexture(s.renderer, SDL_PIXELFORMAT_ARGB8888,
                                  SDL_TEXTUREACCESS_STREAMING, w, h);
  }
  if (!s.texture) {
    s.error = SDL_GetError();
    destroywindow();
    *error = s.error.c_str();
    return false;
  }
  s.w = w;
  s.h = h;
  s.flags = flags;
  SDL_ShowCursor(s.sysvisible ? SDL_ENABLE : SDL_DISABLE);
  return true;
}

// SDL itself stays initialised: quitting it unloads the system libraries it
// opened, which leak-checking tools then cannot attribute any more.
void close() {
  destroywindow();
  S().pending.clear();
}

void present(const uint32_t* pixels, int32_t pitch, int32_t w, int32_t h, int32_t first,
             int32_t last) {
  STATE& s = S();
  if (!s.texture || w != s.w || h != s.h) return;
  SDL_Rect r{0, first, w, last - first + 1};
  SDL_UpdateTexture(s.texture, &r, reinterpret_cast<const uint8_t*>(pixels) +
                                       static_cast<size_t>(first) * pitch, pitch);
  SDL_RenderClear(s.renderer);
  SDL_RenderCopy(s.renderer, s.texture, nullptr, nullptr);
  SDL_RenderPresent(s.renderer);
}

void title(const char* t) {
  STATE& s = S();
  s.title = t ? t : "";
  if (s.window) SDL_SetWindowTitle(s.window, s.title.c_str());
}

EVENT blank(int32_t type) {
  EVENT e;
  std::memset(&e, 0, sizeof e);
  e.TYPE = type;
  return e;
}

// Turns one SDL event into zero or more engine events.
void translate(const SDL_Event& ev) {
  STATE& s = S();
  switch (ev.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      const SDL_Keysym& k = ev.key.keysym;
      // Alt+Enter switches between window and full screen unless forbidden.
      if (ev.type == SDL_KEYDOWN && !ev.key.repeat && k.scancode == SDL_SCANCODE_RETURN &&
          (k.mod & KMOD_ALT) && !(s.flags & 4)) {
        s.fullscreen = !s.fullscreen;
        SDL_SetWindowFullscreen(s.window, s.fullscreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
        return;
      }
      EVENT e = blank(ev.type == SDL_KEYUP ? 2 : (ev.key.repeat ? 3 : 1));
      e.SCANCODE = setone(k.scancode);
      e.ASCII = charcode(k);
      s.pending.push_back(e);
      break;
    }
    case SDL_MOUSEMOTION: {
      EVENT e = blank(4);
      e.X = ev.motion.x;
      e.Y = ev.motion.y;
      e.DX = ev.motion.xrel;
      e.DY = ev.motion.yrel;
      s.lastx = e.X;
      s.lasty = e.Y;
      s.pending.push_back(e);
      break;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      EVENT e = blank(ev.type == SDL_MOUSEBUTTONDOWN ? 5 : 6);
      e.BUTTON = buttonbit(ev.button.button);
      s.pending.push_back(e);
      if (ev.type == SDL_MOUSEBUTTONDOWN && ev.button.clicks == 2) {
        EVENT d = blank(7);
        d.BUTTON = e.BUTTON;
        s.pending.push_back(d);
      }
      break;
    }
    case SDL_MOUSEWHEEL: {
      if (ev.wheel.y != 0) {
        s.wheel += ev.wheel.y;
        EVENT e = blank(8);
        e.Z = s.wheel;
        s.pending.push_back(e);
      }
      if (ev.wheel.x != 0) {
        s.hwheel += ev.wheel.x;
        EVENT e = blank(14);
        e.W = s.hwheel;
        s.pending.push_back(e);
      }
      break;
    }
    case SDL_WINDOWEVENT:
      switch (ev.window.event) {
        case SDL_WINDOWEVENT_ENTER: s.pending.push_back(blank(9)); break;
        case SDL_WINDOWEVENT_LEAVE: {
          EVENT e = blank(10);
          e.X = s.lastx;
          e.Y = s.lasty;
          s.pending.push_back(e);
          break;
        }
        case SDL_WINDOWEVENT_FOCUS_GAINED: s.pending.push_back(blank(11)); break;
        case SDL_WINDOWEVENT_FOCUS_LOST: s.pending.push_back(blank(12)); break;
        case SDL_WINDOWEVENT_EXPOSED:
          // The window system lost our pixels: show the screen again.
          if (s.renderer) {
            SDL_RenderClear(s.renderer);
            SDL_RenderCopy(s.renderer, s.texture, nullptr, nullptr);
            SDL_RenderPresent(s.renderer);
          }
          break;
        default: break;
      }
      break;
    case SDL_QUIT:
      // The one window's close button, and SIGINT/SIGTERM, arrive as this.
      s.pending.push_back(blank(13));
      break;
    default: break;
  }
}

bool poll(EVENT& e) {
  STATE& s = S();
  if (!s.videoinit) return false;
  SDL_Event ev;
  while (s.pending.empty() && SDL_PollEvent(&ev)) translate(ev);
  if (s.pending.empty()) return false;
  e = s.pending.front();
  s.pending.pop_front();
  return true;
}

double timer() {
  using clock = std::chrono::steady_clock;
  return std::chrono::duration<double>(clock::now().time_since_epoch()).count();
}

void delay(int32_t ms) {
  if (ms > 0) SDL_Delay(static_cast<Uint32>(ms));
}

void getmouse(int32_t* x, int32_t* y, int32_t* wheel, int32_t* buttons, int32_t* clip) {
  STATE& s = S();
  if (!s.window || SDL_GetMouseFocus() != s.window) {
    *x = *y = *wheel = *buttons = *clip = -1;
    return;
  }
  int mx = 0, my = 0;
  const Uint32 b = SDL_GetMouseState(&mx, &my);
  int32_t mask = 0;
  if (b & SDL_BUTTON_LMASK) mask |= 1;
  if (b & SDL_BUTTON_RMASK) mask |= 2;
  if (b & SDL_BUTTON_MMASK) mask |= 4;
  if (b & SDL_BUTTON_X1MASK) mask |= 8;
  if (b & SDL_BUTTON_X2MASK) mask |= 16;
  *x = mx;
  *y = my;
  *wheel = s.wheel;
  *buttons = mask;
  *clip = s.clip;
}

void setmouse(int32_t x, int32_t y, int32_t visibility, int32_t clip) {
  STATE& s = S();
  if (visibility >= 0) {
    s.sysvisible = visibility != 0;
    if (s.window) SDL_ShowCursor(s.sysvisible ? SDL_ENABLE : SDL_DISABLE);
  }
  if (!s.window) return;
  if (clip >= 0) {
    s.clip = clip != 0;
    SDL_SetWindowGrab(s.window, s.clip ? SDL_TRUE : SDL_FALSE);
  }
  // Warping to where the pointer already is would move nothing; skipping it
  // also keeps a pointer outside the window (reported as -1, -1) where it is.
  int32_t cx, cy, cw, cb, cc;
  getmouse(&cx, &cy, &cw, &cb, &cc);
  if (x == cx && y == cy) return;
  SDL_WarpMouseInWindow(s.window, x, y);
}

uint32_t listmodes(int32_t depth) {
  STATE& s = S();
  if (depth != 0) {
    s.modes.clear();
    s.modepos = 0;
    if (depth == 32 && initvideo()) {
      const int n = SDL_GetNumDisplayModes(0);
      for (int i = 0; i < n; ++i) {
        SDL_DisplayMode m;
        if (SDL_GetDisplayMode(0, i, &m) != 0 || SDL_BYTESPERPIXEL(m.format) != 4) continue;
        if (m.w <= 0 || m.h <= 0 || m.w > 0xFFFF || m.h > 0xFFFF) continue;
        const uint32_t v = (static_cast<uint32_t>(m.w) << 16) | static_cast<uint32_t>(m.h);
        bool seen = false;
        for (uint32_t o : s.modes) seen = seen || o == v;
        if (!seen) s.modes.push_back(v);
      }
    }
  }
  if (s.modepos >= s.modes.size()) return 0;
  return s.modes[s.modepos++];
}

}  // namespace

const BACKENDOPS& SDL2BACKEND() {
  static const BACKENDOPS ops{"sdl2", open,  close,    present,  title,    poll,
                              timer,  delay, getmouse, setmouse, listmodes};
  return ops;
}

}  // namespace ZARVO::RUNTIME
