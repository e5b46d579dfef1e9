// Identifiers in the standard UUID text form (8-4-4-4-12 hexadecimal digits), as stored in
// clips.json. Safe on any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quorvale::uuid {

// A new random (version 4) UUID in upper case, from the system's random source.
std::string random();

// The text in upper case when it is a UUID in the standard form; nothing otherwise.
std::optional<std::string> canonical(std::string_view text);

}  // namespace quorvale::uuid
