// PNG decoding in memory: the engine's decoder beside zlib's uncompress of the
// same image data alone (the floor), libpng (classic API, to BGRA), libspng
// (RGBA8) and stb_image (4 channels).
//
// The images come from bench/make_png_images.sh; they are generated on first
// use into bench/data (or ZARVO_PNG_BENCH_DATA). The single-filter pictures
// are made here: the unblurred plasma written again with one filter type on
// every row. Before the timings, each decoder's peak memory for one decode is
// measured in a child process.
//
// The unfilter kernels are measured alone too (unfilter/TYPE/PIXELBYTES): MB/s
// of scanline data for every filter type and pixel size, rows taken four at a
// time as the decoder does, at the level in effect (ZARVO_SIMD lowers it); and
// the conversion of rows to pixels at every level (convert/FORMAT/LEVEL).
#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "support/png_writer.hpp"
#include "zarvo/png/png.hpp"
#include "zarvo/png/pngrows.hpp"
#include "zarvo/runtime/image.hpp"
#include "zarvo/runtime/simd.hpp"

#ifdef ZARVO_HAVE_LIBPNG
#include <png.h>
#endif
#ifdef ZARVO_HAVE_SPNG
#include <spng.h>
#endif
#ifdef ZARVO_HAVE_STB
#include <stb_image.h>
#endif

