#include <gtest/gtest.h>

#include "floaters/FloaterBook.h"
#include "gfx/PictureFit.h"

namespace vellumo {
namespace {

constexpr Size kScreen{1024, 768};
constexpr Size kLabel{30, 30};

TEST(FloaterIndex, StartsAtOneAndIsNeverReused) {
    FloaterBook book;
    EXPECT_EQ(book.nextIndex, 1);
    EXPECT_EQ(book.Create({100, 50}, kLabel, kScreen), 1);
    EXPECT_EQ(book.Create({100, 50}, kLabel, kScreen), 2);
    EXPECT_EQ(book.Create({100, 50}, kLabel, kScreen), 3);
    EXPECT_TRUE(book.Delete(2));
    EXPECT_FALSE(book.Delete(2));
    EXPECT_EQ(book.nextIndex, 4);
    EXPECT_EQ(book.Create({100, 50}, kLabel, kScreen), 4);
    EXPECT_EQ(book.floaters().size(), 3u);
    EXPECT_EQ(book.Find(2), nullptr);
}

TEST(FloaterIndex, RefusedPast32767WithNothingChanged) {
    FloaterBook book;
    book.nextIndex = 32766;
    EXPECT_EQ(book.Create({10, 10}, kLabel, kScreen), 32766);
    EXPECT_EQ(book.Create({10, 10}, kLabel, kScreen), 32767);
    EXPECT_EQ(book.nextIndex, 32768);
    EXPECT_FALSE(book.NextUsableIndex());
    book.frameVisible = false;
    EXPECT_FALSE(book.Create({10, 10}, kLabel, kScreen));
    EXPECT_EQ(book.nextIndex, 32768);
    EXPECT_EQ(book.floaters().size(), 2u);
    EXPECT_FALSE(book.frameVisible);
}

TEST(FloaterIndex, ParseAcceptsOnlyUsableDecimalIndices) {
    const struct {
        const wchar_t* text;
        std::optional<int> want;
    } cases[] = {{L"1", 1},         {L"0", std::nullopt},      {L"32767", 32767}, {L"32768", std::nullopt},
                 {L"", std::nullopt}, {L"-1", std::nullopt},   {L"2#", std::nullopt}, {L"999999", std::nullopt},
                 {L"007", 7}};
    for (const auto& c : cases) EXPECT_EQ(ParseIndex(c.text), c.want) << c.text;
}

TEST(FloaterCreate, CentredExpandedOutlinedAndFlashing) {
    FloaterBook book;
    book.flashTicks = 3;
    const int n = *book.Create({101, 51}, {41, 30}, kScreen);
    const Floater& f = *book.Find(n);
    EXPECT_EQ(f.picture, (Rect{461, 358, 101, 51}));
    EXPECT_EQ(f.natural, (Size{101, 51}));
    EXPECT_FALSE(f.collapsed());
    EXPECT_FALSE(f.labelVisible);
    EXPECT_EQ(book.frame, (Rect{460, 357, 103, 53}));
    EXPECT_TRUE(book.frameVisible);
    EXPECT_TRUE(book.flashRunning);
    EXPECT_EQ(book.flashTicks, 0);
}

TEST(FloaterCreate, TwoPinsAreBothCentredAndTheFrameMovesToTheNewer) {
    FloaterBook book;
    book.Create({200, 100}, kLabel, kScreen);
    book.Create({50, 40}, kLabel, kScreen);
    EXPECT_EQ(book.Find(1)->picture, (Rect{412, 334, 200, 100}));
    EXPECT_EQ(book.Find(2)->picture, (Rect{487, 364, 50, 40}));
    EXPECT_EQ(book.frame, HighlightFrame(book.Find(2)->picture));
}

TEST(FloaterCreate, ImageLargerThanTheScreenCentresToNegativeCoordinates) {
    EXPECT_EQ(CentreOn({1025, 769}, kScreen), (Point{-1, -1}));
    EXPECT_EQ(CentreOn({1027, 770}, kScreen), (Point{-2, -1}));
    EXPECT_EQ(CentreOn({1024, 768}, kScreen), (Point{0, 0}));
}

TEST(FloaterLabel, TextPaddingAndPlacement) {
    EXPECT_EQ(LabelText(3), L"3#");
    EXPECT_EQ(LabelText(32767), L"32767#");
    // 160 and 255 twips at 15 twips per pixel, to the nearest pixel.
    EXPECT_EQ(FitLabel({14, 13}), (Size{25, 30}));
    EXPECT_EQ(PlaceLabel({100, 200, 50, 50}, {25, 30}), (Rect{100, 170, 25, 30}));
    EXPECT_EQ(PlaceLabel({0, 10, 50, 50}, {25, 30}), (Rect{0, -20, 25, 30}));
}

TEST(FloaterDrag, PictureMovesByThePointerOffsetAndTheLabelFollows) {
    FloaterBook book;
    book.Create({100, 50}, {25, 30}, kScreen);  // at (462, 359)
    book.PictureMouseDown(1, true, {10, 20});
    EXPECT_TRUE(book.DragPicture(1, {15, 18}));
    const Floater& f = *book.Find(1);
    EXPECT_EQ(f.picture, (Rect{467, 357, 100, 50}));
    EXPECT_EQ(f.label, (Rect{467, 327, 25, 30}));
    // The label drag uses the grab point of the last press on the picture.
    EXPECT_TRUE(book.DragLabel(1, {0, 0}));
    EXPECT_EQ(book.Find(1)->picture, (Rect{457, 337, 100, 50}));
    EXPECT_EQ(book.Find(1)->label, (Rect{457, 307, 25, 30}));
    EXPECT_FALSE(book.DragPicture(9, {0, 0}));
}

TEST(FloaterPress, AnyButtonHidesTheFrameAndSelectsOnlyLeftGrabs) {
    FloaterBook book;
    book.Create({100, 50}, kLabel, kScreen);
    book.Create({100, 50}, kLabel, kScreen);
    book.PictureMouseDown(1, true, {5, 6});
    EXPECT_FALSE(book.frameVisible);
    EXPECT_TRUE(book.flashRunning);  // runs out its steps unseen
    book.PictureMouseDown(2, false, {70, 40});
    EXPECT_EQ(book.selectedIndex, 2);
    EXPECT_EQ(book.SelectedIndex(), 2);
    EXPECT_EQ(book.grabPoint, (Point{5, 6}));
    EXPECT_EQ(book.Selected(), book.Find(2));
    // A deleted selection selects nothing.
    book.Delete(2);
    EXPECT_EQ(book.Selected(), nullptr);
    EXPECT_FALSE(book.SelectedIndex());
    // A new creation shows the frame again around the new Floater.
    book.Create({20, 20}, kLabel, kScreen);
    EXPECT_TRUE(book.frameVisible);
    EXPECT_EQ(book.frame, HighlightFrame(book.Find(3)->picture));
}

TEST(FloaterCollapse, CollapseShowsTheLabelAboveAndExpandRestoresNaturalSize) {
    FloaterBook book;
    book.Create({300, 200}, {25, 30}, kScreen);  // at (362, 284)
    EXPECT_TRUE(book.ToggleCollapse(1));
    const Floater* f = book.Find(1);
    EXPECT_TRUE(f->collapsed());
    EXPECT_EQ(f->picture, (Rect{362, 284, 30, 30}));
    EXPECT_EQ(f->label, (Rect{362, 254, 25, 30}));
    EXPECT_TRUE(f->labelVisible);
    EXPECT_TRUE(book.ToggleCollapse(1));
    EXPECT_EQ(f->fold, FloaterFold::Expanded);
    EXPECT_FALSE(f->collapsed());
    EXPECT_EQ(f->picture, (Rect{362, 284, 300, 200}));
    EXPECT_FALSE(f->labelVisible);
    EXPECT_TRUE(book.ToggleCollapse(1));
    EXPECT_TRUE(book.Find(1)->collapsed());
    EXPECT_FALSE(book.ToggleCollapse(2));
}

// A zoomed Floater: placed with its label above, left alone while collapsed,
// and expanded back at the size it is given (its zoom), top-left kept.
TEST(FloaterCollapse, AZoomedFloaterExpandsAtItsZoomAndItsLabelFollowsThePicture) {
    FloaterBook book;
    book.Create({300, 200}, {25, 30}, kScreen);  // at (362, 284)
    EXPECT_TRUE(book.PlacePicture(1, {350, 270, 330, 220}));
    const Floater* f = book.Find(1);
    EXPECT_EQ(f->picture, (Rect{350, 270, 330, 220}));
    EXPECT_EQ(f->label, (Rect{350, 240, 25, 30}));
    EXPECT_EQ(f->natural, (Size{300, 200})) << "the natural size is the picture's, whatever the zoom";
    EXPECT_TRUE(book.ToggleCollapse(1));
    EXPECT_FALSE(book.PlacePicture(1, {0, 0, 10, 10})) << "a collapsed Floater took a zoom";
    EXPECT_EQ(f->picture, (Rect{350, 270, 30, 30}));
    EXPECT_TRUE(book.ToggleCollapse(1, Size{330, 220}));
    EXPECT_EQ(f->picture, (Rect{350, 270, 330, 220}));
    EXPECT_FALSE(book.PlacePicture(2, {0, 0, 10, 10}));
}

TEST(FloaterCollapse, PictureOffTheTopLeftIsClampedAfterTheLabelIsPlaced) {
    FloaterBook book;
    book.Create({100, 100}, {25, 30}, kScreen);
    book.PictureMouseDown(1, true, {0, 0});
    book.DragPicture(1, {-500, -400});  // to (-38, -66)
    ASSERT_EQ(book.Find(1)->picture.left, -38);
    book.ToggleCollapse(1);
    EXPECT_EQ(book.Find(1)->picture, (Rect{0, 0, 30, 30}));
    EXPECT_EQ(book.Find(1)->label, (Rect{-38, -96, 25, 30}));
    // Only the off-screen axis moves.
    FloaterBook other;
    other.Create({100, 100}, {25, 30}, kScreen);
    other.PictureMouseDown(1, true, {0, 0});
    other.DragPicture(1, {0, -400});
    other.ToggleCollapse(1);
    EXPECT_EQ(other.Find(1)->picture, (Rect{462, 0, 30, 30}));
}

TEST(FloaterFlash, RedYellowGreenThenHideAndStop) {
    EXPECT_EQ(FlashStepAction(0).colour, (Colour{255, 0, 0}));
    EXPECT_EQ(FlashStepAction(1).colour, (Colour{255, 255, 0}));
    EXPECT_EQ(FlashStepAction(2).colour, (Colour{0, 255, 0}));
    EXPECT_TRUE(FlashStepAction(3).hide);
    EXPECT_FALSE(FlashStepAction(2).hide);

    FloaterBook book;
    EXPECT_EQ(book.frameColour, kFrameFirstColour);
    book.Create({10, 10}, kLabel, kScreen);
    book.FlashTick();
    book.FlashTick();
    book.FlashTick();
    EXPECT_EQ(book.frameColour, (Colour{0, 255, 0}));
    EXPECT_TRUE(book.frameVisible);
    book.FlashTick();
    EXPECT_FALSE(book.frameVisible);
    EXPECT_FALSE(book.flashRunning);
    EXPECT_EQ(book.flashTicks, 4);
    // The next flash starts from the colour the last one left.
    book.Create({10, 10}, kLabel, kScreen);
    EXPECT_EQ(book.frameColour, (Colour{0, 255, 0}));
    EXPECT_EQ(book.flashTicks, 0);
}

TEST(FloaterHost, LayerModesAndTransparencyFlag) {
    FloaterBook book;
    EXPECT_FALSE(book.translucent);
    EXPECT_TRUE(book.layerMode().colourKey);
    EXPECT_EQ(book.SetHostAlpha(kAlpha50), (LayerMode{false, 200}));
    EXPECT_TRUE(book.translucent);
    EXPECT_EQ(book.SetHostAlpha(kAlpha70), (LayerMode{false, 125}));
    EXPECT_TRUE(book.translucent);
    EXPECT_EQ(book.BackToNormal(), (LayerMode{true, 0}));
    EXPECT_FALSE(book.translucent);
    EXPECT_EQ(kKeyColour.toColorRef(), 0x400040u);
}

// The host shows its parts only: a part left out is a Floater the user cannot
// see or click; anything more covers the desktop beneath.
TEST(FloaterHost, ShapeHoldsThePartsShownAndTheWholeHostWhenTranslucent) {
    FloaterBook book;
    const Rect icon{DropIconPosition(kScreen.width).x, kDropIconInset, kDropIconSize.width, kDropIconSize.height};
    EXPECT_EQ(HostShape(book, icon, kScreen), (std::vector<Rect>{icon}));
    EXPECT_EQ(HostShape(book, Rect{}, kScreen), (std::vector<Rect>{})) << "no drop icon yet: nothing shows";

    book.Create({300, 200}, {25, 30}, kScreen);  // at (362, 284), outlined
    const Rect picture{362, 284, 300, 200};
    std::vector<Rect> shape = HostShape(book, icon, kScreen);
    ASSERT_EQ(shape.size(), 6u) << "picture, four frame strips, icon";
    EXPECT_EQ(shape.front(), picture);
    EXPECT_EQ(shape.back(), icon);
    // The 3-pixel frame one pixel outside the picture, centred on that edge.
    EXPECT_EQ(shape[1], (Rect{360, 282, 304, 3}));
    EXPECT_EQ(shape[2], (Rect{360, 483, 304, 3}));
    EXPECT_EQ(shape[3], (Rect{360, 285, 3, 198}));
    EXPECT_EQ(shape[4], (Rect{661, 285, 3, 198}));
    EXPECT_EQ(HostShape(book, icon, kScreen, /*frameWaits=*/true), (std::vector<Rect>{picture, icon}));

    // The frame hidden, the picture collapsed with its label above.
    book.PictureMouseDown(1, false, {0, 0});
    book.ToggleCollapse(1);
    EXPECT_EQ(HostShape(book, icon, kScreen),
              (std::vector<Rect>{{362, 284, 30, 30}, {362, 254, 25, 30}, icon}));
    // A second Floater and a deleted first.
    book.Create({10, 10}, kLabel, kScreen);
    book.PictureMouseDown(2, false, {0, 0});
    book.Delete(1);
    EXPECT_EQ(HostShape(book, icon, kScreen), (std::vector<Rect>{{507, 379, 10, 10}, icon}));
    // A Floater at its own opacity is a window of its own: the host leaves a
    // hole there, so the desktop, not the host, shows through it. Its label
    // still belongs to the host; an index no Floater has changes nothing.
    book.ToggleCollapse(2);
    EXPECT_EQ(HostShape(book, icon, kScreen, false, {2}), (std::vector<Rect>{{507, 379 - kLabel.height, kLabel.width, kLabel.height}, icon}));
    book.ToggleCollapse(2);
    EXPECT_EQ(HostShape(book, icon, kScreen, false, {2}), (std::vector<Rect>{icon}));
    EXPECT_EQ(HostShape(book, icon, kScreen, false, {7}), (std::vector<Rect>{{507, 379, 10, 10}, icon}));

    book.SetHostAlpha(kAlpha70);
    EXPECT_EQ(HostShape(book, icon, kScreen), (std::vector<Rect>{{0, 0, kScreen.width, kScreen.height}}));
    EXPECT_EQ(HostShape(book, icon, kScreen, false, {2}), (std::vector<Rect>{{0, 0, kScreen.width, kScreen.height}}))
        << "translucent, the whole host shows whatever floats apart";
    book.BackToNormal();
    EXPECT_EQ(HostShape(book, icon, kScreen).size(), 2u);
}

TEST(FloaterHost, DropIconStandsInTheTopRightCornerAndTheKeeperYields) {
    // As far from the right edge as from the top, whatever the screen's width.
    for (const int width : {640, 1024, 1920, 15360}) {
        const Point p = DropIconPosition(width);
        EXPECT_EQ(width - (p.x + kDropIconSize.width), p.y) << width;
        EXPECT_GT(p.y, 0);
    }
    EXPECT_FALSE(KeeperShouldReassert(L"hoverdeck"));
    EXPECT_TRUE(KeeperShouldReassert(L"Hoverdeck"));
    EXPECT_TRUE(KeeperShouldReassert(L"hoverdeck "));
    EXPECT_TRUE(KeeperShouldReassert(L""));
    EXPECT_TRUE(KeeperShouldReassert(L"Notepad"));
    // Fixed fault: the host rose over the settings window's own message box.
    EXPECT_FALSE(KeeperShouldReassert(L"Vellumo", true));
    EXPECT_FALSE(KeeperShouldReassert(L"hoverdeck", true));
}

// After a Floater's menu the pointer clip is narrowed for a moment (to make
// Wine grab the pointer afresh); the narrower clip must still hold the
// pointer wherever it stands, the screen's edge columns and a screen that
// does not start at 0 included.
TEST(FloaterHost, MenuRegrabClipStillHoldsThePointer) {
    const Rect screens[] = {{0, 0, 1024, 768}, {-1280, -200, 3200, 1400}, {0, 0, 2, 2}};
    for (const Rect& s : screens) {
        for (const int x : {s.left, s.left + 1, s.left + s.width / 2, s.right() - 2, s.right() - 1}) {
            for (const int y : {s.top, s.bottom() - 1}) {
                const Rect clip = NarrowedAround(s, {x, y});
                EXPECT_EQ(clip.width, s.width - 1) << x << "," << y;
                EXPECT_EQ(clip.top, s.top);
                EXPECT_EQ(clip.height, s.height);
                EXPECT_TRUE(clip.contains({x, y})) << "pointer at " << x << "," << y << " left out";
                EXPECT_TRUE(clip.left == s.left || clip.right() == s.right());
            }
        }
    }
}

TEST(FloaterFile, ExtensionRoute) {
    const struct {
        const wchar_t* path;
        const wchar_t* ext;
        PictureRoute route;
    } cases[] = {
        {L"C:\\p\\Photo.PNG", L"png", PictureRoute::Scaled},
        {L"C:\\p\\a.b.png", L"png", PictureRoute::Scaled},
        {L"C:\\p\\shot.jpg", L"jpg", PictureRoute::Standard},
        {L"C:\\p\\icon.Ico", L"ico", PictureRoute::Standard},
        {L"C:\\p\\a.png.bmp", L"bmp", PictureRoute::Standard},
        {L"C:\\p\\README", L"", PictureRoute::Refused},
        {L"C:\\my.pics\\README", L"", PictureRoute::Refused},
        {L"/tmp/x.d/noext", L"", PictureRoute::Refused},
        {L"C:\\p\\trailing.", L"", PictureRoute::Standard},
        {L"C:\\p\\.png", L"png", PictureRoute::Scaled},
        {L"", L"", PictureRoute::Refused},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PictureExtension(c.path), c.ext) << c.path;
        EXPECT_EQ(RouteFor(c.path), c.route);
    }
}

TEST(FloaterFile, MessagesNameTheFile) {
    EXPECT_EQ(PictureLoadErrorText(L"C:\\x\\bad.png"), L"Error loading picture C:\\x\\bad.png");
    EXPECT_NE(NoExtensionMessage(L"C:\\x\\README").find(L"C:\\x\\README"), std::wstring::npos);
}

TEST(PictureFit, MinusOneMeansTheImagesOwnSizeForBoth) {
    EXPECT_EQ(RequestedPictureSize({640, 480}, -1, -1), (Size{640, 480}));
    EXPECT_EQ(RequestedPictureSize({640, 480}, -1, 300), (Size{640, 480}));
    EXPECT_EQ(RequestedPictureSize({640, 480}, 200, -1), (Size{640, 480}));
    EXPECT_EQ(RequestedPictureSize({640, 480}, 200, 300), (Size{200, 300}));
}

TEST(PictureFit, KeepAspectFillsTheLimitingSideAtTopLeft) {
    EXPECT_EQ(KeepAspectSize({400, 200}, {100, 100}), (Size{100, 50}));
    EXPECT_EQ(KeepAspectSize({200, 400}, {100, 100}), (Size{50, 100}));
    EXPECT_EQ(KeepAspectSize({300, 300}, {100, 100}), (Size{100, 100}));
    EXPECT_EQ(KeepAspectSize({3, 2}, {5, 100}), (Size{5, 3}));  // 3.33
    // Halves go to the even neighbour.
    EXPECT_EQ(KeepAspectSize({4, 1}, {10, 100}), (Size{10, 2}));   // 2.5
    EXPECT_EQ(KeepAspectSize({4, 1}, {14, 100}), (Size{14, 4}));   // 3.5
    EXPECT_EQ(KeepAspectSize({1, 4}, {100, 10}), (Size{2, 10}));   // 2.5
}

}  // namespace
}  // namespace vellumo
