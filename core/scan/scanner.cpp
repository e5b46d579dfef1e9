#include "scan/scanner.h"

#include <dirent.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <memory>

#include "scan/application_folders.h"
#include "scan/desktop_entry.h"
#include "scan/directory_walk.h"
#include "scan/read_ahead_walk.h"
#include "scan/skip_rules.h"
#include "scan/stored_times.h"
#include "util/unicode.h"

namespace quorvale {
namespace {

constexpr int64_t kBatchSize = 500;
constexpr double kBatchSeconds = 1.0;
constexpr int64_t kUpdateBatchSize = 200;
constexpr int64_t kProgressEvery = 500;
constexpr std::size_t kMaxUnreadable = 50;
// Stored and current modification times closer than this are the same.
constexpr double kUnchangedWithin = 0.5;

bool isDesktopEntryName(std::string_view name) {
  return SkipRules::isDesktopEntryName(name);
}

double monotonicSeconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// Commits every 500 writes or after a second, whichever comes first.
class BatchPacer {
 public:
  BatchPacer(FileIndex& index, int64_t size, double seconds)
      : index_(index), size_(size), seconds_(seconds) {}

  void begin() {
    try {
      index_.beginBatch();
    } catch (...) {
      try {
        index_.commitBatch();
      } catch (...) {
      }
      throw;
    }
  }

  void wrote() {
    if (count_++ == 0) start_ = monotonicSeconds();
    if (count_ >= size_ || monotonicSeconds() - start_ >= seconds_) {
      count_ = 0;
      index_.commitBatch();
    }
  }

 private:
  FileIndex& index_;
  int64_t size_;
  double seconds_;
  int64_t count_ = 0;
  double start_ = 0;
};

// What the entry becomes in the index, or nothing when the skip rules leave it out.
struct Admission {
  bool admit = false;
  bool skipDescendants = false;
  // The application entry behind an admitted ".desktop" file.
  std::optional<DesktopEntry> application;

  static Admission skip(bool descendants) {
    Admission skipped;
    skipped.skipDescendants = descendants;
    return skipped;
  }
};

struct EntryFacts {
  bool linkedApplication = false;  // a symbolic link to a bundle or to an application entry
  bool directory = false;          // folder, package or linked bundle
};

EntryFacts factsOf(const WalkEntry& entry, bool linkedDesktopApplication) {
  EntryFacts facts;
  bool linkedBundle = entry.isSymbolicLink && SkipRules::isBundleName(entry.name);
  facts.linkedApplication = linkedBundle || (entry.isSymbolicLink && linkedDesktopApplication);
  facts.directory = entry.isDirectory || entry.isPackage || linkedBundle;
  return facts;
}

// The application entry of a file named *.desktop: read once (a link only when it leads to a
// regular file), nothing for a folder or for anything that is not an application.
std::optional<DesktopEntry> applicationEntry(const WalkEntry& entry, const DesktopLocale& locale) {
  if (!isDesktopEntryName(entry.name) || entry.isDirectory || entry.isPackage) return std::nullopt;
  auto desktop = readDesktopEntry(entry.path, locale);
  if (!desktop || !desktop->isApplication()) return std::nullopt;
  return desktop;
}

// A linked application entry changes when what it leads to does (an update of a Flatpak
// application swaps the target, not the link): it takes the newer date of link and target, and
// the target's size.
WalkEntry withLinkTarget(WalkEntry entry) {
  struct stat target {};
  if (!entry.isSymbolicLink || ::stat(entry.path.c_str(), &target) != 0) return entry;
  Date targetModified = static_cast<double>(target.st_mtim.tv_sec) +
                        static_cast<double>(target.st_mtim.tv_nsec) / 1e9;
  entry.modified = std::max(entry.modified.value_or(kDistantPast), targetModified);
  entry.size = static_cast<int64_t>(target.st_size);
  return entry;
}

// The row shows the application's own name; the file name stays in the path.
std::string applicationTitle(const DesktopEntry& application, const std::string& fileName) {
  return application.name.empty() ? fileName : application.name;
}

FileRecord recordFor(const std::string& path, const std::string& name, const WalkEntry& entry,
                     const EntryFacts& facts, const std::optional<DesktopEntry>& application) {
  Date modified = entry.modified.value_or(kDistantPast);
  if (application) {
    return FileRecord::make({.path = path,
                             .name = applicationTitle(*application, name),
                             .kind = FileKind::app,
                             .size = entry.size.value_or(0),
                             .modified = modified});
  }
  return FileRecord::make({.path = path,
                           .name = name,
                           .size = entry.size.value_or(0),
                           .modified = modified,
                           .isDirectory = facts.directory});
}

std::vector<std::string> alternateNamesFor(const FileRecord& record,
                                           const std::optional<DesktopEntry>& application) {
  return application ? application->alternateNames() : Scanner::alternateNames(record);
}

std::optional<std::string> contentFor(const FileRecord& record, const WalkEntry& entry,
                                      const EntryFacts& facts, const ContentExtractor& extractor) {
  if (facts.directory || !entry.isRegularFile || !Scanner::isOnDisk(entry.path))
    return std::nullopt;
  return extractor.text(entry.path, record.ext, record.size);
}

class FullScan {
 public:
  FullScan(const ScanConfig& config, FileIndex& index, const ContentExtractor& extractor,
           const Scanner::Progress& progress, const Scanner::ShouldCancel& shouldCancel,
           const Scanner::OnIndexed& onIndexed)
      : config_(config),
        index_(index),
        extractor_(extractor),
        progress_(progress),
        shouldCancel_(shouldCancel),
        onIndexed_(onIndexed),
        pacer_(index, kBatchSize, kBatchSeconds) {}

