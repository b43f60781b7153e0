#include "app/RepaintWait_win.h"

#include <windows.h>

#include "app/CaptureFlow.h"
#include "gfx/Handles_win.h"
#include "gfx/MessageLoop_win.h"
#include "gfx/SystemProc_win.h"

namespace vellumo::win {

namespace {
// Often enough that the freeze follows the repaint closely; each look reads
// a few pixels and the update regions of the windows beneath only.
constexpr DWORD kLookEveryMs = 2;

// dwmapi is loaded on first use: the exe keeps its short import list, and a
// system without it has no compositor.
bool Composited() {
    using IsEnabledFn = HRESULT(WINAPI*)(BOOL*);
    static const auto isEnabled = SystemProc<IsEnabledFn>(L"dwmapi.dll", "DwmIsCompositionEnabled");
    BOOL on = FALSE;
    return isEnabled && SUCCEEDED(isEnabled(&on)) && on;
}

bool FlushedByCompositor() {
    using FlushFn = HRESULT(WINAPI*)();
    static const auto flush = SystemProc<FlushFn>(L"dwmapi.dll", "DwmFlush");
    // The uncovered pixels are the other windows' own surfaces, shown at the
    // next composition: DwmFlush returns once it is on the screen.
    return flush && Composited() && SUCCEEDED(flush());
}

Rect ToRect(const RECT& r) { return Rect::fromEdges(r.left, r.top, r.right, r.bottom); }

// The windows a look asks for paint pending: the visible ones beneath the
// hidden Floaters.
struct Beneath {
    const std::vector<Rect>* covered;
    std::vector<HWND> found;
    bool missed = false;  // no memory to list one: there may be more
};

BOOL CALLBACK NoteBeneath(HWND w, LPARAM lp) noexcept {
    auto* look = reinterpret_cast<Beneath*>(lp);
    RECT r{};
    // The rectangle first: most windows lie elsewhere, and asking another
    // program's window for its visibility too is a second round trip to the
    // window server (Wine).
    if (!::GetWindowRect(w, &r) || !vellumo::Beneath(ToRect(r), *look->covered) || !::IsWindowVisible(w))
        return TRUE;
    try {
        look->found.push_back(w);
    } catch (...) {
        look->missed = true;
        return FALSE;
    }
    return TRUE;
}

// Every window beneath: the top-level ones and, recursively, their
// children (a child shows only within its top-level window, so the others'
// children are not looked at).
Beneath WindowsBeneath(const std::vector<Rect>& covered) {
    Beneath look{&covered};
    ::EnumWindows(&NoteBeneath, reinterpret_cast<LPARAM>(&look));
    for (std::size_t i = 0, tops = look.found.size(); i < tops; ++i)
        ::EnumChildWindows(look.found[i], &NoteBeneath, reinterpret_cast<LPARAM>(&look));
    return look;
}

bool PaintPending(const std::vector<HWND>& windows) {
    // GetUpdateRect reads any window's update region, whichever thread owns
    // it; the desktop's own background counts too.
    if (::GetUpdateRect(::GetDesktopWindow(), nullptr, FALSE)) return true;
    for (HWND w : windows)
        if (::IsWindowVisible(w) && ::GetUpdateRect(w, nullptr, FALSE)) return true;
    return false;
}

bool StillShown(HDC screen, const std::vector<CoveredPixel>& pixels) {
    for (const CoveredPixel& p : pixels)
        if (::GetPixel(screen, p.at.x, p.at.y) == p.shown) return true;
    return false;
}

struct Shown {
    HWND host;
    std::vector<Rect>* list;
};

// A Floater is a child of the host or, translucent or letting clicks
// through, a popup it owns.
BOOL CALLBACK NoteShownFloater(HWND w, LPARAM lp) noexcept {
    const auto* shown = reinterpret_cast<Shown*>(lp);
    RECT r{};
    if (::IsWindowVisible(w) && ::GetWindowRect(w, &r) && r.right - r.left > 4 && r.bottom - r.top > 4) {
        try {
            shown->list->push_back(ToRect(r));
        } catch (...) {
            return FALSE;  // no memory for the list: fewer samples, a longer wait
        }
    }
    return TRUE;
}

BOOL CALLBACK NoteOwnedPopup(HWND w, LPARAM lp) noexcept {
    if (::GetWindow(w, GW_OWNER) != reinterpret_cast<Shown*>(lp)->host) return TRUE;
    return NoteShownFloater(w, lp);
}

// What the screen shows at a Floater's sample points, appended to `out`:
// for a translucent one, its blend with what lies beneath.
void SampleFloater(HDC screen, const Rect& floater, std::vector<CoveredPixel>& out) {
    for (const Point p : CoveredSamplePoints(floater)) {
        const COLORREF c = ::GetPixel(screen, p.x, p.y);
        if (c != CLR_INVALID) out.push_back({POINT{p.x, p.y}, c});
    }
}
}  // namespace

CoveredArea SampleCoveredArea(HWND host) {
    CoveredArea covered;
    Shown look{host, &covered.rects};
    ::EnumChildWindows(host, &NoteShownFloater, reinterpret_cast<LPARAM>(&look));
    ::EnumWindows(&NoteOwnedPopup, reinterpret_cast<LPARAM>(&look));
    // The compositor's next frame ends the wait: no pixel is looked at (and
    // reading one from a composited screen is slow).
    if (Composited()) return covered;
    WindowDc screen(nullptr);
    if (!screen.get()) return covered;
    for (const Rect& r : covered.rects) SampleFloater(screen.get(), r, covered.pixels);
    return covered;
}

void WaitForRepaint(const CoveredArea& covered) {
    if (FlushedByCompositor()) return;
    // A closed overlay showed the frozen screen itself: nothing tells when
    // the programs under it show again (under X they may repaint from their
    // own surfaces, with no update region), so the whole wait is kept.
    if (covered.pixels.empty()) {
        PumpMessagesFor(RepaintWait::kMaxMs);
        return;
    }
    const ULONGLONG start = ::GetTickCount64();
    // Listed once the Floaters have gone: the host no longer among them.
    const Beneath beneath = WindowsBeneath(covered.rects);
    RepaintWait wait(!beneath.found.empty() || beneath.missed);
    WindowDc screen(nullptr);
    for (;;) {
        // No screen to read: the wait runs to its cap.
        const bool stillShown = !screen.get() || StillShown(screen.get(), covered.pixels);
        const bool pending = PaintPending(beneath.found);
        const auto elapsed = static_cast<unsigned>(::GetTickCount64() - start);
        if (wait.Over(elapsed, pending, stillShown)) return;
        PumpMessagesFor(kLookEveryMs);
    }
}

}  // namespace vellumo::win
