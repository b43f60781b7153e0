#include "overlay/Dimming.h"

#include <gtest/gtest.h>

#include <vector>

namespace vellumo {
namespace {

constexpr Size kScreen{40, 30};

TEST(ClearArea, IsTheFramesVisiblePart) {
    struct Case {
        Rect frame, expected;
    } cases[] = {
        {{5, 5, 10, 10}, {5, 5, 10, 10}},
        {{-2, -2, 12, 12}, {0, 0, 10, 10}},     // off the top-left: the frame's right edge stays at 10
        {{35, 25, 20, 20}, {35, 25, 5, 5}},     // beyond right and bottom: no band there
        {{-10, -10, 100, 100}, {0, 0, 40, 30}},
        {{0, -20, 10, 10}, {0, 0, 0, 0}},       // entirely above the screen
        {{50, 5, 10, 10}, {0, 0, 0, 0}},        // entirely right of it
        {{5, 5, 0, 10}, {0, 0, 0, 0}},          // zero width
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ClearArea(c.frame, kScreen), c.expected)
            << c.frame.left << "," << c.frame.top << " " << c.frame.width << "x" << c.frame.height;
    }
}

TEST(DimChannel, IsBlackAtAlpha170Rounded) {
    EXPECT_EQ(DimChannel(0), 0);
    EXPECT_EQ(DimChannel(255), 85);
    EXPECT_EQ(DimChannel(1), 0);    // 0.33
    EXPECT_EQ(DimChannel(2), 1);    // 0.67
    EXPECT_EQ(DimChannel(128), 43); // 42.67
    EXPECT_EQ(DimChannel(192), 64);
    for (std::uint32_t c = 0; c < 256; ++c) {
        const double exact = c * 85.0 / 255.0;
        EXPECT_NEAR(DimChannel(c), exact, 0.5) << c;
    }
}

TEST(DimPixels, DimsEachChannelOnItsOwnInAnyBufferLength) {
    // Lengths around a vector register's width, so both the vectorised body
    // and the tail are reached; nothing past `count` is written.
    for (std::size_t count : {1u, 3u, 4u, 5u, 15u, 16u, 17u, 33u}) {
        std::vector<std::uint32_t> src(count), dst(count + 1, 0xA5A5A5A5u);
        for (std::size_t i = 0; i < count; ++i) src[i] = 0x01000000u * std::uint32_t(i * 37 % 256) | (0x00FF8000u + i);
        DimPixels(src.data(), dst.data(), count);
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint32_t p = src[i], d = dst[i];
            EXPECT_EQ(d & 255, DimChannel(p & 255)) << count << ":" << i;
            EXPECT_EQ((d >> 8) & 255, DimChannel((p >> 8) & 255)) << count << ":" << i;
            EXPECT_EQ((d >> 16) & 255, DimChannel((p >> 16) & 255)) << count << ":" << i;
        }
        EXPECT_EQ(dst[count], 0xA5A5A5A5u) << "written past " << count;
    }
}

// Three planes of the test screen size: clean, dimmed and the surface.
struct Planes {
    std::vector<std::uint32_t> clean, dimmed, surface;
    Planes() : clean(kScreen.width * kScreen.height), dimmed(clean.size()), surface(clean.size(), 0xDEADBEEFu) {
        for (std::size_t i = 0; i < clean.size(); ++i) clean[i] = 0x00010101u * (i % 200) + 0x00102030u;
        DimPixels(clean.data(), dimmed.data(), clean.size());
    }
    PixelPlane plane(std::vector<std::uint32_t>& v) { return {v.data(), kScreen.width, kScreen.height, kScreen.width}; }
    std::uint32_t at(int x, int y) const { return surface[y * kScreen.width + x]; }
    // Surface equals the expected dimming for this clear area everywhere.
    ::testing::AssertionResult Shows(const Rect& clear) const {
        for (int y = 0; y < kScreen.height; ++y)
            for (int x = 0; x < kScreen.width; ++x) {
                const std::size_t i = y * kScreen.width + x;
                const std::uint32_t want = clear.contains({x, y}) ? clean[i] : dimmed[i];
                if (surface[i] != want) return ::testing::AssertionFailure() << "pixel " << x << "," << y;
            }
        return ::testing::AssertionSuccess();
    }
};

