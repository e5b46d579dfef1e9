#include "index/stored_search_data.h"

#include <bit>
#include <cstring>

#include "index/file_index.h"
#include "index/file_index_access.h"
#include "util/phase_times.h"
#include "util/unicode.h"

namespace quorvale::StoredSearchData {
namespace {

// The first byte of every item; an item of another format is not read.
constexpr char kFormat = 1;

const std::string kSchema =
    "CREATE TABLE IF NOT EXISTS search_cache(key TEXT PRIMARY KEY, generation INTEGER NOT NULL, "
    "data BLOB NOT NULL)";
const std::string kRead = "SELECT data FROM search_cache WHERE key = ? AND generation = ?";

// Item keys: a kind letter, then what the item is for.
std::string rankingKey(const std::string& key) {
  return "r:" + key;
}
std::string vocabularyKey(char32_t first) {
  return "v:" + unicode::fromScalar(first);
}
std::string groupKey(const std::string& group) {
  return "g:" + group;
}
std::string charactersKey(char letter) {
  return std::string("c:") + letter;
}
std::string letterKey(const std::string& key) {
  return "l:" + key;
}

void putVarint(std::string& out, uint64_t value) {
  while (value >= 0x80) {
    out += static_cast<char>((value & 0x7f) | 0x80);
    value >>= 7;
  }
  out += static_cast<char>(value);
}

void putSigned(std::string& out, int64_t value) {
  putVarint(out, (static_cast<uint64_t>(value) << 1) ^ static_cast<uint64_t>(value >> 63));
}

void putText(std::string& out, std::string_view text) {
  putVarint(out, text.size());
  out += text;
}

// Reads an item front to back; any read past the end makes it `failed`.
struct Reader {
  std::string_view data;
  bool failed = false;

