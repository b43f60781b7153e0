// A stroke of one colour at one opacity, painted segment by segment on a
// pixel plane: how much of each pixel the stroke covers so far is kept, with
// the pixel as it was before the stroke, so a segment crossing earlier ones
// raises the coverage instead of painting over them again. A highlighter
// crossing itself therefore shows one opacity, and a pen's joins are round
// with no gaps however far apart the pointer's points are.
//
// The memory is in 64 x 64 tiles made where the stroke passes: a long stroke
// costs its area, not its number of points.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "gfx/Geometry.h"
#include "gfx/PixelPlane.h"

namespace vellumo {

class CoverageStroke {
public:
    // A stroke on `surface`, painted only inside `clip`, in `bgr`
    // (0x00BBGGRR) at `alpha` (0..255).
    void Begin(const PixelPlane& surface, const Rect& clip, std::uint32_t bgr, int alpha);
    // A segment `width` wide with round ends between two pixel centres
    // (a == b: a dot). Returns the box of pixels it may have changed.
    Rect Segment(Point a, Point b, double width);
    // The box a segment may touch, before it is painted.
    static Rect SegmentBounds(Point a, Point b, double width);
    void End();
    bool active() const { return active_; }
    // The memory the stroke holds now.
    std::size_t BytesHeld() const;

private:
    static constexpr int kTile = 64;
    struct Tile {
        std::uint32_t under[kTile * kTile];
        std::uint8_t cover[kTile * kTile];
    };
    Tile* TileAt(int tx, int ty);

    PixelPlane surface_{};
    Rect clip_{};
    std::uint32_t colour_ = 0;  // as the plane holds it (0x00RRGGBB)
    int alpha_ = 255;
    int tilesWide_ = 0;
    std::vector<std::unique_ptr<Tile>> tiles_;
    std::size_t tileCount_ = 0;
    bool active_ = false;
};

// The plane's pixel (0x00RRGGBB) for a 0x00BBGGRR colour.
constexpr std::uint32_t PixelOf(std::uint32_t bgr) {
    return (bgr & 0xFFu) << 16 | (bgr & 0xFF00u) | (bgr >> 16 & 0xFFu);
}
// dst moved towards src by `weight` of 255, per byte; the high byte kept from dst.
std::uint32_t BlendPixel(std::uint32_t dst, std::uint32_t src, int weight);

}  // namespace vellumo
