// The highlighter: a wide translucent freehand stroke for marking text, three
// times the chosen width (at least 12 px) at 40% of the chosen opacity. One
// stroke has one opacity: it does not darken where it crosses itself.
#include "annotate/tools/Freehand.h"

namespace vellumo {

namespace {
class HighlighterTool final : public FreehandTool {
protected:
    double Width(const StrokeState& s) const override { return std::max(3.0 * s.width, 12.0); }
    int Opacity(const StrokeState& s) const override { return static_cast<int>(std::lround(s.alpha * 0.4)); }
};
}  // namespace

extern constexpr ToolEntry kHighlighterEntry{L"Draw(6)", L"Highlighter (H)", 'H',
    {{{GlyphPart::Polygon, 4, {{3, 10}, {9, 4}, {12, 7}, {6, 13}}}, {GlyphPart::FilledBox, 2, {{2, 14}, {14, 16}}}}},
    []() -> std::unique_ptr<DrawingTool> { return std::make_unique<HighlighterTool>(); }, {}, ToolCursor::Pen};

}  // namespace vellumo
