// What a drawing tool is doing between press and release: each event goes
// to the chosen tool's class (annotate/tools, listed in the tool table),
// which keeps the previews (a rubber band, a line, the eraser's circle) and
// says what its release commits; then the text box the text tool opens,
// where its text will be printed and whether there is any to print. The
// Win32 annotator paints these previews and draws what is committed.
#pragma once
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "annotate/Annotate.h"
#include "annotate/Tool.h"
#include "gfx/Geometry.h"

namespace vellumo {

// A click without a drag still opens a box one can type in.
inline constexpr Size kMinTextBox{80, 22};

class MarkInProgress {
public:
    using Shape = PreviewShape;
    using ShapePreview = vellumo::ShapePreview;
    using ArrowPreview = vellumo::ArrowPreview;
    using Commit = vellumo::Commit;
    using Released = vellumo::Released;

    // One of each tool in the table.
    MarkInProgress();
    ~MarkInProgress();
    MarkInProgress(const MarkInProgress&) = delete;
    MarkInProgress& operator=(const MarkInProgress&) = delete;

    // A press with `tool` at p, drawing `width` wide in `colour` at `alpha`
    // inside the selection `frame`; tools that paint pixels paint on
    // `target` (none: previews only). Returns where a painting stroke starts.
    std::optional<Point> Press(Tool tool, Point p, float width, PreviewColour colour, const Rect& frame,
                               float alpha = 255, bool shift = false, MarkTarget* target = nullptr);
    // A move: with the left button held the stroke goes on to p, kept inside
    // the frame (the eraser's circle follows p, button or not). Returns where
    // a painting stroke goes next.
    std::optional<Point> Move(Tool tool, Point p, bool leftHeld, const Rect& frame, bool shift = false,
                              MarkTarget* target = nullptr);
    // The release: previews go, and what is left to draw is said.
    Released Release(Tool tool, MarkTarget* target = nullptr);
    // `tool` was chosen with the pointer at p (the eraser shows its circle).
    void Chosen(Tool tool, Point p, float width);
    void ShowEraserCircle(Point p, float width) { Chosen(Tool::Eraser, p, width); }
    // Whether moves without a button concern `tool`.
    bool FollowsPointer(Tool tool) const;
    // `tool`'s option turned over (the text tool's box): whether it is on now.
    bool ToggleOption(Tool tool);
    bool OptionOn(Tool tool) const;
    // The selection was discarded: previews and the text box go.
    void Discard();

    const ShapePreview& shape() const { return stroke_.shape; }
    const ArrowPreview& arrow() const { return stroke_.arrow; }
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
    // The filled box text of `extent` at `at` is printed on (text on a box).
    static Rect PlateFor(Point at, Size extent) { return {at.x - 4, at.y - 2, extent.width + 8, extent.height + 4}; }

private:
    DrawingTool* ToolOf(Tool tool) const;

    std::vector<std::unique_ptr<DrawingTool>> tools_;
    StrokeState stroke_;
    bool textBoxOpen_ = false;
    Point printAt_{};
    Point grabOffset_{};
};

}  // namespace vellumo
