#include "annotate/Annotate.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cwchar>
#include <string>

namespace vellumo {

Rgb16 SplitColor(uint32_t colour) {
    // The stored colour is a signed 32-bit value: system colours (0x800000nn)
    // are negative, so blue comes out in -32768..0 and always fits 16 bits.
    const int32_t c = static_cast<int32_t>(colour);
    return {static_cast<int16_t>(c & 255), static_cast<int16_t>((c & 65535) / 256),
            static_cast<int16_t>(c / 65536)};  // C++ division truncates toward zero
}

uint32_t MakeArgb(int alpha, int red, int green, int blue) {
    // Two's complement low byte: what the last two hex digits of the value say.
    auto low = [](int v) { return static_cast<uint32_t>(v) & 0xFFu; };
    return low(alpha) << 24 | low(red) << 16 | low(green) << 8 | low(blue);
}

namespace {
constexpr OleColor Rgb(uint32_t r, uint32_t g, uint32_t b) { return r | g << 8 | b << 16; }
}  // namespace

const std::array<OleColor, 18> kPalette = {
    kSysWindowColor,      Rgb(0, 0, 0),       Rgb(255, 0, 0),     Rgb(255, 128, 0),  Rgb(255, 255, 0),
    Rgb(0, 255, 0),       Rgb(0, 255, 255),   Rgb(0, 0, 255),     Rgb(255, 0, 255),  Rgb(192, 0, 0),
    Rgb(255, 0, 0),       Rgb(128, 128, 255), Rgb(0, 0, 192),     Rgb(192, 64, 0),   Rgb(255, 255, 192),
    Rgb(255, 192, 192),   Rgb(192, 0, 192),   Rgb(128, 128, 128),
};

Rect DrawButtonRect(int index) {
    if (index < kToolCount) return {6 + 24 * index, 4, 16, 16};
    return {6 + 24 * (index - kToolCount), kLowerToolRowTop, 16, 16};
}

// The last button's marker reaches 18 px right of the button's left edge.
int LowerRowCapacity() { return (kToolbarSize.width - 6 - 18) / 24 + 1; }

std::vector<ToolbarPart> ToolbarParts(int tools) {
    std::vector<ToolbarPart> parts;
    for (int i = 0; i < tools; ++i) parts.push_back({"tool marker", CenteredMarker(DrawButtonRect(i), kMarkerSize)});
    for (const Rect& r : {kCopyButtonRect, kPinButtonRect, kSaveButtonRect, kQuitButtonRect})
        parts.push_back({"action button", r});
    parts.push_back({"colour panel", kOpsRect});
    parts.push_back({"thin", kThinLabelRect});
    parts.push_back({"width box", kWidthBoxRect});
    parts.push_back({"width slider", kWidthSliderRect});
    parts.push_back({"light", kLightLabelRect});
    parts.push_back({"opacity box", kOpacityBoxRect});
    parts.push_back({"opacity slider", kOpacitySliderRect});
    parts.push_back({"Color", kMoreColoursRect});
    parts.push_back({"Font", kFontLabelRect});
    return parts;
}

Rect SwatchRect(int index) { return {40 + 16 * (index / 2), index % 2 ? 20 : 4, 13, 13}; }

Rect CenteredMarker(const Rect& button, int size) {
    return {button.left - (size / 2 - button.width / 2), button.top - (size / 2 - button.height / 2), size, size};
}

Point ClampToSelection(Point p, const Rect& frame) {
    auto within = [](int v, int low, int high) { return v < low ? low : v > high ? high : v; };
    return {within(p.x, frame.left, frame.right()), within(p.y, frame.top, frame.bottom())};
}

Rect RubberBand(Point start, Point current) {
    return {std::min(start.x, current.x), std::min(start.y, current.y), std::abs(current.x - start.x),
            std::abs(current.y - start.y)};
}

namespace {
// Halves round toward +infinity, so a dab never jumps a pixel as the pointer
// crosses an axis (rounding away from zero would).
int RoundHalfUp(double v) { return static_cast<int>(std::floor(v + 0.5)); }

// Outward reach of a pen of width `pen` from the path it strokes, plus the
// anti-aliasing fringe and a pixel to spare.
int PenReach(int pen) { return (std::max(pen, 0) + 1) / 2 + 2; }
}  // namespace

Rect EraserDab(Point p, double width) {
    const int w = RoundHalfUp(width);
    return {RoundHalfUp(p.x - width / 2), RoundHalfUp(p.y - width / 2), w, w};
}

Rect OutlineBounds(const Rect& shape, int pen) {
    if (shape.empty() && pen <= 0) return {shape.left, shape.top, 0, 0};
    // The outline runs along x = left and x = left + width (both drawn), so the
    // far edge's pixels are one past the half-open right of `shape`.
    const int m = PenReach(pen);
    return {shape.left - m, shape.top - m, std::max(shape.width, 0) + 2 * m + 1,
            std::max(shape.height, 0) + 2 * m + 1};
}

Rect LineBounds(Point a, Point b, int pen) {
    // A square cap on a diagonal reaches pen/2 * sqrt(2) past the end point.
    const int m = static_cast<int>(std::ceil(std::max(pen, 0) * 0.7072)) + 2;
    const int l = std::min(a.x, b.x), t = std::min(a.y, b.y);
    return {l - m, t - m, std::abs(a.x - b.x) + 2 * m + 1, std::abs(a.y - b.y) + 2 * m + 1};
}

std::vector<Rect> OvalOutlinePieces(const Rect& shape, int pen) {
    // Two pixels beyond the ring on either side: GDI's ellipses and elliptic
    // regions may differ from the exact curve by a pixel.
    constexpr int kMargin = 2;
    // The oval's pixels run from left to left + width, both included.
    const double cx = shape.left + shape.width / 2.0, cy = shape.top + shape.height / 2.0;
    const double outerX = shape.width / 2.0 + kMargin + 1, outerY = shape.height / 2.0 + kMargin + 1;
    const int in = std::max(pen, 1) + kMargin;
    const double holeX = shape.width / 2.0 - in, holeY = shape.height / 2.0 - in;
    const Rect whole{static_cast<int>(std::floor(cx - outerX)), static_cast<int>(std::floor(cy - outerY)),
                     static_cast<int>(std::ceil(2 * outerX)) + 2, static_cast<int>(std::ceil(2 * outerY)) + 2};
    // Bands of about 24 rows; a small or thick-ringed oval is one piece.
    const int bands = std::min(whole.height / 24, 24);
    if (bands < 3 || holeX <= 2 || holeY <= 2) return {whole};
    std::vector<Rect> pieces;
    for (int i = 0; i < bands; ++i) {
        const int top = whole.top + whole.height * i / bands, bottom = whole.top + whole.height * (i + 1) / bands;
        // The band's rows nearest to and farthest from the middle row.
        const double near = (top <= cy && cy <= bottom) ? 0 : std::min(std::abs(top - cy), std::abs(bottom - cy));
        const double far = std::max(std::abs(top - cy), std::abs(bottom - cy));
        const double outer = outerX * std::sqrt(std::max(0.0, 1 - (near / outerY) * (near / outerY)));
        const double hole = far < holeY ? holeX * std::sqrt(1 - (far / holeY) * (far / holeY)) : 0;
        const int l = static_cast<int>(std::floor(cx - outer)) - 1, r = static_cast<int>(std::ceil(cx + outer)) + 2;
        const int holeL = static_cast<int>(std::ceil(cx - hole)), holeR = static_cast<int>(std::floor(cx + hole));
        if (holeR - holeL < 2) {
            pieces.push_back({l, top, r - l, bottom - top});
        } else {
            pieces.push_back({l, top, holeL - l, bottom - top});
            pieces.push_back({holeR, top, r - holeR, bottom - top});
        }
    }
    return pieces;
}

std::vector<Rect> LinePieces(Point a, Point b, int pen) {
    // Steps of about 48 pixels; each step's bounds hold its part of the line.
    const int n = std::clamp(std::max(std::abs(b.x - a.x), std::abs(b.y - a.y)) / 48, 1, 32);
    std::vector<Rect> pieces;
    Point from = a;
    for (int i = 1; i <= n; ++i) {
        const Point to{a.x + (b.x - a.x) * i / n, a.y + (b.y - a.y) * i / n};
        pieces.push_back(LineBounds(from, to, pen));
        from = to;
    }
    return pieces;
}

float WidthAfterWheel(float width, int notches, bool shift, float max) {
    return std::clamp(width + static_cast<float>(notches * (shift ? 5 : 1)), 0.0f, std::max(max, 0.0f));
}

std::optional<double> ParseNumber(std::wstring_view text) {
    auto blank = [](wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == 0xA0 || c == 0x3000; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);

    // Plain decimal only: [sign] digits [. digits] [e [sign] digits]. No hex,
    // no "inf"/"nan", no trailing junk ("12abc" is not a number).
    std::string ascii;
    std::size_t i = 0;
    auto digits = [&] {
        const std::size_t from = i;
        while (i < text.size() && text[i] >= L'0' && text[i] <= L'9') ascii += static_cast<char>(text[i++]);
        return i - from;
    };
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) {
        if (text[i] == L'-') ascii += '-';
        ++i;
    }
    std::size_t mantissa = digits();
    if (i < text.size() && text[i] == L'.') {
        ascii += '.';
        ++i;
        mantissa += digits();
    }
    if (mantissa == 0) return std::nullopt;
    if (i < text.size() && (text[i] == L'e' || text[i] == L'E')) {
        ascii += 'e';
        ++i;
        if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) ascii += static_cast<char>(text[i++]);
        if (digits() == 0) return std::nullopt;
    }
    if (i != text.size()) return std::nullopt;

    double value = 0;
    const auto [end, ec] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
    if (ec != std::errc{} || end != ascii.data() + ascii.size()) return std::nullopt;  // e.g. "1e999"
    return value;
}

std::wstring ValueBoxText(float value) {
    wchar_t buf[32];
    std::swprintf(buf, 32, L"%g", static_cast<double>(value));
    return buf;
}

std::optional<std::wstring> ValueBoxTextOnLeave(std::wstring_view typed, float sliderValue) {
    std::wstring shown = ValueBoxText(sliderValue);
    if (shown == typed) return std::nullopt;
    return shown;
}

}  // namespace vellumo
