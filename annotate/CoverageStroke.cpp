#include "annotate/CoverageStroke.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace vellumo {

std::uint32_t BlendPixel(std::uint32_t dst, std::uint32_t src, int weight) {
    const std::uint32_t w = static_cast<std::uint32_t>(std::clamp(weight, 0, 255));
    const auto ch = [&](int shift) {
        const std::uint32_t d = dst >> shift & 0xFFu, s = src >> shift & 0xFFu;
        return ((s * w + d * (255 - w) + 127) / 255) << shift;
    };
    return (dst & 0xFF000000u) | ch(16) | ch(8) | ch(0);
}

void CoverageStroke::Begin(const PixelPlane& surface, const Rect& clip, std::uint32_t bgr, int alpha) {
    End();
    surface_ = surface;
    clip_ = Intersect(clip, Rect{0, 0, surface.width, surface.height});
    colour_ = PixelOf(bgr);
    alpha_ = std::clamp(alpha, 0, 255);
    tilesWide_ = (clip_.width + kTile - 1) / kTile;
    const int tilesHigh = (clip_.height + kTile - 1) / kTile;
    tiles_.clear();
    if (!clip_.empty() && surface.bits) tiles_.resize(static_cast<std::size_t>(tilesWide_) * tilesHigh);
    active_ = true;
}

void CoverageStroke::End() {
    tiles_.clear();
    tiles_.shrink_to_fit();
    tileCount_ = 0;
    active_ = false;
}

std::size_t CoverageStroke::BytesHeld() const {
    return tileCount_ * sizeof(Tile) + tiles_.capacity() * sizeof(tiles_[0]);
}

CoverageStroke::Tile* CoverageStroke::TileAt(int tx, int ty) {
    std::unique_ptr<Tile>& slot = tiles_[static_cast<std::size_t>(ty) * tilesWide_ + tx];
    if (slot) return slot.get();
    slot.reset(new (std::nothrow) Tile);
    if (!slot) return nullptr;  // no memory: this part of the stroke is left out
    ++tileCount_;
    // The pixels as they are before the stroke reaches them.
    const int x0 = clip_.left + tx * kTile, y0 = clip_.top + ty * kTile;
    const int w = std::min(kTile, clip_.right() - x0), h = std::min(kTile, clip_.bottom() - y0);
    for (int y = 0; y < h; ++y) {
        std::copy_n(surface_.row(y0 + y) + x0, w, slot->under + y * kTile);
        std::fill_n(slot->cover + y * kTile, kTile, std::uint8_t{0});
    }
    return slot.get();
}

Rect CoverageStroke::SegmentBounds(Point a, Point b, double width) {
    const int reach = static_cast<int>(std::ceil(std::max(width, 0.0) / 2 + 1));
    return Rect::fromEdges(std::min(a.x, b.x) - reach, std::min(a.y, b.y) - reach, std::max(a.x, b.x) + reach + 1,
                           std::max(a.y, b.y) + reach + 1);
}

Rect CoverageStroke::Segment(Point a, Point b, double width) {
    if (!active_ || tiles_.empty() || width <= 0) return {};
    const Rect box = Intersect(SegmentBounds(a, b, width), clip_);
    if (box.empty()) return {};
    const double r = width / 2;
    const double dx = b.x - a.x, dy = b.y - a.y, length2 = dx * dx + dy * dy;
    const double outer2 = (r + 0.5) * (r + 0.5), inner2 = r > 0.5 ? (r - 0.5) * (r - 0.5) : -1;
    for (int y = box.top; y < box.bottom(); ++y) {
        std::uint32_t* out = surface_.row(y);
        const int ty = (y - clip_.top) / kTile, iy = (y - clip_.top) % kTile;
        for (int x = box.left; x < box.right(); ++x) {
            const double px = x - a.x, py = y - a.y;
            const double t = length2 > 0 ? std::clamp((px * dx + py * dy) / length2, 0.0, 1.0) : 0.0;
            const double ex = px - t * dx, ey = py - t * dy, d2 = ex * ex + ey * ey;
            if (d2 >= outer2) continue;
            const int cover = d2 <= inner2 ? 255
                                           : static_cast<int>(std::lround(
                                                 std::clamp(r + 0.5 - std::sqrt(d2), 0.0, 1.0) * 255));
            if (cover == 0) continue;
            Tile* tile = TileAt((x - clip_.left) / kTile, ty);
            if (!tile) continue;
            const int at = iy * kTile + (x - clip_.left) % kTile;
            if (cover <= tile->cover[at]) continue;
            tile->cover[at] = static_cast<std::uint8_t>(cover);
            out[x] = BlendPixel(tile->under[at], colour_, (cover * alpha_ + 127) / 255);
        }
    }
    return box;
}

}  // namespace vellumo
