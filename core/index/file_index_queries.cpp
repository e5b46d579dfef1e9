// The read side of FileIndex: the main search, substring and initials matches, the vocabulary
// lookups of typo correction, and the recent files of given extensions.
#include <algorithm>
#include <chrono>
#include <span>

#include "index/edit_distance.h"
#include "index/file_index.h"
#include "index/full_text_rank.h"
#include "index/match_expression.h"
#include "index/rank_expression.h"
#include "index/ranking.h"
#include "index/read_snapshot.h"
#include "index/search_state.h"
#include "index/stored_search_data.h"
#include "util/phase_times.h"
#include "util/unicode.h"

namespace quorvale {

// One row of a search: columns 0-5 the record, 6 the text score (bm25, or 0.0 without words),
// 7 u.count (NULL read as 0) and 8 u.last (NULL: never opened).
struct FileIndex::SearchRow {
  FileRecord record;
  double bm25 = 0;
  Ranker::Usage usage;
};

namespace {

const std::string kMatchSelect =
    "SELECT f.path,f.name,f.ext,f.kind,f.size,f.mtime, bm25(fts,10.0,3.0,1.0), u.count, u.last "
    "FROM fts JOIN files f ON f.id = fts.rowid LEFT JOIN usage u ON u.path = f.path WHERE fts "
    "MATCH ?";
const std::string kFilterSelect =
    "SELECT f.path,f.name,f.ext,f.kind,f.size,f.mtime, 0.0, u.count, u.last FROM files f LEFT "
    "JOIN usage u ON u.path = f.path WHERE ";
// The same with the file's id last (column 9), for the rows kept for the data version.
const std::string kFilterSelectWithId =
    "SELECT f.path,f.name,f.ext,f.kind,f.size,f.mtime, 0.0, u.count, u.last, f.id FROM files f "
    "LEFT JOIN usage u ON u.path = f.path WHERE ";
const std::string kRankOrder = " ORDER BY bm25(fts,10.0,3.0,1.0) LIMIT 300";
const std::string kNewestFirst = " ORDER BY f.mtime DESC LIMIT 300";
const std::string kNotExcluded = "f.id NOT IN (SELECT rowid FROM fts WHERE fts MATCH ?)";

// The fast path's statements: rank every match inside the full-text table, check the filters
// of the best ones (in rank order, until enough pass), then read the survivors' rows. SQLite's
// own statement drives from the full-text table too (rowid order), filters, then keeps the best
// 300, so the rows, their order and the order of ties are the same.
const std::string kRankAll = "SELECT quorvale_rank(fts,10.0,3.0,1.0) FROM fts WHERE fts MATCH ?";
// Which of a JSON list of ids pass the filters that follow.
const std::string kPassingAmong =
    "SELECT f.id FROM files f WHERE f.id IN (SELECT value FROM json_each(?1)) AND ";
const std::string kRowById =
    "SELECT f.path,f.name,f.ext,f.kind,f.size,f.mtime, 0.0, u.count, u.last FROM files f LEFT "
    "JOIN usage u ON u.path = f.path WHERE f.id = ?";

struct Conditions {
  std::vector<std::string> clauses;
  std::vector<FileIndex::Bind> values;
};

// The folder text as a LIKE pattern that matches it literally anywhere in a path.
std::string containsPattern(const std::string& folder) {
  std::string escaped;
  for (char c : folder) {
    if (c == '\\') {
      escaped += "\\\\";
    } else if (c == '%' || c == '_') {
      escaped += '\\';
      escaped += c;
    } else {
      escaped += c;
    }
  }
  return "%" + escaped + "%";
}

Conditions conditionsFor(const Query& query) {
  Conditions c;
  if (query.kind) {
    c.clauses.push_back("f.kind = ?");
    c.values.emplace_back(std::string(rawValue(*query.kind)));
  }
  if (!query.extensions.empty()) {
    std::string list;
    for (const auto& extension : query.extensions) {  // a std::set: sorted
      list += list.empty() ? "?" : ",?";
      c.values.emplace_back(extension);
    }
    c.clauses.push_back("f.ext IN (" + list + ")");
  }
  if (query.folder) {
    c.clauses.push_back("f.path LIKE ? ESCAPE '\\'");
    c.values.emplace_back(containsPattern(*query.folder));
  }
  if (query.modifiedAfter) {
    c.clauses.push_back("f.mtime >= ?");
    c.values.emplace_back(*query.modifiedAfter);
  }
  if (query.modifiedBefore) {
    c.clauses.push_back("f.mtime < ?");
    c.values.emplace_back(*query.modifiedBefore);
  }
  if (query.minSize) {
    c.clauses.push_back("f.size >= ?");
    c.values.emplace_back(*query.minSize);
  }
  if (query.maxSize) {
    c.clauses.push_back("f.size <= ?");
    c.values.emplace_back(*query.maxSize);
  }
  return c;
}

std::string joinedWith(const std::vector<std::string>& parts, const std::string& separator) {
  std::string out;
  for (const auto& part : parts) out += (out.empty() ? "" : separator) + part;
  return out;
}

Ranker::Usage usageColumns(const sql::Statement& statement, int count, int last) {
  Ranker::Usage usage;
  usage.count = statement.columnIsNull(count) ? 0 : statement.columnInt(count);
  if (!statement.columnIsNull(last)) usage.last = statement.columnDouble(last);
  return usage;
}

bool isSingleCharacter(const std::string& term) {
  return unicode::characterCount(term) == 1;
}

// A one-letter word matches names only.
bool namesOnly(const Query& query) {
  return query.nameOnly || (query.terms.size() == 1 && isSingleCharacter(query.terms[0]));
}

// Reads which of `rowids` pass the filters with one statement and stores every answer.
// Ids the answers cannot hold (negative, or far out of line) are answered in `others`.
bool checkPassing(sql::Statement& passes, const std::vector<sql::Value>& values,
                  std::vector<int64_t>& rowids, SearchState::FilterAnswers& answers,
                  std::unordered_map<int64_t, bool>& others) {
  PhaseTimes::Scope checked("search.ranked.filter");
  // In id order, so that the rows are read in the order they lie in the table.
  std::sort(rowids.begin(), rowids.end());
  std::string list = "[";
  for (int64_t rowid : rowids) {
    if (list.size() > 1) list += ',';
    list += std::to_string(rowid);
  }
  list += ']';
  sql::StatementUse use(passes);
  if (passes.bind(1, list) != SQLITE_OK) return false;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (passes.bind(static_cast<int>(i + 2), values[i]) != SQLITE_OK) return false;
  }
  std::vector<int64_t> passing;
  int rc;
  while ((rc = passes.step()) == SQLITE_ROW) passing.push_back(passes.columnInt(0));
  if (rc != SQLITE_DONE) return false;
  std::sort(passing.begin(), passing.end());
  for (int64_t rowid : rowids) {
    bool passed = std::binary_search(passing.begin(), passing.end(), rowid);
    if (rowid < 0 || rowid >= SearchState::FilterAnswers::kMaxId) {
      others[rowid] = passed;
    } else {
      answers.store(rowid, passed);
    }
  }
  return true;
}

}  // namespace

