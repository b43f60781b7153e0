#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "annotate/AreaFilters.h"
#include "annotate/MarkInProgress.h"
#include "tests/unit/FakeMarkTarget.h"

namespace vellumo {
namespace {

constexpr Rect kFrame{0, 0, 160, 100};

int Channel(std::uint32_t p, int shift) { return static_cast<int>(p >> shift & 0xFF); }

TEST(BlurTool, ASharpEdgeBecomesARampAndAPlainAreaStaysPlain) {
    FakeMarkTarget t(160, 100, 0);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 160; ++x) t.Set(x, y, x < 80 ? 0x000000 : 0xFFFFFF);
    const Tool blur = ToolForKey('B');
    ASSERT_NE(blur, Tool::None);
    MarkInProgress m;
    m.Press(blur, {20, 10}, 5, 0, kFrame, 255, false, &t);
    m.Move(blur, {140, 90}, true, kFrame, false, &t);
    m.Release(blur, &t);
    EXPECT_EQ(t.EndMark(), MarkHistory::Recorded::Step);
    int steepest = 0;
    for (int x = 21; x < 140; ++x) steepest = std::max(steepest, Channel(t.at(x, 50), 8) - Channel(t.at(x - 1, 50), 8));
    EXPECT_LT(steepest, 40) << "a step of 255 stays sharp";
    EXPECT_GT(Channel(t.at(76, 50), 0), 40) << "the white does not reach left of the edge";
    EXPECT_LT(Channel(t.at(83, 50), 0), 215) << "the black does not reach right of the edge";
    // Far from the edge, plain stays plain, and rows alike stay alike.
    EXPECT_EQ(t.at(30, 50), 0u);
    EXPECT_EQ(t.at(130, 50), 0xFFFFFFu);
    EXPECT_EQ(t.at(80, 20), t.at(80, 80));
    // Outside the band nothing changes.
    EXPECT_EQ(t.at(79, 5), 0u);
    EXPECT_EQ(t.at(80, 5), 0xFFFFFFu);
}

TEST(BlurTool, ReadsNothingOutsideItsRectangleAndClampsItsRadius) {
    FakeMarkTarget t(160, 100, 0x404040);
    // A white column just outside the rectangle must not bleed in.
    for (int y = 0; y < 100; ++y) t.Set(49, y, 0xFFFFFF);
    BlurArea(t.SurfacePixels(), {50, 10, 40, 40}, 8);
    EXPECT_EQ(t.at(50, 30), 0x404040u);
    // A radius far larger than the rectangle: the mean of the rectangle, no fault.
    t.Set(60, 60, 0xFFFFFF);
    EXPECT_EQ(BlurRadiusFor(10000, {55, 55, 10, 10}), 10);
    BlurArea(t.SurfacePixels(), {55, 55, 10, 10}, BlurRadiusFor(10000, {55, 55, 10, 10}));
    for (int y = 55; y < 65; ++y)
        for (int x = 55; x < 65; ++x) ASSERT_LE(std::abs(Channel(t.at(x, y), 0) - 0x42), 2) << x << "," << y;
}

TEST(BlurTool, ARadiusTooWideForTheSharedWordTakesTheSlowPathAlike) {
    // 2r + 1 > 257: the sums no longer fit side by side. A white column in
    // grey spreads to about the mean over the rectangle, rows alike.
    FakeMarkTarget t(300, 60, 0x404040);
    for (int y = 0; y < 60; ++y) t.Set(150, y, 0xFFFFFF);
    BlurArea(t.SurfacePixels(), {0, 0, 300, 60}, 200);
    for (int x = 0; x < 300; x += 13) {
        ASSERT_LE(std::abs(Channel(t.at(x, 30), 8) - 0x40), 2) << x;
        ASSERT_EQ(t.at(x, 0), t.at(x, 59)) << x;
    }
}

// The blur against a plain reading of its rule: three box passes of 2r+1
// along each row, the end pixels repeated, rounded; then the same down each
// column. Sizes that are no multiple of the rows and columns carried
// together (one wider than a band of columns, so whole bands and a part
// band), a rectangle inside a larger plane, radii on both sides of the
// widest box kept in 16-bit lanes and up to the longer side, and the top
// byte left as it was.
// The means are kept to a fraction of a level between passes: a row may
// round the other way near a half, which the column pass carries on, so a
// pixel may be off by a little more than the rounding; on average the
// result must be as close as rounding allows.
std::vector<double> BoxThrice(std::vector<double> v, int r) {
    const int n = static_cast<int>(v.size());
    for (int pass = 0; pass < 3; ++pass) {
        std::vector<double> out(v.size());
        for (int i = 0; i < n; ++i) {
            double sum = 0;
            for (int j = i - r; j <= i + r; ++j) sum += v[std::clamp(j, 0, n - 1)];
            out[i] = sum / (2 * r + 1);
        }
        v = out;
    }
    return v;
}

TEST(BlurTool, MatchesThreeBoxPassesEachWayWithinRounding) {
    struct Case {
        int r;
        Rect area;
    };
    const Case cases[] = {{1, {3, 2, 37, 29}},   {4, {3, 2, 37, 29}},  {10, {3, 2, 37, 29}},   {15, {3, 2, 37, 29}},
                          {16, {3, 2, 37, 29}},  {37, {3, 2, 37, 29}}, {2, {3, 2, 150, 21}},    {10, {3, 2, 150, 21}},
                          {20, {3, 2, 150, 21}}, {101, {3, 2, 150, 21}}, {6, {1, 3, 130, 70}},  {10, {3, 2, 140, 90}}};
    for (const Case& c : cases) {
        const int r = c.r;
        const Rect area = c.area;
        const int width = area.right() + 5, height = area.bottom() + 4;
        FakeMarkTarget t(width, height, 0);
        std::uint32_t seed = 7u + static_cast<std::uint32_t>(r);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) t.Set(x, y, (seed = seed * 1103515245u + 12345u) >> 4);
        FakeMarkTarget before = t;
        BlurArea(t.SurfacePixels(), area, r);
        double drift = 0;
        for (int shift : {0, 8, 16}) {
            std::vector<std::vector<double>> rows(area.height);
            for (int y = 0; y < area.height; ++y) {
                std::vector<double> row(area.width);
                for (int x = 0; x < area.width; ++x) row[x] = Channel(before.at(area.left + x, area.top + y), shift);
                rows[y] = BoxThrice(row, r);
                for (double& v : rows[y]) v = std::round(v);
            }
            for (int x = 0; x < area.width; ++x) {
                std::vector<double> column(area.height);
                for (int y = 0; y < area.height; ++y) column[y] = rows[y][x];
                column = BoxThrice(column, r);
                for (int y = 0; y < area.height; ++y) {
                    const std::uint32_t got = t.at(area.left + x, area.top + y);
                    ASSERT_NEAR(Channel(got, shift), column[y], 1.5) << "r " << r << " at " << x << "," << y;
                    ASSERT_EQ(got >> 24, before.at(area.left + x, area.top + y) >> 24);
                    drift += std::abs(Channel(got, shift) - column[y]);
                }
            }
        }
        EXPECT_LT(drift / (3.0 * area.width * area.height), 0.3) << "r " << r << ": off by more than rounding on average";
        for (int x = 0; x < width; ++x) ASSERT_EQ(t.at(x, 1), before.at(x, 1)) << "above the rectangle";
        for (int y = 0; y < height; ++y) ASSERT_EQ(t.at(area.right(), y), before.at(area.right(), y)) << "right of it";
    }
}

