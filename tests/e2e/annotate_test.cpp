// The annotation tools as a user meets them: a region of known colours is
// selected on the overlay, tools, swatches, the width and opacity boxes, the
// slider and the colour dialog are worked with the pointer and keys, the
// region is copied, and the clipboard bitmap (read back by vprobe.exe) is
// checked pixel by pixel against what each stroke should have left.
#include <X11/keysym.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
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
constexpr Pixel kBlue{0, 0, 255};  // Cols(7)
constexpr Pixel kOrange{255, 128, 0};  // the slider's thumb

// Toolbar layout, pixels inside toolbar_.
constexpr int DrawLeft(int i) { return 6 + 24 * i; }  // Draw(i), 16 x 16 at top 4
constexpr int kOpsTop = 24;
constexpr int SwatchLeft(int i) { return 40 + 16 * (i / 2); }
constexpr int SwatchTop(int i) { return kOpsTop + (i % 2 ? 20 : 4); }
const Box kWidthBox{32, 60, 25, 21}, kOpacityBox{32, 84, 25, 21};
const Box kWidthSlider{60, 64, 121, 9};
const Box kMoreColours{186, 58, 35, 22};
constexpr int kWidthBoxId = 301, kOpacityBoxId = 302;
enum Tool { kRectangle = 0, kEllipse = 1, kText = 2, kArrow = 3, kEraser = 4 };

// Source over: what a colour of `alpha` leaves over `under`.
Pixel Blend(const Pixel& c, const Pixel& under, int alpha) {
    auto ch = [&](int s, int d) { return static_cast<int>(std::lround((s * alpha + d * (255 - alpha)) / 255.0)); };
    return {ch(c.r, under.r), ch(c.g, under.g), ch(c.b, under.b)};
}

// The run of pixels through (x, y) along (dx, dy) for which `in` holds:
// first and last coordinate on that axis; nothing when (x, y) is not in it.
struct Run {
    int first = 0, last = -1;
    int length() const { return last - first + 1; }
};
std::optional<Run> RunThrough(const Image& img, int x, int y, int dx, int dy,
                              const std::function<bool(const Pixel&)>& in) {
    auto inside = [&](int px, int py) { return px >= 0 && py >= 0 && px < img.width && py < img.height; };
    if (!inside(x, y) || !in(img.at(x, y))) return std::nullopt;
    int a = 0, b = 0;
    while (inside(x - (a + 1) * dx, y - (a + 1) * dy) && in(img.at(x - (a + 1) * dx, y - (a + 1) * dy))) ++a;
    while (inside(x + (b + 1) * dx, y + (b + 1) * dy) && in(img.at(x + (b + 1) * dx, y + (b + 1) * dy))) ++b;
    const int at = dx ? x : y;
    return Run{at - a, at + b};
}
std::string Describe(const std::optional<Run>& r) {
    if (!r) return "none";
    char s[48];
    std::snprintf(s, sizeof s, "[%d..%d]", r->first, r->last);
    return s;
}

class AnnotateE2E : public MarkE2E {
protected:
    AnnotateE2E() : MarkE2E("annotate") {}

    // Clicks Draw(i); the chosen-tool square (system highlight) then shows behind it.
    void ChooseTool(int i) {
        ClickTools(DrawLeft(i) + 8, 12);
        const bool marked = WaitUntil([&] { return PixelNear(TX(DrawLeft(i) - 1), TY(12), highlight_); }, 2s);
        EXPECT_TRUE(marked) << "no chosen-tool marker behind Draw(" << i << "): "
                            << ToString(d_->GetPixel(TX(DrawLeft(i) - 1), TY(12)));
    }

    Pixel CN() { return d_->GetPixel(TX(4 + 16), TY(kOpsTop + 4 + 14)); }

    void ClickSwatch(int i) { ClickTools(SwatchLeft(i) + 6, SwatchTop(i) + 6); }

    // The toolbar's text box `id` (widthBox_ 301, opacityBox_ 302).
    std::optional<WinInfo> TextBox(int id) {
        const auto v = Overlay();
        if (!v.tools) return std::nullopt;
        for (const WinInfo& w : d_->ListWindows("VellumoScrShot"))
            if (w.parent == v.tools->hwnd && w.id == id) return w;
        return std::nullopt;
    }
    std::string BoxText(int id) {
        const auto b = TextBox(id);
        return b ? d_->WindowText(b->hwnd) : "<no box " + std::to_string(id) + ">";
    }
    void ExpectBoxText(int id, const std::string& want, const std::string& what) {
        EXPECT_TRUE(WaitUntil([&] { return BoxText(id) == want; }, 2s, 50ms))
            << what << ": the box shows \"" << BoxText(id) << "\", want \"" << want << "\"";
    }

