#include "known_item/known_items.h"

#include <sqlite3.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <stdexcept>

#include "index/file_index.h"
#include "index/file_record.h"
#include "index/word_split.h"
#include "scan/default_extractor.h"
#include "search/split_mix.h"
#include "util/unicode.h"

namespace quorvale::bench {
namespace {

struct Database {
  sqlite3* db = nullptr;
  explicit Database(const std::string& path) {
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
      sqlite3_close(db);
      throw std::runtime_error("cannot open " + path);
    }
  }
  ~Database() { sqlite3_close(db); }
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;
};

using Statement = std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)>;

Statement prepare(sqlite3* db, const char* sql) {
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK) {
    throw std::runtime_error(std::string("cannot prepare: ") + sqlite3_errmsg(db));
  }
  return Statement(statement, sqlite3_finalize);
}

std::string column(sqlite3_stmt* statement, int index) {
  const auto* text = sqlite3_column_text(statement, index);
  return text != nullptr ? reinterpret_cast<const char*>(text) : "";
}

struct Candidate {
  std::string path;
  std::string name;
  std::string ext;
};

std::vector<Candidate> indexedFiles(sqlite3* db) {
  Statement statement = prepare(
      db, "SELECT path, name, ext FROM files WHERE kind NOT IN ('folder', 'app') ORDER BY id");
  std::vector<Candidate> files;
  while (sqlite3_step(statement.get()) == SQLITE_ROW) {
    files.push_back(
        {column(statement.get(), 0), column(statement.get(), 1), column(statement.get(), 2)});
  }
  return files;
}

bool allLetters(const std::string& word) {
  for (char32_t c : unicode::scalars(word)) {
    if (!unicode::isLetter(c)) return false;
  }
  return !word.empty();
}

// The name's words as the index splits them, made of letters, at least `shortest` characters.
std::vector<std::string> nameWords(const Candidate& file, std::size_t shortest) {
  std::string stem = file.name;
  if (!file.ext.empty() && stem.size() > file.ext.size() + 1) {
    stem.resize(stem.size() - file.ext.size() - 1);
  }
  std::vector<std::string> words;
  for (std::string& word : Index_split(unicode::lowercased(unicode::spaced(stem)))) {
    if (unicode::characterCount(word) >= shortest && allLetters(word) &&
        std::find(words.begin(), words.end(), word) == words.end()) {
      words.push_back(std::move(word));
    }
  }
  return words;
}

struct Typed {
  std::string query;
  std::string meant;
  static Typed asMeant(std::string query) { return {.query = query, .meant = query}; }
};

class Drawing {
 public:
  Drawing(sqlite3* db, std::vector<Candidate> files, uint64_t seed)
      : files_(std::move(files)),
        random_(seed),
        frequency_(
            prepare(db, "SELECT doc FROM fts_vocab_col WHERE term = ?1 AND col = 'content'")) {}

  // Draws files until `make` gives a query for one, trying at most 200 files per query.
  template <typename Make>
  std::optional<KnownItem> draw(QueryKind kind, Make make) {
    for (int attempt = 0; attempt < 200; ++attempt) {
      const Candidate& file = files_[random_.below(files_.size())];
      if (!used_.insert({kind, file.path}).second) continue;
      if (auto typed = make(file)) return KnownItem{kind, typed->query, file.path, typed->meant};
    }
    return std::nullopt;
  }

  std::optional<Typed> twoNameWords(const Candidate& file, bool cutLast) {
    std::vector<std::string> words = nameWords(file, 2);
    if (words.size() < 2) return std::nullopt;
    std::size_t first = random_.below(words.size());
    std::size_t second = random_.below(words.size() - 1);
    if (second >= first) ++second;
    if (first > second) std::swap(first, second);
    std::string last = words[second];
    if (cutLast) {
      if (unicode::characterCount(last) < 4) return std::nullopt;
      last = unicode::prefixCharacters(last, 3);
    }
    return Typed::asMeant(words[first] + " " + last);
  }

