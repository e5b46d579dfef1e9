// The local socket the running launcher listens on for requests from later starts, and a plain
// client for command-line jobs, which carry no Qt: `quorvale --install-model` tells a running
// launcher to read the model store again ("model"). One request is one line; the launcher
// answers "ok" once it has taken it. Any thread.
#pragma once

#include <string>
#include <string_view>

namespace quorvale::InstanceSocket {

// $XDG_RUNTIME_DIR/quorvale.socket when that variable holds an absolute path, else
// quorvale.socket in a folder of the user's own in the temporary folder.
std::string path();
// The folder `path` falls back to: <tmp>/quorvale-<uid>.
std::string fallbackFolder();

// Sends `request` to the launcher listening at `socketPath` and waits up to a second for its
// answer; false when nobody listens there or nobody answers.
bool tell(std::string_view request, const std::string& socketPath = path());

}  // namespace quorvale::InstanceSocket
