#include "index/search_state.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include <type_traits>
#include <variant>

#include "index/file_index.h"
#include "index/file_index_access.h"
#include "index/read_snapshot.h"
#include "index/stored_search_data.h"
#include "util/phase_times.h"
#include "util/unicode.h"

namespace quorvale {
namespace {

// Moves a found entry of a most-recently-used list to its front.
template <typename List>
typename List::iterator findAndRaise(List& list, const std::string& key) {
  for (auto it = list.begin(); it != list.end(); ++it) {
    if (it->first == key) {
      list.splice(list.begin(), list, it);
      return list.begin();
    }
  }
  return list.end();
}

// A value another connection published for this data, else one stored in the file for it.
template <typename Map, typename Key, typename Read>
auto adoptedOrStored(const Map* adopted, const Key& key, Read&& read) -> decltype(read()) {
  if (adopted != nullptr) {
    if (auto found = adopted->find(key); found != adopted->end()) return found->second;
  }
  return read();
}

}  // namespace

std::string SearchState::key(const std::string& text, const std::vector<sql::Value>& values) {
  std::string key = text;
  for (const auto& value : values) {
    key += '\x1f';
    key += static_cast<char>('0' + value.index());
    std::visit(
        [&](const auto& v) {
          using T = std::decay_t<decltype(v)>;
          if constexpr (std::is_same_v<T, std::string>) {
            key += std::to_string(v.size()) + ':' + v;
          } else if constexpr (std::is_same_v<T, double>) {
            char buffer[32];
            std::snprintf(buffer, sizeof buffer, "%a", v);
            key += buffer;
          } else {
            key += std::to_string(v);
          }
        },
        value);
  }
  return key;
}

SearchState::SearchState(sql::Connection& db, bool share) : rank(db), version(db), db_(db) {
  db.exec("PRAGMA cache_size=-" + std::to_string(kCacheKibibytes));
  const char* file = sqlite3_db_filename(db.raw(), "main");
  if (share) shared = SharedSearchData::forFile(file == nullptr ? "" : file);
}

void SearchState::refresh(bool held) {
  DataVersion::Stamp stamp = version.current();
  bool changed = !held || stamp.version < 0 || !(stamp == derivedStamp);
  if (changed) {
    storedLetters_.clear();
    int64_t before = generation_;
    generation_ = -1;
    if (held) readGeneration();
    std::optional<SharedSearchData::Change> change;
    if (held && stamp.version >= 0 && derivedStamp.version >= 0 && before >= 0 && shared &&
        generation_ >= before) {
      change = shared->changesBetween(before, generation_);
    }
    if (!change || !keepThrough(*change)) dropDerived();
  }
  derivedStamp = held ? stamp : DataVersion::Stamp{};
  // Data published after this connection last looked is taken up too; its vocabularies are
  // current, so the ones kept across changes give way to them.
  if (!adopted_ && shared && generation_ >= 0) {
    adopted_ = shared->published(generation_);
    if (adopted_) {
      for (const auto& [letter, words] : adopted_->vocabulary) {
        if (outdatedLetters_.erase(letter) > 0) vocabulary.erase(letter);
      }
      if (adopted_->rowSizes) rank.sizeCache().adopt(adopted_->rowSizes);
    }
  }
}

void SearchState::forget() {
  dropDerived();
  derivedStamp = {};
  generation_ = -1;
}

void SearchState::dropDerived() {
  vocabulary.clear();
  outdatedLetters_.clear();
  secondCharacters.clear();
  groupCounts.clear();
  filters.clear();
  rankings.clear();
  storedLetters_.clear();
  adopted_.reset();
  rank.sizeCache().keepThrough({}, {});
}

// Row sizes and filter answers belong to single rows. Rankings, second characters and group
// counts depend on the whole table (bm25's statistics, words that went), so any change of the
// rows drops them; a change of other tables (usage) keeps them.
bool SearchState::keepThrough(const SharedSearchData::Change& change) {
  if (change.rows.empty() && change.nameWords.empty()) {
    rank.sizeCache().keepThrough(derivedStamp, {});
    return true;
  }
  // Every changed row is new: a group's count grows by those of them it matches.
  bool onlyAdded = change.inserted.size() == change.rows.size();
  // The vocabularies this connection used, its own or published ones, go on with the new words.
  if (adopted_) {
    for (const auto& [letter, words] : adopted_->vocabulary) vocabulary.try_emplace(letter, words);
    if (onlyAdded) {
      for (const auto& [group, count] : adopted_->groupCounts) {
        groupCounts.try_emplace(group, KeptCount{.count = count, .uncounted = {}});
      }
    }
    adopted_.reset();
  }
  for (const auto& [letter, words] : vocabulary) outdatedLetters_.insert(letter);
  takeNameWords(change.nameWords);
  secondCharacters.clear();
  if (!onlyAdded) groupCounts.clear();
  for (auto& [group, kept] : groupCounts) {
    std::vector<int64_t>& rows = kept.uncounted;
    rows.insert(rows.end(), change.rows.begin(), change.rows.end());
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  }
  // Rankings with their matches stay, for their own generation, to follow the change later.
  std::erase_if(rankings, [](const auto& entry) { return !entry.second.matches; });
  for (auto& [filterKey, answers] : filters) answers->forget(change.rows);
  rank.sizeCache().keepThrough(derivedStamp, change.rows);
  return true;
}

// Adds the words not in the kept vocabularies, in the vocabulary's (byte) order; their counts
// are read when they are candidates.
void SearchState::takeNameWords(const std::vector<std::string>& words) {
  for (const auto& word : words) {
    std::u32string scalars = unicode::scalars(word);
    if (scalars.empty()) continue;
    auto kept = vocabulary.find(scalars.front());
    if (kept == vocabulary.end()) continue;
    std::vector<VocabularyTerm>& list = kept->second;
    auto at = std::lower_bound(
        list.begin(), list.end(), word,
        [](const VocabularyTerm& term, const std::string& text) { return term.term < text; });
    if (at != list.end() && at->term == word) continue;
    list.insert(at, VocabularyTerm{word, 0, scalars.size()});
  }
}

std::optional<int64_t> SearchState::documentsNamedWith(FileIndex& index, const std::string& word) {
  PhaseTimes::Scope timed("similarTerms.documents");
  try {
    auto statement = FileIndexAccess::prepared(
        index, "SELECT doc FROM fts_vocab_col WHERE term = ? AND col = 'name'");
    sql::StatementUse use(*statement);
    statement->bind(1, word);
    int rc = statement->step();
    if (rc == SQLITE_DONE) return 0;
    if (rc != SQLITE_ROW) return std::nullopt;
    return statement->columnInt(0);
  } catch (const IndexError&) {
    return std::nullopt;
  }
}

void SearchState::readGeneration() {
  if (!generationStatement_) generationStatement_ = db_.prepare("SELECT n FROM generation");
  if (!generationStatement_) return;
  sql::StatementUse use(generationStatement_);
  if (generationStatement_.step() == SQLITE_ROW) generation_ = generationStatement_.columnInt(0);
}

// The vocabulary statement reads every document list of every word with that first character,
// which takes long on a large index whatever the length bounds; the words are therefore read
// once per first character and data version, and the distance filter runs in memory.
const std::vector<SearchState::VocabularyTerm>* SearchState::nameWordsStartingWith(FileIndex& index,
                                                                                   char32_t first) {
  ReadSnapshot snapshot(FileIndexAccess::connection(index));
  refresh(snapshot.held());
  if (auto found = vocabulary.find(first); found != vocabulary.end()) return &found->second;
  if (adopted_) {
    if (auto found = adopted_->vocabulary.find(first); found != adopted_->vocabulary.end()) {
      return &found->second;
    }
  }
  if (auto stored = StoredSearchData::vocabulary(index, first, generation_)) {
    return &(vocabulary[first] = std::move(*stored));
  }
  if (shared) shared->request(first);
  std::optional<std::vector<VocabularyTerm>> words = readNameWords(index, first);
  if (!words) return nullptr;
  return &(vocabulary[first] = std::move(*words));
}

std::optional<std::vector<SearchState::VocabularyTerm>> SearchState::readNameWords(FileIndex& index,
                                                                                   char32_t first) {
  PhaseTimes::Scope timed("similarTerms.vocabulary");
  std::vector<VocabularyTerm> words;
  try {
    auto statement = FileIndexAccess::prepared(
        index,
        "SELECT term, doc FROM fts_vocab_col WHERE col = 'name' AND term >= ? AND term < ? AND "
        "length(term) BETWEEN ? AND ?");
    sql::StatementUse use(*statement);
    statement->bind(std::vector<FileIndex::Bind>{unicode::fromScalar(first),
                                                 unicode::fromScalar(first + 1), int64_t{0},
                                                 int64_t{INT32_MAX}});
    int rc;
    while ((rc = statement->step()) == SQLITE_ROW) {
      std::string candidate = statement->columnText(0);
      std::u32string scalars = unicode::scalars(candidate);
      // The upper bound is loose where the next code point cannot be written (surrogates).
      if (scalars.empty() || scalars.front() != first) continue;
      words.push_back({std::move(candidate), statement->columnInt(1), scalars.size()});
    }
    if (rc != SQLITE_DONE) return std::nullopt;
  } catch (const IndexError&) {
    return std::nullopt;
  }
  return words;
}

// Words whose second byte is a UTF-8 lead byte are the ones with a non-ASCII second character.
std::optional<std::vector<std::string>> SearchState::secondCharactersAfter(FileIndex& index,
                                                                           char letter, bool held) {
  if (held) {
    if (auto found = secondCharacters.find(letter); found != secondCharacters.end()) {
      return found->second;
    }
    if (auto found = adoptedOrStored(adopted_ ? &adopted_->secondCharacters : nullptr, letter, [&] {
          return StoredSearchData::secondCharacters(index, letter, generation_);
        })) {
      return secondCharacters[letter] = std::move(*found);
    }
  }
  PhaseTimes::Scope timed("search.ranked.secondCharacters");
  std::set<std::string> characters;
  try {
    auto statement =
        FileIndexAccess::prepared(index, "SELECT term FROM fts_vocab WHERE term >= ? AND term < ?");
    sql::StatementUse use(*statement);
    statement->bind(std::vector<FileIndex::Bind>{std::string(1, letter) + "\xc2\x80",
                                                 std::string(1, static_cast<char>(letter + 1))});
    int rc;
    while ((rc = statement->step()) == SQLITE_ROW) {
      std::u32string scalars = unicode::scalars(statement->columnText(0));
      if (scalars.size() >= 2) characters.insert(unicode::fromScalar(scalars[1]));
    }
    if (rc != SQLITE_DONE) return std::nullopt;
  } catch (const IndexError&) {
    return std::nullopt;
  }
  std::vector<std::string> out(characters.begin(), characters.end());
  if (held) secondCharacters[letter] = out;
  return out;
}

std::optional<int64_t> SearchState::documentsMatching(FileIndex& index, const std::string& group,
                                                      bool held) {
  if (held) {
    if (auto found = groupCounts.find(group); found != groupCounts.end()) {
      KeptCount& kept = found->second;
      if (!kept.uncounted.empty()) {
        std::optional<int64_t> added = countAmong(index, group, kept.uncounted);
        if (!added) return std::nullopt;
        kept.count += *added;
        kept.uncounted.clear();
      }
      return kept.count;
    }
    if (auto found = adoptedOrStored(adopted_ ? &adopted_->groupCounts : nullptr, group, [&] {
          return StoredSearchData::groupCount(index, group, generation_);
        })) {
      groupCounts[group] = KeptCount{.count = *found, .uncounted = {}};
      return *found;
    }
  }
  PhaseTimes::Scope timed("search.ranked.groupCount");
  try {
    auto statement = FileIndexAccess::prepared(index, "SELECT count(*) FROM fts WHERE fts MATCH ?");
    sql::StatementUse use(*statement);
    statement->bind(1, group);
    if (statement->step() != SQLITE_ROW) return std::nullopt;
    int64_t count = statement->columnInt(0);
    if (held) groupCounts[group] = KeptCount{.count = count, .uncounted = {}};
    return count;
  } catch (const IndexError&) {
    return std::nullopt;
  }
}

// How many of the rows (sorted) match the expression, read over their rowid range.
std::optional<int64_t> SearchState::countAmong(FileIndex& index, const std::string& group,
                                               const std::vector<int64_t>& rows) {
  PhaseTimes::Scope timed("search.ranked.groupCount.added");
  try {
    auto statement = FileIndexAccess::prepared(
        index, "SELECT rowid FROM fts WHERE fts MATCH ? AND rowid BETWEEN ? AND ?");
    sql::StatementUse use(*statement);
    if (statement->bind(std::vector<sql::Value>{group, rows.front(), rows.back()}) != SQLITE_OK) {
      return std::nullopt;
    }
    int64_t count = 0;
    int rc;
    while ((rc = statement->step()) == SQLITE_ROW) {
      if (std::binary_search(rows.begin(), rows.end(), statement->columnInt(0))) ++count;
    }
    if (rc != SQLITE_DONE) return std::nullopt;
    return count;
  } catch (const IndexError&) {
    return std::nullopt;
  }
}

std::unordered_map<std::string, int64_t> SearchState::currentGroupCounts() const {
  std::unordered_map<std::string, int64_t> counts;
  for (const auto& [group, kept] : groupCounts) {
    if (kept.uncounted.empty()) counts.emplace(group, kept.count);
  }
  return counts;
}

std::optional<std::vector<FullTextRank::Ranked>> SearchState::cachedRanking(
    const std::string& key) {
  auto found = findAndRaise(rankings, key);
  if (found == rankings.end() || found->second.generation != generation_) return std::nullopt;
  return found->second.best;
}

std::optional<SearchState::OutdatedMatches> SearchState::outdatedMatches(const std::string& key) {
  auto found = findAndRaise(rankings, key);
  if (found == rankings.end() || !found->second.matches || generation_ < 0) return std::nullopt;
  if (found->second.generation < 0 || found->second.generation >= generation_) return std::nullopt;
  return OutdatedMatches{found->second.generation, found->second.matches};
}

std::optional<std::vector<FullTextRank::Ranked>> SearchState::publishedRanking(
    const std::string& key) const {
  if (!adopted_) return std::nullopt;
  auto found = adopted_->rankings.find(key);
  if (found == adopted_->rankings.end()) return std::nullopt;
  return found->second;
}

std::shared_ptr<const FullTextRank::Matches> SearchState::publishedMatches(
    const std::string& key) const {
  if (!adopted_) return nullptr;
  auto found = adopted_->matches.find(key);
  return found == adopted_->matches.end() ? nullptr : found->second;
}

std::shared_ptr<const LetterMatches> SearchState::letterMatches(FileIndex& index,
                                                                const std::string& key) {
  if (adopted_) {
    if (auto found = adopted_->letterMatches.find(key); found != adopted_->letterMatches.end()) {
      return found->second;
    }
  }
  if (generation_ < 0) return nullptr;
  auto [kept, added] = storedLetters_.try_emplace(key);
  if (added) {
    if (auto stored = StoredSearchData::letterMatches(index, key, generation_)) {
      kept->second = std::make_shared<const LetterMatches>(std::move(*stored));
    }
  }
  return kept->second;
}

std::shared_ptr<const FullTextRank::Matches> SearchState::currentMatches(
    const std::string& key) const {
  for (const auto& [kept, ranking] : rankings) {
    if (kept == key) return ranking.generation == generation_ ? ranking.matches : nullptr;
  }
  return nullptr;
}

void SearchState::keepRanking(const std::string& key, std::vector<FullTextRank::Ranked> rows,
                              std::shared_ptr<const FullTextRank::Matches> matches) {
  KeptRanking kept{
      .best = std::move(rows), .generation = generation_, .matches = std::move(matches)};
  if (auto found = findAndRaise(rankings, key); found != rankings.end()) {
    found->second = std::move(kept);
  } else {
    rankings.emplace_front(key, std::move(kept));
    if (rankings.size() > kKeptRankings) rankings.pop_back();
  }
  trimMatches();
}

// The least recently used rankings give up their matches first.
void SearchState::trimMatches() {
  std::size_t rows = 0;
  for (auto& [key, kept] : rankings) {
    if (!kept.matches) continue;
    std::size_t size = kept.matches->rowids.size();
    if (rows + size > kKeptMatchRows) {
      kept.matches.reset();
      continue;
    }
    rows += size;
  }
  std::erase_if(rankings, [&](const auto& entry) {
    return !entry.second.matches && entry.second.generation != generation_;
  });
}

std::optional<bool> SearchState::FilterAnswers::find(int64_t id) const {
  if (id >= 0 && static_cast<uint64_t>(id) < answers.size()) {
    uint8_t answer = answers[static_cast<std::size_t>(id)];
    if (answer != 0) return answer == 1;
  }
  if (complete) return false;
  return std::nullopt;
}

void SearchState::FilterAnswers::forget(const std::vector<int64_t>& rows) {
  if (complete) {
    // Unknown rows no longer fail by default: what was implied is written out.
    std::replace(answers.begin(), answers.end(), uint8_t{0}, uint8_t{2});
    complete = false;
  }
  for (int64_t id : rows) {
    if (id >= 0 && static_cast<uint64_t>(id) < answers.size()) {
      answers[static_cast<std::size_t>(id)] = 0;
    }
  }
}

void SearchState::FilterAnswers::store(int64_t id, bool passes) {
  if (complete || id < 0 || id >= kMaxId) return;
  auto at = static_cast<std::size_t>(id);
  if (at >= answers.size()) answers.resize(std::max(at + 1, answers.size() * 2), 0);
  answers[at] = passes ? 1 : 2;
}

std::shared_ptr<SearchState::FilterAnswers> SearchState::filterAnswers(
    const std::string& conditions, const std::vector<sql::Value>& values, bool held) {
  if (!held) return std::make_shared<FilterAnswers>();
  std::string filterKey = key(conditions, values);
  if (auto found = findAndRaise(filters, filterKey); found != filters.end()) return found->second;
  filters.emplace_front(std::move(filterKey), std::make_shared<FilterAnswers>());
  if (filters.size() > kKeptFilters) filters.pop_back();
  return filters.front().second;
}

std::shared_ptr<const FileAttributes> SearchState::attributes() const {
  return adopted_ ? adopted_->attributes : nullptr;
}

bool SearchState::readAllPassing(FileIndex& index, const std::string& conditions,
                                 const std::vector<sql::Value>& values, FilterAnswers& answers) {
  PhaseTimes::Scope timed("search.ranked.filterSet");
  std::vector<uint8_t> passing;
  try {
    auto statement =
        FileIndexAccess::prepared(index, "SELECT f.id FROM files f WHERE " + conditions);
    sql::StatementUse use(*statement);
    if (statement->bind(values) != SQLITE_OK) return false;
    int rc;
    while ((rc = statement->step()) == SQLITE_ROW) {
      int64_t id = statement->columnInt(0);
      if (id < 0 || id >= FilterAnswers::kMaxId) return false;
      auto at = static_cast<std::size_t>(id);
      if (at >= passing.size()) passing.resize(std::max(at + 1, passing.size() * 2), 0);
      passing[at] = 1;
    }
    if (rc != SQLITE_DONE) return false;
  } catch (const IndexError&) {
    return false;
  }
  answers.answers = std::move(passing);
  answers.complete = true;
  return true;
}

}  // namespace quorvale
