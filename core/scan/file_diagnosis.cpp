#include "scan/file_diagnosis.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <optional>

#include "scan/default_extractor.h"
#include "scan/desktop_entry.h"
#include "scan/skip_rules.h"
#include "util/platform_profile.h"
#include "util/unicode.h"

namespace quorvale::FileDiagnosis {
namespace {

std::string curlyQuoted(std::string_view text) {
  return "\u201C" + std::string(text) + "\u201D";
}

// The standardized path, a relative one taken from the working folder.
std::string normalized(const std::string& path) {
  if (path.empty() || path.starts_with('/')) return standardizedPath(path);
  std::error_code error;
  return standardizedPath(std::filesystem::absolute(path, error).string());
}

// What lstat and stat say about one path.
struct DiskEntry {
  bool exists = false;
  bool link = false;
  bool regular = false;    // a regular file itself, not through a link
  bool directory = false;  // a folder, also through a link
  int64_t size = 0;
};

DiskEntry look(const std::string& path) {
  DiskEntry entry;
  struct stat info {};
  if (path.empty() || lstat(path.c_str(), &info) != 0) return entry;
  entry.exists = true;
  entry.link = S_ISLNK(info.st_mode);
  entry.regular = S_ISREG(info.st_mode);
  entry.size = static_cast<int64_t>(info.st_size);
  struct stat target {};
  entry.directory = stat(path.c_str(), &target) == 0 && S_ISDIR(target.st_mode);
  return entry;
}

// Where the path sits among the roots: the root that holds it (the deepest, when roots nest) and
// the path in the spelling the index uses for that root.
struct Place {
  std::string path;
  std::optional<std::string> root;
};

std::optional<std::string> deepestRoot(const std::string& path, const ScanConfig& config) {
  std::optional<std::string> found;
  for (const std::string& root : config.roots) {
    std::string candidate = normalized(root);
    if (isBelowOrAt(path, candidate) && (!found || candidate.size() > found->size())) {
      found = candidate;
    }
  }
  return found;
}

Place placeOf(const std::string& path, const ScanConfig& config) {
  Place place{.path = normalized(path), .root = std::nullopt};
  place.root = deepestRoot(place.path, config);
  if (place.root || place.path.empty()) return place;
  // The path may be spelled through the real folder of a root that is a link.
  std::error_code error;
  std::string real = std::filesystem::weakly_canonical(place.path, error).string();
  if (error || real.empty()) return place;
  std::string mapped = Scanner::indexPath(real, Scanner::rootMapping(config.roots));
  if (auto root = deepestRoot(mapped, config)) place = {.path = mapped, .root = root};
  return place;
}

// The sentence for a rule that keeps the entry `name` (a folder or a file) out of the index.
std::string sentence(SkipRules::Reason reason, const std::string& name, bool isFolder) {
  switch (reason) {
    case SkipRules::Reason::hidden:
      return curlyQuoted(name) + " starts with a dot, so it is a hidden " +
             (isFolder ? "folder" : "file") + ", and hidden items are not indexed.";
    case SkipRules::Reason::excludedName:
      return "Folders and files named " + curlyQuoted(name) +
             " are skipped everywhere (build tools and caches).";
    case SkipRules::Reason::buildOutput:
      return curlyQuoted(name) +
             " sits inside a software project, so it is treated as build output and skipped.";
    case SkipRules::Reason::link:
      return curlyQuoted(name) +
             " is a link to somewhere else. Quorvale indexes the real file where it lives.";
    case SkipRules::Reason::excludedPath:
      return "You left out the folder " + curlyQuoted(name) + ".";
    case SkipRules::Reason::notApplication:
      return "That folder is searched for applications only, not for other files.";
    default:
      // The walk's own rules (names that are not UTF-8, special files, depth, bundles, desktop
      // entries hidden from menus) are not explained.
      return {};
  }
}

// Whether the entry is something the scanner indexes as an application; nothing when that
// cannot be told (a desktop entry that is not there to read).
std::optional<bool> isApplication(const std::string& path, const DiskEntry& entry) {
  std::string name = lastPathComponent(path);
  if (SkipRules::isBundleName(name)) return true;
  if (!SkipRules::isDesktopEntryName(name)) return false;
  if (!entry.exists) return std::nullopt;
  auto desktop = readDesktopEntry(path);
  return desktop && desktop->isApplication();
}

std::string megabytes(int64_t bytes) {
  return std::to_string(bytes / 1'000'000);
}

// The rules that keep a path out of the index: its place, its names and links.
class Walk {
 public:
  Walk(const Place& place, const ScanConfig& config, const DiskEntry& entry)
      : place_(place), rules_(config), entry_(entry) {}

  void run(std::vector<std::string>& reasons) {
    if (!entry_.exists) reasons.push_back("There is no file or folder at this path.");
    if (!place_.root) reasons.push_back("It is not inside any of the folders Quorvale searches.");
    excludedFolder(reasons);
    componentRules(reasons);
    appOnly(reasons);
  }

