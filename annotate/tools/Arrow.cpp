// The arrow: a straight stroke (at 45° steps with Shift) whose head GDI+'s
// arrow-anchor cap draws at the release end.
#include "annotate/tools/TwoPointTool.h"

namespace vellumo {

namespace {
class ArrowTool final : public SegmentTool {
public:
    Released Release(StrokeState& s) override {
        Released r{.box = s.shape.box, .penWidth = s.width};
        if (!s.arrow.visible) return r;
        s.arrow.visible = false;
        r.what = Commit::Arrow;
        r.from = s.arrow.from;
        r.to = s.arrow.to;
        return r;
    }
};
}  // namespace

extern constexpr ToolEntry kArrowEntry{L"Draw(3)", L"Add Arrow", 0,
    {{{GlyphPart::Lines, 2, {{2, 13}, {13, 2}}},
    {GlyphPart::Lines, 2, {{13, 2}, {7, 3}}},
    {GlyphPart::Lines, 2, {{13, 2}, {12, 8}}}}},
    []() -> std::unique_ptr<DrawingTool> { return std::make_unique<ArrowTool>(); }};

}  // namespace vellumo
