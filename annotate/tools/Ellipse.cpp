// The ellipse: an outline in the rubber band (a circle with Shift), drawn
// anti-aliased by GDI+.
#include "annotate/tools/TwoPointTool.h"

namespace vellumo {

namespace {
class EllipseTool final : public BandTool {
public:
    EllipseTool() : BandTool(PreviewShape::Oval) {}
    Released Release(StrokeState& s) override {
        s.shape.shape = PreviewShape::None;
        return {.what = Commit::Ellipse, .box = s.shape.box, .penWidth = s.width};
    }
};
}  // namespace

extern constexpr ToolEntry kEllipseEntry{L"Draw(1)", L"Add Vertebral round", 0,
    {{{GlyphPart::Oval, 2, {{1, 3}, {15, 13}}}}},
    []() -> std::unique_ptr<DrawingTool> { return std::make_unique<EllipseTool>(); }};

}  // namespace vellumo
