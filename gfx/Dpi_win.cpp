#include "gfx/Dpi_win.h"

#include "gfx/Convert_win.h"
#include "gfx/Dpi.h"
#include "gfx/Handles_win.h"

namespace vellumo::win {

namespace {
// MDT_EFFECTIVE_DPI: the DPI Windows asks applications to scale by.
constexpr int kEffectiveDpi = 0;
using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);

// Resolved on first use and kept: shcore is not in every process's start-up
// path, and a capture's first frame should not wait for it.
GetDpiForMonitorFn MonitorDpiFunction() {
    static const GetDpiForMonitorFn fn = [] {
        HMODULE shcore = ::LoadLibraryW(L"shcore.dll");
        return shcore ? reinterpret_cast<GetDpiForMonitorFn>(
                            reinterpret_cast<void*>(::GetProcAddress(shcore, "GetDpiForMonitor")))
                      : nullptr;
    }();
    return fn;
}
}  // namespace

int SystemDpi() {
    WindowDc screen(nullptr);
    return UsableDpi(screen.get() ? ::GetDeviceCaps(screen.get(), LOGPIXELSX) : 0);
}

int MonitorDpi(HMONITOR monitor) {
    if (monitor) {
        if (const GetDpiForMonitorFn fn = MonitorDpiFunction()) {
            UINT x = 0, y = 0;
            if (SUCCEEDED(fn(monitor, kEffectiveDpi, &x, &y)) && x > 0) return static_cast<int>(x);
        }
    }
    return SystemDpi();
}

int DpiAt(Point p) { return MonitorDpi(::MonitorFromPoint(POINT{p.x, p.y}, MONITOR_DEFAULTTONEAREST)); }

int DpiOf(const Rect& r) {
    const RECT rc = ToRECT(r);
    return MonitorDpi(::MonitorFromRect(&rc, MONITOR_DEFAULTTONEAREST));
}

}  // namespace vellumo::win