namespace {

namespace fs = std::filesystem;
using ZARVO::PNG::LOADMEMORY;
using ZARVO::PNG::SELECT_IMAGE;

struct IMAGEFILE {
  std::string NAME;
  std::vector<uint8_t> BYTES;
  std::vector<uint8_t> IDAT;  // the concatenated image data
  size_t RAWSIZE = 0;         // its inflated size
};

uint32_t BE32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

std::vector<IMAGEFILE> LOADIMAGES() {
  fs::path dir = fs::path(__FILE__).parent_path() / "data";
  if (const char* env = std::getenv("ZARVO_PNG_BENCH_DATA")) dir = env;
  const fs::path script = fs::path(__FILE__).parent_path() / "make_png_images.sh";
  if (!fs::exists(dir / ".complete-2")) {
    const std::string cmd = "sh '" + script.string() + "' '" + dir.string() + "' >/dev/null";
    if (std::system(cmd.c_str()) != 0) std::fprintf(stderr, "could not generate the images\n");
  }
  std::vector<IMAGEFILE> out;
  std::vector<fs::path> files;
  if (fs::is_directory(dir))
    for (const auto& e : fs::directory_iterator(dir))
      if (e.path().extension() == ".png") files.push_back(e.path());
  std::sort(files.begin(), files.end());
  for (const auto& f : files) {
    IMAGEFILE im;
    im.NAME = f.stem().string();
    std::ifstream in(f, std::ios::binary);
    im.BYTES.assign(std::istreambuf_iterator<char>(in), {});
    for (size_t pos = 8; pos + 12 <= im.BYTES.size();) {
      const uint32_t len = BE32(&im.BYTES[pos]);
      if (std::memcmp(&im.BYTES[pos + 4], "IDAT", 4) == 0)
        im.IDAT.insert(im.IDAT.end(), &im.BYTES[pos + 8], &im.BYTES[pos + 8 + len]);
      pos += 12 + size_t{len};
    }
    std::vector<uint8_t> raw(64u << 20);
    uLongf got = raw.size();
    if (uncompress(raw.data(), &got, im.IDAT.data(), im.IDAT.size()) != Z_OK) continue;
    im.RAWSIZE = got;
    out.push_back(std::move(im));
  }
  // The plasma again with one filter type on every row.
  for (size_t k = 0, n = out.size(); k < n; ++k) {
    if (out[k].NAME != "plasma_1920x1080_rgb8") continue;
    const std::vector<uint8_t>& b = out[k].BYTES;
    auto* img = static_cast<ZARVO::RUNTIME::IMAGE*>(
        LOADMEMORY(b.data(), static_cast<int32_t>(b.size()), SELECT_IMAGE));
    if (!img) break;
    PNGTEST::PICTURE p{img->WIDTH, img->HEIGHT, 8, 2, {}};
    for (uint32_t y = 0; y < img->HEIGHT; ++y)
      for (uint32_t x = 0; x < img->WIDTH; ++x) {
        const uint32_t v = ZARVO::RUNTIME::ROW32(img, y)[x];
        p.S.insert(p.S.end(), {uint16_t((v >> 16) & 0xFF), uint16_t((v >> 8) & 0xFF),
                               uint16_t(v & 0xFF)});
      }
    ZARVO::RUNTIME::IMAGEDESTROY(img);
    for (int f = 0; f <= 4; ++f) {
      PNGTEST::OPTIONS o;
      o.FILTER = f;
      o.IDATSPLIT = 65536;  // as ImageMagick and libpng write it
      IMAGEFILE im;
      im.NAME = "filter" + std::to_string(f) + "_1920x1080_rgb8";
      im.BYTES = PNGTEST::ENCODE(p, o);
      for (size_t pos = 8; pos + 12 <= im.BYTES.size();) {
        const uint32_t len = BE32(&im.BYTES[pos]);
        if (std::memcmp(&im.BYTES[pos + 4], "IDAT", 4) == 0)
          im.IDAT.insert(im.IDAT.end(), &im.BYTES[pos + 8], &im.BYTES[pos + 8 + len]);
        pos += 12 + size_t{len};
      }
      im.RAWSIZE = size_t{p.W * 3 + 1} * p.H;
      out.push_back(std::move(im));
    }
    break;
  }
  return out;
}

// Unfilters a picture of scanlines (filter byte first) as the decoder does:
// the first row alone, then four rows at a time.
void UNFILTERALL(uint8_t* raw, size_t rowbytes, uint32_t rows, uint32_t unit) {
  namespace P = ZARVO::PNG;
  const size_t stride = rowbytes + 1;
  P::UNFILTERROW(raw[0], raw + 1, nullptr, rowbytes, unit);
  uint32_t r = 1;
  for (; r + 4 <= rows; r += 4) {
    uint8_t* l = raw + r * stride;
    P::UNFILTERQUAD(l[0], l + 1, l + 1 - stride, l + 1 + stride, l + 1 + 2 * stride,
                    l + 1 + 3 * stride, rowbytes, unit);
  }
  for (; r < rows; ++r)
    P::UNFILTERROW(raw[r * stride], raw + r * stride + 1, raw + (r - 1) * stride + 1, rowbytes,
                   unit);
}

// 4 MB of scanline data of one filter type and pixel size, unfiltered again
// and again (the filter bytes stay, the data drifts; the speed does not
// depend on the values).
void REGISTERUNFILTER() {
  static const char* NAMES[] = {"none", "sub", "up", "average", "paeth"};
  for (int type = 0; type <= 4; ++type) {
    for (uint32_t unit : {1u, 2u, 3u, 4u, 6u, 8u}) {
      const std::string name = std::string("unfilter/") + NAMES[type] + "/" + std::to_string(unit);
      benchmark::RegisterBenchmark(name.c_str(), [type, unit](benchmark::State& st) {
        const size_t rowbytes = 1920 * unit / 4 * 4;
        const uint32_t rows = static_cast<uint32_t>((4u << 20) / rowbytes);
        std::vector<uint8_t> raw((rowbytes + 1) * rows + ZARVO::PNG::ROWSLACK);
        uint32_t seed = 1;
        for (auto& b : raw) b = static_cast<uint8_t>((seed = seed * 1103515245 + 12345) >> 24);
        for (uint32_t r = 0; r < rows; ++r) raw[r * (rowbytes + 1)] = static_cast<uint8_t>(type);
        for (auto _ : st) {
          UNFILTERALL(raw.data(), rowbytes, rows, unit);
          benchmark::DoNotOptimize(raw.data());
        }
        st.SetBytesProcessed(static_cast<int64_t>(st.iterations()) * rowbytes * rows);
      })->Unit(benchmark::kMicrosecond);
    }
  }
}

// Full-HD rows of each format without a table converted to 0xAARRGGBB at
// every kernel level (convert/FORMAT/LEVEL), beside a memcpy of the output
// (convert/memcpy): the conversion's share of a decode.
void REGISTERCONVERT() {
  struct FORMAT {
    const char* NAME;
    uint8_t COLORTYPE, DEPTH, BYTES;
  };
  static const FORMAT FORMATS[] = {{"grey8", 0, 8, 1},  {"grey16", 0, 16, 2}, {"ga8", 4, 8, 2},
                                   {"ga16", 4, 16, 4},  {"rgb8", 2, 8, 3},    {"rgba8", 6, 8, 4},
                                   {"rgb16", 2, 16, 6}, {"rgba16", 6, 16, 8}};
  constexpr uint32_t W = 1920, H = 1080;
  benchmark::RegisterBenchmark("convert/memcpy", [](benchmark::State& st) {
    std::vector<uint32_t> a(size_t{W} * H, 1), b(size_t{W} * H);
    for (auto _ : st) {
      std::memcpy(b.data(), a.data(), b.size() * 4);
      benchmark::DoNotOptimize(b.data());
    }
    st.SetBytesProcessed(static_cast<int64_t>(st.iterations()) * W * H * 4);
  })->Unit(benchmark::kMicrosecond);
  namespace RT = ZARVO::RUNTIME;
  for (const FORMAT& f : FORMATS) {
    for (int level = RT::SIMDBEST(); level >= 0; --level) {
      const std::string name = std::string("convert/") + f.NAME + "/" + RT::SIMDNAME(level);
      benchmark::RegisterBenchmark(name.c_str(), [&f, level](benchmark::State& st) {
        ZARVO::PNG::CONVERSION cv;
        cv.COLORTYPE = f.COLORTYPE;
        cv.DEPTH = f.DEPTH;
        std::vector<uint8_t> src(size_t{W} * H * f.BYTES + ZARVO::PNG::ROWSLACK);
        uint32_t seed = 1;
        for (auto& b : src) b = static_cast<uint8_t>((seed = seed * 1103515245 + 12345) >> 24);
        std::vector<uint32_t> dst(size_t{W} * H);
        RT::SIMDLEVEL(level);
        for (auto _ : st) {
          for (uint32_t y = 0; y < H; ++y)
            ZARVO::PNG::CONVERTROW(cv, src.data() + size_t{y} * W * f.BYTES,
                                   dst.data() + size_t{y} * W, W);
          benchmark::DoNotOptimize(dst.data());
        }
        RT::SIMDLEVEL(-1);
        st.SetBytesProcessed(static_cast<int64_t>(st.iterations()) * W * H * 4);
      })->Unit(benchmark::kMicrosecond);
    }
  }
}

// ---- the decoders, each returning false on failure ----

bool ZARVO(const IMAGEFILE& im) {
  void* p = LOADMEMORY(im.BYTES.data(), static_cast<int32_t>(im.BYTES.size()), SELECT_IMAGE);
  benchmark::DoNotOptimize(p);
  ZARVO::RUNTIME::IMAGEDESTROY(static_cast<ZARVO::RUNTIME::IMAGE*>(p));
  return p != nullptr;
}

std::vector<uint8_t>& FLOORBUFFER() {
  static std::vector<uint8_t> b;
  return b;
}

bool FLOOR(const IMAGEFILE& im) {
  std::vector<uint8_t>& b = FLOORBUFFER();
  if (b.size() < im.RAWSIZE) b.resize(im.RAWSIZE);
  uLongf got = im.RAWSIZE;
  const int r = uncompress(b.data(), &got, im.IDAT.data(), im.IDAT.size());
  benchmark::DoNotOptimize(b.data());
  return r == Z_OK;
}

#ifdef ZARVO_HAVE_LIBPNG
struct MEMREADER {
  const uint8_t* p;
  size_t left;
};

void READMEM(png_structp png, png_bytep out, png_size_t n) {
  MEMREADER* r = static_cast<MEMREADER*>(png_get_io_ptr(png));
  if (n > r->left) png_error(png, "short");
  std::memcpy(out, r->p, n);
  r->p += n;
  r->left -= n;
}

bool LIBPNG(const IMAGEFILE& im) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  MEMREADER r{im.BYTES.data(), im.BYTES.size()};
  uint8_t* pixels = nullptr;
  png_bytep* rows = nullptr;
  bool ok = false;
  if (setjmp(png_jmpbuf(png)) == 0) {
    png_set_read_fn(png, &r, READMEM);
    png_read_info(png, info);
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    png_set_bgr(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const uint32_t w = png_get_image_width(png, info), h = png_get_image_height(png, info);
    pixels = static_cast<uint8_t*>(std::malloc(size_t{w} * h * 4));
    rows = static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * h));
    for (uint32_t y = 0; y < h; ++y) rows[y] = pixels + size_t{y} * w * 4;
    png_read_image(png, rows);
    png_read_end(png, nullptr);
    benchmark::DoNotOptimize(pixels);
    ok = true;
  }
  std::free(rows);
  std::free(pixels);
  png_destroy_read_struct(&png, &info, nullptr);
  return ok;
}
#endif

