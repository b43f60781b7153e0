// The user interface at 120, 144 and 192 DPI: which lengths scale, how they
// round, the floor at 96, and that captured pixels are never scaled.
#include <gtest/gtest.h>

#include "floaters/FloaterBook.h"
#include "gfx/Dpi.h"
#include "overlay/Readout.h"
#include "overlay/Selection.h"

namespace vellumo {
namespace {

TEST(UiScale, LengthsScaleFromNinetySixAndNeverShrinkBelowIt) {
    for (const int dpi : {0, -1, 48, 72, 95, 96}) {
        ASSERT_EQ(UiDpi(dpi), 96) << dpi;
        ASSERT_EQ(ScaleUi(6, dpi), 6) << dpi;
        ASSERT_EQ(ScaleUi(kToolsSize, dpi), kToolsSize) << dpi;
    }
    EXPECT_EQ(UiDpi(97), 97);
    EXPECT_EQ(ScaleUi(1, 120), 1);   // 1.25
    EXPECT_EQ(ScaleUi(1, 144), 2);   // 1.5: halves round up
    EXPECT_EQ(ScaleUi(4, 120), 5);
    EXPECT_EQ(ScaleUi(-12, 144), -18);  // a font height keeps its sign
    // Rectangles scale by their edges, so parts that touch at 96 still touch.
    const Rect left{4, 64, 33, 17}, right{37, 64, 20, 17};
    for (const int dpi : {120, 144, 168, 192}) {
        ASSERT_EQ(ScaleUi(left, dpi).right(), ScaleUi(right, dpi).left) << dpi;
        ASSERT_EQ(ScaleUi(Rect{0, 0, 130, 130}, dpi), (Rect{0, 0, ScaleUi(130, dpi), ScaleUi(130, dpi)})) << dpi;
    }
    EXPECT_EQ(ScaleUi(Rect{60, 64, 121, 9}, 144), (Rect{90, 96, 182, 14}));  // edges 90, 96, 272 (271.5), 110 (109.5)
    // The system's fonts are made for the system DPI: on a monitor at
    // another they are rescaled, and left alone on one at the same.
    EXPECT_EQ(RescaleFontHeight(-12, 96, 144), -18);
    EXPECT_EQ(RescaleFontHeight(-18, 144, 96), -12);
    EXPECT_EQ(RescaleFontHeight(-17, 144, 144), -17);
    EXPECT_EQ(RescaleFontHeight(-12, 0, 192), -24);
}

TEST(UiScale, SelectionHandlesBordersAndToolbarFollowTheDpiButTheFrameDoesNot) {
    EXPECT_EQ(SelectionSizesAt(96), SelectionSizes{});
    const SelectionSizes at144 = SelectionSizesAt(144);
    EXPECT_EQ(at144.handle, (Size{9, 9}));
    EXPECT_EQ(at144.toolbar, (Size{338, 201}));
    EXPECT_EQ(at144.detectBorder, 6);
    EXPECT_EQ(at144.selectedBorder, 2);
    EXPECT_EQ(SelectionSizesAt(192).handle, (Size{12, 12}));
    EXPECT_EQ(SelectionSizesAt(120).toolbar, (Size{281, 168}));  // 167.5

    // Detecting: the border widens, the hidden handles stay out of sight.
    Selection s({1024, 768});
    Changes c = s.SetUiDpi(144);
    EXPECT_TRUE(c.frameChanged && c.handlesMoved && !c.completed);
    EXPECT_EQ(s.borderWidth(), 6);
    for (const Rect& h : s.handles()) EXPECT_LE(h.bottom(), 0);
    EXPECT_LE(FrameBounds(s.frame(), s.borderWidth()).bottom(), 0);
    // The same DPI again changes nothing.
    c = s.SetUiDpi(144);
    EXPECT_FALSE(c.frameChanged || c.handlesMoved || c.completed);

    // A drag completes with handles of 9 centred on the frame's points and
    // the toolbar placed by its scaled height (the unscaled one would fit above the frame).
    s.MouseDown(MouseButton::Left, {100, 150});
    for (int i = 1; i <= 8; ++i) s.MouseMove(true, {100 + 40 * i, 150 + 30 * i});
    s.MouseUp(MouseButton::Left, {420, 390});
    const Rect frame{100, 150, 320, 240};
    ASSERT_EQ(s.frame(), frame);
    EXPECT_EQ(s.borderWidth(), 2);
    EXPECT_EQ(s.handles()[0], (Rect{96, 146, 9, 9}));
    EXPECT_EQ(s.handles()[7], (Rect{416, 386, 9, 9}));
    EXPECT_EQ(s.toolsPosition(), (Point{100, 395}));  // below: 150 + 5 is not above 170

    // Selected, back at 96: the frame stays where it is, in screen pixels;
    // its handles, border and toolbar go back to their 96-DPI sizes.
    c = s.SetUiDpi(96);
    EXPECT_TRUE(c.completed && c.handlesMoved && c.frameChanged);
    EXPECT_EQ(s.frame(), frame);
    EXPECT_EQ(s.handles(), PlaceHandles(frame));
    EXPECT_EQ(s.borderWidth(), kSelectedBorder);
    EXPECT_EQ(s.toolsPosition(), (Point{100, 150 - kToolsSize.height - 5}));
    // And back to detection at 144: the detection border is the scaled one.
    s.SetUiDpi(144);
    s.BackToDetection();
    EXPECT_EQ(s.borderWidth(), 6);
    for (const Rect& h : s.handles()) EXPECT_EQ(h.top, -9);
}

TEST(UiScale, MagnifierGrowsWithItsCellsAndShowsTheSameTwentySourcePixels) {
    EXPECT_EQ(MagnifierSizesAt(96), MagnifierSizes{});
    const MagnifierSizes m = MagnifierSizesAt(144);
    EXPECT_EQ(m.panel, (Size{195, 242}));
    EXPECT_EQ(m.view, (Rect{0, 0, 195, 195}));
    EXPECT_EQ(m.sizeCaption, (Rect{0, 192, 194, 26}));
    EXPECT_EQ(m.rgbCaption, (Rect{0, 216, 194, 26}));
    // The captions lie on the panel, below View's last full cell row.
    for (const int dpi : {96, 120, 144, 192}) {
        const MagnifierSizes s = MagnifierSizesAt(dpi);
        ASSERT_EQ(s.rgbCaption.bottom(), s.panel.height) << dpi;
        ASSERT_LE(s.rgbCaption.right(), s.panel.width) << dpi;
        ASSERT_EQ(s.view.width, s.view.height) << dpi;
    }

    const Size screen{1024, 768};
    // Fully on screen: the 20 source pixels fill the larger View.
    const MagnifierPlan plan = PlanMagnifier({500, 400}, screen, m.view.width);
    EXPECT_EQ(plan.source, (Rect{490, 390, 20, 20}));
    EXPECT_EQ(plan.view, m.view);
    // At the top-left corner: 10 source pixels, 9.75 view pixels each.
    const MagnifierPlan corner = PlanMagnifier({0, 0}, screen, m.view.width);
    EXPECT_EQ(corner.source, (Rect{0, 0, 10, 10}));
    EXPECT_EQ(corner.view, Rect::fromEdges(98, 98, 195, 195));  // 97.5 rounds up
    // The cross is one source pixel's cell, centred: 9.75 wide.
    EXPECT_EQ(CrossRect(195), Rect::fromEdges(93, 93, 102, 102));  // 92.625 .. 102.375
    EXPECT_EQ(CrossRect(), CrossRect(kViewRect.width));
    // The pixels copied stay the source's: only the view is larger.
    EXPECT_EQ(PlanMagnifier({500, 400}, screen, 260).source, plan.source);
}

TEST(UiScale, FloaterHostPartsFollowTheDpiAndTwipsUseIt) {
    EXPECT_EQ(HostSizesAt(96), HostSizes{});
    const HostSizes h = HostSizesAt(144);
    EXPECT_EQ(h.frameWidth, 5);  // 4.5
    EXPECT_EQ(h.collapsedSide, 45);
    EXPECT_EQ(h.dropIcon, (Size{54, 54}));
    EXPECT_EQ(h.dropIconInset, 50);
    EXPECT_EQ(h.labelPad, (Size{16, 26}));  // 16, 25.5
    EXPECT_EQ(HostSizesAt(192).collapsedSide, 60);
    EXPECT_EQ(HostSizesAt(120).labelPad, (Size{13, 21}));  // 13.3, 21.25

    EXPECT_EQ(FitLabel({14, 13}, h), (Size{30, 39}));
    EXPECT_EQ(DropIconPosition(1024, h), (Point{1024 - 54 - 50, 50}));
    EXPECT_EQ(DropIconPosition(1024), (Point{1024 - 36 - 33, 33}));

    // A Floater keeps its picture's own size at any DPI; collapsed, it is
    // the scaled thumbnail, and expanding gives the picture back.
    FloaterBook book;
    book.sizes = h;
    const auto n = book.Create({270, 120}, FitLabel({14, 13}, h), {1024, 768});
    ASSERT_TRUE(n);
    EXPECT_EQ(book.Find(*n)->picture, (Rect{377, 324, 270, 120}));
    ASSERT_TRUE(book.ToggleCollapse(*n));
    EXPECT_EQ(book.Find(*n)->picture, (Rect{377, 324, 45, 45}));
    EXPECT_EQ(book.Find(*n)->label, (Rect{377, 324 - 39, 30, 39}));
    ASSERT_TRUE(book.ToggleCollapse(*n));
    EXPECT_EQ(book.Find(*n)->picture, (Rect{377, 324, 270, 120}));
    // The highlight frame's strips, in the host's shape, are as wide as the DPI says.
    book.frameVisible = true;
    book.frame = HighlightFrame(book.Find(*n)->picture);
    const auto shape = HostShape(book, {}, {1024, 768});
    ASSERT_EQ(shape.size(), 5u);  // the picture and four strips
    EXPECT_EQ(shape[1].height, 5);
}

}  // namespace
}  // namespace vellumo
