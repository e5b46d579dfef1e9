// The parsed form of the text typed into the panel: the words to look for, the filters on kind,
// extension, folder, modification date and size, the words to exclude, and the flags that say
// how the words combine and how strictly. Built by QueryParser, read by the file search and the
// smart search. A plain value, copied freely.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "index/file_kind.h"
#include "index/file_record.h"

namespace quorvale {

struct Query {
  // Lower-cased words and phrases (a phrase keeps its spaces); at most 10, each at most 64
  // characters.
  std::vector<std::string> terms;
  std::optional<FileKind> kind;
  // Lower-case extensions without dots.
  std::set<std::string> extensions;
  // Results must lie in a path containing this text.
  std::optional<std::string> folder;
  std::optional<Date> modifiedAfter;   // inclusive
  std::optional<Date> modifiedBefore;  // exclusive
  // The text as typed.
  std::string raw;
  // The typed word, lower-cased, from which `kind` was taken ("photos" in "beach photos").
  std::optional<std::string> kindWord;
  // Any term may match instead of all.
  bool matchAny = false;
  // Terms are matched against names only.
  bool nameOnly = false;
  // Lower-case words whose matches in names or paths are removed.
  std::vector<std::string> excluded;
  std::optional<int64_t> minSize;
  std::optional<int64_t> maxSize;
  // The user wrote explicit syntax (a quoted phrase, OR, a name: field, exclusions): the search
  // is neither loosened nor corrected.
  bool exact = false;

  // No terms and no filters; exclusions and flags do not count.
  bool isEmpty() const {
    return terms.empty() && !kind && extensions.empty() && !folder && !modifiedAfter &&
           !modifiedBefore && !minSize && !maxSize;
  }

  bool operator==(const Query&) const = default;
};

}  // namespace quorvale
