#include "app/RepaintWait_win.h"

#include <windows.h>

#include "app/CaptureFlow.h"
#include "gfx/Handles_win.h"
#include "gfx/MessageLoop_win.h"
#include "gfx/SystemProc_win.h"

namespace vellumo::win {

namespace {
constexpr DWORD kLookEveryMs = 5;

// dwmapi is loaded on first use: the exe keeps its short import list, and a
// system without it has no compositor.
bool FlushedByCompositor() {
    using IsEnabledFn = HRESULT(WINAPI*)(BOOL*);
    using FlushFn = HRESULT(WINAPI*)();
    static const auto isEnabled = SystemProc<IsEnabledFn>(L"dwmapi.dll", "DwmIsCompositionEnabled");
    static const auto flush = SystemProc<FlushFn>(L"dwmapi.dll", "DwmFlush");
    BOOL on = FALSE;
    if (!isEnabled || !flush || FAILED(isEnabled(&on)) || !on) return false;
    // The uncovered pixels are the other windows' own surfaces, shown at the
    // next composition: DwmFlush returns once it is on the screen.
    return SUCCEEDED(flush());
}

struct PaintLook {
    const std::vector<CoveredPixel>* covered;  // empty: every window counts
    bool found = false;
};

// Whether window rectangle `r` holds one of the sampled points: a window
// elsewhere was never covered by a Floater (the host is layered, so the
// system may still ask it to repaint), and it is not waited for.
bool UnderAFloater(const RECT& r, const std::vector<CoveredPixel>& covered) {
    if (covered.empty()) return true;
    for (const CoveredPixel& p : covered)
        if (::PtInRect(&r, p.at)) return true;
    return false;
}

BOOL CALLBACK NoteUnpainted(HWND w, LPARAM lp) noexcept {
    auto* look = reinterpret_cast<PaintLook*>(lp);
    // GetUpdateRect reads any window's update region, whichever thread owns it.
    RECT r{};
    if (!::IsWindowVisible(w) || !::GetUpdateRect(w, nullptr, FALSE) || !::GetWindowRect(w, &r) ||
        !UnderAFloater(r, *look->covered))
        return TRUE;
    look->found = true;
    return FALSE;
}

BOOL CALLBACK NoteShownChild(HWND child, LPARAM list) noexcept {
    RECT r{};
    if (::IsWindowVisible(child) && ::GetWindowRect(child, &r) && r.right - r.left > 4 && r.bottom - r.top > 4) {
        try {
            reinterpret_cast<std::vector<RECT>*>(list)->push_back(r);
        } catch (...) {
            return FALSE;  // no memory for the list: fewer samples, a longer wait
        }
    }
    return TRUE;
}

bool PaintPending(const std::vector<CoveredPixel>& covered) {
    PaintLook look{&covered};
    // Every window: the top-level ones and, recursively, their children.
    ::EnumChildWindows(::GetDesktopWindow(), &NoteUnpainted, reinterpret_cast<LPARAM>(&look));
    return look.found;
}
}  // namespace

std::vector<CoveredPixel> SampleCoveredPixels(HWND host) {
    std::vector<RECT> shown;
    ::EnumChildWindows(host, &NoteShownChild, reinterpret_cast<LPARAM>(&shown));
    std::vector<CoveredPixel> samples;
    WindowDc screen(nullptr);
    if (!screen.get()) return samples;
    // The centre and four points a quarter in from the corners: a Floater
    // is rarely the same colour at all five as what lies beneath it.
    for (const RECT& r : shown) {
        const LONG w = r.right - r.left, h = r.bottom - r.top;
        for (const POINT p : {POINT{r.left + w / 2, r.top + h / 2}, POINT{r.left + w / 4, r.top + h / 4},
                              POINT{r.right - w / 4, r.top + h / 4}, POINT{r.left + w / 4, r.bottom - h / 4},
                              POINT{r.right - w / 4, r.bottom - h / 4}}) {
            const COLORREF c = ::GetPixel(screen.get(), p.x, p.y);
            if (c != CLR_INVALID) samples.push_back({p, c});
        }
    }
    return samples;
}

void WaitForRepaint(const std::vector<CoveredPixel>& covered) {
    if (FlushedByCompositor()) return;
    // A closed overlay showed the frozen screen itself: nothing tells when
    // the programs under it show again (under X they may repaint from their
    // own surfaces, with no update region), so the whole wait is kept.
    if (covered.empty()) {
        PumpMessagesFor(RepaintWait::kMaxMs);
        return;
    }
    const ULONGLONG start = ::GetTickCount64();
    RepaintWait wait;
    for (;;) {
        bool stillShown = false;
        if (!covered.empty()) {
            WindowDc screen(nullptr);
            for (const CoveredPixel& p : covered)
                if (screen.get() && ::GetPixel(screen.get(), p.at.x, p.at.y) == p.shown) {
                    stillShown = true;
                    break;
                }
        }
        const auto elapsed = static_cast<unsigned>(::GetTickCount64() - start);
        if (wait.Over(elapsed, PaintPending(covered), stillShown)) return;
        PumpMessagesFor(kLookEveryMs);
    }
}

}  // namespace vellumo::win
