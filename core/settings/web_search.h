// One web-search keyword: "g" followed by words becomes the address of a Google search for the
// words. Assistants (`ask`) take a question instead of search words.
//
// A plain value kept in the settings record's `webSearches` list (JSON keys equal the field
// names) and read by the suggester on every keystroke. Nothing here sends anything: an address
// is only opened when the user runs its row. Pure functions over values, callable from any thread.
#pragma once

#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "quick/percent_encoding.h"

namespace quorvale {

struct WebSearch {
  struct Resolved;

  std::string keyword;  // one word, compared without regard to case
  std::string name;     // shown in row titles
  std::string url;      // address template holding "{query}"
  bool ask = false;     // an assistant: rows say "Ask" instead of "Search"

  bool operator==(const WebSearch&) const = default;

  static constexpr int defaultsVersion = 2;
  static constexpr std::string_view kQueryToken = "{query}";

  // The problems the add form reports, one per failed check.
  static constexpr std::string_view kKeywordNotOneWord = "The keyword is one word, with no spaces.";
  static constexpr std::string_view kKeywordUsed = "That keyword is already used.";
  static constexpr std::string_view kAddressInvalid =
      "The address must start with https:// and contain {query}.";

  // "Ask" for an assistant, "Search" otherwise.
  std::string_view verb() const { return ask ? "Ask" : "Search"; }

  // The address for the text, trimmed: the template with every "{query}" replaced by the text
  // percent-encoded with `queryAllowed`. Nothing for empty text, a template without "{query}",
  // or a result that is not an http or https address.
  std::optional<std::string> urlFor(std::string_view text) const;

  // The first entry (in list order) whose keyword is the text's first word, case-insensitively,
  // and whose template makes an address of the words after it (taken as they stand).
  // Nothing unless the text is a keyword, a space and some words.
  static std::optional<Resolved> resolve(std::string_view text, std::span<const WebSearch> among);

  // The entries a new settings record starts with, in the order shown in the settings.
  static const std::vector<WebSearch>& defaults();
  // The keywords offered as fallback rows when nothing else answers.
  static const std::vector<std::string>& defaultFallbackKeywords();
  // A stored list written under `storedVersion` (1 when the record has none), with every default
  // whose keyword is missing appended when that version predates `defaultsVersion`.
  static std::vector<WebSearch> upgraded(std::vector<WebSearch> stored, int storedVersion);

  // The settings window's add form: the entry to append (keyword trimmed of spaces), or the
  // problem to show, checked in order: one word, not yet used, an https template with "{query}".
  static std::variant<WebSearch, std::string> newEntry(std::string_view keyword, std::string name,
                                                       std::string url, bool ask,
                                                       std::span<const WebSearch> existing);
};

struct WebSearch::Resolved {
  WebSearch search;
  std::string url;

  bool operator==(const Resolved&) const = default;
};

// JSON: {"keyword", "name", "url", "ask"}; decoding requires the first three and reads a missing
// "ask" as false. A missing or mistyped key throws nlohmann::json::exception.
void to_json(nlohmann::json& json, const WebSearch& search);
void from_json(const nlohmann::json& json, WebSearch& search);

}  // namespace quorvale
