#include "annotate/Annotate.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cwchar>
#include <string>
#include <vector>

namespace vellumo {
namespace {

constexpr uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b) { return r | g << 8 | b << 16; }
std::string Str(const Rect& r) {
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.width) + "x" +
           std::to_string(r.height) + ")";
}

TEST(AnnotateColor, SplitColorTable) {
    struct Case {
        uint32_t colour;
        Rgb16 want;
    };
    const Case cases[] = {
        {0x00000000u, {0, 0, 0}},
        {0x00123456u, {0x56, 0x34, 0x12}},
        {Rgb(255, 128, 0), {255, 128, 0}},
        {0x00FFFFFFu, {255, 255, 255}},
        // Above 24 bits blue takes everything from bit 16 up.
        {0x01000000u, {0, 0, 256}},
        {0x12345678u, {0x78, 0x56, 0x1234}},
        {0x7FFFFFFFu, {255, 255, 32767}},
        // System colours are negative 32-bit values: blue truncates toward zero.
        {0x80000005u, {5, 0, -32767}},
        {0x8000000Fu, {15, 0, -32767}},
        {0x80000000u, {0, 0, -32768}},
        {0xFFFFFFFFu, {255, 255, 0}},
        {0xFFFF0000u, {0, 0, -1}},
    };
    for (const Case& c : cases) {
        const Rgb16 got = SplitColor(c.colour);
        EXPECT_EQ(got, c.want) << std::hex << c.colour << " -> " << std::dec << got.r << "," << got.g << ","
                               << got.b;
    }
}

TEST(AnnotateColor, MakeArgbKeepsLowBytesInAlphaRedGreenBlueOrder) {
    EXPECT_EQ(MakeArgb(0x11, 0x22, 0x33, 0x44), 0x11223344u);
    EXPECT_EQ(MakeArgb(255, 255, 0, 0), 0xFFFF0000u);
    EXPECT_EQ(MakeArgb(128, 0, 0, 255), 0x800000FFu);
    EXPECT_EQ(MakeArgb(0, 0, 0, 0), 0u);
    // Only the last two hex digits of each component count.
    EXPECT_EQ(MakeArgb(256, 1, 2, 3), 0x00010203u);
    EXPECT_EQ(MakeArgb(511, 511, 511, 511), 0xFFFFFFFFu);
    EXPECT_EQ(MakeArgb(255, 256, 257, 0x1234), 0xFF000134u);
    EXPECT_EQ(MakeArgb(255, -1, 0, -32767), 0xFFFF0001u);  // two's complement low byte
}

TEST(AnnotateColor, SplitThenMakeArgbGivesThePenColour) {
    for (const uint32_t c : {Rgb(255, 0, 0), Rgb(1, 2, 3), Rgb(255, 128, 0), Rgb(128, 128, 255)}) {
        const Rgb16 s = SplitColor(c);
        EXPECT_EQ(MakeArgb(200, s.r, s.g, s.b), 0xC8000000u | (c & 0xFFu) << 16 | (c & 0xFF00u) | (c >> 16)) << std::hex << c;
    }
    // An unresolved system colour makes a meaningless pen: resolve it first.
    const Rgb16 raw = SplitColor(kSysWindowColor);
    EXPECT_EQ(MakeArgb(255, raw.r, raw.g, raw.b), 0xFF050001u);
}

TEST(AnnotateColor, ResolveColorAsksOnlyForSystemColours) {
    int asked = -1, calls = 0;
    auto sys = [&](int index) {
        asked = index;
        ++calls;
        return index == 5 ? 0xFFFFFFu : 0xAB123456u;  // high bits must not leak through
    };
    EXPECT_EQ(ResolveColor(kSysWindowColor, sys), 0xFFFFFFu);
    EXPECT_EQ(asked, 5);
    EXPECT_EQ(ResolveColor(0x80000012u, sys), 0x123456u);
    EXPECT_EQ(asked, 0x12);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(ResolveColor(Rgb(255, 0, 0), sys), Rgb(255, 0, 0));
    EXPECT_EQ(ResolveColor(0x00FFFFFFu, sys), 0x00FFFFFFu);
    EXPECT_EQ(calls, 2);
    EXPECT_FALSE(IsSystemColor(0x00FFFFFFu));
    EXPECT_TRUE(IsSystemColor(kSysWindowColor));
}