 private:
  void excludedFolder(std::vector<std::string>& reasons) const {
    if (auto excluded = rules_.excludedFolder(place_.path)) {
      reasons.push_back(sentence(SkipRules::Reason::excludedPath, *excluded, true));
    }
  }

  // The names below the root, outermost first; each rule names the first part it applies to,
  // the one at which the scanner stops.
  void componentRules(std::vector<std::string>& reasons) const {
    std::string folder = place_.root.value_or("");
    std::vector<std::string> parts =
        pathComponents(place_.root ? place_.path.substr(std::min(folder.size(), place_.path.size()))
                                   : place_.path);
    std::optional<std::string> dot, name, build, link;
    for (std::size_t i = 0; i < parts.size(); ++i) {
      const std::string& part = parts[i];
      const bool last = i + 1 == parts.size();
      const bool isFolder = !last || entry_.directory;
      std::string parent = folder.empty() ? "/" : folder;
      folder = (folder.empty() || folder == "/" ? "/" : folder + "/") + part;

      if (!dot && rules_.isHidden(part)) dot = sentence(SkipRules::Reason::hidden, part, isFolder);
      if (!name && rules_.isExcludedName(part)) {
        name = sentence(SkipRules::Reason::excludedName, part, isFolder);
      }
      if (!build && isFolder && rules_.isBuildOutput(part, parent)) {
        build = sentence(SkipRules::Reason::buildOutput, part, isFolder);
      }
      // A linked folder is not entered; a linked application is the one link that is indexed.
      bool linked = last ? entry_.link && !SkipRules::isApplicationName(part)
                         : place_.root && look(folder).link;
      if (!link && linked) link = sentence(SkipRules::Reason::link, part, isFolder);
    }
    for (auto* found : {&dot, &name, &build, &link}) {
      if (*found) reasons.push_back(**found);
    }
  }

  void appOnly(std::vector<std::string>& reasons) const {
    if (!place_.root || place_.path == *place_.root || !rules_.isAppOnlyRoot(*place_.root)) {
      return;
    }
    if (isApplication(place_.path, entry_) == false) {
      reasons.push_back(
          sentence(SkipRules::Reason::notApplication, lastPathComponent(place_.path), false));
    }
  }

  const Place& place_;
  const SkipRules rules_;
  const DiskEntry& entry_;
};

// The rules that limit a regular file to its name.
void readingRules(const std::string& path, const DiskEntry& entry, bool indexContents,
                  std::vector<std::string>& reasons) {
  if (!entry.regular) return;
  if (!Scanner::isOnDisk(path)) reasons.emplace_back(platformProfile().cloudPlaceholderNote);
  const std::string name = lastPathComponent(path);
  const std::string ext = unicode::lowercased(pathExtension(name));
  if (DefaultExtractor::isSecretFile(name, ext)) {
    reasons.push_back(
        "The name looks like it holds a password or key, so only the name is searchable. The "
        "contents are never read.");
  }
  if (!indexContents) {
    reasons.push_back("Search inside files is off, so only the name is searchable.");
  }
  const DefaultExtractor extractor;
  std::optional<int64_t> limit = extractor.sizeLimit(ext);
  if (!limit) {
    reasons.push_back(
        "Quorvale reads the text of documents, PDFs and plain-text files. For this type only the "
        "name is searchable.");
  } else if (entry.size > *limit) {
    reasons.push_back("The file is too large to read inside (limit " +
                      megabytes(extractor.maxFileSize) + " MB for text, " +
                      megabytes(DefaultExtractor::kMaxOfficeFileSize) +
                      " MB for documents). Its name is searchable.");
  }
}

}  // namespace

std::string Finding::summary() const {
  if (reasons.empty()) {
    return indexed ? "This file is in the index and should be found."
                   : "Nothing blocks this file. It may not be indexed yet.";
  }
  std::string text;
  for (const std::string& reason : reasons) {
    if (!text.empty()) text += "\n";
    text += reason;
  }
  return text;
}

Finding why(const std::string& path, const ScanConfig& config, bool indexContents,
            const std::vector<std::string>& hidden, FileIndex* index) {
  const Place place = placeOf(path, config);
  const DiskEntry entry = look(place.path);
  Finding finding;
  finding.indexed =
      index && (index->contains(place.path) || (place.path != path && index->contains(path)));

  auto isHidden = [&](const std::string& candidate) {
    return std::find(hidden.begin(), hidden.end(), candidate) != hidden.end();
  };
  if (isHidden(path) || isHidden(place.path)) {
    finding.reasons.push_back(
        "You hid this result. Show it again in Settings under Hidden results.");
  }
  Walk(place, config, entry).run(finding.reasons);
  // Everything so far keeps the file out of the index or out of the results.
  const bool blocked = !finding.reasons.empty();
  readingRules(place.path, entry, indexContents, finding.reasons);

  if (index && !finding.indexed && !blocked) {
    finding.reasons.push_back(
        "Nothing blocks it, but it is not in the index yet. A scan may still be running, or the "
        "file is new.");
  }
  return finding;
}

}  // namespace quorvale::FileDiagnosis
