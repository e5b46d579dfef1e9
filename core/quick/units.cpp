#include "quick/units.h"

#include <cmath>

#include "quick/calculator.h"
#include "quick/calculator_regex.h"
#include "quick/number_format.h"
#include "quick/thousands.h"
#include "quick/units_table.h"
#include "util/unicode.h"

namespace quorvale::Units {
namespace {

struct Request {
  double amount = 0;
  std::string from;
  std::string to;
};

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// Conditions every match of the request pattern meets, checked first so that ordinary words
// never reach the regular expression.
bool mayBeRequest(std::string_view text) {
  if (text.starts_with("convert ")) text.remove_prefix(8);
  if (text.starts_with('-')) text.remove_prefix(1);
  if (text.empty() || !isDigit(text.front())) return false;
  for (std::string_view separator : {" in ", " to ", " as ", " into ", " -> "}) {
    if (text.find(separator) != std::string_view::npos) return true;
  }
  return false;
}

std::optional<Request> parseRequest(std::string_view text) {
  if (!mayBeRequest(text)) return std::nullopt;
  static const CalculatorRegex kRequest(
      u"^(?:convert )?(-?[0-9][0-9,]*\\.?[0-9]*(?:e-?[0-9]+)?) ?([^0-9].*?) "
      u"(?:in|to|as|into|->) ([^0-9].*)$");
  auto groups = kRequest.groups(text);
  if (!groups) return std::nullopt;
  // Commas in the amount follow the calculator's rule: "1,000" is a thousand, while "1,5" (a
  // decimal comma) is no amount rather than fifteen.
  std::string amountText = Calculator::withoutThousandsSeparators((*groups)[0]);
  if (amountText.find(',') != std::string::npos) return std::nullopt;
  std::optional<double> amount = number::parse(amountText);
  if (!amount) return std::nullopt;
  return Request{.amount = *amount,
                 .from = std::string(unicode::trimmedAscii((*groups)[1])),
                 .to = std::string(unicode::trimmedAscii((*groups)[2]))};
}

// Rounded half away from zero to the given decimals. Values too large to scale are already
// whole at that precision and stay as they are, rather than becoming infinite.
double rounded(double value, int decimals) {
  double scale = std::pow(10.0, decimals);
  double scaled = value * scale;
  return std::isfinite(scaled) ? std::round(scaled) / scale : value;
}

double toKelvin(double value, TemperatureScale scale) {
  switch (scale) {
    case TemperatureScale::celsius:
      return value + 273.15;
    case TemperatureScale::fahrenheit:
      return (value - 32) * 5 / 9 + 273.15;
    case TemperatureScale::kelvin:
      return value;
  }
  return value;
}

double fromKelvin(double kelvin, TemperatureScale scale) {
  switch (scale) {
    case TemperatureScale::celsius:
      return kelvin - 273.15;
    case TemperatureScale::fahrenheit:
      return (kelvin - 273.15) * 9 / 5 + 32;
    case TemperatureScale::kelvin:
      return kelvin;
  }
  return kelvin;
}

std::string_view suffix(TemperatureScale scale) {
  switch (scale) {
    case TemperatureScale::celsius:
      return "\u00b0C";
    case TemperatureScale::fahrenheit:
      return "\u00b0F";
    case TemperatureScale::kelvin:
      return " K";
  }
  return {};
}

std::optional<CalcResult> convertTemperature(double amount, TemperatureScale from,
                                             TemperatureScale to) {
  double kelvin = toKelvin(amount, from);
  if (!(kelvin >= 0)) return std::nullopt;
  double result = fromKelvin(kelvin, to);
  if (!std::isfinite(result)) return std::nullopt;
  return CalcResult{.value = result,
                    .display = Calculator::format(rounded(result, 6)) + std::string(suffix(to)),
                    .kind = CalcResult::Kind::unit};
}

std::optional<CalcResult> convertRequest(const Request& request) {
  auto fromScale = temperatureScale(request.from);
  auto toScale = temperatureScale(request.to);
  if (fromScale && toScale) return convertTemperature(request.amount, *fromScale, *toScale);
  std::optional<Unit> from = unit(request.from);
  std::optional<Unit> to = unit(request.to);
  if (!from || !to || from->category != to->category) return std::nullopt;
  double result = request.amount * from->toBase / to->toBase;
  if (!std::isfinite(result)) return std::nullopt;
  return CalcResult{.value = result,
                    .display = Calculator::format(rounded(result, 8)) + " " + request.to,
                    .kind = CalcResult::Kind::unit};
}

}  // namespace

std::optional<CalcResult> convert(std::string_view text) {
  try {
    // The calculator never passes longer texts; the bound also keeps the pattern's backtracking
    // short for other callers.
    if (text.size() > Calculator::kMaxLength &&
        unicode::characterCount(text) > Calculator::kMaxLength) {
      return std::nullopt;
    }
    std::string lowered = unicode::lowercased(text);
    std::optional<Request> request = parseRequest(unicode::trimmedAscii(lowered));
    return request ? convertRequest(*request) : std::nullopt;
  } catch (...) {  // only allocation failures can land here; they mean no answer
    return std::nullopt;
  }
}

std::optional<Unit> unit(std::string_view name) {
  std::string lowered = unicode::lowercased(name);
  for (const Unit& row : table()) {
    for (const std::string& alias : row.names) {
      if (alias == lowered) return row;
    }
  }
  return std::nullopt;
}

}  // namespace quorvale::Units