// Every swatch paints and draws as some colour: a plain RGB, or a system
// colour the system has (resolved when used, so it follows the theme); the
// colour the tools start with is one of them.
TEST(AnnotateColor, EverySwatchIsAColourTheToolsCanDraw) {
    constexpr int kSystemColours = 31;  // COLOR_SCROLLBAR (0) .. COLOR_MENUBAR (30)
    int systemSwatches = 0;
    for (std::size_t i = 0; i < kPalette.size(); ++i) {
        const OleColor c = kPalette[i];
        if (IsSystemColor(c)) {
            ++systemSwatches;
            EXPECT_LT(c & ~kSysColorFlag, static_cast<OleColor>(kSystemColours)) << "Cols(" << i << ")";
        } else {
            EXPECT_EQ(c & 0xFF000000u, 0u) << "Cols(" << i << ") is no 0x00BBGGRR colour";
        }
        const uint32_t drawn = ResolveColor(c, [](int) { return 0xFFFFFFFFu; });
        EXPECT_EQ(drawn & 0xFF000000u, 0u) << "Cols(" << i << ") draws with a stray alpha byte";
    }
    EXPECT_EQ(kPalette[0], kSysWindowColor) << "the first swatch follows the system's window colour";
    EXPECT_EQ(systemSwatches, 1);
    EXPECT_NE(std::find(kPalette.begin(), kPalette.end(), kStartColor), kPalette.end());
    EXPECT_FALSE(IsSystemColor(kStartColor));
}

TEST(AnnotateLayout, SwatchesAlternateRowsColumnByColumn) {
    const struct {
        int index;
        Rect want;
    } cases[] = {
        {0, {40, 4, 13, 13}},  {1, {40, 20, 13, 13}},  {2, {56, 4, 13, 13}},   {3, {56, 20, 13, 13}},
        {9, {104, 20, 13, 13}}, {10, {120, 4, 13, 13}}, {16, {168, 4, 13, 13}}, {17, {168, 20, 13, 13}},
    };
    for (const auto& c : cases) EXPECT_EQ(Str(SwatchRect(c.index)), Str(c.want)) << "Cols(" << c.index << ")";
    // Every swatch inside Ops, right of CN, none overlapping another.
    for (int i = 0; i < 18; ++i) {
        const Rect r = SwatchRect(i);
        EXPECT_EQ(r.left, 40 + 16 * (i / 2)) << i;
        EXPECT_EQ(r.top, i % 2 ? 20 : 4) << i;
        EXPECT_GE(r.left, kCurrentColourRect.right()) << i;
        EXPECT_LE(r.right(), kOpsRect.width) << i;
        EXPECT_LE(r.bottom(), kOpsRect.height) << i;
        for (int j = 0; j < i; ++j) EXPECT_TRUE(Intersect(r, SwatchRect(j)).empty()) << i << " meets " << j;
    }
}

TEST(AnnotateLayout, ToolButtonsSitBeforeTheActionButtons) {
    const Rect want[kToolCount] = {{6, 4, 16, 16}, {30, 4, 16, 16}, {54, 4, 16, 16}, {78, 4, 16, 16}, {102, 4, 16, 16}};
    for (int i = 0; i < kToolCount; ++i) EXPECT_EQ(Str(DrawButtonRect(i)), Str(want[i])) << "Draw(" << i << ")";
    // The copy button is at 126, the panel below starts at 24.
    EXPECT_LE(DrawButtonRect(4).right(), 126);
    EXPECT_LE(DrawButtonRect(0).bottom(), kOpsRect.top);
    // Markers behind them stay clear of Ops and of the next action button.
    const Rect last = CenteredMarker(DrawButtonRect(4), kMarkerSize);
    EXPECT_LE(last.right(), 126);
    EXPECT_LE(last.bottom(), kOpsRect.top);
    EXPECT_GE(CenteredMarker(DrawButtonRect(0), kMarkerSize).left, 0);
}

