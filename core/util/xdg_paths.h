// The per-user base folders of the XDG base-directory rules: where Quorvale keeps its data
// ($XDG_DATA_HOME) and its settings ($XDG_CONFIG_HOME). Relative values are ignored, as the
// rules require. Read from the environment on every call; safe on any thread.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace quorvale::xdg {

// The user's home folder ($HOME, else the password database); nothing when neither is known.
std::optional<std::string> home();
// $XDG_DATA_HOME, else ~/.local/share.
std::optional<std::string> dataHome();
// $XDG_CONFIG_HOME, else ~/.config.
std::optional<std::string> configHome();
// $XDG_DATA_DIRS, else /usr/local/share and /usr/share.
std::vector<std::string> dataDirs();

}  // namespace quorvale::xdg
