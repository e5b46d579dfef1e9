// The corpus generator's own random numbers: xoshiro256** seeded through splitmix64, with every
// derived draw (ranges, fractions, choices) computed here by integer arithmetic or exact IEEE
// operations. The standard library's engines are portable but its distributions are not, so
// nothing here goes through them; the same seed gives the same numbers on every platform.
// A Random belongs to one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace quorvale::bench {

// One step of splitmix64; also a good mixer for deriving independent seeds.
constexpr uint64_t splitmix64(uint64_t& state) {
  uint64_t z = (state += 0x9e3779b97f4a7c15ULL);
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
  return z ^ (z >> 31);
}

// A seed for the stream identified by `a` and `b` (for example the corpus seed and a file's
// position), so that each file's contents do not depend on how many numbers others used.
constexpr uint64_t deriveSeed(uint64_t a, uint64_t b) {
  uint64_t state = a ^ (b * 0xd1342543de82ef95ULL);
  splitmix64(state);
  return splitmix64(state);
}

class Random {
 public:
  explicit Random(uint64_t seed) {
    for (auto& word : state_) word = splitmix64(seed);
  }

  uint64_t next() {
    const uint64_t result = rotl(state_[1] * 5, 7) * 9;
    const uint64_t t = state_[1] << 17;
    state_[2] ^= state_[0];
    state_[3] ^= state_[1];
    state_[1] ^= state_[2];
    state_[0] ^= state_[3];
    state_[2] ^= t;
    state_[3] = rotl(state_[3], 45);
    return result;
  }

  // Uniform in [0, n), without modulo bias; n > 0.
  uint64_t below(uint64_t n) {
    const uint64_t threshold = (0 - n) % n;
    for (;;) {
      const uint64_t r = next();
      if (r >= threshold) return r % n;
    }
  }

  // Uniform in [low, high], inclusive.
  int64_t between(int64_t low, int64_t high) {
    return low + static_cast<int64_t>(below(static_cast<uint64_t>(high - low) + 1));
  }

  // Uniform in [0, 1) with 53 random bits.
  double unit() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }

  // True with probability percent / 100.
  bool percent(unsigned percent) { return below(100) < percent; }

  template <typename T>
  const T& pick(std::span<const T> items) {
    return items[below(items.size())];
  }
  std::string_view pick(std::span<const std::string_view> items) {
    return items[below(items.size())];
  }

 private:
  static constexpr uint64_t rotl(uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
  uint64_t state_[4];
};

}  // namespace quorvale::bench
