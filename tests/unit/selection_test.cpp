#include "overlay/Selection.h"

#include "overlay/MonitorPlacement.h"

#include <gtest/gtest.h>

namespace vellumo {
namespace {

constexpr Size kScreen{1920, 1080};

// Press at `from`, then `moves` moves with the left button ending at `to`, then release.
Selection Dragged(Point from, Point to, int moves = 10) {
    Selection s(kScreen);
    s.MouseDown(MouseButton::Left, from);
    for (int i = 1; i <= moves; ++i) {
        s.MouseMove(true, {from.x + (to.x - from.x) * i / moves, from.y + (to.y - from.y) * i / moves});
    }
    s.MouseUp(MouseButton::Left, to);
    return s;
}

TEST(Selection, StartsDetectingWithFrameOutOfSight) {
    Selection s(kScreen);
    EXPECT_EQ(s.mode(), Mode::Detecting);
    EXPECT_TRUE(s.detectionEnabled());
    EXPECT_EQ(s.borderWidth(), 4);
    EXPECT_LE(FrameBounds(s.frame(), s.borderWidth()).bottom(), 0);
    for (const Rect& h : s.handles()) EXPECT_LE(h.bottom(), 0);
    EXPECT_FALSE(s.toolsVisible());
}

TEST(Selection, MovesWithinTheDragThresholdAreAClickOneBeyondStartsADrag) {
    Selection s(kScreen);
    s.WindowDetected({100, 100, 300, 200});
    s.MouseDown(MouseButton::Left, {150, 150});
    // However many moves come, a pointer within 2 px of the press is a click.
    for (int i = 0; i < 40; ++i) {
        const Changes c = s.MouseMove(true, {150 + (i % 5) - 2, 150 - (i % 5) + 2});
        EXPECT_FALSE(c.frameChanged) << "move " << i;
        EXPECT_EQ(s.mode(), Mode::Pressed);
        EXPECT_TRUE(s.detectionEnabled());
    }
    // Detection may still move the frame while the press is a click.
    EXPECT_TRUE(s.WindowDetected({110, 110, 300, 200}).frameChanged);

    const Changes past = s.MouseMove(true, {153, 150});
    EXPECT_TRUE(past.frameChanged);
    EXPECT_EQ(s.mode(), Mode::Dragging);
    EXPECT_FALSE(s.detectionEnabled());
    EXPECT_EQ(s.frame(), (Rect{150, 150, 3, 0}));
    EXPECT_FALSE(s.WindowDetected({0, 0, 10, 10}).frameChanged);
    // Once dragging, back inside the threshold is still the drag.
    EXPECT_TRUE(s.MouseMove(true, {151, 151}).frameChanged);
    EXPECT_EQ(s.frame(), (Rect{150, 150, 1, 1}));
}

// The drag rectangle is the system's, centred on the press point: just
// inside, on and just past its edge in each direction, for the default
// threshold and a larger one.
TEST(Selection, TheDragThresholdIsTheSystemsRectangleAroundThePress) {
    struct Case {
        Size threshold;
        Point to;
        bool drag;
    } cases[] = {
        {{4, 4}, {502, 400}, false}, {{4, 4}, {503, 400}, true},  {{4, 4}, {498, 400}, false},
        {{4, 4}, {497, 400}, true},  {{4, 4}, {500, 402}, false}, {{4, 4}, {500, 403}, true},
        {{4, 4}, {500, 397}, true},  {{4, 4}, {502, 398}, false}, {{20, 8}, {510, 404}, false},
        {{20, 8}, {511, 400}, true}, {{20, 8}, {490, 396}, false}, {{20, 8}, {500, 405}, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PastDragThreshold({500, 400}, c.to, c.threshold), c.drag)
            << c.threshold.width << "x" << c.threshold.height << " to " << c.to.x << "," << c.to.y;
        Selection s(kScreen);
        s.SetDragThreshold(c.threshold);
        s.WindowDetected({100, 100, 300, 200});
        s.MouseDown(MouseButton::Left, {500, 400});
        s.MouseMove(true, c.to);
        EXPECT_EQ(s.mode(), c.drag ? Mode::Dragging : Mode::Pressed) << c.to.x << "," << c.to.y;
    }
}

// Fixed fault: a press followed by six or fewer moves was a click, so a
// quick flick (three moves, or a drag whose moves the system merged under
// load) picked the window under the pointer, or gave a 0 x 0 selection.
TEST(Selection, AFlickInFewMovesIsADragNotAClick) {
    for (int moves : {1, 2, 3}) {
        Selection s = Dragged({300, 200}, {500, 350}, moves);
        EXPECT_TRUE(s.Selected()) << moves;
        EXPECT_EQ(s.frame(), (Rect{300, 200, 200, 150})) << moves << " moves";
    }
    // No move at all before the release: the release's own point decides.
    Selection s(kScreen);
    s.WindowDetected({100, 100, 300, 200});
    s.MouseDown(MouseButton::Left, {300, 200});
    const Changes c = s.MouseUp(MouseButton::Left, {480, 200});
    EXPECT_TRUE(c.completed && c.frameChanged);
    EXPECT_EQ(s.frame(), (Rect{300, 200, 180, 0}));
    // A release within the threshold is still a click on the detected window.
    Selection click(kScreen);
    click.WindowDetected({100, 100, 300, 200});
    click.MouseDown(MouseButton::Left, {300, 200});
    click.MouseUp(MouseButton::Left, {302, 198});
    EXPECT_EQ(click.frame(), (Rect{98, 98, 304, 204}));
}

TEST(Selection, ClickAcceptsDetectedWindowWithMargin) {
    Selection s(kScreen);
    s.WindowDetected({100, 200, 300, 150});
    s.MouseDown(MouseButton::Left, {150, 250});
    for (int i = 0; i < 6; ++i) s.MouseMove(true, {151, 250});
    const Changes c = s.MouseUp(MouseButton::Left, {151, 250});
    EXPECT_TRUE(c.completed);
    EXPECT_TRUE(s.Selected());
    EXPECT_EQ(s.frame(), (Rect{98, 198, 304, 154}));
    EXPECT_EQ(s.borderWidth(), 1);
    EXPECT_TRUE(s.toolsVisible());
    // Selected: detection no longer moves the frame.
    EXPECT_FALSE(s.WindowDetected({0, 0, 50, 50}).frameChanged);
    EXPECT_EQ(s.frame(), (Rect{98, 198, 304, 154}));
}

TEST(Selection, DragInAnyDirectionSpansPressPointAndPointer) {
    EXPECT_EQ(Dragged({500, 400}, {700, 650}).frame(), (Rect{500, 400, 200, 250}));
    EXPECT_EQ(Dragged({500, 400}, {300, 100}).frame(), (Rect{300, 100, 200, 300}));
    EXPECT_EQ(Dragged({500, 400}, {300, 650}).frame(), (Rect{300, 400, 200, 250}));
    EXPECT_EQ(Dragged({500, 400}, {700, 100}).frame(), (Rect{500, 100, 200, 300}));
    // Out and back onto the press point: a 0 x 0 frame, never negative.
    Selection back(kScreen);
    back.MouseDown(MouseButton::Left, {500, 400});
    back.MouseMove(true, {520, 420});
    back.MouseMove(true, {500, 400});
    back.MouseUp(MouseButton::Left, {500, 400});
    EXPECT_EQ(back.frame(), (Rect{500, 400, 0, 0}));
}

TEST(Selection, MoveWithoutButtonEndsThePress) {
    Selection s(kScreen);
    s.WindowDetected({100, 100, 300, 200});
    s.MouseDown(MouseButton::Left, {10, 10});
    s.MouseMove(true, {11, 11});
    s.MouseMove(false, {20, 20});  // the release happened elsewhere
    EXPECT_EQ(s.mode(), Mode::Detecting);
    // Without a new press, a left move far away starts no drag.
    EXPECT_FALSE(s.MouseMove(true, {300, 300}).frameChanged);
    EXPECT_EQ(s.mode(), Mode::Detecting);
    // A move with another button also held is not a left drag.
    s.MouseDown(MouseButton::Left, {10, 10});
    for (int i = 0; i < 10; ++i) EXPECT_FALSE(s.MouseMove(false, {30 + i, 30}).frameChanged);
    EXPECT_NE(s.mode(), Mode::Dragging);
}

TEST(Selection, ToolbarPlacementAboveBelowOrOver) {
    const int th = kToolsSize.height;  // 134
    struct Case {
        Rect frame;
        int expectedTop;
    } cases[] = {
        {{10, 500, 100, 100}, 500 - th - 5},       // room above
        {{10, th - 4, 100, 100}, -9},               // T + 5 = th + 1 > th: above, 9 px off the top
        {{10, th - 5, 100, 100}, th - 5 + 100 + 5},  // T + 5 = th: not above, so below
        {{10, 0, 100, 100}, 105},                   // below
        {{10, 0, 100, 1080 - th - 5 - 1}, 1080 - th - 1},  // just fits below
        {{10, 0, 100, 1080 - th - 5}, 0},           // no room below: over the top-left corner
        {{10, 20, 100, 1080}, 20},                  // fills the height
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PlaceToolbarOn(MonitorLayout::Single({1920, 1080}), c.frame, kToolsSize).y, c.expectedTop)
            << "frame top " << c.frame.top << " height " << c.frame.height;
    }
    Selection s = Dragged({300, 0}, {500, 100});
    EXPECT_EQ(s.toolsPosition(), (Point{300, 105}));
}

TEST(Selection, HandlesCentredOnCornersAndMidpoints) {
    const auto h = PlaceHandles({100, 200, 301, 101});
    const Point expected[] = {{100, 200}, {250, 200}, {401, 200}, {100, 250},
                              {401, 250}, {100, 301}, {250, 301}, {401, 301}};
    for (int i = 0; i < kHandleCount; ++i) {
        EXPECT_EQ(h[i], (Rect{expected[i].x - 3, expected[i].y - 3, 6, 6})) << "Si(" << i << ")";
    }
}

TEST(Selection, MovingTheSelectionCentresItOnThePointer) {
    Selection s = Dragged({100, 100}, {301, 201});  // 201 x 101
    s.MouseDown(MouseButton::Left, {150, 150});
    const Changes c = s.MouseMove(true, {1000, 10});
    EXPECT_TRUE(c.frameChanged);
    EXPECT_EQ(s.frame(), (Rect{900, -40, 201, 101}));  // not clamped to the screen
    EXPECT_EQ(s.handles()[0], (Rect{897, -43, 6, 6}));
    EXPECT_EQ(s.toolsPosition(), (Point{100, 206})) << "the toolbar stays where it was";
}

// Drag handle i by (dx, dy) from a grab point in its middle.
Rect DragHandle(Selection& s, int i, int dx, int dy) {
    const Rect h = s.handles()[i];
    s.HandleDown(i, MouseButton::Left, {3, 3});
    s.HandleMove(i, true, {3 + dx, 3 + dy});
    (void)h;
    return s.frame();
}

TEST(Selection, EachHandleMovesOnlyItsOwnEdges) {
    const Rect f{400, 300, 200, 100};
    struct Case {
        int handle, dx, dy;
        Rect expected;
    } cases[] = {
        {0, -10, -20, {390, 280, 210, 120}}, {1, -10, -20, {400, 280, 200, 120}},
        {2, 10, -20, {400, 280, 210, 120}},  {3, -10, -20, {390, 300, 210, 100}},
        {4, 10, 20, {400, 300, 210, 100}},   {5, -10, 20, {390, 300, 210, 120}},
        {6, 10, 20, {400, 300, 200, 120}},   {7, 10, 20, {400, 300, 210, 120}},
    };
    for (const Case& c : cases) {
        Selection s = Dragged({f.left, f.top}, {f.right(), f.bottom()});
        ASSERT_EQ(s.frame(), f);
        EXPECT_EQ(DragHandle(s, c.handle, c.dx, c.dy), c.expected) << "Si(" << c.handle << ")";
        EXPECT_EQ(s.handles(), PlaceHandles(s.frame())) << "handles re-centred";
    }
}

TEST(Selection, CornerHandlesKeepTheOppositeCorner) {
    Selection s = Dragged({400, 300}, {600, 400});
    for (int step = 1; step <= 5; ++step) {
        // Repeated moves from the same grab point: each step follows the pointer.
        s.HandleDown(7, MouseButton::Left, {3, 3});
        s.HandleMove(7, true, {3 + 7, 3 + 5});
        EXPECT_EQ(s.frame().left, 400);
        EXPECT_EQ(s.frame().top, 300);
    }
    EXPECT_EQ(s.frame(), (Rect{400, 300, 235, 125}));
    s.HandleDown(0, MouseButton::Left, {1, 4});
    s.HandleMove(0, true, {1 - 50, 4 - 30});
    EXPECT_EQ(s.frame().right(), 635);
    EXPECT_EQ(s.frame().bottom(), 425);
    EXPECT_EQ(s.frame(), (Rect{350, 270, 285, 155}));
}

TEST(Selection, NegativeSizesAreRefusedValueByValue) {
    // Handle 3 past the right anchor: the left edge moves, the width stays.
    Selection s = Dragged({400, 300}, {600, 400});
    EXPECT_EQ(DragHandle(s, 3, 250, 0), (Rect{650, 300, 200, 100}));
    // Handle 4 left of the left edge: width refused, nothing else changes.
    s = Dragged({400, 300}, {600, 400});
    EXPECT_EQ(DragHandle(s, 4, -250, 0), (Rect{400, 300, 200, 100}));
    // Handle 1 below the bottom anchor: top moves, height stays.
    s = Dragged({400, 300}, {600, 400});
    EXPECT_EQ(DragHandle(s, 1, 0, 150), (Rect{400, 450, 200, 100}));
    // Handle 2: the width is refused, the top and height still apply.
    s = Dragged({400, 300}, {600, 400});
    EXPECT_EQ(DragHandle(s, 2, -250, -20), (Rect{400, 280, 200, 120}));
    // Handle 5: height refused, left and width still apply.
    s = Dragged({400, 300}, {600, 400});
    EXPECT_EQ(DragHandle(s, 5, -10, -150), (Rect{390, 300, 210, 100}));
    // Exactly onto the opposite edge: zero is allowed.
    s = Dragged({400, 300}, {600, 400});
    EXPECT_EQ(DragHandle(s, 7, -200, -100), (Rect{400, 300, 0, 0}));
}

TEST(Selection, CornerHandleZeroDropsTheWholeStep) {
    Selection s = Dragged({400, 300}, {600, 400});
    EXPECT_EQ(DragHandle(s, 0, 250, -20), (Rect{400, 300, 200, 100})) << "width negative";
    EXPECT_EQ(DragHandle(s, 0, -20, 150), (Rect{400, 300, 200, 100})) << "height negative";
    EXPECT_EQ(DragHandle(s, 0, 200, 100), (Rect{600, 400, 0, 0})) << "zero is fine";
}

TEST(Selection, ChosenToolOrReleasedButtonStopsResizeAndMove) {
    Selection s = Dragged({400, 300}, {600, 400});
    const Rect f = s.frame();
    s.HandleDown(7, MouseButton::Left, {3, 3});
    EXPECT_FALSE(s.HandleMove(7, false, {40, 40}).frameChanged);
    s.ChooseTool(Tool::Rectangle);
    EXPECT_FALSE(s.HandleMove(7, true, {40, 40}).frameChanged);
    const Changes move = s.MouseMove(true, {10, 10});
    EXPECT_FALSE(move.frameChanged);
    EXPECT_TRUE(move.annotate);
    EXPECT_TRUE(s.MouseDown(MouseButton::Left, {10, 10}).annotate);
    EXPECT_TRUE(s.MouseUp(MouseButton::Left, {10, 10}).annotate);
    EXPECT_EQ(s.frame(), f);
}

TEST(Selection, RightPressOrReLoadReturnsToDetectionFromAnyState) {
    for (int state = 0; state < 4; ++state) {
        Selection s(kScreen);
        s.WindowDetected({10, 10, 50, 50});
        if (state >= 1) s.MouseDown(MouseButton::Left, {100, 100});
        if (state >= 2) for (int i = 0; i < 8; ++i) s.MouseMove(true, {200 + i, 200});
        if (state >= 3) s.MouseUp(MouseButton::Left, {207, 200});
        s.ChooseTool(Tool::Text);
        const Rect before = s.frame();
        const Changes c = s.MouseDown(MouseButton::Right, {5, 5});
        EXPECT_TRUE(c.reset) << state;
        EXPECT_EQ(s.mode(), Mode::Detecting);
        EXPECT_TRUE(s.detectionEnabled());
        EXPECT_EQ(s.borderWidth(), 4);
        EXPECT_EQ(s.tool(), Tool::None);
        EXPECT_FALSE(s.toolsVisible());
        EXPECT_EQ(s.frame(), before) << "the frame stays until detection moves it";
        for (const Rect& h : s.handles()) EXPECT_EQ(h.top, -6);
        EXPECT_TRUE(s.WindowDetected({300, 300, 10, 10}).frameChanged);
        // The press is over: a left move without a new one drags nothing.
        EXPECT_FALSE(s.MouseMove(true, {600, 600}).frameChanged) << state;
    }
}

TEST(Selection, RightPressOnAHandleAlsoReturnsToDetection) {
    Selection s = Dragged({400, 300}, {600, 400});
    EXPECT_TRUE(s.HandleDown(7, MouseButton::Right, {3, 3}).reset);
    EXPECT_EQ(s.mode(), Mode::Detecting);
    EXPECT_FALSE(s.toolsVisible());
    s = Dragged({400, 300}, {600, 400});
    EXPECT_TRUE(s.HandleDown(2, MouseButton::Middle, {3, 3}).reset);
}

TEST(Selection, ReleaseOfOtherButtonsDoesNotComplete) {
    Selection s(kScreen);
    s.WindowDetected({10, 10, 50, 50});
    EXPECT_FALSE(s.MouseUp(MouseButton::Right, {20, 20}).completed);
    EXPECT_FALSE(s.MouseUp(MouseButton::Middle, {20, 20}).completed);
    EXPECT_FALSE(s.Selected());
}

TEST(FrameRing, WideBorderCentredOnTheEdgeThinBorderOnTheFrame) {
    const auto wide = FrameRing({100, 100, 50, 40}, 4);
    EXPECT_EQ(wide[0], (Rect{98, 98, 54, 4}));    // top
    EXPECT_EQ(wide[1], (Rect{98, 138, 54, 4}));   // bottom
    EXPECT_EQ(wide[2], (Rect{98, 102, 4, 36}));   // left
    EXPECT_EQ(wide[3], (Rect{148, 102, 4, 36}));  // right
    const auto thin = FrameRing({100, 100, 50, 40}, 1);
    EXPECT_EQ(thin[0], (Rect{100, 100, 50, 1}));
    EXPECT_EQ(thin[1], (Rect{100, 139, 50, 1}));
    EXPECT_EQ(thin[2], (Rect{100, 101, 1, 38}));
    EXPECT_EQ(thin[3], (Rect{149, 101, 1, 38}));
    // Too small for a hole: one filled block; nothing for a 0 x 0 thin frame.
    EXPECT_EQ(FrameRing({100, 100, 2, 2}, 4)[0], (Rect{98, 98, 6, 6}));
    EXPECT_TRUE(FrameRing({100, 100, 0, 0}, 1)[0].empty());
    EXPECT_EQ(FrameRing({100, 100, 1, 1}, 1)[0], (Rect{100, 100, 1, 1}));
}

// A frame put from outside (the keyboard): handles and toolbar follow, and
// nothing happens before a selection is complete.
TEST(Selection, PlacedFrameTakesItsHandlesAndToolbarAlong) {
    Selection detecting(kScreen);
    EXPECT_FALSE(detecting.PlaceFrame({10, 10, 50, 50}).frameChanged) << "placed while detecting";
    Selection s = Dragged({300, 300}, {500, 400});
    const Changes c = s.PlaceFrame({300, 20, 200, 100});
    EXPECT_TRUE(c.frameChanged && c.handlesMoved && c.completed);
    EXPECT_EQ(s.frame(), (Rect{300, 20, 200, 100}));
    EXPECT_EQ(s.handles(), PlaceHandles({300, 20, 200, 100}));
    // No room above: the toolbar goes below.
    EXPECT_EQ(s.toolsPosition(), (Point{300, 125}));
    EXPECT_TRUE(s.Selected());
}

}  // namespace
}  // namespace vellumo
