// Writes the seed corpus of the PNG fuzz target into the directory given as
// the only argument: every colour type and depth, plain and interlaced, with
// transparency chunks and image data split over several chunks.
#include <cstdio>
#include <string>

#include "support/png_writer.hpp"

using namespace PNGTEST;

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
    return 2;
  }
  const int formats[][2] = {{0, 1}, {0, 2}, {0, 4},  {0, 8}, {0, 16}, {3, 1}, {3, 2}, {3, 4},
                            {3, 8}, {2, 8}, {2, 16}, {4, 8}, {4, 16}, {6, 8}, {6, 16}};
  int count = 0;
  uint32_t seed = 1;
  for (const auto& f : formats) {
    for (int variant = 0; variant < 4; ++variant) {
      const uint8_t ct = static_cast<uint8_t>(f[0]), depth = static_cast<uint8_t>(f[1]);
      const uint32_t w = 1 + (seed * 7) % 19, h = 1 + (seed * 5) % 13;
      PICTURE p = RANDOMPICTURE(w, h, depth, ct, seed++);
      OPTIONS o;
      o.INTERLACE = variant & 1;
      o.FILTER = variant == 3 ? 4 : -1;
      if (variant == 2) {
        o.IDATSPLIT = 16;
        o.BETWEEN = CHUNK("tEXt", {'k', 0, 'v'});
      }
      if (ct == 3) o.PLTE = BYTES(3u << depth, 0x5A);
      if (variant >= 2 && ct != 4 && ct != 6) {
        o.HASTRNS = true;
        o.TRNS = ct == 3 ? BYTES{0, 128} : ct == 0 ? BYTES{0, 1} : BYTES{0, 1, 0, 2, 0, 3};
      }
      const BYTES file = ENCODE(p, o);
      const std::string path = std::string(argv[1]) + "/seed" + std::to_string(count++) + ".png";
      std::FILE* out = std::fopen(path.c_str(), "wb");
      if (!out || std::fwrite(file.data(), 1, file.size(), out) != file.size()) return 1;
      std::fclose(out);
    }
  }
  return 0;
}
