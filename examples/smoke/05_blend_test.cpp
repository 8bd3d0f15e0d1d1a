// Each of the 29 tiles is the top picture blended over the base by its mode:
// checked against the blend functions themselves, at a few points per tile.
#include "drive.hpp"

int EXAMPLEMAIN();

using namespace ZARVO;

namespace {
constexpr int32_t COLUMNS = 6, CELLW = 106, CELLH = 80;
uint32_t at(int32_t cell, int32_t dx, int32_t dy) {
  return SMOKE::PIXEL((cell % COLUMNS) * CELLW + 7 + dx, (cell / COLUMNS) * CELLH + 6 + dy);
}
}  // namespace

TEST(Blend, EveryTileIsItsBlendModeAtWork) {
  static int wrong = 0, checked = 0;
  const int status = SMOKE::RUN(
      {{0.2,
        [] {
          const int32_t points[][2] = {{48, 26}, {30, 20}, {66, 40}, {5, 5}};
          for (int32_t mode = 0; mode < 29; ++mode)
            for (const auto& p : points) {
              const uint32_t base = at(29, p[0], p[1]), top = at(30, p[0], p[1]);
              const uint32_t want = GRAPHICS::BLENDER::FUNCTION(9 + mode)(top, base, nullptr);
              ++checked;
              if (at(mode, p[0], p[1]) != want) {
                ++wrong;
                ADD_FAILURE() << "mode " << 9 + mode << " at " << p[0] << "," << p[1];
              }
            }
        }},
       {0.3, SMOKE::ESCAPE}},
      EXAMPLEMAIN);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(checked, 29 * 4);
  EXPECT_EQ(wrong, 0);
}
