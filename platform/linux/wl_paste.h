// The clipboard on Wayland through the wl-clipboard tools, for a background program that Qt
// cannot give the clipboard to: `wl-paste --watch` runs a command on every change (which prints
// one line for us), `wl-paste --list-types` names the offered MIME types and `wl-paste
// --no-newline --type text` prints the text. The watch needs a compositor with the data-control
// protocol; without it (or without the tools) clipboard history cannot work, and the status line
// says so. Pure functions over the tools' words; safe on any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvale::WlPaste {

inline constexpr const char* kProgram = "wl-paste";

// The arguments of the watch: each change drains the offered contents and prints one line.
std::vector<std::string> watchArguments();
std::vector<std::string> typesArguments();
std::vector<std::string> textArguments();

// The MIME types of `--list-types` output, one a line, blank lines left out.
std::vector<std::string> parseTypes(std::string_view output);

// The status note when the watch could not start or ended by itself (the compositor refuses
// it at once when it lacks data-control).
inline constexpr const char* kNote =
    "Clipboard history needs a desktop that offers the data-control protocol and the wl-clipboard "
    "tools";

}  // namespace quorvale::WlPaste