  std::optional<Typed> rareContentWords(const Candidate& file) {
    std::error_code error;
    const auto size = std::filesystem::file_size(file.path, error);
    if (error) return std::nullopt;
    auto text = DefaultExtractor().text(file.path, file.ext, static_cast<int64_t>(size));
    if (!text) return std::nullopt;
    const std::vector<std::string> inName = nameWords(file, 1);
    std::map<int64_t, std::vector<std::string>> byFrequency;
    std::set<std::string> seen;
    for (std::string& word : Index_split(unicode::lowercased(*text))) {
      if (unicode::characterCount(word) < 4 || !allLetters(word) || !seen.insert(word).second ||
          std::find(inName.begin(), inName.end(), word) != inName.end()) {
        continue;
      }
      if (int64_t files = documentFrequency(word); files > 0) byFrequency[files].push_back(word);
    }
    std::vector<std::string> rarest;
    for (auto& [files, words] : byFrequency) {
      for (auto& word : words) {
        if (rarest.size() < 2) rarest.push_back(word);
      }
    }
    if (rarest.size() < 2) return std::nullopt;
    return Typed::asMeant(rarest[0] + " " + rarest[1]);
  }

  std::optional<Typed> swappedLetters(const Candidate& file) {
    std::vector<std::string> words = nameWords(file, 5);
    if (words.empty()) return std::nullopt;
    const std::string& meant = words[random_.below(words.size())];
    std::u32string word = unicode::scalars(meant);
    std::size_t at = 1 + random_.below(word.size() - 2);
    if (word[at] == word[at + 1]) return std::nullopt;
    std::swap(word[at], word[at + 1]);
    return Typed{.query = unicode::fromScalars(word), .meant = meant};
  }

 private:
  int64_t documentFrequency(const std::string& word) {
    sqlite3_stmt* statement = frequency_.get();
    sqlite3_reset(statement);
    sqlite3_bind_text(statement, 1, word.c_str(), static_cast<int>(word.size()), SQLITE_TRANSIENT);
    return sqlite3_step(statement) == SQLITE_ROW ? sqlite3_column_int64(statement, 0) : 0;
  }

  std::vector<Candidate> files_;
  SplitMix random_;
  Statement frequency_;
  std::set<std::pair<QueryKind, std::string>> used_;
};

}  // namespace

std::string_view kindName(QueryKind kind) {
  switch (kind) {
    case QueryKind::name:
      return "name";
    case QueryKind::typing:
      return "name, typing";
    case QueryKind::content:
      return "content";
    case QueryKind::typo:
      return "typo";
  }
  return "";
}

std::vector<KnownItem> knownItems(const std::string& database, const KnownItemOptions& options) {
  Database db(database);
  std::vector<Candidate> files = indexedFiles(db.db);
  if (!options.extensions.empty()) {
    std::erase_if(files,
                  [&](const Candidate& file) { return !options.extensions.contains(file.ext); });
  }
  if (files.empty()) throw std::runtime_error("no files in " + database);
  Drawing drawing(db.db, std::move(files), options.seed);
  std::vector<KnownItem> items;
  for (QueryKind kind : kQueryKinds) {
    for (int i = 0; i < options.perKind; ++i) {
      std::optional<KnownItem> item = drawing.draw(kind, [&](const Candidate& file) {
        switch (kind) {
          case QueryKind::name:
            return drawing.twoNameWords(file, false);
          case QueryKind::typing:
            return drawing.twoNameWords(file, true);
          case QueryKind::content:
            return drawing.rareContentWords(file);
          case QueryKind::typo:
            return drawing.swappedLetters(file);
        }
        return std::optional<Typed>();
      });
      if (item) items.push_back(std::move(*item));
    }
  }
  return items;
}

}  // namespace quorvale::bench
