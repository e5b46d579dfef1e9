// Colour notation for the quick tools: "#ff8800" or "#f80" becomes "rgb(255, 136, 0)", and
// "rgb(255, 128, 0)" (or "rgb 255 128 0") becomes "#ff8000". Pure function, any thread.
#pragma once

#include <optional>
#include <string_view>

#include "quick/quick_tool.h"

namespace quorvale::quick {

// The colour answer for the whole text, or nothing when the text is not a colour: "#" with
// other than three or six hexadecimal digits, "rgb" with other than three numbers below 256.
std::optional<QuickTool> color(std::string_view text);

}  // namespace quorvale::quick
