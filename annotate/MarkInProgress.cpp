#include "annotate/MarkInProgress.h"

#include <algorithm>
#include <cmath>

namespace vellumo {

namespace {
int Rounded(float v) { return static_cast<int>(std::lround(v)); }

Rect CircleAt(Point p, int w) { return {p.x - w / 2, p.y - w / 2, w, w}; }
}  // namespace

std::optional<Point> MarkInProgress::Press(Tool tool, Point p, float width, PreviewColour colour, const Rect& frame) {
    penWidth_ = width;
    strokeStart_ = p;
    const int shown = Rounded(width);
    // A new rubber band starts at p with the size of the last one, until the
    // first move gives it its own.
    const Rect band{p.x, p.y, shape_.box.width, shape_.box.height};
    switch (tool) {
        case Tool::Rectangle:
        case Tool::Text: shape_ = {Shape::Rectangle, band, colour, shown}; return std::nullopt;
        case Tool::Ellipse: shape_ = {Shape::Oval, band, colour, shown}; return std::nullopt;
        case Tool::Arrow: arrow_ = {true, p, p, colour, shown}; return std::nullopt;
        case Tool::Eraser: ShowEraserCircle(p, width); return ClampToSelection(p, frame);
        case Tool::None: break;
    }
    return std::nullopt;
}

std::optional<Point> MarkInProgress::Move(Tool tool, Point p, bool leftHeld, const Rect& frame) {
    if (tool == Tool::Eraser && shape_.shape != Shape::None)
        shape_.box = {p.x - shape_.box.width / 2, p.y - shape_.box.height / 2, shape_.box.width, shape_.box.height};
    if (!leftHeld) return std::nullopt;
    const Point to = ClampToSelection(p, frame);
    switch (tool) {
        case Tool::Rectangle:
        case Tool::Ellipse:
        case Tool::Text:
            if (shape_.shape != Shape::None) shape_.box = RubberBand(strokeStart_, to);
            break;
        case Tool::Arrow:
            if (arrow_.visible) arrow_.to = to;
            break;
        case Tool::Eraser: return to;
        case Tool::None: break;
    }
    return std::nullopt;
}

void MarkInProgress::ShowEraserCircle(Point p, float width) {
    shape_ = {Shape::Oval, CircleAt(p, Rounded(width)), kEraserCircleColour, 1};
}

MarkInProgress::Released MarkInProgress::Release(Tool tool) {
    Released r;
    r.box = shape_.box;
    r.penWidth = penWidth_;
    switch (tool) {
        case Tool::Rectangle:
        case Tool::Ellipse:
            shape_.shape = Shape::None;
            r.what = tool == Tool::Rectangle ? Commit::Rectangle : Commit::Ellipse;
            break;
        case Tool::Text:
            if (shape_.shape == Shape::None) break;
            shape_.shape = Shape::None;
            r.what = Commit::OpenTextBox;
            break;
        case Tool::Arrow:
            if (!arrow_.visible) break;
            arrow_.visible = false;
            r.what = Commit::Arrow;
            r.from = arrow_.from;
            r.to = arrow_.to;
            break;
        case Tool::Eraser: r.what = Commit::EndEraser; break;
        case Tool::None: break;
    }
    return r;
}

void MarkInProgress::Discard() {
    shape_.shape = Shape::None;
    arrow_.visible = false;
    textBoxOpen_ = false;
}

// Only the outline's pixels are repainted, so a large rubber band moves as
// cheaply as a small one.
std::vector<Rect> MarkInProgress::RepaintPieces() const {
    std::vector<Rect> pieces;
    if (shape_.shape == Shape::Oval) {
        pieces = OvalOutlinePieces(shape_.box, shape_.width);
    } else if (shape_.shape == Shape::Rectangle) {
        const Rect r = Inflate(shape_.box, 1);
        const int t = std::max(shape_.width, 1) + 2;
        pieces = {{r.left, r.top, r.width, t},
                  {r.left, r.bottom() - t, r.width, t},
                  {r.left, r.top, t, r.height},
                  {r.right() - t, r.top, t, r.height}};
    }
    if (arrow_.visible)
        for (const Rect& piece : LinePieces(arrow_.from, arrow_.to, arrow_.width + 2)) pieces.push_back(piece);
    return pieces;
}

Rect MarkInProgress::OpenTextBox(const Rect& frame) {
    textBoxOpen_ = true;
    printAt_ = {frame.left, frame.top};
    return {frame.left, frame.top, std::max(frame.width, kMinTextBox.width), std::max(frame.height, kMinTextBox.height)};
}

Point MarkInProgress::DragTextBox(Point boxTopLeft, Point local) {
    printAt_ = {boxTopLeft.x + local.x - grabOffset_.x, boxTopLeft.y + local.y - grabOffset_.y};
    return printAt_;
}

std::optional<Point> MarkInProgress::CloseTextBox(std::wstring_view text) {
    textBoxOpen_ = false;
    if (text.empty()) return std::nullopt;
    return printAt_;
}

Rect MarkInProgress::TextBounds(Point at, Size extent) {
    const int overhang = extent.height / 2 + 4;
    return {at.x - overhang, at.y - 4, extent.width + 2 * overhang, extent.height + 8};
}

}  // namespace vellumo
