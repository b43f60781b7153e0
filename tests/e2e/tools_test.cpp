// The drawing tools of the toolbar's bottom row, as a user meets them: a
// region of known colours is selected, a tool chosen by its button or its
// key, marks drawn with real pointer input, the region copied, and the
// clipboard bitmap (read back by vprobe.exe) checked pixel by pixel.
#include <X11/keysym.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

#include "tests/e2e/Dialogs.h"
#include "tests/e2e/ImageFiles.h"
#include "tests/e2e/MarkFixture.h"
#include "tests/e2e/harness/Harness.h"

using namespace e2e;
namespace fs = std::filesystem;

namespace {

constexpr Box kSel = kMarkSel;
const Pixel kTopColour = kFixtureTop;
constexpr Pixel kRed{255, 0, 0};

// Tool buttons, pixels inside the toolbar: the first five on the top row,
// the rest on the bottom row, 16 x 16 at a 24-px pitch.
struct ToolButtonAt {
    int left, top;
};
constexpr ToolButtonAt DrawButton(int i) { return i < 5 ? ToolButtonAt{6 + 24 * i, 4} : ToolButtonAt{6 + 24 * (i - 5), 112}; }
enum ToolIndex { kRectangle = 0, kText = 2, kPen = 5, kHighlighter = 6, kLine = 7, kMosaic = 8, kBlur = 9, kStep = 10, kFilledBox = 11 };
const Box kTxtAlp{32, 84, 25, 21};

class ToolsE2E : public MarkE2E {
protected:
    ToolsE2E() : MarkE2E("tools") {}

    bool MarkerBehind(int i) {
        const ToolButtonAt b = DrawButton(i);
        return PixelNear(TX(b.left - 1), TY(b.top + 8), highlight_);
    }

    // Clicks tool i's button; the chosen-tool square then shows behind it.
    void ChooseTool(int i) {
        const ToolButtonAt b = DrawButton(i);
        ClickTools(b.left + 8, b.top + 8);
        EXPECT_TRUE(WaitUntil([&] { return MarkerBehind(i); }, 2s)) << "no chosen-tool marker behind tool " << i;
    }

    // With the pointer over the selection, until the keyboard reaches the overlay.
    void KeysReachTheOverlay() {
        GlideTo(300, 300);
        const auto top = Overlay().top;
        ASSERT_TRUE(top && WaitUntil([&] { return d_->KeysReach(top->hwnd); }, 3s, 20ms))
            << "keys do not reach the overlay";
    }

