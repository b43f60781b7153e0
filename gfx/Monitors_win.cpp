#include "gfx/Monitors_win.h"

#include <windows.h>

#include <vector>

namespace vellumo::win {

namespace {
BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM found) {
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (::GetMonitorInfoW(monitor, &info)) {
        const RECT& r = info.rcMonitor;
        reinterpret_cast<std::vector<MonitorArea>*>(found)->push_back(
            {Rect::fromEdges(r.left, r.top, r.right, r.bottom), (info.dwFlags & MONITORINFOF_PRIMARY) != 0});
    }
    return TRUE;
}
}  // namespace

MonitorLayout DesktopMonitors() {
    std::vector<MonitorArea> found;
    if (!::EnumDisplayMonitors(nullptr, nullptr, &AddMonitor, reinterpret_cast<LPARAM>(&found)) || found.empty())
        return MonitorLayout::Single({::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)});
    return MonitorLayout(std::move(found));
}

}  // namespace vellumo::win