TEST(AnnotateLayout, CenteredMarkerSharesTheButtonsCentre) {
    EXPECT_EQ(Str(CenteredMarker(DrawButtonRect(0), 20)), Str({4, 2, 20, 20}));
    EXPECT_EQ(Str(CenteredMarker(DrawButtonRect(3), 20)), Str({76, 2, 20, 20}));
    EXPECT_EQ(Str(CenteredMarker({10, 10, 16, 16}, 16)), Str({10, 10, 16, 16}));
    EXPECT_EQ(Str(CenteredMarker({10, 10, 16, 16}, 8)), Str({14, 14, 8, 8}));
    // Odd sizes: halves are whole pixels, as the formula's integer parts.
    EXPECT_EQ(Str(CenteredMarker({10, 10, 16, 16}, 21)), Str({8, 8, 21, 21}));
    for (int i = 0; i < kToolCount; ++i) {
        const Rect b = DrawButtonRect(i), m = CenteredMarker(b, kMarkerSize);
        EXPECT_EQ(2 * m.left + m.width, 2 * b.left + b.width) << i;
        EXPECT_EQ(2 * m.top + m.height, 2 * b.top + b.height) << i;
    }
}

TEST(AnnotateGeometry, ClampToSelectionAroundBothEdges) {
    const Rect sqr{100, 200, 50, 40};
    const int xs[][2] = {{-1000, 100}, {99, 100}, {100, 100}, {101, 101}, {125, 125},
                         {149, 149},   {150, 150}, {151, 150}, {100000, 150}};
    // Each axis on its own: the other coordinate stays inside.
    for (const auto& c : xs) EXPECT_EQ(ClampToSelection({c[0], 220}, sqr).x, c[1]) << "x " << c[0];
    for (const auto& c : xs) EXPECT_EQ(ClampToSelection({c[0], 220}, sqr).y, 220) << "x " << c[0];
    const int ys[][2] = {{0, 200}, {199, 200}, {200, 200}, {201, 201}, {239, 239}, {240, 240}, {241, 240}};
    for (const auto& c : ys) EXPECT_EQ(ClampToSelection({120, c[0]}, sqr).y, c[1]) << "y " << c[0];
    for (const auto& c : ys) EXPECT_EQ(ClampToSelection({120, c[0]}, sqr).x, 120) << "y " << c[0];
    // A selection at the screen's corner and one of no size.
    EXPECT_EQ(ClampToSelection({-5, -5}, {0, 0, 10, 10}), (Point{0, 0}));
    EXPECT_EQ(ClampToSelection({7, 3}, {5, 5, 0, 0}), (Point{5, 5}));
}

TEST(AnnotateGeometry, RubberBandInAllFourDirections) {
    const Point start{100, 100};
    EXPECT_EQ(Str(RubberBand(start, {130, 120})), Str({100, 100, 30, 20}));  // right, down
    EXPECT_EQ(Str(RubberBand(start, {70, 120})), Str({70, 100, 30, 20}));    // left, down
    EXPECT_EQ(Str(RubberBand(start, {130, 80})), Str({100, 80, 30, 20}));    // right, up
    EXPECT_EQ(Str(RubberBand(start, {70, 80})), Str({70, 80, 30, 20}));      // left, up
    EXPECT_EQ(Str(RubberBand(start, start)), Str({100, 100, 0, 0}));
    EXPECT_EQ(Str(RubberBand(start, {100, 150})), Str({100, 100, 0, 50}));
    EXPECT_EQ(Str(RubberBand(start, {99, 99})), Str({99, 99, 1, 1}));
}

