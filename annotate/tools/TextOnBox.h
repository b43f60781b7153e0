// Text on a box: the text tool, toggled to print its text on a filled box of
// the chosen colour in black or white, whichever stands out on it.
#pragma once
#include "annotate/tools/Text.h"

namespace vellumo {

class TextOnBoxTool final : public DrawingTool {
public:
    std::optional<Point> Press(StrokeState& s, Point p) override { return text_.Press(s, p); }
    std::optional<Point> Move(StrokeState& s, Point p, bool leftHeld) override { return text_.Move(s, p, leftHeld); }
    Released Release(StrokeState& s) override {
        Released r = text_.Release(s);
        r.onPlate = true;
        return r;
    }

private:
    TextTool text_;
};

inline constexpr ToolEntry kTextOnBoxEntry{L"Draw(11)", L"Text on a box", 0,
    {{{GlyphPart::Box, 2, {{1, 3}, {15, 14}}}, {GlyphPart::Lines, 2, {{5, 6}, {11, 6}}},
      {GlyphPart::Lines, 2, {{8, 6}, {8, 12}}}}},
    []() -> std::unique_ptr<DrawingTool> { return std::make_unique<TextOnBoxTool>(); }};

}  // namespace vellumo
