// The files database ("index.db"): one row per indexed file, a full-text table over names,
// paths and the first 6000 characters of each file's text, a trigram table over names for
// substring search, and the learning tables `usage` and `choices`.
//
// Schema (the scripts in file_index.cpp are the source of truth):
//   files(id INTEGER PRIMARY KEY, path TEXT UNIQUE, name, ext, kind, size INTEGER, mtime REAL)
//       `id` is also the rowid of the file's rows in fts and names_tri; `kind` is a FileKind raw
//       value; `mtime` is seconds since 1970.
//   fts(name, path, content)   FTS5, unicode61 without diacritics, prefix indexes of 2 and 3.
//       name: the spaced name then the spaced alternate names; path: the spaced path;
//       content: at most the first 6000 characters of the text. Contentless (the text is never
//       stored) on SQLite 3.43.0 or later; older libraries keep a copy of the text.
//   fts_vocab, fts_vocab_col   fts5vocab views of fts (row and column granularity).
//   names_tri(name)            FTS5 trigram over the lower-cased name and alternate names.
//   usage(path PRIMARY KEY, count, last)          how often and when a file was opened.
//   choices(q, path, count, last; PRIMARY KEY(q, path))  which file was chosen for which words.
//
// Threads: the connection is opened in serialized mode and WAL journal mode, so readers on other
// connections never wait for the writer. The object itself is not locked: its owner calls it
// from one thread at a time (the engine's index queue for the writer).
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "index/file_record.h"
#include "index/hit.h"
#include "index/index_health.h"
#include "index/query.h"
#include "index/ranking.h"
#include "index/shared_search_data.h"
#include "util/sqlite.h"

namespace quorvale {

// A failure of the files database. The message is SQLite's own for the connection at the time.
class IndexError : public std::runtime_error {
 public:
  enum class Kind { open, sql };

  static IndexError open(const std::string& message, int code = 0) {
    return IndexError(Kind::open, message, code);
  }
  static IndexError sql(const std::string& message, int code = 0) {
    return IndexError(Kind::sql, message, code);
  }

  Kind kind() const { return kind_; }
  // SQLite's extended result code when known, else 0; lets the opener tell damage from
  // circumstance (a malformed file versus a folder it may not write).
  int code() const { return code_; }

 private:
  IndexError(Kind kind, const std::string& message, int code)
      : std::runtime_error(message), kind_(kind), code_(code) {}
  Kind kind_;
  int code_;
};

struct FileIndexOptions {
  // The SQLite version number the schema is chosen for; tests pass an older one to exercise the
  // full-text-copy schema on a modern library.
  int libraryVersion = sqlite3_libversion_number();
  // Full-text searches rank their matches with FullTextRank instead of SQLite's
  // "ORDER BY bm25(...)"; the results are the same. Tests turn it off to compare the two.
  bool fastRanking = true;
  // The words of a name that the name score takes for word starts; only the ranking benchmark
  // asks for the earlier rule.
  Ranker::NameWords nameWords = Ranker::NameWords::indexed;
  // A ranking (or a search of filters alone) that took at least this long is kept for the data
  // version; tests pass 0 to keep every one.
  double keepRankingsTakingMs = 4.0;
};

struct SearchState;
class ChangeRecorder;

class FileIndex {
 public:
  using Bind = sql::Value;

  // The first SQLite release with contentless-delete full-text tables.
  static constexpr int kContentlessDeleteVersion = 3043000;
  // Text beyond this many characters of a file is not indexed.
  static constexpr std::size_t kMaxContentCharacters = 6000;
  // The columns of fts: name, path, content.
  static constexpr int kFullTextColumns = 3;
  static constexpr std::size_t kStatementCacheSize = 32;
  static constexpr int kBusyTimeoutMilliseconds = 5000;

  using Options = FileIndexOptions;

