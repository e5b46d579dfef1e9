// The command line of the one executable. The launcher's switches come first, checked in this
// order: `--enable-login-item`, `--disable-login-item`, `--status`, `--demo FILE`. Then the jobs
// for scripts and tests: `--scan [FOLDER...]` (a full scan in the foreground, then the status
// line) and `--query TEXT [--json]` (the rows the panel would show). Each job prints its result
// to standard output and returns the process's exit code. State lives where the launcher keeps
// it ($XDG_DATA_HOME/Quorvale, $XDG_CONFIG_HOME/quorvale), so tests isolate it with those.
#pragma once

#include "platform/platform_services.h"

namespace quorvale {

int runCommandLine(int argc, char** argv, const PlatformServices& platform = {});

}  // namespace quorvale
