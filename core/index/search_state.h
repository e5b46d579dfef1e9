// What the query side of one FileIndex keeps between searches: the ranking function and its
// row-size cache, and the name-column vocabulary by first character that typo correction reads.
// Everything here describes one version of the data and is dropped when the data changes.
// Owned by the FileIndex, on its thread.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "index/data_version.h"
#include "index/full_text_rank.h"

namespace quorvale {

struct SearchState {
  explicit SearchState(sql::Connection& db) : rank(db), version(db) {}

  struct VocabularyTerm {
    std::string term;
    int64_t docs = 0;
    std::size_t length = 0;  // in code points, as SQLite's length() counts
  };

  FullTextRank rank;
  DataVersion version;
  DataVersion::Stamp vocabularyStamp;
  // Every word of the name column that starts with the key, in the vocabulary's order.
  std::unordered_map<char32_t, std::vector<VocabularyTerm>> vocabulary;
};

}  // namespace quorvale
