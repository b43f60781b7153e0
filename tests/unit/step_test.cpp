#include <gtest/gtest.h>

#include "annotate/MarkInProgress.h"
#include "annotate/Tool.h"
#include "tests/unit/FakeMarkTarget.h"

namespace vellumo {
namespace {

constexpr Rect kFrame{0, 0, 400, 300};

struct Steps {
    FakeMarkTarget target{400, 300, 0xFFFFFF};
    MarkInProgress m;
    Tool step = ToolForKey('N');
    // A click at p; what its release commits (the overlay then ends the mark).
    Released Click(Point p, float width = 5, PreviewColour colour = 0x0000FF) {
        m.Press(step, p, width, colour, kFrame, 255, false, &target);
        const Released r = m.Release(step, &target);
        target.EndMark();
        return r;
    }
};

TEST(StepTool, NumbersCountOnAndAnUndoneNumberIsReused) {
    Steps s;
    ASSERT_NE(s.step, Tool::None);
    EXPECT_EQ(s.Click({50, 50}).label.text, L"1");
    EXPECT_EQ(s.Click({100, 50}).label.text, L"2");
    EXPECT_EQ(s.Click({150, 50}).label.text, L"3");
    EXPECT_EQ(s.target.at(150, 50), 0xFF0000u) << "the circle is painted in the chosen colour";
    s.target.history.Undo(s.target.SurfacePixels());
    EXPECT_EQ(s.target.at(150, 50), 0xFFFFFFu);
    EXPECT_EQ(s.Click({200, 50}).label.text, L"3");
    // Undo and redo: the redone 3 counts again.
    s.target.history.Undo(s.target.SurfacePixels());
    s.target.history.Redo(s.target.SurfacePixels());
    EXPECT_EQ(s.Click({250, 50}).label.text, L"4");
    // Marks of other tools between them do not count.
    s.m.Press(Tool::Rectangle, {10, 10}, 5, 0, kFrame, 255, false, &s.target);
    s.m.Release(Tool::Rectangle, &s.target);
    EXPECT_EQ(s.Click({300, 50}).label.text, L"5");
    // The marks cleared (a new selection): back to 1.
    s.target.history.Clear();
    EXPECT_EQ(s.Click({50, 150}).label.text, L"1");
}

TEST(StepTool, FiveHundredStepsKeepCounting) {
    Steps s;
    std::wstring last;
    // Each on a place of its own (a circle over an identical one would change no pixel).
    for (int i = 1; i <= 500; ++i) last = s.Click({10 + i % 20 * 19, 10 + i / 20 * 11}).label.text;
    EXPECT_EQ(last, L"500");
}

TEST(StepTool, TheCircleFitsItsNumberAndTheInkStandsOut) {
    const LabelMark one = StepLabel({100, 100}, 1, 5, 0x0000FF);
    EXPECT_GE(one.box.width, 20) << "at least 20 px across at the default width";
    EXPECT_EQ(one.box.width, one.box.height);
    EXPECT_EQ(one.box.left + one.box.width / 2, 100);
    EXPECT_GT(StepLabel({100, 100}, 1, 12, 0).box.width, one.box.width) << "wider with the width";
    const LabelMark hundred = StepLabel({100, 100}, 100, 5, 0x0000FF);
    EXPECT_GT(hundred.box.width, one.box.width) << "three digits need a larger circle";
    EXPECT_GE(hundred.box.width, static_cast<int>(3 * hundred.fontHeight * 0.6));
    EXPECT_EQ(one.ink, 0xFFFFFFu) << "white on red";
    EXPECT_EQ(StepLabel({0, 0}, 1, 5, 0x00FFFF).ink, 0u) << "black on yellow";
    EXPECT_EQ(ContrastingInk(0x000000), 0xFFFFFFu);
    EXPECT_EQ(ContrastingInk(0xFFFFFF), 0u);
}

}  // namespace
}  // namespace vellumo
