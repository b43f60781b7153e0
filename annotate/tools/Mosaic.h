// The mosaic: drag a rectangle; the pixels under it become square cells (the
// side from the width control, at least 4 px), each the mean colour of the
// pixels it covers as they show, marks included. Cells are counted from the
// rectangle's top-left; those on its right and bottom edges may be cut short.
// Nothing smaller than a cell survives. A rectangle of no size does nothing.
#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "annotate/tools/TwoPointTool.h"

namespace vellumo {

// Each cell x cell block of `area` (clipped to the plane) becomes its mean colour.
inline void Pixelate(const PixelPlane& plane, Rect area, int cell) {
    area = Intersect(area, Rect{0, 0, plane.width, plane.height});
    if (area.empty() || cell < 1) return;
    const int columns = (area.width + cell - 1) / cell;
    std::vector<std::uint32_t> sums(static_cast<std::size_t>(columns) * 3);
    for (int top = area.top; top < area.bottom(); top += cell) {
        const int bottom = std::min(top + cell, area.bottom());
        std::fill(sums.begin(), sums.end(), 0u);
        for (int y = top; y < bottom; ++y) {
            const std::uint32_t* row = plane.row(y);
            for (int c = 0; c < columns; ++c) {
                const int from = area.left + c * cell, to = std::min(from + cell, area.right());
                // Red and blue side by side in one word: 256 pixels at a
                // time cannot carry blue into red.
                for (int x = from; x < to;) {
                    const int end = std::min(to, x + 256);
                    std::uint32_t rb = 0, g = 0;
                    for (; x < end; ++x) {
                        rb += row[x] & 0x00FF00FFu;
                        g += row[x] & 0x0000FF00u;
                    }
                    sums[c * 3] += rb >> 16;
                    sums[c * 3 + 1] += g >> 8;
                    sums[c * 3 + 2] += rb & 0xFFFFu;
                }
            }
        }
        for (int c = 0; c < columns; ++c) {
            const int from = area.left + c * cell, to = std::min(from + cell, area.right());
            const std::uint32_t n = static_cast<std::uint32_t>((to - from) * (bottom - top));
            const auto mean = [&](int k) { return (sums[c * 3 + k] + n / 2) / n; };
            const std::uint32_t colour = mean(0) << 16 | mean(1) << 8 | mean(2);
            for (int y = top; y < bottom; ++y) {
                std::uint32_t* row = plane.row(y);
                std::fill(row + from, row + to, (row[from] & 0xFF000000u) | colour);
            }
        }
    }
}

// The side of a mosaic cell for the width control's value.
inline int MosaicCell(float width) { return std::max(4, static_cast<int>(std::lround(width))); }

class MosaicTool final : public AreaFilterTool {
    void Filter(const PixelPlane& surface, const Rect& area, float width) const override {
        Pixelate(surface, area, MosaicCell(width));
    }
};

inline constexpr ToolEntry kMosaicEntry{L"Draw(8)", L"Mosaic (M)", 'M',
    {{{GlyphPart::FilledBox, 2, {{2, 2}, {6, 6}}}, {GlyphPart::FilledBox, 2, {{10, 2}, {14, 6}}},
      {GlyphPart::FilledBox, 2, {{6, 6}, {10, 10}}}, {GlyphPart::FilledBox, 2, {{2, 10}, {6, 14}}},
      {GlyphPart::FilledBox, 2, {{10, 10}, {14, 14}}}, {GlyphPart::Box, 2, {{1, 1}, {15, 15}}}}},
    []() -> std::unique_ptr<DrawingTool> { return std::make_unique<MosaicTool>(); }};

}  // namespace vellumo