  ScanStats run() {
    std::vector<std::string> roots = orderedRoots();
    for (const std::string& root : roots) {
      if (!scanRoot(root)) break;
    }
    finish();
    return stats_;
  }

 private:
  std::vector<std::string> orderedRoots() const {
    std::vector<std::string> roots = config_.roots;
    std::stable_partition(roots.begin(), roots.end(), [&](const std::string& root) {
      return config_.appOnlyRoots.contains(standardizedPath(root));
    });
    return roots;
  }

  // False when the scan was cancelled.
  bool scanRoot(const std::string& root) {
    std::string rootPath = standardizedPath(root);
    std::string given = root.size() > 1 && root.ends_with('/') ? standardizedPath(root) : root;
    bool appOnly = config_.appOnlyRoots.contains(rootPath);
    // With read-ahead on, the walk and the skip rules run on the reader thread while the stored
    // times load.
    std::optional<ReadAheadWalk> walk;
    walk.emplace(
        rootPath, [this](const std::string& path) { skipped_.push_back(path); },
        [this, appOnly](const WalkEntry& entry) { return decide(entry, appOnly); },
        ReadAheadWalk::Options{.ahead = config_.readAhead});
    known_ = StoredTimes(rootPath);
    index_.forEachModifiedTime(
        rootPath, [&](std::string_view path, Date stored) { known_.add(path, stored); });
    if (!walk->opened()) {
      walk.reset();
      // A root that is there but cannot be opened is reported like any folder that cannot be
      // read (one that does not exist is not: the default folders need not all exist). Either
      // way its records stay until it can be read again.
      struct stat info;
      if (::stat(rootPath.c_str(), &info) == 0 || errno != ENOENT) skipped_.push_back(rootPath);
      known_.clear();
      return true;
    }
    const std::string rootPrefix = rootPath + "/";
    while (ReadAheadWalk::Item* item = walk->next()) {
      if (shouldCancel_ && shouldCancel_()) return false;
      const WalkEntry& entry = item->entry;
      if (given != rootPath && entry.path.starts_with(rootPrefix)) {
        index(given + entry.path.substr(rootPath.size()), entry, std::move(item->application));
      } else {
        index(entry.path, entry, std::move(item->application));
      }
    }
    walk.reset();
    removeStale();
    return true;
  }

