// What one start of the executable is for, decided from its arguments before anything else
// runs: a command-line job (`--enable-login-item`, `--disable-login-item`, `--status`,
// `--scan`, `--query`, or arguments it does not know), the demonstration picture
// (`--demo FILE`), or the desktop launcher itself, asked to open the panel, toggle it
// (`--toggle`), open the clipboard history (`--clip`) or show the settings window
// (`--settings`). Pure; any thread.
#pragma once

#include <string>
#include <vector>

namespace quorvale {

struct LaunchMode {
  enum class Kind { commandLine, demo, desktop };
  // What a desktop start asks of the running instance (or of itself when none runs).
  // `modelChanged` comes only over the instance socket, from `--install-model`.
  enum class Request { start, toggle, clip, settings, modelChanged };

  Kind kind = Kind::desktop;
  Request request = Request::start;
  std::string demoPath;

  bool operator==(const LaunchMode&) const = default;

  static LaunchMode of(const std::vector<std::string>& args);
};

}  // namespace quorvale
