#include <gtest/gtest.h>

#include "annotate/MarkInProgress.h"
#include "tests/unit/FakeMarkTarget.h"

namespace vellumo {
namespace {

constexpr Rect kFrame{0, 0, 300, 200};
constexpr std::uint32_t kWhite = 0xFFFFFF, kBluePixel = 0x0000FF, kBlueBgr = 0xFF0000;

struct Drawn {
    FakeMarkTarget target{300, 200, kWhite};
    MarkHistory::Recorded recorded{};
};

// A line dragged from `from` through the points to `to`, Shift held or not.
void DrawLine(Drawn& d, Point from, Point to, bool shift, float width = 3) {
    const Tool line = ToolForKey('L');
    MarkInProgress m;
    m.Press(line, from, width, kBlueBgr, kFrame, 255, shift, &d.target);
    m.Move(line, {(from.x + to.x) / 2 + 7, (from.y + to.y) / 2 - 5}, true, kFrame, shift, &d.target);
    m.Move(line, to, true, kFrame, shift, &d.target);
    EXPECT_TRUE(m.arrow().visible) << "the line's preview";
    m.Release(line, &d.target);
    d.recorded = d.target.EndMark();
}

TEST(LineTool, ShiftSnapsToLevelDiagonalAndUpright) {
    ASSERT_NE(ToolForKey('L'), Tool::None);
    Drawn level, diagonal, upright, free;
    DrawLine(level, {20, 100}, {220, 112}, true);
    DrawLine(diagonal, {20, 20}, {150, 140}, true);  // 130 across, 120 down: 125 each
    DrawLine(upright, {100, 180}, {108, 30}, true);
    DrawLine(free, {20, 100}, {220, 112}, false);
    for (int x = 20; x <= 220; ++x) ASSERT_EQ(level.target.at(x, 100), kBluePixel) << x;
    EXPECT_EQ(level.target.at(220, 110), kWhite) << "not snapped";
    for (int k = 0; k <= 125; ++k) ASSERT_EQ(diagonal.target.at(20 + k, 20 + k), kBluePixel) << k;
    for (int y = 30; y <= 180; ++y) ASSERT_EQ(upright.target.at(100, y), kBluePixel) << y;
    EXPECT_EQ(free.target.at(220, 112), kBluePixel) << "without Shift the line ends at the pointer";
    EXPECT_EQ(free.target.at(220, 100), kWhite);
    EXPECT_EQ(level.recorded, MarkHistory::Recorded::Step);
}

TEST(LineTool, ALineOfNoLengthDrawsNothingAndRecordsNoStep) {
    Drawn d;
    const Tool line = ToolForKey('L');
    MarkInProgress m;
    m.Press(line, {50, 50}, 9, kBlueBgr, kFrame, 255, false, &d.target);
    m.Release(line, &d.target);
    EXPECT_EQ(d.target.touches, 0) << "the undo history was told of a mark";
    EXPECT_EQ(d.target.EndMark(), MarkHistory::Recorded::NoChange);
    EXPECT_EQ(d.target.history.undoSteps(), 0u);
    EXPECT_EQ(d.target.at(50, 50), kWhite);
}

}  // namespace
}  // namespace vellumo
