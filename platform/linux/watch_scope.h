// Which folders the inotify watcher watches and which changes it reports: the scanner's skip
// rules (`SkipRules`) for a scan configuration, so that the watcher and the scanner agree. Hidden
// entries (unless the configuration includes them), excluded names (node_modules, .git, ...),
// excluded paths, names that are not valid UTF-8 and build-output folders inside software projects
// are neither reported nor entered; ".app" bundles are reported but not entered, and
// application-only roots are entered only as deep as a scan walks them. Symbolic links are never
// entered.
//
// Paths here are spelled as the file system resolves them (`WatchRoot::real` plus what lies
// below); excluded paths, written as the user chose them, are compared after mapping back.
// Immutable after construction; safe on any thread.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "scan/scanner.h"
#include "scan/skip_rules.h"

namespace quorvale {

struct WatchRoot {
  std::string chosen;  // as configured, standardised
  std::string real;    // every symbolic link resolved
  bool appOnly = false;
};

class WatchScope {
 public:
  // Roots that do not resolve to an existing folder are left out.
  explicit WatchScope(const ScanConfig& config);

  const std::vector<WatchRoot>& roots() const { return roots_; }

  // Whether a change to the entry `name` at `path` (below root number `root`) can matter to
  // the index.
  bool reports(std::size_t root, const std::string& path, const std::string& name,
               bool isDirectory) const;
  // Whether the folder at `path`, `level` below its root (1 for a child of the root), is
  // watched.
  bool enters(std::size_t root, const std::string& path, const std::string& name, int level) const;

 private:
  std::string chosenSpelling(std::size_t root, const std::string& path) const;

  SkipRules rules_;
  std::vector<WatchRoot> roots_;
};

}  // namespace quorvale
