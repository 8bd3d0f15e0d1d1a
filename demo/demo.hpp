#pragma once
// The demo's main module: start-up, the first screen, and screen changes.
#include <cstdint>

#include "zarvo/zarvo.hpp"

extern ZARVO::__SIMPLE_EVENT ONGAMEINITIALIZE;  // the screens register themselves
extern ZARVO::__SIMPLE_EVENT ONGAMEREADY;       // shows the first screen
extern ZARVO::GRAPHICS::BITMAP BMPCURSOR;

inline constexpr int32_t WINDOWWIDTH = 640;
inline constexpr int32_t WINDOWHEIGHT = 480;
inline constexpr int32_t WINDOWFLAGS = 4;  // no switching to full screen
inline constexpr const char* DEMOTITLE = "ZarvoGameEngine screen transitions demo";
inline constexpr const char* IMAGESFOLDER = "images";
inline constexpr const char* CURSORFILE = "images/cursor.png";
inline constexpr float SCREENCHANGESECONDS = 2.0f;

// Makes the program's own folder the working folder when the working folder
// has no images/ and the program's folder has (the demo started from elsewhere).
void FINDIMAGES();
// Handler of the engine's ONINITIALIZE.
void GAME_ONINITIALIZE();
// Shows a screen through a random effect, direction and easing.
void SHOWSCREEN(int32_t SCR);
// The entry procedure's body: wires the screens, runs the game, and returns
// the exit status (1; also when the window cannot be opened).
int DEMOMAIN();
