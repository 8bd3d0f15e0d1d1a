// The engine on the headless backend: INITIALIZE, the screen table, the loop
// pass by pass (input mapping, paint and cursor, frame events), SHUTDOWN and
// the cursor procedures. Each test runs in its own process.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "zarvo/engine.hpp"
#include "zarvo/runtime/headless/headless.hpp"
#include "zarvo/runtime/runtime.hpp"

using namespace ZARVO;
using namespace ZARVO::ENGINE;
namespace HL = ZARVO::HEADLESS;

namespace {

std::string log;

struct FRAMEREC {
  float elapsed;
  INPUTEVENT kind;
  EVENT rec;
};
std::vector<FRAMEREC> frames;

void onframe(float e, INPUTEVENT k, EVENT& r) { frames.push_back({e, k, r}); }

// Opens a 64x48 headless window with one screen (number 0) attached to the
// recorders, and makes it active so START runs.
int32_t setupgame() {
  HL::USE();
  EXPECT_EQ(INITIALIZE(64, 48, FALSE, 0), TRUE);
  const int32_t s = NEWGAMESCREEN();
  GAMESCREENS[s].ONFRAME += onframe;
  ACTIVEGAMESCREEN = s;
  return s;
}

// Ends the loop after a given number of delays.
uint64_t stopafter = 0;
void stophook(uint64_t n, double) {
  if (n >= stopafter) GAMELOOPRUNNING = FALSE;
}

// Runs n passes of the loop. The loop runs once per process, so later calls
// reopen the guard to continue the same game.
void runpasses(uint64_t n) {
  stopafter = HL::DELAYCOUNT() + n;
  HL::ONDELAY(stophook);
  STARTED = FALSE;
  START();
}

EVENT make(int32_t type, int32_t a = 0, int32_t b = 0, int32_t c = 0, int32_t d = 0) {
  EVENT e;
  e.TYPE = type;
  e.RAW[0] = a;
  e.RAW[1] = b;
  e.RAW[2] = c;
  e.RAW[3] = d;
  return e;
}

}  // namespace

TEST(Engine, InitializeRaisesEventsOnceAndHidesPointer) {
  HL::USE();
  ONBEFOREINITIALIZE += [] { log += "B"; };
  ONINITIALIZE += [] { log += "I"; };
  EXPECT_EQ(INITIALIZE(64, 48, FALSE, 0), TRUE);
  EXPECT_EQ(log, "BI");
  EXPECT_EQ(SCREENRESOLUTION.WIDTH, 64);
  EXPECT_EQ(std::string(SCREENRESOLUTION), "64x48");
  EXPECT_FALSE(HL::SYSTEMPOINTERVISIBLE());
  EXPECT_EQ(MOUSECURSORVISIBLE, FALSE);
  EXPECT_EQ(INITIALIZE(320, 200, TRUE, 0), TRUE);
  EXPECT_EQ(log, "BI") << "a second call does nothing";
  EXPECT_EQ(SCREENRESOLUTION.HEIGHT, 48);
}

TEST(Engine, InitializeFlagsWord) {
  HL::USE();
  EXPECT_EQ(INITIALIZE(RESOLUTION{32, 32}, TRUE, 4), TRUE);
  EXPECT_EQ(HL::OPENFLAGS(), 5);
}

TEST(Engine, InitializeFullScreenFromFlagsAlone) {
  HL::USE();
  EXPECT_EQ(INITIALIZE(32, 32, FALSE, 1), TRUE);
  EXPECT_EQ(HL::OPENFLAGS(), 1);
}

TEST(Engine, FailedInitializeChangesNothing) {
  HL::USE();
  HL::FAILOPEN(true);
  ONINITIALIZE += [] { log += "I"; };
  EXPECT_EQ(INITIALIZE(64, 48, FALSE, 0), FALSE);
  EXPECT_EQ(INITIALIZED, FALSE);
  EXPECT_EQ(log, "");
  EXPECT_STRNE(INITIALIZEERROR(), "");
  HL::FAILOPEN(false);
  EXPECT_EQ(INITIALIZE(64, 48, FALSE, 0), TRUE);
  EXPECT_EQ(log, "I");
}