std::vector<Hit> FileIndex::search(const Query& query, int limit, Date now) {
  PhaseTimes::Scope timed("search");
  std::vector<Hit> hits;
  for (SearchRow& row : searchRows(query)) {
    hits.push_back(Ranker::textHit(std::move(row.record), row.bm25, row.usage, query.terms, now,
                                   options_.nameWords));
  }
  if (hits.empty() && query.terms.size() == 1 &&
      unicode::characterCount(query.terms.front()) >= 2) {
    PhaseTimes::Scope initials("search.initials");
    hits = initialsMatches(query, now);
  }
  PhaseTimes::Scope boosting("search.boosts");
  std::unordered_map<std::string, double> boosts = choiceBoosts(query.raw);
  for (Hit& hit : hits) {
    if (auto boost = boosts.find(hit.record.path); boost != boosts.end()) {
      hit.score += boost->second;
    }
  }
  Ranker::sortHits(hits);
  hits.resize(std::min(hits.size(), static_cast<std::size_t>(std::max(limit, 0))));
  return hits;
}

std::vector<FileIndex::SearchRow> FileIndex::searchRows(const Query& query) {
  Conditions conditions = conditionsFor(query);
  bool nameOnly = namesOnly(query);
  auto expression = matchExpression(query.terms, query.matchAny, nameOnly);
  if (!expression) {
    // Neither words nor filters: there is nothing to look for.
    if (conditions.clauses.empty()) return {};
    // Filters with excluded words ("-draft kind:text"): the filtered files without those whose
    // name or path holds an excluded word.
    if (auto exclusion = exclusionExpression(query.excluded)) {
      conditions.clauses.push_back(kNotExcluded);
      conditions.values.emplace_back(std::move(*exclusion));
    }
    return newestRows(joinedWith(conditions.clauses, " AND "), conditions.values);
  }
  if (options_.fastRanking) {
    if (auto rows = rankedRows(rankingRequest(query))) return std::move(*rows);
  }
  std::vector<Bind> values{withExclusions(*expression, query.excluded)};
  values.insert(values.end(), conditions.values.begin(), conditions.values.end());
  std::string sql = kMatchSelect;
  for (const auto& clause : conditions.clauses) sql += " AND " + clause;
  return plainRows(sql + kRankOrder, values);
}