  // On the reader thread: what becomes of a walked entry.
  ReadAheadWalk::Decision decide(const WalkEntry& entry, bool appOnly) {
    Admission admission = admit(entry, appOnly);
    std::unique_ptr<DesktopEntry> application;
    if (admission.application) {
      application = std::make_unique<DesktopEntry>(std::move(*admission.application));
    }
    return {.handOn = admission.admit,
            .skipDescendants = admission.skipDescendants,
            .application = std::move(application)};
  }

  // On the reader thread; writes nothing but skipped_.
  Admission admit(const WalkEntry& entry, bool appOnly) {
    if (!entry.hasAttributes) {
      // Listed but not readable (a folder that may be listed but not entered): nothing is known
      // of the entry, so it is not indexed with made-up facts, and its folder counts as
      // unreadable, which keeps the records below it.
      skipped_.push_back(deletingLastPathComponent(entry.path));
      return Admission::skip(false);
    }
    std::optional<DesktopEntry> application;
    if (!entry.isSpecialFile) application = applicationEntry(entry, rules_.environment().locale);
    std::optional<SkipRules::Skip> skip = rules_.admission(entry, appOnly, application);
    if (skip) {
      // A name that cannot be a record's key is reported among the unreadable paths.
      if (skip->reason == SkipRules::Reason::notUtf8) {
        skipped_.push_back(unicode::toValidUtf8(entry.path));
      }
      return Admission::skip(skip->descendants);
    }
    Admission admitted;
    admitted.admit = true;
    admitted.application = std::move(application);
    return admitted;
  }

  void index(const std::string& path, const WalkEntry& walked,
             std::unique_ptr<DesktopEntry> found) {
    std::optional<DesktopEntry> application;
    if (found) application.emplace(std::move(*found));
    std::optional<WalkEntry> linked;
    const WalkEntry& entry = application ? linked.emplace(withLinkTarget(walked)) : walked;
    ++stats_.seen;
    if (progress_ && stats_.seen % kProgressEvery == 0) progress_(stats_.seen);

    Date modified = entry.modified.value_or(kDistantPast);
    std::optional<Date> stored = known_.take(path);
    bool wasKnown = stored.has_value();
    if (wasKnown) {
      // An application's title follows the user's language, which may have changed since.
      if (std::fabs(*stored - modified) < kUnchangedWithin &&
          (!application || index_.name(path) == applicationTitle(*application, entry.name))) {
        ++stats_.unchanged;
        return;
      }
    }

    EntryFacts facts = factsOf(entry, application.has_value());
    FileRecord record = recordFor(path, entry.name, entry, facts, application);
    auto content = contentFor(record, entry, facts, extractor_);
    if (content) ++stats_.withContent;

    pacer_.begin();
    index_.upsert(record, content, alternateNamesFor(record, application));
    pacer_.wrote();
    if (onIndexed_) onIndexed_(record, content);
    ++(wasKnown ? stats_.updated : stats_.added);
  }

  // Records below a folder that could not be read (wholly or partly) are kept: their files were
  // not seen, but they may well still be there.
  bool belowUnreadable(const std::string& path) const {
    return std::any_of(skipped_.begin(), skipped_.end(),
                       [&](const std::string& folder) { return isBelowOrAt(path, folder); });
  }

  void removeStale() {
    known_.forEachUnseen([&](const std::string& path) {
      if (belowUnreadable(path)) return;
      pacer_.begin();
      if (index_.remove(path)) ++stats_.removed;
      pacer_.wrote();
    });
    known_.clear();
  }

  void finish() {
    std::sort(skipped_.begin(), skipped_.end());
    skipped_.erase(std::unique(skipped_.begin(), skipped_.end()), skipped_.end());
    if (skipped_.size() > kMaxUnreadable) skipped_.resize(kMaxUnreadable);
    stats_.unreadable = std::move(skipped_);
    try {
      index_.commitBatch();
    } catch (const IndexError&) {
    }
  }

