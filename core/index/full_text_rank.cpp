#include "index/full_text_rank.h"

#include "index/data_version.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace quorvale {
namespace {

// bm25's constants, as FTS5 defines them.
constexpr double kK1 = 1.2;
constexpr double kB = 0.75;

// SQLite's variable-length integer (the b-tree format FTS5 writes its size records in).
// Returns the bytes read, or 0 when the record ends first.
std::size_t readVarint(const unsigned char* p, const unsigned char* end, uint64_t& value) {
  value = 0;
  for (std::size_t i = 0; i < 9; ++i) {
    if (p + i >= end) return 0;
    if (i == 8) {
      value = (value << 8) | p[i];
      return 9;
    }
    value = (value << 7) | (p[i] & 0x7f);
    if ((p[i] & 0x80) == 0) return i + 1;
  }
  return 0;
}

// The total token count of a row from its size record: one varint per column, nothing after.
std::optional<int> totalTokens(const unsigned char* blob, int bytes, int columns) {
  const unsigned char* end = blob + bytes;
  int total = 0;
  for (int column = 0; column < columns; ++column) {
    uint64_t value = 0;
    std::size_t used = readVarint(blob, end, value);
    if (used == 0) return std::nullopt;
    blob += used;
    // FTS5 keeps each column size in 32 bits and adds them up as int.
    total += static_cast<int>(static_cast<uint32_t>(value));
  }
  if (blob != end) return std::nullopt;
  return total;
}

// Reads row sizes in ascending rowid order with one forward scan of fts_docsize, seeking anew
// only across gaps, which costs a fraction of a lookup per row.
class SizeScan {
 public:
  explicit SizeScan(sql::Connection& db) : db_(db) {}

  void restart() {
    if (statement_) statement_.reset();
    onRow_ = false;
  }

  std::optional<int> tokens(int64_t rowid, int columns) {
    if (!prepare()) return std::nullopt;
    constexpr int64_t kSeekGap = 16;
    if (!onRow_ || rowid < id_ || rowid - id_ > kSeekGap) seek(rowid);
    while (onRow_ && id_ < rowid) advance();
    if (!onRow_ || id_ != rowid) return std::nullopt;
    const auto* blob = static_cast<const unsigned char*>(sqlite3_column_blob(statement_.raw(), 1));
    int bytes = sqlite3_column_bytes(statement_.raw(), 1);
    if (blob == nullptr) return std::nullopt;
    return totalTokens(blob, bytes, columns);
  }

 private:
  bool prepare() {
    if (!statement_ && !failed_) {
      statement_ = db_.prepare("SELECT id, sz FROM fts_docsize WHERE id >= ?");
      failed_ = !statement_;
    }
    return !failed_;
  }
  void seek(int64_t rowid) {
    statement_.reset();
    statement_.bind(1, rowid);
    advance();
  }
  void advance() {
    onRow_ = statement_.step() == SQLITE_ROW;
    if (onRow_) id_ = statement_.columnInt(0);
  }

  sql::Connection& db_;
  sql::Statement statement_;
  bool failed_ = false;
  bool onRow_ = false;
  int64_t id_ = 0;
};

// Row sizes already read, by rowid; valid while the database is unchanged. Rows are read into it
// as searches meet them.
class SizeCache {
 public:
  explicit SizeCache(sql::Connection& db) : version_(db) {}

  // Empties the cache when the data changed since it was filled. Call inside the read
  // transaction the search runs in, so that the version is the one the search sees.
  void check() {
    DataVersion::Stamp stamp = version_.current();
    if (stamp.version < 0 || !(stamp == stamp_)) tokens_.clear();
    stamp_ = stamp;
  }

  std::optional<int> find(int64_t rowid) const {
    if (rowid < 0 || static_cast<uint64_t>(rowid) >= tokens_.size()) return std::nullopt;
    int32_t tokens = tokens_[static_cast<std::size_t>(rowid)];
    if (tokens < 0) return std::nullopt;
    return tokens;
  }

  void store(int64_t rowid, int tokens) {
    if (rowid < 0 || rowid >= kMaxRowid || tokens < 0) return;
    auto index = static_cast<std::size_t>(rowid);
    if (index >= tokens_.size()) tokens_.resize(std::max(index + 1, tokens_.size() * 2), -1);
    tokens_[index] = tokens;
  }

 private:
  // Rowids are file ids, dense from 1; a stray huge one is simply not cached.
  static constexpr int64_t kMaxRowid = int64_t{1} << 26;

