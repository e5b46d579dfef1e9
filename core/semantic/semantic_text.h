// The short text that stands for a whole file in the meaning store: the file's name in words,
// then ". " and the start of its content (for source code, a summary of its leading comments and
// declared names). Only documents, notes and code get one, and a note or code file only when its
// content adds at least 30 characters to the name.
//
// Pure functions; safe on any thread. Called by the engine's embedding callback on the index
// queue for each file a scan indexes.
#pragma once

#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "index/file_record.h"

namespace quorvale::SemanticText {

// Characters of plain content kept after the title.
inline constexpr std::size_t kContentCharacters = 400;
// A note or code file needs this many characters beyond its title.
inline constexpr std::size_t kMinExtraCharacters = 30;

const std::set<FileKind>& embeddableKinds();

// The text for a file named `name` (with its extension `ext`, any case) and its extracted text.
std::optional<std::string> make(std::string_view name, const std::optional<std::string>& content,
                                std::string_view ext);
std::optional<std::string> text(const FileRecord& record,
                                const std::optional<std::string>& content);

// The leading comments and declared names of a source file, joined by spaces.
std::string codeSummary(std::string_view content);
// The identifier a declaration line declares ("func parseQuery(" -> "parse Query"); nothing for
// a line that declares nothing.
std::optional<std::string> declaredName(std::string_view line);

}  // namespace quorvale::SemanticText
