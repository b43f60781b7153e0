// The blur: drag a rectangle; what shows under it is blurred, near enough a
// Gaussian, by three box passes each way. The radius comes from the width
// control; the blur reads nothing outside the rectangle (its edge pixels
// stand in for what lies beyond), and a radius larger than the rectangle is
// cut down to it. A rectangle of no size does nothing.
#include "annotate/AreaFilters.h"
#include "annotate/tools/TwoPointTool.h"

namespace vellumo {

namespace {
class BlurTool final : public AreaFilterTool {
    void Filter(const PixelPlane& surface, const Rect& area, float width, const SideBySide& cores) const override {
        BlurArea(surface, area, BlurRadiusFor(width, area), BlurRowsBy::Fastest, cores);
    }
};
}  // namespace

extern constexpr ToolEntry kBlurEntry{L"Draw(9)", L"Blur (B)", 'B',
    {{{GlyphPart::Oval, 2, {{3, 3}, {13, 13}}}, {GlyphPart::Oval, 2, {{5, 5}, {11, 11}}},
      {GlyphPart::FilledOval, 2, {{7, 7}, {10, 10}}}}},
    []() -> std::unique_ptr<DrawingTool> { return std::make_unique<BlurTool>(); }};

}  // namespace vellumo