  DataVersion version_;
  DataVersion::Stamp stamp_;
  std::vector<int32_t> tokens_;
};

int countRow(const Fts5ExtensionApi*, Fts5Context*, void* count) {
  ++*static_cast<int64_t*>(count);
  return SQLITE_OK;
}

fts5_api* fts5Api(sql::Connection& db) {
  fts5_api* api = nullptr;
  sql::Statement statement = db.prepare("SELECT fts5(?1)");
  if (!statement) return nullptr;
  sqlite3_bind_pointer(statement.raw(), 1, static_cast<void*>(&api), "fts5_api_ptr", nullptr);
  statement.step();
  return api;
}

}  // namespace

// What one run of a ranking statement has gathered: the table's statistics (read at the first
// row, as bm25 reads them), and for every row its rowid, size and weighted phrase frequencies.
struct FullTextRank::Collector {
  explicit Collector(sql::Connection& db) : sizes(db), cache(db) {}

  SizeScan sizes;
  SizeCache cache;
  bool useCache = false;
  bool everyMatch = false;
  const RankExpression* expression = nullptr;
  std::size_t groups = 0;
  bool started = false;
  int failure = SQLITE_OK;
  int phrases = 0;
  int columns = 0;
  std::vector<double> weights;
  sqlite3_int64 rowCount = 0;
  double averageTokens = 0;
  // Documents holding each stated phrase: searched for at the start, counted from the rows, or
  // (split phrases) asked of the caller at the end.
  std::vector<std::optional<int64_t>> groupHits;
  std::vector<int64_t> rowids;
  std::vector<double> rowTokens;
  std::vector<double> frequencies;  // `phrases` per row
  // Scratch for the final pass, kept between runs: fresh large buffers cost page faults.
  std::vector<double> grouped;
  std::vector<double> scores;
  std::vector<std::size_t> order;

  void reset(bool matchesAll, bool inTransaction, const RankExpression& stated) {
    everyMatch = matchesAll;
    expression = &stated;
    groups = stated.groupCount.size();
    useCache = inTransaction;
    if (useCache) cache.check();
    started = false;
    failure = SQLITE_OK;
    groupHits.assign(groups, std::nullopt);
    rowids.clear();
    rowTokens.clear();
    frequencies.clear();
    sizes.restart();
  }

  int start(const Fts5ExtensionApi* api, Fts5Context* fts, int count, sqlite3_value** values) {
    started = true;
    phrases = api->xPhraseCount(fts);
    columns = api->xColumnCount(fts);
    weights.assign(static_cast<std::size_t>(columns), 1.0);
    for (int i = 0; i < columns && i < count; ++i) {
      weights[static_cast<std::size_t>(i)] = sqlite3_value_double(values[i]);
    }
    sqlite3_int64 tokens = 0;
    int rc = api->xRowCount(fts, &rowCount);
    if (rc == SQLITE_OK) rc = api->xColumnTotalSize(fts, -1, &tokens);
    if (rc != SQLITE_OK) return rc;
    averageTokens = static_cast<double>(tokens) / static_cast<double>(rowCount);
    if (static_cast<std::size_t>(phrases) != expression->groupOf.size()) return SQLITE_ERROR;
    if (everyMatch && groups == 1) return SQLITE_OK;  // counted from the rows at the end
    for (int i = 0; i < phrases && rc == SQLITE_OK; ++i) {
      std::size_t group = expression->groupOf[static_cast<std::size_t>(i)];
      if (expression->groupCount[group]) continue;  // split: counted as a group at the end
      int64_t hits = 0;
      rc = api->xQueryPhrase(fts, i, &hits, countRow);
      groupHits[group] = hits;
    }
    return rc;
  }

  int collect(const Fts5ExtensionApi* api, Fts5Context* fts, int count, sqlite3_value** values) {
    if (!started) {
      if (int rc = start(api, fts, count, values); rc != SQLITE_OK) return rc;
    }
    int64_t rowid = api->xRowid(fts);
    std::optional<int> tokens = useCache ? cache.find(rowid) : std::nullopt;
    if (!tokens) {
      tokens = sizes.tokens(rowid, columns);
      if (!tokens) {
        int size = 0;
        if (int rc = api->xColumnSize(fts, -1, &size); rc != SQLITE_OK) return rc;
        tokens = size;
      }
      if (useCache) cache.store(rowid, *tokens);
    }
    for (int phrase = 0; phrase < phrases; ++phrase) {
      double frequency = 0;
      Fts5PhraseIter iterator;
      int column = 0, offset = 0;
      int rc = api->xPhraseFirst(fts, phrase, &iterator, &column, &offset);
      if (rc != SQLITE_OK) return rc;
      for (; column >= 0; api->xPhraseNext(fts, &iterator, &column, &offset)) {
        frequency += column < columns ? weights[static_cast<std::size_t>(column)] : 1.0;
      }
      frequencies.push_back(frequency);
    }
    rowids.push_back(rowid);
    rowTokens.push_back(static_cast<double>(*tokens));
    return SQLITE_OK;
  }

