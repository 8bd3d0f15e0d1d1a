// The filter gallery paints its grid; the inverted copy is the negative of
// the original, pixel for pixel.
#include "drive.hpp"

int EXAMPLEMAIN();

TEST(Filters, InvertedTileIsTheNegativeOfTheOriginal) {
  static uint32_t original = 0, inverted = 0, sun = 0;
  const int status = SMOKE::RUN({{0.5,
                                  [] {
                                    original = SMOKE::PIXEL(20 + 10, 15 + 80);
                                    inverted = SMOKE::PIXEL(180 + 10, 15 + 80);
                                    sun = SMOKE::PIXEL(20 + 80, 15 + 30);
                                  }},
                                 {0.6, SMOKE::ESCAPE}},
                                EXAMPLEMAIN);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(sun, 0xFFFFD040u);
  EXPECT_NE(original, 0u);
  EXPECT_EQ(inverted, original ^ 0x00FFFFFFu);
}
