#include "scan/scanner.h"

#include <dirent.h>
#include <limits.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <memory>

#include "scan/desktop_entry.h"
#include "scan/directory_walk.h"
#include "scan/skip_rules.h"
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
};

struct EntryFacts {
  bool linkedApplication = false;
  bool directory = false;  // folder, package or linked application
};

EntryFacts factsOf(const WalkEntry& entry) {
  EntryFacts facts;
  facts.linkedApplication = entry.isSymbolicLink && Scanner::isApplicationName(entry.name);
  facts.directory = entry.isDirectory || entry.isPackage || facts.linkedApplication;
  return facts;
}

FileRecord recordFor(const std::string& path, const std::string& name, const WalkEntry& entry,
                     const EntryFacts& facts) {
  Date modified = entry.modified.value_or(kDistantPast);
  FileRecord record =
      FileRecord::make(path, name, std::nullopt, entry.size.value_or(0), modified, facts.directory);
  if (isDesktopEntryName(name)) {
    auto desktop = readDesktopEntry(entry.path);
    if (desktop && desktop->isApplication()) record.kind = FileKind::app;
  }
  return record;
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
        rules_(config),
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
    known_ = index_.modifiedTimes(rootPath);
    bool appOnly = config_.appOnlyRoots.contains(rootPath);
    auto walk =
        DirectoryWalk::open(rootPath, [&](const std::string& path) { skipped_.push_back(path); });
    if (!walk) return true;
    while (auto entry = walk->next()) {
      if (shouldCancel_ && shouldCancel_()) return false;
      Admission admission = admit(*entry, appOnly);
      if (admission.skipDescendants) walk->skipDescendants();
      if (!admission.admit) continue;
      std::string path = entry->path;
      if (given != rootPath && path.starts_with(rootPath + "/")) {
        path = given + path.substr(rootPath.size());
      }
      index(path, *entry);
    }
    removeStale();
    return true;
  }

  Admission admit(const WalkEntry& entry, bool appOnly) {
    std::optional<SkipRules::Skip> skip = rules_.admission(entry, appOnly);
    if (!skip) return {true, false};
    // A name that cannot be a record's key is reported among the unreadable paths.
    if (skip->reason == SkipRules::Reason::notUtf8)
      skipped_.push_back(unicode::toValidUtf8(entry.path));
    return {false, skip->descendants};
  }

  void index(const std::string& path, const WalkEntry& entry) {
    ++stats_.seen;
    if (progress_ && stats_.seen % kProgressEvery == 0) progress_(stats_.seen);

    Date modified = entry.modified.value_or(kDistantPast);
    auto found = known_.find(path);
    bool wasKnown = found != known_.end();
    if (wasKnown) {
      Date stored = found->second;
      known_.erase(found);
      if (std::fabs(stored - modified) < kUnchangedWithin) {
        ++stats_.unchanged;
        return;
      }
    }

    EntryFacts facts = factsOf(entry);
    FileRecord record = recordFor(path, entry.name, entry, facts);
    auto content = contentFor(record, entry, facts, extractor_);
    if (content) ++stats_.withContent;

    pacer_.begin();
    index_.upsert(record, content, Scanner::alternateNames(record));
    pacer_.wrote();
    if (onIndexed_) onIndexed_(record, content);
    ++(wasKnown ? stats_.updated : stats_.added);
  }

  void removeStale() {
    for (const auto& [path, modified] : known_) {
      pacer_.begin();
      if (index_.remove(path)) ++stats_.removed;
      pacer_.wrote();
    }
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
  SkipRules rules_;
  BatchPacer pacer_;
  ScanStats stats_;
  std::vector<std::string> skipped_;
  std::unordered_map<std::string, Date> known_;
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
  const SkipRules rules(config);
  if (rules.changedPath(path, *root)) return;

  int level = static_cast<int>(pathComponents(path).size() - pathComponents(*root).size());
  auto entry = readEntry(path, level);
  if (!entry) {
    index.removeTree(path);
    return;
  }
  EntryFacts facts = factsOf(*entry);
  if (rules.changedEntry(*entry, rules.isAppOnlyRoot(*root))) return;

  FileRecord record = recordFor(path, entry->name, *entry, facts);
  auto content = contentFor(record, *entry, facts, extractor);
  index.beginBatch();
  index.upsert(record, content, alternateNames(record));
  if (onIndexed) onIndexed(record, content);
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
  if (record.kind != FileKind::app || !isDesktopEntryName(record.name)) return {};
  auto desktop = readDesktopEntry(record.path);
  if (!desktop) return {};
  std::string display = desktop->name;
  for (auto at = display.find(".app"); at != std::string::npos; at = display.find(".app")) {
    display.erase(at, 4);
  }
  std::string stem =
      record.name.substr(0, record.name.size() - std::string_view(".desktop").size());
  if (display.empty() || display == stem) return {};
  return {display};
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
