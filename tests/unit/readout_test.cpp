#include "overlay/Readout.h"

#include "overlay/MonitorPlacement.h"

#include <gtest/gtest.h>

namespace vellumo {
namespace {

constexpr Size kScreen{1920, 1080};

TEST(Readout, Texts) {
    EXPECT_EQ(FormatRgb({255, 128, 0}), L"RGB(255 , 128 , 0)");
    EXPECT_EQ(FormatRgb({0, 0, 0}), L"RGB(0 , 0 , 0)");
    EXPECT_EQ(FormatSize(320, 240), L"320 \u00D7 240");
    EXPECT_EQ(FormatSize(0, 0), L"0 \u00D7 0");
    EXPECT_EQ(std::wstring(kInitialSizeCaption), L"0\u00D7" L"0");
    EXPECT_EQ(std::wstring(kInitialRgbCaption), L"RGB(0,0,0)");
}

TEST(Readout, ColourLayoutsAndInverse) {
    const Colour c{255, 128, 0};
    EXPECT_EQ(c.toColorRef(), 0x000080FFu);  // RGB(255, 128, 0): red in the low byte
    EXPECT_EQ(Colour::fromPixel(0x00FF8000u), (Colour{255, 128, 0}));
    EXPECT_EQ((Colour{0, 0, 0}).inverse(), (Colour{255, 255, 255}));
    EXPECT_EQ((Colour{255, 128, 0}).inverse(), (Colour{0, 127, 255}));
}

TEST(Readout, MagnifierStandsLowerRightAndFlipsAtTheEdges) {
    const Size va = kMagnifierSize;  // 130 x 161
    struct Case {
        Point pointer, expected;
    } cases[] = {
        {{100, 100}, {120, 120}},
        {{1920 - 150, 100}, {1790, 120}},              // X + 20 + 130 == 1920: still fits
        {{1920 - 149, 100}, {1771 - 150, 120}},        // one more: flips left
        {{1820, 100}, {1820 - 150, 120}},              // 100 px from the right edge
        {{100, 1080 - 181}, {120, 919}},               // just fits below
        {{100, 1080 - 180}, {120, 900 - 181}},         // flips up
        {{1919, 1079}, {1919 - 150, 1079 - 181}},      // bottom-right corner: upper left
        {{0, 0}, {20, 20}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PlaceMagnifierOn(MonitorLayout::Single(kScreen), c.pointer, va), c.expected) << c.pointer.x << "," << c.pointer.y;
    }
}

TEST(Readout, MagnifierViewMapsTwentyPixelsToTheWholeView) {
    const MagnifierPlan mid = PlanMagnifier({500, 400}, kScreen);
    EXPECT_EQ(mid.source, (Rect{490, 390, 20, 20}));
    EXPECT_EQ(mid.view, (Rect{0, 0, 130, 130}));
    // At the top-left corner only the lower-right quarter of the square exists.
    const MagnifierPlan corner = PlanMagnifier({0, 0}, kScreen);
    EXPECT_EQ(corner.source, (Rect{0, 0, 10, 10}));
    EXPECT_EQ(corner.view, (Rect{65, 65, 65, 65}));
    const MagnifierPlan edge = PlanMagnifier({1919, 1079}, kScreen);
    EXPECT_EQ(edge.source, (Rect{1909, 1069, 11, 11}));
    EXPECT_EQ(edge.view, (Rect{0, 0, 72, 72}));  // 11 * 6.5 = 71.5, rounded
    EXPECT_TRUE(PlanMagnifier({-50, -50}, kScreen).source.empty());
    // The marker: 6.5 square centred in the 130 view.
    const Rect cross = CrossRect();
    EXPECT_EQ(cross.left + cross.right(), 130);
    EXPECT_GE(cross.width, 6);
    EXPECT_LE(cross.width, 7);
}

}  // namespace
}  // namespace vellumo
