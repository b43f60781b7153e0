#include "overlay/Surface_win.h"

#include <cstring>

#include "gfx/Handles_win.h"
#include "gfx/HelperThread_win.h"

namespace vellumo::win {

namespace {
void TouchPages(volatile std::uint32_t* first, std::size_t words) {
    constexpr std::size_t kWordsPerPage = 4096 / sizeof(std::uint32_t);
    for (std::size_t i = 0; i < words; i += kWordsPerPage) first[i] = 0;
}

// The pointer as the screen shows it now, its hot spot where it points: the
// screen grab never holds it (the system draws it apart).
void DrawPointer(HDC dc, const Rect& area) {
    CURSORINFO ci{};
    ci.cbSize = sizeof(ci);
    if (!::GetCursorInfo(&ci) && !::GetCursorPos(&ci.ptScreenPos)) return;
    // A pointer the system says is hidden is left out.
    if (ci.hCursor && !(ci.flags & CURSOR_SHOWING)) return;
    // Where the shape cannot be read (Wine keeps another program's cursor in
    // that program) the arrow, which such a window shows in nearly every
    // case, stands for it.
    HCURSOR shape = ci.hCursor;
    ICONINFO ii{};
    if (!shape || !::GetIconInfo(shape, &ii)) {
        shape = ::LoadCursorW(nullptr, IDC_ARROW);
        if (!shape || !::GetIconInfo(shape, &ii)) return;
    }
    // GetIconInfo hands over copies of the cursor's bitmaps.
    unique_hbitmap mask(ii.hbmMask), colour(ii.hbmColor);
    ::DrawIconEx(dc, ci.ptScreenPos.x - area.left - static_cast<int>(ii.xHotspot),
                 ci.ptScreenPos.y - area.top - static_cast<int>(ii.yHotspot), shape, 0, 0, 0, nullptr, DI_NORMAL);
}
}  // namespace

bool OverlaySurface::Freeze(const MonitorLayout& monitors, bool withPointer) {
    const Rect& area = monitors.virtualBounds();
    const int width = area.width, height = area.height;
    // A fresh surface costs a page fault per 4 KB on its first write (about
    // 20 ms at 4K, in the first frame's darkening). A helper thread takes
    // them while this one waits for the screen grab; nothing else touches
    // the surface until the grab is done.
    if (!surface_.Create(width, height)) {
        Release();
        return false;
    }
    HelperThread toucher;
    toucher.Start([bits = surface_.bits(), words = std::size_t(width) * height] { TouchPages(bits, words); });
    const bool grabbed = GrabScreen(frozenScreen_, area);
    toucher.Join();
    if (!grabbed) {
        Release();
        return false;
    }
    // The screen's device gives whatever it holds between monitors (Wine:
    // the X root window there); no monitor shows it, so neither does the capture.
    for (const Rect& gap : monitors.Gaps()) {
        const Rect g = monitors.ToBitmap(gap);
        ::PatBlt(frozenScreen_.dc(), g.left, g.top, g.width, g.height, BLACKNESS);
    }
    if (withPointer) DrawPointer(frozenScreen_.dc(), area);
    ::GdiFlush();
    tracker_ = DimTracker({width, height});
    return true;
}

void OverlaySurface::PlaceOnFrozen(HBITMAP picture, Point at) {
    if (!picture || frozenScreen_.empty()) return;
    unique_hdc mem(::CreateCompatibleDC(frozenScreen_.dc()));
    if (!mem) return;
    BITMAP bm{};
    if (!::GetObjectW(picture, sizeof(bm), &bm)) return;
    Selected keep(mem.get(), picture);
    ::BitBlt(frozenScreen_.dc(), at.x, at.y, bm.bmWidth, bm.bmHeight, mem.get(), 0, 0, SRCCOPY);
    ::GdiFlush();
}

bool OverlaySurface::FreezeFrom(const Dib& screen) {
    if (!frozenScreen_.Create(screen.width(), screen.height())) return false;
    std::memcpy(frozenScreen_.bits(), screen.bits(), std::size_t(screen.width()) * screen.height() * 4);
    return AllocateFromPicB();
}

bool OverlaySurface::AllocateFromPicB() {
    const int w = frozenScreen_.width(), h = frozenScreen_.height();
    if (!surface_.Create(w, h)) {
        Release();
        return false;
    }
    tracker_ = DimTracker({w, h});
    return true;
}

void OverlaySurface::PrepareRedraws() {
    if (frozenScreen_.empty() || !dimmed_.empty()) return;
    if (!dimmed_.Create(frozenScreen_.width(), frozenScreen_.height())) return;
    ::GdiFlush();
    DimPixels(frozenScreen_.bits(), dimmed_.bits(), std::size_t(frozenScreen_.width()) * frozenScreen_.height());
}

void OverlaySurface::EnsureDrawn() {
    if (surface_.empty() || tracker_.known()) return;
    std::memcpy(surface_.bits(), frozenScreen_.bits(), std::size_t(surface_.width()) * surface_.height() * 4);
    tracker_.ResetToClean();
}

void OverlaySurface::Release() {
    frozenScreen_.Clear();
    dimmed_.Clear();
    surface_.Clear();
    tracker_ = DimTracker({0, 0});
    marks_.Clear();
}

// GDI and GDI+ may still be writing into the DIB: each step reads or writes
// the pixels directly, so the queue is flushed first.
void OverlaySurface::BeforeMark(const Rect& box) {
    if (surface_.empty()) return;
    ::GdiFlush();
    marks_.Touch(surface_.plane(), box);
}

void OverlaySurface::EndMark() {
    if (!marks_.markOpen()) return;
    ::GdiFlush();
    marks_.EndMark(surface_.plane());
}

std::vector<Rect> OverlaySurface::UndoMark() {
    std::vector<Rect> pieces;
    if (surface_.empty()) return pieces;
    ::GdiFlush();
    marks_.Undo(surface_.plane(), &pieces);
    return pieces;
}

std::vector<Rect> OverlaySurface::RedoMark() {
    std::vector<Rect> pieces;
    if (surface_.empty()) return pieces;
    ::GdiFlush();
    marks_.Redo(surface_.plane(), &pieces);
    return pieces;
}

OverlaySurface::Redraw OverlaySurface::RedrawDimming(const Rect& frame) {
    if (surface_.empty()) return {};
    Redraw r;
    // Asked before Update, which makes every later frame known.
    const bool firstFrame = !tracker_.known();
    r.before = tracker_.shownClear();
    r.drawn = tracker_.dirty();
    const Rect clear = ClearArea(frame, size());
    r.after = clear;
    r.areas = tracker_.Update(clear);
    // The marks are wiped with the darkening redrawn over them.
    if (!r.drawn.empty()) marks_.Clear();
    // GDI may still be writing into the DIB (BitBlt, GDI+ drawing) — settle it
    // before the pixels are touched directly.
    ::GdiFlush();
    if (dimmed_.empty() && firstFrame) {
        // The first frame: darken straight from the frozen screen, one pass,
        // its lower half on a second core (the whole screen at 4K is about
        // 10 ms on one).
        const PixelPlane to = surface_.plane(), from = frozenScreen_.plane();
        const int half = to.height / 2;
        const Rect lowerClear{clear.left, clear.top - half, clear.width, clear.height};
        HelperThread lower;
        lower.Start([&] { ComposeDimmedFrom(Rows(to, half, to.height), Rows(from, half, to.height), lowerClear); });
        ComposeDimmedFrom(Rows(to, 0, half), Rows(from, 0, half), clear);
        lower.Join();
    } else {
        PrepareRedraws();
        if (dimmed_.empty()) return r;
        ComposeDimmed(surface_.plane(), frozenScreen_.plane(), dimmed_.plane(), clear, r.areas);
    }
    return r;
}

}  // namespace vellumo::win