TEST(AnnotateGeometry, RubberBandFromOutsideEndsOnTheSelectionsEdge) {
    // Press outside the selection (not clamped), drag far past its other side.
    const Rect sqr{200, 200, 100, 100};
    const Point press{150, 250};
    const Point pointer = ClampToSelection({900, 260}, sqr);
    EXPECT_EQ(Str(RubberBand(press, pointer)), Str({150, 250, 150, 10}));
    const Point back = ClampToSelection({-50, -50}, sqr);
    EXPECT_EQ(Str(RubberBand(press, back)), Str({150, 200, 50, 50}));
}

TEST(AnnotateGeometry, EraserDabRoundsHalvesUp) {
    const Point p{100, 50};
    const struct {
        double w;
        Rect want;
    } cases[] = {
        {4, {98, 48, 4, 4}},       // even: centred on the pointer
        {5, {98, 48, 5, 5}},       // odd: 97.5 rounds up
        {1, {100, 50, 1, 1}},      // 99.5 rounds up: the pointer's own pixel
        {0, {100, 50, 0, 0}},
        {2.6, {99, 49, 3, 3}},     // 98.7 -> 99, width 2.6 -> 3
        {2.4, {99, 49, 2, 2}},     // 98.8 -> 99, width 2.4 -> 2
        {12.5, {94, 44, 13, 13}},  // 93.75 -> 94, width 12.5 -> 13
        {100, {50, 0, 100, 100}},
    };
    for (const auto& c : cases) EXPECT_EQ(Str(EraserDab(p, c.w)), Str(c.want)) << "width " << c.w;
    // The same shape wherever it is, across zero too.
    for (const double w : {1.0, 4.0, 5.0, 7.5}) {
        const Rect at0 = EraserDab({0, 0}, w);
        for (int x = -12; x <= 12; ++x) {
            const Rect r = EraserDab({x, 2 * x}, w);
            EXPECT_EQ(Str(r), Str({at0.left + x, at0.top + 2 * x, at0.width, at0.height})) << "w " << w << " x " << x;
            if (w >= 1) EXPECT_TRUE(r.contains({x, 2 * x})) << "w " << w << " x " << x;
        }
    }
}

TEST(AnnotateGeometry, OutlineBoundsCoverThePenAndItsFringe) {
    const Rect shape{100, 200, 50, 30};
    for (int pen = 0; pen <= 100; ++pen) {
        const Rect b = OutlineBounds(shape, pen);
        // A stroke on x = left reaches pen/2 outside, on x = right likewise
        // (the right edge itself is a drawn column); 2 px of fringe beyond.
        const int reach = (pen + 1) / 2 + 2;
        EXPECT_LE(b.left, shape.left - reach) << pen;
        EXPECT_LE(b.top, shape.top - reach) << pen;
        EXPECT_GE(b.right() - 1, shape.right() + reach) << pen;
        EXPECT_GE(b.bottom() - 1, shape.bottom() + reach) << pen;
        // Still a small repaint: no more than a pen width plus a few pixels around.
        EXPECT_GE(b.left, shape.left - pen - 4) << pen;
        EXPECT_LE(b.right(), shape.right() + pen + 5) << pen;
    }
    EXPECT_EQ(Str(OutlineBounds(shape, 5)), Str({95, 195, 61, 41}));
    // Nothing to draw: an empty shape with no pen.
    EXPECT_TRUE(OutlineBounds({10, 10, 0, 0}, 0).empty());
    EXPECT_TRUE(OutlineBounds({10, 10, 0, 40}, 0).empty());
    // A flat shape with a pen still draws a line or a dot.
    EXPECT_FALSE(OutlineBounds({10, 10, 0, 0}, 3).empty());
    const Rect flat = OutlineBounds({10, 10, 0, 40}, 1);
    EXPECT_TRUE(flat.contains({10, 10}) && flat.contains({10, 50}) && flat.contains({9, 30}) && flat.contains({11, 30}));
}

