#include <gtest/gtest.h>

#include <cstdint>

#include "annotate/MarkInProgress.h"
#include "tests/unit/FakeMarkTarget.h"

namespace vellumo {
namespace {

constexpr Rect kFrame{0, 0, 120, 80};
constexpr std::uint32_t kRedInk = 0x0000FF;  // as the colour control gives it (0x00BBGGRR)

void Drag(FakeMarkTarget& t, Point from, Point to, float alpha, bool shift = false, std::uint32_t ink = kRedInk) {
    const Tool box = ToolForKey('F');
    ASSERT_NE(box, Tool::None);
    MarkInProgress m;
    m.Press(box, from, 5, ink, kFrame, alpha, shift, &t);
    if (to != from) m.Move(box, to, true, kFrame, shift, &t);
    m.Release(box, &t);
}

TEST(FilledBoxTool, AnOpaqueBoxLeavesNothingOfWhatItCoversAndUndoBringsItBack) {
    FakeMarkTarget t(120, 80, 0);
    const auto original = [](int x, int y) { return (x + y) % 2 ? 0x00FF00u : 0x102030u; };
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 120; ++x) t.Set(x, y, original(x, y));
    Drag(t, {10, 10}, {40, 30}, 255);
    ASSERT_EQ(t.EndMark(), MarkHistory::Recorded::Step);
    for (int y = 10; y < 30; ++y)
        for (int x = 10; x < 40; ++x) ASSERT_EQ(t.at(x, y), 0xFF0000u) << x << "," << y;
    EXPECT_EQ(t.at(40, 20), original(40, 20)) << "right of the band";
    EXPECT_EQ(t.at(20, 9), original(20, 9)) << "above the band";
    ASSERT_TRUE(t.history.Undo(t.SurfacePixels()));
    for (int y = 10; y < 30; ++y)
        for (int x = 10; x < 40; ++x) ASSERT_EQ(t.at(x, y), original(x, y)) << "after the undo, at " << x << "," << y;
}

TEST(FilledBoxTool, OpacityBlendsShiftMakesASquareAndNoAreaMakesNoStep) {
    FakeMarkTarget white(120, 80, 0xFFFFFF);
    Drag(white, {10, 10}, {20, 20}, 128, false, 0x000000);
    EXPECT_EQ(white.at(15, 15), 0x7F7F7Fu) << "black at half opacity over white";

    FakeMarkTarget square(120, 80, 0);
    Drag(square, {10, 10}, {50, 20}, 255, true);
    EXPECT_GT(square.painted.width, 0);
    EXPECT_EQ(square.painted.width, square.painted.height);

    // A click, a drag along one row, and a box at opacity 0 leave nothing.
    FakeMarkTarget none(120, 80, 0x123456);
    Drag(none, {30, 30}, {30, 30}, 255);
    Drag(none, {30, 30}, {90, 30}, 255);
    Drag(none, {30, 30}, {90, 60}, 0);
    EXPECT_EQ(none.touches, 0);
    EXPECT_EQ(none.EndMark(), MarkHistory::Recorded::NoChange);
    EXPECT_EQ(none.at(60, 45), 0x123456u);
}

}  // namespace
}  // namespace vellumo
