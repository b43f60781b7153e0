#include "annotate/Tool.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

namespace vellumo {

Tool ToolForKey(int key) {
    if (key == 0) return Tool::None;
    const auto tools = ToolTable();
    for (std::size_t i = 0; i < tools.size(); ++i)
        if (tools[i].key == key) return static_cast<Tool>(i);
    return Tool::None;
}

std::optional<ToolCursor> CursorFor(Tool chosen, Point p, const Rect& selection) {
    const auto tools = ToolTable();
    const int i = static_cast<int>(chosen);
    if (i < 0 || i >= static_cast<int>(tools.size()) || selection.empty()) return std::nullopt;
    if (ClampToSelection(p, selection) != p) return std::nullopt;
    return tools[static_cast<std::size_t>(i)].cursor;
}

PreviewColour ContrastingInk(PreviewColour fill) {
    const int r = fill & 0xFF, g = fill >> 8 & 0xFF, b = fill >> 16 & 0xFF;
    // Perceived brightness (ITU-R BT.601 weights).
    return r * 299 + g * 587 + b * 114 > 150 * 1000 ? 0x000000 : 0xFFFFFF;
}

LabelMark StepLabel(Point p, int n, float width, PreviewColour fill) {
    const int base = std::max(20, static_cast<int>(std::lround(4 * width)));
    const int font = static_cast<int>(std::lround(base * 0.6));
    std::wstring text = std::to_wstring(n);
    // A digit of a plain bold face is about 0.6 of the font's height wide.
    const int needed = static_cast<int>(std::ceil(static_cast<double>(text.size()) * font * 0.6 + font * 0.5));
    const int d = std::max(base, needed);
    return {{p.x - d / 2, p.y - d / 2, d, d}, true, fill, ContrastingInk(fill), std::move(text), font};
}

Point SnapTo45(Point start, Point p) {
    const int dx = p.x - start.x, dy = p.y - start.y;
    const int ax = std::abs(dx), ay = std::abs(dy);
    // tan(22.5°) = 0.4142: within it of an axis the line lies on the axis.
    if (ay * 1000 <= ax * 414) return {p.x, start.y};
    if (ax * 1000 <= ay * 414) return {start.x, p.y};
    const int d = (ax + ay) / 2;
    return {start.x + (dx < 0 ? -d : d), start.y + (dy < 0 ? -d : d)};
}

Rect BandTo(Point start, Point p, bool square) {
    if (!square) return RubberBand(start, p);
    const int side = std::min(std::abs(p.x - start.x), std::abs(p.y - start.y));
    return RubberBand(start, {start.x + (p.x < start.x ? -side : side), start.y + (p.y < start.y ? -side : side)});
}

}  // namespace vellumo