  // Opens or creates the database; no path opens a private in-memory database.
  // Throws IndexError::open when the file cannot be opened, IndexError::sql when the schema fails.
  explicit FileIndex(std::optional<std::string> path, Options options = {});
  ~FileIndex();
  FileIndex(const FileIndex&) = delete;
  FileIndex& operator=(const FileIndex&) = delete;

  // Writes. Each runs in its own transaction, or inside the open batch; a failure throws
  // IndexError::sql and rolls back, so a record's three rows always change together.
  void upsert(const FileRecord& record, const std::optional<std::string>& content,
              const std::vector<std::string>& alternateNames);
  // True when a record was there to remove.
  bool remove(const std::string& path);
  // Removes the record at `path` and every record below it, but not /a/bc beside /a/b.
  void removeTree(const std::string& path);

  // A long transaction for scans; begin is a no-op while one is open, commit without one too.
  void beginBatch();
  void commitBatch();
  bool batchOpen() const { return batchOpen_; }

  // Reads never throw: a failed read gives false, 0 or nothing.
  bool contains(const std::string& path);
  // The stored display name of the record at `path`.
  std::optional<std::string> name(const std::string& path);
  // The stored record at `path`.
  std::optional<FileRecord> recordAt(const std::string& path);
  int64_t count();
  // "PRAGMA quick_check(1)" reports "ok", on a connection opened for the check (see the .cpp).
  // Reads the whole file (the full-text tables too), so it runs in the background, never on
  // the way to the first search.
  bool quickCheck();

  // Whether a statement of this connection failed because the file is damaged (SQLITE_CORRUPT or
  // SQLITE_NOTADB) since opening. Set on the owner's thread; read from any thread.
  bool damageSeen() const { return damageSeen_; }
  static bool isDamageCode(int code) {
    int primary = code & 0xff;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
  }
  // Closing this connection leaves the -wal and -shm files alone. Needed before the file is
  // renamed aside: the last connection to close deletes the journal by name, which would then
  // be the journal of the fresh database in its place.
  void keepJournalOnClose();
  // Remembers a failed result code of a read that swallows its failure.
  void noteFailure(int code) {
    if (isDamageCode(code)) damageSeen_ = true;
  }
  // Every stored path at or below `root` (compared as `root` + "/") with its modification time.
  std::unordered_map<std::string, Date> modifiedTimes(const std::string& root);
  // The same rows handed to `visit` one by one, without building a map (the path's bytes are
  // valid only during the call).
  void forEachModifiedTime(const std::string& root,
                           const std::function<void(std::string_view path, Date)>& visit);

  // True when this opening replaced a full-text table that kept a copy of the text; `files` is
  // then empty and everything must be scanned again.
  bool migratedFromFullTextCopy() const { return migratedFromFullTextCopy_; }

  // Runs the body inside a transaction (or inside the open batch).
  void transaction(const std::function<void()>& body);

  // ---- Queries and learning (file_index_queries.cpp, file_index_learning.cpp) ----
  // The read operations behind the panel's file search, and the two small writes that learn
  // from what the user opens and chooses. Reads never throw: a statement that cannot run gives
  // no hits, no terms or false. Every search looks at no more than kSearchRows rows before it
  // scores them, and returns hits sorted by score, equal scores in the order SQLite gave them.

  static constexpr int kSearchRows = 300;
  // Queries longer than this (after normalizing) are not remembered as choices.
  static constexpr std::size_t kMaxChoiceCharacters = 80;

  // The main search: the query's words as a full-text match (prefix phrases; a one-letter word
  // matches names only) ranked by bm25, or without words its filters newest first; then the
  // application initials when nothing matched one word, and the boosts of earlier choices.
  std::vector<Hit> search(const Query& query, int limit, Date now);
  // Names containing the text anywhere (trigram table from three characters, a scan of names
  // below), shorter names first among equals.
  std::vector<Hit> substringSearch(std::string_view text, int limit, Date now);
  // Applications whose initials begin with the query's one term.
  std::vector<Hit> initialsMatches(const Query& query, Date now);