TEST(AnnotateGeometry, LineBoundsCoverBothEndsAnyDirection) {
    const Point a{300, 100}, b{200, 180};
    for (int pen = 0; pen <= 60; ++pen) {
        const Rect r = LineBounds(a, b, pen);
        EXPECT_EQ(Str(r), Str(LineBounds(b, a, pen))) << pen;
        // Square caps on a diagonal reach pen/2 * sqrt(2) past each end.
        const int reach = static_cast<int>(std::ceil(pen * std::sqrt(2.0) / 2)) + 2;
        for (const Point& e : {a, b}) {
            for (const Point d : {Point{-1, -1}, Point{1, -1}, Point{-1, 1}, Point{1, 1}}) {
                const Point q{e.x + d.x * reach, e.y + d.y * reach};
                EXPECT_TRUE(r.contains(q)) << "pen " << pen << " misses (" << q.x << "," << q.y << ") in " << Str(r);
            }
        }
        EXPECT_GE(r.left, 200 - pen - 4) << pen;
    }
    EXPECT_EQ(Str(LineBounds({10, 10}, {10, 10}, 0)), Str({8, 8, 5, 5}));
    const Rect horizontal = LineBounds({10, 50}, {90, 50}, 4);
    EXPECT_TRUE(horizontal.contains({10 - 4, 50 - 4}) && horizontal.contains({90 + 4, 50 + 4}));
}

bool Covered(const std::vector<Rect>& pieces, double x, double y) {
    const Point p{static_cast<int>(std::floor(x)), static_cast<int>(std::floor(y))};
    for (const Rect& r : pieces)
        if (r.contains(p)) return true;
    return false;
}

double AreaOf(const std::vector<Rect>& pieces) {
    double a = 0;
    for (const Rect& r : pieces) a += double(r.width) * r.height;
    return a;
}

TEST(AnnotateGeometry, OvalOutlinePiecesHoldTheRingAndLeaveTheMiddle) {
    const Rect shapes[] = {{100, 80, 2000, 1200}, {300, 200, 640, 90}, {50, 60, 40, 700}, {10, 10, 9, 9},
                           {500, 400, 0, 0},       {200, 100, 333, 321}};
    for (const Rect& shape : shapes) {
        for (int pen : {0, 1, 5, 30, 200}) {
            const std::vector<Rect> pieces = OvalOutlinePieces(shape, pen);
            ASSERT_FALSE(pieces.empty());
            // The ring's pixels, from the oval's edge to a pen's width inside it,
            // and a pixel beyond on both sides.
            const double cx = shape.left + shape.width / 2.0 + 0.5, cy = shape.top + shape.height / 2.0 + 0.5;
            for (double d = -1; d <= std::max(pen, 1) + 1; d += 0.5)
                for (int k = 0; k < 3600; ++k) {
                    const double t = k * 3.14159265358979 / 1800;
                    const double rx = std::max(shape.width / 2.0 - d, 0.0), ry = std::max(shape.height / 2.0 - d, 0.0);
                    const double x = cx + rx * std::cos(t), y = cy + ry * std::sin(t);
                    ASSERT_TRUE(Covered(pieces, x, y)) << Str(shape) << " pen " << pen << " misses " << x << "," << y;
                }
        }
    }
    // A large rubber band repaints a small share of its bounds, and not its middle.
    const Rect big{100, 80, 2000, 1200};
    const std::vector<Rect> ring = OvalOutlinePieces(big, 5);
    EXPECT_LT(AreaOf(ring), 0.3 * double(big.width) * big.height);
    EXPECT_FALSE(Covered(ring, 1100, 680));
}

