// When the monitors change (one removed, moved or resized), the host follows
// them: it covers the new virtual screen, and a Floater left on no monitor
// comes back onto the nearest one, where the user can reach it again.
#pragma once
#include <map>

#include "floaters/FloaterBook.h"
#include "gfx/Geometry.h"
#include "gfx/MonitorLayout.h"

namespace vellumo {

// `r` (virtual-screen coordinates) when it meets a monitor; else moved onto
// the monitor nearest to it, by as little as keeps it inside, or to that
// monitor's top-left when it is larger than the monitor.
Rect OntoNearestMonitor(const MonitorLayout& monitors, const Rect& r);

// Every Floater's new top-left in the host's coordinates once the monitors
// are `now`: the host's top-left was `oldOrigin` (virtual-screen
// coordinates) and becomes now's virtual top-left. A Floater still on a
// monitor keeps its place on the screen.
std::map<int, Point> PlacesAfterDisplayChange(const FloaterBook& book, Point oldOrigin, const MonitorLayout& now);

}  // namespace vellumo
