// The annotation tools' portable rules: colours, the toolbar's layout, the
// clamp into the selection, the rubber band, the eraser dab, and the width
// and opacity text boxes. The Win32 layer draws; this decides where and what.
#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "gfx/Geometry.h"

namespace vellumo {

// A tool by its row in the tool table (annotate/Tool.h), which is also the
// order of the buttons; the first five, which other code names, have names.
enum class Tool : int { None = -1, Rectangle = 0, Ellipse = 1, Text = 2, Arrow = 3, Eraser = 4 };
// The tools of the toolbar's top row, left of the action buttons.
inline constexpr int kToolCount = 5;

struct Rgb16 {
    int16_t r = 0, g = 0, b = 0;
    friend bool operator==(const Rgb16&, const Rgb16&) = default;
};

// red = c AND 255; green = low 16 bits / 256; blue = c / 65536 with c read as a
// signed 32-bit value (system colours give a negative blue; resolve them first).
Rgb16 SplitColor(uint32_t colour);
// 0xAARRGGBB from the low byte of each component.
uint32_t MakeArgb(int alpha, int red, int green, int blue);

// The 18 swatches, in order; index 0 is the system window colour.
extern const std::array<OleColor, 18> kPalette;
inline constexpr OleColor kStartColor = 0x0000FFu;  // red

// Toolbar layout, pixels inside toolbar_ (kToolbarSize) unless named otherwise.
// Tool buttons 16 x 16 at a 24-px pitch: the first kToolCount in the top row
// (left of the action buttons), the rest in a row of their own at the bottom.
Rect DrawButtonRect(int index);
inline constexpr int kLowerToolRowTop = 112;
inline constexpr Size kToolbarSize{225, 134};
// The action buttons: copy, pin, save, and quit (which overhangs the top edge by a pixel).
inline constexpr Rect kCopyButtonRect{126, 4, 16, 16};
inline constexpr Rect kPinButtonRect{150, 4, 16, 16};
inline constexpr Rect kSaveButtonRect{174, 4, 16, 16};
inline constexpr Rect kQuitButtonRect{198, -1, 25, 25};
// The colour panel ends above the colour button, the labels before their boxes.
inline constexpr Rect kOpsRect{0, 24, 225, 34};
inline constexpr Rect kCurrentColourRect{4, 4, 33, 29};  // inside the palette
Rect SwatchRect(int index);           // inside the palette; column k = index / 2, odd indexes on the lower row
inline constexpr Rect kThinLabelRect{4, 64, 27, 17};
inline constexpr Rect kWidthBoxRect{32, 60, 25, 21};
inline constexpr Rect kWidthSliderRect{60, 64, 121, 9};
inline constexpr Rect kLightLabelRect{4, 88, 27, 17};
inline constexpr Rect kOpacityBoxRect{32, 84, 25, 21};
inline constexpr Rect kOpacitySliderRect{60, 92, 121, 9};
inline constexpr Rect kMoreColoursRect{186, 58, 35, 22};
inline constexpr Rect kFontLabelRect{186, 82, 35, 22};
inline constexpr int kMarkerSize = 20;  // the hover and chosen-tool markers
// A square of `size` centred on `button` (a marker behind a tool button).
Rect CenteredMarker(const Rect& button, int size);
// Every part of a toolbar of `tools` tool buttons, at 96 DPI: each tool
// button's marker square, the action buttons, the colour panel, the width
// and opacity rows and the colour and font buttons. None may overlap another.
struct ToolbarPart {
    const char* what;
    Rect at;
};
std::vector<ToolbarPart> ToolbarParts(int tools);
// How many tool buttons the bottom row holds.
int LowerRowCapacity();

// p kept within the frame, both edges included: [left, left + width] and
// [top, top + height].
Point ClampToSelection(Point p, const Rect& frame);

// The rubber band between the press point and the clamped pointer, in either direction.
Rect RubberBand(Point start, Point current);

// Eraser dab at p for width w: the integer rectangle (x - w/2, y - w/2, w, w).
Rect EraserDab(Point p, double width);

// The pixels a shape outline of pen width `pen` can touch around `shape`
// (for repainting a moving preview); empty when `shape` is empty and pen 0.
Rect OutlineBounds(const Rect& shape, int pen);
// The same for a line from a to b drawn `pen` wide (arrow preview).
Rect LineBounds(Point a, Point b, int pen);
// The same pixels in a few rectangles that leave out most of what a large
// preview only passes around: the ring of an ellipse drawn `pen` wide inside
// `shape`, and a long line (a staircase along it). Repainting a moving preview
// costs as much as the area invalidated.
std::vector<Rect> OvalOutlinePieces(const Rect& shape, int pen);
std::vector<Rect> LinePieces(Point a, Point b, int pen);

// The width after `notches` of the wheel (up: wider), 1 a notch or 5 with
// Shift, kept in the width control's range [0, max].
float WidthAfterWheel(float width, int notches, bool shift, float max);

// Width and opacity text boxes: the number a text means, or nothing when it
// is not a number ("12.5" -> 12.5, " 7 " -> 7, "-3" -> -3, "1e2" -> 100,
// "abc", "", "." -> nothing).
std::optional<double> ParseNumber(std::wstring_view text);
// What a box shows for its slider's value ("%g": 2.5 -> "2.5", 100 -> "100").
std::wstring ValueBoxText(float value);
// The typing rule: a changed box moves its slider to ParseNumber's value (a
// text that is no number leaves it); while the user types, the box keeps the
// typed text. When the focus leaves the box: the text it must show then (the
// slider's value), or nothing when it shows that already.
std::optional<std::wstring> ValueBoxTextOnLeave(std::wstring_view typed, float sliderValue);

}  // namespace vellumo
