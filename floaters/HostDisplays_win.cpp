// The host following the monitors: a display change (or one found when the
// host is shown, or by the topmost keeper) puts the host over the new virtual
// screen and every Floater back where a monitor shows it (DisplayFollow.h).
#include "floaters/DisplayFollow.h"
#include "floaters/FloaterHost_win.h"
#include "gfx/Monitors_win.h"

namespace vellumo::win {

void FloaterHost::FollowDisplays() {
    MonitorLayout now = DesktopMonitors();
    if (now.monitors() == monitors_.monitors()) return;
    const Rect before = monitors_.virtualBounds();
    const std::map<int, Point> places = PlacesAfterDisplayChange(book_, {before.left, before.top}, now);
    monitors_ = std::move(now);
    const Rect& all = monitors_.virtualBounds();
    screen_ = {all.width, all.height};
    ::SetWindowPos(hwnd(), nullptr, all.left, all.top, all.width, all.height, SWP_NOZORDER | SWP_NOACTIVATE);
    // The frame keeps its place on the screen; the host's origin moved under it.
    book_.frame.left += before.left - all.left;
    book_.frame.top += before.top - all.top;
    for (const auto& [n, at] : places) {
        book_.MoveTo(n, at);
        ApplyFloater(n);
    }
    const Point icon = DropIconPosition(monitors_.ToBitmap(monitors_.primary()), book_.sizes);
    ::SetWindowPos(dropIcon_.hwnd(), nullptr, icon.x, icon.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::InvalidateRect(hwnd(), nullptr, TRUE);
    InvalidateFrame();
}

}  // namespace vellumo::win
