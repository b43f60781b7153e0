#include "annotate/Erase.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace vellumo {

namespace {

// dst moved towards src by `cover` of 256, every byte alike.
std::uint32_t Blend(std::uint32_t dst, std::uint32_t src, std::uint32_t cover) {
    const std::uint32_t keep = 256 - cover;
    const std::uint32_t rb = (((src & 0x00FF00FFu) * cover + (dst & 0x00FF00FFu) * keep) >> 8) & 0x00FF00FFu;
    const std::uint32_t ga = ((((src >> 8) & 0x00FF00FFu) * cover + ((dst >> 8) & 0x00FF00FFu) * keep)) & 0xFF00FF00u;
    return rb | ga;
}

// Every pixel of `box` (within clip and the planes) whose centre lies within
// half a pixel of the pen's edge or inside it; `distance2` gives the square
// of a pixel centre's distance from the pen's middle line (or point), so
// only the edge's pixels need a root.
template <typename Distance2>
Rect Paint(const PixelPlane& surface, const PixelPlane& clean, Rect box, double radius, const Rect& clip,
           Distance2 distance2) {
    box = Intersect(Intersect(box, clip), Rect{0, 0, std::min(surface.width, clean.width),
                                               std::min(surface.height, clean.height)});
    if (box.empty() || radius <= 0) return {};
    const double outer2 = (radius + 0.5) * (radius + 0.5);
    const double inner2 = radius > 0.5 ? (radius - 0.5) * (radius - 0.5) : -1;
    for (int y = box.top; y < box.bottom(); ++y) {
        std::uint32_t* out = surface.row(y);
        const std::uint32_t* in = clean.row(y);
        for (int x = box.left; x < box.right(); ++x) {
            const double d2 = distance2(x, y);
            if (d2 >= outer2) continue;
            if (d2 <= inner2) {
                out[x] = in[x];
                continue;
            }
            const double cover = std::min(radius + 0.5 - std::sqrt(d2), 1.0);
            out[x] = Blend(out[x], in[x], static_cast<std::uint32_t>(cover * 256));
        }
    }
    return box;
}

Rect Around(double l, double t, double r, double b) {
    const int left = static_cast<int>(std::floor(l)), top = static_cast<int>(std::floor(t));
    return Rect::fromEdges(left, top, static_cast<int>(std::ceil(r)) + 1, static_cast<int>(std::ceil(b)) + 1);
}

}  // namespace

Rect EraseDab(const PixelPlane& surface, const PixelPlane& clean, double cx, double cy, double diameter,
              const Rect& clip) {
    const double r = diameter / 2, reach = r + 0.5;
    return Paint(surface, clean, Around(cx - reach, cy - reach, cx + reach, cy + reach), r, clip,
          [&](int x, int y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy); });
}

Rect EraseSegment(const PixelPlane& surface, const PixelPlane& clean, Point from, Point to, double width,
                  const Rect& clip) {
    const double r = width / 2, reach = r + 0.5;
    const double dx = to.x - from.x, dy = to.y - from.y, length2 = dx * dx + dy * dy;
    return Paint(surface, clean,
          Around(std::min(from.x, to.x) - reach, std::min(from.y, to.y) - reach, std::max(from.x, to.x) + reach,
                 std::max(from.y, to.y) + reach),
          r, clip, [&](int x, int y) {
              const double px = x - from.x, py = y - from.y;
              const double t = length2 > 0 ? std::clamp((px * dx + py * dy) / length2, 0.0, 1.0) : 0.0;
              const double ex = px - t * dx, ey = py - t * dy;
              return ex * ex + ey * ey;
          });
}

}  // namespace vellumo