    // What the toolbar's width box (control id 301) shows.
    std::string WidthBoxText() {
        const auto v = Overlay();
        if (v.tools)
            for (const WinInfo& w : d_->ListWindows("VellumoScrShot"))
                if (w.parent == v.tools->hwnd && w.id == 301) return d_->WindowText(w.hwnd);
        return "<no width box>";
    }

};

// A pen stroke of a few far-apart points, as a fast pointer gives them: the
// copy shows one unbroken red path through every corner.
TEST_F(ToolsE2E, PenDrawsAContinuousPathHoweverFastThePointerMoves) {
    ASSERT_NO_FATAL_FAILURE(LaunchAndSelect());
    ASSERT_NO_FATAL_FAILURE(ChooseTool(kPen));
    // On the fixture's plain colour: right 240 px in two moves, then up.
    // Each jump is waited for (its magnifier stands beside it), so the
    // program sees every corner; between them it sees nothing.
    GlideTo(120, 440);
    d_->ButtonDown();
    for (const auto& [x, y] : {std::pair{240, 440}, {360, 440}, {360, 340}}) {
        Jump(x, y);
        WaitVa(x, y);
    }
    d_->ButtonUp();
    ExpectPixelSoon(300, 440, kRed, "the pen's path");
    GlideTo(1000, 740);
    const Image img = CopyAndRead();
    ASSERT_EQ(img.width, kSel.w);
    for (int x = 120; x <= 360; ++x) ASSERT_EQ(At(img, x, 440), kRed) << "a gap in the path at x " << x;
    for (int y = 340; y <= 440; ++y) ASSERT_EQ(At(img, 360, y), kRed) << "a gap in the path at y " << y;
    // Five pixels wide: two away from the middle still red, four away untouched.
    EXPECT_EQ(At(img, 200, 442), kRed);
    EXPECT_EQ(At(img, 200, 444), kTopColour);
    // A round join: the square corner's pixel is at most partly covered.
    EXPECT_NE(At(img, 362, 442), kRed) << "the join's outer corner is square";
    EXPECT_EQ(At(img, 361, 441), kRed);
}

// A highlighter stroke that crosses itself on the fixture's plain colour:
// translucent red over it, the same over the crossing.
TEST_F(ToolsE2E, HighlighterShowsOneOpacityOverItsOwnCrossing) {
    ASSERT_NO_FATAL_FAILURE(LaunchAndSelect());
    ASSERT_NO_FATAL_FAILURE(ChooseTool(kHighlighter));
    GlideTo(130, 390);
    d_->ButtonDown();
    for (const auto& [x, y] : {std::pair{250, 390}, {380, 390}, {300, 340}, {300, 440}}) {
        Jump(x, y);
        WaitVa(x, y);
    }
    d_->ButtonUp();
    const auto tinted = [&](const Pixel& p) { return p.r > kTopColour.r + 20 && !(p == kRed); };
    EXPECT_TRUE(WaitUntil([&] { return tinted(d_->GetPixel(200, 390)); }, 2s)) << ToString(d_->GetPixel(200, 390));
    GlideTo(1000, 740);
    const Image img = CopyAndRead();
    ASSERT_EQ(img.width, kSel.w);
    const Pixel once = At(img, 200, 390);
    EXPECT_TRUE(tinted(once)) << "not translucent red over the fixture: " << ToString(once);
    EXPECT_TRUE(Near(At(img, 300, 390), once, 1)) << "the crossing " << ToString(At(img, 300, 390)) << " vs "
                                                  << ToString(once);
    EXPECT_TRUE(Near(At(img, 300, 420), once, 1)) << "the upright stroke " << ToString(At(img, 300, 420));
    EXPECT_TRUE(Near(At(img, 200, 396), once, 1)) << "15 px wide: 6 px off the middle";
    EXPECT_EQ(At(img, 200, 400), kTopColour) << "10 px off the middle";
}

// Lines drawn with Shift held and the pointer a little off: level, at 45°
// and upright, each exactly on its snapped line in the copy.
TEST_F(ToolsE2E, ShiftSnapsLinesToZeroFortyFiveAndNinetyDegrees) {
    ASSERT_NO_FATAL_FAILURE(LaunchAndSelect());
    ASSERT_NO_FATAL_FAILURE(ChooseTool(kLine));
    d_->KeyDown(XK_Shift_L);
    Stroke(120, 350, 300, 357);
    Stroke(320, 340, 400, 425);  // 80 across, 85 down: snapped to 82 each
    Stroke(450, 340, 456, 440);
    d_->KeyUp(XK_Shift_L);
    ExpectPixelSoon(450, 400, kRed, "the upright line");
    GlideTo(1000, 740);
    const Image img = CopyAndRead();
    ASSERT_EQ(img.width, kSel.w);
    for (int x = 120; x <= 300; ++x) ASSERT_EQ(At(img, x, 350), kRed) << "level line at x " << x;
    EXPECT_EQ(At(img, 300, 356), kTopColour) << "the level line follows the pointer, not the snap";
    for (int k = 0; k <= 82; ++k) ASSERT_EQ(At(img, 320 + k, 340 + k), kRed) << "45° line at " << k;
    EXPECT_EQ(At(img, 400, 425), kTopColour) << "the 45° line follows the pointer, not the snap";
    for (int y = 340; y <= 440; ++y) ASSERT_EQ(At(img, 450, y), kRed) << "upright line at y " << y;
    EXPECT_EQ(At(img, 456, 440), kTopColour) << "the upright line follows the pointer, not the snap";
}

// A mosaic over the fixture's panels and borders: in the copy every 5 x 5
// cell (the default width) is one colour, the mean of what it covered.
TEST_F(ToolsE2E, MosaicCellsAreUniformAndTheMeanOfWhatTheyCover) {
    ASSERT_NO_FATAL_FAILURE(LaunchAndSelect());
    ASSERT_NO_FATAL_FAILURE(ChooseTool(kMosaic));
    const Box band{112, 163, 220, 170};  // off the fixture's 10-px grid, so cells straddle its edges
    Stroke(band.l, band.t, band.r(), band.b());
    GlideTo(1000, 740);
    const Image img = CopyAndRead();
    ASSERT_EQ(img.width, kSel.w);
    int cells = 0, mixed = 0;
    for (int cy = band.t; cy + 5 <= band.b(); cy += 5)
        for (int cx = band.l; cx + 5 <= band.r(); cx += 5) {
            long sum[3] = {0, 0, 0};
            bool varied = false;
            for (int y = cy; y < cy + 5; ++y)
                for (int x = cx; x < cx + 5; ++x) {
                    const Pixel& o = Original(x, y);
                    sum[0] += o.r, sum[1] += o.g, sum[2] += o.b;
                    varied |= !(o == Original(cx, cy));
                    ASSERT_EQ(At(img, x, y), At(img, cx, cy)) << "cell at " << cx << "," << cy << " is not uniform";
                }
            const Pixel mean{static_cast<int>((sum[0] + 12) / 25), static_cast<int>((sum[1] + 12) / 25),
                             static_cast<int>((sum[2] + 12) / 25)};
            ASSERT_TRUE(Near(At(img, cx, cy), mean, 1))
                << "cell at " << cx << "," << cy << ": " << ToString(At(img, cx, cy)) << ", mean " << ToString(mean);
            ++cells;
            mixed += varied;
        }
    EXPECT_EQ(cells, 44 * 34);
    EXPECT_GT(mixed, 20) << "too few cells over an edge to tell a mosaic from the picture";
    EXPECT_EQ(At(img, band.r(), 200), Original(band.r(), 200)) << "right of the band";
    EXPECT_EQ(At(img, 200, band.t - 1), Original(200, band.t - 1)) << "above the band";
}

// A blur over the fixture's edges (desktop to fixture, fixture to panel):
// no sharp step is left inside it, while the edges outside it stay sharp.
TEST_F(ToolsE2E, BlurLeavesNoSharpEdgeWhereThePictureHadOne) {
    ASSERT_NO_FATAL_FAILURE(LaunchAndSelect());
    ASSERT_NO_FATAL_FAILURE(ChooseTool(kBlur));
    const Box band{80, 200, 80, 60};  // across x 100 (desktop | fixture) and x 120 (fixture | panel)
    Stroke(band.l, band.t, band.r(), band.b());
    GlideTo(1000, 740);
    const Image img = CopyAndRead();
    ASSERT_EQ(img.width, kSel.w);
    const auto step = [](const Pixel& a, const Pixel& b) {
        return std::max({std::abs(a.r - b.r), std::abs(a.g - b.g), std::abs(a.b - b.b)});
    };
    int sharpBefore = 0, steepest = 0;
    for (int x = band.l + 1; x < band.r(); ++x) {
        sharpBefore = std::max(sharpBefore, step(Original(x, 230), Original(x - 1, 230)));
        steepest = std::max(steepest, step(At(img, x, 230), At(img, x - 1, 230)));
    }
    EXPECT_GT(sharpBefore, 60) << "the fixture has no sharp edge there";
    EXPECT_LT(steepest, sharpBefore / 3) << "a sharp edge survived the blur";
    EXPECT_NE(At(img, 100, 230), Original(100, 230));
    // Below the band the same edge is as sharp as ever.
    EXPECT_EQ(At(img, 100, 270), Original(100, 270));
    EXPECT_EQ(At(img, 99, 270), Original(99, 270));
}

// A blur over nearly the whole selection, an area the program cuts into
// bands that run side by side: every band of rows and of columns is blurred,
// so no sharp step is left in any quarter, where each quarter had one.
TEST_F(ToolsE2E, ABlurOverTheWholeSelectionLeavesNoSharpEdgeAnywhere) {
    ASSERT_NO_FATAL_FAILURE(LaunchAndSelect());
    ASSERT_NO_FATAL_FAILURE(ChooseTool(kBlur));
    // Clear of the frame, where a press would take an edge instead.
    const Box band{kSel.l + 12, kSel.t + 12, kSel.w - 24, kSel.h - 24};
    Stroke(band.l, band.t, band.r(), band.b());
    GlideTo(1000, 740);
    const Image img = CopyAndRead();
    ASSERT_EQ(img.width, kSel.w);
    const auto step = [](const Pixel& a, const Pixel& b) {
        return std::max({std::abs(a.r - b.r), std::abs(a.g - b.g), std::abs(a.b - b.b)});
    };
    // Steepest steps along the rows and down the columns, in each quarter.
    for (const bool right : {false, true})
        for (const bool lower : {false, true}) {
            SCOPED_TRACE(std::string(lower ? "lower " : "upper ") + (right ? "right" : "left"));
            const int x0 = right ? band.l + band.w / 2 : band.l + 1, x1 = right ? band.r() : band.l + band.w / 2;
            const int y0 = lower ? band.t + band.h / 2 : band.t + 1, y1 = lower ? band.b() : band.t + band.h / 2;
            int sharpRows = 0, sharpColumns = 0, rowsAfter = 0, columnsAfter = 0;
            for (int y = y0; y < y1; ++y)
                for (int x = x0; x < x1; ++x) {
                    sharpRows = std::max(sharpRows, step(Original(x, y), Original(x - 1, y)));
                    sharpColumns = std::max(sharpColumns, step(Original(x, y), Original(x, y - 1)));
                    rowsAfter = std::max(rowsAfter, step(At(img, x, y), At(img, x - 1, y)));
                    columnsAfter = std::max(columnsAfter, step(At(img, x, y), At(img, x, y - 1)));
                }
            EXPECT_GT(sharpRows, 60) << "no sharp step along the rows here to blur";
            EXPECT_GT(sharpColumns, 60) << "no sharp step down the columns here to blur";
            EXPECT_LT(rowsAfter, sharpRows / 3) << "a sharp step along a row survived";
            EXPECT_LT(columnsAfter, sharpColumns / 3) << "a sharp step down a column survived";
        }
}

// Numbered steps 1, 2, 3 on the fixture's plain colour, Ctrl+Z, and a new
// click: it shows 3 again, pixel for pixel the 3 that was undone.
TEST_F(ToolsE2E, StepsCountOneTwoThreeAndAnUndoneNumberComesBack) {
    ASSERT_NO_FATAL_FAILURE(LaunchAndSelect());
    ASSERT_NO_FATAL_FAILURE(ChooseTool(kStep));
    const auto place = [&](int x) {
        GlideTo(x, 390);
        d_->Click();
        ExpectPixelSoon(x - 8, 390, kRed, "the step's circle");
    };
    place(150);
    place(220);
    place(290);
    GlideTo(1000, 740);
    ExpectPixelSoon(290 - 8, 390, kRed, "the third circle");
    const Image third = d_->Grab(275, 375, 30, 30);
    const Image second = d_->Grab(205, 375, 30, 30);
    int inked = 0;
    for (const Pixel& p : third.pixels) inked += p.r > 200 && p.g > 200 && p.b > 200;
    EXPECT_GT(inked, 5) << "no white number on the third circle";
    const auto top = Overlay().top;
    ASSERT_TRUE(top && WaitUntil([&] { return d_->KeysReach(top->hwnd); }, 3s, 20ms));
    d_->KeyDown(XK_Control_L);
    d_->Tap(XK_z);
    d_->KeyUp(XK_Control_L);
    ExpectPixelSoon(290 - 8, 390, kTopColour, "the undone third circle");
    place(360);
    GlideTo(1000, 740);
    const Image img = CopyAndRead();
    ASSERT_EQ(img.width, kSel.w);
    int same = 0, asSecond = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 30; ++x) {
            same += At(img, 345 + x, 375 + y) == third.at(x, y);
            asSecond += At(img, 345 + x, 375 + y) == second.at(x, y);
        }
    EXPECT_EQ(same, 900) << "the new circle is not the undone 3";
    EXPECT_LT(asSecond, 900) << "the 2 and the 3 look alike: the check tells nothing";
    EXPECT_EQ(At(img, 290, 390), kTopColour) << "the undone 3 came back in the copy";
}

