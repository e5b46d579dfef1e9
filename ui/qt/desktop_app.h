// The desktop launcher's run: hands the request to an instance that already runs, or becomes
// the one instance (local socket), builds the Qt stand-ins of the desktop's services, starts the
// application controller, follows changes of the settings file, and runs the event loop until
// the user quits or the session ends it (SIGTERM and SIGINT quit cleanly). Returns the exit code.
#pragma once

#include "launch_mode.h"
#include "platform/platform_services.h"

namespace quorvale {

int runDesktop(int& argc, char** argv, LaunchMode::Request request,
               const PlatformServices& platform);

}  // namespace quorvale
