#include "overlay/Surface_win.h"

#include <cstring>

namespace vellumo::win {

bool OverlaySurface::Freeze(int width, int height) {
    if (!GrabScreen(picB_, width, height)) {
        Release();
        return false;
    }
    return AllocateFromPicB();
}

bool OverlaySurface::FreezeFrom(const Dib& screen) {
    if (!picB_.Create(screen.width(), screen.height())) return false;
    std::memcpy(picB_.bits(), screen.bits(), std::size_t(screen.width()) * screen.height() * 4);
    return AllocateFromPicB();
}

bool OverlaySurface::AllocateFromPicB() {
    const int w = picB_.width(), h = picB_.height();
    if (!surface_.Create(w, h)) {
        Release();
        return false;
    }
    tracker_ = DimTracker({w, h});
    return true;
}

void OverlaySurface::PrepareRedraws() {
    if (picB_.empty() || !dimmed_.empty()) return;
    if (!dimmed_.Create(picB_.width(), picB_.height())) return;
    ::GdiFlush();
    DimPixels(picB_.bits(), dimmed_.bits(), std::size_t(picB_.width()) * picB_.height());
}

void OverlaySurface::EnsureDrawn() {
    if (surface_.empty() || tracker_.known()) return;
    std::memcpy(surface_.bits(), picB_.bits(), std::size_t(surface_.width()) * surface_.height() * 4);
    tracker_.ResetToClean();
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
    r.areas = tracker_.Update(clear);
    // GDI may still be writing into the DIB (BitBlt, GDI+ drawing) — settle it
    // before the pixels are touched directly.
    ::GdiFlush();
    if (dimmed_.empty() && !tracker_.known()) {
        // The first frame: darken straight from the frozen screen, one pass.
        ComposeDimmedFrom(surface_.plane(), picB_.plane(), clear);
    } else {
        PrepareRedraws();
        if (dimmed_.empty()) return r;
        ComposeDimmed(surface_.plane(), picB_.plane(), dimmed_.plane(), clear, r.areas);
    }
    return r;
}

}  // namespace vellumo::win
