#include "index/full_text_rank.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "index/row_sizes.h"
#include "util/phase_times.h"

namespace quorvale {
namespace {

// The fewest and the most rows a filter hears of at once.
constexpr std::size_t kFirstPrepared = 64;
constexpr std::size_t kMostPrepared = 4096;

// bm25's constants, as FTS5 defines them.
constexpr double kK1 = 1.2;
constexpr double kB = 0.75;

int countRow(const Fts5ExtensionApi*, Fts5Context*, void* count) {
  ++*static_cast<int64_t*>(count);
  return SQLITE_OK;
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
  sqlite3_int64 totalTokens = 0;
  double averageTokens = 0;
  // The rows are every match of a one-phrase expression, gathered without a failure.
  bool complete = false;
  // Documents holding each stated phrase: searched for at the first row holding it, counted
  // from the rows, or (split phrases) asked of the caller at the end.
  std::vector<std::optional<int64_t>> groupHits;
  std::vector<int> uncounted;  // the phrases still to search for
  std::vector<int64_t> rowids;
  std::vector<double> rowTokens;
  std::vector<double> frequencies;  // `groups` per row: weighted instances of each stated phrase
  // Scratch for the final pass, kept between runs: fresh large buffers cost page faults.
  std::vector<double> scores;
  std::vector<std::size_t> order;

  void reset(bool matchesAll, bool inTransaction, const RankExpression& stated) {
    everyMatch = matchesAll;
    expression = &stated;
    groups = stated.groupCount.size();
    useCache = inTransaction;
    if (useCache) cache.check();
    started = false;
    complete = false;
    rowCount = 0;
    totalTokens = 0;
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
    int rc = api->xRowCount(fts, &rowCount);
    if (rc == SQLITE_OK) rc = api->xColumnTotalSize(fts, -1, &totalTokens);
    if (rc != SQLITE_OK) return rc;
    averageTokens = static_cast<double>(totalTokens) / static_cast<double>(rowCount);
    if (static_cast<std::size_t>(phrases) != expression->groupOf.size()) return SQLITE_ERROR;
    uncounted.clear();
    for (int i = 0; i < phrases; ++i) {
      // A split phrase is counted as a group at the end.
      if (!expression->groupCount[expression->groupOf[static_cast<std::size_t>(i)]]) {
        uncounted.push_back(i);
      }
    }
    return SQLITE_OK;
  }

  // Searches for the documents holding each phrase that occurs in this row and has not been
  // counted yet. A phrase no row holds is never searched for: it adds exactly 0 to every score
  // (an excluded word, whose search would read its whole document list, for one).
  int countPhrases(const Fts5ExtensionApi* api, Fts5Context* fts, std::size_t first) {
    if (everyMatch && groups == 1) return SQLITE_OK;  // counted from the rows at the end
    for (std::size_t at = 0; at < uncounted.size();) {
      int phrase = uncounted[at];
      std::size_t group = expression->groupOf[static_cast<std::size_t>(phrase)];
      if (frequencies[first + group] == 0) {
        ++at;
        continue;
      }
      int64_t hits = 0;
      if (int rc = api->xQueryPhrase(fts, phrase, &hits, countRow); rc != SQLITE_OK) return rc;
      groupHits[group] = hits;
      uncounted.erase(uncounted.begin() + static_cast<std::ptrdiff_t>(at));
    }
    return SQLITE_OK;
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
    // Frequencies are summed per stated phrase at once (exact: the weights are small integers).
    std::size_t first = frequencies.size();
    frequencies.resize(first + groups, 0.0);
    for (int phrase = 0; phrase < phrases; ++phrase) {
      double& frequency =
          frequencies[first + expression->groupOf[static_cast<std::size_t>(phrase)]];
      Fts5PhraseIter iterator;
      int column = 0, offset = 0;
      int rc = api->xPhraseFirst(fts, phrase, &iterator, &column, &offset);
      if (rc != SQLITE_OK) return rc;
      for (; column >= 0; api->xPhraseNext(fts, &iterator, &column, &offset)) {
        frequency += column < columns ? weights[static_cast<std::size_t>(column)] : 1.0;
      }
    }
    if (int rc = countPhrases(api, fts, first); rc != SQLITE_OK) return rc;
    rowids.push_back(rowid);
    rowTokens.push_back(static_cast<double>(*tokens));
    return SQLITE_OK;
  }

  // bm25 of every row, with FTS5's formula and order of operations over the stated phrases,
  // so that the doubles are the very ones SQLite would give. False when a split phrase's
  // document count cannot be read.
  bool score(const GroupCount& groupCount) {
    const std::size_t rows = rowids.size();
    const std::vector<double>& grouped = frequencies;
    std::vector<double> idf(groups, 0.0);
    for (std::size_t group = 0; group < groups; ++group) {
      std::optional<int64_t> hits = groupHits[group];
      if (everyMatch && groups == 1) hits = static_cast<int64_t>(rows);
      if (!hits) {
        // A phrase no row holds adds exactly 0 whatever its weight (excluded words, for one).
        bool used = false;
        for (std::size_t row = 0; row < rows && !used; ++row)
          used = grouped[row * groups + group] != 0;
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
  fts5_api* api = sql::fts5Api(db);
  available_ = api != nullptr && api->iVersion >= 2 &&
               api->xCreateFunction(api, kFunction, this, rankFunction, nullptr) == SQLITE_OK;
}

FullTextRank::~FullTextRank() = default;

SizeCache& FullTextRank::sizeCache() {
  return collector_->cache;
}

std::optional<std::vector<FullTextRank::Ranked>> FullTextRank::best(
    sql::Statement& statement, std::size_t limit, bool everyMatch, const RankExpression& expression,
    const GroupCount& groupCount, const Keep& keep, const Prepare& prepare) {
  Collector& run = *collector_;
  // Remembered sizes are only safe when the version check and the search share one snapshot.
  run.reset(everyMatch, sqlite3_get_autocommit(db_.raw()) == 0, expression);
  int rc;
  {
    PhaseTimes::Scope timed("search.ranked.match");
    while ((rc = statement.step()) == SQLITE_ROW) {
    }
  }
  run.sizes.restart();
  if (rc != SQLITE_DONE || run.failure != SQLITE_OK) return std::nullopt;

  PhaseTimes::Scope timed("search.ranked.order");
  if (!run.score(groupCount)) return std::nullopt;
  run.complete = everyMatch && run.groups == 1;
  return ordered(limit, keep, prepare);
}

std::optional<std::vector<FullTextRank::Ranked>> FullTextRank::ordered(std::size_t limit,
                                                                       const Keep& keep,
                                                                       const Prepare& prepare) {
  Collector& run = *collector_;
  const std::vector<double>& scores = run.scores;
  std::vector<std::size_t>& order = run.order;
  order.resize(scores.size());
  std::iota(order.begin(), order.end(), 0);
  // ORDER BY ... LIMIT keeps the earlier row of two with equal scores.
  auto better = [&](std::size_t a, std::size_t b) {
    return scores[a] < scores[b] || (scores[a] == scores[b] && a < b);
  };
  // Rows are put in order a chunk at a time: without a filter the first chunk is all it takes,
  // and a filter that keeps few rows reads on only as far as it must. Each chunk is twice the
  // one before, so that reading far costs no more than sorting everything once.
  std::vector<Ranked> ranked;
  std::size_t sorted = 0;
  std::size_t chunk = std::max<std::size_t>(limit, 1024);
  // The filter hears of the rows in batches: the first as large as the rows still wanted, each
  // later one twice the one before, so that a filter that keeps few rows is read for many at
  // once and one that keeps most is asked of hardly more rows than it must.
  std::size_t prepared = 0;
  std::size_t batch = 0;
  std::vector<int64_t> upcoming;
  for (std::size_t next = 0; next < order.size() && ranked.size() < limit; ++next) {
    if (next == sorted) {
      std::size_t take = std::min(order.size() - sorted, chunk);
      auto from = order.begin() + static_cast<std::ptrdiff_t>(sorted);
      auto to = from + static_cast<std::ptrdiff_t>(take);
      if (to != order.end()) std::nth_element(from, to - 1, order.end(), better);
      std::sort(from, to, better);
      sorted += take;
      chunk *= 2;
    }
    if (prepare && next == prepared) {
      batch = std::min(std::max({batch * 2, limit - ranked.size(), kFirstPrepared}), kMostPrepared);
      prepared = std::min(sorted, next + batch);
      upcoming.clear();
      for (std::size_t at = next; at < prepared; ++at) upcoming.push_back(run.rowids[order[at]]);
      if (!prepare(upcoming)) return std::nullopt;
    }
    int64_t rowid = run.rowids[order[next]];
    if (keep) {
      std::optional<bool> kept = keep(rowid);
      if (!kept) return std::nullopt;
      if (!*kept) continue;
    }
    ranked.push_back({rowid, scores[order[next]]});
  }
  return ranked;
}

std::shared_ptr<const FullTextRank::Matches> FullTextRank::lastMatches() const {
  const Collector& run = *collector_;
  if (!run.complete) return nullptr;
  auto matches = std::make_shared<Matches>();
  matches->rowCount = run.rowCount;
  matches->tokens = run.totalTokens;
  std::size_t rows = run.rowids.size();
  matches->rowids.reserve(rows);
  matches->rowTokens.reserve(rows);
  matches->frequencies.reserve(rows);
  for (std::size_t row = 0; row < rows; ++row) {
    auto rowid = static_cast<uint32_t>(run.rowids[row]);
    auto tokens = static_cast<uint16_t>(run.rowTokens[row]);
    auto frequency = static_cast<uint16_t>(run.frequencies[row]);
    // Exact or not kept: the scores must come out bit for bit.
    if (static_cast<int64_t>(rowid) != run.rowids[row] ||
        static_cast<double>(tokens) != run.rowTokens[row] ||
        static_cast<double>(frequency) != run.frequencies[row]) {
      return nullptr;
    }
    matches->rowids.push_back(rowid);
    matches->rowTokens.push_back(tokens);
    matches->frequencies.push_back(frequency);
  }
  return matches;
}

std::optional<FullTextRank::Matches> FullTextRank::matchesOf(sql::Statement& statement,
                                                             const RankExpression& expression) {
  Collector& run = *collector_;
  if (expression.groupCount.size() != 1) return std::nullopt;
  run.reset(true, sqlite3_get_autocommit(db_.raw()) == 0, expression);
  int rc;
  while ((rc = statement.step()) == SQLITE_ROW) {
  }
  run.sizes.restart();
  if (rc != SQLITE_DONE || run.failure != SQLITE_OK) return std::nullopt;
  run.complete = true;
  std::shared_ptr<const Matches> matches = lastMatches();
  if (!matches) return std::nullopt;
  return *matches;
}

std::optional<std::vector<FullTextRank::Ranked>> FullTextRank::bestOf(const Matches& matches,
                                                                      std::size_t limit,
                                                                      const Keep& keep,
                                                                      const Prepare& prepare) {
  PhaseTimes::Scope timed("search.ranked.order");
  if (matches.documents) return std::nullopt;  // not every match: ranked with others only
  Collector& run = *collector_;
  run.everyMatch = true;
  run.expression = nullptr;
  run.groups = 1;
  run.groupHits.assign(1, std::nullopt);
  run.rowCount = matches.rowCount;
  run.totalTokens = matches.tokens;
  run.averageTokens = static_cast<double>(matches.tokens) / static_cast<double>(matches.rowCount);
  run.rowids.assign(matches.rowids.begin(), matches.rowids.end());
  run.rowTokens.assign(matches.rowTokens.begin(), matches.rowTokens.end());
  run.frequencies.assign(matches.frequencies.begin(), matches.frequencies.end());
  run.complete = false;
  if (!run.score({})) return std::nullopt;
  return ordered(limit, keep, prepare);
}

std::optional<std::vector<FullTextRank::Ranked>> FullTextRank::bestOfAll(
    std::span<const Matches* const> phrases, std::size_t limit, const Keep& keep,
    const Prepare& prepare) {
  PhaseTimes::Scope timed("search.ranked.compose");
  if (phrases.empty()) return std::nullopt;
  const Matches& any = *phrases.front();
  for (const Matches* matches : phrases) {
    if (matches->rowCount <= 0 || matches->rowCount != any.rowCount ||
        matches->tokens != any.tokens) {
      return std::nullopt;
    }
  }
  Collector& run = *collector_;
  const std::size_t groups = phrases.size();
  run.everyMatch = false;
  run.expression = nullptr;
  run.groups = groups;
  run.rowCount = any.rowCount;
  run.totalTokens = any.tokens;
  run.averageTokens = static_cast<double>(any.tokens) / static_cast<double>(any.rowCount);
  run.groupHits.resize(groups);
  for (std::size_t group = 0; group < groups; ++group) {
    run.groupHits[group] =
        phrases[group]->documents.value_or(static_cast<int64_t>(phrases[group]->rowids.size()));
  }
  run.rowids.clear();
  run.rowTokens.clear();
  run.frequencies.clear();
  run.complete = false;
  // The rows of the shortest list that every other list holds, in rowid order (the order the
  // matching statement would meet them in).
  std::size_t driver = 0;
  for (std::size_t group = 1; group < groups; ++group) {
    if (phrases[group]->rowids.size() < phrases[driver]->rowids.size()) driver = group;
  }
  std::vector<std::size_t> at(groups, 0);
  const Matches& driving = *phrases[driver];
  for (std::size_t row = 0; row < driving.rowids.size(); ++row) {
    uint32_t rowid = driving.rowids[row];
    bool inEvery = true;
    for (std::size_t group = 0; group < groups && inEvery; ++group) {
      if (group == driver) {
        at[group] = row;
        continue;
      }
      const std::vector<uint32_t>& rowids = phrases[group]->rowids;
      auto from = rowids.begin() + static_cast<std::ptrdiff_t>(at[group]);
      at[group] =
          static_cast<std::size_t>(std::lower_bound(from, rowids.end(), rowid) - rowids.begin());
      inEvery = at[group] < rowids.size() && rowids[at[group]] == rowid;
    }
    if (!inEvery) continue;
    for (std::size_t group = 0; group < groups; ++group) {
      if (phrases[group]->rowTokens[at[group]] != driving.rowTokens[row]) return std::nullopt;
      run.frequencies.push_back(phrases[group]->frequencies[at[group]]);
    }
    run.rowids.push_back(rowid);
    run.rowTokens.push_back(driving.rowTokens[row]);
  }
  if (!run.score({})) return std::nullopt;
  return ordered(limit, keep, prepare);
}

}  // namespace quorvale