SharedSearchData::RankingRequest FileIndex::rankingRequest(const Query& query) {
  Conditions conditions = conditionsFor(query);
  return {.key = {},
          .query = query,
          .nameOnly = namesOnly(query),
          .conditions = std::move(conditions.clauses),
          .values = std::move(conditions.values)};
}

// A search of filters alone reads every file the filters pass before it keeps the newest, which
// on a large index costs as much as a common word; its rows are kept for the data version like a
// costly ranking (by id: the rows themselves, with their usage, are read anew).
bool FileIndex::tookLong(std::chrono::steady_clock::time_point started) const {
  std::chrono::duration<double, std::milli> taken = std::chrono::steady_clock::now() - started;
  return taken.count() >= options_.keepRankingsTakingMs;
}

std::vector<FileIndex::SearchRow> FileIndex::newestRows(const std::string& conditions,
                                                        const std::vector<Bind>& values) {
  if (!options_.fastRanking) return plainRows(kFilterSelect + conditions + kNewestFirst, values);
  try {
    ReadSnapshot snapshot(db_);
    SearchState& state = searchState();
    state.refresh(snapshot.held());
    std::string key = SearchState::key("newest " + conditions, values);
    if (snapshot.held()) {
      if (auto kept = state.cachedRanking(key)) {
        if (auto rows = rowsFor(*kept)) return std::move(*rows);
      }
    }
    std::optional<std::vector<int64_t>> ids;
    auto started = std::chrono::steady_clock::now();
    std::vector<SearchRow> rows =
        plainRows(kFilterSelectWithId + conditions + kNewestFirst, values, &ids);
    if (snapshot.held() && ids && tookLong(started)) {
      std::vector<FullTextRank::Ranked> kept;
      for (int64_t id : *ids) kept.push_back({id, 0.0});
      state.keepRanking(key, std::move(kept));
    }
    return rows;
  } catch (const IndexError&) {
    return {};
  }
}

std::vector<FileIndex::SearchRow> FileIndex::plainRows(const std::string& sql,
                                                       const std::vector<Bind>& values,
                                                       std::optional<std::vector<int64_t>>* ids) {
  PhaseTimes::Scope timed("search.statement");
  std::vector<SearchRow> rows;
  std::vector<int64_t> read;
  try {
    auto statement = prepared(sql);
    sql::StatementUse use(*statement);
    if (statement->bind(values) != SQLITE_OK) return {};
    int rc;
    while ((rc = statement->step()) == SQLITE_ROW) {
      rows.push_back(
          {record(*statement), statement->columnDouble(6), usageColumns(*statement, 7, 8)});
      if (ids) read.push_back(statement->columnInt(9));
    }
    if (rc != SQLITE_DONE) {
      noteFailure(rc);
      return {};
    }
    if (ids) *ids = std::move(read);
  } catch (const IndexError&) {
    return {};
  }
  return rows;
}

// The fast path in three steps: the best row ids (kept or ranked now), then their rows.
std::optional<std::vector<FileIndex::SearchRow>> FileIndex::rankedRows(
    SharedSearchData::RankingRequest request) {
  PhaseTimes::Scope timed("search.ranked");
  SearchState& state = searchState();
  if (!state.rank.available()) return std::nullopt;
  try {
    ReadSnapshot snapshot(db_);
    state.refresh(snapshot.held());
    auto ranked = bestRowIds(request, {.held = snapshot.held(), .ask = true});
    if (!ranked) return std::nullopt;
    return rowsFor(*ranked);
  } catch (const IndexError&) {
    return std::nullopt;
  }
}

