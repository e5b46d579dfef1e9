// The one answer row of the calculator or the unit converter: the number, the text the panel
// shows and copies on Return, and which of the two produced it. A plain value.
#pragma once

#include <string>

namespace quorvale {

struct CalcResult {
  enum class Kind { math, unit };

  double value = 0;
  std::string display;
  Kind kind = Kind::math;

  bool operator==(const CalcResult&) const = default;
};

}  // namespace quorvale
