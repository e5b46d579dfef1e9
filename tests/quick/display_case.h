// Shared by the calculator and unit tests: a typed text with the display it must produce, and
// a way to build long inputs.
#pragma once

#include <ostream>
#include <string>
#include <string_view>

namespace quorvale {

struct Case {
  std::string text;
  std::string display;
};

inline void PrintTo(const Case& c, std::ostream* os) { *os << '"' << c.text << '"'; }

inline std::string repeat(std::string_view part, std::size_t times) {
  std::string out;
  for (std::size_t i = 0; i < times; ++i) out += part;
  return out;
}

}  // namespace quorvale
