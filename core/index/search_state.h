// What the query side of one FileIndex keeps between searches: the ranking function and its
// row-size cache, and the name-column vocabulary by first character that typo correction reads.
// Everything here describes one version of the data and is dropped when the data changes.
// Owned by the FileIndex, on its thread.
#pragma once

#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "index/data_version.h"
#include "index/full_text_rank.h"

namespace quorvale {

struct SearchState {
  // Searches read the same full-text pages keystroke after keystroke; SQLite's default page
  // cache (2 MB) is far smaller than those pages on a large index, so a searching connection
  // keeps up to kCacheKibibytes of them instead of reading them from the file again.
  static constexpr int kCacheKibibytes = 64 * 1024;

  explicit SearchState(sql::Connection& db) : rank(db), version(db) {
    db.exec("PRAGMA cache_size=-" + std::to_string(kCacheKibibytes));
  }

  struct VocabularyTerm {
    std::string term;
    int64_t docs = 0;
    std::size_t length = 0;  // in code points, as SQLite's length() counts
  };

  // Drops what was derived from an older version of the data. Call inside the read snapshot
  // the derived values will be read in; `held` says whether there is one.
  void refresh(bool held) {
    DataVersion::Stamp stamp = version.current();
    if (!held || stamp.version < 0 || !(stamp == derivedStamp)) {
      vocabulary.clear();
      secondCharacters.clear();
      groupCounts.clear();
    }
    derivedStamp = held ? stamp : DataVersion::Stamp{};
  }

  FullTextRank rank;
  DataVersion version;
  DataVersion::Stamp derivedStamp;
  // Every word of the name column that starts with the key, in the vocabulary's order.
  std::unordered_map<char32_t, std::vector<VocabularyTerm>> vocabulary;
  // The non-ASCII characters that follow an ASCII letter or digit at the start of words.
  std::unordered_map<char, std::vector<std::string>> secondCharacters;
  // Documents matching a split one-character prefix, by its group expression.
  std::unordered_map<std::string, int64_t> groupCounts;
};

}  // namespace quorvale