TEST(AnnotateGeometry, LinePiecesHoldTheWideLineAndLittleElse) {
    const Point a{300, 100};
    for (const Point b : {Point{200, 180}, Point{1700, 100}, Point{300, 40}, Point{2100, 1300}, Point{-900, 900}, a}) {
        for (int pen : {0, 3, 22, 60}) {
            const std::vector<Rect> pieces = LinePieces(a, b, pen);
            const double dx = b.x - a.x, dy = b.y - a.y, len = std::hypot(dx, dy);
            const double ux = len > 0 ? dx / len : 1, uy = len > 0 ? dy / len : 0;
            // Every pixel the pen paints: half the pen across, a square cap's
            // half-pen past both ends.
            const double half = pen / 2.0 + 0.5;
            for (double t = -half; t <= len + half; t += 0.5)
                for (double s = -half; s <= half; s += 0.5)
                    ASSERT_TRUE(Covered(pieces, a.x + ux * t - uy * s, a.y + uy * t + ux * s))
                        << "pen " << pen << " to (" << b.x << "," << b.y << ") at " << t << "," << s;
        }
    }
    // A long diagonal: a small share of its bounds.
    const Rect bounds = LineBounds({0, 0}, {2000, 1200}, 7);
    EXPECT_LT(AreaOf(LinePieces({0, 0}, {2000, 1200}, 7)), 0.1 * double(bounds.width) * bounds.height);
}

TEST(AnnotateText, ParseNumberTable) {
    const struct {
        const wchar_t* text;
        std::optional<double> want;
    } cases[] = {
        {L"12.5", 12.5},  {L" 7 ", 7.0},    {L"-3", -3.0},     {L"+4", 4.0},      {L"1e2", 100.0},
        {L"1E-1", 0.1},   {L".5", 0.5},     {L"5.", 5.0},      {L"0", 0.0},       {L"007", 7.0},
        {L"\t300\t", 300.0}, {L"255", 255.0}, {L"2.5e+1", 25.0}, {L"\u3000" L"9", 9.0},
        {L"abc", {}},     {L"", {}},        {L" ", {}},        {L".", {}},        {L"-", {}},
        {L"+", {}},       {L"e2", {}},      {L"1e", {}},       {L"1e+", {}},      {L"12abc", {}},
        {L"0x10", {}},    {L"&H10", {}},    {L"1 2", {}},      {L"1,5", {}},      {L"inf", {}},
        {L"nan", {}},     {L"--1", {}},     {L"1e999", {}},    {L"\uFF11\uFF12", {}},  // full-width digits
        {L"1.2.3", {}},   {L"-.", {}},
    };
    for (const auto& c : cases) {
        const std::optional<double> got = ParseNumber(c.text);
        const std::string shown(c.text, c.text + std::wcslen(c.text));  // ASCII cases read fine
        ASSERT_EQ(got.has_value(), c.want.has_value()) << "\"" << shown << "\"";
        if (got) EXPECT_DOUBLE_EQ(*got, *c.want) << "\"" << shown << "\"";
    }
}

// The box shows the slider's value once the user leaves it, but never
// rewrites what is already shown (that would move the caret); a typed value
// the slider clamped or rounded is replaced by the slider's.
TEST(AnnotateText, ValueBoxShowsTheSlidersValueOnLeaving) {
    EXPECT_EQ(ValueBoxText(2.5f), L"2.5");
    EXPECT_EQ(ValueBoxText(100.0f), L"100");
    EXPECT_EQ(ValueBoxText(0.0f), L"0");
    EXPECT_EQ(ValueBoxTextOnLeave(L"2.5", 2.5f), std::nullopt);
    EXPECT_EQ(ValueBoxTextOnLeave(L"100", 100.0f), std::nullopt);
    EXPECT_EQ(ValueBoxTextOnLeave(L"2.50", 2.5f), L"2.5") << "same number, other text";
    EXPECT_EQ(ValueBoxTextOnLeave(L"abc", 3.0f), L"3") << "no number: the slider kept its value";
    EXPECT_EQ(ValueBoxTextOnLeave(L"", 7.0f), L"7");
    EXPECT_EQ(ValueBoxTextOnLeave(L"900", 255.0f), L"255") << "clamped by the slider";
    // What the box shows after leaving reads back as the slider's value.
    for (const float v : {1.0f, 12.5f, 0.25f, 255.0f})
        EXPECT_FLOAT_EQ(static_cast<float>(*ParseNumber(ValueBoxText(v))), v) << v;
}

}  // namespace
}  // namespace vellumo
