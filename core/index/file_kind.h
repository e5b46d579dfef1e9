// The thirteen kinds of indexed file, the extension table that assigns them, and the words a
// user may type for them. Pure data and functions; safe on any thread.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace quorvale {

// The order is also the order of `allFileKinds`. The stored form is the case name.
enum class FileKind {
  app,
  folder,
  pdf,
  document,
  spreadsheet,
  presentation,
  image,
  audio,
  video,
  code,
  text,
  archive,
  other,
};

inline constexpr std::array<FileKind, 13> allFileKinds = {
    FileKind::app,   FileKind::folder, FileKind::pdf,  FileKind::document, FileKind::spreadsheet,
    FileKind::presentation, FileKind::image, FileKind::audio, FileKind::video, FileKind::code,
    FileKind::text,  FileKind::archive, FileKind::other};

// "app", "folder", ... "other": what the `kind` column stores.
std::string_view rawValue(FileKind kind);
// A stored kind; anything that is not one of the thirteen names reads as `other`.
FileKind fileKindFromRaw(std::string_view raw);

// Lower-case extensions (without the dot) of each kind; app, folder and other have none.
const std::unordered_map<FileKind, std::unordered_set<std::string>>& fileKindExtensions();
// Words a user may type for a kind ("pdfs", "photos", "slides", ...).
const std::unordered_map<std::string, FileKind>& fileKindWords();

// "app" (any case) is an application bundle; otherwise a directory is a folder, and a file takes
// the kind whose extension set holds its extension, or `other`.
FileKind fileKindFor(std::string_view extension, bool isDirectory);

}  // namespace quorvale