#ifdef ZARVO_HAVE_SPNG
bool SPNG(const IMAGEFILE& im) {
  spng_ctx* ctx = spng_ctx_new(0);
  bool ok = false;
  size_t n = 0;
  if (spng_set_png_buffer(ctx, im.BYTES.data(), im.BYTES.size()) == 0 &&
      spng_decoded_image_size(ctx, SPNG_FMT_RGBA8, &n) == 0) {
    void* out = std::malloc(n);
    ok = spng_decode_image(ctx, out, n, SPNG_FMT_RGBA8, SPNG_DECODE_TRNS) == 0;
    benchmark::DoNotOptimize(out);
    std::free(out);
  }
  spng_ctx_free(ctx);
  return ok;
}
#endif

#ifdef ZARVO_HAVE_STB
bool STB(const IMAGEFILE& im) {
  int w, h, n;
  stbi_uc* p =
      stbi_load_from_memory(im.BYTES.data(), static_cast<int>(im.BYTES.size()), &w, &h, &n, 4);
  benchmark::DoNotOptimize(p);
  stbi_image_free(p);
  return p != nullptr;
}
#endif

struct DECODER {
  const char* NAME;
  bool (*RUN)(const IMAGEFILE&);
};

std::vector<DECODER> DECODERS() {
  std::vector<DECODER> d = {{"uncompress", FLOOR}, {"zarvo", ZARVO}};
#ifdef ZARVO_HAVE_LIBPNG
  d.push_back({"libpng", LIBPNG});
#endif
#ifdef ZARVO_HAVE_SPNG
  d.push_back({"spng", SPNG});
#endif
#ifdef ZARVO_HAVE_STB
  d.push_back({"stb_image", STB});
#endif
  return d;
}