  const ScanConfig& config_;
  FileIndex& index_;
  const ContentExtractor& extractor_;
  const Scanner::Progress& progress_;
  const Scanner::ShouldCancel& shouldCancel_;
  const Scanner::OnIndexed& onIndexed_;
  BatchPacer pacer_;
  ScanStats stats_;
  // Written by the reader thread during a root's walk, read once the walk has ended.
  std::vector<std::string> skipped_;
  StoredTimes known_;
  SkipRules rules_{config_};
};

// One path of an incremental update, once the name rules let it through. In an application
// folder, the entries that share the path's desktop-file id are looked at again too: a new
// override hides them, a removed one brings them back.
class PathUpdate {
 public:
  PathUpdate(const ScanConfig& config, FileIndex& index, const ContentExtractor& extractor,
             const Scanner::OnIndexed& onIndexed)
      : index_(index),
        extractor_(extractor),
        onIndexed_(onIndexed),
        rules_(config),
        folders_(config) {}

  void run(const std::string& path, int level, bool appOnly) {
    if (auto entry = readEntry(path, level)) {
      reindex(path, *entry, appOnly);
    } else {
      index_.removeTree(path);
    }
    if (appOnly && isDesktopEntryName(lastPathComponent(path))) sameId(path);
  }

 private:
  void sameId(const std::string& path) {
    auto folder = folders_.folderOf(path);
    if (!folder) return;
    for (const std::string& other :
         folders_.entriesWithId(ApplicationFolders::desktopFileId(*folder, path))) {
      if (other == path || rules_.excludedFolder(other)) continue;
      auto otherFolder = folders_.folderOf(other);
      int level = static_cast<int>(pathComponents(other).size() -
                                   pathComponents(otherFolder.value_or(other)).size());
      if (auto entry = readEntry(other, level)) reindex(other, *entry, true);
    }
  }

  void reindex(const std::string& path, const WalkEntry& entry, bool appOnly) {
    if (entry.isSpecialFile) return;
    // Its facts cannot be read: the record it has stays as it is.
    if (!entry.hasAttributes) return;
    auto application = applicationEntry(entry, rules_.environment().locale);
    EntryFacts facts = factsOf(entry, application.has_value());
    bool admitted = !rules_.changedEntry(entry, appOnly, application);
    index_.beginBatch();
    if (!admitted) {
      // An entry edited to be hidden, or overridden, leaves the index.
      if (isDesktopEntryName(entry.name)) index_.remove(path);
      return;
    }
    FileRecord record = recordFor(path, entry.name, application ? withLinkTarget(entry) : entry,
                                  facts, application);
    auto content = contentFor(record, entry, facts, extractor_);
    index_.upsert(record, content, alternateNamesFor(record, application));
    if (onIndexed_) onIndexed_(record, content);
  }

