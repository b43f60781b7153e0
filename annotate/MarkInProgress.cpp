#include "annotate/MarkInProgress.h"

#include <algorithm>
#include <cmath>

namespace vellumo {

MarkInProgress::MarkInProgress() {
    for (const ToolEntry& entry : ToolTable()) tools_.push_back(entry.make());
}

MarkInProgress::~MarkInProgress() = default;

DrawingTool* MarkInProgress::ToolOf(Tool tool) const {
    const int i = static_cast<int>(tool);
    return i >= 0 && i < static_cast<int>(tools_.size()) ? tools_[static_cast<std::size_t>(i)].get() : nullptr;
}

namespace {
// The stroke sees the target only while one of its events runs.
struct Lend {
    StrokeState& s;
    Lend(StrokeState& stroke, MarkTarget* target) : s(stroke) { s.target = target; }
    ~Lend() { s.target = nullptr; }
};
}  // namespace

std::optional<Point> MarkInProgress::Press(Tool tool, Point p, float width, PreviewColour colour, const Rect& frame,
                                           float alpha, bool shift, MarkTarget* target) {
    DrawingTool* t = ToolOf(tool);
    if (!t) return std::nullopt;
    stroke_.start = p;
    stroke_.width = width;
    stroke_.alpha = alpha;
    stroke_.colour = colour;
    stroke_.frame = frame;
    stroke_.shift = shift;
    Lend lend(stroke_, target);
    return t->Press(stroke_, p);
}

std::optional<Point> MarkInProgress::Move(Tool tool, Point p, bool leftHeld, const Rect& frame, bool shift,
                                          MarkTarget* target) {
    DrawingTool* t = ToolOf(tool);
    if (!t) return std::nullopt;
    stroke_.frame = frame;
    stroke_.shift = shift;
    Lend lend(stroke_, target);
    return t->Move(stroke_, p, leftHeld);
}

MarkInProgress::Released MarkInProgress::Release(Tool tool, MarkTarget* target) {
    DrawingTool* t = ToolOf(tool);
    if (!t) return {.box = stroke_.shape.box, .penWidth = stroke_.width};
    Lend lend(stroke_, target);
    return t->Release(stroke_);
}

void MarkInProgress::Chosen(Tool tool, Point p, float width) {
    if (DrawingTool* t = ToolOf(tool)) {
        stroke_.width = width;
        t->Chosen(stroke_, p);
    }
}

bool MarkInProgress::ToggleOption(Tool tool) {
    DrawingTool* t = ToolOf(tool);
    return t && t->ToggleOption();
}

bool MarkInProgress::OptionOn(Tool tool) const {
    const DrawingTool* t = ToolOf(tool);
    return t && t->OptionOn();
}

bool MarkInProgress::FollowsPointer(Tool tool) const {
    const DrawingTool* t = ToolOf(tool);
    return t && t->FollowsPointer();
}

void MarkInProgress::Discard() {
    stroke_.shape.shape = Shape::None;
    stroke_.arrow.visible = false;
    textBoxOpen_ = false;
}

// Only the outline's pixels are repainted, so a large rubber band moves as
// cheaply as a small one.
std::vector<Rect> MarkInProgress::RepaintPieces() const {
    std::vector<Rect> pieces;
    const ShapePreview& shape = stroke_.shape;
    if (shape.shape == Shape::Oval) {
        pieces = OvalOutlinePieces(shape.box, shape.width);
    } else if (shape.shape == Shape::Rectangle) {
        const Rect r = Inflate(shape.box, 1);
        const int t = std::max(shape.width, 1) + 2;
        pieces = {{r.left, r.top, r.width, t},
                  {r.left, r.bottom() - t, r.width, t},
                  {r.left, r.top, t, r.height},
                  {r.right() - t, r.top, t, r.height}};
    }
    const ArrowPreview& arrow = stroke_.arrow;
    if (arrow.visible)
        for (const Rect& piece : LinePieces(arrow.from, arrow.to, arrow.width + 2)) pieces.push_back(piece);
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
