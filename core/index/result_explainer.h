// Says in a few sentences why a file was shown for what the user typed: which words its name or
// folder path holds, the kind word that filtered the list, whether it is the newest of the shown
// files, and how often the user opened it. Shown by the panel beside the selected file.
//
// "Most recently changed" is judged against the list the file was shown in: the sentence appears
// when `shown` holds at least one other file and none of them changed later than this one (files
// changed at the same moment all count). Without `shown` it never appears. A file without a
// modification date never counts.
//
// Words are compared lower-cased, with the name and path also read split at camel case, "_",
// "-", "." and "/" the way the index splits them. Pure functions; safe on any thread.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "index/file_record.h"

namespace quorvale::ResultExplainer {

// The sentences joined by single spaces; empty when there is nothing to say. `query` is the text
// as typed and `uses` how often the file was opened, when known.
std::string explain(const FileRecord& record, std::string_view query, std::optional<int64_t> uses,
                    std::span<const FileRecord> shown = {});

}  // namespace quorvale::ResultExplainer
