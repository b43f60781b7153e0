#include <gtest/gtest.h>

#include "annotate/MarkInProgress.h"

namespace vellumo {
namespace {

TEST(TextOnBoxTool, IsTheTextToolsOptionAndAsksForAPlateWhileOn) {
    constexpr Rect frame{100, 100, 200, 150};
    MarkInProgress m;
    EXPECT_FALSE(m.OptionOn(Tool::Text)) << "the text tool starts plain";
    m.Press(Tool::Text, {150, 150}, 1, 0, frame);
    EXPECT_FALSE(m.Release(Tool::Text).onPlate) << "the plain text tool prints without a box";
    EXPECT_TRUE(m.ToggleOption(Tool::Text));
    EXPECT_TRUE(m.OptionOn(Tool::Text));
    m.Press(Tool::Text, {150, 150}, 1, 0, frame);
    m.Move(Tool::Text, {200, 170}, true, frame);
    const Released r = m.Release(Tool::Text);
    EXPECT_EQ(r.what, Commit::OpenTextBox);
    EXPECT_TRUE(r.onPlate);
    EXPECT_EQ(r.box, (Rect{150, 150, 50, 20}));
    EXPECT_FALSE(m.ToggleOption(Tool::Text)) << "a second toggle turns it off";
    m.Press(Tool::Text, {150, 150}, 1, 0, frame);
    EXPECT_FALSE(m.Release(Tool::Text).onPlate);
    // Tools without an option say so and stay as they are.
    EXPECT_FALSE(m.ToggleOption(Tool::Rectangle));
    EXPECT_FALSE(m.ToggleOption(Tool::None));
    // No button of its own: no row of the table is a second text tool.
    for (const ToolEntry& t : ToolTable()) EXPECT_EQ(std::wstring(t.tip).find(L"Text on a box"), std::wstring::npos);
    // The plate holds the text with a margin all round.
    const Rect plate = MarkInProgress::PlateFor({50, 60}, {100, 20});
    EXPECT_EQ(Intersect(plate, Rect{50, 60, 100, 20}), (Rect{50, 60, 100, 20}));
    EXPECT_LT(plate.left, 50);
    EXPECT_GT(plate.right(), 150);
    EXPECT_LT(plate.top, 60);
    EXPECT_GT(plate.bottom(), 80);
}

}  // namespace
}  // namespace vellumo
