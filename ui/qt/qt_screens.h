// The panel controller's view of the desktop's screens through Qt: each screen's geometry and
// available geometry in logical pixels, the pointer, and the primary screen. The window it
// builds is a `PanelWindow`. Main thread only.
#pragma once

#include "panel/panel_controller.h"

namespace quorvale {

PanelEnvironment qtPanelEnvironment();

}  // namespace quorvale
