#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

#include "annotate/AreaFilters.h"
#include "annotate/MarkInProgress.h"
#include "tests/unit/FakeMarkTarget.h"

namespace vellumo {
namespace {

constexpr Rect kFrame{0, 0, 120, 80};

TEST(MosaicTool, EachCellIsTheMeanOfWhatShowsUnderIt) {
    FakeMarkTarget t(120, 80, 0);
    // A one-pixel checkerboard of 0x000000 and 0x0000FF, with a mark (a
    // red pixel) drawn over it: the mark counts as it shows.
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 120; ++x) t.Set(x, y, (x + y) % 2 ? 0x0000FF : 0);
    t.at(12, 12) = 0xFF0000;
    const Tool mosaic = ToolForKey('M');
    ASSERT_NE(mosaic, Tool::None);
    MarkInProgress m;
    m.Press(mosaic, {10, 10}, 6, 0, kFrame, 255, false, &t);
    m.Move(mosaic, {40, 31}, true, kFrame, false, &t);
    m.Release(mosaic, &t);
    EXPECT_EQ(t.EndMark(), MarkHistory::Recorded::Step);
    // Cells of 6 from (10,10): 36 pixels, 18 of them blue (255 each).
    EXPECT_EQ(t.at(22, 22), 0x80u) << "4590 / 36 = 127.5 rounds to 128";
    // The first cell holds the red pixel in place of a black one: 255 / 36 red.
    EXPECT_EQ(t.at(10, 10), 0x070080u);
    for (int y = 10; y < 16; ++y)
        for (int x = 10; x < 16; ++x) ASSERT_EQ(t.at(x, y), t.at(10, 10));
    // The last row of cells is cut short at the band's edge (21 high: 3 x 6 + 3).
    EXPECT_EQ(t.at(39, 30), 0x80u);
    EXPECT_EQ(t.at(40, 31), 0x0000FFu * ((40 + 31) % 2)) << "outside the band";
    EXPECT_EQ(t.at(9, 10), 0x0000FFu * ((9 + 10) % 2));
}

TEST(MosaicTool, CellsAreAtLeastFourAndAnEmptyBandDoesNothing) {
    EXPECT_EQ(MosaicCell(1), 4);
    EXPECT_EQ(MosaicCell(5), 5);
    EXPECT_EQ(MosaicCell(12.4f), 12);
    FakeMarkTarget t(120, 80, 0x123456);
    const Tool mosaic = ToolForKey('M');
    MarkInProgress m;
    // A click, then a drag along one row: neither has an area.
    m.Press(mosaic, {30, 30}, 5, 0, kFrame, 255, false, &t);
    m.Release(mosaic, &t);
    m.Press(mosaic, {30, 30}, 5, 0, kFrame, 255, false, &t);
    m.Move(mosaic, {90, 30}, true, kFrame, false, &t);
    m.Release(mosaic, &t);
    EXPECT_EQ(t.touches, 0);
    EXPECT_EQ(t.EndMark(), MarkHistory::Recorded::NoChange);
    EXPECT_EQ(t.history.undoSteps(), 0u);
}

TEST(MosaicTool, ABandPastTheFrameStopsAtIt) {
    FakeMarkTarget t(120, 80, 0);
    for (int x = 0; x < 120; ++x) t.Set(x, 5, 0xFFFFFF);
    Pixelate(t.SurfacePixels(), {100, 0, 50, 10}, 10);
    EXPECT_EQ(t.at(119, 5), 0x1A1A1Au) << "a tenth of the cell was white: 25.5";
    EXPECT_EQ(t.at(99, 5), 0xFFFFFFu);
}

TEST(MosaicTool, NoChannelSumCarriesIntoTheNext) {
    // 300 blue pixels in a row: summed 256 at a time, no blue reaches red.
    FakeMarkTarget t(400, 4, 0x0000FF);
    Pixelate(t.SurfacePixels(), {0, 0, 300, 4}, 300);
    EXPECT_EQ(t.at(10, 1), 0x0000FFu);
    // All white, in the largest cells summed side by side (255 x 256 in each
    // half of the word) and the smallest summed apart.
    for (const int cell : {16, 17}) {
        FakeMarkTarget white(40, 40, 0xFFFFFF);
        Pixelate(white.SurfacePixels(), {0, 0, 40, 40}, cell);
        EXPECT_EQ(white.at(0, 0), 0xFFFFFFu) << "cells of " << cell;
        EXPECT_EQ(white.at(39, 39), 0xFFFFFFu) << "cells of " << cell;
    }
}

TEST(MosaicTool, ACellTallerThanTheSharedWordHoldsKeepsItsExactMean) {
    // 300 rows: the packed red and blue sums are flushed every 256 rows; a
    // carry from blue into red, or a lost flush, shows in the mean.
    FakeMarkTarget t(8, 600, 0);
    std::uint64_t red = 0, green = 0, blue = 0;
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 8; ++x) {
            const std::uint32_t p = (y * 7 + x * 31) % 256u << 16 | (255u - y % 256u) << 8 | 255u;
            t.Set(x, y, p | 0x11000000u * (x == 0 && y == 0));
            if (y < 300 && x < 6) red += p >> 16, green += p >> 8 & 0xFF, blue += p & 0xFF;
        }
    Pixelate(t.SurfacePixels(), {0, 0, 6, 600}, 300);
    const std::uint32_t mean = static_cast<std::uint32_t>((red + 900) / 1800 << 16 | (green + 900) / 1800 << 8 | (blue + 900) / 1800);
    EXPECT_EQ(t.at(0, 0), 0x11000000u | mean) << "the cell takes its top-left pixel's top byte";
    EXPECT_EQ(t.at(5, 299), 0x11000000u | mean);
    EXPECT_EQ(t.at(6, 0), (0u * 7 + 6 * 31) % 256u << 16 | 255u << 8 | 255u) << "outside the area";
}

