// One quick-tool answer: a single row whose Return copies `copy`. Built by the tools in this
// folder (colours, encodings, digests, Unix times, case styles, passwords) and turned into a row
// by the suggester. A plain value.
#pragma once

#include <string>
#include <string_view>

namespace quorvale {

struct QuickTool {
  std::string title;     // a preview of the result, or a fixed text
  std::string subtitle;  // what was done, normally ending in kReturnToCopy
  std::string copy;      // exactly what goes on the clipboard; may be empty
  bool secret = false;   // only generated passwords: the clipboard marks the copy as concealed

  bool operator==(const QuickTool&) const = default;
};

inline constexpr std::string_view kReturnToCopy = " · Return to copy";

// How a result fits in one row: every line break becomes two spaces, and a result longer than
// 90 characters keeps its first 89 followed by "…".
std::string preview(std::string_view result);

// The usual answer: the preview as title, `what` + kReturnToCopy as subtitle, the result as copy.
QuickTool copyAnswer(std::string result, std::string_view what);

}  // namespace quorvale
