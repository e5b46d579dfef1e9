// Snippets: text the user saved under a short keyword and a name. Typing the keyword (or its
// beginning, or part of the name) offers the snippet; choosing it copies the text with its
// placeholders filled in.
//
// `Snippet` is a plain value stored in the settings record (JSON keys equal the field names);
// `SnippetEngine` is called by the suggester on every keystroke. Pure functions, any thread.
#pragma once

#include <cstddef>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "quick/local_dates.h"
#include "quick/random_text.h"

namespace quorvale {

struct Snippet {
  std::string id;  // a UUID in its standard 36-character form, upper case
  std::string keyword;
  std::string name;
  std::string text;  // may hold {datetime}, {date}, {time} and {clipboard}

  bool operator==(const Snippet&) const = default;

  // A new snippet with a new random id.
  static Snippet make(std::string keyword, std::string name, std::string text,
                      const quick::RandomSource& random = quick::secureRandom);
};

class SnippetEngine {
 public:
  SnippetEngine() = delete;

  // The snippets for the query (trimmed of spaces, compared without regard to case), best first:
  // keyword equal, then keyword beginning with it, then name containing it; ties in keyword
  // order. Nothing for a query of fewer than 2 characters.
  static std::vector<Snippet> search(std::string_view query, std::span<const Snippet> snippets,
                                     std::size_t limit);

  // The text with "{datetime}" ("yyyy-MM-dd HH:mm"), "{date}" ("yyyy-MM-dd"), "{time}" ("HH:mm")
  // written for `now` in the zone, in that order, and then "{clipboard}" replaced by the
  // clipboard text (empty when there is none). Clipboard text is never expanded itself.
  static std::string expand(std::string_view text, const std::optional<std::string>& clipboard,
                            quick::Seconds now, const quick::LocalZone& zone = {});
};

// JSON: {"id", "keyword", "name", "text"}, all required; "id" must be a UUID and is kept in
// upper case. A missing, mistyped or malformed member throws nlohmann::json::exception.
void to_json(nlohmann::json& json, const Snippet& snippet);
void from_json(const nlohmann::json& json, Snippet& snippet);

}  // namespace quorvale
