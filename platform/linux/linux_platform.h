// The Linux services handed to the command line and the engine: inotify, sysfs power and heat,
// running applications from /proc.
#pragma once

#include "platform/platform_services.h"

namespace quorvale {

PlatformServices linuxPlatform();

}  // namespace quorvale