  struct SimilarTerm {
    std::string term;
    int64_t docs = 0;  // documents whose name holds the word
    bool operator==(const SimilarTerm&) const = default;
  };
  // Words of the name column within `maxDistance` edits of `term` that start with its first
  // character, in the index's term order; none for terms shorter than three characters.
  std::vector<SimilarTerm> similarTerms(std::string_view term, int maxDistance);
  // Whether any file matches the word (as a prefix).
  bool hasTerm(std::string_view term);

  struct ExtensionFile {
    std::string path;
    Date mtime = 0;
    int64_t size = 0;
    bool operator==(const ExtensionFile&) const = default;
  };
  // Every file with one of the extensions, newest first.
  std::vector<ExtensionFile> files(const std::set<std::string>& withExtensions);

  // Learning; each throws IndexError when the write fails.
  void recordUse(const std::string& path, Date at);
  // Remembers that `path` was chosen for the typed words (normalized; empty or longer than
  // kMaxChoiceCharacters is not remembered).
  void recordChoice(std::string_view query, const std::string& path, Date at);
  void forgetUsage();
  // Extra score per path for files chosen before for these words, for words they begin, or
  // for words that begin them.
  std::unordered_map<std::string, double> choiceBoosts(std::string_view query);

  // Lower-cased, with white space runs turned into single spaces and trimmed.
  static std::string normalizedQuery(std::string_view text);

  // ---- Shared search data (file_index_warm_up.cpp) ----
  struct WarmUp {
    // Right after opening: besides what searches asked for, the one-letter prefixes and name
    // vocabularies of the most common first letters.
    bool atOpen = false;
    // Work stops after this long (at least one item is done).
    int budgetMilliseconds = 150;
    // Also keeps what was worked out in the file (StoredSearchData), for processes that start
    // afresh, unless it is kept there already; an opening warm-up then starts from what is kept.
    bool store = false;
    // At opening, the matches of one-letter prefixes over every column are published as lists
    // up to this many rows in all (8 bytes each), and by id (a byte per file) beyond them.
    std::size_t matchListRows = std::size_t{1} << 20;
  };
  // Works out, for the data as committed now, the short-prefix rankings and name vocabularies
  // that searches on other connections of this file asked for, and publishes them for those
  // connections (SharedSearchData). Does nothing inside a batch, when nothing was asked for,
  // or when they are published already. On the owner's thread (the index queue); never throws.
  // commitBatch works them out for each batch before its COMMIT and publishes them as it
  // commits, so that a search right after the commit finds them ready.
  void warmUp(const WarmUp& options);

  // ---- Health (index_health.cpp) ----
  // Damage, disagreement between the per-file tables, and a write-and-find round trip, as
  // sentences for the user. Never throws; a table that cannot be read is reported as a problem.
  IndexHealth healthCheck();
  // Writes a test entry under "/.quorvale-selftest/", looks for it with the normal search and
  // removes it again. True when it was found and removed; the entry never stays behind, even when
  // the search fails, unless removing it fails twice. Never throws.
  bool selfTest();

 private:
  // The SQL building blocks, for the index's own parts (FileIndexAccess).
  friend struct FileIndexAccess;
  // A cached prepared statement (up to 32 are kept; the 33rd flushes the cache). Callers hold the
  // returned pointer only for the duration of one use.
  std::shared_ptr<sql::Statement> prepared(const std::string& sql);
  // Steps a write statement once with the values bound; throws IndexError::sql on failure.
  void write(const std::string& sql, const std::vector<Bind>& values);
  // Reads columns 0-5 as path, name, ext, kind, size, mtime.
  static FileRecord record(const sql::Statement& statement);
  [[noreturn]] void fail();