  bool format() {
    if (data.empty() || data.front() != kFormat) return !(failed = true);
    data.remove_prefix(1);
    return true;
  }
  uint64_t varint() {
    uint64_t value = 0;
    for (int shift = 0; shift < 64; shift += 7) {
      if (data.empty()) break;
      auto byte = static_cast<uint8_t>(data.front());
      data.remove_prefix(1);
      value |= uint64_t{byte & 0x7fu} << shift;
      if ((byte & 0x80) == 0) return value;
    }
    failed = true;
    return 0;
  }
  int64_t signedVarint() {
    uint64_t value = varint();
    return static_cast<int64_t>(value >> 1) ^ -static_cast<int64_t>(value & 1);
  }
  std::string_view bytes(uint64_t size) {
    if (size > data.size()) {
      failed = true;
      return {};
    }
    std::string_view out = data.substr(0, size);
    data.remove_prefix(size);
    return out;
  }
  // A count of items that each take at least one byte.
  std::size_t count() {
    uint64_t value = varint();
    if (value > data.size()) failed = true;
    return failed ? 0 : static_cast<std::size_t>(value);
  }
  bool done() const { return !failed && data.empty(); }
};

std::optional<std::string> readItem(FileIndex& index, const std::string& key, int64_t generation) {
  if (generation < 0) return std::nullopt;
  PhaseTimes::Scope timed("storedSearchData");
  try {
    auto statement = FileIndexAccess::prepared(index, kRead);
    sql::StatementUse use(*statement);
    statement->bind(1, key);
    statement->bind(2, generation);
    if (statement->step() != SQLITE_ROW) return std::nullopt;
    const void* blob = sqlite3_column_blob(statement->raw(), 0);
    int bytes = sqlite3_column_bytes(statement->raw(), 0);
    if (blob == nullptr || bytes <= 0) return std::nullopt;
    return std::string(static_cast<const char*>(blob), static_cast<std::size_t>(bytes));
  } catch (const IndexError&) {
    return std::nullopt;  // no such table: a database no writer of this version opened yet
  }
}

std::string encodeCount(int64_t count) {
  std::string out(1, kFormat);
  putSigned(out, count);
  return out;
}

std::string encodeCharacters(const std::vector<std::string>& characters) {
  std::string out(1, kFormat);
  putVarint(out, characters.size());
  for (const auto& character : characters) putText(out, character);
  return out;
}

}  // namespace

void createTable(sql::Connection& db) {
  db.exec(kSchema);
}

std::string encodeRanking(const std::vector<FullTextRank::Ranked>& rows) {
  std::string out(1, kFormat);
  putVarint(out, rows.size());
  for (const auto& row : rows) {
    putSigned(out, row.rowid);
    auto bits = std::bit_cast<uint64_t>(row.bm25);
    for (int i = 0; i < 8; ++i) out += static_cast<char>((bits >> (8 * i)) & 0xff);
  }
  return out;
}

std::optional<std::vector<FullTextRank::Ranked>> decodeRanking(std::string_view data) {
  Reader in{data};
  if (!in.format()) return std::nullopt;
  std::vector<FullTextRank::Ranked> rows(in.count());
  for (auto& row : rows) {
    row.rowid = in.signedVarint();
    std::string_view bytes = in.bytes(8);
    if (in.failed) return std::nullopt;
    uint64_t bits = 0;
    for (int i = 0; i < 8; ++i) bits |= uint64_t{static_cast<uint8_t>(bytes[i])} << (8 * i);
    row.bm25 = std::bit_cast<double>(bits);
  }
  if (!in.done()) return std::nullopt;
  return rows;
}

// Front-coded: each word as the length it shares with the one before and the rest.
std::string encodeVocabulary(const std::vector<NameWord>& words) {
  std::string out(1, kFormat);
  putVarint(out, words.size());
  std::string_view previous;
  for (const auto& word : words) {
    std::size_t shared = 0;
    while (shared < previous.size() && shared < word.term.size() &&
           previous[shared] == word.term[shared]) {
      ++shared;
    }
    putVarint(out, shared);
    putText(out, std::string_view(word.term).substr(shared));
    putSigned(out, word.docs);
    putVarint(out, word.length);
    previous = word.term;
  }
  return out;
}

std::optional<std::vector<NameWord>> decodeVocabulary(std::string_view data) {
  Reader in{data};
  if (!in.format()) return std::nullopt;
  std::vector<NameWord> words(in.count());
  std::string_view previous;
  for (auto& word : words) {
    uint64_t shared = in.varint();
    if (shared > previous.size()) return std::nullopt;
    std::string_view rest = in.bytes(in.varint());
    word.term.reserve(shared + rest.size());
    word.term.assign(previous.substr(0, shared)).append(rest);
    word.docs = in.signedVarint();
    word.length = static_cast<std::size_t>(in.varint());
    if (in.failed) return std::nullopt;
    previous = word.term;
  }
  if (!in.done()) return std::nullopt;
  return words;
}

std::string encodeLetterMatches(const LetterMatches& matches) {
  std::string out(1, kFormat);
  putSigned(out, matches.rowCount);
  putSigned(out, matches.tokens);
  putSigned(out, matches.documents);
  putText(out, std::string_view(reinterpret_cast<const char*>(matches.frequencies.data()),
                                matches.frequencies.size()));
  putVarint(out, matches.larger.size());
  for (const auto& [id, frequency] : matches.larger) {
    putVarint(out, id);
    putVarint(out, frequency);
  }
  return out;
}

std::optional<LetterMatches> decodeLetterMatches(std::string_view data) {
  Reader in{data};
  if (!in.format()) return std::nullopt;
  LetterMatches matches;
  matches.rowCount = in.signedVarint();
  matches.tokens = in.signedVarint();
  matches.documents = in.signedVarint();
  std::string_view frequencies = in.bytes(in.varint());
  matches.frequencies.assign(frequencies.begin(), frequencies.end());
  matches.larger.resize(in.count());
  for (auto& [id, frequency] : matches.larger) {
    uint64_t readId = in.varint(), readFrequency = in.varint();
    if (readId > UINT32_MAX || readFrequency > UINT16_MAX) return std::nullopt;
    id = static_cast<uint32_t>(readId);
    frequency = static_cast<uint16_t>(readFrequency);
  }
  if (!in.done() || !matches.consistent()) return std::nullopt;
  return matches;
}

std::optional<std::vector<FullTextRank::Ranked>> ranking(FileIndex& index, const std::string& key,
                                                         int64_t generation) {
  auto item = readItem(index, rankingKey(key), generation);
  return item ? decodeRanking(*item) : std::nullopt;
}

std::optional<std::vector<NameWord>> vocabulary(FileIndex& index, char32_t first,
                                                int64_t generation) {
  auto item = readItem(index, vocabularyKey(first), generation);
  return item ? decodeVocabulary(*item) : std::nullopt;
}

std::optional<int64_t> groupCount(FileIndex& index, const std::string& group, int64_t generation) {
  auto item = readItem(index, groupKey(group), generation);
  if (!item) return std::nullopt;
  Reader in{*item};
  if (!in.format()) return std::nullopt;
  int64_t count = in.signedVarint();
  if (!in.done()) return std::nullopt;
  return count;
}

std::optional<std::vector<std::string>> secondCharacters(FileIndex& index, char letter,
                                                         int64_t generation) {
  auto item = readItem(index, charactersKey(letter), generation);
  if (!item) return std::nullopt;
  Reader in{*item};
  if (!in.format()) return std::nullopt;
  std::vector<std::string> characters(in.count());
  for (auto& character : characters) character = std::string(in.bytes(in.varint()));
  if (!in.done()) return std::nullopt;
  return characters;
}

std::optional<LetterMatches> letterMatches(FileIndex& index, const std::string& key,
                                           int64_t generation) {
  auto item = readItem(index, letterKey(key), generation);
  return item ? decodeLetterMatches(*item) : std::nullopt;
}

int64_t count(FileIndex& index, int64_t generation) {
  try {
    auto statement =
        FileIndexAccess::prepared(index, "SELECT count(*) FROM search_cache WHERE generation = ?");
    sql::StatementUse use(*statement);
    statement->bind(1, generation);
    if (statement->step() != SQLITE_ROW) return 0;
    return statement->columnInt(0);
  } catch (const IndexError&) {
    return 0;
  }
}

bool store(FileIndex& index, const SharedSearchData::Published& data) {
  sql::Connection& db = FileIndexAccess::connection(index);
  if (data.generation < 0 || sqlite3_get_autocommit(db.raw()) == 0) return false;
  // Another writer (a scan of another process) holds the file: the items wait for a later turn.
  sqlite3_busy_timeout(db.raw(), 0);
  bool begun = db.exec("BEGIN IMMEDIATE") == SQLITE_OK;
  sqlite3_busy_timeout(db.raw(), FileIndex::kBusyTimeoutMilliseconds);
  if (!begun) return false;
  try {
    // Only items of the data as committed now.
    if (db.queryInt("SELECT n FROM generation") != data.generation) throw IndexError::sql("moved");
    FileIndexAccess::write(index, "DELETE FROM search_cache WHERE generation <> ?",
                           {data.generation});
    auto insert = FileIndexAccess::prepared(
        index, "INSERT OR REPLACE INTO search_cache(key, generation, data) VALUES(?, ?, ?)");
    auto put = [&](const std::string& key, const std::string& item) {
      sql::StatementUse use(*insert);
      insert->bind(1, key);
      insert->bind(2, data.generation);
      sqlite3_bind_blob(insert->raw(), 3, item.data(), static_cast<int>(item.size()),
                        SQLITE_TRANSIENT);
      if (insert->step() != SQLITE_DONE) throw IndexError::sql(db.errorMessage());
    };
    for (const auto& [key, rows] : data.rankings) put(rankingKey(key), encodeRanking(rows));
    for (const auto& [first, words] : data.vocabulary) {
      put(vocabularyKey(first), encodeVocabulary(words));
    }
    for (const auto& [key, matches] : data.letterMatches) {
      put(letterKey(key), encodeLetterMatches(*matches));
    }
    for (const auto& [group, n] : data.groupCounts) put(groupKey(group), encodeCount(n));
    for (const auto& [letter, characters] : data.secondCharacters) {
      put(charactersKey(letter), encodeCharacters(characters));
    }
    if (db.exec("COMMIT") != SQLITE_OK) throw IndexError::sql(db.errorMessage());
    return true;
  } catch (const IndexError&) {
    if (sqlite3_get_autocommit(db.raw()) == 0) db.exec("ROLLBACK");
    return false;
  }
}

}  // namespace quorvale::StoredSearchData