  FileIndex& index_;
  const ContentExtractor& extractor_;
  const Scanner::OnIndexed& onIndexed_;
  SkipRules rules_;
  ApplicationFolders folders_;
};

}  // namespace

ScanConfig ScanConfig::make(std::vector<std::string> roots) {
  ScanConfig config;
  config.roots = std::move(roots);
  config.excludedNames = defaultExcludedNames();
  config.buildOutputNames = defaultBuildOutputNames();
  return config;
}

const std::set<std::string>& ScanConfig::defaultExcludedNames() {
  static const std::set<std::string> names = {
      ".git",        ".svn",  ".hg",  "node_modules", ".build", "DerivedData", "Pods",
      "__pycache__", ".venv", "venv", ".Trash",       ".cache", ".npm",        ".gradle"};
  return names;
}

const std::set<std::string>& ScanConfig::defaultBuildOutputNames() {
  static const std::set<std::string> names = {"build", "dist", "target", "out"};
  return names;
}

namespace Scanner {

bool isApplicationName(std::string_view name) {
  return SkipRules::isApplicationName(name);
}

ScanStats scan(const ScanConfig& config, FileIndex& index, const ContentExtractor& extractor,
               const Progress& progress, const ShouldCancel& shouldCancel,
               const OnIndexed& onIndexed) {
  return FullScan(config, index, extractor, progress, shouldCancel, onIndexed).run();
}

void updatePath(const std::string& path, const ScanConfig& config, FileIndex& index,
                const ContentExtractor& extractor, const OnIndexed& onIndexed) {
  std::optional<std::string> root;
  for (const std::string& candidate : config.roots) {
    std::string rootPath = standardizedPath(candidate);
    if (isBelowOrAt(path, rootPath)) {
      root = rootPath;
      break;
    }
  }
  if (!root) return;
  if (SkipRules(config).changedPath(path, *root)) return;

  int level = static_cast<int>(pathComponents(path).size() - pathComponents(*root).size());
  PathUpdate(config, index, extractor, onIndexed)
      .run(path, level, config.appOnlyRoots.contains(*root));
}

void update(const std::vector<std::string>& events, const ScanConfig& config, FileIndex& index,
            const ContentExtractor& extractor, const OnIndexed& onIndexed) {
  auto mapping = rootMapping(config.roots);
  std::set<std::string> handled;
  int64_t sinceCommit = 0;
  for (const std::string& event : events) {
    std::string path = indexPath(event, mapping);
    if (!handled.insert(path).second) continue;
    try {
      updatePath(path, config, index, extractor, onIndexed);
    } catch (const IndexError&) {
    }
    if (++sinceCommit >= kUpdateBatchSize) {
      sinceCommit = 0;
      try {
        index.commitBatch();
      } catch (const IndexError&) {
      }
    }
  }
  try {
    index.commitBatch();
  } catch (const IndexError&) {
  }
}

bool insideProject(const std::string& folder) {
  static const std::set<std::string> markers = {
      "package.json", "Package.swift",    "Cargo.toml",   "CMakeLists.txt", "Makefile",
      "build.gradle", "build.gradle.kts", "pom.xml",      "setup.py",       "pyproject.toml",
      "go.mod",       "Gemfile",          "composer.json"};
  std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.c_str()), closedir);
  if (!dir) return false;
  while (dirent* item = readdir(dir.get())) {
    std::string_view name = item->d_name;
    if (markers.contains(std::string(name)) || name.ends_with(".xcodeproj") ||
        name.ends_with(".xcworkspace")) {
      return true;
    }
  }
  return false;
}

bool isOnDisk(const std::string&) {
  // Linux file systems have no cloud placeholders that reading would download.
  return true;
}

std::vector<std::string> alternateNames(const FileRecord& record) {
  if (record.kind != FileKind::app || !isDesktopEntryName(lastPathComponent(record.path)))
    return {};
  auto desktop = readDesktopEntry(record.path, DesktopLocale::current());
  if (!desktop || !desktop->isApplication()) return {};
  return desktop->alternateNames();
}

std::vector<RootMapping> rootMapping(const std::vector<std::string>& roots) {
  std::vector<RootMapping> mapping;
  for (const std::string& root : roots) {
    std::string chosen = standardizedPath(root);
    char resolved[PATH_MAX];
    if (realpath(chosen.c_str(), resolved) == nullptr) continue;
    mapping.push_back({.chosen = chosen, .real = resolved});
  }
  return mapping;
}

std::string indexPath(const std::string& eventPath, const std::vector<RootMapping>& mapping) {
  for (const RootMapping& entry : mapping) {
    if (eventPath == entry.real) return entry.chosen;
    std::string prefix = entry.real == "/" ? "/" : entry.real + "/";
    if (eventPath.starts_with(prefix)) {
      return entry.chosen + (entry.chosen.ends_with('/') ? "" : "/") +
             eventPath.substr(prefix.size());
    }
  }
  return eventPath;
}

}  // namespace Scanner
}  // namespace quorvale