TEST(ComposeDimmed, RewritesOnlyTheGivenArea) {
    Planes p;
    ComposeDimmed(p.plane(p.surface), p.plane(p.clean), p.plane(p.dimmed), {10, 10, 5, 5}, {8, 8, 10, 10});
    EXPECT_EQ(p.at(7, 8), 0xDEADBEEFu);
    EXPECT_EQ(p.at(18, 8), 0xDEADBEEFu);
    EXPECT_EQ(p.at(8, 8), p.dimmed[8 * kScreen.width + 8]);
    EXPECT_EQ(p.at(10, 10), p.clean[10 * kScreen.width + 10]);
    EXPECT_EQ(p.at(14, 14), p.clean[14 * kScreen.width + 14]);
    EXPECT_EQ(p.at(15, 14), p.dimmed[14 * kScreen.width + 15]);
    // An area reaching off the planes is clipped, not overrun.
    ComposeDimmed(p.plane(p.surface), p.plane(p.clean), p.plane(p.dimmed), {0, 0, 0, 0}, {-5, -5, 100, 100});
    EXPECT_TRUE(p.Shows({0, 0, 0, 0}));
}

TEST(ComposeDimmedFrom, FirstFrameDarkensStraightFromTheCleanScreen) {
    const Rect clears[] = {{5, 5, 10, 10}, {0, 0, 0, 0}, {0, 0, 40, 30}, {-3, 20, 10, 20}, {39, 0, 1, 1}};
    for (const Rect& clear : clears) {
        Planes p;
        ComposeDimmedFrom(p.plane(p.surface), p.plane(p.clean), ClearArea(clear, kScreen));
        EXPECT_TRUE(p.Shows(ClearArea(clear, kScreen))) << clear.left << "," << clear.top;
    }
}

TEST(DimTracker, IncrementalRedrawsMatchAFullRedraw) {
    Planes p;
    DimTracker t(kScreen);  // the surface holds garbage until the first redraw
    const Rect frames[] = {{5, 5, 10, 10}, {6, 5, 10, 10}, {20, 15, 30, 30}, {20, 15, 30, 30},
                           {-5, -5, 8, 8}, {0, -20, 5, 5},  {2, 2, 36, 26},  {0, 0, 40, 30},
                           {10, 10, 0, 0}, {3, 4, 5, 6}};
    for (const Rect& f : frames) {
        const Rect clear = ClearArea(f, kScreen);
        ComposeDimmed(p.plane(p.surface), p.plane(p.clean), p.plane(p.dimmed), clear, t.Update(clear));
        ASSERT_TRUE(p.Shows(clear)) << "after frame " << f.left << "," << f.top << " " << f.width << "x"
                                    << f.height;
    }
}

TEST(DimTracker, RewritesOnlyTheOldAndNewClearAreasAndDrawings) {
    using Areas = DimTracker::Areas;
    const Rect none{};
    DimTracker t(kScreen);
    EXPECT_FALSE(t.known());
    EXPECT_EQ(t.Update({5, 5, 10, 10}), (Areas{Rect{0, 0, 40, 30}, none, none}))
        << "first redraw writes the whole screen";
    EXPECT_TRUE(t.known());
    EXPECT_EQ(t.Update({5, 5, 10, 10}), (Areas{none, none, none})) << "same frame: nothing";
    t.MarkDirty({7, 7, 2, 2});
    t.MarkDirty({30, 1, 2, 2});
    EXPECT_EQ(t.Update({5, 5, 10, 10}), (Areas{none, none, Rect{7, 1, 25, 8}}));
    // Distant windows: two small areas, not the box around both.
    EXPECT_EQ(t.Update({30, 20, 5, 5}), (Areas{Rect{5, 5, 10, 10}, Rect{30, 20, 5, 5}, none}));
    t.MarkDirty({-5, -5, 10, 10});
    EXPECT_EQ(t.Update({0, 0, 0, 0})[2], (Rect{0, 0, 5, 5})) << "clipped to the screen";
    // After the surface was filled with the clean screen, the first frame dims
    // everything except itself.
    t.ResetToClean();
    EXPECT_EQ(t.Update({5, 5, 10, 10}), (Areas{Rect{0, 0, 40, 30}, Rect{5, 5, 10, 10}, none}));
}

}  // namespace
}  // namespace vellumo
