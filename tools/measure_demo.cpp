// Measures the demo's game loop in a real window: passes per second while a
// screen is idle, and paints per second during transitions. It runs the demo,
// changes screen every three seconds by itself, and prints the rates.
// Run from demo/ (it needs images/); stops after about 12 seconds.
#include <cstdio>

#include "demo.hpp"
#include "screens/screen.hpp"
#include "zarvo/zarvo.hpp"

using namespace ZARVO;

namespace {

double start = 0, lastchange = 0;
long idlepasses = 0, transitionpasses = 0, transitionpaints = 0;
double idletime = 0, transitiontime = 0;
int changes = 0;

void onframe(float elapsed, ENGINE::INPUTEVENT, ENGINE::EVENT&) {
  const double now = RUNTIME::TIMER();
  const bool intransition = ENGINE::ACTIVEGAMESCREEN == ENGINE::TRANSITION::TRANSITIONSCREEN;
  if (intransition) {
    ++transitionpasses;
    transitiontime += elapsed;
    return;
  }
  ++idlepasses;
  idletime += elapsed;
  if (now - start > 12) {
    ENGINE::SHUTDOWN(TRUE);
  } else if (now - lastchange > 3) {
    lastchange = now;
    ++changes;
    SHOWSCREEN(ENGINE::ACTIVEGAMESCREEN % 4 + 1);
  }
}

void onpaint(GRAPHICS::BITMAP&) { ++transitionpaints; }

void attach() {
  start = lastchange = RUNTIME::TIMER();
  for (int32_t s = 0; s < ENGINE::SCREENCOUNT; ++s) ENGINE::GAMESCREENS[s].ONFRAME += onframe;
  ENGINE::GAMESCREENS[ENGINE::TRANSITION::TRANSITIONSCREEN].ONPAINT += onpaint;
}

}  // namespace

int main() {
  ENGINE::ONSTART += attach;
  DEMOMAIN();
  std::printf("idle: %ld passes in %.2f s = %.0f passes/s\n", idlepasses, idletime,
              idlepasses / idletime);
  std::printf("transitions (%d): %ld passes, %ld paints in %.2f s = %.0f paints/s\n", changes,
              transitionpasses, transitionpaints, transitiontime,
              transitionpaints / transitiontime);
  return 0;
}