    // The text box textBox_: an Edit that is a child of the overlay itself.
    std::optional<WinInfo> textBox_() {
        for (const WinInfo& w : d_->ListWindows("VellumoScrShot"))
            if (w.parent == overlay_ && w.cls == "Edit") return w;
        return std::nullopt;
    }

    // Right edge (last column) of the slider's orange thumb on its middle
    // row; -1 when none. The right edge: at low values the thumb's left part
    // is cut off by the control's edge.
    int ThumbRight(const e2e::Box& slider) {
        const Image row = d_->Grab(TX(slider.l), TY(slider.t + slider.h / 2), slider.w, 1);
        for (int x = row.width - 1; x >= 0; --x)
            if (Near(row.at(x, 0), kOrange, 2)) return x;
        return -1;
    }

};

// One capture with a mark of each kind, each on plain known content:
// a rectangle dragged from inside to far outside, a half-transparent
// rectangle, an arrow, a rectangle partly erased again, an ellipse in a
// swatch's colour, text running past the selection's right edge and text
// still pending when the region is copied.
TEST_F(AnnotateE2E, EachToolLeavesItsMarkInTheCopiedRegion) {
    ASSERT_NO_FATAL_FAILURE(LaunchAndSelect());
    EXPECT_TRUE(Near(CN(), kRed, 1)) << "CN starts " << ToString(CN()) << ", not red";
    EXPECT_EQ(BoxText(kWidthBoxId), "5");
    EXPECT_EQ(BoxText(kOpacityBoxId), "255");

    // Rectangle from (540,380) to far past the bottom-right corner (620,500).
    ASSERT_NO_FATAL_FAILURE(ChooseTool(kRectangle));
    Stroke(540, 380, 900, 700);
    ExpectPixelSoon(540, 440, kRed, "left edge of the rectangle");
    GlideTo(1000, 740);  // the magnifier away from what is looked at
    // Cut at the selection's edge: the darkened desktop right of and below it
    // is untouched. (The frame's own 1-px line covers the last column and row.)
    for (const auto& [x, y] : {std::pair{618, 440}, {580, 498}})
        EXPECT_TRUE(PixelNear(x, y, kRed)) << "inside the edge (" << x << "," << y << "): " << ToString(d_->GetPixel(x, y));
    for (const auto& [x, y] : {std::pair{621, 440}, {624, 440}, {580, 501}, {580, 504}, {630, 510}})
        EXPECT_TRUE(PixelNear(x, y, Dark(kBg))) << "the rectangle reaches outside the selection at (" << x << ","
                                                << y << "): " << ToString(d_->GetPixel(x, y));

    // Opacity 128: a rectangle in the plain desktop band at the top.
    TypeInto(kOpacityBox, "128");
    Stroke(150, 110, 450, 140);
    EXPECT_TRUE(WaitUntil([&] { return Near(d_->GetPixel(300, 110), Blend(kRed, kBg, 128), 3); }, 2s))
        << "half-transparent top edge: " << ToString(d_->GetPixel(300, 110)) << ", want about "
        << ToString(Blend(kRed, kBg, 128));
    TypeInto(kOpacityBox, "255");

    // Arrow right and up across the fixture's plain colour; its head at (460, 360).
    ASSERT_NO_FATAL_FAILURE(ChooseTool(kArrow));
    Stroke(280, 440, 460, 360);
    // Rectangle with its top edge on the fixture's top border (desktop above,
    // fixture below, the fixture's left border at x = 100 crossing it), then
    // the eraser along that edge: only the frozen screen, pixel for pixel,
    // can give both colours back in the right places.
    ASSERT_NO_FATAL_FAILURE(ChooseTool(kRectangle));
    Stroke(80, 150, 140, 210);
    ExpectPixelSoon(110, 151, kRed, "top edge before erasing");
    ASSERT_NO_FATAL_FAILURE(ChooseTool(kEraser));
    Stroke(88, 150, 125, 150, 6);
    ExpectPixelSoon(110, 151, Original(110, 151), "the erased part of the top edge", 2s);

    // Swatch Cols(7), blue, then an ellipse in the desktop band on the right.
    ClickSwatch(7);
    EXPECT_TRUE(WaitUntil([&] { return Near(CN(), kBlue, 1); }, 2s)) << "CN after Cols(7): " << ToString(CN());
    ASSERT_NO_FATAL_FAILURE(ChooseTool(kEllipse));
    Stroke(515, 120, 605, 240);

    // Text: an area near the right edge, ten m's typed, Enter prints them.
    ASSERT_NO_FATAL_FAILURE(ChooseTool(kText));
    Stroke(560, 262, 610, 290, 4);
    std::optional<WinInfo> pt;
    ASSERT_TRUE(WaitUntil([&] { return (pt = textBox_()) && pt->visible; }, 2s, 50ms)) << "no text box PT after the drag";
    // On the dragged area (560,262 50x28); the box may keep a usable minimum size.
    EXPECT_TRUE(pt->left == 560 && pt->top == 262 && pt->width() >= 50 && pt->height() >= 28)
        << "PT at " << Str(BoxOf(*pt)) << ", not on the dragged area (560,262 50x28)";
    ClickAt(*d_, pt->left + 10, pt->top + pt->height() / 2);
    TypeText(*d_, "mmmmmmmmmm");
    EXPECT_TRUE(WaitUntil([&] { return d_->WindowText(pt->hwnd) == "mmmmmmmmmm"; }, 2s, 50ms))
        << "PT holds \"" << d_->WindowText(pt->hwnd) << "\"";
    d_->Tap(XK_Return);
    EXPECT_TRUE(WaitUntil([&] { return !textBox_() || !textBox_()->visible; }, 2s, 50ms)) << "Enter left PT shown";
    GlideTo(1000, 740);
    // Printed unclipped: beyond the selection's right edge the darkened desktop shows it.
    int outside = 0;
    const Image beyond = d_->Grab(622, 262, 40, 28);
    for (const Pixel& p : beyond.pixels) outside += !Near(p, Dark(kBg), 2);
    EXPECT_GT(outside, 10) << "no printed text right of the selection";
    // How far the ten m's reach right of where they were printed.
    const Image printed = d_->Grab(622, 262, kScreenW - 622, 28);
    int tenWide = 0;
    for (int x = 0; x < printed.width; ++x)
        for (int y = 0; y < printed.height; ++y)
            if (!Near(printed.at(x, y), Dark(kBg), 2)) tenWide = 622 + x - 560 + 1;
    // A second text area: the box starts with the text just printed, the
    // caret after it and nothing selected, so typing adds to it; the copy
    // prints it though Enter was never pressed.
    Stroke(120, 465, 250, 490, 4);
    ASSERT_TRUE(WaitUntil([&] { return (pt = textBox_()) && pt->visible && pt->left == 120 && pt->top == 465; }, 2s, 50ms))
        << "no text box PT on the second area";
    EXPECT_EQ(d_->WindowText(pt->hwnd), "mmmmmmmmmm") << "the second box does not start with the last text";
    TypeText(*d_, "mm");
    EXPECT_TRUE(WaitUntil([&] { return d_->WindowText(pt->hwnd) == "mmmmmmmmmmmm"; }, 2s, 50ms))
        << "typing into the second box left \"" << d_->WindowText(pt->hwnd) << "\"";

    const Image img = CopyAndRead();
    ASSERT_EQ(img.width, kSel.w);

    const auto red = [](const Pixel& p) { return p == kRed; };
    // The rectangle: a 5-pixel red outline centred where dragged, cut at the edges.
    const auto left = RunThrough(img, 540 - kSel.l, 440 - kSel.t, 1, 0, red);
    const auto top = RunThrough(img, 580 - kSel.l, 380 - kSel.t, 0, 1, red);
    ASSERT_TRUE(left && top) << "no red outline at the press point's edges";
    EXPECT_EQ(left->length(), 5) << "left edge " << Describe(left);
    EXPECT_EQ(top->length(), 5) << "top edge " << Describe(top);
    EXPECT_LE(std::abs(left->first + left->last - 2 * (540 - kSel.l)), 1) << "left edge " << Describe(left);
    EXPECT_LE(std::abs(top->first + top->last - 2 * (380 - kSel.t)), 1) << "top edge " << Describe(top);
    // The clamped corner is the selection's: its right and bottom edges are
    // half a pen inside the copy's last column and row.
    const auto right = RunThrough(img, kSel.w - 1, 440 - kSel.t, 1, 0, red);
    const auto bottom = RunThrough(img, 580 - kSel.l, kSel.h - 1, 0, 1, red);
    EXPECT_TRUE(right && right->length() >= 2 && right->length() <= 3) << "right edge " << Describe(right);
    EXPECT_TRUE(bottom && bottom->length() >= 2 && bottom->length() <= 3) << "bottom edge " << Describe(bottom);
    EXPECT_EQ(At(img, 580, 440), kBg) << "the rectangle is filled";
    EXPECT_EQ(At(img, 530, 440), kBg) << "outside the rectangle";

    // Opacity 128 over the desktop: half-way, and the same along the edge.
    for (const int x : {200, 300, 400}) {
        const Pixel got = At(img, x, 110), want = Blend(kRed, kBg, 128);
        EXPECT_TRUE(Near(got, want, 3)) << "alpha 128 at (" << x << ",110): " << ToString(got) << ", want "
                                         << ToString(want);
    }

    // The arrow: red along its shaft; its head, the widest part of the
    // stroke, at the release end.
    const auto reddish = [](const Pixel& p) { return p.r > 150 && p.g < 110 && p.b < 150; };
    EXPECT_TRUE(reddish(At(img, 370, 400))) << "arrow shaft at its middle: " << ToString(At(img, 370, 400));
    const double ax = 280, ay = 440, len = std::hypot(460 - ax, 360 - ay);
    const double ux = (460 - ax) / len, uy = (360 - ay) / len;
    // Widest red extent across the stroke for positions [from, to] along it.
    const auto widest = [&](double from, double to) {
        double most = 0;
        for (double along = from; along <= to; along += 1) {
            int hits = 0;
            for (double across = -15; across <= 15; across += 0.25) {
                const int x = static_cast<int>(std::lround(ax + along * ux - across * uy));
                const int y = static_cast<int>(std::lround(ay + along * uy + across * ux));
                hits += reddish(At(img, x, y));
            }
            most = std::max(most, hits / 4.0);
        }
        return most;
    };
    const double atPress = widest(2, 16), atRelease = widest(len - 16, len - 2);
    EXPECT_GE(atPress, 4) << "the shaft is not 5 px wide near its start";
    EXPECT_GE(atRelease, atPress + 2) << "widest " << atPress << " px near the press end, " << atRelease
                                      << " px near the release end: the head is not at the release end";

    // The eraser gave the frozen screen back along its stroke only.
    for (int y = 148; y <= 152; ++y)
        for (int x = 92; x <= 121; ++x)
            EXPECT_TRUE(Near(At(img, x, y), Original(x, y), 3))
                << "not erased at (" << x << "," << y << "): " << ToString(At(img, x, y)) << ", was "
                << ToString(Original(x, y));
    EXPECT_EQ(At(img, 135, 150), kRed) << "erased past the stroke's end";
    EXPECT_EQ(At(img, 110, 146), Original(110, 146)) << "above the rectangle";
    EXPECT_EQ(At(img, 80, 180), kRed) << "left edge of the erased rectangle";
    EXPECT_EQ(At(img, 110, 210), kRed) << "bottom edge of the erased rectangle";

    // The ellipse in blue: on its four extreme points, not in its box's corners.
    for (const auto& [x, y] : {std::pair{515, 180}, {605, 180}, {560, 120}, {560, 240}})
        EXPECT_TRUE(Near(At(img, x, y), kBlue, 40)) << "ellipse at (" << x << "," << y << "): " << ToString(At(img, x, y));
    for (const auto& [x, y] : {std::pair{518, 123}, {602, 237}, {560, 180}})
        EXPECT_EQ(At(img, x, y), kBg) << "(" << x << "," << y << ") is not the ellipse's";

    // The text in blue inside the selection, up to its edge.
    int blueText = 0, nearEdge = 0;
    for (int y = 262; y < 290; ++y)
        for (int x = 560; x < 620; ++x) {
            const Pixel& p = At(img, x, y);
            const bool blueish = p.b > 150 && p.r < 80 && p.g < 110;
            blueText += blueish;
            nearEdge += blueish && x >= 610;
        }
    EXPECT_GT(blueText, 40) << "no blue text printed";
    EXPECT_GT(nearEdge, 3) << "the text does not reach the selection's edge";
    int pending = 0;
    for (int y = 465; y < 490; ++y)
        for (int x = 120; x < 250; ++x) {
            const Pixel& p = At(img, x, y);
            pending += p.b > 150 && p.r < 80 && p.g < 110;
        }
    EXPECT_GT(pending, 40) << "the text pending at the copy was not printed";
    // Twelve m's reach further than the ten printed before.
    int twelveWide = 0;
    for (int y = 465; y < 490; ++y)
        for (int x = 120; x < kSel.r(); ++x) {
            const Pixel& p = At(img, x, y);
            if (p.b > 150 && p.r < 80 && p.g < 110) twelveWide = std::max(twelveWide, x - 120 + 1);
        }
    EXPECT_GT(tenWide, 60) << "the first text was not measured";
    EXPECT_GT(twelveWide, tenWide) << "the pending text is not the previous text with the typed one after it";
}

