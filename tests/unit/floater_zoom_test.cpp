#include "floaters/FloaterZoom.h"

#include <gtest/gtest.h>

#include <random>

#include "floaters/FloaterBook.h"

namespace vellumo {
namespace {

constexpr Size kPicture{200, 100};

TEST(FloaterWheel, PartsOfANotchAddUpAndTurningBackDropsThem) {
    WheelNotches w;
    EXPECT_EQ(w.Add(120), 1);
    EXPECT_EQ(w.Add(240), 2);
    EXPECT_EQ(w.Add(-120), -1);
    EXPECT_EQ(w.Add(40), 0);
    EXPECT_EQ(w.Add(40), 0);
    EXPECT_EQ(w.Add(40), 1);
    EXPECT_EQ(w.Add(100), 0);
    EXPECT_EQ(w.Add(-100), 0) << "the 100 gathered upwards is dropped, not netted";
    EXPECT_EQ(w.Add(-20), -1);
    EXPECT_EQ(w.Add(0), 0);
}

TEST(FloaterWheel, ZoomStepsTenPercentBetweenTenAndFiveHundred) {
    EXPECT_EQ(StepZoom(100, 1, kPicture), 110);
    EXPECT_EQ(StepZoom(100, -1, kPicture), 90);
    EXPECT_EQ(StepZoom(490, 1, kPicture), 500);
    EXPECT_EQ(StepZoom(500, 1, kPicture), 500);
    EXPECT_EQ(StepZoom(20, -1, kPicture), 10);
    EXPECT_EQ(StepZoom(10, -1, kPicture), 10);
    EXPECT_EQ(StepZoom(30, -50, kPicture), 10);
    EXPECT_EQ(StepZoom(100, 1000000, kPicture), 500);
}

TEST(FloaterWheel, NoZoomMakesASideLongerThanGdiCoordinatesReach) {
    // 10000 x 320% = 32000 fits; 330% would be 33000.
    EXPECT_EQ(StepZoom(100, 50, {10000, 10}), 320);
    EXPECT_EQ(StepZoom(320, 1, {10, 10000}), 320);
    // Already past the limit at 100%: it may only shrink.
    EXPECT_EQ(StepZoom(100, 1, {40000, 10}), 100);
    EXPECT_EQ(StepZoom(100, -1, {40000, 10}), 90);
}

TEST(FloaterWheel, ZoomedSizeRoundsAndKeepsAPixel) {
    EXPECT_EQ(ZoomedSize(kPicture, 100), kPicture);
    EXPECT_EQ(ZoomedSize(kPicture, 110), (Size{220, 110}));
    EXPECT_EQ(ZoomedSize({15, 3}, 10), (Size{2, 1}));
    EXPECT_EQ(ZoomedSize({1, 1}, 10), (Size{1, 1}));
    EXPECT_EQ(ZoomedSize({0, 5}, 200), (Size{0, 10}));
}

// The centre of the picture pixel under the pointer, in picture pixels.
double PicturePointUnder(const Rect& shown, int zoom, Point p) { return (p.x + 0.5 - shown.left) * 100.0 / zoom; }

TEST(FloaterZoomAround, ThePointUnderThePointerStaysAndZoomingBackIsExact) {
    const Rect start{300, 200, kPicture.width, kPicture.height};
    const Point pointer{371, 243};
    const double under = PicturePointUnder(start, 100, pointer);
    std::mt19937 rng(11);
    for (int trial = 0; trial < 200; ++trial) {
        FloaterScale s;
        Rect shown = start;
        int net = 0;
        for (int k = 0; k < 12; ++k) {
            const int notches = int(rng() % 7) - 3;
            if (s.WheelZoom(notches * kWheelDelta, shown, kPicture, pointer, false, 0)) {
                EXPECT_EQ((Size{shown.width, shown.height}), ZoomedSize(kPicture, s.zoom()));
                // Within one shown pixel, in picture pixels.
                EXPECT_NEAR(PicturePointUnder(shown, s.zoom(), pointer), under, 100.0 / s.zoom());
            }
            net = s.zoom();
        }
        while (s.zoom() != 100) {
            s.WheelZoom(s.zoom() < 100 ? kWheelDelta : -kWheelDelta, shown, kPicture, pointer, false, 0);
        }
        ASSERT_EQ(shown, start) << "trial " << trial << " came back from " << net << "%";
    }
}

TEST(FloaterZoomAround, ADragBetweenWheelTurnsIsFollowed) {
    FloaterScale s;
    Rect shown{100, 100, kPicture.width, kPicture.height};
    ASSERT_TRUE(s.WheelZoom(3 * kWheelDelta, shown, kPicture, {150, 120}, false, 0));
    ASSERT_EQ(s.zoom(), 130);
    shown.left += 37;  // dragged
    shown.top -= 12;
    const Rect dragged = shown;
    ASSERT_TRUE(s.WheelZoom(-kWheelDelta, shown, kPicture, {200, 150}, false, 0));
    EXPECT_NEAR(PicturePointUnder(shown, 120, {200, 150}), PicturePointUnder(dragged, 130, {200, 150}), 1.0);
}

TEST(FloaterZoomAround, ACollapsedFloaterKeepsItsThumbnailAndExpandsAtItsZoom) {
    FloaterBook book;
    ASSERT_EQ(book.Create(kPicture, {30, 20}, {1024, 768}), 1);
    FloaterScale s;
    Rect shown = book.Find(1)->picture;
    ASSERT_TRUE(s.WheelZoom(2 * kWheelDelta, shown, kPicture, {shown.left + 5, shown.top + 5}, false, 0));

    ASSERT_TRUE(book.ToggleCollapse(1));
    Rect thumbnail = book.Find(1)->picture;
    EXPECT_EQ(thumbnail.width, kCollapsedSide);
    EXPECT_EQ(thumbnail.height, kCollapsedSide);
    const Rect before = thumbnail;
    EXPECT_FALSE(s.WheelZoom(kWheelDelta, thumbnail, kPicture, {thumbnail.left, thumbnail.top}, true, 0));
    EXPECT_EQ(thumbnail, before);
    EXPECT_EQ(s.zoom(), 120);

    ASSERT_TRUE(book.ToggleCollapse(1));
    EXPECT_EQ(s.Expanded(book.Find(1)->picture, kPicture),
              (Rect{before.left, before.top, 240, 120}));
}

TEST(FloaterOpacity, StepsTenPercentBetweenTwentyAndAHundred) {
    EXPECT_EQ(StepOpacity(100, 1), 100);
    EXPECT_EQ(StepOpacity(100, -1), 90);
    EXPECT_EQ(StepOpacity(30, -1), 20);
    EXPECT_EQ(StepOpacity(20, -1), 20);
    EXPECT_EQ(StepOpacity(20, 100), 100);
}

TEST(FloaterOpacity, OwnOpacityMultipliesWithTheMenusTranslucency) {
    EXPECT_EQ(OwnAlpha(100), 255);
    EXPECT_EQ(OwnAlpha(50), 128);
    EXPECT_EQ(OwnAlpha(20), 51);
    FloaterBook book;
    EXPECT_EQ(SeenAlpha(50, book.layerMode()), 128) << "colour-keyed host: the Floater's own alpha alone";
    EXPECT_EQ(SeenAlpha(100, book.SetHostAlpha(kAlpha50)), kAlpha50);
    EXPECT_EQ(SeenAlpha(50, book.SetHostAlpha(kAlpha50)), 100);  // 128 x 200 / 255
    EXPECT_EQ(SeenAlpha(20, book.SetHostAlpha(kAlpha70)), 25);   // 51 x 125 / 255
    EXPECT_EQ(SeenAlpha(50, book.BackToNormal()), 128);
}

TEST(FloaterBadge, ShowsThePercentageBrieflyAfterEachChange) {
    FloaterScale s;
    Rect shown{0, 0, kPicture.width, kPicture.height};
    EXPECT_FALSE(s.badge().VisibleAt(0));
    ASSERT_TRUE(s.WheelZoom(kWheelDelta, shown, kPicture, {10, 10}, false, 5000));
    EXPECT_EQ(s.badge().text(), L"110%");
    EXPECT_TRUE(s.badge().VisibleAt(5000 + kPercentShowMs - 1));
    EXPECT_FALSE(s.badge().VisibleAt(5000 + kPercentShowMs));
    ASSERT_TRUE(s.WheelOpacity(-kWheelDelta, 5800));
    EXPECT_EQ(s.opacity(), 90);
    EXPECT_EQ(s.badge().text(), L"90%");
    EXPECT_TRUE(s.badge().VisibleAt(5800 + kPercentShowMs - 1));
    ASSERT_TRUE(s.WheelOpacity(5 * kWheelDelta, 9000));
    EXPECT_EQ(s.opacity(), 100);
    // At a limit nothing changes and nothing is shown anew.
    EXPECT_FALSE(s.WheelOpacity(kWheelDelta, 20000));
    EXPECT_FALSE(s.badge().VisibleAt(20000));
}

}  // namespace
}  // namespace vellumo
