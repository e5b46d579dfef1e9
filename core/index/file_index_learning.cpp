// What FileIndex learns from the user: which files they open (usage) and which file they chose
// for which typed words (choices), and the score boosts that learning gives.
#include <algorithm>
#include <cmath>

#include "index/file_index.h"
#include "util/unicode.h"

namespace quorvale {

std::string FileIndex::normalizedQuery(std::string_view text) {
  std::string lower = unicode::lowercased(text);
  std::string out;
  std::string word;
  for (char32_t c : unicode::scalars(lower)) {
    if (unicode::isWhitespace(c)) {
      if (!word.empty()) out += (out.empty() ? "" : " ") + word;
      word.clear();
    } else {
      word += unicode::fromScalar(c);
    }
  }
  if (!word.empty()) out += (out.empty() ? "" : " ") + word;
  return out;
}

void FileIndex::recordUse(const std::string& path, Date at) {
  write("INSERT INTO usage(path,count,last) VALUES(?,1,?) ON CONFLICT(path) DO UPDATE SET "
        "count=count+1, last=excluded.last",
        {path, at});
}

void FileIndex::recordChoice(std::string_view query, const std::string& path, Date at) {
  std::string q = normalizedQuery(query);
  if (q.empty() || unicode::characterCount(q) > kMaxChoiceCharacters) return;
  write("INSERT INTO choices(q,path,count,last) VALUES(?,?,1,?) ON CONFLICT(q,path) DO UPDATE SET "
        "count=count+1, last=excluded.last",
        {q, path, at});
}

void FileIndex::forgetUsage() {
  transaction([&] {
    write("DELETE FROM usage", {});
    write("DELETE FROM choices", {});
  });
}

std::unordered_map<std::string, double> FileIndex::choiceBoosts(std::string_view query) {
  std::string typed = normalizedQuery(query);
  std::unordered_map<std::string, double> boosts;
  if (typed.empty()) return boosts;
  try {
    auto statement = prepared(
        "SELECT path, q, count FROM choices WHERE q = ?1 OR substr(q,1,length(?1)) = ?1 OR "
        "substr(?1,1,length(q)) = q");
    sql::StatementUse use(*statement);
    statement->bind(1, typed);
    while (statement->step() == SQLITE_ROW) {
      std::string stored = statement->columnText(1);
      // The same words count fully; a longer stored query (an earlier choice still being
      // typed) a little less, a shorter one less again.
      double factor = stored == typed ? 1.0 : stored.size() > typed.size() ? 0.8 : 0.6;
      auto count = static_cast<double>(statement->columnInt(2));
      boosts[statement->columnText(0)] += std::min(4 * std::log(1 + factor * count), 12.0);
    }
  } catch (const IndexError&) {
    return {};
  }
  return boosts;
}

}  // namespace quorvale