// Fixed fault: Enter held in the text box printed the text, then a repeat
// of it reached the overlay, which copied and ended the capture. A held
// Enter prints once and copies nothing; a second, separate press copies,
// with the printed text in the copy.
TEST_F(AnnotateE2E, AHeldEnterPrintsTheTextOnceAndASecondPressCopies) {
    ASSERT_NO_FATAL_FAILURE(LaunchAndSelect());
    ASSERT_NO_FATAL_FAILURE(ChooseTool(kText));
    Stroke(440, 262, 540, 290, 4);
    std::optional<WinInfo> pt;
    ASSERT_TRUE(WaitUntil([&] { return (pt = textBox_()) && pt->visible; }, 2s, 50ms)) << "no text box after the drag";
    ClickAt(*d_, pt->left + 10, pt->top + pt->height() / 2);
    TypeText(*d_, "mmmm");
    ASSERT_TRUE(WaitUntil([&] { return d_->WindowText(pt->hwnd) == "mmmm"; }, 2s, 50ms))
        << "the box holds \"" << d_->WindowText(pt->hwnd) << "\"";
    ASSERT_EQ(d_->Run(WinExe("vprobe.exe"), {"emptyclipboard"}).out, "OK\n");
    d_->KeyDown(XK_Return);
    const bool printed = WaitUntil([&] { return !textBox_() || !textBox_()->visible; }, 2s, 50ms);
    // Still down: the presses that follow are its repeats.
    for (int i = 0; i < 4; ++i) {
        std::this_thread::sleep_for(150ms);
        d_->KeyDown(XK_Return);
    }
    d_->KeyUp(XK_Return);
    ASSERT_TRUE(printed) << "Enter did not print the text";
    std::this_thread::sleep_for(500ms);
    ASSERT_TRUE(d_->Running(app_)) << "the held Enter ended the capture";
    EXPECT_EQ(d_->Run(WinExe("vprobe.exe"), {"clipboard", WinPath(dir_ / "early.ppm")}).out, "B\t0\t0\n")
        << "the held Enter copied";

    d_->Tap(XK_Return);
    ASSERT_TRUE(d_->WaitExit(app_, 10s)) << "a second press of Enter did not copy and end the capture";
    const fs::path dump = dir_ / "clipboard.ppm";
    ASSERT_EQ(d_->Run(WinExe("vprobe.exe"), {"clipboard", WinPath(dump)}).out,
              "B\t" + std::to_string(kSel.w) + "\t" + std::to_string(kSel.h) + "\n");
    const auto img = ParsePpm(ReadFile(dump));
    ASSERT_TRUE(img) << "no bitmap read back from the clipboard";
    int inked = 0;
    for (int y = 262; y < 290; ++y)
        for (int x = 440; x < 540; ++x) inked += !Near(At(*img, x, y), Original(x, y), 2);
    EXPECT_GT(inked, 20) << "the copy does not hold the printed text";
}

