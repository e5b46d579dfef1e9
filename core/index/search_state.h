// What the query side of one FileIndex keeps between searches: the ranking function and its
// row-size cache, and values derived from the index that keystrokes would otherwise read again
// (the name-column vocabulary by first character for typo correction, the second characters of
// words and the document counts of split one-letter prefixes). Everything derived describes
// one version of the data and is dropped when the data changes. Owned by the FileIndex, used on
// its thread.
#pragma once

#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "index/data_version.h"
#include "index/full_text_rank.h"

namespace quorvale {

class FileIndex;

struct SearchState {
  // Searches read the same full-text pages keystroke after keystroke; SQLite's default page
  // cache (2 MB) is far smaller than those pages on a large index, so a searching connection
  // keeps up to this much of them instead of reading them from the file again.
  static constexpr int kCacheKibibytes = 64 * 1024;

  struct VocabularyTerm {
    std::string term;
    int64_t docs = 0;
    std::size_t length = 0;  // in code points, as SQLite's length() counts
  };

  explicit SearchState(sql::Connection& db);

  // Drops what was derived from an older version of the data. Call inside the read snapshot
  // the derived values will be read in; `held` says whether there is one (without one nothing
  // is kept).
  void refresh(bool held);

  // Every word of the name column that starts with `first`, in the vocabulary's order, with
  // its document count; nothing when the vocabulary cannot be read.
  const std::vector<VocabularyTerm>* nameWordsStartingWith(FileIndex& index, char32_t first);
  // The non-ASCII characters that follow `letter` at the start of indexed words.
  std::optional<std::vector<std::string>> secondCharactersAfter(FileIndex& index, char letter,
                                                                bool held);
  // How many documents match a full-text expression (a split prefix's group).
  std::optional<int64_t> documentsMatching(FileIndex& index, const std::string& group, bool held);

  FullTextRank rank;
  DataVersion version;

 private:
  DataVersion::Stamp derivedStamp;
  std::unordered_map<char32_t, std::vector<VocabularyTerm>> vocabulary;
  std::unordered_map<char, std::vector<std::string>> secondCharacters;
  std::unordered_map<std::string, int64_t> groupCounts;
};

}  // namespace quorvale
