// Monitor layouts, placement on several monitors, and DPI scaling. The
// two-monitor layout is the end-to-end rig's: a 1280 x 800 primary and a
// 1024 x 768 monitor to its left, so a 1024 x 32 gap lies below the left one.
#include <gtest/gtest.h>

#include <algorithm>

#include "floaters/FloaterBook.h"
#include "gfx/Dpi.h"
#include "gfx/MonitorLayout.h"
#include "overlay/MonitorPlacement.h"
#include "overlay/PickList.h"
#include "overlay/Readout.h"
#include "overlay/Selection.h"

using namespace vellumo;

namespace {

const MonitorArea kPrimary{{0, 0, 1280, 800}, true};
const MonitorArea kLeft{{-1024, 0, 1024, 768}, false};

MonitorLayout Rig() { return MonitorLayout({kPrimary, kLeft}); }

// Three monitors of different sizes: one above the primary, one to its right
// whose top is lower, leaving gaps in every corner of the virtual screen.
MonitorLayout Staggered() {
    return MonitorLayout({{{0, -600, 800, 600}, false}, {{0, 0, 1920, 1080}, true}, {{1920, 200, 1280, 1024}, false}});
}

TEST(MonitorLayout, BoundsPrimaryAndDegenerateLists) {
    const MonitorLayout rig = Rig();
    EXPECT_EQ(rig.virtualBounds(), (Rect{-1024, 0, 2304, 800}));
    EXPECT_EQ(rig.primaryIndex(), 0u);
    EXPECT_EQ(Staggered().virtualBounds(), (Rect{0, -600, 3200, 1824}));
    EXPECT_EQ(Staggered().primary(), (Rect{0, 0, 1920, 1080}));

    // No flag: the monitor at the origin is the primary, whatever its place in the list.
    const MonitorLayout unflagged({{{-1024, 0, 1024, 768}, false}, {{0, 0, 1280, 800}, false}});
    EXPECT_EQ(unflagged.primaryIndex(), 1u);
    EXPECT_TRUE(unflagged.monitors()[1].primary);
    // Two flags: only the first stays primary.
    const MonitorLayout twoFlags({{{0, 0, 10, 10}, true}, {{10, 0, 10, 10}, true}});
    EXPECT_EQ(twoFlags.primaryIndex(), 0u);
    EXPECT_FALSE(twoFlags.monitors()[1].primary);

    // Empty monitors are dropped; with none left, every question still answers.
    const MonitorLayout none({{{5, 5, 0, 100}, true}});
    EXPECT_EQ(none.count(), 1u);
    EXPECT_EQ(none.virtualBounds(), (Rect{0, 0, 0, 0}));
    EXPECT_EQ(none.MonitorAt({50, 50}), 0u);
    EXPECT_TRUE(none.OutsideEveryMonitor({0, 0}));
    EXPECT_EQ(MonitorLayout({{{5, 5, 0, 100}, true}, {{0, 0, 640, 480}, false}}).primary(), (Rect{0, 0, 640, 480}));
}

TEST(MonitorLayout, MonitorAtPointAndNearestInGaps) {
    const MonitorLayout rig = Rig();
    struct Case {
        Point p;
        std::size_t monitor;
        bool outside;
    };
    const Case cases[] = {
        {{0, 0}, 0, false},         {{-1, 0}, 1, false},       {{-1024, 0}, 1, false},  {{-1025, 0}, 1, true},
        {{1279, 799}, 0, false},    {{1280, 799}, 0, true},    {{-1, 767}, 1, false},
        {{-1, 768}, 0, true},       // the gap's corner: one pixel from both, the earlier wins
        {{-600, 790}, 1, true},     // deep in the gap: 23 below the left monitor, 600 left of the primary
        {{-20, 799}, 0, true},      // 20 left of the primary, 32 below the left monitor
        {{500, -30}, 0, true},      {{-500, -30}, 1, true},    {{-5000, 400}, 1, true}, {{9000, 9000}, 0, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(rig.MonitorAt(c.p), c.monitor) << c.p.x << "," << c.p.y;
        EXPECT_EQ(rig.OutsideEveryMonitor(c.p), c.outside) << c.p.x << "," << c.p.y;
    }
    const MonitorLayout st = Staggered();
    EXPECT_TRUE(st.OutsideEveryMonitor({800, -1}));   // right of the top monitor
    EXPECT_EQ(st.MonitorAt({850, -1}), 1u);           // 1 above the primary, 50 right of the top one
    EXPECT_TRUE(st.OutsideEveryMonitor({1920, 199}));  // above the right monitor
    EXPECT_FALSE(st.OutsideEveryMonitor({1920, 200}));
    EXPECT_EQ(st.MonitorAt({3000, 100}), 2u);
    // Equally near two monitors: the earlier one.
    const MonitorLayout apart({{{0, 0, 100, 100}, true}, {{201, 0, 100, 100}, false}});
    EXPECT_EQ(apart.MonitorAt({149, 50}), 0u);
    EXPECT_EQ(apart.MonitorAt({150, 50}), 0u);
    EXPECT_EQ(apart.MonitorAt({151, 50}), 1u);
}

TEST(MonitorLayout, MonitorHoldingMostOfARect) {
    const MonitorLayout rig = Rig();
    EXPECT_EQ(rig.MonitorOf({-100, 10, 99, 50}), 1u);
    EXPECT_EQ(rig.MonitorOf({-100, 10, 201, 50}), 0u);   // 101 columns on the primary, 100 on the left
    EXPECT_EQ(rig.MonitorOf({-101, 10, 201, 50}), 1u);   // 101 on the left, 100 on the primary
    EXPECT_EQ(rig.MonitorOf({-100, 10, 200, 50}), 0u);   // a tie: the earlier in the list wins...
    EXPECT_EQ(MonitorLayout({kLeft, kPrimary}).MonitorOf({-100, 10, 200, 50}), 0u);  // ...whichever it is
    // The taller primary holds more of a rect reaching into the gap.
    EXPECT_EQ(rig.MonitorOf({-30, 700, 60, 100}), 0u);
    EXPECT_EQ(rig.MonitorOf({-40, 700, 60, 100}), 1u);
    // Off every monitor: the nearest.
    EXPECT_EQ(rig.MonitorOf({-900, 780, 50, 10}), 1u);
    EXPECT_EQ(rig.MonitorOf({1400, 100, 50, 50}), 0u);
    EXPECT_EQ(rig.MonitorOf({-1500, 100, 50, 50}), 1u);
    // An empty rect is its corner.
    EXPECT_EQ(rig.MonitorOf({-5, 10, 0, 0}), 1u);
    EXPECT_EQ(rig.MonitorOf({5, 10, 0, 40}), 0u);
}

TEST(MonitorLayout, CoordinateConversion) {
    const MonitorLayout rig = Rig();
    // Bitmap (0,0) is the virtual screen's top-left, whatever its sign.
    EXPECT_EQ(rig.ToBitmap(Point{-1024, 0}), (Point{0, 0}));
    EXPECT_EQ(rig.ToBitmap(Point{0, 0}), (Point{1024, 0}));
    EXPECT_EQ(rig.ToBitmap(Rect{-10, 5, 20, 30}), (Rect{1014, 5, 20, 30}));
    EXPECT_EQ(Staggered().ToBitmap(Point{0, 0}), (Point{0, 600}));
    for (const Point p : {Point{-1024, 0}, Point{-1, 767}, Point{1279, 799}, Point{-7000, 9000}}) {
        EXPECT_EQ(rig.ToScreen(rig.ToBitmap(p)), p);
        EXPECT_EQ(Staggered().ToScreen(Staggered().ToBitmap(p)), p);
    }
    EXPECT_EQ(rig.ToScreen(rig.ToBitmap(Rect{-3, -4, 5, 6})), (Rect{-3, -4, 5, 6}));
}

// Where a Floater of `image` lands when centred on `monitor`.
Point FloaterCentredOn(const Rect& monitor, Size image) {
    FloaterBook book;
    if (!book.CreateOn(image, {30, 20}, monitor)) return {INT32_MIN, INT32_MIN};
    return {book.Find(1)->picture.left, book.Find(1)->picture.top};
}

TEST(MonitorLayout, CentringMatchesTheSingleScreenFloaterRule) {
    for (const Size screen : {Size{1024, 768}, Size{1280, 800}, Size{1, 1}}) {
        const MonitorLayout one = MonitorLayout::Single(screen);
        for (const Size image : {Size{100, 50}, Size{101, 51}, Size{2000, 1001}, Size{1023, 767}, Size{0, 0}})
            EXPECT_EQ(FloaterCentredOn(one.primary(), image), CentreOn(image, screen))
                << image.width << "x" << image.height;
    }
    const MonitorLayout rig = Rig();
    EXPECT_EQ(FloaterCentredOn(rig.bounds(1), {100, 100}), (Point{-562, 334}));
    EXPECT_EQ(FloaterCentredOn(rig.bounds(1), {101, 101}), (Point{-563, 333}));
    // Larger than the monitor: floor, as before.
    EXPECT_EQ(FloaterCentredOn(rig.bounds(1), {2001, 1001}), (Point{-1513, -117}));
    EXPECT_EQ(FloaterCentredOn(rig.bounds(0), {100, 100}), (Point{590, 350}));
}

// The rules the overlay has always used on its one screen: the toolbar's top
// for a completed frame, and the magnifier's place beside the pointer.
int SingleScreenToolbarTop(const Rect& frame, int toolbarHeight, int screenHeight) {
    if (frame.top + kToolsGap > toolbarHeight) return frame.top - toolbarHeight - kToolsGap;
    if (frame.bottom() + toolbarHeight + kToolsGap < screenHeight) return frame.bottom() + kToolsGap;
    return frame.top;
}
Point SingleScreenMagnifier(Point p, Size panel, Size screen) {
    return {p.x + kPointerGap + panel.width <= screen.width ? p.x + kPointerGap : p.x - panel.width - kPointerGap,
            p.y + kPointerGap + panel.height <= screen.height ? p.y + kPointerGap : p.y - panel.height - kPointerGap};
}

// Every frame a single screen can complete, against the toolbar rule the
// overlay has always used up and down; across, the toolbar stays on the
// screen (once it started at the frame's left wherever that put it).
TEST(MonitorPlacement, OneMonitorGivesTheSingleScreenResults) {
    for (const Size screen : {Size{1024, 768}, Size{800, 600}, Size{1280, 800}}) {
        const MonitorLayout one = MonitorLayout::Single(screen);
        for (int top : {-40, -1, 0, 1, 100, 107, 108, 109, 118, 119, 300, 600, 640, 700, 767, 900})
            for (int height : {0, 1, 20, 300, 560, 700, 768})
                for (int left : {-30, 0, 5, 900, 1023, 1100}) {
                    const Rect frame{left, top, 40, height};
                    const int across = std::max(0, std::min(frame.left, screen.width - kToolsSize.width));
                    const Point want{across, SingleScreenToolbarTop(frame, kToolsSize.height, screen.height)};
                    ASSERT_EQ(PlaceToolbarOn(one, frame, kToolsSize), want)
                        << screen.width << "x" << screen.height << " frame " << left << "," << top << " h" << height;
                }
        for (int y = -30; y <= screen.height + 30; y += 7)
            for (int x = -30; x <= screen.width + 30; x += 11)
                ASSERT_EQ(PlaceMagnifierOn(one, {x, y}, kMagnifierSize),
                          SingleScreenMagnifier({x, y}, kMagnifierSize, screen))
                    << x << "," << y;
    }
}

TEST(MonitorPlacement, ToolbarStaysOnTheSelectionsMonitor) {
    const MonitorLayout rig = Rig();
    // On the left monitor the single-screen rule holds, measured on that monitor.
    EXPECT_EQ(PlaceToolbarOn(rig, {-900, 300, 200, 100}, kToolsSize), (Point{-900, 300 - kToolsSize.height - 5}));
    EXPECT_EQ(PlaceToolbarOn(rig, {-900, 10, 200, 100}, kToolsSize), (Point{-900, 115}));
    // Below fits on the primary (800 high) but not on the left monitor (768).
    EXPECT_EQ(PlaceToolbarOn(rig, {200, 100, 200, 550}, kToolsSize), (Point{200, 655}));
    EXPECT_EQ(PlaceToolbarOn(rig, {-900, 100, 200, 550}, kToolsSize), (Point{-900, 100}));
    // A selection mostly on the primary that starts on the left monitor: the
    // toolbar starts at the primary's left edge, not on the other monitor.
    EXPECT_EQ(PlaceToolbarOn(rig, {-50, 300, 400, 100}, kToolsSize), (Point{0, 300 - kToolsSize.height - 5}));
    // Mostly on the left monitor, reaching onto the primary near the boundary:
    // the toolbar ends at the left monitor's right edge.
    EXPECT_EQ(PlaceToolbarOn(rig, {-150, 300, 200, 100}, kToolsSize), (Point{-225, 300 - kToolsSize.height - 5}));
    // At the virtual screen's outer edges too it comes back onto the monitor.
    EXPECT_EQ(PlaceToolbarOn(rig, {1200, 300, 80, 100}, kToolsSize), (Point{1280 - 225, 300 - kToolsSize.height - 5}));
    EXPECT_EQ(PlaceToolbarOn(rig, {-1030, 300, 80, 100}, kToolsSize), (Point{-1024, 300 - kToolsSize.height - 5}));
    // A selection on the primary whose "over its top edge" fallback would
    // start on the monitor above is pulled back down onto the primary.
    const MonitorLayout st = Staggered();
    EXPECT_EQ(PlaceToolbarOn(st, {100, -20, 300, 1090}, kToolsSize), (Point{100, 0}));
    // Near the primary's right edge it would reach onto the monitor there.
    EXPECT_EQ(PlaceToolbarOn(st, {1800, 500, 100, 100}, kToolsSize), (Point{1695, 500 - kToolsSize.height - 5}));
}

// Fixed fault: a selection near the right edge put the toolbar's buttons
// off the screen (1800..2025 on a 1920 screen), where no click reaches them.
TEST(MonitorPlacement, ToolbarNearTheRightEdgeEndsAtItWhateverItsSize) {
    const MonitorLayout one = MonitorLayout::Single({1920, 1080});
    const Rect frame{1800, 900, 100, 100};
    EXPECT_EQ(PlaceToolbarOn(one, frame, kToolsSize), (Point{1920 - kToolsSize.width, 900 - kToolsSize.height - 5}));
    // A larger toolbar (more tools, or a higher DPI) ends at the edge too.
    EXPECT_EQ(PlaceToolbarOn(one, frame, {338, 170}), (Point{1920 - 338, 900 - 170 - 5}));
    // Just inside, on and just past the edge.
    EXPECT_EQ(PlaceToolbarOn(one, {1695, 500, 50, 50}, kToolsSize).x, 1695);
    EXPECT_EQ(PlaceToolbarOn(one, {1696, 500, 50, 50}, kToolsSize).x, 1695);
    EXPECT_EQ(PlaceToolbarOn(one, {1694, 500, 50, 50}, kToolsSize).x, 1694);
    // Wider than the screen: it starts at the left edge.
    EXPECT_EQ(PlaceToolbarOn(MonitorLayout::Single({200, 600}), {150, 300, 40, 40}, kToolsSize).x, 0);
}

TEST(MonitorPlacement, MagnifierFlipsAtThePointersMonitorEdges) {
    const MonitorLayout rig = Rig();
    const Size va = kMagnifierSize;  // 130 x 161
    // The left monitor's right edge is the boundary: flip before it, although
    // the primary lies beyond.
    EXPECT_EQ(PlaceMagnifierOn(rig, {-151, 100}, va), (Point{-131, 120}));  // -151+20+130 = -1: fits
    EXPECT_EQ(PlaceMagnifierOn(rig, {-149, 100}, va), (Point{-299, 120}));
    // Its bottom is 768, not 800.
    EXPECT_EQ(PlaceMagnifierOn(rig, {-500, 587}, va), (Point{-480, 607}));
    EXPECT_EQ(PlaceMagnifierOn(rig, {-500, 588}, va), (Point{-480, 407}));
    EXPECT_EQ(PlaceMagnifierOn(rig, {500, 619}, va), (Point{520, 639}));
    EXPECT_EQ(PlaceMagnifierOn(rig, {500, 620}, va), (Point{520, 439}));
    // Near the primary's left edge nothing flips: there is room to the right.
    EXPECT_EQ(PlaceMagnifierOn(rig, {0, 0}, va), (Point{20, 20}));
    // In the gap: the nearest monitor's edges (the left one's bottom is 768).
    EXPECT_EQ(PlaceMagnifierOn(rig, {-600, 790}, va), (Point{-580, 609}));
}

TEST(Dpi, ScalingRoundsAsWindowsDoes) {
    for (int v = -300; v <= 300; ++v) {
        ASSERT_EQ(ScaleForDpi(v, 96), v);
        ASSERT_EQ(ScaleForDpi(v, 192), 2 * v);
        ASSERT_EQ(ScaleForDpi(v, 144), v * 3 / 2 + (v % 2 == 0 ? 0 : (v > 0 ? 1 : -1)));  // halves away from zero
    }
    EXPECT_EQ(ScaleForDpi(225, 120), 281);  // 281.25
    EXPECT_EQ(ScaleForDpi(6, 120), 8);      // 7.5 rounds up
    EXPECT_EQ(ScaleForDpi(-6, 120), -8);
    EXPECT_EQ(ScaleForDpi(Size{225, 113}, 144), (Size{338, 170}));  // 337.5, 169.5
    EXPECT_EQ(ScaleForDpi(Rect{-3, 4, 130, 161}, 144), (Rect{-5, 6, 195, 242}));
    // A failed DPI query leaves lengths as designed.
    EXPECT_EQ(ScaleForDpi(130, 0), 130);
    EXPECT_EQ(ScaleForDpi(130, -144), 130);
    // MulDiv's own edges.
    EXPECT_EQ(MulDivRounded(5, 3, 0), -1);
    EXPECT_EQ(MulDivRounded(INT32_MAX, 2, 1), -1);
    EXPECT_EQ(MulDivRounded(INT32_MAX, 2, 2), INT32_MAX);
    EXPECT_EQ(MulDivRounded(INT32_MIN, 1, 1), INT32_MIN);
    EXPECT_EQ(MulDivRounded(7, 1, -2), -4);
    EXPECT_EQ(MulDivRounded(-7, -1, -2), -4);
}

TEST(Dpi, TwipsFollowTheRealDpi) {
    EXPECT_DOUBLE_EQ(TwipsPerPixel(96), 15.0);
    EXPECT_DOUBLE_EQ(TwipsPerPixel(120), 12.0);
    EXPECT_DOUBLE_EQ(TwipsPerPixel(144), 10.0);
    EXPECT_DOUBLE_EQ(TwipsPerPixel(192), 7.5);
    EXPECT_DOUBLE_EQ(TwipsPerPixel(0), 15.0);
    // At 96 DPI, exactly 15 twips a pixel, to the nearest.
    for (int t = 0; t <= 20000; ++t) ASSERT_EQ(TwipsToPixels(t, 96), (t + 7) / 15) << t;
    EXPECT_EQ(kCollapsedSide, 30);
    EXPECT_EQ(kDropIconInset, 33);
    EXPECT_EQ((Size{kLabelPadWidth, kLabelPadHeight}), (Size{11, 17}));
    EXPECT_EQ(TwipsToPixels(450, 144), 45);
    EXPECT_EQ(TwipsToPixels(500, 144), 50);
    EXPECT_EQ(TwipsToPixels(255, 144), 26);  // 25.5
    EXPECT_EQ(TwipsToPixels(160, 192), 21);  // 21.33
    EXPECT_EQ(TwipsToPixels(255, 120), 21);  // 21.25
}

}  // namespace

namespace {

TEST(MonitorLayout, GapsAreTheVirtualScreenOffEveryMonitor) {
    EXPECT_TRUE(MonitorLayout::Single({1280, 800}).Gaps().empty());
    EXPECT_EQ(Rig().Gaps(), (std::vector<Rect>{{-1024, 768, 1024, 32}}));
    // Staggered: right of the top monitor, below it on the right, and the
    // corners around the right monitor; every point is in exactly one gap or
    // on a monitor.
    const MonitorLayout st = Staggered();
    const std::vector<Rect> gaps = st.Gaps();
    const Rect& v = st.virtualBounds();
    for (int y = v.top; y < v.bottom(); y += 37)
        for (int x = v.left; x < v.right(); x += 41) {
            int in = 0;
            for (const Rect& g : gaps) in += g.contains({x, y});
            ASSERT_EQ(in, st.OutsideEveryMonitor({x, y}) ? 1 : 0) << x << "," << y;
        }
    // Side by side, edge to edge: no gap.
    EXPECT_TRUE(MonitorLayout({{{0, 0, 100, 100}, true}, {{100, 0, 100, 100}, false}}).Gaps().empty());
}

TEST(MonitorLayout, SelectionCornersLeaveTheGapsOnly) {
    const MonitorLayout rig = Rig();
    struct Case {
        Point in, out;
    };
    const Case cases[] = {
        {{-500, 700}, {-500, 700}},  // on a monitor
        {{-500, 768}, {-500, 768}},  // its bottom edge: still the monitor's
        {{-500, 769}, {-500, 768}},  // just inside the gap
        {{-500, 799}, {-500, 768}},
        {{-20, 790}, {0, 790}},      // nearer the primary's left edge
        {{-500, 800}, {-500, 768}},  // the virtual screen's bottom edge, under the gap
        {{-500, 801}, {-500, 801}},  // past the virtual screen: as on one monitor
        {{-2000, 790}, {-2000, 790}},
    };
    for (const Case& c : cases) EXPECT_EQ(rig.KeepOutOfGaps(c.in), c.out) << c.in.x << "," << c.in.y;
    // One monitor: nothing ever moves, even past its edges.
    const MonitorLayout one = MonitorLayout::Single({1024, 768});
    for (const Point p : {Point{-3, -3}, Point{1024, 768}, Point{1030, 5}, Point{500, 400}})
        EXPECT_EQ(one.KeepOutOfGaps(p), p);
}

TEST(MonitorLayout, OnBitmapStartsAtTheVirtualTopLeft) {
    const MonitorLayout b = Rig().OnBitmap();
    EXPECT_EQ(b.virtualBounds(), (Rect{0, 0, 2304, 800}));
    EXPECT_EQ(b.primary(), (Rect{1024, 0, 1280, 800}));
    EXPECT_EQ(b.bounds(1), (Rect{0, 0, 1024, 768}));
    EXPECT_EQ(Staggered().OnBitmap().primary(), (Rect{0, 600, 1920, 1080}));
}

// The selection on the rig's monitors, in the overlay's coordinates: the
// left monitor at x 0..1023, the primary from 1024, the gap below the left.
TEST(MonitorSelection, DragAndHandlesStayOutOfTheGapAndTheToolbarOnItsMonitor) {
    Selection s(Rig().OnBitmap());
    EXPECT_EQ(s.screen(), (Size{2304, 800}));
    s.MouseDown(MouseButton::Left, {400, 700});
    EXPECT_FALSE(s.MouseMove(true, {401, 701}).frameChanged) << "within the drag threshold";
    s.MouseMove(true, {550, 790});
    EXPECT_EQ(s.frame(), (Rect{400, 700, 150, 68}));
    const Changes c = s.MouseUp(MouseButton::Left, {550, 790});
    EXPECT_TRUE(c.completed);
    // Above the frame; left-aligned: the frame's monitor has room.
    EXPECT_EQ(s.toolsPosition(), (Point{400, 700 - kToolsSize.height - 5}));

    // The bottom handle pulled into the gap stops at the monitor's edge.
    s.HandleDown(6, MouseButton::Left, {3, 3});
    s.HandleMove(6, true, {3, 3 + 20});
    EXPECT_EQ(s.frame(), (Rect{400, 700, 150, 68}));
    s.HandleMove(6, true, {3, 3 - 10});
    EXPECT_EQ(s.frame(), (Rect{400, 700, 150, 58}));

    // A new selection across the boundary, mostly on the primary: the toolbar
    // starts at the primary's left edge.
    s.BackToDetection();
    s.MouseDown(MouseButton::Left, {974, 300});
    s.MouseMove(true, {1124, 380});
    s.MouseUp(MouseButton::Left, {1124, 380});
    EXPECT_EQ(s.frame(), (Rect{974, 300, 150, 80}));
    EXPECT_EQ(s.toolsPosition(), (Point{1024, 300 - kToolsSize.height - 5}));
}

TEST(MonitorSelection, DetectionTakesNothingOffTheMonitors) {
    PickList picks;
    // A window on the left monitor reaching into the gap, and the desktop.
    picks.Assign({1, 2}, {Edges{-900, 600, -500, 790}, Edges{-1024, 0, 1280, 800}});
    const MonitorLayout rig = Rig();
    EXPECT_EQ(picks.DetectAt(rig, {-700, 700}), (Rect{124, 600, 400, 190}));  // overlay coordinates
    EXPECT_EQ(picks.DetectAt(rig, {100, 100}), (Rect{0, 0, 2304, 800}));
    EXPECT_EQ(picks.DetectAt(rig, {-700, 780}), std::nullopt);  // in the gap, over the window
    EXPECT_EQ(picks.DetectAt(rig, {-1025, 100}), std::nullopt);
    // One monitor: exactly the old search.
    const MonitorLayout one = MonitorLayout::Single({1280, 800});
    EXPECT_EQ(picks.DetectAt(one, {100, 100}), picks.WindowRectOf(1));
}

TEST(FloaterPlacement, CentredOnTheChosenMonitorAndTheDropIconOnThePrimary) {
    FloaterBook book;
    const MonitorLayout b = Rig().OnBitmap();  // the host's coordinates
    ASSERT_EQ(book.CreateOn({100, 50}, {30, 20}, b.bounds(1)), 1);
    EXPECT_EQ(book.Find(1)->picture, (Rect{462, 359, 100, 50}));
    ASSERT_EQ(book.CreateOn({101, 51}, {30, 20}, b.primary()), 2);
    EXPECT_EQ(book.Find(2)->picture, (Rect{1024 + 589, 374, 101, 51}));
    // The Size form is the whole host from (0,0), as before.
    FloaterBook plain;
    plain.Create({100, 50}, {30, 20}, Size{1024, 768});
    EXPECT_EQ(plain.Find(1)->picture.left, CentreOn({100, 50}, {1024, 768}).x);
    EXPECT_EQ(DropIconPosition(b.primary()), (Point{2304 - 36 - 33, 33}));
    EXPECT_EQ(DropIconPosition(Rect{0, 0, 1024, 768}), DropIconPosition(1024));
    EXPECT_EQ(DropIconPosition(Staggered().OnBitmap().primary()), (Point{1920 - 69, 633}));
}

}  // namespace
