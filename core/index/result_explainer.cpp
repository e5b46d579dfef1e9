#include "index/result_explainer.h"

#include <unicode/gregocal.h>
#include <unicode/timezone.h>

#include <algorithm>
#include <memory>

#include "index/file_index.h"
#include "index/query_parser.h"
#include "util/unicode.h"

namespace quorvale::ResultExplainer {
namespace {

// Only the words matter here, and date words are taken out of them whatever the date, so the
// calendar and the time of parsing change nothing.
Query parsed(std::string_view text) {
  UErrorCode status = U_ZERO_ERROR;
  icu::GregorianCalendar calendar(icu::TimeZone::createTimeZone("UTC"), status);
  return QueryParser::parse(text, currentDate(), calendar);
}

// The text lower-cased as written and as the index splits it.
struct Searchable {
  std::string plain;
  std::string split;

  explicit Searchable(std::string_view text)
      : plain(unicode::lowercased(text)), split(unicode::lowercased(unicode::spaced(text))) {}

  bool contains(const std::string& term) const {
    return plain.find(term) != std::string::npos || split.find(term) != std::string::npos;
  }
};

std::string quotedList(const std::vector<std::string>& terms) {
  std::string text;
  for (const std::string& term : terms) {
    if (!text.empty()) text += ", ";
    text += "\u201C" + term + "\u201D";
  }
  return text;
}

bool newestShown(const FileRecord& record, std::span<const FileRecord> shown) {
  if (record.modified <= kDistantPast) return false;
  bool anyOther = false;
  for (const FileRecord& other : shown) {
    if (other.path == record.path) continue;
    anyOther = true;
    if (other.modified > record.modified) return false;
  }
  return anyOther;
}

}  // namespace

std::string explain(const FileRecord& record, std::string_view query, std::optional<int64_t> uses,
                    std::span<const FileRecord> shown) {
  const Query parsedQuery = parsed(query);
  const Searchable name(record.name.empty() ? lastPathComponent(record.path) : record.name);
  const Searchable folder(deletingLastPathComponent(record.path));

  std::vector<std::string> inName, inFolder;
  bool elsewhere = false;
  for (const std::string& term : parsedQuery.terms) {
    if (name.contains(term)) {
      inName.push_back(term);
    } else if (folder.contains(term)) {
      inFolder.push_back(term);
    } else {
      elsewhere = true;
    }
  }

  std::vector<std::string> sentences;
  if (!inName.empty()) sentences.push_back("The file name contains " + quotedList(inName) + ".");
  if (!inFolder.empty()) {
    sentences.push_back("The folder path contains " + quotedList(inFolder) + ".");
  }
  if (elsewhere) {
    sentences.push_back(
        "The words appear inside the file, or Quorvale matched a close spelling or a part of the "
        "name.");
  }
  if (parsedQuery.kindWord) {
    sentences.push_back("You asked for " + *parsedQuery.kindWord + " files.");
  }
  if (newestShown(record, shown)) {
    sentences.push_back("It is one of your most recently changed files.");
  }
  if (uses && *uses > 0) {
    sentences.push_back("You have opened it " + std::to_string(*uses) + " time" +
                        (*uses == 1 ? "" : "s") + ", which lifts it.");
  }

  std::string text;
  for (const std::string& sentence : sentences) {
    if (!text.empty()) text += " ";
    text += sentence;
  }
  return text;
}

}  // namespace quorvale::ResultExplainer
