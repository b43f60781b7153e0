#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <set>
#include <vector>

#include "annotate/AreaFilters.h"
#include "annotate/MarkInProgress.h"
#include "tests/unit/FakeMarkTarget.h"

namespace vellumo {
namespace {

// Large enough to be cut into parts (kMosaicSideBySidePixels, the larger),
// of no round size.
constexpr int kW = 1201, kH = 893;
static_assert(static_cast<long long>(kW - 10) * (kH - 10) >= kMosaicSideBySidePixels);
static_assert(kMosaicSideBySidePixels >= kBlurSideBySidePixels);
constexpr Rect kFrame{0, 0, kW, kH};

void FillWithNoise(FakeMarkTarget& t) {
    std::mt19937 rng(7);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) t.Set(x, y, rng() & 0xFFFFFF);
}

// A runner that asks for `parts` and runs them one after another, last
// first: a part that leans on another's pixels, or a slice that overlaps or
// misses rows, shows as a difference from the one-part result.
struct Backwards {
    int parts;
    std::set<int>* ran;
    void operator()(int most, const PartOfWork& work) const {
        const int n = std::min(parts, most);
        for (int part = n - 1; part >= 0; --part) {
            ran->insert(part);
            work(part, n);
        }
    }
};

void Drag(FakeMarkTarget& t, int key, Point from, Point to, float width) {
    const Tool tool = ToolForKey(key);
    ASSERT_NE(tool, Tool::None);
    MarkInProgress m;
    m.Press(tool, from, width, 0, kFrame, 255, false, &t);
    m.Move(tool, to, true, kFrame, false, &t);
    m.Release(tool, &t);
}

TEST(FiltersSideBySide, PartsInAnyOrderGiveTheOnePartPixels) {
    for (const int key : {'B', 'M'})
        for (const int parts : {2, 3, 8}) {
            SCOPED_TRACE(testing::Message() << static_cast<char>(key) << " in " << parts << " parts");
            FakeMarkTarget one(kW, kH, 0), split(kW, kH, 0);
            FillWithNoise(one);
            FillWithNoise(split);
            std::set<int> ran;
            split.cores = Backwards{parts, &ran};
            // Off the rows' and cells' grids, with a radius and a cell that
            // do not divide the area.
            Drag(one, key, {3, 5}, {kW - 1, kH - 1}, 7);
            Drag(split, key, {3, 5}, {kW - 1, kH - 1}, 7);
            EXPECT_EQ(static_cast<int>(ran.size()), parts) << "the tool did not spread a large area";
            int differ = 0;
            for (int y = 0; y < kH; ++y)
                for (int x = 0; x < kW; ++x) differ += one.at(x, y) != split.at(x, y);
            EXPECT_EQ(differ, 0);
            EXPECT_NE(split.at(600, 400), split.clean(600, 400)) << "nothing was filtered";
        }
}

TEST(FiltersSideBySide, ASmallAreaRunsAsOnePartAndSlicesCoverTheSpanOnce) {
    FakeMarkTarget t(kW, kH, 0);
    FillWithNoise(t);
    std::set<int> ran;
    t.cores = Backwards{4, &ran};
    Drag(t, 'B', {10, 10}, {60, 60}, 5);
    EXPECT_TRUE(ran.empty()) << "the runner was asked to spread 2500 pixels";
    EXPECT_NE(t.at(30, 30), t.clean(30, 30));

    // Every index of [5, 110) in exactly one slice, each starting on a unit.
    for (const int parts : {1, 2, 3, 7, 40}) {
        std::vector<int> covered(110, 0);
        for (int part = 0; part < parts; ++part) {
            int begin = 0, end = 0;
            SliceOf(5, 110, 8, part, parts, begin, end);
            if (begin < end) EXPECT_EQ((begin - 5) % 8, 0) << parts << " parts, part " << part;
            for (int i = begin; i < end; ++i) ++covered[static_cast<std::size_t>(i)];
        }
        for (int i = 5; i < 110; ++i) ASSERT_EQ(covered[static_cast<std::size_t>(i)], 1) << parts << " parts, at " << i;
    }
}

}  // namespace
}  // namespace vellumo
