#include <gtest/gtest.h>

#include "annotate/CoverageStroke.h"
#include "annotate/MarkInProgress.h"
#include "tests/unit/FakeMarkTarget.h"

namespace vellumo {
namespace {

TEST(HighlighterTool, AWideTranslucentStrokeOfOneOpacityOverItsOwnCrossing) {
    constexpr Rect frame{0, 0, 300, 200};
    const Tool highlighter = ToolForKey('H');
    ASSERT_NE(highlighter, Tool::None);
    FakeMarkTarget t(300, 200, 0x202020);
    MarkInProgress m;
    // Yellow at width 5 and full opacity: 15 px wide at 40%.
    m.Press(highlighter, {20, 100}, 5, 0x00FFFF, frame, 255, false, &t);
    m.Move(highlighter, {250, 100}, true, frame, false, &t);
    m.Move(highlighter, {150, 20}, true, frame, false, &t);
    m.Move(highlighter, {150, 180}, true, frame, false, &t);
    m.Release(highlighter, &t);
    const std::uint32_t once = t.at(60, 100);
    EXPECT_EQ(once, BlendPixel(0x202020, 0xFFFF00, 102)) << "40% yellow over the grey";
    EXPECT_EQ(t.at(150, 100), once) << "darker where it crosses itself";
    EXPECT_EQ(t.at(60, 106), once) << "15 px wide: 6 px off the middle still full";
    EXPECT_EQ(t.at(60, 109), 0x202020u) << "9 px off the middle untouched";
    EXPECT_EQ(t.EndMark(), MarkHistory::Recorded::Step);

    // A second stroke is a mark of its own: over the first it adds its opacity.
    m.Press(highlighter, {40, 100}, 5, 0x00FFFF, frame, 255, false, &t);
    m.Move(highlighter, {80, 100}, true, frame, false, &t);
    m.Release(highlighter, &t);
    EXPECT_EQ(t.at(60, 100), BlendPixel(once, 0xFFFF00, 102));
}

}  // namespace
}  // namespace vellumo