// A one- or two-letter prefix ranks a large part of the index; its best rows are kept for the
// data version, since every search starts with one letter, then two. Rows another connection
// published for this data are taken as they are; rankings this connection had to work out
// itself are asked of that connection for the next versions of the data. Any other ranking that
// took long (a common word, a three- or four-letter prefix, words whose document lists are long)
// is kept for the data version too: typing, correcting and typing again asks for it again, and it
// costs as much every time.
std::optional<std::vector<FullTextRank::Ranked>> FileIndex::bestRowIds(
    SharedSearchData::RankingRequest& request, RankingUse use) {
  SearchState& state = searchState();
  const Query& query = request.query;
  auto expression = rankExpression(
      query.terms, query.matchAny, request.nameOnly, query.excluded,
      [&](char letter) { return state.secondCharactersAfter(*this, letter, use.held); });
  if (!expression) return std::nullopt;
  if (!use.held) return rankNow(*expression, request, use.held);
  bool shortPrefix =
      std::any_of(query.terms.begin(), query.terms.end(),
                  [](const std::string& term) { return unicode::characterCount(term) <= 2; });

  std::vector<Bind> values{expression->match};
  values.insert(values.end(), request.values.begin(), request.values.end());
  request.key = SearchState::key(joinedWith(request.conditions, " AND "), values);
  if (auto kept = state.cachedRanking(request.key)) return kept;
  if (!shortPrefix) {
    auto started = std::chrono::steady_clock::now();
    auto ranked = rankNow(*expression, request, use.held);
    if (ranked && tookLong(started)) state.keepRanking(request.key, *ranked);
    return ranked;
  }
  auto ranked = state.publishedRanking(request.key);
  std::shared_ptr<const FullTextRank::Matches> matches = state.publishedMatches(request.key);
  if (!ranked) ranked = StoredSearchData::ranking(*this, request.key, state.generation());
  if (!ranked) {
    if (auto followed = followRanking(*expression, request, use.held)) return followed;
    ranked = composedRanking(request, use);
    if (!ranked) {
      ranked = rankNow(*expression, request, use.held);
      if (ranked) matches = state.rank.lastMatches();
    }
  }
  if (!ranked) return std::nullopt;
  state.keepRanking(request.key, *ranked, std::move(matches));
  if (use.ask && state.shared) state.shared->request(request);
  return ranked;
}

std::optional<std::vector<FullTextRank::Ranked>> FileIndex::rankNow(
    const RankExpression& expression, const SharedSearchData::RankingRequest& request, bool held) {
  SearchState& state = searchState();
  FilterCheck check;
  if (!request.conditions.empty()) check = filterCheck(request, held);
  auto statement = prepared(kRankAll);
  sql::StatementUse use(*statement);
  if (statement->bind(1, expression.match) != SQLITE_OK) return std::nullopt;
  return state.rank.best(
      *statement, kSearchRows, true, expression,
      [&](const std::string& group) { return state.documentsMatching(*this, group, held); },
      check.keep, check.prepare);
}

