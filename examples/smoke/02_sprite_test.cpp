// Holding Right for one second moves the sprite 200 pixels; releasing stops it.
#include "drive.hpp"

int EXAMPLEMAIN();

using namespace ZARVO;

namespace {
// The x of the sprite's first lit pixel along row y.
int32_t spritex(int32_t y) {
  for (int32_t x = 0; x < 640; ++x)
    if ((SMOKE::PIXEL(x, y) >> 8 & 0xFF) > 0xF0) return x;  // its white middle
  return -1;
}
}  // namespace

TEST(Sprite, HeldArrowMovesItAtItsSpeed) {
  static int32_t before = -1, held = -1, after = -1;
  const int status = SMOKE::RUN(
      {{0.1, [] { before = spritex(240); }},
       {0.2, [] { SMOKE::PRESS(ENGINE::KEY::RIGHT); }},
       {1.2, [] { SMOKE::RELEASE(ENGINE::KEY::RIGHT); }},
       {1.3, [] { held = spritex(240); }},
       {1.8, [] { after = spritex(240); }},
       {1.9, SMOKE::ESCAPE}},
      EXAMPLEMAIN);
  EXPECT_EQ(status, 0);
  ASSERT_GT(before, 0);
  EXPECT_NEAR(held - before, 200, 2) << "200 pixels a second";
  EXPECT_EQ(after, held) << "released: it stays";
}
