// The rectangle: an outline dragged as a rubber band (a square with Shift),
// drawn by GDI+ without anti-aliasing at the exact width.
#include "annotate/tools/TwoPointTool.h"

namespace vellumo {

namespace {
class RectangleTool final : public BandTool {
public:
    RectangleTool() : BandTool(PreviewShape::Rectangle) {}
    Released Release(StrokeState& s) override {
        s.shape.shape = PreviewShape::None;
        return {.what = Commit::Rectangle, .box = s.shape.box, .penWidth = s.width};
    }
};
}  // namespace

extern constexpr ToolEntry kRectangleEntry{L"Draw(0)", L"Add Rectangle", 0,
    {{{GlyphPart::Box, 2, {{2, 3}, {14, 13}}}}},
    []() -> std::unique_ptr<DrawingTool> { return std::make_unique<RectangleTool>(); }};

}  // namespace vellumo
