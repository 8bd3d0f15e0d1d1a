#include "zarvo/runtime/random.hpp"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace ZARVO::RUNTIME {
namespace {

// xoshiro256**: fast, small state, good statistical quality.
struct GENERATOR {
  uint64_t s[4];
};

uint64_t splitmix64(uint64_t& x) {
  uint64_t z = (x += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

GENERATOR seeded(uint64_t seed) {
  GENERATOR g;
  for (auto& v : g.s) v = splitmix64(seed);
  return g;
}

inline uint64_t rotl(uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

uint64_t next(GENERATOR& g) {
  const uint64_t result = rotl(g.s[1] * 5, 7) * 9;
  const uint64_t t = g.s[1] << 17;
  g.s[2] ^= g.s[0];
  g.s[3] ^= g.s[1];
  g.s[1] ^= g.s[2];
  g.s[0] ^= g.s[3];
  g.s[2] ^= t;
  g.s[3] = rotl(g.s[3], 45);
  return result;
}

// A fixed default state, so a program that never seeds is reproducible.
GENERATOR state = seeded(0x5A4152564F000001ull);
double last = 0.0;
std::vector<double> script;
size_t scriptpos = 0;

}  // namespace

double RND() {
  if (scriptpos < script.size()) {
    double v = script[scriptpos++];
    if (!(v >= 0.0)) v = 0.0;  // also catches NaN
    if (v >= 1.0) v = 0x1.fffffffffffffp-1;
    last = v;
    return v;
  }
  last = static_cast<double>(next(state) >> 11) * 0x1.0p-53;
  return last;
}

double LASTRND() { return last; }

void RANDOMIZE(double seed) {
  uint64_t bits;
  std::memcpy(&bits, &seed, sizeof bits);
  state = seeded(bits);
}

void SCRIPTRANDOM(const double* values, size_t n) {
  try {
    script.assign(values, values + n);
  } catch (...) {  // out of memory: no script, the generator goes on
    script.clear();
  }
  scriptpos = 0;
}

}  // namespace ZARVO::RUNTIME
