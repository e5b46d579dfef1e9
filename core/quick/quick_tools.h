// The quick tools: short commands typed into the panel ("uuid", "b64 hello", "sha256 text",
// "unix 1700000000", "snake MyFile", "pw 24", "#ff8800", ...) answered by one ready-to-copy
// row. The search engine asks on every keystroke, so text that is no command is turned away
// after a few byte comparisons. Keeps no state; callable from any thread.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include "quick/local_dates.h"
#include "quick/quick_tool.h"
#include "quick/random_text.h"

namespace quorvale {

namespace QuickTools {

// Longer texts are never commands; they get no answer.
inline constexpr std::size_t kMaxCharacters = 20000;

// The answer for the typed text, or nothing. `now` (seconds since 1970) answers "unix" alone,
// `zone` is the time zone of Unix-time conversions, `random` feeds UUIDs and passwords.
// Text that is not valid UTF-8 is read with U+FFFD for each bad sequence.
std::optional<QuickTool> answer(std::string_view text, quick::Seconds now,
                                const quick::RandomSource& random = quick::secureRandomSource(),
                                const quick::LocalZone& zone = {});

}  // namespace QuickTools

}  // namespace quorvale
