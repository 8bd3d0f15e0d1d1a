// The smallest program clears the screen and writes its line in white.
#include "drive.hpp"

int EXAMPLEMAIN();

TEST(Hello, ClearedScreenWithText) {
  static uint32_t corner = 0;
  static int white = 0;
  const int status = SMOKE::RUN({{0.1,
                                  [] {
                                    corner = SMOKE::PIXEL(600, 400);
                                    for (int32_t y = 40; y < 90; ++y)
                                      for (int32_t x = 40; x < 320; ++x)
                                        white += SMOKE::PIXEL(x, y) == 0xFFFFFFFFu;
                                  }},
                                 {0.2, SMOKE::ESCAPE}},
                                EXAMPLEMAIN);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(corner, 0xFF1E2A3Au);
  EXPECT_GT(white, 100) << "the text's solid strokes";
  EXPECT_EQ(std::string(ZARVO::HEADLESS::TITLE()), "Hello, Zarvo");
}
