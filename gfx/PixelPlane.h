// A view of 32-bit pixels that the portable core can read and write without
// knowing what owns them (a DIB section, a test's vector).
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "gfx/Geometry.h"

namespace vellumo {

// A 32-bit top-down pixel buffer; stride counted in pixels.
struct PixelPlane {
    std::uint32_t* bits = nullptr;
    int width = 0;
    int height = 0;
    std::ptrdiff_t stride = 0;
    std::uint32_t* row(int y) const { return bits + y * stride; }
};

// Pixels handed from one owner to another with no copy: rows top-down,
// `width` apart, alive while `bits` is.
struct SharedPixels {
    std::shared_ptr<const std::uint32_t> bits;
    int width = 0;
    int height = 0;
};

// Asks the processor to bring the cache line at `p` in for reading, where
// the hardware would not fetch it ahead on its own (a new page each row).
inline void Prefetch(const void* p) {
#if defined(__GNUC__)
    __builtin_prefetch(p);
#else
    (void)p;
#endif
}

// Rows [top, bottom) of `p` as a plane of their own, clamped to p's rows.
inline PixelPlane Rows(const PixelPlane& p, int top, int bottom) {
    top = std::clamp(top, 0, p.height);
    bottom = std::clamp(bottom, top, p.height);
    return {p.bits ? p.row(top) : nullptr, p.width, bottom - top, p.stride};
}

// Copies `area` of `from` to `to`, the area's top-left landing at to's (0,0):
// what lies outside either plane is left out, and `to` keeps its pixels there.
void CopyArea(const PixelPlane& to, const PixelPlane& from, const Rect& area);

}  // namespace vellumo
