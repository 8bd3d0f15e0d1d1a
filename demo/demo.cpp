#include "demo.hpp"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "screens/screen.hpp"

using namespace ZARVO;

__SIMPLE_EVENT ONGAMEINITIALIZE;
__SIMPLE_EVENT ONGAMEREADY;
GRAPHICS::BITMAP BMPCURSOR;

namespace {

// The main module's start-up: runs before main, after every event exists
// (the engine's events are constant-initialised).
struct MODULE {
  MODULE() { ENGINE::ONINITIALIZE += GAME_ONINITIALIZE; }
} module;

}  // namespace

void FINDIMAGES() {
  namespace FS = std::filesystem;
  try {
    std::error_code ec;
    if (FS::is_directory(IMAGESFOLDER, ec)) return;
    const char* exe = RUNTIME::EXECUTABLEFOLDER();
    if (*exe != '\0' && FS::is_directory(FS::path(exe) / IMAGESFOLDER, ec)) {
      FS::current_path(exe, ec);
      if (!ec) {
        RUNTIME::DIAGNOSTIC("demo: no %s/ in the working folder; using the one in %s",
                            IMAGESFOLDER, exe);
        return;
      }
    }
    RUNTIME::DIAGNOSTIC("demo: no %s/ in the working folder nor beside the program (%s)",
                        IMAGESFOLDER, *exe != '\0' ? exe : "folder unknown");
  } catch (...) {
    // Out of memory building a path: the images stay where they were looked for.
  }
}

void GAME_ONINITIALIZE() {
  ONGAMEINITIALIZE.RAISE();
  BMPCURSOR.LOADFROMFILE(CURSORFILE);
  ENGINE::SETCURSOR(&BMPCURSOR, 5, 5);
  ENGINE::SHOWCURSOR();
  ONGAMEREADY.RAISE();
}

void SHOWSCREEN(int32_t SCR) {
  const int32_t TRANSEFFECT = MATH::RANDOM(1, 7);
  const int32_t TRANSDIR = MATH::RANDOM(0, 7);
  const int32_t EASINGEFFECT = MATH::RANDOM(0, 18);
  ENGINE::SHOW(SCR, static_cast<ENGINE::TRANSITIONEFFECT>(TRANSEFFECT),
               static_cast<ENGINE::TRANSITIONDIRECTION>(TRANSDIR),
               static_cast<EFFECT::EASING>(EASINGEFFECT), SCREENCHANGESECONDS);
}

int DEMOMAIN() {
  ONGAMEINITIALIZE += SCREEN1::GAME_ONINITIALIZE;
  ONGAMEREADY += SCREEN1::GAME_ONREADY;
  ONGAMEINITIALIZE += SCREEN2::GAME_ONINITIALIZE;
  ONGAMEINITIALIZE += SCREEN3::GAME_ONINITIALIZE;
  ONGAMEINITIALIZE += SCREEN4::GAME_ONINITIALIZE;
  FINDIMAGES();
  ENGINE::WINDOWTITLE(DEMOTITLE);
  if (!ENGINE::INITIALIZE(WINDOWWIDTH, WINDOWHEIGHT, FALSE, WINDOWFLAGS)) {
    std::fprintf(stderr, "zarvo demo: cannot open the %dx%d window: %s\n", WINDOWWIDTH,
                 WINDOWHEIGHT, ENGINE::INITIALIZEERROR());
  }
  return 1;
}
