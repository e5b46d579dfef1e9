// Feeds arbitrary text, including invalid UTF-8, to the calculator and the unit converter. Every
// call must return (no crash, hang or escaping exception), and every answer must be one the
// panel can show: a finite value and a non-empty display, the calculator's formatting of that
// value for arithmetic.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "quick/calculator.h"
#include "quick/units.h"

namespace {

void require(bool condition) {
  if (!condition) std::abort();
}

void checkAnswer(const std::optional<quorvale::CalcResult>& result) {
  if (!result) return;
  require(std::isfinite(result->value));
  require(!result->display.empty());
  if (result->kind == quorvale::CalcResult::Kind::math) {
    require(result->display == quorvale::Calculator::format(result->value));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  checkAnswer(quorvale::Calculator::evaluate(text));
  checkAnswer(quorvale::Units::convert(text));
  if (auto value = quorvale::Calculator::evaluateMath(text)) {
    require(!quorvale::Calculator::format(*value).empty());
  }
  (void)quorvale::Units::unit(text);
  return 0;
}