// A filled box, chosen by its key, over the fixture's edges: in the copy not
// a pixel of what it covered is left, and what lies around it is untouched.
TEST_F(ToolsE2E, AFilledBoxLeavesNothingOfWhatItCovers) {
    ASSERT_NO_FATAL_FAILURE(LaunchAndSelect());
    ASSERT_NO_FATAL_FAILURE(KeysReachTheOverlay());
    d_->Tap(XK_f);
    ASSERT_TRUE(WaitUntil([&] { return MarkerBehind(kFilledBox); }, 2s)) << "F did not choose the filled box";
    const Box band{80, 200, 80, 60};  // across the desktop, the fixture and a panel
    Stroke(band.l, band.t, band.r(), band.b());
    GlideTo(1000, 740);
    const Image img = CopyAndRead();
    ASSERT_EQ(img.width, kSel.w);
    int varied = 0;
    for (int y = band.t; y < band.b(); ++y)
        for (int x = band.l; x < band.r(); ++x) {
            ASSERT_EQ(At(img, x, y), kRed) << "at " << x << "," << y;
            varied += !(Original(x, y) == Original(band.l, band.t));
        }
    EXPECT_GT(varied, 100) << "the box covered one plain colour: the check tells nothing";
    EXPECT_EQ(At(img, band.r(), 230), Original(band.r(), 230)) << "right of the box";
    EXPECT_EQ(At(img, 120, band.t - 1), Original(120, band.t - 1)) << "above the box";
}

