#include "index/search_state.h"

#include <set>

#include "index/file_index.h"
#include "index/read_snapshot.h"
#include "util/phase_times.h"
#include "util/unicode.h"

namespace quorvale {

SearchState::SearchState(sql::Connection& db) : rank(db), version(db) {
  db.exec("PRAGMA cache_size=-" + std::to_string(kCacheKibibytes));
}

void SearchState::refresh(bool held) {
  DataVersion::Stamp stamp = version.current();
  if (!held || stamp.version < 0 || !(stamp == derivedStamp)) {
    vocabulary.clear();
    secondCharacters.clear();
    groupCounts.clear();
  }
  derivedStamp = held ? stamp : DataVersion::Stamp{};
}

// The vocabulary statement reads every document list of every word with that first character,
// which takes long on a large index whatever the length bounds; the words are therefore read
// once per first character and data version, and the distance filter runs in memory.
const std::vector<SearchState::VocabularyTerm>* SearchState::nameWordsStartingWith(
    FileIndex& index, char32_t first) {
  ReadSnapshot snapshot(index.connection());
  refresh(snapshot.held());
  if (auto found = vocabulary.find(first); found != vocabulary.end()) return &found->second;
  PhaseTimes::Scope timed("similarTerms.vocabulary");
  std::vector<VocabularyTerm> words;
  try {
    auto statement = index.prepared(
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
    if (rc != SQLITE_DONE) return nullptr;
  } catch (const IndexError&) {
    return nullptr;
  }
  return &(vocabulary[first] = std::move(words));
}

// Words whose second byte is a UTF-8 lead byte are the ones with a non-ASCII second character.
std::optional<std::vector<std::string>> SearchState::secondCharactersAfter(FileIndex& index,
                                                                          char letter, bool held) {
  if (held) {
    if (auto found = secondCharacters.find(letter); found != secondCharacters.end()) {
      return found->second;
    }
  }
  PhaseTimes::Scope timed("search.ranked.secondCharacters");
  std::set<std::string> characters;
  try {
    auto statement = index.prepared("SELECT term FROM fts_vocab WHERE term >= ? AND term < ?");
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
    if (auto found = groupCounts.find(group); found != groupCounts.end()) return found->second;
  }
  PhaseTimes::Scope timed("search.ranked.groupCount");
  try {
    auto statement = index.prepared("SELECT count(*) FROM fts WHERE fts MATCH ?");
    sql::StatementUse use(*statement);
    statement->bind(1, group);
    if (statement->step() != SQLITE_ROW) return std::nullopt;
    int64_t count = statement->columnInt(0);
    if (held) groupCounts[group] = count;
    return count;
  } catch (const IndexError&) {
    return std::nullopt;
  }
}

}  // namespace quorvale