  void execOrThrow(const std::string& script);
  void migrateFromFullTextCopy();
  void backfillTrigrams();
  // Runs `script` in its own transaction unless the item named `lastMade` (the last it makes)
  // exists.
  void addOnce(const char* lastMade, const std::string& script);
  void flushStatements() { statements_.clear(); }
  // What warmUp publishes, worked out for the data this connection sees (inside a write
  // transaction: the data as it will be once committed); nothing when there is nothing to do.
  std::shared_ptr<const SharedSearchData::Published> prepareShared(const WarmUp& options);
  // A letter's split-prefix group counts and second characters, into `data`.
  void prepareLetter(char letter, SharedSearchData::Published& data);
  std::optional<int64_t> idFor(const std::string& path);
  void deleteRows(int64_t id);

  sql::Connection db_;
  Options options_;
  bool migratedFromFullTextCopy_ = false;
  bool batchOpen_ = false;
  std::atomic<bool> damageSeen_ = false;
  std::unordered_map<std::string, std::shared_ptr<sql::Statement>> statements_;
  // What each write transaction changed, for the searching connections of the file.
  std::unique_ptr<ChangeRecorder> changes_;

  // Query side.
  struct SearchRow;
  std::vector<SearchRow> searchRows(const Query& query);
  std::vector<SearchRow> plainRows(const std::string& sql, const std::vector<Bind>& values,
                                   std::optional<std::vector<int64_t>>* ids = nullptr);
  std::vector<SearchRow> newestRows(const std::string& conditions, const std::vector<Bind>& values);
  // Whether work begun at `started` took long enough for its answer to be kept.
  bool tookLong(std::chrono::steady_clock::time_point started) const;
  static SharedSearchData::RankingRequest rankingRequest(const Query& query);
  std::optional<std::vector<SearchRow>> rankedRows(SharedSearchData::RankingRequest request);
  struct RankingUse {
    bool held = false;  // the statements share one read snapshot
    bool ask = false;   // a ranking worked out here is asked of the shared data
  };
  std::optional<std::vector<FullTextRank::Ranked>> bestRowIds(
      SharedSearchData::RankingRequest& request, RankingUse use);
  std::optional<std::vector<FullTextRank::Ranked>> rankNow(
      const RankExpression& expression, const SharedSearchData::RankingRequest& request, bool held);
  // A kept one-phrase ranking brought up to the data this connection sees by taking in the
  // rows the recorded writes since changed (file_index_follow.cpp); nothing when it cannot be.
  std::optional<std::vector<FullTextRank::Ranked>> followRanking(
      const RankExpression& expression, const SharedSearchData::RankingRequest& request, bool held);
  // The ranking of words that must all match, formed from every match of each word alone
  // (file_index_compose.cpp); nothing when a short prefix's matches are not at hand (they are
  // then asked of the shared data, when `use.ask` says so) or the ranking does not qualify.
  std::optional<std::vector<FullTextRank::Ranked>> composedRanking(
      const SharedSearchData::RankingRequest& request, RankingUse use);
  // One word alone over every column, as composedRanking ranks it: its expression, and the
  // request whose key its ranking and matches are kept and published under.
  struct WordRanking {
    RankExpression expression;
    SharedSearchData::RankingRequest request;
  };
  std::optional<WordRanking> wordRanking(const std::string& term);
  // Every match of one word alone, for the data this connection sees: kept, published, followed
  // through recorded writes, or (unless `mayMatch` is false) matched now; none otherwise.
  std::shared_ptr<const FullTextRank::Matches> phraseMatches(
      const RankExpression& expression, const SharedSearchData::RankingRequest& request,
      bool mayMatch);
  struct FilterCheck {
    FullTextRank::Keep keep;
    FullTextRank::Prepare prepare;
  };
  FilterCheck filterCheck(const SharedSearchData::RankingRequest& request, bool held);
  std::optional<std::vector<SearchRow>> rowsFor(const std::vector<FullTextRank::Ranked>& ranked);
  std::size_t checksBeforeReadingAll(const std::vector<std::string>& conditions,
                                     const FileAttributes* attributes);
  SearchState& searchState();
  // Created at the first search; destroyed before the statements and the connection.
  std::shared_ptr<SearchState> searchState_;
};

}  // namespace quorvale
