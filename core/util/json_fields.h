// Reading the members of a stored JSON object leniently: a missing (or null) member reads as
// nothing, so the caller keeps its default, while a member of the wrong type throws the caller's
// error type with a message naming the member. Used by the decoders of the settings record and
// of the clipboard policy. Pure functions; safe on any thread.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvale::json_fields {

// The exact integer a JSON number holds (an integer, or a floating value with no fraction),
// when it lies within [min, max].
inline std::optional<std::int64_t> exactInteger(const nlohmann::ordered_json& value,
                                                std::int64_t min, std::int64_t max) {
  std::int64_t number = 0;
  if (value.is_number_unsigned()) {
    auto unsignedNumber = value.get<std::uint64_t>();
    if (unsignedNumber > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
      return std::nullopt;
    }
    number = static_cast<std::int64_t>(unsignedNumber);
  } else if (value.is_number_integer()) {
    number = value.get<std::int64_t>();
  } else if (value.is_number_float()) {
    double real = value.get<double>();
    // 2^63 is the first double beyond the int64 range.
    if (!std::isfinite(real) || std::trunc(real) != real || real < -9223372036854775808.0 ||
        real >= 9223372036854775808.0) {
      return std::nullopt;
    }
    number = static_cast<std::int64_t>(real);
  } else {
    return std::nullopt;
  }
  if (number < min || number > max) return std::nullopt;
  return number;
}

template <typename Error>
class LenientObject {
 public:
  // Throws Error unless the value is an object; `what` names it in messages.
  LenientObject(const nlohmann::ordered_json& json, std::string what)
      : json_(json), what_(std::move(what)) {
    if (!json_.is_object()) throw Error(what_ + " is not a JSON object");
  }

  // The member, or nothing when it is missing or null.
  const nlohmann::ordered_json* member(std::string_view key) const {
    auto found = json_.find(key);
    if (found == json_.end() || found->is_null()) return nullptr;
    return &*found;
  }

  std::optional<bool> boolean(std::string_view key) const {
    const auto* value = member(key);
    if (value == nullptr) return std::nullopt;
    if (!value->is_boolean()) wrongType(key, "a boolean");
    return value->template get<bool>();
  }

  std::optional<std::int64_t> integer(
      std::string_view key, std::int64_t min = std::numeric_limits<std::int64_t>::min(),
      std::int64_t max = std::numeric_limits<std::int64_t>::max()) const {
    const auto* value = member(key);
    if (value == nullptr) return std::nullopt;
    auto number = exactInteger(*value, min, max);
    if (!number) {
      wrongType(key, "an integer from " + std::to_string(min) + " to " + std::to_string(max));
    }
    return number;
  }

  std::optional<std::vector<std::string>> stringList(std::string_view key) const {
    const auto* value = member(key);
    if (value == nullptr) return std::nullopt;
    if (!value->is_array()) wrongType(key, "a list of strings");
    std::vector<std::string> strings;
    strings.reserve(value->size());
    for (const auto& element : *value) {
      if (!element.is_string()) wrongType(key, "a list of strings");
      strings.push_back(element.template get<std::string>());
    }
    return strings;
  }

  [[noreturn]] void wrongType(std::string_view key, const std::string& expected) const {
    throw Error(what_ + ": \"" + std::string(key) + "\" is not " + expected);
  }

 private:
  const nlohmann::ordered_json& json_;
  std::string what_;
};

}  // namespace quorvale::json_fields
