// The benchmark's queries: a fixed, seeded set typed the way people type into the panel, letter
// by letter, with a few words, misspellings, kind words, filters, content words and file names.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quorvale::bench {

struct BenchQuery {
  std::string text;
  std::string group;  // "prefix", "words", "typo", "kind", "filter", "content", "name"
};

std::vector<BenchQuery> searchQueries(uint64_t seed);

}  // namespace quorvale::bench