TEST(Engine, ScreenNumbersAndUnknownScreens) {
  EXPECT_EQ(NEWGAMESCREEN(), 0);
  GAMESCREENEVENTS& first = GAMESCREENS[0];
  for (int i = 1; i < 50; ++i) EXPECT_EQ(NEWGAMESCREEN(), i);
  EXPECT_EQ(SCREENCOUNT, 50);
  EXPECT_EQ(&first, &GAMESCREENS[0]) << "entries never move";
  EXPECT_EQ(GAMESCREENS.FIND(50), nullptr);
  EXPECT_EQ(GAMESCREENS.FIND(-1), nullptr);
  GAMESCREENS[99].ONSHOW.RAISE();  // harmless
}

TEST(Engine, StartGuards) {
  HL::USE();
  INITIALIZE(64, 48, FALSE, 0);
  NEWGAMESCREEN();
  START();
  EXPECT_EQ(STARTED, FALSE) << "no active screen";
  ACTIVEGAMESCREEN = 0;
  stopafter = 3;
  HL::ONDELAY(stophook);
  START();
  EXPECT_EQ(STARTED, TRUE);
  const uint64_t delays = HL::DELAYCOUNT();
  GAMELOOPRUNNING = TRUE;
  START();
  EXPECT_EQ(HL::DELAYCOUNT(), delays) << "the loop runs once per process";
}

TEST(Engine, FramesEveryPassWithElapsedTimeAndKeptRecord) {
  setupgame();
  ONSTART += [] { HL::SETTIME(HL::TIME() + 0.25); };  // time spent in ONSTART counts
  HL::PUSHKEY(1, 30, 'a');
  runpasses(3);
  ASSERT_EQ(frames.size(), 3u);
  EXPECT_NEAR(frames[0].elapsed, 0.25, 1e-6);
  EXPECT_NEAR(frames[1].elapsed, 0.001, 1e-6);
  EXPECT_EQ(frames[0].kind, INPUTEVENT::KEYPRESS);
  EXPECT_EQ(frames[0].rec.SCANCODE, 30);
  EXPECT_EQ(frames[0].rec.ASCII, 'a');
  EXPECT_EQ(frames[1].kind, INPUTEVENT::NONE);
  EXPECT_EQ(frames[1].rec.TYPE, 1) << "the last record is kept";
  EXPECT_EQ(frames[2].rec.SCANCODE, 30);
}

// Each platform event type, one per pass: the kind frame handlers receive and
// the engine-wide events raised.
TEST(Engine, InputMappingTable) {
  setupgame();
  ONMOUSEENTER += [] { log += MOUSECURSORINSIDEWINDOW ? "e1" : "e0"; };
  ONMOUSELEAVE += [] { log += MOUSECURSORINSIDEWINDOW ? "l1" : "l0"; };
  ONFOCUS += [] { log += "f"; };
  ONBLUR += [] { log += "b"; };
  for (int t = 1; t <= 14; ++t)
    if (t != 13) HL::PUSHEVENT(make(t, t * 10, t * 20, 1, 2));
  runpasses(14);
  const INPUTEVENT want[14] = {
      INPUTEVENT::KEYPRESS,         INPUTEVENT::KEYRELEASE,         INPUTEVENT::KEYREPEAT,
      INPUTEVENT::MOUSEMOVE,        INPUTEVENT::MOUSEBUTTONPRESS,   INPUTEVENT::MOUSEBUTTONRELEASE,
      INPUTEVENT::NONE,             INPUTEVENT::NONE,               INPUTEVENT::NONE,
      INPUTEVENT::NONE,             INPUTEVENT::NONE,               INPUTEVENT::NONE,
      INPUTEVENT::MOUSEHWHEEL,      INPUTEVENT::NONE};
  ASSERT_EQ(frames.size(), 14u);
  for (int i = 0; i < 14; ++i) EXPECT_EQ(frames[i].kind, want[i]) << "pass " << i;
  EXPECT_EQ(frames[6].rec.TYPE, 7) << "a double click arrives as NONE with its record";
  EXPECT_EQ(frames[7].rec.TYPE, 8);
  EXPECT_EQ(frames[12].rec.W, 140);
  EXPECT_EQ(log, "e0l1fb") << "raised before the flag of the same row changes";
  EXPECT_EQ(MOUSECURSORINSIDEWINDOW, FALSE);
  EXPECT_EQ(REPAINTNEEDED, FALSE) << "a move without a cursor bitmap requests no repaint";
}