TEST(MosaicTool, CellsAcrossAWideAreaAreEachTheRoundedMeanOfTheirPixels) {
    // Wider than the slices the sums are taken in, with cells that do not
    // divide them, and cells wider than a slice: each cell, whole or cut
    // short at the edge, is its own rounded mean, channel by channel.
    // Cells of 16 and less are summed with red and blue still side by side
    // (those up to 8 by loops of a fixed length), up to 4095 pixels divided
    // by a multiply, wider ones in a double.
    for (const int cell : {4, 5, 7, 9, 16, 17, 64, 600}) {
        FakeMarkTarget t(1300, 40, 0);
        std::uint32_t seed = 11u + static_cast<std::uint32_t>(cell);
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 1300; ++x) t.Set(x, y, (seed = seed * 1103515245u + 12345u) >> 7);
        FakeMarkTarget before = t;
        const Rect area{3, 1, 1290, 37};
        Pixelate(t.SurfacePixels(), area, cell);
        for (int top = area.top; top < area.bottom(); top += cell)
            for (int left = area.left; left < area.right(); left += cell) {
                const int right = std::min(left + cell, area.right()), bottom = std::min(top + cell, area.bottom());
                const std::uint64_t n = static_cast<std::uint64_t>(right - left) * static_cast<std::uint64_t>(bottom - top);
                std::uint32_t expected = before.at(left, top) & 0xFF000000u;
                for (const int shift : {0, 8, 16}) {
                    std::uint64_t sum = 0;
                    for (int y = top; y < bottom; ++y)
                        for (int x = left; x < right; ++x) sum += before.at(x, y) >> shift & 0xFF;
                    expected |= static_cast<std::uint32_t>((sum + n / 2) / n) << shift;
                }
                for (int y = top; y < bottom; ++y)
                    for (int x = left; x < right; ++x) ASSERT_EQ(t.at(x, y), expected) << "cell " << cell << " at " << x << "," << y;
            }
        EXPECT_EQ(t.at(area.right(), 5), before.at(area.right(), 5)) << "right of the area";
    }
}

}  // namespace
}  // namespace vellumo
