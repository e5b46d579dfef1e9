// The JSON form of the settings record (field by field in quorvale_settings.h): encoding writes
// every key in field order; decoding is lenient so that records of older and newer versions load.
//
// Decoding starts from the default record and replaces each field whose key is present (a null
// value counts as missing). A present key of the wrong type fails the whole decode, except
// "snippets": a snippet list that does not decode (a missing key, an id that is not a UUID) is
// left out and the rest of the record loads. A missing "webSearchesVersion" means version 1; a
// record below the current web-search table version gets every default web search whose keyword
// it lacks (compared ignoring case) appended, and the current version. "resultLimit" is taken as
// stored. Unknown keys are ignored. Called by the settings store; pure functions, any thread.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "settings/quorvale_settings.h"

namespace quorvale {

class SettingsDecodeError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct DecodedSettings {
  QuorvaleSettings settings;
  // Why the stored snippets were left out; nothing when they loaded (or there were none).
  std::optional<std::string> droppedSnippets;

  bool operator==(const DecodedSettings&) const = default;
};

nlohmann::ordered_json encodeSettings(const QuorvaleSettings& settings);

// Throws SettingsDecodeError, naming the key, when the value is not an object or a key other than
// "snippets" holds the wrong type.
DecodedSettings decodeSettings(const nlohmann::ordered_json& json);
// The same over JSON text; text that is not JSON throws SettingsDecodeError.
DecodedSettings decodeSettingsText(std::string_view text);

}  // namespace quorvale