namespace {
GRAPHICS::BITMAP* cursor;
std::vector<uint32_t> paintedat;  // screen pixel under the cursor spot when ONPAINT ran
void paintwhite(GRAPHICS::BITMAP& b) {
  EXPECT_EQ(b.HANDLE(), nullptr) << "paint handlers get the empty screen bitmap";
  GRAPHICS::BITMAP white(64, 48, 0xFFFFFFFFu);
  white.DRAWTO(b);
  log += "P";
}
}  // namespace

TEST(Engine, CursorDrawnOverPaintAtHotSpot) {
  const int32_t s = setupgame();
  GAMESCREENS[s].ONPAINT += paintwhite;
  cursor = new GRAPHICS::BITMAP(2, 2, 0xFF0000FFu);
  SETCURSOR(cursor, 5, 5);
  SHOWCURSOR();
  EXPECT_FALSE(HL::SYSTEMPOINTERVISIBLE()) << "with a bitmap the system pointer stays hidden";
  HL::PUSHEVENT(make(9));
  HL::PUSHEVENT(make(4, 10, 20, 0, 0));
  HL::PUSHKEY(1, 57, ' ');
  runpasses(2);
  EXPECT_EQ(log, "P") << "the move asked for a repaint, carried out in the same pass";
  const uint32_t* scr = RUNTIME::SCREENPTR();
  EXPECT_EQ(scr[25 * 64 + 15], 0xFF0000FFu) << "cursor corner at position + hot spot";
  EXPECT_EQ(scr[26 * 64 + 16], 0xFF0000FFu);
  EXPECT_EQ(scr[27 * 64 + 17], 0xFFFFFFFFu);
  EXPECT_EQ(MOUSECURSORPOSITION.X, 10);
  // A repaint in a pass whose input is a key press paints without the cursor.
  REPAINT();
  runpasses(1);
  EXPECT_EQ(log, "PP");
  EXPECT_EQ(scr[25 * 64 + 15], 0xFFFFFFFFu);
  // A key press while no repaint is pending paints nothing.
  HL::PUSHKEY(1, 57, ' ');
  runpasses(1);
  EXPECT_EQ(log, "PP");
  delete cursor;
}

TEST(Engine, HiddenCursorIsNotTrackedNorDrawn) {
  const int32_t s = setupgame();
  GAMESCREENS[s].ONPAINT += paintwhite;
  GRAPHICS::BITMAP c(2, 2, 0xFF0000FFu);
  SETCURSOR(&c, 0, 0);
  HL::PUSHEVENT(make(9));
  HL::PUSHEVENT(make(4, 10, 20, 0, 0));
  runpasses(2);
  EXPECT_EQ(log, "");
  EXPECT_EQ(MOUSECURSORPOSITION.X, -1) << "as read while the pointer was outside";
  // Leaving with a visible cursor records the position and repaints.
  SHOWCURSOR();
  HL::PUSHEVENT(make(10, 7, 8));
  runpasses(1);
  EXPECT_EQ(MOUSECURSORPOSITION.X, 7);
  EXPECT_EQ(log, "P");
  EXPECT_EQ(RUNTIME::SCREENPTR()[8 * 64 + 7], 0xFFFFFFFFu) << "outside the window: no cursor";
}

TEST(Engine, CursorProceduresWithoutBitmap) {
  HL::USE();
  INITIALIZE(64, 48, FALSE, 0);
  HL::SETPOINTER(30, 40, true);
  SHOWCURSOR();
  EXPECT_TRUE(HL::SYSTEMPOINTERVISIBLE());
  EXPECT_EQ(MOUSECURSORPOSITION.X, 30);
  EXPECT_EQ(MOUSECURSORPOSITION.Y, 40);
  EXPECT_EQ(HL::PENDING(), 0u) << "setting the pointer where it is moves nothing";
  HIDECURSOR();
  EXPECT_FALSE(HL::SYSTEMPOINTERVISIBLE());
  GRAPHICS::BITMAP c(2, 2, 0);
  SETCURSOR(&c, 3, 4);
  SHOWCURSOR();
  EXPECT_FALSE(HL::SYSTEMPOINTERVISIBLE()) << "with a bitmap only the flag changes";
  EXPECT_EQ(MOUSECURSORVISIBLE, TRUE);
  SETCURSOR(nullptr, 9, 9);
  EXPECT_EQ(MOUSECURSORHOTSPOT.X, 3) << "null keeps the hot spot";
  SHOWCURSOR();
  EXPECT_TRUE(HL::SYSTEMPOINTERVISIBLE());
}

