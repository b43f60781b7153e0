#include <gtest/gtest.h>

#include "annotate/MarkInProgress.h"

namespace vellumo {
namespace {

TEST(TextOnBoxTool, OpensTheTextBoxLikeTheTextToolAndAsksForAPlate) {
    const auto tools = ToolTable();
    Tool onBox = Tool::None;
    for (std::size_t i = 0; i < tools.size(); ++i)
        if (std::wstring(tools[i].tip) == L"Text on a box") onBox = static_cast<Tool>(i);
    ASSERT_NE(onBox, Tool::None);
    constexpr Rect frame{100, 100, 200, 150};
    MarkInProgress m;
    m.Press(onBox, {150, 150}, 1, 0, frame);
    m.Move(onBox, {200, 170}, true, frame);
    const Released r = m.Release(onBox);
    EXPECT_EQ(r.what, Commit::OpenTextBox);
    EXPECT_TRUE(r.onPlate);
    EXPECT_EQ(r.box, (Rect{150, 150, 50, 20}));
    m.Press(Tool::Text, {150, 150}, 1, 0, frame);
    EXPECT_FALSE(m.Release(Tool::Text).onPlate) << "the plain text tool prints without a box";
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
