#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include "index/file_record.h"
#include "index/ranking.h"

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

// The path with "//" and a trailing "/" gone, so that paths and mount points compare as text.
std::string tidied(const std::string& path) {
  std::vector<std::string> parts = pieces(path);
  return parts.empty() ? std::string("/") : folderOf(parts, parts.size());
}

bool isAtOrBelow(const std::string& path, const std::string& folder) {
  return path == folder || (path.starts_with(folder) && path[folder.size()] == '/');
}

// Mount tables write a space, a tab, a line break and a backslash in a path as \040, \011,
// \012 and \134.
std::string unescaped(const std::string& field) {
  std::string out;
  for (std::size_t i = 0; i < field.size(); ++i) {
    bool octal = field[i] == '\\' && i + 3 < field.size();
    if (octal) {
      int value = 0;
      for (std::size_t k = 1; k <= 3 && octal; ++k) {
        char c = field[i + k];
        octal = c >= '0' && c <= '7';
        value = value * 8 + (c - '0');
      }
      if (octal) {
        out += static_cast<char>(value);
        i += 3;
        continue;
      }
    }
    out += field[i];
  }
  return out;
}

// The second field of every entry of a table in the fstab format.
std::vector<std::string> mountPoints(const std::string& file) {
  std::vector<std::string> points;
  std::ifstream in(file);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string device;
    std::string point;
    if (!(fields >> device >> point) || device.starts_with('#')) continue;
    point = unescaped(point);
    if (point.starts_with('/')) points.push_back(tidied(point));
  }
  return points;
}

bool exists(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0;
}

}  // namespace

MountTable readMountTable(const std::string& staticTable, const std::string& mountedNow) {
  MountTable table;
  for (std::string& point : mountPoints(staticTable)) {
    if (point != "/") table.declared.push_back(std::move(point));
  }
  for (std::string& point : mountPoints(mountedNow)) table.mounted.insert(std::move(point));
  return table;
}

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
  if (under(2, {"Volumes"})) return folderOf(parts, 2);
  if (under(3, {"media"})) return folderOf(parts, 3);
  if (under(4, {"run", "media"})) return folderOf(parts, 4);
  return std::nullopt;
}

bool volumeIsConnected(const std::string& path, const MountTable& table, const PathTest& exists) {
  const std::string file = tidied(path);
  const std::string* deepest = nullptr;
  for (const std::string& point : table.declared) {
    if (isAtOrBelow(file, point) && (!deepest || point.size() > deepest->size())) deepest = &point;
  }
  if (deepest && !table.mounted.contains(*deepest)) return false;
  if (auto folder = volumeFolder(file)) {
    return table.mounted.contains(*folder) || exists(*folder);
  }
  return true;
}

bool volumeIsConnected(const std::string& path) {
  return volumeIsConnected(path, readMountTable(), exists);
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
