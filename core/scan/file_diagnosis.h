// Answers "why is this file (not) found?" in plain sentences for the settings window: whether the
// path is in the files database, and every rule that keeps it out of the index, out of the
// results, or limits it to its name. The rules are the scanner's own `SkipRules` (hidden items,
// excluded names and folders, build output inside software projects, symbolic links,
// application-only roots), each reason turned into its sentence, and the content extractor's
// (secret-looking names, the types it reads, its size limits).
//
// Stateless. `why` looks at the disk (lstat, project markers, desktop entries) and, when given
// one, reads the index; call it on the thread that owns that index.
#pragma once

#include <string>
#include <vector>

#include "index/file_index.h"
#include "scan/scanner.h"

namespace quorvale::FileDiagnosis {

struct Finding {
  bool indexed = false;  // the path has a record in the files database
  std::vector<std::string> reasons;

  // The reasons one per line, or a sentence saying that nothing stands in the way.
  std::string summary() const;

  bool operator==(const Finding&) const = default;
};

// `config` is the scan configuration in force, `indexContents` the setting for reading inside
// files and `hidden` the paths the user hid from the results. Without an index `indexed` is false
// and no sentence claims the file is missing from the index.
//
// Besides the rules above, a path that does not exist and a path outside every root each get a
// sentence of their own, since neither can be indexed. Paths are compared after removing "." and
// ".." parts; a path given through the real location of a linked root counts as inside that root.
// Reading-related sentences (secret, reading off, type, size) are given only for regular files.
Finding why(const std::string& path, const ScanConfig& config, bool indexContents,
            const std::vector<std::string>& hidden, FileIndex* index);

}  // namespace quorvale::FileDiagnosis
