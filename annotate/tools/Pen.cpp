// The pen: a freehand stroke at the chosen colour, width and opacity.
#include "annotate/tools/Freehand.h"

namespace vellumo {

namespace {
class PenTool final : public FreehandTool {
protected:
    double Width(const StrokeState& s) const override { return std::max(s.width, 1.0f); }
    int Opacity(const StrokeState& s) const override { return static_cast<int>(std::lround(s.alpha)); }
};
}  // namespace

extern constexpr ToolEntry kPenEntry{L"Draw(5)", L"Pen (P)", 'P',
    {{{GlyphPart::Lines, 5, {{2, 13}, {5, 8}, {8, 10}, {11, 4}, {14, 3}}}}},
    []() -> std::unique_ptr<DrawingTool> { return std::make_unique<PenTool>(); }, {}, ToolCursor::Pen};

}  // namespace vellumo