// Whether a ranked row passes the search's filters: from the answers kept for these filters,
// else a batch of the next rows at once while few rows need checking, and once many do, every
// passing id at once.
FileIndex::FilterCheck FileIndex::filterCheck(const SharedSearchData::RankingRequest& request,
                                              bool held) {
  struct Check {
    std::string conditionText;
    std::vector<Bind> values;
    std::shared_ptr<SearchState::FilterAnswers> answers;
    std::shared_ptr<const FileAttributes> attributes;
    FileAttributes::Filter filter;
    std::shared_ptr<sql::Statement> passes;
    bool folder = false;
    std::size_t switchAt = 0;
    std::size_t checks = 0;
    bool readAllFailed = false;
    std::vector<int64_t> unknown;
    std::unordered_map<int64_t, bool> others;
  };
  auto check = std::make_shared<Check>();
  check->conditionText = joinedWith(request.conditions, " AND ");
  check->values = request.values;
  check->folder = request.query.folder.has_value();
  check->answers = searchState().filterAnswers(check->conditionText, request.values, held);
  if (held) check->attributes = searchState().attributes();
  if (check->attributes) {
    PhaseTimes::Scope timed("search.ranked.filterAttributes");
    check->filter = check->attributes->filter(request.query);
  }
  check->switchAt = checksBeforeReadingAll(request.conditions, check->attributes.get());
  check->passes = prepared(kPassingAmong + check->conditionText);
  auto fromAttributes = [check](int64_t rowid) -> std::optional<bool> {
    if (!check->attributes) return std::nullopt;
    std::optional<bool> passes = check->attributes->passes(check->filter, rowid);
    // A folder is still to be read for the rows the rest lets through.
    if (passes && *passes && check->folder) return std::nullopt;
    return passes;
  };
  FilterCheck out;
  out.prepare = [this, check, fromAttributes](std::span<const int64_t> rowids) {
    Check& c = *check;
    if (c.answers->complete) return true;
    c.unknown.clear();
    for (int64_t rowid : rowids) {
      if (!fromAttributes(rowid) && !c.answers->find(rowid) && !c.others.contains(rowid)) {
        c.unknown.push_back(rowid);
      }
    }
    if (c.unknown.empty()) return true;
    c.checks += c.unknown.size();
    if (!c.readAllFailed && c.checks > c.switchAt) {
      c.readAllFailed = !SearchState::readAllPassing(*this, c.conditionText, c.values, *c.answers);
      if (!c.readAllFailed) return true;
    }
    return checkPassing(*c.passes, c.values, c.unknown, *c.answers, c.others);
  };
  out.keep = [check, fromAttributes](int64_t rowid) -> std::optional<bool> {
    if (auto known = fromAttributes(rowid)) return known;
    if (auto known = check->answers->find(rowid)) return known;
    if (auto other = check->others.find(rowid); other != check->others.end()) return other->second;
    return std::nullopt;
  };
  return out;
}

std::optional<std::vector<FileIndex::SearchRow>> FileIndex::rowsFor(
    const std::vector<FullTextRank::Ranked>& ranked) {
  PhaseTimes::Scope reading("search.ranked.rows");
  auto lookup = prepared(kRowById);
  std::vector<SearchRow> rows;
  rows.reserve(ranked.size());
  for (const auto& [rowid, bm25] : ranked) {
    sql::StatementUse use(*lookup);
    lookup->bind(1, rowid);
    // A full-text row without its file row would drop out of the plain statement's join and
    // let another row in; only that statement can say which.
    if (lookup->step() != SQLITE_ROW) return std::nullopt;
    rows.push_back({record(*lookup), bm25, usageColumns(*lookup, 7, 8)});
  }
  return rows;
}

// How many rows a filtered search checks one by one before it reads every passing id with one
// statement. With a condition on an indexed column (kind, extension, modification time, size)
// that statement reads only the index range, so it pays early; otherwise it reads the whole
// files table, which costs about as much as checking a quarter of the rows one by one. With the
// files' attributes at hand, the only rows checked are those whose folder is in question, which
// the statement would read one by one too.
std::size_t FileIndex::checksBeforeReadingAll(const std::vector<std::string>& conditions,
                                              const FileAttributes* attributes) {
  constexpr std::size_t kIndexedChecks = 512;
  if (attributes) return std::max(kIndexedChecks, attributes->ids() / 4);
  for (const auto& condition : conditions) {
    for (const char* column : {"f.kind ", "f.ext ", "f.mtime ", "f.size "}) {
      if (condition.starts_with(column)) return kIndexedChecks;
    }
  }
  return std::max<std::size_t>(kIndexedChecks,
                               static_cast<std::size_t>(std::max<int64_t>(count(), 0)) / 4);
}

SearchState& FileIndex::searchState() {
  if (!searchState_) searchState_ = std::make_shared<SearchState>(db_, options_.fastRanking);
  return *searchState_;
}

std::vector<Hit> FileIndex::initialsMatches(const Query& query, Date now) {
  if (query.terms.size() != 1) return {};
  std::string term = unicode::lowercased(query.terms.front());
  std::vector<Hit> hits;
  for (SearchRow& row : plainRows(kFilterSelect + "f.kind = 'app'", {})) {
    if (Ranker::initials(row.record.name).starts_with(term)) {
      hits.push_back(Ranker::initialsHit(std::move(row.record), row.usage, now));
    }
  }
  return hits;
}

