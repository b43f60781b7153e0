#include "annotate/Erase.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace vellumo {
namespace {

// Two planes of one size, each row padded so a mix-up of width and stride
// shows: the marked surface and the clean screen, every byte varying.
struct Planes {
    int width, height;
    std::ptrdiff_t stride;
    std::vector<std::uint32_t> surface, clean;
    Planes(int w, int h) : width(w), height(h), stride(w + 5), surface(std::size_t(h) * (w + 5)), clean(surface.size()) {
        std::mt19937 rng(5);
        for (auto& p : surface) p = rng();
        for (auto& p : clean) p = rng();
    }
    PixelPlane plane(std::vector<std::uint32_t>& v) { return {v.data(), width, height, stride}; }
    std::uint32_t at(const std::vector<std::uint32_t>& v, int x, int y) const { return v[std::size_t(y * stride + x)]; }
};

double DistanceToSegment(double x, double y, Point a, Point b) {
    const double dx = b.x - a.x, dy = b.y - a.y, l2 = dx * dx + dy * dy;
    const double t = l2 > 0 ? std::clamp(((x - a.x) * dx + (y - a.y) * dy) / l2, 0.0, 1.0) : 0.0;
    return std::hypot(x - a.x - t * dx, y - a.y - t * dy);
}

bool Between(std::uint32_t v, std::uint32_t a, std::uint32_t b) {
    for (int shift = 0; shift < 32; shift += 8) {
        const int c = int(v >> shift & 255), lo = std::min(int(a >> shift & 255), int(b >> shift & 255)),
                  hi = std::max(int(a >> shift & 255), int(b >> shift & 255));
        if (c < lo || c > hi) return false;
    }
    return true;
}

// Inside the pen the clean pixel exactly; beyond its anti-aliased edge the
// surface untouched; on the edge a blend of the two, byte by byte. Strokes in
// every direction, a dot (from == to), widths odd and even, thin and wide.
TEST(Erase, SegmentsCopyTheCleanScreenInsideAndBlendOnlyTheirEdge) {
    const struct {
        Point from, to;
        double width;
    } strokes[] = {{{20, 30}, {180, 30}, 5},  {{150, 20}, {30, 110}, 40}, {{60, 60}, {60, 61}, 1},
                   {{100, 70}, {100, 70}, 12}, {{10, 115}, {190, 5}, 8.5}};
    for (const auto& s : strokes) {
        Planes p(200, 120);
        const auto before = p.surface;
        const Rect all{0, 0, p.width, p.height};
        const Rect drawn = EraseSegment(p.plane(p.surface), p.plane(p.clean), s.from, s.to, s.width, all);
        int inside = 0;
        for (int y = 0; y < p.height; ++y)
            for (int x = 0; x < p.width; ++x) {
                const double d = DistanceToSegment(x, y, s.from, s.to), r = s.width / 2;
                const std::uint32_t now = p.at(p.surface, x, y);
                if (now != p.at(before, x, y)) ASSERT_TRUE(drawn.contains({x, y})) << "changed outside the box it gave";
                if (d <= r - 0.5) {
                    ASSERT_EQ(now, p.at(p.clean, x, y)) << "inside at " << x << "," << y << " width " << s.width;
                    ++inside;
                } else if (d >= r + 0.5) {
                    ASSERT_EQ(now, p.at(before, x, y)) << "outside at " << x << "," << y << " width " << s.width;
                } else {
                    ASSERT_TRUE(Between(now, p.at(before, x, y), p.at(p.clean, x, y))) << "edge at " << x << "," << y;
                }
            }
        EXPECT_GT(inside, 0);
    }
}

// The selection's frame and the planes' edges bound every write, however far
// the stroke reaches past them.
TEST(Erase, NothingOutsideTheClipOrThePlanesChanges) {
    Planes p(64, 48);
    const auto before = p.surface;
    const Rect clip{10, 8, 30, 20};
    EraseSegment(p.plane(p.surface), p.plane(p.clean), {-40, -30}, {120, 90}, 30, clip);
    EraseDab(p.plane(p.surface), p.plane(p.clean), 63.5, 47.5, 40, {0, 0, 200, 200});
    EraseDab(p.plane(p.surface), p.plane(p.clean), 30, 20, 0, {0, 0, 64, 48});
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            const bool inClip = clip.contains({x, y});
            const bool nearCorner = std::hypot(x - 63.5, y - 47.5) < 20.5;
            if (!inClip && !nearCorner) ASSERT_EQ(p.at(p.surface, x, y), p.at(before, x, y)) << x << "," << y;
        }
    EXPECT_EQ(p.at(p.surface, 20, 15), p.at(p.clean, 20, 15)) << "the stroke's middle, inside the clip";
    EXPECT_EQ(p.at(p.surface, 63, 47), p.at(p.clean, 63, 47)) << "the dab at the corner";
    // The padding past each row's end is never written.
    for (int y = 0; y < p.height; ++y)
        for (std::ptrdiff_t x = p.width; x < p.stride; ++x)
            ASSERT_EQ(p.surface[std::size_t(y * p.stride + x)], before[std::size_t(y * p.stride + x)]);
}

}  // namespace
}  // namespace vellumo
