#include "scan/skip_rules.h"

#include <algorithm>

#include "scan/desktop_entry.h"
#include "util/unicode.h"

namespace quorvale {
namespace {

bool endsWithInsensitive(std::string_view name, std::string_view suffix) {
  if (suffix.empty() || name.size() < suffix.size()) return false;
  const std::string_view tail = name.substr(name.size() - suffix.size());
  // Asked of every walked name: an ASCII tail is compared in place, without a lowercased copy.
  const auto ascii = [](char c) { return static_cast<unsigned char>(c) < 0x80; };
  if (!std::all_of(tail.begin(), tail.end(), ascii)) return unicode::lowercased(tail) == suffix;
  return std::equal(tail.begin(), tail.end(), suffix.begin(), [](char a, char b) {
    return (a >= 'A' && a <= 'Z' ? static_cast<char>(a - 'A' + 'a') : a) == b;
  });
}

// A link to a bundle, or a link named *.desktop whose target is a regular file that describes an
// application; any other link is skipped like every link.
bool isLinkedApplication(const WalkEntry& entry, const std::optional<DesktopEntry>& application,
                         const PlatformProfile& profile) {
  if (!entry.isSymbolicLink) return false;
  if (SkipRules::isBundleName(entry.name, profile)) return true;
  return SkipRules::isDesktopEntryName(entry.name) && application.has_value();
}

}  // namespace

SkipRules::SkipRules(const ScanConfig& config, const PlatformProfile& profile)
    : excludedNames_(config.excludedNames.begin(), config.excludedNames.end()),
      buildOutputNames_(config.buildOutputNames.begin(), config.buildOutputNames.end()),
      includeHidden_(config.includeHidden),
      profile_(&profile),
      folders_(config) {
  // Roots are looked up in their standardized spelling; the spelling given is kept as well.
  for (const std::string& root : config.appOnlyRoots) {
    appOnlyRoots_.insert(root);
    appOnlyRoots_.insert(standardizedPath(root));
  }
  for (const std::string& path : config.excludedPaths) {
    excludedPaths_.push_back({.given = path, .standardized = standardizedPath(path)});
  }
}

bool SkipRules::isApplicationName(std::string_view name, const PlatformProfile& profile) {
  return isBundleName(name, profile) || isDesktopEntryName(name);
}

bool SkipRules::isBundleName(std::string_view name, const PlatformProfile& profile) {
  return endsWithInsensitive(name, profile.bundleSuffix);
}

bool SkipRules::isDesktopEntryName(std::string_view name) {
  return endsWithInsensitive(name, ".desktop");
}

bool SkipRules::isHidden(std::string_view name) const {
  return !includeHidden_ && name.size() > 1 && name.starts_with('.');
}

bool SkipRules::isExcludedName(std::string_view name) const {
  return excludedNames_.contains(name);
}

bool SkipRules::isBuildOutput(std::string_view name, std::string_view parent) const {
  return buildOutputNames_.contains(name) && Scanner::insideProject(std::string(parent));
}

std::optional<std::string> SkipRules::excludedFolder(std::string_view path) const {
  for (const Excluded& excluded : excludedPaths_) {
    if (isBelowOrAt(path, excluded.given) || isBelowOrAt(path, excluded.standardized)) {
      return excluded.given;
    }
  }
  return std::nullopt;
}

bool SkipRules::hiddenDesktopEntry(const WalkEntry& entry,
                                   const std::optional<DesktopEntry>& application) const {
  if (!isDesktopEntryName(entry.name)) return false;
  return !application || !environment_.lists(*application) || folders_.overridden(entry.path);
}

std::optional<SkipRules::Skip> SkipRules::admission(
    const WalkEntry& entry, bool inAppOnlyRoot,
    const std::optional<DesktopEntry>& application) const {
  const bool folder = entry.isDirectory;
  const bool linkedApplication = isLinkedApplication(entry, application, *profile_);
  if (!unicode::isValidUtf8(entry.name)) return SkipRules::Skip{SkipRules::Reason::notUtf8, folder};
  if (entry.isSymbolicLink && !linkedApplication)
    return SkipRules::Skip{SkipRules::Reason::link, true};
  if (entry.isSpecialFile) return SkipRules::Skip{SkipRules::Reason::specialFile, false};
  if (!linkedApplication && isHidden(entry.name))
    return SkipRules::Skip{SkipRules::Reason::hidden, folder};
  if (inAppOnlyRoot) {
    if (!isApplicationName(entry.name, *profile_)) {
      return SkipRules::Skip{SkipRules::Reason::notApplication,
                             folder && entry.level >= kAppFolderDepth};
    }
    if (hiddenDesktopEntry(entry, application)) {
      return SkipRules::Skip{SkipRules::Reason::hiddenDesktopEntry, false};
    }
  }
  if (folder && isBuildOutput(entry.name, deletingLastPathComponent(entry.path))) {
    return SkipRules::Skip{SkipRules::Reason::buildOutput, true};
  }
  if (isExcludedName(entry.name)) return SkipRules::Skip{SkipRules::Reason::excludedName, folder};
  if (excludedFolder(entry.path))
    return SkipRules::Skip{SkipRules::Reason::excludedPath, folder || entry.isPackage};
  return std::nullopt;
}

std::optional<SkipRules::Reason> SkipRules::changedPath(const std::string& path,
                                                        const std::string& root) const {
  if (!unicode::isValidUtf8(path)) return SkipRules::Reason::notUtf8;
  // The name rules apply below the root, as in a full scan: a root may itself lie in a hidden
  // folder (~/.local/share/applications).
  std::vector<std::string> parts = pathComponents(path);
  for (std::size_t i = pathComponents(root).size(); i < parts.size(); ++i) {
    if (isExcludedName(parts[i])) return SkipRules::Reason::excludedName;
    if (isHidden(parts[i])) return SkipRules::Reason::hidden;
  }
  if (excludedFolder(path)) return SkipRules::Reason::excludedPath;
  return std::nullopt;
}

std::optional<SkipRules::Reason> SkipRules::changedEntry(
    const WalkEntry& entry, bool inAppOnlyRoot,
    const std::optional<DesktopEntry>& application) const {
  if (entry.isSymbolicLink && !isLinkedApplication(entry, application, *profile_)) {
    return SkipRules::Reason::link;
  }
  if (entry.isSpecialFile) return SkipRules::Reason::specialFile;
  if (inAppOnlyRoot) {
    if (!isApplicationName(entry.name, *profile_)) return SkipRules::Reason::notApplication;
    if (entry.level > kAppFolderDepth) return SkipRules::Reason::tooDeep;
    if (hiddenDesktopEntry(entry, application)) return SkipRules::Reason::hiddenDesktopEntry;
  }
  return std::nullopt;
}

std::optional<SkipRules::Reason> SkipRules::named(const NamedEntry& entry) const {
  if (!unicode::isValidUtf8(entry.name)) return SkipRules::Reason::notUtf8;
  if (isHidden(entry.name)) return SkipRules::Reason::hidden;
  if (isExcludedName(entry.name)) return SkipRules::Reason::excludedName;
  if (excludedFolder(entry.path)) return SkipRules::Reason::excludedPath;
  if (entry.isDirectory && isBuildOutput(entry.name, entry.parent)) {
    return SkipRules::Reason::buildOutput;
  }
  return std::nullopt;
}

std::optional<SkipRules::Reason> SkipRules::entered(const NamedEntry& folder, int level,
                                                    bool inAppOnlyRoot) const {
  if (isBundleName(folder.name, *profile_)) return SkipRules::Reason::bundle;
  if (inAppOnlyRoot && level >= kAppFolderDepth) return SkipRules::Reason::tooDeep;
  return named(folder);
}

}  // namespace quorvale