// Width and opacity boxes and the slider follow each other, the colour
// dialog's Cancel changes nothing and its OK sets the colour; a rectangle
// drawn with each width has an outline exactly that thick.
TEST_F(AnnotateE2E, WidthBoxSliderAndColourDialogAgree) {
    ASSERT_NO_FATAL_FAILURE(LaunchAndSelect());
    // The toolbar is built and painted once the overlay's first frame is out.
    int thumb5 = -1;
    WaitUntil([&] { return (thumb5 = ThumbRight(kWidthSlider)) >= 0; }, 5s, 50ms);
    ASSERT_GE(thumb5, 0) << "no orange thumb on svWid";

    TypeInto(kWidthBox, "12.5");
    EXPECT_EQ(BoxText(kWidthBoxId), "12.5") << "the box changed while being typed in";
    TypeInto(kOpacityBox, "300");
    ExpectBoxText(kWidthBoxId, "12", "12.5 once the focus left");
    const int thumb12 = ThumbRight(kWidthSlider);
    // 7 of 100 units on a 121-pixel scale.
    EXPECT_NEAR(thumb12 - thumb5, 7 * 121 / 100.0, 1.5) << "thumb at " << thumb5 << " for 5, " << thumb12 << " for 12";
    TypeInto(kWidthBox, "abc");
    ExpectBoxText(kOpacityBoxId, "255", "300 once the focus left");
    TypeInto(kOpacityBox, "255");
    ExpectBoxText(kWidthBoxId, "12", "abc is not a number");
    EXPECT_EQ(ThumbRight(kWidthSlider), thumb12) << "abc moved the slider";

    // The colour dialog: Cancel keeps red; then red 0, green 160, blue 80.
    const auto openDialog = [&]() -> bool {
        ClickTools(kMoreColours.l + kMoreColours.w / 2, kMoreColours.t + kMoreColours.h / 2);
        return WaitUntil(
            [&] {
                for (const WinInfo& w : d_->ListWindows("#32770"))
                    if (w.parent == "0" && w.visible) return true;
                return false;
            },
            10s, 100ms);
    };
    const auto dialogItem = [&](int id) -> std::optional<WinInfo> {
        for (const WinInfo& w : d_->ListWindows("#32770"))
            if (w.parent != "0" && w.id == id) return w;
        return std::nullopt;
    };
    const auto dialogGone = [&] { return WaitUntil([&] { return d_->ListWindows("#32770").empty(); }, 5s, 100ms); };
    ASSERT_TRUE(openDialog()) << "no colour dialog after clicking Color";
    auto cancel = dialogItem(2);
    ASSERT_TRUE(cancel) << "no Cancel button in the colour dialog";
    std::this_thread::sleep_for(200ms);
    ClickAt(*d_, cancel->left + cancel->width() / 2, cancel->top + cancel->height() / 2);
    ASSERT_TRUE(dialogGone()) << "Cancel did not close the colour dialog";
    // The overlay answers once the click's handler has returned from the dialog.
    ASSERT_EQ(d_->WindowText(overlay_), "ScrShot") << "the overlay did not answer after Cancel";
    EXPECT_TRUE(Near(CN(), kRed, 1)) << "CN after Cancel: " << ToString(CN());

    ASSERT_TRUE(openDialog()) << "no colour dialog the second time";
    // The red, green and blue boxes (706..708) show once the dialog is fully open.
    if (const auto red = dialogItem(706); !red || !red->visible) {
        const auto more = dialogItem(719);  // "Define Custom Colors >>"
        ASSERT_TRUE(more) << "neither RGB boxes nor Define Custom Colors in the dialog";
        ClickAt(*d_, more->left + more->width() / 2, more->top + more->height() / 2);
        ASSERT_TRUE(WaitUntil([&] { return dialogItem(706) && dialogItem(706)->visible; }, 3s, 100ms))
            << "the RGB boxes never showed";
    }
    const Pixel chosen{0, 160, 80};
    for (const auto& [id, value] : {std::pair{706, chosen.r}, {707, chosen.g}, {708, chosen.b}}) {
        const auto edit = dialogItem(id);
        ASSERT_TRUE(edit) << "no box " << id;
        ClickAt(*d_, edit->left + edit->width() / 2, edit->top + edit->height() / 2);
        d_->Tap(XK_Home);
        d_->KeyDown(XK_Shift_L);
        d_->Tap(XK_End);
        d_->KeyUp(XK_Shift_L);
        d_->Tap(XK_Delete);
        TypeText(*d_, std::to_string(value));
        EXPECT_TRUE(WaitUntil([&] { return d_->WindowText(edit->hwnd) == std::to_string(value); }, 2s, 50ms))
            << "box " << id << " shows \"" << d_->WindowText(edit->hwnd) << "\"";
    }
    const auto ok = dialogItem(1);
    ASSERT_TRUE(ok) << "no OK button";
    ClickAt(*d_, ok->left + ok->width() / 2, ok->top + ok->height() / 2);
    ASSERT_TRUE(dialogGone()) << "OK did not close the colour dialog";
    EXPECT_TRUE(WaitUntil([&] { return Near(CN(), chosen, 1); }, 2s)) << "CN after the dialog: " << ToString(CN());

    // Width 12 in the dialog's colour on the fixture's plain colour.
    ASSERT_NO_FATAL_FAILURE(ChooseTool(kRectangle));
    Stroke(140, 345, 300, 430);
    ExpectPixelSoon(140, 390, chosen, "the 12-px rectangle's left edge");

    // The slider dragged from its thumb to about 20: the box follows.
    const int grabX = TX(kWidthSlider.l + thumb12 - 3), rowY = TY(kWidthSlider.t + kWidthSlider.h / 2);
    const int target = kWidthSlider.l + 24;  // 24 of 121 pixels: about 20 units
    GlideTo(grabX, rowY);
    d_->ButtonDown();
    for (int i = 1; i <= 6; ++i) {
        Jump(grabX + (TX(target) - grabX) * i / 6, rowY);
        std::this_thread::sleep_for(40ms);
    }
    d_->ButtonUp();
    int dragged = -1;
    EXPECT_TRUE(WaitUntil(
        [&] {
            dragged = std::atoi(BoxText(kWidthBoxId).c_str());
            return dragged >= 17 && dragged <= 23;
        },
        2s, 50ms))
        << "after dragging the slider to about 20 the box shows \"" << BoxText(kWidthBoxId) << "\"";
    EXPECT_NEAR(ThumbRight(kWidthSlider) - thumb5, (dragged - 5) * 1.21, 1.5) << "the thumb is not where the box says";

    // That width in the desktop band on the right.
    ASSERT_NO_FATAL_FAILURE(ChooseTool(kRectangle));
    Stroke(530, 150, 610, 420);
    ExpectPixelSoon(530, 300, chosen, "the slider-width rectangle's left edge");

    const Image img = CopyAndRead();
    ASSERT_EQ(img.width, kSel.w);
    const auto inColour = [&](const Pixel& p) { return p == chosen; };
    const auto w12 = RunThrough(img, 140 - kSel.l, 390 - kSel.t, 1, 0, inColour);
    const auto t12 = RunThrough(img, 220 - kSel.l, 345 - kSel.t, 0, 1, inColour);
    EXPECT_TRUE(w12 && w12->length() == 12) << "left edge for width 12: " << Describe(w12);
    EXPECT_TRUE(t12 && t12->length() == 12) << "top edge for width 12: " << Describe(t12);
    const auto wd = RunThrough(img, 530 - kSel.l, 300 - kSel.t, 1, 0, inColour);
    EXPECT_TRUE(wd && wd->length() == dragged) << "left edge for width " << dragged << ": " << Describe(wd);
    EXPECT_EQ(At(img, 220, 390), kTopColour) << "inside the 12-px rectangle";
}

}  // namespace

