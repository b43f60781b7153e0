// The text tool: the rubber band marks where the text box opens; the box
// itself (typing, dragging, printing) is the annotator's.
#pragma once
#include "annotate/tools/TwoPointTool.h"

namespace vellumo {

class TextTool final : public BandTool {
public:
    TextTool() : BandTool(PreviewShape::Rectangle) {}
    Released Release(StrokeState& s) override {
        // A release without a press before it opens nothing.
        if (s.shape.shape == PreviewShape::None) return {.box = s.shape.box, .penWidth = s.width};
        s.shape.shape = PreviewShape::None;
        return {.what = Commit::OpenTextBox, .box = s.shape.box, .penWidth = s.width};
    }
};

inline constexpr ToolEntry kTextEntry{L"Draw(2)", L"Add Text", 0,
    {{{GlyphPart::Lines, 3, {{4, 13}, {8, 2}, {12, 13}}},
    {GlyphPart::Lines, 2, {{5, 9}, {11, 9}}}}},
    []() -> std::unique_ptr<DrawingTool> { return std::make_unique<TextTool>(); }};

}  // namespace vellumo