long RSSKB() {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
  return 0;
}

long HWMKB() {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
  return 0;
}

// Peak resident memory added by one decode, measured in a fresh process (this
// program again, with --peak FILE DECODER) so no earlier allocation, resident
// page or high-water mark of this one can hide it.
long PEAKKB(const IMAGEFILE& im, const DECODER& d) {
  const std::string path = (fs::temp_directory_path() / ("zarvo_png_peak_" + im.NAME)).string();
  if (!fs::exists(path)) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(im.BYTES.data()), std::streamsize(im.BYTES.size()));
  }
  int fds[2];
  if (pipe(fds) != 0) return -1;
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    dup2(fds[1], 1);
    execl("/proc/self/exe", "png_bench", "--peak", path.c_str(), d.NAME, static_cast<char*>(nullptr));
    _exit(1);
  }
  close(fds[1]);
  long peak = -1;
  if (read(fds[0], &peak, sizeof peak) != sizeof peak) peak = -1;
  close(fds[0]);
  int status;
  waitpid(pid, &status, 0);
  return peak;
}

// The child's side: load the file, decode it once, report the growth.
int PEAKCHILD(const char* path, const char* decoder) {
  IMAGEFILE im;
  std::ifstream in(path, std::ios::binary);
  im.BYTES.assign(std::istreambuf_iterator<char>(in), {});
  for (const DECODER& d : DECODERS()) {
    if (std::strcmp(d.NAME, decoder) != 0) continue;
    if (std::strcmp(decoder, "uncompress") == 0) {  // its floor needs the joined data
      for (size_t pos = 8; pos + 12 <= im.BYTES.size();) {
        const uint32_t len = BE32(&im.BYTES[pos]);
        if (std::memcmp(&im.BYTES[pos + 4], "IDAT", 4) == 0)
          im.IDAT.insert(im.IDAT.end(), &im.BYTES[pos + 8], &im.BYTES[pos + 8 + len]);
        pos += 12 + size_t{len};
      }
      const uint32_t w = BE32(&im.BYTES[16]), h = BE32(&im.BYTES[20]);
      const uint32_t depth = im.BYTES[24], ct = im.BYTES[25];
      const uint32_t ch = ct == 2 ? 3 : ct == 4 ? 2 : ct == 6 ? 4 : 1;
      // The scanlines, and room for the filter bytes of interlaced passes.
      im.RAWSIZE = ((size_t{w} * ch * depth + 7) / 8 + 1) * h + size_t{h} * 8;
    }
    const long before = RSSKB();
    const long peak = d.RUN(im) ? HWMKB() - before : -1;
    return write(1, &peak, sizeof peak) == sizeof peak ? 0 : 1;
  }
  return 1;
}