// Letters choose their tools on a selection; with a tool chosen the wheel
// over the selection sets the width (Shift: by 5), the box follows, and the
// next stroke has that width. Over the darkened screen the wheel does nothing.
TEST_F(ToolsE2E, KeysChooseToolsAndTheWheelSetsTheWidth) {
    ASSERT_NO_FATAL_FAILURE(LaunchAndSelect());
    ASSERT_NO_FATAL_FAILURE(KeysReachTheOverlay());
    d_->Tap(XK_l);
    EXPECT_TRUE(WaitUntil([&] { return MarkerBehind(kLine); }, 2s)) << "L did not choose the line";
    d_->Tap(XK_p);
    EXPECT_TRUE(WaitUntil([&] { return MarkerBehind(kPen) && !MarkerBehind(kLine); }, 2s)) << "P did not choose the pen";
    ASSERT_EQ(WidthBoxText(), "5");
    for (int i = 0; i < 3; ++i) d_->Click(4);
    EXPECT_TRUE(WaitUntil([&] { return WidthBoxText() == "8"; }, 2s)) << "three notches up: " << WidthBoxText();
    d_->KeyDown(XK_Shift_L);
    d_->Click(5);
    d_->KeyUp(XK_Shift_L);
    EXPECT_TRUE(WaitUntil([&] { return WidthBoxText() == "3"; }, 2s)) << "Shift and a notch down: " << WidthBoxText();
    GlideTo(800, 300);  // off the selection
    d_->Click(4);
    GlideTo(300, 300);
    d_->Click(5);  // a notch on the selection after it, so the one before has surely been handled
    EXPECT_TRUE(WaitUntil([&] { return WidthBoxText() == "2"; }, 2s)) << "the wheel off the selection: " << WidthBoxText();
    d_->Click(4);
    EXPECT_TRUE(WaitUntil([&] { return WidthBoxText() == "3"; }, 2s));
    Stroke(150, 400, 350, 400);
    ExpectPixelSoon(250, 400, kRed, "the pen's stroke");
    GlideTo(1000, 740);
    const Image img = CopyAndRead();
    ASSERT_EQ(img.width, kSel.w);
    int thick = 0;
    for (int y = 390; y <= 410; ++y) thick += At(img, 250, y) == kRed;
    EXPECT_EQ(thick, 3) << "the stroke is not 3 px wide";
    EXPECT_EQ(At(img, 250, 402), kTopColour);
}

