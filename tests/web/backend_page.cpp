// A page for the browser backend's own test (backend_page_test.js): opens a
// 64x48 screen with two known colours, then prints every input event it
// polls, one line each, until Escape ends it with status 3. Key R also prints
// what get-mouse reports.
#include <cstdio>
#include <cstdlib>

#include "zarvo/runtime/runtime.hpp"

using namespace ZARVO::RUNTIME;

int main() {
  WINDOWTITLE("zarvo backend page");
  if (!SCREENMODE(64, 48, 32, 1, 0, 0)) {
    std::printf("open failed: %s\n", SCREENERROR());
    std::exit(2);
  }
  // Top half opaque, bottom half with alpha 0: both must show as opaque.
  SCREENLOCK();
  uint32_t* p = SCREENPTR();
  for (int32_t i = 0; i < 64 * 48; ++i) p[i] = i < 64 * 24 ? 0xFF112233u : 0x00445566u;
  SCREENDIRTY();
  SCREENUNLOCK();
  const uint32_t mode = SCREENLIST(32);
  std::printf("mode %u %u %u\n", mode >> 16, mode & 0xFFFFu, SCREENLIST(0));
  std::printf("ready\n");
  for (;;) {
    EVENT e;
    while (POLLEVENT(e)) {
      std::printf("event %d %d %d %d %d\n", e.TYPE, e.RAW[0], e.RAW[1], e.RAW[2], e.RAW[3]);
      if (e.TYPE == EVT_KEYPRESS && e.SCANCODE == 0x13) {
        int32_t x, y, w, b, c;
        GETMOUSE(&x, &y, &w, &b, &c);
        std::printf("mouse %d %d %d %d %d\n", x, y, w, b, c);
      }
      if (e.TYPE == EVT_KEYPRESS && e.SCANCODE == 1) {
        SCREENCLOSE();
        std::exit(3);
      }
    }
    DELAY(1);
  }
}
