// Numbered steps: each click places a filled circle in the chosen colour
// with the next number (1, 2, 3, ...) in black or white, whichever stands out
// on it. The number is the count of steps still applied, plus one: an undo
// takes the last number back and the next click reuses it, and once the
// marks are cleared the count starts again at 1.
#include <algorithm>
#include <cmath>
#include <vector>

#include "annotate/CoverageStroke.h"
#include "annotate/Tool.h"

namespace vellumo {

namespace {
class StepTool final : public DrawingTool {
public:
    std::optional<Point> Press(StrokeState& s, Point p) override {
        pressed_ = true;
        at_ = ClampToSelection(p, s.frame);
        return std::nullopt;
    }
    std::optional<Point> Move(StrokeState&, Point, bool) override { return std::nullopt; }
    Released Release(StrokeState& s) override {
        Released r{.penWidth = s.width};
        if (!pressed_) return r;
        pressed_ = false;
        const std::size_t applied = s.target ? s.target->MarksApplied() : placedAt_.size();
        // Steps undone (or dropped with the history) no longer count.
        std::erase_if(placedAt_, [&](std::size_t depth) { return depth > applied; });
        r.what = Commit::Label;
        r.label = StepLabel(at_, static_cast<int>(placedAt_.size()) + 1, s.width, s.colour);
        placedAt_.push_back(applied + 1);
        // The circle, anti-aliased at the chosen opacity; the number is
        // printed on it by the Win32 layer.
        if (s.target) {
            if (const PixelPlane surface = s.target->SurfacePixels(); surface.bits) {
                const Rect& b = r.label.box;
                const Point centre{b.left + b.width / 2, b.top + b.height / 2};
                CoverageStroke circle;
                circle.Begin(surface, s.frame, s.colour, static_cast<int>(std::lround(s.alpha)));
                s.target->BeforeMark(CoverageStroke::SegmentBounds(centre, centre, b.width));
                s.target->Painted(circle.Segment(centre, centre, b.width));
            }
        }
        return r;
    }

private:
    bool pressed_ = false;
    Point at_{};
    // The undo history's depth right after each step still counted.
    std::vector<std::size_t> placedAt_;
};
}  // namespace

extern constexpr ToolEntry kStepEntry{L"Draw(10)", L"Numbered step (N)", 'N',
    {{{GlyphPart::Oval, 2, {{1, 1}, {15, 15}}}, {GlyphPart::Lines, 3, {{6, 5}, {8, 3}, {8, 12}}},
      {GlyphPart::Lines, 2, {{6, 12}, {11, 12}}}}},
    []() -> std::unique_ptr<DrawingTool> { return std::make_unique<StepTool>(); }, {}, ToolCursor::Hand};

}  // namespace vellumo
