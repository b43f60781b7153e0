#include "overlay/MonitorPlacement.h"

#include <algorithm>

#include "overlay/Readout.h"
#include "overlay/Selection.h"

namespace vellumo {

namespace {

// `start` of a span `length` long, moved back into [monFrom, monTo) where it
// reaches out of that monitor's span but not out of the virtual screen's
// [virtFrom, virtTo): it would then show on another monitor or in a gap.
int KeepOnMonitor(int start, int length, int monFrom, int monTo, int virtFrom, int virtTo) {
    if (start < monFrom && start >= virtFrom) return monFrom;
    if (start + length > monTo && start + length <= virtTo) return std::max(monFrom, monTo - length);
    return start;
}

// `start` of a span `length` long, moved back into [from, to) wherever it
// reaches out; a span longer than that starts at `from`.
int KeepInside(int start, int length, int from, int to) {
    return std::max(from, std::min(start, to - length));
}

}  // namespace

Point PlaceToolbarOn(const MonitorLayout& layout, const Rect& frame, Size toolbar) {
    const Rect& m = layout.bounds(layout.MonitorOf(frame));
    const Rect& v = layout.virtualBounds();
    int top = frame.top;
    if (frame.top - m.top + kToolsGap > toolbar.height) {
        top = frame.top - toolbar.height - kToolsGap;
    } else if (frame.bottom() + toolbar.height + kToolsGap < m.bottom()) {
        top = frame.bottom() + kToolsGap;
    }
    // Across, the monitor's edge always holds: past the screen's outer edge
    // the buttons could not be clicked (a selection near the right edge put
    // most of them there).
    return {KeepInside(frame.left, toolbar.width, m.left, m.right()),
            KeepOnMonitor(top, toolbar.height, m.top, m.bottom(), v.top, v.bottom())};
}

Point PlaceMagnifierOn(const MonitorLayout& layout, Point p, Size panel) {
    const Rect& m = layout.bounds(layout.MonitorAt(p));
    const int left = p.x + kPointerGap + panel.width <= m.right() ? p.x + kPointerGap : p.x - panel.width - kPointerGap;
    const int top = p.y + kPointerGap + panel.height <= m.bottom() ? p.y + kPointerGap : p.y - panel.height - kPointerGap;
    return {left, top};
}

}  // namespace vellumo