TEST(BlurTool, ARadiusPastTheLongerSideActsAsThatSide) {
    FakeMarkTarget t(40, 30, 0);
    std::uint32_t seed = 3;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) t.Set(x, y, (seed = seed * 1103515245u + 12345u) >> 8);
    FakeMarkTarget wide = t;
    BlurArea(t.SurfacePixels(), {5, 5, 20, 12}, 20);
    BlurArea(wide.SurfacePixels(), {5, 5, 20, 12}, 1 << 30);
    EXPECT_NE(t.at(10, 10), t.at(4, 10)) << "the blur changed nothing";
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) ASSERT_EQ(wide.at(x, y), t.at(x, y)) << x << "," << y;
}

// Two ways along the rows (the processor's vectors, the portable lanes) must
// give the same pixels: rows cut short of a band of eight, runs shorter than
// four pixels and than the radius, top bytes of every value.
TEST(BlurTool, TheVectorRowsGiveThePortablePixels) {
    std::uint32_t seed = 11;
    const auto next = [&] { return seed = seed * 1103515245u + 12345u; };
    int differing = 0, changed = 0;
    for (int round = 0; round < 60; ++round) {
        const int width = 1 + static_cast<int>(next() >> 8) % 70, height = 1 + static_cast<int>(next() >> 8) % 40;
        FakeMarkTarget t(width, height, 0);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) t.Set(x, y, next());
        const int left = static_cast<int>(next() >> 8) % width, top = static_cast<int>(next() >> 8) % height;
        const Rect area{left, top, 1 + static_cast<int>(next() >> 8) % (width - left),
                        1 + static_cast<int>(next() >> 8) % (height - top)};
        const int r = 1 + static_cast<int>(next() >> 8) % 15;
        FakeMarkTarget portable = t;
        FakeMarkTarget before = t;
        BlurArea(t.SurfacePixels(), area, r);
        BlurArea(portable.SurfacePixels(), area, r, BlurRowsBy::PortableLanes);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                differing += t.at(x, y) != portable.at(x, y);
                changed += t.at(x, y) != before.at(x, y);
            }
    }
    EXPECT_GT(changed, 1000) << "the blur changed next to nothing";
    EXPECT_EQ(differing, 0);
}

TEST(BlurTool, AnEmptyBandDoesNothing) {
    FakeMarkTarget t(160, 100, 0x123456);
    const Tool blur = ToolForKey('B');
    MarkInProgress m;
    m.Press(blur, {30, 30}, 5, 0, kFrame, 255, false, &t);
    m.Move(blur, {30, 80}, true, kFrame, false, &t);
    m.Release(blur, &t);
    EXPECT_EQ(t.touches, 0);
    EXPECT_EQ(t.EndMark(), MarkHistory::Recorded::NoChange);
}

}  // namespace
}  // namespace vellumo
