#include <sys/stat.h>

#include "index/ranking.h"
#include "index/file_record.h"

namespace quorvale::StaleResults {
namespace {

std::vector<std::string> pieces(const std::string& path) {
  std::vector<std::string> out;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t slash = path.find('/', start);
    if (slash == std::string::npos) slash = path.size();
    if (slash > start) out.push_back(path.substr(start, slash - start));
    start = slash + 1;
  }
  return out;
}

std::string folderOf(const std::vector<std::string>& parts, std::size_t count) {
  std::string folder;
  for (std::size_t i = 0; i < count; ++i) folder += "/" + parts[i];
  return folder;
}

// A folder whose device differs from its parent's is where another file system is mounted.
bool isMountPoint(const std::string& folder) {
  struct stat here {};
  struct stat parent {};
  if (::stat(folder.c_str(), &here) != 0 || !S_ISDIR(here.st_mode)) return false;
  if (::stat(deletingLastPathComponent(folder).c_str(), &parent) != 0) return false;
  return here.st_dev != parent.st_dev;
}

bool exists(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0;
}

}  // namespace

std::optional<std::string> volumeFolder(const std::string& path) {
  std::vector<std::string> parts = pieces(path);
  auto under = [&](std::size_t depth, std::initializer_list<const char*> prefix) {
    if (parts.size() < depth) return false;
    std::size_t i = 0;
    for (const char* piece : prefix) {
      if (parts[i++] != piece) return false;
    }
    return true;
  };
  if (under(2, {"Volumes"}) || under(2, {"mnt"})) return folderOf(parts, 2);
  if (under(3, {"media"})) return folderOf(parts, 3);
  if (under(4, {"run", "media"})) return folderOf(parts, 4);
  return std::nullopt;
}

bool volumeIsConnected(const std::string& path, const PathTest& isMounted) {
  auto folder = volumeFolder(path);
  return !folder || isMounted(*folder);
}

bool volumeIsConnected(const std::string& path) {
  return volumeIsConnected(path, [](const std::string& folder) {
    // macOS-style volume folders vanish with their volume; Linux mount folders may stay behind
    // empty, so only a mount point counts there.
    return folder.starts_with("/Volumes/") ? exists(folder) : isMountPoint(folder);
  });
}

Split split(const std::vector<Hit>& hits, const PathTest& exists, const PathTest& volumeConnected) {
  Split result;
  for (const Hit& hit : hits) {
    if (exists(hit.record.path)) {
      result.live.push_back(hit);
    } else if (!volumeConnected(hit.record.path)) {
      ++result.offline;
    } else {
      result.gone.push_back(hit.record.path);
    }
  }
  return result;
}

}  // namespace quorvale::StaleResults
