#include "index/file_kind.h"

#include "util/unicode.h"

namespace quorvale {
namespace {

constexpr std::array<std::string_view, 13> kRawValues = {
    "app",   "folder", "pdf",  "document", "spreadsheet", "presentation", "image",
    "audio", "video",  "code", "text",     "archive",     "other"};

}  // namespace

std::string_view rawValue(FileKind kind) { return kRawValues[static_cast<std::size_t>(kind)]; }

FileKind fileKindFromRaw(std::string_view raw) {
  for (std::size_t i = 0; i < kRawValues.size(); ++i) {
    if (kRawValues[i] == raw) return allFileKinds[i];
  }
  return FileKind::other;
}

const std::unordered_map<FileKind, std::unordered_set<std::string>>& fileKindExtensions() {
  static const std::unordered_map<FileKind, std::unordered_set<std::string>> table = {
      {FileKind::pdf, {"pdf"}},
      {FileKind::document, {"doc", "docx", "pages", "rtf", "odt", "tex"}},
      {FileKind::spreadsheet, {"xls", "xlsx", "numbers", "csv", "tsv", "ods"}},
      {FileKind::presentation, {"ppt", "pptx", "key", "odp"}},
      {FileKind::image,
       {"png", "jpg", "jpeg", "gif", "heic", "webp", "tif", "tiff", "bmp", "svg", "raw", "cr2",
        "nef", "arw", "dng"}},
      {FileKind::audio, {"mp3", "m4a", "wav", "aac", "flac", "aiff", "ogg"}},
      {FileKind::video, {"mp4", "mov", "m4v", "mkv", "avi", "webm"}},
      {FileKind::code,
       {"swift", "py",    "js",    "ts",     "tsx",    "jsx",    "java", "c",    "h",
        "cpp",   "hpp",   "m",     "mm",     "rs",     "go",     "rb",   "php",  "sh",
        "zsh",   "html",  "css",   "json",   "yaml",   "yml",    "toml", "xml",  "sql",
        "kt",    "mjs",   "cjs",   "mts",    "cts",    "vue",    "svelte", "scss", "less",
        "lua",   "pl",    "r",     "jl",     "ex",     "exs",    "scala", "dart", "cs",
        "fs",    "vb",    "ps1",   "bat",    "gradle", "kts",    "metal", "plist", "strings",
        "cmake", "mk",    "zig",   "nim",    "clj",    "hs",     "ml"}},
      {FileKind::text,
       {"txt", "md", "markdown", "log", "rtfd", "rst", "adoc", "org", "ini", "cfg", "conf",
        "env"}},
      {FileKind::archive, {"zip", "gz", "tar", "tgz", "dmg", "7z", "rar", "bz2", "xz", "pkg"}},
  };
  return table;
}

const std::unordered_map<std::string, FileKind>& fileKindWords() {
  static const std::unordered_map<std::string, FileKind> words = {
      {"pdf", FileKind::pdf},
      {"pdfs", FileKind::pdf},
      {"image", FileKind::image},
      {"images", FileKind::image},
      {"photo", FileKind::image},
      {"photos", FileKind::image},
      {"picture", FileKind::image},
      {"pictures", FileKind::image},
      {"spreadsheet", FileKind::spreadsheet},
      {"spreadsheets", FileKind::spreadsheet},
      {"presentation", FileKind::presentation},
      {"presentations", FileKind::presentation},
      {"slides", FileKind::presentation},
      {"document", FileKind::document},
      {"documents", FileKind::document},
      {"doc", FileKind::document},
      {"docs", FileKind::document},
      {"folder", FileKind::folder},
      {"folders", FileKind::folder},
      {"video", FileKind::video},
      {"videos", FileKind::video},
      {"song", FileKind::audio},
      {"songs", FileKind::audio},
      {"audio", FileKind::audio},
      {"app", FileKind::app},
      {"apps", FileKind::app},
      {"code", FileKind::code},
      {"archive", FileKind::archive},
      {"archives", FileKind::archive},
  };
  return words;
}

FileKind fileKindFor(std::string_view extension, bool isDirectory) {
  std::string lower = unicode::lowercased(extension);
  if (lower == "app") return FileKind::app;
  if (isDirectory) return FileKind::folder;
  for (const auto& [kind, extensions] : fileKindExtensions()) {
    if (extensions.contains(lower)) return kind;
  }
  return FileKind::other;
}

}  // namespace quorvale