std::vector<Hit> FileIndex::substringSearch(std::string_view text, int limit, Date now) {
  PhaseTimes::Scope timed("substring");
  std::string lower = unicode::lowercased(text);
  if (lower.empty()) return {};
  std::vector<SearchRow> rows;
  if (unicode::scalarCount(lower) < 3) {
    rows = plainRows(kFilterSelect + "instr(lower(f.name), ?) > 0 LIMIT 300", {lower});
  } else {
    std::string phrase = "\"";
    for (char c : lower) phrase += c == '"' ? std::string("\"\"") : std::string(1, c);
    rows = plainRows(
        "SELECT f.path,f.name,f.ext,f.kind,f.size,f.mtime, 0.0, u.count, u.last FROM names_tri n "
        "JOIN files f ON f.id = n.rowid LEFT JOIN usage u ON u.path = f.path WHERE names_tri "
        "MATCH ? LIMIT 300",
        {phrase + "\""});
  }
  std::vector<Hit> hits;
  for (SearchRow& row : rows)
    hits.push_back(Ranker::substringHit(std::move(row.record), row.usage, now));
  Ranker::sortHits(hits);
  hits.resize(std::min(hits.size(), static_cast<std::size_t>(std::max(limit, 0))));
  return hits;
}

std::vector<FileIndex::SimilarTerm> FileIndex::similarTerms(std::string_view term,
                                                            int maxDistance) {
  std::string lower = unicode::lowercased(term);
  std::u32string scalars = unicode::scalars(lower);
  if (scalars.size() < 3 || maxDistance < 0) return {};
  PhaseTimes::Scope timed("similarTerms");
  // The vocabulary and any counts read for it describe one snapshot.
  ReadSnapshot snapshot(db_);
  SearchState& state = searchState();
  const std::vector<SearchState::VocabularyTerm>* words =
      state.nameWordsStartingWith(*this, scalars.front());
  if (words == nullptr) return {};
  bool outdated = state.countsOutdated(scalars.front());
  auto length = static_cast<int64_t>(scalars.size());
  std::vector<SimilarTerm> similar;
  for (const auto& word : *words) {
    auto wordLength = static_cast<int64_t>(word.length);
    if (wordLength < length - maxDistance || wordLength > length + maxDistance) continue;
    if (word.term == lower) continue;
    if (EditDistance::damerau(word.term, lower) > maxDistance) continue;
    int64_t docs = word.docs;
    if (outdated) {
      std::optional<int64_t> current = SearchState::documentsNamedWith(*this, word.term);
      if (!current) return {};
      if (*current == 0) continue;  // a word that went since the vocabulary was read
      docs = *current;
    }
    similar.push_back({word.term, docs});
  }
  return similar;
}

bool FileIndex::hasTerm(std::string_view term) {
  PhaseTimes::Scope timed("hasTerm");
  auto expression = matchExpression({std::string(term)}, false, false);
  if (!expression) return false;
  try {
    auto statement = prepared("SELECT 1 FROM fts WHERE fts MATCH ? LIMIT 1");
    sql::StatementUse use(*statement);
    statement->bind(1, *expression);
    return statement->step() == SQLITE_ROW;
  } catch (const IndexError&) {
    return false;
  }
}

std::vector<FileIndex::ExtensionFile> FileIndex::files(
    const std::set<std::string>& withExtensions) {
  if (withExtensions.empty()) return {};
  std::string list;
  std::vector<Bind> values;
  for (const auto& extension : withExtensions) {
    list += list.empty() ? "?" : ",?";
    values.emplace_back(extension);
  }
  std::vector<ExtensionFile> found;
  try {
    auto statement = prepared("SELECT path, mtime, size FROM files WHERE ext IN (" + list +
                              ") ORDER BY mtime DESC");
    sql::StatementUse use(*statement);
    if (statement->bind(values) != SQLITE_OK) return {};
    while (statement->step() == SQLITE_ROW) {
      found.push_back(
          {statement->columnText(0), statement->columnDouble(1), statement->columnInt(2)});
    }
  } catch (const IndexError&) {
    return {};
  }
  return found;
}

}  // namespace quorvale
