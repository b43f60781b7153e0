#include "overlay/Dimming.h"

#include <algorithm>
#include <cstring>

namespace vellumo {

Rect ClearArea(const Rect& frame, Size screen) {
    if (frame.width <= 0 || frame.height <= 0) return {0, 0, 0, 0};
    const Rect r = Intersect(frame, Rect{0, 0, screen.width, screen.height});
    return r.empty() ? Rect{0, 0, 0, 0} : r;
}

void DimPixels(const std::uint32_t* src, std::uint32_t* dst, std::size_t count) {
    // Byte-wise over the whole buffer so the compiler can vectorise it; the
    // alpha byte is dimmed too, which is harmless for an opaque surface.
    const auto* s = reinterpret_cast<const std::uint8_t*>(src);
    auto* d = reinterpret_cast<std::uint8_t*>(dst);
    const std::size_t n = count * 4;
    for (std::size_t i = 0; i < n; ++i) d[i] = DimChannel(s[i]);
}

void ComposeDimmed(const PixelPlane& dst, const PixelPlane& clean, const PixelPlane& dimmed,
                   const Rect& clear, const Rect& area) {
    const Rect a = Intersect(area, Rect{0, 0, dst.width, dst.height});
    if (a.empty()) return;
    const Rect c = clear.empty() ? Rect{0, 0, 0, 0} : Intersect(clear, a);
    auto copy = [&](const PixelPlane& from, int y, int x0, int x1) {
        if (x1 > x0) std::memcpy(dst.row(y) + x0, from.row(y) + x0, std::size_t(x1 - x0) * 4);
    };
    for (int y = a.top; y < a.bottom(); ++y) {
        if (c.empty() || y < c.top || y >= c.bottom()) {
            copy(dimmed, y, a.left, a.right());
        } else {
            copy(dimmed, y, a.left, c.left);
            copy(clean, y, c.left, c.right());
            copy(dimmed, y, c.right(), a.right());
        }
    }
}

void ComposeDimmedFrom(const PixelPlane& dst, const PixelPlane& clean, const Rect& clear) {
    const Rect c = clear.empty() ? Rect{0, 0, 0, 0} : Intersect(clear, Rect{0, 0, dst.width, dst.height});
    for (int y = 0; y < dst.height; ++y) {
        std::uint32_t* d = dst.row(y);
        const std::uint32_t* s = clean.row(y);
        if (c.empty() || y < c.top || y >= c.bottom()) {
            DimPixels(s, d, std::size_t(dst.width));
        } else {
            DimPixels(s, d, std::size_t(c.left));
            std::memcpy(d + c.left, s + c.left, std::size_t(c.width) * 4);
            DimPixels(s + c.right(), d + c.right(), std::size_t(dst.width - c.right()));
        }
    }
}

DimTracker::DimTracker(Size screen) : screen_(screen) {}

void DimTracker::ResetToClean() {
    known_ = true;
    shown_ = {0, 0, screen_.width, screen_.height};
    dirty_ = {};
}

void DimTracker::MarkDirty(const Rect& r) { dirty_ = Union(dirty_, r); }

DimTracker::Areas DimTracker::Update(const Rect& newClear) {
    const Rect screen{0, 0, screen_.width, screen_.height};
    Areas out{};
    if (!known_) {
        out[0] = screen;
    } else if (!(newClear == shown_)) {
        // Only pixels inside the old or the new clear area change look.
        out[0] = Intersect(shown_, screen);
        out[1] = Intersect(newClear, screen);
    }
    out[2] = Intersect(dirty_, screen);
    known_ = true;
    shown_ = newClear;
    dirty_ = {};
    return out;
}

}  // namespace vellumo
