#include "overlay/Surface_win.h"

#include <cstring>

namespace vellumo::win {

bool OverlaySurface::Freeze(int width, int height) {
    if (!GrabScreen(picB_, width, height)) {
        Release();
        return false;
    }
    return PrepareFromPicB();
}

bool OverlaySurface::FreezeFrom(const Dib& screen) {
    if (!picB_.Create(screen.width(), screen.height())) return false;
    std::memcpy(picB_.bits(), screen.bits(), std::size_t(screen.width()) * screen.height() * 4);
    return PrepareFromPicB();
}

bool OverlaySurface::PrepareFromPicB() {
    const int w = picB_.width(), h = picB_.height();
    if (!dimmed_.Create(w, h) || !surface_.Create(w, h)) {
        Release();
        return false;
    }
    const std::size_t n = std::size_t(w) * h;
    DimPixels(picB_.bits(), dimmed_.bits(), n);
    std::memcpy(surface_.bits(), picB_.bits(), n * 4);
    tracker_ = DimTracker({w, h});
    return true;
}

void OverlaySurface::Release() {
    picB_.Clear();
    dimmed_.Clear();
    surface_.Clear();
    tracker_ = DimTracker({0, 0});
}

OverlaySurface::Redraw OverlaySurface::DrawAlphaClip(const Rect& frame) {
    if (surface_.empty()) return {};
    Redraw r;
    r.before = tracker_.shownClear();
    r.drawn = tracker_.dirty();
    const Rect clear = ClearArea(frame, size());
    r.after = clear;
    const Rect area = tracker_.Update(clear);
    r.area = area;
    // GDI may still be writing into the DIB (BitBlt, GDI+ drawing) — settle it
    // before the pixels are touched directly.
    ::GdiFlush();
    ComposeDimmed(surface_.plane(), picB_.plane(), dimmed_.plane(), clear, area);
    return r;
}

}  // namespace vellumo::win
