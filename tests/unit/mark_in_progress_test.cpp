#include "annotate/MarkInProgress.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace vellumo {
namespace {

using Shape = MarkInProgress::Shape;
using Commit = MarkInProgress::Commit;

std::string Str(const Rect& r) {
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.width) + "x" +
           std::to_string(r.height) + ")";
}

bool Covers(const std::vector<Rect>& pieces, Point p) {
    return std::any_of(pieces.begin(), pieces.end(), [p](const Rect& r) {
        return p.x >= r.left && p.x < r.right() && p.y >= r.top && p.y < r.bottom();
    });
}

constexpr Rect kFrame{100, 100, 200, 150};
constexpr PreviewColour kRed = 0x0000FF;

TEST(MarkInProgress, ShapesFollowThePointerInsideTheFrameAndCommitWhatWasShown) {
    for (const Tool tool : {Tool::Rectangle, Tool::Ellipse}) {
        SCOPED_TRACE(static_cast<int>(tool));
        MarkInProgress m;
        EXPECT_FALSE(m.Press(tool, {150, 150}, 2.6f, kRed, kFrame));
        EXPECT_EQ(m.shape().shape, tool == Tool::Rectangle ? Shape::Rectangle : Shape::Oval);
        EXPECT_EQ(m.shape().width, 3) << "the preview shows the width rounded";
        EXPECT_EQ(m.shape().colour, kRed);
        // Without the button nothing grows; past the frame the band stops on its edge.
        m.Move(tool, {200, 200}, false, kFrame);
        EXPECT_EQ(Str(m.shape().box), Str({150, 150, 0, 0}));
        m.Move(tool, {900, 20}, true, kFrame);
        EXPECT_EQ(Str(m.shape().box), Str({150, 100, 150, 50}));
        m.Move(tool, {120, 180}, true, kFrame);
        const MarkInProgress::Released r = m.Release(tool);
        EXPECT_EQ(r.what, tool == Tool::Rectangle ? Commit::Rectangle : Commit::Ellipse);
        EXPECT_EQ(Str(r.box), Str({120, 150, 30, 30}));
        EXPECT_FLOAT_EQ(r.penWidth, 2.6f) << "the mark is drawn at the exact width";
        EXPECT_EQ(m.shape().shape, Shape::None);
        EXPECT_TRUE(m.RepaintPieces().empty());
    }
}

TEST(MarkInProgress, ANewBandStartsWithTheLastOnesSizeUntilTheFirstMove) {
    MarkInProgress m;
    m.Press(Tool::Rectangle, {150, 150}, 1, kRed, kFrame);
    m.Move(Tool::Rectangle, {190, 170}, true, kFrame);
    m.Release(Tool::Rectangle);
    m.Press(Tool::Ellipse, {110, 110}, 1, kRed, kFrame);
    EXPECT_EQ(Str(m.shape().box), Str({110, 110, 40, 20}));
}

TEST(MarkInProgress, ArrowAndEraser) {
    MarkInProgress m;
    m.Press(Tool::Arrow, {150, 150}, 4, kRed, kFrame);
    EXPECT_TRUE(m.arrow().visible);
    m.Move(Tool::Arrow, {50, 400}, true, kFrame);
    EXPECT_EQ(m.arrow().to, (Point{100, 250}));
    MarkInProgress::Released r = m.Release(Tool::Arrow);
    EXPECT_EQ(r.what, Commit::Arrow);
    EXPECT_EQ(r.from, (Point{150, 150}));
    EXPECT_EQ(r.to, (Point{100, 250}));
    EXPECT_FALSE(m.arrow().visible);
    // A second release without a press commits nothing.
    EXPECT_EQ(m.Release(Tool::Arrow).what, Commit::Nothing);

    // The eraser starts and goes where the clamped pointer is; its grey
    // circle, one pixel wide, follows the pointer itself, button or not.
    const std::optional<Point> from = m.Press(Tool::Eraser, {90, 120}, 20, kRed, kFrame);
    ASSERT_TRUE(from);
    EXPECT_EQ(*from, (Point{100, 120}));
    EXPECT_EQ(m.shape().colour, kEraserCircleColour);
    EXPECT_EQ(m.shape().width, 1);
    EXPECT_EQ(Str(m.shape().box), Str({80, 110, 20, 20}));
    EXPECT_FALSE(m.Move(Tool::Eraser, {400, 130}, false, kFrame));
    EXPECT_EQ(Str(m.shape().box), Str({390, 120, 20, 20}));
    EXPECT_EQ(m.Move(Tool::Eraser, {400, 130}, true, kFrame), (Point{300, 130}));
    EXPECT_EQ(m.Release(Tool::Eraser).what, Commit::EndEraser);
    EXPECT_EQ(m.shape().shape, Shape::Oval) << "the circle stays while the eraser is chosen";
}

