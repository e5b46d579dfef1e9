// What the query side of one FileIndex keeps between searches: the ranking function and its
// row-size cache, and values derived from the index that keystrokes would otherwise read again
// (the name-column vocabulary by first character for typo correction, the second characters of
// words and the document counts of split one-letter prefixes). Everything derived describes
// one version of the data. When the data changes through writes of this process that recorded
// what they changed (SharedSearchData::changesBetween), what they did not touch is kept: row
// sizes and filter answers of other rows, and the vocabularies, which take in the new name
// words and read the document counts of their candidates anew; the rest is dropped, as is
// everything after any other change. Short-prefix rankings and
// vocabularies that another connection of the same file published for the data this one sees
// are taken from there (SharedSearchData); the ones worked out here are asked for there. Owned
// by the FileIndex, used on its thread.
#pragma once

#include <cstdint>
#include <list>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "index/data_version.h"
#include "index/full_text_rank.h"
#include "index/shared_search_data.h"

namespace quorvale {

class FileIndex;

struct SearchState {
  // Searches read the same full-text pages keystroke after keystroke; SQLite's default page
  // cache (2 MB) is far smaller than those pages on a large index, so a searching connection
  // keeps up to this much of them instead of reading them from the file again. (Larger caches,
  // or a memory map, measured no faster on a 100,000-file index and cost the engine's resident
  // memory far more.)
  static constexpr int kCacheKibibytes = 16 * 1024;

  using VocabularyTerm = NameWord;

  // `share`: take from and ask of the data other connections of the file publish.
  SearchState(sql::Connection& db, bool share);

  // Drops what was derived from an older version of the data. Call inside the read snapshot
  // the derived values will be read in; `held` says whether there is one (without one nothing
  // is kept).
  void refresh(bool held);
  // Drops everything derived, whatever the stamp says: after a rolled-back write, whose data
  // the derived values may describe although the stamp did not move back.
  void forget();

  // Every word of the name column that starts with `first`, in the vocabulary's order, with
  // its document count; nothing when the vocabulary cannot be read. The list may hold words
  // that have gone since, and counts that are out of date, when `countsOutdated` says so for
  // the letter (documentsNamedWith gives the current ones). Call inside a held snapshot, or
  // use nothing of the result after the call's.
  const std::vector<VocabularyTerm>* nameWordsStartingWith(FileIndex& index, char32_t first);
  bool countsOutdated(char32_t first) const { return outdatedLetters_.contains(first); }
  // How many documents hold the word in their name, as the data is now.
  static std::optional<int64_t> documentsNamedWith(FileIndex& index, const std::string& word);
  // The same read from the database, kept nowhere.
  static std::optional<std::vector<VocabularyTerm>> readNameWords(FileIndex& index, char32_t first);
  // The non-ASCII characters that follow `letter` at the start of indexed words.
  std::optional<std::vector<std::string>> secondCharactersAfter(FileIndex& index, char letter,
                                                                bool held);
  // How many documents match a full-text expression (a split prefix's group). A count is kept
  // across recorded writes that only added rows: the new rows are counted on top of it.
  std::optional<int64_t> documentsMatching(FileIndex& index, const std::string& group, bool held);
  // The group counts known for the data as it is now, for publishing.
  std::unordered_map<std::string, int64_t> currentGroupCounts() const;

  // What is known of which files pass one filter (a search's conditions and their values):
  // the answers of the rows checked one by one so far, or every passing id at once.
  struct FilterAnswers {
    static constexpr int64_t kMaxId = kMostIdSlots;
    bool complete = false;
    std::vector<uint8_t> answers;  // by id: 0 not known, 1 passes, 2 fails

    std::optional<bool> find(int64_t id) const;
    void store(int64_t id, bool passes);
    // Forgets the answers of rows that changed (the other answers stay known).
    void forget(const std::vector<int64_t>& rows);
  };
  // A text followed by values, as one key (values tagged by type, so 1 and "1" differ, and
  // texts by length, so no two lists of values give one key).
  static std::string key(const std::string& text, const std::vector<sql::Value>& values);
  // The answers gathered so far for these conditions ("f.kind = ? AND ...") and values; with a
  // snapshot held they are kept for the next keystrokes, which mostly repeat the filters.
  std::shared_ptr<FilterAnswers> filterAnswers(const std::string& conditions,
                                               const std::vector<sql::Value>& values, bool held);
  // The files' attributes another connection published for the data this one sees, or none.
  std::shared_ptr<const FileAttributes> attributes() const;
  // Reads every passing id with "SELECT f.id FROM files f WHERE " + the conditions; false (and
  // the answers as they were) when the statement fails.
  static bool readAllPassing(FileIndex& index, const std::string& conditions,
                             const std::vector<sql::Value>& values, FilterAnswers& answers);

