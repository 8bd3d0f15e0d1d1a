// The gallery fades in from black, waits, then slides to the other screen,
// naming each combination in the title as it starts.
#include <string>

#include "drive.hpp"

int EXAMPLEMAIN();

using namespace ZARVO;

TEST(Transitions, StepsThroughTheCombinations) {
  static int32_t during1 = -2, after1 = -2, during2 = -2, after2 = -2;
  static std::string title1, title2;
  const int status = SMOKE::RUN(
      {{0.5, [] { during1 = ENGINE::ACTIVEGAMESCREEN; title1 = HEADLESS::TITLE(); }},
       {1.1, [] { after1 = ENGINE::ACTIVEGAMESCREEN; }},
       {2.0, [] { during2 = ENGINE::ACTIVEGAMESCREEN; title2 = HEADLESS::TITLE(); }},
       {2.8, [] { after2 = ENGINE::ACTIVEGAMESCREEN; }},
       {2.9, SMOKE::ESCAPE}},
      EXAMPLEMAIN);
  EXPECT_EQ(status, 0);
  const int32_t transition = ENGINE::TRANSITION::TRANSITIONSCREEN;
  EXPECT_EQ(during1, transition);
  EXPECT_EQ(title1, "FADE  FROMLEFT  LINEAR");
  EXPECT_EQ(after1, 1) << "screen 0 is the transition driver's; the gallery's are 1 and 2";
  EXPECT_EQ(during2, transition);
  EXPECT_EQ(title2, "SLIDEIN  FROMRIGHT  EASEIN");
  EXPECT_EQ(after2, 2);
}
