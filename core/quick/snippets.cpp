#include "quick/snippets.h"

#include <algorithm>
#include <nlohmann/json.hpp>

#include "quick/typed_text.h"
#include "util/unicode.h"

namespace quorvale {
namespace {

struct Placeholder {
  std::string_view token;
  std::string_view pattern;
};

// Expanded in this order, and the clipboard after them all, so that a clipboard holding a
// placeholder is inserted as it stands.
constexpr Placeholder kDatePlaceholders[] = {
    {"{datetime}", "yyyy-MM-dd HH:mm"},
    {"{date}", "yyyy-MM-dd"},
    {"{time}", "HH:mm"},
};
constexpr std::string_view kClipboard = "{clipboard}";

// 0 for the keyword itself, 1 for its beginning, 2 for part of the name; nothing otherwise.
std::optional<int> score(const Snippet& snippet, std::string_view q) {
  const std::string keyword = unicode::lowercased(snippet.keyword);
  if (keyword == q) return 0;
  if (keyword.starts_with(q)) return 1;
  if (unicode::lowercased(snippet.name).find(q) != std::string::npos) return 2;
  return std::nullopt;
}

bool isUuid(std::string_view text) {
  if (text.size() != 36) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
    const bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    if (dash ? c != '-' : !hex) return false;
  }
  return true;
}

}  // namespace

Snippet Snippet::make(std::string keyword, std::string name, std::string text,
                      const quick::RandomSource& random) {
  return Snippet{.id = quick::newUuidUpper(random),
                 .keyword = std::move(keyword),
                 .name = std::move(name),
                 .text = std::move(text)};
}

std::vector<Snippet> SnippetEngine::search(std::string_view query,
                                           std::span<const Snippet> snippets, std::size_t limit) {
  const std::string q = unicode::lowercased(unicode::trimmedSpaces(query));
  if (!typed::hasAtLeastCharacters(q, 2)) return {};
  struct Match {
    int score;
    const Snippet* snippet;
  };
  std::vector<Match> matches;
  for (const Snippet& snippet : snippets) {
    if (auto found = score(snippet, q)) matches.push_back({*found, &snippet});
  }
  std::stable_sort(matches.begin(), matches.end(), [](const Match& a, const Match& b) {
    if (a.score != b.score) return a.score < b.score;
    return a.snippet->keyword < b.snippet->keyword;
  });
  std::vector<Snippet> out;
  for (std::size_t i = 0; i < matches.size() && i < limit; ++i) out.push_back(*matches[i].snippet);
  return out;
}

std::string SnippetEngine::expand(std::string_view text,
                                  const std::optional<std::string>& clipboard, quick::Seconds now,
                                  const quick::LocalZone& zone) {
  std::string out(text);
  if (out.find('{') == std::string::npos) return out;
  for (const Placeholder& placeholder : kDatePlaceholders) {
    if (out.find(placeholder.token) == std::string::npos) continue;
    // A moment that cannot be written (outside the years 1 to 9999) leaves the placeholder.
    const auto written = quick::formatLocal(placeholder.pattern, now, zone);
    if (written) out = typed::replacingAll(out, placeholder.token, *written);
  }
  return typed::replacingAll(out, kClipboard, clipboard.value_or(""));
}

void to_json(nlohmann::json& json, const Snippet& snippet) {
  json = nlohmann::json{{"id", snippet.id},
                        {"keyword", snippet.keyword},
                        {"name", snippet.name},
                        {"text", snippet.text}};
}

void from_json(const nlohmann::json& json, Snippet& snippet) {
  std::string id = json.at("id").get<std::string>();
  if (!isUuid(id)) {
    throw nlohmann::json::other_error::create(501, "snippet id is not a UUID: " + id, &json);
  }
  snippet = Snippet{.id = unicode::uppercased(id),
                    .keyword = json.at("keyword").get<std::string>(),
                    .name = json.at("name").get<std::string>(),
                    .text = json.at("text").get<std::string>()};
}

}  // namespace quorvale
