// The eraser: the clean frozen screen painted back through a round pen,
// press to release one undo step. A grey circle of the pen's size follows
// the pointer as soon as the eraser is chosen.
#include <cmath>

#include "annotate/Erase.h"
#include "annotate/Tool.h"

namespace vellumo {

namespace {
class EraserTool final : public DrawingTool {
public:
    std::optional<Point> Press(StrokeState& s, Point p) override {
        Chosen(s, p);
        const Point at = ClampToSelection(p, s.frame);
        last_ = at;
        painting_ = false;
        if (!s.target) return at;
        const PixelPlane surface = s.target->SurfacePixels(), clean = s.target->CleanPixels();
        s.target->BeforeMark(DabBounds(at, s.width));
        if (!surface.bits || !clean.bits || surface.width != clean.width || surface.height != clean.height) return at;
        painting_ = true;
        // The first dab fills the integer square EraserDab gives; the
        // segments then run through the pointer's points.
        const Rect dab = EraserDab(at, s.width);
        s.target->Painted(EraseDab(surface, clean, dab.left + dab.width / 2.0, dab.top + dab.height / 2.0, dab.width,
                                   Intersect(s.frame, DabBounds(at, s.width))));
        return at;
    }
    std::optional<Point> Move(StrokeState& s, Point p, bool leftHeld) override {
        if (s.shape.shape != PreviewShape::None)
            s.shape.box = {p.x - s.shape.box.width / 2, p.y - s.shape.box.height / 2, s.shape.box.width,
                           s.shape.box.height};
        if (!leftHeld) return std::nullopt;
        const Point to = ClampToSelection(p, s.frame);
        if (painting_ && s.target) {
            // Never past what the undo history was told it would touch.
            const Rect bounds = LineBounds(last_, to, Reach(s.width));
            s.target->BeforeMark(bounds);
            s.target->Painted(EraseSegment(s.target->SurfacePixels(), s.target->CleanPixels(), last_, to, s.width,
                                           Intersect(s.frame, bounds)));
        }
        last_ = to;
        return to;
    }
    Released Release(StrokeState& s) override {
        painting_ = false;
        return {.what = Commit::EndEraser, .box = s.shape.box, .penWidth = s.width};
    }
    void Chosen(StrokeState& s, Point p) override {
        const int w = static_cast<int>(std::lround(s.width));
        s.shape = {PreviewShape::Oval, {p.x - w / 2, p.y - w / 2, w, w}, kEraserCircleColour, 1};
    }
    bool FollowsPointer() const override { return true; }

    // What the first dab at `at` may touch.
    static Rect DabBounds(Point at, float width) { return OutlineBounds(EraserDab(at, width), 2); }

private:
    static int Reach(float width) { return static_cast<int>(std::ceil(width)) + 1; }
    Point last_{};
    bool painting_ = false;
};
}  // namespace

extern constexpr ToolEntry kEraserEntry{L"Draw(4)", L"Eraser", 0,
    {{{GlyphPart::Polygon, 4, {{2, 10}, {8, 4}, {13, 9}, {7, 15}}},
    {GlyphPart::Lines, 2, {{5, 7}, {10, 12}}}}},
    []() -> std::unique_ptr<DrawingTool> { return std::make_unique<EraserTool>(); }};

}  // namespace vellumo
