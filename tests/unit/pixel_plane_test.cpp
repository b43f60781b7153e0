#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "gfx/PixelPlane.h"
#include "overlay/Dimming.h"

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

namespace vellumo {
namespace {

TEST(Rows, ClampsToThePlaneAndKeepsTheStride) {
    Numbered p(6, 10, 2);
    const PixelPlane mid = Rows(p.plane, 3, 7);
    EXPECT_EQ(mid.height, 4);
    EXPECT_EQ(mid.stride, 8);
    EXPECT_EQ(mid.row(0)[5], 3005u);
    EXPECT_EQ(mid.row(3)[0], 6000u);
    EXPECT_EQ(Rows(p.plane, -5, 2).height, 2);
    EXPECT_EQ(Rows(p.plane, 8, 50).height, 2);
    EXPECT_EQ(Rows(p.plane, 7, 3).height, 0);
    EXPECT_EQ(Rows(p.plane, 12, 14).height, 0);
}

// A first frame darkened in two bands of rows, the clear area shifted into
// the lower band's coordinates, is the one-pass frame, wherever the clear
// area lies against the split.
TEST(Rows, DarkeningInTwoBandsEqualsOnePass) {
    const Rect clears[] = {{2, 1, 5, 3}, {2, 3, 5, 4}, {0, 5, 9, 2}, {1, 4, 3, 1}, {0, 0, 9, 8}, {}, {3, -2, 4, 20}};
    for (const Rect& clear : clears) {
        SCOPED_TRACE(testing::Message() << clear.left << "," << clear.top << " " << clear.width << "x" << clear.height);
        const Numbered from(9, 8, 1);
        Filled whole(9, 8, 1), banded(9, 8, 1);
        ComposeDimmedFrom(whole.plane, from.plane, clear);
        const int half = 4;
        ComposeDimmedFrom(Rows(banded.plane, 0, half), Rows(from.plane, 0, half), clear);
        ComposeDimmedFrom(Rows(banded.plane, half, 8), Rows(from.plane, half, 8),
                          {clear.left, clear.top - half, clear.width, clear.height});
        EXPECT_EQ(banded.px, whole.px);
    }
}

}  // namespace
}  // namespace vellumo
