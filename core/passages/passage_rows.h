// Turning the passages that answer a typed question into result rows, and placing them with the
// hint row in front of the file-search rows. A sure answer pushes the files it comes from out of
// the file rows below it; a weak answer (or none) is introduced by the hint row "No clear answer
// in your files". Pure functions; safe on any thread. Called by the engine on the main thread.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "passages/passage_search.h"
#include "query/suggestion.h"

namespace quorvale::PassageRows {

inline constexpr std::size_t kMostRows = 3;
inline constexpr const char* kHintID = "passage-none";
inline constexpr const char* kHintTitle = "No clear answer in your files";
inline constexpr const char* kHintSubtitle = "Showing file matches instead";
// A weak answer shows at least this many rows, whatever the result limit.
inline constexpr std::size_t kWeakMinimumRows = 4;

using FileExists = std::function<bool(const std::string& path)>;

// One row per file, best first, at most three; files that no longer exist are skipped.
std::vector<Suggestion> rows(const std::vector<PassageHit>& hits, const FileExists& fileExists);

// "page 3, Notice period: " + the passage on one line.
std::string subtitle(const PassageHit& hit);

Suggestion hintRow();

// The rows of a keystroke whose text was answered as a question: `passageRows` (from a weak or a
// sure result) in front of `fileRows`, the rows the file search gave, cut to `limit`.
std::vector<Suggestion> place(std::vector<Suggestion> passageRows, bool weak,
                              std::vector<Suggestion> fileRows, std::size_t limit);

}  // namespace quorvale::PassageRows
