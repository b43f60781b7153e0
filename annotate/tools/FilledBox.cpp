// The filled box: drag a rectangle (a square with Shift); it is painted over
// in the chosen colour at the chosen opacity. At full opacity nothing of what
// it covers is left, which makes it the sure way to hide a password or a name
// before sharing: a mosaic or a blur keeps something of the shapes beneath.
// A rectangle of no size, or an opacity of 0, leaves no mark and no undo step.
#include <algorithm>
#include <cmath>

#include "annotate/CoverageStroke.h"
#include "annotate/tools/TwoPointTool.h"

namespace vellumo {

namespace {
class FilledBoxTool final : public BandTool {
public:
    FilledBoxTool() : BandTool(PreviewShape::Rectangle) {}

    Released Release(StrokeState& s) override {
        s.shape.shape = PreviewShape::None;
        const int alpha = std::clamp(static_cast<int>(std::lround(s.alpha)), 0, 255);
        if (!s.target || alpha == 0) return {.penWidth = s.width};
        const PixelPlane surface = s.target->SurfacePixels();
        const Rect area = Intersect(Intersect(s.shape.box, s.frame), Rect{0, 0, surface.width, surface.height});
        if (area.empty() || !surface.bits) return {.penWidth = s.width};
        s.target->BeforeMark(area);
        const std::uint32_t ink = PixelOf(s.colour);
        for (int y = area.top; y < area.bottom(); ++y) {
            std::uint32_t* const row = surface.row(y);
            for (int x = area.left; x < area.right(); ++x)
                row[x] = alpha == 255 ? (row[x] & 0xFF000000u) | ink : BlendPixel(row[x], ink, alpha);
        }
        s.target->Painted(area);
        return {.penWidth = s.width};
    }

protected:
    // The band shows where the box goes; its outline's width means nothing here.
    int PreviewWidth(const StrokeState&) const override { return 1; }
};
}  // namespace

extern constexpr ToolEntry kFilledBoxEntry{L"Draw(11)", L"Filled box (F)", 'F',
    {{{GlyphPart::FilledBox, 2, {{2, 4}, {14, 12}}}}},
    []() -> std::unique_ptr<DrawingTool> { return std::make_unique<FilledBoxTool>(); }};

}  // namespace vellumo