  // bm25 of every row, with FTS5's formula and order of operations over the stated phrases,
  // so that the doubles are the very ones SQLite would give. False when a split phrase's
  // document count cannot be read.
  bool score(const GroupCount& groupCount) {
    const std::size_t rows = rowids.size();
    // Phrase frequencies summed per stated phrase (exact: the weights are small integers).
    grouped.assign(rows * groups, 0.0);
    for (std::size_t row = 0; row < rows; ++row) {
      for (std::size_t phrase = 0; phrase < expression->groupOf.size(); ++phrase) {
        grouped[row * groups + expression->groupOf[phrase]] +=
            frequencies[row * expression->groupOf.size() + phrase];
      }
    }
    std::vector<double> idf(groups, 0.0);
    for (std::size_t group = 0; group < groups; ++group) {
      std::optional<int64_t> hits = groupHits[group];
      if (everyMatch && groups == 1) hits = static_cast<int64_t>(rows);
      if (!hits) {
        // A phrase no row holds adds exactly 0 whatever its weight (excluded words, for one).
        bool used = false;
        for (std::size_t row = 0; row < rows && !used; ++row) used = grouped[row * groups + group] != 0;
        if (!used) continue;
        hits = groupCount(*expression->groupCount[group]);
        if (!hits) return false;
      }
      double value = std::log((static_cast<double>(rowCount - *hits) + 0.5) /
                              (static_cast<double>(*hits) + 0.5));
      idf[group] = value <= 0.0 ? 1e-6 : value;
    }
    scores.resize(rows);
    for (std::size_t row = 0; row < rows; ++row) {
      double sum = 0.0;
      double D = rowTokens[row];
      for (std::size_t i = 0; i < groups; ++i) {
        double f = grouped[row * groups + i];
        sum += idf[i] * ((f * (kK1 + 1.0)) / (f + kK1 * (1 - kB + kB * D / averageTokens)));
      }
      scores[row] = -1.0 * sum;
    }
    return true;
  }
};

namespace {

void rankFunction(const Fts5ExtensionApi* api, Fts5Context* fts, sqlite3_context* context,
                  int count, sqlite3_value** values) {
  auto* rank = static_cast<FullTextRank*>(api->xUserData(fts));
  int rc = rank->collector().collect(api, fts, count, values);
  if (rc != SQLITE_OK) {
    rank->collector().failure = rc;
    sqlite3_result_error_code(context, rc);
    return;
  }
  sqlite3_result_null(context);
}

}  // namespace

FullTextRank::FullTextRank(sql::Connection& db)
    : db_(db), collector_(std::make_unique<Collector>(db)) {
  fts5_api* api = fts5Api(db);
  available_ = api != nullptr && api->iVersion >= 2 &&
               api->xCreateFunction(api, kFunction, this, rankFunction, nullptr) == SQLITE_OK;
}

FullTextRank::~FullTextRank() = default;

std::optional<std::vector<FullTextRank::Ranked>> FullTextRank::best(
    sql::Statement& statement, std::size_t limit, bool everyMatch,
    const RankExpression& expression, const GroupCount& groupCount) {
  Collector& run = *collector_;
  // Remembered sizes are only safe when the version check and the search share one snapshot.
  run.reset(everyMatch, sqlite3_get_autocommit(db_.raw()) == 0, expression);
  int rc;
  while ((rc = statement.step()) == SQLITE_ROW) {
  }
  run.sizes.restart();
  if (rc != SQLITE_DONE || run.failure != SQLITE_OK) return std::nullopt;

  if (!run.score(groupCount)) return std::nullopt;
  const std::vector<double>& scores = run.scores;
  std::vector<std::size_t>& order = run.order;
  order.resize(scores.size());
  std::iota(order.begin(), order.end(), 0);
  // ORDER BY ... LIMIT keeps the earlier row of two with equal scores.
  auto better = [&](std::size_t a, std::size_t b) {
    return scores[a] < scores[b] || (scores[a] == scores[b] && a < b);
  };
  std::size_t kept = std::min(limit, order.size());
  std::partial_sort(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(kept), order.end(),
                    better);
  std::vector<Ranked> ranked;
  ranked.reserve(kept);
  for (std::size_t i = 0; i < kept; ++i) ranked.push_back({run.rowids[order[i]], scores[order[i]]});
  return ranked;
}

}  // namespace quorvale
