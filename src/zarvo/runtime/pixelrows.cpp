#include "zarvo/runtime/pixelrows.hpp"

#include <algorithm>

// AVX2 where the processor has it, plain x86-64 otherwise.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define ZARVO_MULTIVERSION __attribute__((target_clones("avx2", "default")))
#else
#define ZARVO_MULTIVERSION
#endif

namespace ZARVO::RUNTIME {

namespace {
inline uint32_t ismask(uint32_t s) { return (s & 0x00FFFFFFu) == 0x00FF00FFu; }
}  // namespace

void FILLROW(uint32_t* d, size_t n, uint32_t c) { std::fill(d, d + n, c); }

ZARVO_MULTIVERSION void ROWPRESET(const uint32_t* __restrict s, uint32_t* __restrict d,
                                  int32_t n) {
  for (int32_t i = 0; i < n; ++i) d[i] = ~s[i];
}

ZARVO_MULTIVERSION void ROWAND(const uint32_t* __restrict s, uint32_t* __restrict d, int32_t n) {
  for (int32_t i = 0; i < n; ++i) d[i] &= s[i];
}

ZARVO_MULTIVERSION void ROWOR(const uint32_t* __restrict s, uint32_t* __restrict d, int32_t n) {
  for (int32_t i = 0; i < n; ++i) d[i] |= s[i];
}

ZARVO_MULTIVERSION void ROWXOR(const uint32_t* __restrict s, uint32_t* __restrict d, int32_t n) {
  for (int32_t i = 0; i < n; ++i) d[i] ^= s[i];
}

ZARVO_MULTIVERSION void ROWTRANS(const uint32_t* __restrict s, uint32_t* __restrict d,
                                 int32_t n) {
  for (int32_t i = 0; i < n; ++i) {
    const uint32_t v = s[i];
    d[i] = ismask(v) ? d[i] : (v & 0x00FFFFFFu);
  }
}

ZARVO_MULTIVERSION void ROWALPHA(const uint32_t* __restrict s, uint32_t* __restrict d,
                                 int32_t n) {
  for (int32_t i = 0; i < n; ++i) d[i] = MIXPIXEL(s[i], d[i], s[i] >> 24);
}

ZARVO_MULTIVERSION void ROWADD(const uint32_t* __restrict s, uint32_t* __restrict d, int32_t n,
                               int32_t a) {
  const uint32_t f = static_cast<uint32_t>(ADDFACTOR(a));
  if (f <= 256) {
    // Each scaled byte fits 16 bits: two bytes per word, then a saturating add.
    for (int32_t i = 0; i < n; ++i) {
      const uint32_t v = s[i], o = d[i];
      const uint32_t rb = (((v & 0x00FF00FFu) * f) >> 8) & 0x00FF00FFu;
      const uint32_t ag = (((v >> 8) & 0x00FF00FFu) * f >> 8) & 0x00FF00FFu;
      const uint32_t srb = (o & 0x00FF00FFu) + rb;            // lanes up to 0x1FE
      const uint32_t sag = ((o >> 8) & 0x00FF00FFu) + ag;
      const uint32_t crb = ((srb >> 8) & 0x00010001u) * 0xFFu;  // 0xFF where it carried
      const uint32_t cag = ((sag >> 8) & 0x00010001u) * 0xFFu;
      const uint32_t r = ((srb | crb) & 0x00FF00FFu) | (((sag | cag) & 0x00FF00FFu) << 8);
      d[i] = ismask(v) ? o : r;
    }
  } else {
    for (int32_t i = 0; i < n; ++i) d[i] = ismask(s[i]) ? d[i] : ADDPIXEL(s[i], d[i], a);
  }
}

ZARVO_MULTIVERSION void ROWBLEND(const uint32_t* __restrict s, uint32_t* __restrict d, int32_t n,
                                 int32_t k) {
  const uint32_t kk = static_cast<uint32_t>(k);
  for (int32_t i = 0; i < n; ++i) d[i] = ismask(s[i]) ? d[i] : MIXPIXEL(s[i], d[i], kk);
}

}  // namespace ZARVO::RUNTIME
