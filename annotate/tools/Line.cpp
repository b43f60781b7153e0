// The line: a straight stroke dragged from the press point (at a multiple of
// 45° with Shift held), painted on release with round ends at the chosen
// colour, width and opacity. A line of no length draws nothing.
#include <cmath>

#include "annotate/CoverageStroke.h"
#include "annotate/tools/TwoPointTool.h"

namespace vellumo {

namespace {
class LineTool final : public SegmentTool {
public:
    Released Release(StrokeState& s) override {
        Released r{.box = s.shape.box, .penWidth = s.width};
        if (!s.arrow.visible) return r;
        s.arrow.visible = false;
        const Point from = s.arrow.from, to = s.arrow.to;
        if (from == to || !s.target) return r;
        const PixelPlane surface = s.target->SurfacePixels();
        if (!surface.bits) return r;
        const double width = std::max(s.width, 1.0f);
        CoverageStroke line;
        line.Begin(surface, s.frame, s.colour, static_cast<int>(std::lround(s.alpha)));
        s.target->BeforeMark(CoverageStroke::SegmentBounds(from, to, width));
        s.target->Painted(line.Segment(from, to, width));
        return r;
    }
};
}  // namespace

extern constexpr ToolEntry kLineEntry{L"Draw(7)", L"Line (L), Shift: 45\u00B0 steps", 'L',
    {{{GlyphPart::Lines, 2, {{2, 14}, {14, 2}}}}},
    []() -> std::unique_ptr<DrawingTool> { return std::make_unique<LineTool>(); }};

}  // namespace vellumo
