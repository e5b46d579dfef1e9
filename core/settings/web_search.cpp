#include "settings/web_search.h"

#include <nlohmann/json.hpp>

#include "quick/typed_text.h"
#include "util/unicode.h"

namespace quorvale {
namespace {

bool isAsciiLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isAsciiDigit(char c) {
  return c >= '0' && c <= '9';
}
bool isHexDigit(char c) {
  return isAsciiDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Characters an address may hold as they are (RFC 3986's unreserved, reserved and "%"); bytes
// beyond ASCII are allowed too, as in internationalised addresses (IRIs), since the query
// encoding keeps letters of every script.
bool isAddressByte(char c) {
  if (static_cast<unsigned char>(c) >= 0x80) return true;
  if (isAsciiLetter(c) || isAsciiDigit(c)) return true;
  return std::string_view("-._~:/?#[]@!$&'()*+,;=%").find(c) != std::string_view::npos;
}

// The scheme of an address that parses, lower-cased; nothing when it does not parse.
std::optional<std::string> parsedScheme(std::string_view address) {
  const std::size_t colon = address.find(':');
  if (colon == std::string_view::npos || colon == 0 || !isAsciiLetter(address[0])) {
    return std::nullopt;
  }
  std::string scheme;
  for (char c : address.substr(0, colon)) {
    if (!isAsciiLetter(c) && !isAsciiDigit(c) && c != '+' && c != '-' && c != '.') {
      return std::nullopt;
    }
    scheme += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  }
  for (std::size_t i = colon + 1; i < address.size(); ++i) {
    if (!isAddressByte(address[i])) return std::nullopt;
    if (address[i] == '%' &&
        (i + 2 >= address.size() || !isHexDigit(address[i + 1]) || !isHexDigit(address[i + 2]))) {
      return std::nullopt;
    }
  }
  if (!unicode::isValidUtf8(address)) return std::nullopt;
  return scheme;
}

// A web address the browser can open: http or https with a host.
bool isWebAddress(std::string_view address) {
  const auto scheme = parsedScheme(address);
  if (scheme != "https" && scheme != "http") return false;
  std::string_view rest = address.substr(scheme->size() + 1);
  if (!rest.starts_with("//")) return false;
  rest.remove_prefix(2);
  const std::size_t hostEnd = rest.find_first_of("/?#");
  std::string_view authority = rest.substr(0, hostEnd);
  if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos) {
    authority.remove_prefix(at + 1);
  }
  return !authority.empty() && authority.front() != ':';
}

// Steps shared by `urlFor` and `resolve`: the words are taken as they are.
std::optional<std::string> addressFor(std::string_view pattern, std::string_view words) {
  if (pattern.find(WebSearch::kQueryToken) == std::string_view::npos) return std::nullopt;
  const auto encoded = percentEncoded(words, queryAllowed);
  if (!encoded) return std::nullopt;
  std::string address = typed::replacingAll(pattern, WebSearch::kQueryToken, *encoded);
  if (!isWebAddress(address)) return std::nullopt;
  return address;
}

WebSearch entry(std::string keyword, std::string name, std::string url, bool ask = false) {
  return WebSearch{
      .keyword = std::move(keyword), .name = std::move(name), .url = std::move(url), .ask = ask};
}

bool hasKeyword(std::span<const WebSearch> searches, std::string_view keyword) {
  for (const WebSearch& search : searches) {
    if (typed::equalsIgnoringCase(search.keyword, keyword)) return true;
  }
  return false;
}

bool containsWhitespace(std::string_view text) {
  for (char32_t c : unicode::scalars(text)) {
    if (unicode::isWhitespace(c)) return true;
  }
  return false;
}

}  // namespace

std::optional<std::string> WebSearch::urlFor(std::string_view text) const {
  const std::string_view words = unicode::trimmedWhitespace(text);
  if (words.empty()) return std::nullopt;
  return addressFor(url, words);
}

std::optional<WebSearch::Resolved> WebSearch::resolve(std::string_view text,
                                                      std::span<const WebSearch> among) {
  const std::string_view trimmed = unicode::trimmedSpaces(text);
  const std::size_t space = trimmed.find(' ');
  if (space == std::string_view::npos || space == 0 || space + 1 >= trimmed.size()) {
    return std::nullopt;
  }
  const std::string_view keyword = trimmed.substr(0, space);
  const std::string_view words = trimmed.substr(space + 1);
  for (const WebSearch& search : among) {
    if (!typed::equalsIgnoringCase(search.keyword, keyword)) continue;
    if (auto address = addressFor(search.url, words)) {
      return Resolved{.search = search, .url = std::move(*address)};
    }
  }
  return std::nullopt;
}

const std::vector<WebSearch>& WebSearch::defaults() {
  static const std::vector<WebSearch> kDefaults{
      entry("g", "Google", "https://www.google.com/search?q={query}"),
      entry("ddg", "DuckDuckGo", "https://duckduckgo.com/?q={query}"),
      entry("w", "Wikipedia", "https://en.wikipedia.org/w/index.php?search={query}"),
      entry("maps", "Apple Maps", "https://maps.apple.com/?q={query}"),
      entry("yt", "YouTube", "https://www.youtube.com/results?search_query={query}"),
      entry("gh", "GitHub", "https://github.com/search?q={query}"),
      entry("scholar", "Google Scholar", "https://scholar.google.com/scholar?q={query}"),
      entry("claude", "Claude", "https://claude.ai/new?q={query}", true),
      entry("gpt", "ChatGPT", "https://chatgpt.com/?q={query}", true),
      entry("ppl", "Perplexity", "https://www.perplexity.ai/search?q={query}", true),
  };
  return kDefaults;
}

const std::vector<std::string>& WebSearch::defaultFallbackKeywords() {
  static const std::vector<std::string> kKeywords{"g", "claude", "gpt"};
  return kKeywords;
}

std::vector<WebSearch> WebSearch::upgraded(std::vector<WebSearch> stored, int storedVersion) {
  if (storedVersion >= defaultsVersion) return stored;
  for (const WebSearch& search : defaults()) {
    if (!hasKeyword(stored, search.keyword)) stored.push_back(search);
  }
  return stored;
}

std::variant<WebSearch, std::string> WebSearch::newEntry(std::string_view keyword, std::string name,
                                                         std::string url, bool ask,
                                                         std::span<const WebSearch> existing) {
  const std::string_view word = unicode::trimmedSpaces(keyword);
  // An empty keyword could never be typed before the words, so it is not one word either.
  if (word.empty() || containsWhitespace(word)) return std::string(kKeywordNotOneWord);
  if (hasKeyword(existing, word)) return std::string(kKeywordUsed);
  if (!url.starts_with("https://") || url.find(kQueryToken) == std::string::npos) {
    return std::string(kAddressInvalid);
  }
  return entry(std::string(word), std::move(name), std::move(url), ask);
}

void to_json(nlohmann::json& json, const WebSearch& search) {
  json = nlohmann::json{
      {"keyword", search.keyword}, {"name", search.name}, {"url", search.url}, {"ask", search.ask}};
}

void from_json(const nlohmann::json& json, WebSearch& search) {
  search = entry(json.at("keyword").get<std::string>(), json.at("name").get<std::string>(),
                 json.at("url").get<std::string>(), json.value("ask", false));
}

}  // namespace quorvale