// Five marks (a rectangle, an ellipse, an eraser stroke over the rectangle,
// an arrow, printed text), then Ctrl+Z three times, Ctrl+Y once, Ctrl+Z and
// Ctrl+Shift+Z: each undo gives the frozen screen back where its mark was,
// each redo brings the mark back, and the copy takes what shows.
TEST_F(AnnotateE2E, UndoAndRedoTakeBackAndRestoreEachMark) {
    ASSERT_NO_FATAL_FAILURE(LaunchAndSelect());
    ASSERT_NO_FATAL_FAILURE(ChooseTool(kRectangle));
    Stroke(150, 110, 450, 140);
    ExpectPixelSoon(170, 110, kRed, "the rectangle's top edge");
    ASSERT_NO_FATAL_FAILURE(ChooseTool(kEllipse));
    Stroke(515, 120, 605, 240);
    ASSERT_NO_FATAL_FAILURE(ChooseTool(kEraser));
    Stroke(200, 110, 260, 110, 6);
    ExpectPixelSoon(230, 110, Original(230, 110), "the erased part of the top edge");
    ASSERT_NO_FATAL_FAILURE(ChooseTool(kArrow));
    Stroke(280, 440, 460, 360);
    ASSERT_NO_FATAL_FAILURE(ChooseTool(kText));
    Stroke(120, 465, 250, 490, 4);
    std::optional<WinInfo> pt;
    ASSERT_TRUE(WaitUntil([&] { return (pt = textBox_()) && pt->visible; }, 2s, 50ms)) << "no text box PT";
    ClickAt(*d_, pt->left + 10, pt->top + pt->height() / 2);
    TypeText(*d_, "mmmmmm");
    ASSERT_TRUE(WaitUntil([&] { return d_->WindowText(pt->hwnd) == "mmmmmm"; }, 2s, 50ms));
    d_->Tap(XK_Return);
    ASSERT_TRUE(WaitUntil([&] { return !textBox_() || !textBox_()->visible; }, 2s, 50ms)) << "Enter left PT shown";
    GlideTo(1000, 740);

    // Clear of the frame's own line on the selection's last row (y 499).
    const Box textArea{110, 455, 150, 40}, arrowArea{270, 350, 200, 100};
    const auto changedIn = [&](const Box& b) {
        const Image now = d_->Grab(b.l, b.t, b.w, b.h);
        int changed = 0;
        for (int y = 0; y < b.h; ++y)
            for (int x = 0; x < b.w; ++x) changed += !(now.at(x, y) == Original(b.l + x, b.t + y));
        return changed;
    };
    ASSERT_TRUE(WaitUntil([&] { return changedIn(textArea) > 20; }, 2s)) << "no text printed";
    ASSERT_GT(changedIn(arrowArea), 100) << "no arrow drawn";
    const auto top = Overlay().top;
    ASSERT_TRUE(top && WaitUntil([&] { return d_->KeysReach(top->hwnd); }, 3s, 20ms)) << "keys do not reach the overlay";
    const auto chord = [&](bool shift, unsigned long key) {
        d_->KeyDown(XK_Control_L);
        if (shift) d_->KeyDown(XK_Shift_L);
        d_->Tap(key);
        if (shift) d_->KeyUp(XK_Shift_L);
        d_->KeyUp(XK_Control_L);
    };

    chord(false, XK_z);
    EXPECT_TRUE(WaitUntil([&] { return changedIn(textArea) == 0; }, 2s))
        << "the first undo left " << changedIn(textArea) << " text pixels";
    EXPECT_GT(changedIn(arrowArea), 100) << "the first undo took the arrow too";
    chord(false, XK_z);
    EXPECT_TRUE(WaitUntil([&] { return changedIn(arrowArea) == 0; }, 2s))
        << "the second undo left " << changedIn(arrowArea) << " arrow pixels";
    EXPECT_TRUE(PixelNear(230, 110, Original(230, 110))) << "the second undo took the eraser stroke too";
    chord(false, XK_z);
    ExpectPixelSoon(230, 110, kRed, "the third undo: the erased edge back");
    chord(false, XK_y);
    ExpectPixelSoon(230, 110, Original(230, 110), "Ctrl+Y: the eraser stroke again");
    EXPECT_EQ(changedIn(arrowArea), 0) << "Ctrl+Y redid more than one step";
    chord(false, XK_z);
    ExpectPixelSoon(230, 110, kRed, "the fourth undo");
    chord(true, XK_z);
    ExpectPixelSoon(230, 110, Original(230, 110), "Ctrl+Shift+Z: the eraser stroke again");

    const Image img = CopyAndRead();
    ASSERT_EQ(img.width, kSel.w);
    for (const Box& b : {textArea, arrowArea})
        for (int y = b.t; y < b.b(); ++y)
            for (int x = b.l; x < b.r(); ++x)
                ASSERT_EQ(At(img, x, y), Original(x, y)) << "an undone mark left (" << x << "," << y << ")";
    EXPECT_EQ(At(img, 170, 110), kRed) << "the rectangle is not in the copy";
    EXPECT_EQ(At(img, 230, 110), Original(230, 110)) << "the redone eraser stroke is not in the copy";
    for (const auto& [x, y] : {std::pair{515, 180}, {605, 180}, {560, 120}, {560, 240}})
        EXPECT_TRUE(Near(At(img, x, y), kRed, 40)) << "ellipse at (" << x << "," << y << "): " << ToString(At(img, x, y));
    EXPECT_EQ(At(img, 560, 180), kBg) << "inside the ellipse";
}
