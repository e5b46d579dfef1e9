// The search benchmark's random numbers: splitmix64 steps from one seed, so that the generated
// files and the query set are the same on every run and platform. Slightly biased draws are fine
// here; the corpus generator's `Random` (corpus/random.h) is the careful one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "corpus/random.h"

namespace quorvale::bench {

class SplitMix {
 public:
  explicit SplitMix(uint64_t seed) : state_(seed) {}
  uint64_t next() { return splitmix64(state_); }
  std::size_t below(std::size_t n) { return static_cast<std::size_t>(next() % n); }
  double fraction() { return static_cast<double>(next() >> 11) / 9007199254740992.0; }
  bool chance(double p) { return fraction() < p; }
  template <typename T>
  const T& pick(const std::vector<T>& items) {
    return items[below(items.size())];
  }

 private:
  uint64_t state_;
};

}  // namespace quorvale::bench
