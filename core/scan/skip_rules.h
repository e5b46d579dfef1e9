// The one place that decides which entries of the chosen folders stay out of the index, and why.
// The full scan asks it about every walked entry, the incremental update about every changed path,
// the file watcher which folders to watch and which changes to report, and the file diagnosis
// which rules keep a given path out, so that the four always agree. Every rule answers with a
// typed `Reason`; the diagnosis turns reasons into sentences.
//
// Application bundles come from the platform profile. Built once from a scan configuration and
// immutable afterwards; safe on any thread. The project test and the desktop-entry test read
// the disk.
#pragma once

#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "scan/application_folders.h"
#include "scan/desktop_entry.h"
#include "scan/directory_walk.h"
#include "scan/scanner.h"
#include "util/platform_profile.h"

namespace quorvale {

// What the rules know about an entry seen only by name, as in a change event.
struct NamedEntry {
  std::string_view name;
  std::string_view path;    // in the index's spelling, compared with the excluded folders
  std::string_view parent;  // the folder holding the entry, on the disk (for the project test)
  bool isDirectory = false;
};

class SkipRules {
 public:
  enum class Reason {
    notUtf8,             // the name is not valid UTF-8, so it cannot be a record's key
    link,                // a symbolic link other than a linked application
    specialFile,         // a FIFO, socket or device
    hidden,              // the name starts with a dot
    notApplication,      // inside an application-only root, and not an application
    tooDeep,             // inside an application-only root, deeper than applications are sought
    hiddenDesktopEntry,  // a desktop entry that application menus would not list
    buildOutput,         // a build-output folder directly inside a software project
    excludedName,        // a name skipped everywhere (node_modules, .git, ...)
    excludedPath,        // in or below a folder the user left out
    bundle,              // an application bundle: listed as one item, never entered
  };

  struct Skip {
    Reason reason;
    bool descendants = false;  // what lies below is skipped too

    bool operator==(const Skip&) const = default;
  };

  // In an application-only root, folders this many levels below the root or deeper are not
  // entered (level 1 is a child of the root), so applications are found up to three levels down.
  static constexpr int kAppFolderDepth = ApplicationFolders::kDepth;

  explicit SkipRules(const ScanConfig& config, const PlatformProfile& profile = platformProfile());

  // A walked entry of a full scan, the rules in the order the scan applies them (hidden,
  // application-only rules, build output, excluded names, excluded folders). Nothing when the
  // entry is indexed. `application` is what the caller read of an entry named *.desktop: the
  // application it describes (a linked entry only when its target is a regular file), if any.
  std::optional<Skip> admission(const WalkEntry& entry, bool inAppOnlyRoot,
                                const std::optional<DesktopEntry>& application = {}) const;

  // A path named by a change event, lying at or below `root`: the names below the root (hidden,
  // excluded) and the excluded folders. Nothing when the path may be indexed.
  std::optional<Reason> changedPath(const std::string& path, const std::string& root) const;
  // The same path once read: links, special files, and the application-only rules, depth included.
  std::optional<Reason> changedEntry(const WalkEntry& entry, bool inAppOnlyRoot,
                                     const std::optional<DesktopEntry>& application = {}) const;

  // Whether a change to an entry known by name can matter to the index.
  std::optional<Reason> named(const NamedEntry& entry) const;
  // Whether a folder `level` below its root is entered by the scan.
  std::optional<Reason> entered(const NamedEntry& folder, int level, bool inAppOnlyRoot) const;

  // The single rules, for callers that report every rule that applies.
  bool isHidden(std::string_view name) const;
  bool isExcludedName(std::string_view name) const;
  // Whether `name` is a build-output folder name and `parent` a software project.
  bool isBuildOutput(std::string_view name, std::string_view parent) const;
  // The excluded folder, as the user wrote it, that holds `path`.
  std::optional<std::string> excludedFolder(std::string_view path) const;
  // Whether the root, in its standardized spelling, is one where only applications are indexed.
  bool isAppOnlyRoot(std::string_view root) const { return appOnlyRoots_.contains(root); }
  // The desktop the rules judge desktop entries for: its names, locale and search path.
  const DesktopEnvironment& environment() const { return environment_; }

  // A name the scanner indexes as an application: a bundle or a ".desktop" entry, in any case.
  static bool isApplicationName(std::string_view name,
                                const PlatformProfile& profile = platformProfile());
  static bool isBundleName(std::string_view name,
                           const PlatformProfile& profile = platformProfile());
  static bool isDesktopEntryName(std::string_view name);

 private:
  struct Excluded {
    std::string given;
    std::string standardized;
  };

  std::set<std::string, std::less<>> excludedNames_;
  std::set<std::string, std::less<>> buildOutputNames_;
  std::vector<Excluded> excludedPaths_;
  std::set<std::string, std::less<>> appOnlyRoots_;
  bool includeHidden_ = false;
  const PlatformProfile* profile_;
  DesktopEnvironment environment_ = DesktopEnvironment::current();
  ApplicationFolders folders_;

  // A desktop entry in an application folder counts only when menus here would list it and no
  // entry with its id comes first.
  bool hiddenDesktopEntry(const WalkEntry& entry,
                          const std::optional<DesktopEntry>& application) const;
};

}  // namespace quorvale
