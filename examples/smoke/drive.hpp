#pragma once
// Runs an example's main on the headless backend with a script: each step
// runs once the virtual clock (1 ms per pass of the loop) reaches its time.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "zarvo/zarvo.hpp"

namespace SMOKE {

struct STEP {
  double at;  // seconds after the start
  std::function<void()> run;
};

inline std::vector<STEP> steps;
inline size_t nextstep = 0;
inline double origin = 0;

inline void hook(uint64_t, double now) {
  while (nextstep < steps.size() && now - origin >= steps[nextstep].at) steps[nextstep++].run();
  if (now - origin > 30) ZARVO::ENGINE::SHUTDOWN(ZARVO::TRUE);  // a script that lost its way
}

// Calls MAIN (the example's main, renamed) with the script armed; returns its status.
template <typename MAIN>
int RUN(std::vector<STEP> script, MAIN main) {
  ZARVO::HEADLESS::USE();
  steps = std::move(script);
  origin = ZARVO::HEADLESS::TIME();
  ZARVO::HEADLESS::ONDELAY(hook);
  ZARVO::HEADLESS::SETPOINTER(0, 0, false);
  return main();
}

// A pixel of the screen as last presented.
inline uint32_t PIXEL(int32_t x, int32_t y) {
  return ZARVO::HEADLESS::FRAME()[static_cast<size_t>(y) * ZARVO::RUNTIME::SCREENWIDTH() + x];
}

inline void PRESS(int32_t scancode, int32_t ascii = 0) {
  ZARVO::HEADLESS::PUSHKEY(ZARVO::RUNTIME::EVT_KEYPRESS, scancode, ascii);
}
inline void RELEASE(int32_t scancode) {
  ZARVO::HEADLESS::PUSHKEY(ZARVO::RUNTIME::EVT_KEYRELEASE, scancode, 0);
}
inline void ESCAPE() {
  PRESS(1, 27);
  RELEASE(1);
}

}  // namespace SMOKE
