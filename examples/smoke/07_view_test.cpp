// The viewer shows a picture made by the project's artwork tool at its own
// size (over the checkerboard, in a window at least 160 x 120), and refuses
// files that are missing or not PNG with a reason and status 1.
#include <cstdio>
#include <string>

#include "drive.hpp"

int EXAMPLEMAIN(int argc, char** argv);

using namespace ZARVO;

namespace {
int view(const char* file) {
  static std::string name;
  name = file;
  char program[] = "zarvo-view";
  char* argv[] = {program, name.data(), nullptr};
  return EXAMPLEMAIN(2, argv);
}
}  // namespace

TEST(View, ShowsThePictureAtItsSize) {
  static const std::string file = ZARVO_ARTWORK_DIR "/button.png";
  static uint32_t middle = 0, corner = 0, want = 1;
  const int status = SMOKE::RUN({{0.1,
                                  [] {
                                    auto* png = static_cast<RUNTIME::IMAGE*>(
                                        PNG::LOADFILE(file.c_str(), PNG::SELECT_IMAGE));
                                    ASSERT_NE(png, nullptr);
                                    const uint32_t w = png->WIDTH, h = png->HEIGHT;
                                    want = RUNTIME::ROW32(png, h / 2)[w / 2];
                                    RUNTIME::IMAGEDESTROY(png);
                                    // Centred in the window.
                                    middle = SMOKE::PIXEL((160 - w) / 2 + w / 2, (120 - h) / 2 + h / 2);
                                    corner = SMOKE::PIXEL(0, 0);
                                  }},
                                 {0.2, SMOKE::ESCAPE}},
                                [] { return view(file.c_str()); });
  EXPECT_EQ(status, 0);
  EXPECT_EQ(RUNTIME::SCREENWIDTH(), 160) << "a 64 x 41 button gets the smallest window";
  EXPECT_EQ(RUNTIME::SCREENHEIGHT(), 120);
  EXPECT_EQ(std::string(HEADLESS::TITLE()), "zarvo-view: " + file);
  EXPECT_EQ(corner, 0xFF9A9A9Au) << "checkerboard";
  EXPECT_EQ(want >> 24, 255u) << "the button is opaque in the middle";
  // The alpha put weighs by alpha / 256, so even opaque pixels keep 1/256 of
  // the checkerboard beneath.
  for (int shift = 0; shift < 24; shift += 8)
    EXPECT_NEAR(int(middle >> shift & 255), int(want >> shift & 255), 1) << std::hex << middle;
}

TEST(View, RefusesAMissingFileWithAReason) {
  HEADLESS::USE();
  testing::internal::CaptureStderr();
  EXPECT_EQ(view("no-such-file.png"), 1);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("zarvo-view: no-such-file.png refused: "), std::string::npos) << err;
  EXPECT_EQ(HEADLESS::OPENCOUNT(), 0) << "no window for a refused file";
}

TEST(View, RefusesAFileThatIsNotPng) {
  HEADLESS::USE();
  const char* name = "not-a-picture.png";
  std::FILE* f = std::fopen(name, "wb");
  ASSERT_NE(f, nullptr);
  std::fputs("hello, not a picture\n", f);
  std::fclose(f);
  testing::internal::CaptureStderr();
  EXPECT_EQ(view(name), 1);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("refused"), std::string::npos) << err;
  std::remove(name);
}
