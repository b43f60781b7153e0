// What the freehand tools share: a stroke that follows the pointer from press
// to release, painted as it goes through a round pen of one opacity
// (CoverageStroke), so its joins are round and it has no gaps however fast
// the pointer moves. Press to release is one undo step.
#pragma once
#include <cmath>

#include "annotate/CoverageStroke.h"
#include "annotate/Tool.h"

namespace vellumo {

class FreehandTool : public DrawingTool {
public:
    std::optional<Point> Press(StrokeState& s, Point p) override {
        const Point at = ClampToSelection(p, s.frame);
        last_ = at;
        if (!s.target) return at;
        const PixelPlane surface = s.target->SurfacePixels();
        if (!surface.bits) return at;
        stroke_.Begin(surface, s.frame, s.colour, Opacity(s));
        PaintTo(s, at);
        return at;
    }
    std::optional<Point> Move(StrokeState& s, Point p, bool leftHeld) override {
        if (!leftHeld) return std::nullopt;
        const Point to = ClampToSelection(p, s.frame);
        if (to == last_) return to;
        PaintTo(s, to);
        return to;
    }
    Released Release(StrokeState& s) override {
        stroke_.End();
        return {.box = s.shape.box, .penWidth = s.width};
    }
    std::size_t BytesHeld() const { return stroke_.BytesHeld(); }

protected:
    // The pen's width and opacity for the toolbar's.
    virtual double Width(const StrokeState& s) const = 0;
    virtual int Opacity(const StrokeState& s) const = 0;

private:
    void PaintTo(StrokeState& s, Point to) {
        if (s.target && stroke_.active()) {
            s.target->BeforeMark(CoverageStroke::SegmentBounds(last_, to, Width(s)));
            s.target->Painted(stroke_.Segment(last_, to, Width(s)));
        }
        last_ = to;
    }

    CoverageStroke stroke_;
    Point last_{};
};

}  // namespace vellumo