TEST(MarkInProgress, RepaintPiecesCoverTheOutlinesButNotTheMiddleOfALargeBand) {
    MarkInProgress m;
    m.Press(Tool::Rectangle, {0, 0}, 3, kRed, {0, 0, 1000, 1000});
    m.Move(Tool::Rectangle, {800, 600}, true, {0, 0, 1000, 1000});
    const std::vector<Rect> band = m.RepaintPieces();
    for (const Point p : {Point{0, 0}, Point{800, 600}, Point{400, 0}, Point{800, 300}, Point{-1, -1}, Point{799, 599}})
        EXPECT_TRUE(Covers(band, p)) << p.x << "," << p.y;
    EXPECT_FALSE(Covers(band, {400, 300}));

    m.Release(Tool::Rectangle);
    m.Press(Tool::Arrow, {10, 10}, 2, kRed, {0, 0, 1000, 1000});
    m.Move(Tool::Arrow, {500, 500}, true, {0, 0, 1000, 1000});
    const std::vector<Rect> arrow = m.RepaintPieces();
    for (const Point p : {Point{10, 10}, Point{250, 250}, Point{500, 500}}) EXPECT_TRUE(Covers(arrow, p));
    EXPECT_FALSE(Covers(arrow, {10, 500}));
}

TEST(MarkInProgress, TheTextBoxOpensOnTheBandPrintsWhereItWasDraggedAndOnlyWithText) {
    MarkInProgress m;
    m.Press(Tool::Text, {150, 150}, 1, kRed, kFrame);
    m.Move(Tool::Text, {160, 155}, true, kFrame);
    const MarkInProgress::Released r = m.Release(Tool::Text);
    ASSERT_EQ(r.what, Commit::OpenTextBox);
    // A small band still opens a box one can type in.
    EXPECT_EQ(Str(m.OpenTextBox(r.box)), Str({150, 150, kMinTextBox.width, kMinTextBox.height}));
    EXPECT_TRUE(m.textBoxOpen());
    EXPECT_EQ(Str(m.OpenTextBox({10, 20, 300, 40})), Str({10, 20, 300, 40}));

    // Grabbed 5,6 inside the box, moved to 25,16: the box and the text go 20,10 further.
    m.GrabTextBox({5, 6});
    EXPECT_EQ(m.DragTextBox({10, 20}, {25, 16}), (Point{30, 30}));
    EXPECT_EQ(m.printAt(), (Point{30, 30}));
    EXPECT_EQ(m.CloseTextBox(L"hi"), (Point{30, 30}));
    EXPECT_FALSE(m.textBoxOpen());

    m.OpenTextBox({10, 20, 300, 40});
    EXPECT_FALSE(m.CloseTextBox(L"")) << "an empty box prints nothing";
    EXPECT_FALSE(m.textBoxOpen());

    // A text release with no band (no press first) opens nothing.
    MarkInProgress fresh;
    EXPECT_EQ(fresh.Release(Tool::Text).what, Commit::Nothing);
}

TEST(MarkInProgress, DiscardTakesEveryPreviewAndTheTextBox) {
    MarkInProgress m;
    m.Press(Tool::Arrow, {150, 150}, 1, kRed, kFrame);
    m.ShowEraserCircle({120, 120}, 10);
    m.OpenTextBox({100, 100, 10, 10});
    m.Discard();
    EXPECT_EQ(m.shape().shape, Shape::None);
    EXPECT_FALSE(m.arrow().visible);
    EXPECT_FALSE(m.textBoxOpen());
    EXPECT_TRUE(m.RepaintPieces().empty());
}

TEST(MarkInProgress, TextBoundsReachPastTheExtentForItalicsAndAntiAliasing) {
    const Rect b = MarkInProgress::TextBounds({50, 60}, {100, 20});
    EXPECT_EQ(Str(b), Str({36, 56, 128, 28}));
}

}  // namespace
}  // namespace vellumo
