// The desktop's monitors as the system lists them now.
#pragma once
#include "gfx/MonitorLayout.h"

namespace vellumo::win {

// Every monitor in virtual-screen coordinates. Where the system will not list
// them, the primary screen alone, as the program has always known it.
MonitorLayout DesktopMonitors();

}  // namespace vellumo::win