  // The best rows of a ranking, kept under a key of the caller's for the data version (the
  // caller keeps them only inside a held snapshot), with every match of a one-phrase ranking
  // (FullTextRank::Matches; none for others): those are kept across recorded writes, so that
  // the ranking can follow what the writes changed instead of being worked out anew.
  std::optional<std::vector<FullTextRank::Ranked>> cachedRanking(const std::string& key);
  void keepRanking(const std::string& key, std::vector<FullTextRank::Ranked> rows,
                   std::shared_ptr<const FullTextRank::Matches> matches = nullptr);
  // The matches kept under the key for an older generation of the data, with that generation.
  struct OutdatedMatches {
    int64_t generation = -1;
    std::shared_ptr<const FullTextRank::Matches> matches;
  };
  std::optional<OutdatedMatches> outdatedMatches(const std::string& key);
  // Matches kept with rankings over all keys, at most (the rest keep their best rows only).
  // (2^21 rows of 8 bytes: 16 MB, the matches of about 48 short prefixes over 100,000 files.)
  static constexpr std::size_t kKeptMatchRows = std::size_t{1} << 21;
  // The best rows another connection published under the key for the data this one sees.
  std::optional<std::vector<FullTextRank::Ranked>> publishedRanking(const std::string& key) const;
  // The matches published with them, or those kept here for the data as it is now; or none.
  std::shared_ptr<const FullTextRank::Matches> publishedMatches(const std::string& key) const;
  std::shared_ptr<const FullTextRank::Matches> currentMatches(const std::string& key) const;
  // A one-letter prefix's matches by id, published for the data this one sees, or read from the
  // file for it (and kept for the data version); none when neither has them.
  std::shared_ptr<const LetterMatches> letterMatches(FileIndex& index, const std::string& key);

  // The generation of the data as the last refresh inside a snapshot read it; -1 when unknown
  // (no snapshot, or a database without the counter).
  int64_t generation() const { return generation_; }

  FullTextRank rank;
  DataVersion version;
  // What connections of the same file share; none for a private in-memory database.
  std::shared_ptr<SharedSearchData> shared;

 private:
  void readGeneration();
  void dropDerived();
  // Keeps what the change did not touch; false when nothing could be kept.
  bool keepThrough(const SharedSearchData::Change& change);
  void takeNameWords(const std::vector<std::string>& words);

  DataVersion::Stamp derivedStamp;
  sql::Connection& db_;
  sql::Statement generationStatement_;
  int64_t generation_ = -1;
  // Published data for the generation this connection sees, when there is some.
  std::shared_ptr<const SharedSearchData::Published> adopted_;
  std::unordered_map<char32_t, std::vector<VocabularyTerm>> vocabulary;
  // Letters of `vocabulary` kept across a change of the data.
  std::set<char32_t> outdatedLetters_;
  std::unordered_map<char, std::vector<std::string>> secondCharacters;
  struct KeptCount {
    int64_t count = 0;
    std::vector<int64_t> uncounted;  // rows added since, sorted: each matches or not
  };
  std::unordered_map<std::string, KeptCount> groupCounts;
  std::optional<int64_t> countAmong(FileIndex& index, const std::string& group,
                                    const std::vector<int64_t>& rows);
  static constexpr std::size_t kKeptFilters = 8;
  std::list<std::pair<std::string, std::shared_ptr<FilterAnswers>>> filters;  // latest first
  static constexpr std::size_t kKeptRankings = 512;
  struct KeptRanking {
    std::vector<FullTextRank::Ranked> best;
    int64_t generation = -1;  // of the data `best` and `matches` describe
    std::shared_ptr<const FullTextRank::Matches> matches;
  };
  std::list<std::pair<std::string, KeptRanking>> rankings;  // likewise
  // Letter matches read from the file, for the generation `generation_` (by key; none: absent).
  std::unordered_map<std::string, std::shared_ptr<const LetterMatches>> storedLetters_;
  void trimMatches();
};

}  // namespace quorvale
