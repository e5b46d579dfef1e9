// Search data worked out on one connection and handed to the other connections of the same
// database file in this process: the best rows of short prefixes and the name-column vocabulary
// by first character, each for one generation of the data (a counter the database raises with
// every change of `files`, so every connection reads the same number for the same data).
//
// The engine's writer fills it on the index queue (right after opening, and after every batch
// a scan commits) with what the readers' keystrokes asked for, so that a keystroke after a
// commit, or the first ones after a start, find the work done instead of doing it. A reader
// takes published data only when its own snapshot holds the generation the data was made for;
// otherwise it works the answer out itself and asks for it, as before. Thread-safe.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "index/file_attributes.h"
#include "index/full_text_rank.h"
#include "index/letter_matches.h"
#include "index/query.h"
#include "index/row_sizes.h"
#include "util/sqlite.h"

namespace quorvale {

// A word of the name column with its document count and its length in code points (as
// SQLite's length() counts).
struct NameWord {
  std::string term;
  int64_t docs = 0;
  std::size_t length = 0;
};

class SharedSearchData {
 public:
  // One generation's data. Never changed once published.
  struct Published {
    int64_t generation = -1;
    std::unordered_map<std::string, std::vector<FullTextRank::Ranked>> rankings;
    // The matches of the one-phrase rankings, for the readers to follow later writes with.
    std::unordered_map<std::string, std::shared_ptr<const FullTextRank::Matches>> matches;
    // The matches of one-letter prefixes over every column, by id (those of `matches` too, for
    // the processes that start afresh).
    std::unordered_map<std::string, std::shared_ptr<const LetterMatches>> letterMatches;
    std::unordered_map<char32_t, std::vector<NameWord>> vocabulary;
    // The document counts of split one-letter groups, and the non-ASCII characters that follow
    // a letter at the start of words (what the split of that letter's prefix needs).
    std::unordered_map<std::string, int64_t> groupCounts;
    std::unordered_map<char, std::vector<std::string>> secondCharacters;
    // Every row's size, read once at a fresh start (bm25 needs the size of every match, and
    // reading them per search is a large part of a first search over a large index).
    std::shared_ptr<const AllSizes> rowSizes;
    // What the filters ask of every file, read at the same time for the same reason.
    std::shared_ptr<const FileAttributes> attributes;
  };

  // A ranking a reader worked out itself: enough to work it out again on another connection.
  struct RankingRequest {
    std::string key;
    Query query;
    bool nameOnly = false;
    std::vector<std::string> conditions;
    std::vector<sql::Value> values;
  };

  // The data of one database file (a file name as SQLite reports it); none for a private
  // in-memory database.
  static std::shared_ptr<SharedSearchData> forFile(const std::string& file);

  // The data published for `generation`, or none.
  std::shared_ptr<const Published> published(int64_t generation) const;
  void publish(std::shared_ptr<const Published> data);

  // Asks for a ranking or a first character's vocabulary to be kept up to date; the latest
  // requests are kept, most recent first.
  void request(RankingRequest ranking);
  void request(char32_t firstCharacter);
  std::vector<RankingRequest> rankingRequests() const;
  std::vector<char32_t> vocabularyRequests() const;

  // What the writes between two generations changed: the ids of the `files` rows inserted,
  // updated or deleted, those of them that did not exist at `from` (their first write was an
  // insert), and every word of the names written (a superset of the name words that appeared;
  // words that went are not listed). Rows and words are sorted, without repeats.
  struct Change {
    int64_t from = -1;
    int64_t to = -1;
    std::vector<int64_t> rows;
    std::vector<std::string> nameWords;
    std::vector<int64_t> inserted;
  };
  // Kept for readers that saw `from`; the latest kKeptChanges are kept.
  void record(Change change);
  // Takes back the change recorded from `from` to `to` (its transaction did not commit).
  void retract(int64_t from, int64_t to);
  // Everything that changed from generation `from` to `to`, when every write in between was
  // recorded; none otherwise (a write of another process, or one recorded too long ago).
  std::optional<Change> changesBetween(int64_t from, int64_t to) const;

  static constexpr std::size_t kKeptChanges = 64;
  static constexpr std::size_t kKeptRankingRequests = 24;
  static constexpr std::size_t kKeptVocabularyRequests = 8;

 private:
  mutable std::mutex mutex_;
  std::shared_ptr<const Published> published_;
  std::vector<RankingRequest> rankings_;  // most recent first
  std::vector<char32_t> letters_;         // likewise
  std::deque<Change> changes_;            // oldest first
};

}  // namespace quorvale