TEST(Engine, CloseRequestCanBeVetoed) {
  const int32_t s = setupgame();
  static bool veto = true;
  ONSHUTDOWN += [](BOOLEAN& cancel) {
    log += "S";
    if (veto) cancel = TRUE;
  };
  GAMESCREENS[s].ONHIDE += [](int32_t next, BOOLEAN& cancel) {
    log += "H";
    log += std::to_string(next);
    cancel = TRUE;  // cannot stop a shut-down
  };
  ONDESTROY += [] { log += "D"; };
  HL::PUSHEVENT(make(13));
  runpasses(3);
  EXPECT_EQ(log, "S");
  EXPECT_EQ(frames.size(), 3u) << "vetoed: the game goes on";
  veto = false;
  HL::PUSHEVENT(make(13));
  HL::ONDELAY(nullptr);
  frames.clear();
  GAMELOOPRUNNING = TRUE;
  STARTED = FALSE;
  START();
  EXPECT_EQ(log, "SSH-1D");
  EXPECT_EQ(frames.size(), 1u) << "the pass that shut down still raised its frame";
  EXPECT_EQ(GAMELOOPRUNNING, FALSE);
}

TEST(Engine, ForcedShutdownIgnoresVeto) {
  HL::USE();
  INITIALIZE(64, 48, FALSE, 0);
  ONSHUTDOWN += [](BOOLEAN& cancel) { cancel = TRUE; };
  EXPECT_EQ(SHUTDOWN(FALSE), FALSE);
  EXPECT_EQ(SHUTDOWN(TRUE), TRUE);
  EXPECT_EQ(GAMELOOPRUNNING, FALSE);
}

TEST(Engine, PresentsOnlyWhatChanged) {
  const int32_t s = setupgame();
  GAMESCREENS[s].ONPAINT += paintwhite;
  REPAINT();
  const uint64_t before = RUNTIME::PRESENTCOUNT();
  runpasses(10);
  EXPECT_EQ(RUNTIME::PRESENTCOUNT(), before + 1) << "an idle game is not presented again";
  EXPECT_EQ(HL::FRAME()[0], 0xFFFFFFFFu);
}

// A game writing straight into the screen buffer is shown, once per write;
// the engine's own draws stay marked by rows.
TEST(Engine, WritesThroughTheScreenPointerArePresented) {
  const int32_t s = setupgame();
  static int32_t paints = 0;
  GAMESCREENS[s].ONPAINT += [](GRAPHICS::BITMAP&) {
    ++paints;
    RUNTIME::SCREENPTR()[5 * 64 + 7] = 0xFF00FF00u + static_cast<uint32_t>(paints);
  };
  runpasses(3);  // the first present after opening shows the black screen
  REPAINT();
  const uint64_t before = RUNTIME::PRESENTCOUNT();
  runpasses(10);
  EXPECT_EQ(paints, 1);
  EXPECT_EQ(HL::FRAME()[5 * 64 + 7], 0xFF00FF01u) << "the direct write reached the frame";
  EXPECT_EQ(RUNTIME::PRESENTCOUNT(), before + 1) << "and only that pass was presented";
}

TEST(Resolution, TextFormListAndModes) {
  EXPECT_EQ(std::string(RESOLUTION{640, 480}), "640x480");
  EXPECT_EQ(std::string(RESOLUTION{-3, 0}), "-3x0");
  RESOLUTIONLIST l;
  l.ADD(1, 2);
  l.ADD(3, 4);
  l.ADD(5, 6);
  ASSERT_EQ(l.COUNT, 3);
  EXPECT_EQ(l.LIST[2].WIDTH, 5);
  RESOLUTIONLIST copy = l;
  EXPECT_NE(copy.LIST, l.LIST);
  EXPECT_EQ(copy.LIST[1].HEIGHT, 4);

  HL::USE();
  const uint32_t modes[] = {0x05000320u, (640u << 16) | 480u};
  HL::SETMODES(modes, 2);
  RESOLUTIONLIST m = SUPPORTEDRESOLUTIONS();
  ASSERT_EQ(m.COUNT, 2);
  EXPECT_EQ(m.LIST[0].WIDTH, 1280);
  EXPECT_EQ(m.LIST[0].HEIGHT, 800);
  HL::SETMODES(nullptr, 0);
  RESOLUTIONLIST none = SUPPORTEDRESOLUTIONS();
  EXPECT_EQ(none.COUNT, 0);
  EXPECT_EQ(none.LIST, nullptr);
}
