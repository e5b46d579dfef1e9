#include "quick/epoch.h"

#include <charconv>
#include <cmath>

#include "util/unicode.h"

namespace quorvale::quick {
namespace {

constexpr std::size_t kShortestUnixTime = 9;       // 8 characters could be a date like 20240305
constexpr std::size_t kShortestMilliseconds = 13;  // 1700000000000

std::optional<std::string> writtenLocal(double seconds, const LocalZone& zone) {
  return formatLocal("yyyy-MM-dd HH:mm:ss zzz", seconds, zone);
}

std::optional<Seconds> readLocalDate(std::string_view text, const LocalZone& zone) {
  if (auto withTime = parseLocal("yyyy-MM-dd HH:mm", text, zone)) return withTime;
  return parseLocal("yyyy-MM-dd", text, zone);
}

}  // namespace

std::optional<double> readNumber(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty() || text.front() == '+' || text.front() == '-') return std::nullopt;
  auto format = std::chars_format::general;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    format = std::chars_format::hex;
    text.remove_prefix(2);
  }
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, format);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return negative ? -value : value;
}

std::optional<EpochConversion> epoch(std::string_view text, const LocalZone& zone) {
  const std::string_view trimmed = unicode::trimmedSpaces(text);
  const std::optional<double> number = readNumber(trimmed);
  if (number && std::isfinite(*number) && trimmed.size() >= kShortestUnixTime) {
    const double seconds = trimmed.size() >= kShortestMilliseconds ? *number / 1000.0 : *number;
    auto written = writtenLocal(seconds, zone);
    if (!written) return std::nullopt;
    return EpochConversion{.result = std::move(*written), .label = std::string(kUnixToLocal)};
  }
  const std::optional<Seconds> date = readLocalDate(trimmed, zone);
  if (!date) return std::nullopt;
  const auto whole = static_cast<long long>(std::trunc(*date));
  return EpochConversion{.result = std::to_string(whole), .label = std::string(kLocalToUnix)};
}

}  // namespace quorvale::quick
