// The file search the panel runs on every keystroke. It runs the strict search first and, when
// that finds too little and the user wrote nothing explicit (quotes, OR, name:, exclusions),
// loosens the query step by step: the typed kind word back as a word, the words with one left
// out, names containing the words, misspelt words corrected against the indexed vocabulary, and
// the words without filler words. It reports which words it corrected and whether loosening
// added anything, so that the result list can say so.
//
// Stateless; runs on the caller's thread over the FileIndex it is given (the engine's reader).
#pragma once

#include <unicode/calendar.h>

#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "index/file_index.h"
#include "index/hit.h"

namespace quorvale {

struct SmartResult {
  // Strict hits first, then loosened ones; never two hits with one path.
  std::vector<Hit> hits;
  // Typed word -> the indexed word searched instead.
  std::map<std::string, std::string> corrected;
  // True when a loosening step that changes what the words mean added a hit.
  bool relaxed = false;

  bool operator==(const SmartResult&) const = default;
};

namespace SmartSearch {

// Words that name a file format, and the extensions they stand for.
const std::map<std::string, std::vector<std::string>>& extensionAliases();
// Filler words dropped by the last loosening step.
const std::set<std::string>& stopwords();

// How one search runs: at most `limit` hits, ranked and dated at `now`, loosened when allowed.
// The calendar's time zone defines "today" in date words; null means the user's current
// calendar and time zone.
struct Options {
  int limit = 0;
  Date now = 0;
  bool loosen = true;
  const icu::Calendar* calendar = nullptr;
};

SmartResult search(std::string_view text, FileIndex& index, const Options& options);
// The same for a text already parsed (`query` is the parse of `text` at `options.now`), so that
// a caller that needed the parse anyway does not pay for it twice; the calendar is not used.
SmartResult search(const Query& query, std::string_view text, FileIndex& index,
                   const Options& options);

// The text split like indexed names (camel case and _ - . / separate), lower-cased, as words.
std::vector<std::string> tokens(std::string_view text);
// How many of the terms the record's name contains; a format word (a key of
// extensionAliases) also counts when the record's extension is one of its aliases.
int nameCoverage(const std::vector<std::string>& terms, const FileRecord& record);

}  // namespace SmartSearch
}  // namespace quorvale
