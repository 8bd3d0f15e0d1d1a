// The cosine table starts empty and is filled by the first INTERPOLATION, so
// each test needs a process of its own (ctest runs them so).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "zarvo/graphics/blender.hpp"

using namespace ZARVO;
namespace BL = ZARVO::GRAPHICS::BLENDER;

namespace {
int32_t FOUR = 4;

void expectfilled() {
  ASSERT_EQ(BL::COSINETABLEINITIALIZED, TRUE);
  for (int i = 0; i <= 10; ++i) EXPECT_EQ(BL::COSINETABLE[i], 0) << i;
  EXPECT_EQ(BL::COSINETABLE[11], 1);
  EXPECT_EQ(BL::COSINETABLE[64], 19);
  EXPECT_EQ(BL::COSINETABLE[127], 64);
  EXPECT_EQ(BL::COSINETABLE[128], 64);
  EXPECT_EQ(BL::COSINETABLE[191], 109);
  EXPECT_EQ(BL::COSINETABLE[254], 128);
  EXPECT_EQ(BL::COSINETABLE[255], 128);
  for (int i = 0; i < 256; ++i)
    EXPECT_EQ(BL::COSINETABLE[i], std::floor(64.0 - 64.0 * std::cos(i * M_PI / 255.0) + 0.5)) << i;
}

#define NEEDFRESHTABLE() \
  if (BL::COSINETABLEINITIALIZED != FALSE) GTEST_SKIP() << "the table was filled earlier in this process"
}  // namespace

TEST(BlendCosine, FirstInterpolationFillsTheTableEvenWhenItDrawsNothing) {
  NEEDFRESHTABLE();
  for (int i = 0; i < 256; ++i) ASSERT_EQ(BL::COSINETABLE[i], 0);
  BL::NORMAL(0xFF102030u, 0xFF405060u, &FOUR);  // other modes leave it alone
  std::vector<uint32_t> s(100, 0xFF808080u), d(100, 0xFF000000u);
  BL::ROWFUNCTION(9)(s.data(), d.data(), 100, &FOUR);
  EXPECT_EQ(BL::COSINETABLEINITIALIZED, FALSE);

  EXPECT_EQ(BL::INTERPOLATION(0x00FFFFFFu, 0xFF123456u, &FOUR), 0xFF123456u);  // alpha 0
  expectfilled();
  EXPECT_EQ(BL::INTERPOLATION(0xFF4000FFu, 0x07BF00FFu, &FOUR), 0xFF8000FFu);  // 19+109, 0, 256

  uint8_t before[256];
  std::memcpy(before, BL::COSINETABLE, 256);
  BL::INITIALIZECOSINETABLE();
  EXPECT_EQ(std::memcmp(before, BL::COSINETABLE, 256), 0);
}

TEST(BlendCosine, FirstLongRowFillsTheTable) {
  NEEDFRESHTABLE();
  std::vector<uint32_t> s(300, 0xFF40FF00u), d(300, 0xFFBF0000u);
  BL::ROWFUNCTION(17)(s.data(), d.data(), 300, &FOUR);
  expectfilled();
  for (uint32_t p : d) ASSERT_EQ(p, 0xFF808000u);
}

TEST(BlendCosine, FirstShortRowFillsTheTable) {
  NEEDFRESHTABLE();
  std::vector<uint32_t> s(5, 0xFF40FF00u), d(5, 0xFFBF0000u);
  BL::ROWFUNCTION(17)(s.data(), d.data(), 5, &FOUR);
  expectfilled();
  for (uint32_t p : d) ASSERT_EQ(p, 0xFF808000u);
}
