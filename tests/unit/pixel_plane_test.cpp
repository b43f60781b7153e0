#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "gfx/PixelPlane.h"

namespace vellumo {
namespace {

// A plane whose pixel (x, y) holds y * 1000 + x, with `pad` unused pixels per row.
struct Numbered {
    std::vector<std::uint32_t> px;
    PixelPlane plane;
    Numbered(int w, int h, int pad = 0) : px(std::size_t(w + pad) * h) {
        plane = {px.data(), w, h, w + pad};
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w + pad; ++x) plane.row(y)[x] = std::uint32_t(y * 1000 + x);
    }
};

constexpr std::uint32_t kUntouched = 0xDEADBEEF;

struct Filled {
    std::vector<std::uint32_t> px;
    PixelPlane plane;
    Filled(int w, int h, int pad = 0) : px(std::size_t(w + pad) * h, kUntouched) { plane = {px.data(), w, h, w + pad}; }
};

// Each pixel of `to` either came from from's (x + area.left, y + area.top)
// inside `from`, or is untouched where that point lies outside it; padding
// stays untouched always.
void ExpectCopied(const Filled& to, const Rect& area, int fromW, int fromH) {
    for (int y = 0; y < to.plane.height; ++y) {
        for (int x = 0; x < to.plane.width; ++x) {
            const int sx = x + area.left, sy = y + area.top;
            const bool inside = sx >= 0 && sy >= 0 && sx < fromW && sy < fromH && x < area.width && y < area.height;
            const std::uint32_t want = inside ? std::uint32_t(sy * 1000 + sx) : kUntouched;
            ASSERT_EQ(to.plane.row(y)[x], want) << "at " << x << "," << y;
        }
        for (std::ptrdiff_t x = to.plane.width; x < to.plane.stride; ++x) ASSERT_EQ(to.plane.row(y)[x], kUntouched);
    }
}

TEST(CopyArea, TakesTheAreaAndOnlyWhatLiesOnBothPlanes) {
    struct Case {
        const char* what;
        Rect area;
        Size to;
    };
    const Case cases[] = {
        {"inside", {3, 2, 5, 4}, {5, 4}},
        {"at the origin", {0, 0, 5, 4}, {5, 4}},
        {"the whole source", {0, 0, 20, 10}, {20, 10}},
        {"on the right and bottom edges", {15, 6, 5, 4}, {5, 4}},
        {"one past the right edge", {16, 2, 5, 4}, {5, 4}},
        {"past the bottom", {2, 8, 5, 4}, {5, 4}},
        {"starting left of and above the source", {-2, -1, 5, 4}, {5, 4}},
        {"wholly outside", {25, 2, 5, 4}, {5, 4}},
        {"a target smaller than the area", {1, 1, 8, 8}, {4, 3}},
        {"a target larger than the area", {1, 1, 3, 2}, {6, 5}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Numbered from(20, 10, 3);
        Filled to(c.to.width, c.to.height, 2);
        CopyArea(to.plane, from.plane, c.area);
        ExpectCopied(to, c.area, 20, 10);
    }
}

TEST(CopyArea, NullPlanesAreLeftAlone) {
    Filled to(4, 4);
    CopyArea(to.plane, PixelPlane{}, {0, 0, 4, 4});
    for (std::uint32_t p : to.px) EXPECT_EQ(p, kUntouched);
    const Numbered from(4, 4);
    CopyArea(PixelPlane{}, from.plane, {0, 0, 4, 4});  // must not crash
}

}  // namespace
}  // namespace vellumo
