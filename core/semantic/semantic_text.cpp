#include "semantic/semantic_text.h"

#include <array>
#include <cctype>
#include <span>
#include <vector>

#include "index/file_index.h"
#include "index/file_kind.h"
#include "util/unicode.h"

namespace quorvale::SemanticText {
namespace {

// Lines of a source file read for its summary, and the summary's longest length in characters.
constexpr std::size_t kSummaryLines = 60;
constexpr std::size_t kSummaryCharacters = 400;

constexpr std::array<std::string_view, 12> kSkippedPrefixes = {
    "import ", "from ",        "const {",        "using ",    "#include", "package ",
    "#!",      "'use strict'", "\"use strict\"", "@testable", "export {", "require(",
};
constexpr std::array<std::string_view, 5> kCommentPrefixes = {"//", "#", "--", "/*", "\"\"\""};
// Longer keywords first where one begins another.
constexpr std::array<std::string_view, 13> kDeclarationKeywords = {
    "export default async function ",
    "export async function ",
    "export function ",
    "export const ",
    "async function ",
    "function ",
    "protocol ",
    "struct ",
    "class ",
    "const ",
    "func ",
    "enum ",
    "def ",
};

bool startsWithAny(std::string_view line, std::span<const std::string_view> prefixes) {
  for (std::string_view prefix : prefixes) {
    if (line.starts_with(prefix)) return true;
  }
  return false;
}

// Every run of white space as one space, the ends trimmed.
std::string collapsedSpaces(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  bool pendingSpace = false;
  for (char32_t scalar : unicode::scalars(text)) {
    if (unicode::isWhitespace(scalar)) {
      pendingSpace = !result.empty();
      continue;
    }
    if (pendingSpace) result += ' ';
    pendingSpace = false;
    result += unicode::fromScalar(scalar);
  }
  return result;
}

bool isCommentTrim(char c) {
  return c == '/' || c == '*' || c == '#' || c == '-' || c == '"' || c == '\'' ||
         std::isspace(static_cast<unsigned char>(c));
}

std::string_view trimmedComment(std::string_view line) {
  while (!line.empty() && isCommentTrim(line.front())) line.remove_prefix(1);
  while (!line.empty() && isCommentTrim(line.back())) line.remove_suffix(1);
  return line;
}

bool isCodeExtension(std::string_view ext) {
  const auto& code = fileKindExtensions().at(FileKind::code);
  return code.contains(unicode::lowercased(ext));
}

// The name without its extension, in words.
std::string title(std::string_view name) {
  std::string base(name);
  std::size_t dot = base.rfind('.');
  if (dot != std::string::npos && dot > 0) base.resize(dot);
  return collapsedSpaces(FileIndex::spaced(base));
}

}  // namespace

const std::set<FileKind>& embeddableKinds() {
  static const std::set<FileKind> kinds = {FileKind::pdf, FileKind::document, FileKind::text,
                                           FileKind::presentation, FileKind::code};
  return kinds;
}

std::optional<std::string> declaredName(std::string_view line) {
  for (std::string_view keyword : kDeclarationKeywords) {
    if (!line.starts_with(keyword)) continue;
    std::string_view rest = line.substr(keyword.size());
    std::size_t length = 0;
    while (length < rest.size() && (std::isalnum(static_cast<unsigned char>(rest[length])) ||
                                    rest[length] == '_' || rest[length] == '$')) {
      ++length;
    }
    if (length == 0) return std::nullopt;
    std::string spaced = collapsedSpaces(FileIndex::spaced(rest.substr(0, length)));
    if (spaced.empty()) return std::nullopt;
    return spaced;
  }
  return std::nullopt;
}

std::string codeSummary(std::string_view content) {
  std::vector<std::string> pieces;
  std::size_t lines = 0;
  std::size_t length = 0;
  while (!content.empty() && lines < kSummaryLines && length < kSummaryCharacters) {
    std::size_t end = content.find('\n');
    std::string raw(content.substr(0, end));
    content.remove_prefix(end == std::string_view::npos ? content.size() : end + 1);
    ++lines;
    std::string line = unicode::trimmed(raw);
    if (line.empty() || startsWithAny(line, kSkippedPrefixes)) continue;
    std::string piece;
    if (startsWithAny(line, kCommentPrefixes)) {
      piece = std::string(trimmedComment(line));
    } else if (auto name = declaredName(line)) {
      piece = std::move(*name);
    }
    if (piece.empty()) continue;
    length += piece.size() + 1;
    pieces.push_back(std::move(piece));
  }
  std::string summary;
  for (const auto& piece : pieces) summary += (summary.empty() ? "" : " ") + piece;
  return unicode::prefixCharacters(summary, kSummaryCharacters);
}

namespace {

std::optional<std::string> assemble(std::string_view name,
                                    const std::optional<std::string>& content, std::string_view ext,
                                    FileKind kind) {
  if (!embeddableKinds().contains(kind)) return std::nullopt;
  std::string heading = title(name);
  std::string result = heading;
  if (content) {
    std::string summary = isCodeExtension(ext) ? codeSummary(*content)
                                               : unicode::prefixCharacters(
                                                     collapsedSpaces(*content), kContentCharacters);
    if (!summary.empty()) result += ". " + summary;
  }
  if (kind == FileKind::code || kind == FileKind::text) {
    if (unicode::characterCount(result) < unicode::characterCount(heading) + kMinExtraCharacters) {
      return std::nullopt;
    }
  }
  if (result.empty()) return std::nullopt;
  return result;
}

}  // namespace

std::optional<std::string> make(std::string_view name, const std::optional<std::string>& content,
                                std::string_view ext) {
  return assemble(name, content, ext, fileKindFor(unicode::lowercased(ext), false));
}

std::optional<std::string> text(const FileRecord& record,
                                const std::optional<std::string>& content) {
  return assemble(record.name, content, record.ext, record.kind);
}

}  // namespace quorvale::SemanticText
