// The fast way to the best full-text matches. A search asks SQLite for
// "... WHERE fts MATCH ? ORDER BY bm25(fts,10.0,3.0,1.0) LIMIT 300"; SQLite then computes bm25
// for every match, and for each one looks up the row's size with a separate statement, before
// it sorts. For a one- or two-letter prefix that is tens of thousands of rows per keystroke.
//
// FullTextRank computes exactly the same numbers more cheaply: an FTS5 auxiliary function
// (`quorvale_rank`) collects each matching row's phrase frequencies while the match runs, the
// row sizes come from one forward scan of the size table instead of a lookup per row, and when
// the expression is a single phrase its document frequency is the number of matches, so the
// phrase is not searched a second time. The scores are then formed with bm25's own arithmetic, in
// its order, and the best rows are picked as ORDER BY ... LIMIT picks them (ties keep the order
// in which the rows arrived). A test holds this against SQLite's bm25.
//
// One FullTextRank belongs to one connection and is used from the thread that owns it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "index/rank_expression.h"
#include "index/row_sizes.h"
#include "util/sqlite.h"

namespace quorvale {

class FullTextRank {
 public:
  struct Ranked {
    int64_t rowid = 0;
    double bm25 = 0;
    bool operator==(const Ranked&) const = default;
  };

  // The name of the auxiliary function the statements must call, with the column weights.
  static constexpr const char* kFunction = "quorvale_rank";

  // Registers the function on the connection; `available()` is false when FTS5 offers no API.
  explicit FullTextRank(sql::Connection& db);
  ~FullTextRank();
  FullTextRank(const FullTextRank&) = delete;
  FullTextRank& operator=(const FullTextRank&) = delete;

  bool available() const { return available_; }

  // The document count of a split phrase's group expression, or nothing when it cannot be read.
  using GroupCount = std::function<std::optional<int64_t>(const std::string& group)>;

  // Whether a row passes the search's other conditions; nothing when that cannot be read.
  using Keep = std::function<std::optional<bool>(int64_t rowid)>;
  // Called with the next rows `keep` will be asked about, in rank order, before it is asked, so
  // that the answers can be read for many rows at once; false when that read failed.
  using Prepare = std::function<bool(std::span<const int64_t> rowids)>;

  // Steps `statement` (values bound by the caller: it matches `expression.match`), whose rows
  // each call the function once for one match of the fts table, and returns the best `limit`
  // rows by the bm25 of the stated expression, lowest first, among those `keep` accepts (all
  // when it is empty). The rows must come in the order SQLite's own statement would meet them
  // (rowid order, the full-text table driving). Pass `everyMatch` when the statement yields
  // every match of its expression, which lets a one-phrase expression take its document count
  // from the rows. `prepare`, when given, hears of the rows before `keep` is asked about them.
  // Nothing when a step, the function, `prepare` or `keep` failed.
  std::optional<std::vector<Ranked>> best(sql::Statement& statement, std::size_t limit,
                                          bool everyMatch, const RankExpression& expression,
                                          const GroupCount& groupCount, const Keep& keep = {},
                                          const Prepare& prepare = {});

  // Every match of a one-phrase expression (a short prefix, split or not) as a ranking statement
  // met them, in rowid order, with what bm25 needs of each and the table's totals: enough to
  // rank them again, or to take in the new matches of a few changed rows (SearchState keeps
  // them across writes). Never changed once made.
  struct Matches {
    int64_t rowCount = 0;
    int64_t tokens = 0;
    // Eight bytes a row: a short prefix matches much of the index, and a searching connection
    // keeps the matches of many. Rows that do not fit these types are not kept.
    std::vector<uint32_t> rowids;
    std::vector<uint16_t> rowTokens;
    std::vector<uint16_t> frequencies;  // weighted instances: sums of small integer weights
    // How many rows the phrase matches, when `rowids` are only some of them (the matches of a
    // letter among another word's, LetterMatches::among).
    std::optional<int64_t> documents;
  };
  // The matches the last best() ranked, when its expression was one phrase; none otherwise.
  std::shared_ptr<const Matches> lastMatches() const;
  // Steps a statement like best()'s, over some rows only (a rowid range), and returns their
  // matches; `rowCount` is 0 when no row matched (the totals were not read).
  std::optional<Matches> matchesOf(sql::Statement& statement, const RankExpression& expression);
  // best() over matches already gathered; their statement yielded every match.
  std::optional<std::vector<Ranked>> bestOf(const Matches& matches, std::size_t limit,
                                            const Keep& keep = {}, const Prepare& prepare = {});

  // best() of the AND of one-phrase expressions (in the stated order) from every match of each,
  // all gathered for the same data: the rows in every list, each scored as bm25 scores the stated
  // expression, the phrases' parts summed in order. Nothing when the lists describe different
  // data (their totals or a row's size differ), or a filter failed.
  std::optional<std::vector<Ranked>> bestOfAll(std::span<const Matches* const> phrases,
                                               std::size_t limit, const Keep& keep = {},
                                               const Prepare& prepare = {});

  // Called by the auxiliary function for each row; not for other callers.
  struct Collector;
  Collector& collector() { return *collector_; }
  // The row sizes kept between runs (valid for one version of the data).
  SizeCache& sizeCache();

 private:
  std::optional<std::vector<Ranked>> ordered(std::size_t limit, const Keep& keep,
                                             const Prepare& prepare);

  sql::Connection& db_;
  bool available_ = false;
  std::unique_ptr<Collector> collector_;
};

}  // namespace quorvale
