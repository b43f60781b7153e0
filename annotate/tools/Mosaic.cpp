// The mosaic: drag a rectangle; the pixels under it become square cells (the
// side from the width control, at least 4 px), each the mean colour of the
// pixels it covers as they show, marks included. Cells are counted from the
// rectangle's top-left; those on its right and bottom edges may be cut short.
// Nothing smaller than a cell survives. A rectangle of no size does nothing.
#include "annotate/AreaFilters.h"
#include "annotate/tools/TwoPointTool.h"

namespace vellumo {

namespace {
class MosaicTool final : public AreaFilterTool {
    void Filter(const PixelPlane& surface, const Rect& area, float width, const SideBySide& cores) const override {
        Pixelate(surface, area, MosaicCell(width), cores);
    }
};
}  // namespace

extern constexpr ToolEntry kMosaicEntry{L"Draw(8)", L"Mosaic (M)", 'M',
    {{{GlyphPart::FilledBox, 2, {{2, 2}, {6, 6}}}, {GlyphPart::FilledBox, 2, {{10, 2}, {14, 6}}},
      {GlyphPart::FilledBox, 2, {{6, 6}, {10, 10}}}, {GlyphPart::FilledBox, 2, {{2, 10}, {6, 14}}},
      {GlyphPart::FilledBox, 2, {{10, 10}, {14, 14}}}, {GlyphPart::Box, 2, {{1, 1}, {15, 15}}}}},
    []() -> std::unique_ptr<DrawingTool> { return std::make_unique<MosaicTool>(); }};

}  // namespace vellumo
