#include "index/ranking.h"

#include <algorithm>
#include <cmath>

#include "index/file_index.h"
#include "index/word_split.h"
#include "util/unicode.h"

namespace quorvale::Ranker {
namespace {

constexpr double kSecondsPerDay = 86400;

double ageInDays(Date date, Date now) {
  return std::max(0.0, (now - date) / kSecondsPerDay);
}

std::string joinedLower(const std::vector<std::string>& terms) {
  std::string out;
  for (const auto& term : terms) {
    if (!out.empty()) out += ' ';
    out += term;
  }
  return unicode::lowercased(out);
}

// The name without its extension (as pathExtension reads it).
std::string baseName(const std::string& name) {
  std::string extension = pathExtension(name);
  if (extension.empty()) return name;
  return name.substr(0, name.size() - extension.size() - 1);
}

double termScore(const std::string& base, const std::vector<std::string>& baseWords,
                 const std::string& term) {
  if (base.starts_with(term)) return 15;
  for (const auto& word : baseWords) {
    if (word.starts_with(term)) return 9;
  }
  if (base.find(term) != std::string::npos) return 4;
  return 0;
}

}  // namespace

double nameScore(std::string_view name, const std::vector<std::string>& terms, NameWords words) {
  std::string lower = unicode::lowercased(name);
  std::string base = baseName(lower);
  std::string q = joinedLower(terms);
  if (base == q || lower == q) return 40;
  // The words are those the index made of the name: split at its case changes before lower-
  // casing, so that "backup" starts a word of "overviewBackupResearch".
  std::vector<std::string> baseWords =
      words == NameWords::indexed
          ? Index_split(unicode::lowercased(unicode::spaced(baseName(std::string(name)))))
          : Index_split(base);
  double score = 0;
  for (const auto& term : terms) score += termScore(base, baseWords, unicode::lowercased(term));
  return score;
}

double recency(Date modified, Date now) {
  return 1.5 * std::exp(-ageInDays(modified, now) / 30);
}

double frecency(int64_t count, std::optional<Date> last, Date now) {
  if (count <= 0 || !last) return 0;
  double weight = std::min(3 * std::log(1 + static_cast<double>(count)), 12.0);
  return weight * std::exp(-ageInDays(*last, now) / 14);
}

double kindBoost(FileKind kind, const std::vector<std::string>& terms) {
  if (kind == FileKind::app) return terms.size() == 1 ? 6.0 : 1.0;
  if (kind == FileKind::folder) return 1.0;
  return 0;
}

std::string initials(std::string_view name) {
  std::string out;
  bool inWord = false;
  bool previousLower = false;
  // By characters, so that a combining accent stays part of its letter's word.
  for (const std::string& character : unicode::characters(name)) {
    char32_t c = unicode::scalars(character).front();
    bool alphanumeric = unicode::isLetter(c) || unicode::isDigit(c);
    bool upper = unicode::isUpper(c);
    if (alphanumeric && (!inWord || (upper && previousLower))) {
      out += unicode::lowercased(character);
    }
    inWord = alphanumeric;
    previousLower = unicode::isLower(c);
  }
  return out;
}

Hit textHit(FileRecord record, double bm25, const Usage& usage,
            const std::vector<std::string>& terms, Date now, NameWords words) {
  double name = nameScore(record.name, terms, words);
  double score = recency(record.modified, now) + (name - bm25) +
                 frecency(usage.count, usage.last, now) + kindBoost(record.kind, terms);
  return Hit{.record = std::move(record), .score = score, .matchedName = name > 0};
}

Hit substringHit(FileRecord record, const Usage& usage, Date now) {
  double score = frecency(usage.count, usage.last, now) + 2.0 + recency(record.modified, now) -
                 0.01 * static_cast<double>(unicode::characterCount(record.name));
  return Hit{.record = std::move(record), .score = score, .matchedName = true};
}

Hit initialsHit(FileRecord record, const Usage& usage, Date now) {
  double score = frecency(usage.count, usage.last, now) + 5.0;
  return Hit{.record = std::move(record), .score = score, .matchedName = true};
}

void sortHits(std::vector<Hit>& hits) {
  std::stable_sort(hits.begin(), hits.end(),
                   [](const Hit& a, const Hit& b) { return a.score > b.score; });
}

}  // namespace quorvale::Ranker