// Prints as usual and keeps every decoder's CPU time per image (the machine
// may be shared; each decode runs on one thread): the median of the
// repetitions (or the median aggregate when only aggregates are reported).
class SUMMARY : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      if (r.error_occurred) continue;
      if (r.run_type == Run::RT_Iteration)
        TIMES[r.run_name.str()].push_back(r.GetAdjustedCPUTime());
      if (r.run_type == Run::RT_Aggregate && r.aggregate_name == "median")
        MEDIANS[r.run_name.str()] = r.GetAdjustedCPUTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }

  double TIME(const std::string& name) {
    if (MEDIANS.count(name)) return MEDIANS[name];
    std::vector<double>& t = TIMES[name];
    if (t.empty()) return 0;
    std::sort(t.begin(), t.end());
    return t.size() % 2 ? t[t.size() / 2] : (t[t.size() / 2 - 1] + t[t.size() / 2]) / 2;
  }

  // Each decoder's time as a multiple of uncompress alone, the engine's
  // decoder against each peer, and the geometric means.
  void PRINTRATIOS(const std::vector<IMAGEFILE>& images, const std::vector<DECODER>& decoders) {
    std::printf("\nMedian CPU ms, (time / uncompress), [zarvo / this decoder]:\n%-28s", "image");
    for (const DECODER& d : decoders) std::printf(" %24s", d.NAME);
    std::printf("\n");
    std::map<std::string, std::pair<double, double>> logs;  // sum of log ratios
    int counted = 0;
    for (const IMAGEFILE& im : images) {
      const double floor = TIME(std::string("uncompress/") + im.NAME);
      const double ours = TIME(std::string("zarvo/") + im.NAME);
      if (floor <= 0 || ours <= 0) continue;
      ++counted;
      std::printf("%-28s", im.NAME.c_str());
      for (const DECODER& d : decoders) {
        const double t = TIME(std::string(d.NAME) + "/" + im.NAME);
        if (t <= 0) {
          std::printf(" %24s", "-");
          continue;
        }
        logs[d.NAME].first += std::log(t / floor);
        logs[d.NAME].second += std::log(ours / t);
        std::printf(" %8.2f (%4.2fx) [%4.2f]", t, t / floor, ours / t);
      }
      std::printf("\n");
    }
    if (counted == 0) return;
    std::printf("%-28s", "geometric mean");
    for (const DECODER& d : decoders)
      std::printf("        (%4.2fx) [%4.2f]", std::exp(logs[d.NAME].first / counted),
                  std::exp(logs[d.NAME].second / counted));
    std::printf("\n");
  }

 private:
  std::map<std::string, std::vector<double>> TIMES;
  std::map<std::string, double> MEDIANS;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "--peak") == 0) return PEAKCHILD(argv[2], argv[3]);
  benchmark::Initialize(&argc, argv);
  static const std::vector<IMAGEFILE> images = LOADIMAGES();
  static const std::vector<DECODER> decoders = DECODERS();
  if (images.empty()) {
    std::fprintf(stderr, "no benchmark images\n");
    return 1;
  }
  std::printf(
      "Peak memory of one decode (KiB above the resident size before it); out: the engine's\n"
      "output block; zarvo/(out+file): the engine's peak over output plus file size:\n");
  std::printf("%-30s %10s %10s", "image", "file", "out");
  for (const DECODER& d : decoders) std::printf(" %10s", d.NAME);
  std::printf(" %16s\n", "zarvo/(out+file)");
  for (const IMAGEFILE& im : images) {
    const uint32_t w = BE32(&im.BYTES[16]), h = BE32(&im.BYTES[20]);
    const size_t outkb = (32 + size_t{(w * 4 + 31) / 32 * 32} * h) / 1024;
    std::printf("%-30s %10zu %10zu", im.NAME.c_str(), im.BYTES.size() / 1024, outkb);
    long ours = 0;
    for (const DECODER& d : decoders) {
      const long kb = PEAKKB(im, d);
      if (std::strcmp(d.NAME, "zarvo") == 0) ours = kb;
      std::printf(" %10ld", kb);
    }
    std::printf(" %16.3f\n", double(ours) / double(outkb + im.BYTES.size() / 1024));
  }
  std::fflush(stdout);
  for (const IMAGEFILE& im : images) {
    for (const DECODER& d : decoders) {
      if (!d.RUN(im)) {
        std::fprintf(stderr, "%s fails on %s\n", d.NAME, im.NAME.c_str());
        continue;
      }
      const std::string name = std::string(d.NAME) + "/" + im.NAME;
      benchmark::RegisterBenchmark(name.c_str(), [&im, &d](benchmark::State& st) {
        for (auto _ : st) d.RUN(im);
        st.SetBytesProcessed(static_cast<int64_t>(st.iterations()) *
                             static_cast<int64_t>(im.RAWSIZE));
      })->Unit(benchmark::kMillisecond);
    }
  }
  REGISTERUNFILTER();
  REGISTERCONVERT();
  SUMMARY summary;
  benchmark::RunSpecifiedBenchmarks(&summary);
  summary.PRINTRATIOS(images, decoders);
  benchmark::Shutdown();
  return 0;
}
