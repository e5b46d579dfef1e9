// Text about to be written to a terminal or a pipe as one field of a line. File names may hold
// any byte but "/" and NUL: a tab or a line break would split the row, and escape sequences
// (ESC, or the 8-bit CSI U+009B) would be obeyed by the terminal. Pure functions; any thread.
#pragma once

#include <string>
#include <string_view>

namespace quorvale::terminal_text {

// The text with every control character written as an escape: "\t", "\n", "\r", "\\" for a
// backslash, "\xHH" for the other C0 controls, DEL and bytes that are not UTF-8, and "\u0080"
// to "\u009F" for the C1 controls. Everything else is kept as it is, so the result is valid
// UTF-8 without control characters, and distinct texts stay distinct.
std::string escaped(std::string_view text);

}  // namespace quorvale::terminal_text
