#include <gtest/gtest.h>

#include <cmath>

#include "annotate/MarkInProgress.h"
#include "annotate/tools/Freehand.h"
#include "tests/unit/FakeMarkTarget.h"

namespace vellumo {
namespace {

constexpr std::uint32_t kWhite = 0xFFFFFF, kRedBgr = 0x0000FF, kRedPixel = 0xFF0000;
constexpr Rect kFrame{20, 20, 300, 200};

// The pen as the table makes it.
std::unique_ptr<FreehandTool> MakePen() {
    std::unique_ptr<DrawingTool> tool = ToolTable()[static_cast<std::size_t>(ToolForKey('P'))].make();
    auto* pen = dynamic_cast<FreehandTool*>(tool.get());
    if (!pen) return nullptr;
    tool.release();
    return std::unique_ptr<FreehandTool>(pen);
}

StrokeState Style(FakeMarkTarget& t, float width, float alpha) {
    StrokeState s;
    s.width = width;
    s.alpha = alpha;
    s.colour = kRedBgr;
    s.frame = kFrame;
    s.target = &t;
    return s;
}

TEST(PenTool, AFastStrokeIsContinuousWithRoundJoinsAndStaysInTheFrame) {
    FakeMarkTarget t(400, 300, kWhite);
    const std::unique_ptr<FreehandTool> made = MakePen();
    ASSERT_NE(made, nullptr);
    FreehandTool& pen = *made;
    StrokeState s = Style(t, 6, 255);
    // Three points far apart, as a fast pointer gives them, and one past the frame.
    pen.Press(s, {40, 60});
    pen.Move(s, {250, 60}, true);
    pen.Move(s, {250, 180}, true);
    pen.Move(s, {400, 180}, true);
    pen.Release(s);
    for (int x = 40; x <= 250; ++x) ASSERT_EQ(t.at(x, 60), kRedPixel) << x;
    for (int y = 60; y <= 180; ++y) ASSERT_EQ(t.at(250, y), kRedPixel) << y;
    // Round: the join's outer corner is cut, inside the radius it is filled.
    EXPECT_EQ(t.at(251, 58), kRedPixel);
    EXPECT_EQ(t.at(253, 57), kWhite);
    EXPECT_EQ(t.at(38, 60), kRedPixel) << "the start's round end";
    EXPECT_EQ(t.at(36, 60), kWhite);
    // Cut at the frame's right edge (x 319), never past it.
    EXPECT_EQ(t.at(319, 180), kRedPixel);
    EXPECT_EQ(t.at(320, 180), kWhite);
    EXPECT_EQ(t.at(100, 70), kWhite) << "beside the stroke";
}

TEST(PenTool, OneStrokeHasOneOpacityWhereItCrossesItself) {
    FakeMarkTarget t(400, 300, kWhite);
    const std::unique_ptr<FreehandTool> made = MakePen();
    ASSERT_NE(made, nullptr);
    FreehandTool& pen = *made;
    StrokeState s = Style(t, 8, 128);
    pen.Press(s, {50, 100});
    pen.Move(s, {200, 100}, true);
    pen.Move(s, {120, 40}, true);
    pen.Move(s, {120, 160}, true);  // back across the first segment at (120, 100)
    pen.Release(s);
    const std::uint32_t once = t.at(60, 100), crossing = t.at(120, 100);
    EXPECT_EQ(once, BlendPixel(0xFFFFFF, kRedPixel, 128));
    EXPECT_EQ(crossing, once) << "the crossing is darker than the stroke";
}

TEST(PenTool, AHundredThousandPointStrokeIsOneUndoStepAndKeepsItsMemoryToItsArea) {
    FakeMarkTarget t(400, 300, kWhite);
    const std::unique_ptr<FreehandTool> made = MakePen();
    ASSERT_NE(made, nullptr);
    FreehandTool& pen = *made;
    StrokeState s = Style(t, 3, 255);
    pen.Press(s, {30, 30});
    std::size_t most = 0;
    for (int i = 1; i <= 100000; ++i) {
        // A zigzag over the whole frame, one pixel at a time.
        const int x = 30 + (i / 180) % 280, y = 30 + (i % 360 < 180 ? i % 180 : 179 - i % 180);
        pen.Move(s, {x, y}, true);
        if (i % 1000 == 0) most = std::max(most, pen.BytesHeld() + t.history.PendingBytes());
    }
    pen.Release(s);
    // The frame's pixels, kept once as they were and once as a coverage
    // tile, and the history's copy of what the stroke touched: bounded by
    // the frame, not by the 100,000 points.
    const std::size_t frameBytes = std::size_t(kFrame.width + 64) * (kFrame.height + 64) * 5;
    EXPECT_LE(most, frameBytes + std::size_t(kFrame.width + 16) * (kFrame.height + 16) * 4);
    EXPECT_EQ(pen.BytesHeld(), 0u) << "the stroke's tiles are freed at the release";
    ASSERT_EQ(t.EndMark(), MarkHistory::Recorded::Step);
    EXPECT_EQ(t.history.undoSteps(), 1u);
    t.history.Undo(t.SurfacePixels());
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 400; ++x) ASSERT_EQ(t.at(x, y), kWhite) << x << "," << y;
}

TEST(PenTool, IsTheTableRowKeyedP) {
    const Tool pen = ToolForKey('P');
    ASSERT_NE(pen, Tool::None);
    FakeMarkTarget t(400, 300, kWhite);
    MarkInProgress m;
    m.Press(pen, {100, 100}, 4, kRedBgr, kFrame, 255, false, &t);
    m.Move(pen, {160, 100}, true, kFrame, false, &t);
    m.Release(pen, &t);
    EXPECT_EQ(t.at(130, 100), kRedPixel);
    EXPECT_EQ(t.EndMark(), MarkHistory::Recorded::Step);
}

}  // namespace
}  // namespace vellumo
