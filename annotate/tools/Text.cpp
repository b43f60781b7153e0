// The text tool: the rubber band marks where the text box opens; the box
// itself (typing, dragging, printing) is the annotator's. Its option (Tab
// while it is chosen) prints the text on a filled box of the chosen colour,
// in black or white, whichever stands out on it.
#include "annotate/tools/TwoPointTool.h"

namespace vellumo {

namespace {
class TextTool final : public BandTool {
public:
    TextTool() : BandTool(PreviewShape::Rectangle) {}
    Released Release(StrokeState& s) override {
        // A release without a press before it opens nothing.
        if (s.shape.shape == PreviewShape::None) return {.box = s.shape.box, .penWidth = s.width};
        s.shape.shape = PreviewShape::None;
        return {.what = Commit::OpenTextBox, .box = s.shape.box, .penWidth = s.width, .onPlate = onPlate_};
    }
    bool ToggleOption() override { return onPlate_ = !onPlate_; }
    bool OptionOn() const override { return onPlate_; }

private:
    bool onPlate_ = false;
};
}  // namespace

extern constexpr ToolEntry kTextEntry{L"Draw(2)", L"Add Text (Tab: on a box)", 0,
    {{{GlyphPart::Lines, 3, {{4, 13}, {8, 2}, {12, 13}}},
    {GlyphPart::Lines, 2, {{5, 9}, {11, 9}}}}},
    []() -> std::unique_ptr<DrawingTool> { return std::make_unique<TextTool>(); },
    // On a box: a T in a frame.
    {{{GlyphPart::Box, 2, {{1, 3}, {15, 14}}}, {GlyphPart::Lines, 2, {{5, 6}, {11, 6}}},
      {GlyphPart::Lines, 2, {{8, 6}, {8, 12}}}}},
    ToolCursor::IBeam};

}  // namespace vellumo
