#include "index/file_record.h"

#include <chrono>
#include <filesystem>

#include "util/unicode.h"

namespace quorvale {
namespace {

std::string_view withoutTrailingSlashes(std::string_view path) {
  while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
  return path;
}

}  // namespace

std::string lastPathComponent(std::string_view path) {
  path = withoutTrailingSlashes(path);
  if (path == "/") return "/";
  auto slash = path.rfind('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string deletingLastPathComponent(std::string_view path) {
  path = withoutTrailingSlashes(path);
  auto slash = path.rfind('/');
  if (slash == std::string_view::npos) return "";
  if (slash == 0) return "/";
  return std::string(path.substr(0, slash));
}

Date currentDate() {
  using namespace std::chrono;
  return duration<double>(system_clock::now().time_since_epoch()).count();
}

std::string standardizedPath(std::string_view path) {
  if (path.empty()) return {};
  std::string clean = std::filesystem::path(path).lexically_normal().string();
  while (clean.size() > 1 && clean.back() == '/') clean.pop_back();
  return clean;
}

bool isBelowOrAt(std::string_view path, std::string_view folder) {
  if (folder.empty()) return false;
  if (path == folder) return true;
  if (folder.ends_with('/')) return path.starts_with(folder);
  return path.size() > folder.size() && path.starts_with(folder) && path[folder.size()] == '/';
}

std::vector<std::string> pathComponents(std::string_view path) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start < path.size()) {
    std::size_t slash = path.find('/', start);
    if (slash == std::string_view::npos) slash = path.size();
    if (slash > start) parts.emplace_back(path.substr(start, slash - start));
    start = slash + 1;
  }
  return parts;
}

std::string pathExtension(std::string_view path) {
  std::string name = lastPathComponent(path);
  auto dot = name.rfind('.');
  if (dot == std::string::npos || dot == 0 || dot + 1 == name.size()) return "";
  return name.substr(dot + 1);
}

FileRecord FileRecord::make(Fields fields) {
  FileRecord record;
  std::string extension = pathExtension(fields.path);
  record.name = fields.name ? std::move(*fields.name) : lastPathComponent(fields.path);
  record.ext = unicode::lowercased(extension);
  record.kind = fields.kind ? *fields.kind : fileKindFor(extension, fields.isDirectory);
  record.size = fields.size;
  record.modified = fields.modified;
  record.path = std::move(fields.path);
  return record;
}

}  // namespace quorvale
