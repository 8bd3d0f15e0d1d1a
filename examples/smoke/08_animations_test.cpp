// Every ball starts on the left; after the two-second crossing each one,
// whatever its curve, stands on the right; on the way they are apart.
#include <set>

#include "drive.hpp"

int EXAMPLEMAIN();

namespace {
constexpr int32_t LEFT = 40, RIGHT = 560, SIZE = 32;
// The x of the ball in row i: the first lit pixel along its middle line.
int32_t ballx(int32_t i) {
  const int32_t y = 60 + i * 64 + SIZE / 2;
  for (int32_t x = 0; x < 640; ++x)
    if (SMOKE::PIXEL(x, y) != 0xFF101820u) return x;
  return -1;
}
}  // namespace

TEST(Animations, BallsFollowTheirCurvesAndMeetAtTheEnd) {
  static int32_t start[6], middle[6], end[6];
  const int status = SMOKE::RUN({{0.0, [] { for (int i = 0; i < 6; ++i) start[i] = ballx(i); }},
                                 {0.7, [] { for (int i = 0; i < 6; ++i) middle[i] = ballx(i); }},
                                 {2.2, [] { for (int i = 0; i < 6; ++i) end[i] = ballx(i); }},
                                 {2.3, SMOKE::ESCAPE}},
                                EXAMPLEMAIN);
  EXPECT_EQ(status, 0);
  std::set<int32_t> apart;
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(start[i], LEFT) << "ball " << i;
    EXPECT_EQ(end[i], RIGHT) << "ball " << i;
    apart.insert(middle[i]);
  }
  EXPECT_EQ(apart.size(), 6u) << "each curve puts its ball somewhere else on the way";
  EXPECT_NEAR(middle[0], LEFT + (RIGHT - LEFT) * 0.35, 2) << "the linear one is 35% along";
}
