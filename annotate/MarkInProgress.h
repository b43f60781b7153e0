// What a drawing tool is doing between press and release: the rubber band
// (rectangle, ellipse, text box frame) or the arrow being dragged, the
// eraser's circle, and what the release commits to the surface; then the text
// box the text tool opens, where its text will be printed and whether there
// is any to print. The Win32 annotator paints these previews and draws what
// is committed.
#pragma once
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "annotate/Annotate.h"
#include "gfx/Geometry.h"

namespace vellumo {

// A colour as the drawing layer takes it (0x00BBGGRR).
using PreviewColour = uint32_t;
inline constexpr PreviewColour kEraserCircleColour = 0x808080;
// A click without a drag still opens a box one can type in.
inline constexpr Size kMinTextBox{80, 22};

class MarkInProgress {
public:
    enum class Shape { None, Rectangle, Oval };
    // The rubber band of rectangle, ellipse and text, or the eraser's circle.
    struct ShapePreview {
        Shape shape = Shape::None;
        Rect box{};
        PreviewColour colour = 0;
        int width = 1;
    };
    struct ArrowPreview {
        bool visible = false;
        Point from{}, to{};
        PreviewColour colour = 0;
        int width = 1;
    };

    // What a release leaves to draw.
    enum class Commit { Nothing, Rectangle, Ellipse, Arrow, OpenTextBox, EndEraser };
    struct Released {
        Commit what = Commit::Nothing;
        Rect box{};        // rectangle, ellipse, and the frame the text box opens on
        Point from{}, to{};  // arrow
        float penWidth = 0;
    };

    // A press with `tool` at p, drawing `width` wide in `colour` inside the
    // selection `frame`. For the eraser: where its stroke starts.
    std::optional<Point> Press(Tool tool, Point p, float width, PreviewColour colour, const Rect& frame);
    // A move: the eraser's circle follows p; with the left button held the
    // rubber band or the arrow reaches to p, kept inside the frame. For the
    // eraser with the button held: where its stroke goes next.
    std::optional<Point> Move(Tool tool, Point p, bool leftHeld, const Rect& frame);
    // The eraser's circle at p, as soon as the eraser is chosen.
    void ShowEraserCircle(Point p, float width);
    // The release: previews go, and what is left to draw is said.
    Released Release(Tool tool);
    // The selection was discarded: previews and the text box go.
    void Discard();

    const ShapePreview& shape() const { return shape_; }
    const ArrowPreview& arrow() const { return arrow_; }
    // The pixels the previews cover now, in a few pieces: a moving preview
    // repaints what it covered before and what it covers after.
    std::vector<Rect> RepaintPieces() const;

    // The text box, opened by a text release on `frame`: where it stands
    // (at least kMinTextBox), the text going to its top-left.
    Rect OpenTextBox(const Rect& frame);
    bool textBoxOpen() const { return textBoxOpen_; }
    // A drag of the box with the left button: the press at `local` in the
    // box, then each move to `local` with the box's top-left at `boxTopLeft`
    // (overlay coordinates). Returns the box's new top-left; the text goes there.
    void GrabTextBox(Point local) { grabOffset_ = local; }
    Point DragTextBox(Point boxTopLeft, Point local);
    // Enter (or anything that prints the text): the box closes, and the text
    // is printed at the returned point unless there is none.
    std::optional<Point> CloseTextBox(std::wstring_view text);
    Point printAt() const { return printAt_; }

    // The pixels printed text of `extent` at `at` can touch: an italic
    // overhang (up to about half the height in a steep italic) and
    // anti-aliasing reach past the extent; what lies outside would be left
    // behind by an undo.
    static Rect TextBounds(Point at, Size extent);

private:
    ShapePreview shape_;
    ArrowPreview arrow_;
    Point strokeStart_{};
    float penWidth_ = 0;
    bool textBoxOpen_ = false;
    Point printAt_{};
    Point grabOffset_{};
};

}  // namespace vellumo
