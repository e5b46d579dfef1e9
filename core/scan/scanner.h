// Keeps the files database in step with the folders the user chose.
//
// `scan` walks every root, applies the skip rules (hidden items, excluded names and paths, build
// output inside software projects, symbolic links, application-only roots, special files),
// re-indexes what changed, skips what did not, and removes records whose files are gone. A desktop
// entry becomes an application record titled with its Name; a symbolic link counts only when it
// leads to a bundle or to a regular file that is an application entry. `update`
// re-indexes the paths that file-change events name. Both run on the caller's thread (the
// engine's index queue) and call the callbacks on it; a full scan walks each root on a reader
// thread of its own meanwhile (ReadAheadWalk). The scanner keeps no state between calls.
//
// Names that are not valid UTF-8 cannot be stored as the text key of a record (a lossy spelling
// would not open the file again), so such entries are skipped with everything below them and
// listed among the unreadable paths (spelled with U+FFFD for the bad bytes).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "index/file_index.h"
#include "scan/content_extractor.h"

namespace quorvale {

struct ScanConfig {
  std::vector<std::string> roots;
  std::set<std::string> excludedNames;
  std::set<std::string> buildOutputNames;
  std::vector<std::string> excludedPaths;
  bool includeHidden = false;
  // Roots in which only applications (".app" bundles, ".desktop" entries) are indexed: entries
  // that menus here would list, and of the entries that share a desktop-file id only the one in
  // the root listed first in `roots` (see ApplicationFolders).
  std::set<std::string> appOnlyRoots;
  // A full scan walks each root on a reader thread of its own, ahead of the comparisons. Off by
  // default: where the processors are busy the hand-over costs more than the overlap gains.
  bool readAhead = false;

  // The roots with every other field at its default.
  static ScanConfig make(std::vector<std::string> roots);
  static const std::set<std::string>& defaultExcludedNames();
  static const std::set<std::string>& defaultBuildOutputNames();

  bool operator==(const ScanConfig&) const = default;
};

struct ScanStats {
  int64_t seen = 0;                     // entries that passed the skip rules
  int64_t added = 0;                    // new records
  int64_t updated = 0;                  // changed records re-indexed
  int64_t unchanged = 0;                // stored modification time matched within half a second
  int64_t removed = 0;                  // stale records deleted
  int64_t withContent = 0;              // records indexed with extracted text
  std::vector<std::string> unreadable;  // sorted, unique, at most 50

  bool operator==(const ScanStats&) const = default;
};

struct RootMapping {
  std::string chosen;  // the root as configured
  std::string real;    // the same folder with every symbolic link resolved
  bool operator==(const RootMapping&) const = default;
};

namespace Scanner {

using Progress = std::function<void(int64_t seen)>;
using ShouldCancel = std::function<bool()>;
using OnIndexed = std::function<void(const FileRecord&, const std::optional<std::string>& content)>;

// A full scan of every root. Throws IndexError when the database refuses a write; rows written
// before stay committed. A cancelled scan removes nothing.
ScanStats scan(const ScanConfig& config, FileIndex& index, const ContentExtractor& extractor,
               const Progress& progress, const ShouldCancel& shouldCancel,
               const OnIndexed& onIndexed);

// Re-indexes the paths that change events name (each once); failures are per path and silent.
void update(const std::vector<std::string>& events, const ScanConfig& config, FileIndex& index,
            const ContentExtractor& extractor, const OnIndexed& onIndexed);
// One path of an incremental update: removed when gone, else re-indexed. Throws IndexError.
// (Named apart from `update` so that a braced list of one path cannot pick it by accident.)
void updatePath(const std::string& path, const ScanConfig& config, FileIndex& index,
                const ContentExtractor& extractor, const OnIndexed& onIndexed);

// Whether the name is one the scanner indexes as an application: a ".app" bundle or a ".desktop"
// entry, in any case.
bool isApplicationName(std::string_view name);
// Whether the folder's own listing holds a project marker (package.json, Cargo.toml, ...).
bool insideProject(const std::string& folder);
// Whether the file's bytes are on this disk; always true where there are no cloud placeholders.
bool isOnDisk(const std::string& path);
// Other names a record is found by: for an application entry its untranslated name, generic
// names, keywords and the program it runs (the record's name is the entry's Name in the user's
// language).
std::vector<std::string> alternateNames(const FileRecord& record);

std::vector<RootMapping> rootMapping(const std::vector<std::string>& roots);
// Maps a path as the file system reports it back into the spelling of the chosen root.
std::string indexPath(const std::string& eventPath, const std::vector<RootMapping>& mapping);

}  // namespace Scanner
}  // namespace quorvale
