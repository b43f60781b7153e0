// The one interface every drawing tool stands behind, and the table that
// lists them. A tool is one class: what a press, a move and a release make of
// it (its previews, the mark it commits, the pixels it paints and the undo
// step they make), and one row in the table: its button's name, tooltip, key
// and glyph. The toolbar lays its buttons out from the table, in its order.
// Tools that paint pixels do it here, on the planes a MarkTarget lends them;
// the marks GDI+ draws better (outlines, arrows, text) are described by the
// release and drawn by the Win32 annotator.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "annotate/Annotate.h"
#include "gfx/Geometry.h"
#include "gfx/PixelPlane.h"
#include "gfx/SideBySide.h"

namespace vellumo {

// A colour as the drawing layer takes it (0x00BBGGRR).
using PreviewColour = uint32_t;
// The circle that shows the eraser's size around the pointer.
inline constexpr PreviewColour kEraserCircleColour = 0x808080;

// Where pixel-painting tools paint: the overlay's surface and the clean
// frozen screen, and its undo history. Implemented by the overlay's surface.
class MarkTarget {
public:
    // The planes, with any pending GDI drawing finished; empty when missing.
    virtual PixelPlane SurfacePixels() = 0;
    virtual PixelPlane CleanPixels() = 0;
    // Before painting into `box` (kept as it is now for the undo history).
    virtual void BeforeMark(const Rect& box) = 0;
    // Painted over `r`: the overlay repaints it.
    virtual void Painted(const Rect& r) = 0;
    // The marks now applied (undone ones not counted).
    virtual std::size_t MarksApplied() const = 0;
    // The cores a large filter may spread over; none: it runs on the caller's.
    virtual SideBySide Cores() const { return {}; }

protected:
    ~MarkTarget() = default;
};

enum class PreviewShape { None, Rectangle, Oval };
// A rubber band (rectangle, ellipse, text box frame, mosaic, blur) or the eraser's circle.
struct ShapePreview {
    PreviewShape shape = PreviewShape::None;
    Rect box{};
    PreviewColour colour = 0;
    int width = 1;
};
// The arrow or line being dragged.
struct ArrowPreview {
    bool visible = false;
    Point from{}, to{};
    PreviewColour colour = 0;
    int width = 1;
};

// What a release leaves for the Win32 layer to draw. Pixel tools have
// painted already and leave Nothing (or EndEraser).
enum class Commit { Nothing, Rectangle, Ellipse, Arrow, OpenTextBox, EndEraser, Label };
// A number or text printed on a filled shape (the numbered steps).
struct LabelMark {
    Rect box{};  // the filled shape's bounds
    bool round = true;
    PreviewColour fill = 0, ink = 0;
    std::wstring text;
    int fontHeight = 12;  // pixels
};
// Black or white, whichever stands out more on `fill`.
PreviewColour ContrastingInk(PreviewColour fill);
// The numbered step's circle of number `n` for the width control's value,
// centred on p: at least 20 px across at the default width (5), wider where
// the digits need it.
LabelMark StepLabel(Point p, int n, float width, PreviewColour fill);
struct Released {
    Commit what = Commit::Nothing;
    Rect box{};          // rectangle, ellipse, and the frame the text box opens on
    Point from{}, to{};  // arrow
    float penWidth = 0;
    LabelMark label;
    bool onPlate = false;  // the text box's text is printed on a filled box
};

// One stroke's shared state, press to release, that the tools read and write.
struct StrokeState {
    ShapePreview shape;
    ArrowPreview arrow;
    Point start{};
    float width = 0;
    float alpha = 255;
    PreviewColour colour = 0;
    Rect frame{};
    bool shift = false;             // Shift held: lines snap to 45°, boxes are squares
    MarkTarget* target = nullptr;   // null: previews only, nothing painted
};

class DrawingTool {
public:
    virtual ~DrawingTool() = default;
    // A press at p. Returns where a painting stroke starts, if it does.
    virtual std::optional<Point> Press(StrokeState& s, Point p) = 0;
    // A move to p; leftHeld says the stroke goes on. Returns where a painting
    // stroke goes next, if it does.
    virtual std::optional<Point> Move(StrokeState& s, Point p, bool leftHeld) = 0;
    // The release: previews go, what is left to draw is said.
    virtual Released Release(StrokeState& s) = 0;
    // The tool was chosen with the pointer at p, before any press.
    virtual void Chosen(StrokeState&, Point) {}
    // Whether a move without a button concerns it (the eraser's circle follows the pointer).
    virtual bool FollowsPointer() const { return false; }
    // A tool may have one option the user turns on and off (the text tool's
    // box under its text). Returns whether it is on now; false for none.
    virtual bool ToggleOption() { return false; }
    virtual bool OptionOn() const { return false; }
};

// A 16 x 16 button glyph in 96-DPI pixels, drawn in dark grey: up to eight
// parts, each a polyline, an outlined rectangle or ellipse, or a filled one.
struct GlyphPart {
    enum Kind : uint8_t { End, Lines, Box, Oval, FilledBox, FilledOval, Polygon } kind = End;
    uint8_t count = 0;  // points used
    Point points[5]{};
};
struct Glyph {
    GlyphPart parts[6]{};
};

// The pointer over the selection while a tool is chosen.
enum class ToolCursor : uint8_t { Crosshair, Pen, IBeam, Hand };

// A tool's row in the table. Each file under annotate/tools defines its row
// as `extern constexpr ToolEntry k<Name>Entry{...}`, its class kept inside
// the file; the table names it once (ToolTable.cpp), and that is all there
// is to adding a tool.
struct ToolEntry {
    const wchar_t* name;  // the button's window title
    const wchar_t* tip;   // its tooltip, the key included
    int key;              // the letter that chooses it ('P'), 0 for none
    Glyph glyph;
    std::unique_ptr<DrawingTool> (*make)();
    Glyph optionGlyph{};  // the glyph while the tool's option is on; none: the same
    ToolCursor cursor = ToolCursor::Crosshair;
};

// Every tool, in the order of their buttons (Tool's values index it).
std::span<const ToolEntry> ToolTable();
inline int ToolCount() { return static_cast<int>(ToolTable().size()); }
// The tool a key chooses; Tool::None for none.
Tool ToolForKey(int key);
// The pointer over the overlay: the chosen tool's cursor inside the
// selection (its edges included), none (the overlay's own) elsewhere or
// with no tool chosen.
std::optional<ToolCursor> CursorFor(Tool chosen, Point p, const Rect& selection);

// Shared geometry of two-point tools.
// The end point p snapped so that start..p runs at a multiple of 45°.
Point SnapTo45(Point start, Point p);
// The rubber band from start to p made a square (towards p), when `square`.
Rect BandTo(Point start, Point p, bool square);

}  // namespace vellumo
