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
#include "zarvo/runtime/scancodes.hpp"

namespace ZARVO::RUNTIME {
namespace {

struct STATE {
  bool videoinit = false;
  bool nodisplay = false;  // SDL found only drivers that show nothing
  SDL_Window* window = nullptr;
  SDL_Renderer* renderer = nullptr;
  SDL_Texture* texture = nullptr;
  // The software renderer draws into the window surface, and an unscaled
  // window is then shown by copying the changed rows straight into it.
  bool direct = false;
  SDL_Surface* surface = nullptr;  // the window surface that holds the picture
  bool texturestale = false;       // rows went straight to the surface since the last upload
  // The runtime's screen buffer as last presented (valid until close), for
  // showing the whole picture again after the window system lost it.
  const uint32_t* shown = nullptr;
  int32_t shownpitch = 0;
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
  // The software renderer's window surface goes to the window system as it is
  // (shared memory on X11), not through yet another renderer's texture.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
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

// SDL scancodes are the USB usages.
int32_t setone(SDL_Scancode sc) { return SETONEFROMUSB(static_cast<int32_t>(sc)); }

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
  s.direct = false;
  s.surface = nullptr;
  s.shown = nullptr;
}

// Whether a GL renderer rasterises on the processor (Mesa's llvmpipe and
// softpipe, as under Xvfb or without a GPU driver): it then costs several
// times what copying into the window surface does.
bool cpugl(SDL_Renderer* r) {
  SDL_RendererInfo info;
  if (SDL_GetRendererInfo(r, &info) != 0 || !info.name || std::strncmp(info.name, "opengl", 6) != 0)
    return false;
  using GETSTRING = const unsigned char* (*)(unsigned int);
  auto getstring = reinterpret_cast<GETSTRING>(SDL_GL_GetProcAddress("glGetString"));
  if (!getstring) return false;
  const unsigned char* name = getstring(0x1F01);  // GL_RENDERER
  if (!name) return false;
  const char* n = reinterpret_cast<const char*>(name);
  return std::strstr(n, "llvmpipe") || std::strstr(n, "softpipe") ||
         std::strstr(n, "Software Rasterizer") || std::strstr(n, "swrast");
}

SDL_Renderer* makerenderer(SDL_Window* window) {
  SDL_Renderer* r = SDL_CreateRenderer(window, -1, 0);
  // A renderer named in SDL_RENDER_DRIVER is kept, whatever it costs.
  const char* asked = SDL_GetHint(SDL_HINT_RENDER_DRIVER);
  if (r && cpugl(r) && !(asked && *asked)) {
    SDL_DestroyRenderer(r);
    r = nullptr;
  }
  if (!r) r = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);
  return r;
}

bool softwarerenderer(SDL_Renderer* r) {
  SDL_RendererInfo info;
  return SDL_GetRendererInfo(r, &info) == 0 && (info.flags & SDL_RENDERER_SOFTWARE);
}

// Whether the scaled picture leaves bars (full screen in another shape),
// which nothing else paints.
bool letterboxed() {
  STATE& s = S();
  int ow = 0, oh = 0;
  if (SDL_GetRendererOutputSize(s.renderer, &ow, &oh) != 0) return true;
  return static_cast<int64_t>(ow) * s.h != static_cast<int64_t>(oh) * s.w;
}

// Copies rows first..last into the window surface and shows just those;
// false when the window is scaled (the renderer then does it).
bool showdirect(const uint32_t* pixels, int32_t pitch, int32_t first, int32_t last) {
  STATE& s = S();
  SDL_Surface* surf = SDL_GetWindowSurface(s.window);
  if (!surf || surf->w != s.w || surf->h != s.h) return false;
  if (surf != s.surface) {  // a new surface (or one the renderer drew over) needs everything
    first = 0;
    last = s.h - 1;
  }
  if (SDL_MUSTLOCK(surf) && SDL_LockSurface(surf) != 0) return false;
  const int32_t rows = last - first + 1;
  const uint8_t* src = reinterpret_cast<const uint8_t*>(pixels) + static_cast<size_t>(first) * pitch;
  uint8_t* dst = static_cast<uint8_t*>(surf->pixels) + static_cast<size_t>(first) * surf->pitch;
  bool ok = true;
  if (surf->format->format == SDL_PIXELFORMAT_RGB888) {  // the usual 24-bit display: rows as they are
    for (int32_t y = 0; y < rows; ++y)
      std::memcpy(dst + static_cast<size_t>(y) * surf->pitch, src + static_cast<size_t>(y) * pitch,
                  static_cast<size_t>(s.w) * 4);
  } else {
    // Read as RGB888 so the alpha bytes are ignored: the screen is opaque.
    ok = SDL_ConvertPixels(s.w, rows, SDL_PIXELFORMAT_RGB888, src, pitch, surf->format->format, dst,
                           surf->pitch) == 0;
  }
  if (SDL_MUSTLOCK(surf)) SDL_UnlockSurface(surf);
  if (!ok) return false;
  s.surface = surf;
  s.texturestale = true;
  const SDL_Rect r{0, first, s.w, rows};
  SDL_UpdateWindowSurfaceRects(s.window, &r, 1);
  return true;
}

void showrendered(const uint32_t* pixels, int32_t pitch, int32_t first, int32_t last) {
  STATE& s = S();
  if (s.texturestale) {  // rows went past the texture: bring all of it up to date
    first = 0;
    last = s.h - 1;
    s.texturestale = false;
  }
  const SDL_Rect r{0, first, s.w, last - first + 1};
  SDL_UpdateTexture(s.texture, &r,
                    reinterpret_cast<const uint8_t*>(pixels) + static_cast<size_t>(first) * pitch,
                    pitch);
  s.surface = nullptr;  // a software renderer draws over the window surface
  // The copy covers the whole window unless the picture is letterboxed.
  if (letterboxed()) {
    SDL_SetRenderDrawColor(s.renderer, 0, 0, 0, 255);
    SDL_RenderClear(s.renderer);
  }
  SDL_RenderCopy(s.renderer, s.texture, nullptr, nullptr);
  SDL_RenderPresent(s.renderer);
}

// Shows the whole picture again; black before the first present.
void refresh() {
  STATE& s = S();
  if (!s.renderer) return;
  if (!s.shown) {
    SDL_SetRenderDrawColor(s.renderer, 0, 0, 0, 255);
    SDL_RenderClear(s.renderer);
    SDL_RenderPresent(s.renderer);
    return;
  }
  s.surface = nullptr;
  if (!s.direct || !showdirect(s.shown, s.shownpitch, 0, s.h - 1))
    showrendered(s.shown, s.shownpitch, 0, s.h - 1);
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
  if (s.window) s.renderer = makerenderer(s.window);
  if (s.renderer) {
    SDL_RenderSetLogicalSize(s.renderer, w, h);
    // RGB888 ignores the alpha bytes: the screen is opaque, whatever they hold.
    s.texture = SDL_CreateTexture(s.renderer, SDL_PIXELFORMAT_RGB888,
                                  SDL_TEXTUREACCESS_STREAMING, w, h);
    if (s.texture) SDL_SetTextureBlendMode(s.texture, SDL_BLENDMODE_NONE);
    s.direct = softwarerenderer(s.renderer);
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
  s.shown = pixels;
  s.shownpitch = pitch;
  if (s.direct && showdirect(pixels, pitch, first, last)) return;
  showrendered(pixels, pitch, first, last);
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
          refresh();
          break;
        case SDL_WINDOWEVENT_SIZE_CHANGED: s.surface = nullptr; break;
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
  // In the screen's pixels, as the move events are (SDL scales those for the
  // renderer's logical size, truncating): the window may be larger.
  float lx = 0, ly = 0;
  SDL_RenderWindowToLogical(s.renderer, mx, my, &lx, &ly);
  mx = static_cast<int>(lx);
  my = static_cast<int>(ly);
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
  // To the middle of that screen pixel in a scaled window.
  int wx = x, wy = y;
  if (s.renderer)
    SDL_RenderLogicalToWindow(s.renderer, static_cast<float>(x) + 0.5f,
                              static_cast<float>(y) + 0.5f, &wx, &wy);
  SDL_WarpMouseInWindow(s.window, wx, wy);
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
