// What the rubber-band tools share: the band from the press point to the
// pointer, kept inside the selection, a square with Shift held; a new band
// starts with the size of the last one until the first move gives it its own.
#pragma once
#include <cmath>

#include "annotate/Tool.h"

namespace vellumo {

class BandTool : public DrawingTool {
public:
    explicit BandTool(PreviewShape shape) : shape_(shape) {}

    std::optional<Point> Press(StrokeState& s, Point p) override {
        s.shape = {shape_, {p.x, p.y, s.shape.box.width, s.shape.box.height}, s.colour, PreviewWidth(s)};
        return std::nullopt;
    }
    std::optional<Point> Move(StrokeState& s, Point p, bool leftHeld) override {
        if (leftHeld && s.shape.shape != PreviewShape::None)
            s.shape.box = BandTo(s.start, ClampToSelection(p, s.frame), s.shift);
        return std::nullopt;
    }

protected:
    // The preview shows the width rounded (at least 1).
    virtual int PreviewWidth(const StrokeState& s) const { return static_cast<int>(std::lround(s.width)); }

private:
    PreviewShape shape_;
};

// A straight stroke from the press point to the pointer (the arrow, the line);
// with Shift held it runs at a multiple of 45°.
class SegmentTool : public DrawingTool {
public:
    std::optional<Point> Press(StrokeState& s, Point p) override {
        s.arrow = {true, p, p, s.colour, static_cast<int>(std::lround(s.width))};
        return std::nullopt;
    }
    std::optional<Point> Move(StrokeState& s, Point p, bool leftHeld) override {
        if (leftHeld && s.arrow.visible) s.arrow.to = EndPoint(s, p);
        return std::nullopt;
    }

protected:
    static Point EndPoint(const StrokeState& s, Point p) {
        const Point to = ClampToSelection(p, s.frame);
        if (!s.shift) return to;
        // Snapped, then kept on the frame along the same direction.
        Point snapped = SnapTo45(s.start, to);
        const Point clamped = ClampToSelection(snapped, s.frame);
        if (clamped == snapped) return snapped;
        const int dx = snapped.x - s.start.x, dy = snapped.y - s.start.y;
        const int len = std::max(std::abs(dx), std::abs(dy));
        int keep = len;
        for (; keep > 0; --keep) {
            const Point q{s.start.x + (dx ? dx / std::abs(dx) * keep : 0), s.start.y + (dy ? dy / std::abs(dy) * keep : 0)};
            if (ClampToSelection(q, s.frame) == q) return q;
        }
        return s.start;
    }
};

// A rectangle dragged as a thin band whose pixels are then filtered in place
// (mosaic, blur): one undo step for the area, nothing for an empty one.
class AreaFilterTool : public BandTool {
public:
    AreaFilterTool() : BandTool(PreviewShape::Rectangle) {}
    std::optional<Point> Press(StrokeState& s, Point p) override {
        BandTool::Press(s, p);
        s.shape.colour = kEraserCircleColour;
        s.shape.width = 1;
        return std::nullopt;
    }
    Released Release(StrokeState& s) override {
        s.shape.shape = PreviewShape::None;
        const Rect area = Intersect(s.shape.box, s.frame);
        if (area.empty() || !s.target) return {.penWidth = s.width};
        const PixelPlane surface = s.target->SurfacePixels();
        if (!surface.bits) return {.penWidth = s.width};
        s.target->BeforeMark(area);
        Filter(surface, area, s.width, s.target->Cores());
        s.target->Painted(area);
        return {.penWidth = s.width};
    }

private:
    virtual void Filter(const PixelPlane& surface, const Rect& area, float width, const SideBySide& cores) const = 0;
};

}  // namespace vellumo