// Text on a box: the text tool with Tab pressed; typed text printed in
// white on a red box in the copy.
TEST_F(ToolsE2E, TextOnABoxPrintsOnAFilledBoxInAContrastingColour) {
    ASSERT_NO_FATAL_FAILURE(LaunchAndSelect());
    ASSERT_NO_FATAL_FAILURE(ChooseTool(kText));
    // The text button's glyph gains a frame (its left side at x 1) once the
    // option is on; the plain glyph has no ink there.
    const ToolButtonAt b = DrawButton(kText);
    const auto framed = [&] { return PixelNear(TX(b.left + 1), TY(b.top + 8), Pixel{32, 32, 32}); };
    ASSERT_FALSE(framed()) << "the text button shows a frame before Tab";
    d_->Tap(XK_Tab);
    ASSERT_TRUE(WaitUntil(framed, 2s, 50ms)) << "Tab did not turn the text tool's box on";
    Stroke(150, 110, 300, 140, 4);
    std::optional<WinInfo> box;
    const auto textBox = [&]() -> std::optional<WinInfo> {
        for (const WinInfo& w : d_->ListWindows("VellumoScrShot"))
            if (w.parent == overlay_ && w.cls == "Edit" && w.visible) return w;
        return std::nullopt;
    };
    ASSERT_TRUE(WaitUntil([&] { return (box = textBox()).has_value(); }, 2s, 50ms)) << "no text box after the drag";
    ClickAt(*d_, box->left + 10, box->top + box->height() / 2);
    TypeText(*d_, "mmmm");
    ASSERT_TRUE(WaitUntil([&] { return d_->WindowText(box->hwnd) == "mmmm"; }, 2s, 50ms));
    d_->Tap(XK_Return);
    ASSERT_TRUE(WaitUntil([&] { return !textBox(); }, 2s, 50ms)) << "Enter left the text box shown";
    GlideTo(1000, 740);
    const Image img = CopyAndRead();
    ASSERT_EQ(img.width, kSel.w);
    EXPECT_EQ(At(img, 148, 112), kRed) << "no red box left of the text";
    EXPECT_EQ(At(img, 144, 112), Original(144, 112)) << "the box reaches too far left";
    int white = 0, red = 0;
    for (int y = 110; y < 125; ++y)
        for (int x = 150; x < 190; ++x) {
            const Pixel& p = At(img, x, y);
            white += p.r > 200 && p.g > 200 && p.b > 200;
            red += p == kRed;
        }
    EXPECT_GT(white, 20) << "no white text on the box";
    EXPECT_GT(red, 100) << "no red box under the text";
}

}  // namespace
