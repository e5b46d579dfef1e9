#include "settings/settings_codec.h"

#include <algorithm>
#include <initializer_list>
#include <limits>

#include "util/json_fields.h"

namespace quorvale {
namespace {

using Json = nlohmann::ordered_json;
using Stored = json_fields::LenientObject<SettingsDecodeError>;

constexpr std::int64_t kUint32Max = std::numeric_limits<std::uint32_t>::max();

// The members in the given order, then any others the value may carry.
Json inOrder(const nlohmann::json& plain, std::initializer_list<const char*> keys) {
  Json ordered = Json::object();
  for (const char* key : keys) {
    if (auto found = plain.find(key); found != plain.end()) ordered[key] = Json(*found);
  }
  for (const auto& [key, value] : plain.items()) {
    if (!ordered.contains(key)) ordered[key] = Json(value);
  }
  return ordered;
}

Json encodeHotKey(const HotKey& hotKey) {
  return Json{{"keyCode", hotKey.keyCode}, {"modifiers", hotKey.modifiers}};
}

HotKey decodeHotKey(const Json& json, const std::string& key) {
  Stored stored(json, "\"" + key + "\"");
  auto keyCode = stored.integer("keyCode", 0, kUint32Max);
  auto modifiers = stored.integer("modifiers", 0, kUint32Max);
  if (!keyCode || !modifiers) {
    throw SettingsDecodeError("\"" + key + "\" needs both \"keyCode\" and \"modifiers\"");
  }
  return HotKey{static_cast<std::uint32_t>(*keyCode), static_cast<std::uint32_t>(*modifiers)};
}

template <typename Value>
std::vector<Value> decodeList(const Json& json, const char* key) {
  if (!json.is_array()) throw SettingsDecodeError(std::string("\"") + key + "\" is not a list");
  std::vector<Value> values;
  values.reserve(json.size());
  for (const Json& element : json) {
    Value value;
    try {
      from_json(nlohmann::json(element), value);
    } catch (const nlohmann::json::exception& error) {
      throw SettingsDecodeError(std::string("\"") + key + "\": " + error.what());
    }
    values.push_back(std::move(value));
  }
  return values;
}

template <typename Value>
Json encodeList(const std::vector<Value>& values, std::initializer_list<const char*> keys) {
  Json list = Json::array();
  for (const Value& value : values) {
    nlohmann::json plain;
    to_json(plain, value);
    list.push_back(inOrder(plain, keys));
  }
  return list;
}

void decodeHotKeys(const Stored& stored, QuorvaleSettings& settings) {
  if (const Json* value = stored.member("hotKey")) settings.hotKey = decodeHotKey(*value, "hotKey");
  if (const Json* value = stored.member("clipboardHotKey")) {
    settings.clipboardHotKey = decodeHotKey(*value, "clipboardHotKey");
  }
}

void decodeFolders(const Stored& stored, QuorvaleSettings& settings) {
  settings.roots = stored.stringList("roots").value_or(std::move(settings.roots));
  settings.excludedPaths =
      stored.stringList("excludedPaths").value_or(std::move(settings.excludedPaths));
  settings.hiddenResults =
      stored.stringList("hiddenResults").value_or(std::move(settings.hiddenResults));
  settings.indexContents = stored.boolean("indexContents").value_or(settings.indexContents);
  settings.semanticSearch = stored.boolean("semanticSearch").value_or(settings.semanticSearch);
}

void decodeClipboard(const Stored& stored, QuorvaleSettings& settings) {
  const Json* value = stored.member("clipboard");
  if (value == nullptr) return;
  try {
    settings.clipboard = decodeClipPolicy(*value);
  } catch (const ClipPolicyError& error) {
    throw SettingsDecodeError(error.what());
  }
}

void decodeWebSearches(const Stored& stored, QuorvaleSettings& settings) {
  if (const Json* value = stored.member("webSearches")) {
    settings.webSearches = decodeList<WebSearch>(*value, "webSearches");
  }
  // A record from before the table was versioned is version 1, not the current default.
  settings.webSearchesVersion = stored.integer("webSearchesVersion").value_or(1);
  settings.fallbackKeywords =
      stored.stringList("fallbackKeywords").value_or(std::move(settings.fallbackKeywords));
  if (settings.webSearchesVersion < WebSearch::defaultsVersion) {
    settings.webSearches = WebSearch::upgraded(
        std::move(settings.webSearches),
        static_cast<int>(std::max<std::int64_t>(settings.webSearchesVersion, 0)));
    settings.webSearchesVersion = WebSearch::defaultsVersion;
  }
}

// The snippets alone may fail without failing the record.
std::optional<std::string> decodeSnippets(const Stored& stored, QuorvaleSettings& settings) {
  const Json* value = stored.member("snippets");
  if (value == nullptr) return std::nullopt;
  try {
    settings.snippets = decodeList<Snippet>(*value, "snippets");
  } catch (const SettingsDecodeError& error) {
    settings.snippets.clear();
    return error.what();
  }
  return std::nullopt;
}

}  // namespace

Json encodeSettings(const QuorvaleSettings& settings) {
  Json json = Json::object();
  json["hotKey"] = encodeHotKey(settings.hotKey);
  json["clipboardHotKey"] = encodeHotKey(settings.clipboardHotKey);
  json["roots"] = settings.roots;
  json["excludedPaths"] = settings.excludedPaths;
  json["hiddenResults"] = settings.hiddenResults;
  json["indexContents"] = settings.indexContents;
  json["semanticSearch"] = settings.semanticSearch;
  json["clipboard"] = encodeClipPolicy(settings.clipboard);
  json["setupVersion"] = settings.setupVersion;
  json["questionSearch"] = settings.questionSearch;
  json["modelAllowsExpensiveNetwork"] = settings.modelAllowsExpensiveNetwork;
  json["webSearches"] = encodeList(settings.webSearches, {"keyword", "name", "url", "ask"});
  json["webSearchesVersion"] = settings.webSearchesVersion;
  json["fallbackKeywords"] = settings.fallbackKeywords;
  json["snippets"] = encodeList(settings.snippets, {"id", "keyword", "name", "text"});
  json["showMenuBarIcon"] = settings.showMenuBarIcon;
  json["resultLimit"] = settings.resultLimit;
  return json;
}

DecodedSettings decodeSettings(const Json& json) {
  Stored stored(json, "the settings record");
  DecodedSettings decoded;
  QuorvaleSettings& settings = decoded.settings;
  decodeHotKeys(stored, settings);
  decodeFolders(stored, settings);
  decodeClipboard(stored, settings);
  settings.setupVersion = stored.integer("setupVersion").value_or(settings.setupVersion);
  settings.questionSearch = stored.boolean("questionSearch").value_or(settings.questionSearch);
  settings.modelAllowsExpensiveNetwork =
      stored.boolean("modelAllowsExpensiveNetwork").value_or(settings.modelAllowsExpensiveNetwork);
  decodeWebSearches(stored, settings);
  decoded.droppedSnippets = decodeSnippets(stored, settings);
  settings.showMenuBarIcon = stored.boolean("showMenuBarIcon").value_or(settings.showMenuBarIcon);
  settings.resultLimit = stored.integer("resultLimit").value_or(settings.resultLimit);
  return decoded;
}

DecodedSettings decodeSettingsText(std::string_view text) {
  Json json = Json::parse(text, nullptr, false);
  if (json.is_discarded()) throw SettingsDecodeError("the settings record is not valid JSON");
  return decodeSettings(json);
}

}  // namespace quorvale
