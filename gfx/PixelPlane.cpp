#include "gfx/PixelPlane.h"

#include <cstring>

namespace vellumo {

void CopyArea(const PixelPlane& to, const PixelPlane& from, const Rect& area) {
    if (!to.bits || !from.bits) return;
    // In from's coordinates: inside from, and inside `to` once shifted there.
    const Rect target{area.left, area.top, to.width, to.height};
    const Rect part = Intersect(Intersect(area, Rect{0, 0, from.width, from.height}), target);
    if (part.empty()) return;
    const std::size_t bytes = std::size_t(part.width) * 4;
    for (int y = part.top; y < part.bottom(); ++y)
        std::memcpy(to.row(y - area.top) + (part.left - area.left), from.row(y) + part.left, bytes);
}

}  // namespace vellumo
