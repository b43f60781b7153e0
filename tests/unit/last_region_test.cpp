// A capture that starts with the last region already selected.
#include <gtest/gtest.h>

#include "overlay/Selection.h"

namespace vellumo {
namespace {

constexpr Size kScreen{1920, 1080};

TEST(LastRegion, IsSelectedAsADragThereWouldBe) {
    Selection dragged(kScreen);
    dragged.MouseDown(MouseButton::Left, {100, 200});
    for (int i = 1; i <= 10; ++i) dragged.MouseMove(true, {100 + 30 * i, 200 + 20 * i});
    dragged.MouseUp(MouseButton::Left, {400, 400});

    Selection again(kScreen);
    const Changes c = again.SelectFrame(dragged.frame());
    EXPECT_TRUE(c.completed && c.handlesMoved && c.frameChanged);
    EXPECT_TRUE(again.Selected());
    EXPECT_FALSE(again.detectionEnabled()) << "the window under the pointer must not replace it";
    EXPECT_EQ(again.frame(), dragged.frame());
    EXPECT_EQ(again.handles(), dragged.handles());
    EXPECT_EQ(again.toolsPosition(), dragged.toolsPosition());
    EXPECT_TRUE(again.toolsVisible());
    EXPECT_EQ(again.borderWidth(), kSelectedBorder);
}

TEST(LastRegion, IsCutToTheScreenAndNothingWhenOffIt) {
    Selection s(kScreen);
    s.SelectFrame({1800, -50, 300, 200});
    EXPECT_EQ(s.frame(), (Rect{1800, 0, 120, 150}));

    Selection off(kScreen);
    const Changes c = off.SelectFrame({2000, 10, 50, 50});
    EXPECT_FALSE(c.completed);
    EXPECT_EQ(off.mode(), Mode::Detecting);
    EXPECT_TRUE(off.detectionEnabled());
}

}  // namespace
}  // namespace vellumo
