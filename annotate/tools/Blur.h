// The blur: drag a rectangle; what shows under it is blurred, near enough a
// Gaussian, by three box passes each way. The radius comes from the width
// control; the blur reads nothing outside the rectangle (its edge pixels
// stand in for what lies beyond), and a radius larger than the rectangle is
// cut down to it. A rectangle of no size does nothing.
#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "annotate/tools/TwoPointTool.h"

namespace vellumo {

namespace blur_detail {
// One box pass over `n` pixels at `in` (stride `step` pixels apart), written
// to `out` (packed, one after another; it may be `in` when step is 1): each
// the mean of the 2r+1 around it, the ends repeated beyond the run. `pad`
// holds n + 2r + 1 pixels: the run with its ends repeated, so the sliding
// window needs no bounds check.
inline void BoxRun(const std::uint32_t* in, std::ptrdiff_t step, int n, int r, std::uint32_t* out,
                   std::uint32_t* pad) {
    std::fill_n(pad, r, in[0]);
    for (int i = 0; i < n; ++i) pad[r + i] = in[i * step];
    std::fill_n(pad + r + n, r + 1, in[(n - 1) * step]);
    const std::uint64_t scale = (std::uint64_t{1} << 24) / static_cast<std::uint64_t>(2 * r + 1);
    std::uint32_t sr = 0, sg = 0, sb = 0;
    for (int i = 0; i <= 2 * r; ++i) {
        const std::uint32_t p = pad[i];
        sr += p >> 16 & 0xFF, sg += p >> 8 & 0xFF, sb += p & 0xFF;
    }
    const std::uint32_t high = pad[r] & 0xFF000000u;
    const auto mean = [scale](std::uint32_t sum) {
        return std::min<std::uint32_t>(255u, static_cast<std::uint32_t>((sum * scale + (1u << 23)) >> 24));
    };
    for (int i = 0; i < n; ++i) {
        out[i] = high | mean(sr) << 16 | mean(sg) << 8 | mean(sb);
        const std::uint32_t add = pad[i + 2 * r + 1], drop = pad[i];
        sr += (add >> 16 & 0xFF) - (drop >> 16 & 0xFF);
        sg += (add >> 8 & 0xFF) - (drop >> 8 & 0xFF);
        sb += (add & 0xFF) - (drop & 0xFF);
    }
}
}  // namespace blur_detail

// The largest radius worth blurring `area` with.
inline int BlurRadiusFor(float width, const Rect& area) {
    return std::clamp(static_cast<int>(std::lround(width)), 1, std::max(1, std::max(area.width, area.height)));
}

// Three box passes of radius r along the rows, then three down the columns.
inline void BlurArea(const PixelPlane& plane, Rect area, int r) {
    area = Intersect(area, Rect{0, 0, plane.width, plane.height});
    if (area.empty() || r < 1) return;
    const int w = area.width, h = area.height;
    std::vector<std::uint32_t> a(static_cast<std::size_t>(std::max(w, h))), b(a.size()),
        pad(a.size() + 2 * static_cast<std::size_t>(r) + 1);
    for (int y = area.top; y < area.bottom(); ++y) {
        std::uint32_t* row = plane.row(y) + area.left;
        blur_detail::BoxRun(row, 1, w, r, a.data(), pad.data());
        blur_detail::BoxRun(a.data(), 1, w, r, b.data(), pad.data());
        blur_detail::BoxRun(b.data(), 1, w, r, row, pad.data());
    }
    // Down the columns, a band of them at a time, so each row's memory is
    // read in one piece.
    constexpr int kBand = 16;
    std::vector<std::uint32_t> band(static_cast<std::size_t>(h) * kBand);
    for (int x0 = 0; x0 < w; x0 += kBand) {
        const int n = std::min(kBand, w - x0);
        for (int y = 0; y < h; ++y) std::copy_n(plane.row(area.top + y) + area.left + x0, n, &band[y * kBand]);
        for (int k = 0; k < n; ++k) {
            blur_detail::BoxRun(&band[k], kBand, h, r, a.data(), pad.data());
            blur_detail::BoxRun(a.data(), 1, h, r, b.data(), pad.data());
            blur_detail::BoxRun(b.data(), 1, h, r, a.data(), pad.data());
            for (int y = 0; y < h; ++y) band[y * kBand + k] = a[y];
        }
        for (int y = 0; y < h; ++y) std::copy_n(&band[y * kBand], n, plane.row(area.top + y) + area.left + x0);
    }
}

class BlurTool final : public BandTool {
public:
    BlurTool() : BandTool(PreviewShape::Rectangle) {}
    std::optional<Point> Press(StrokeState& s, Point p) override {
        BandTool::Press(s, p);
        s.shape.colour = kEraserCircleColour;
        s.shape.width = 1;
        return std::nullopt;
    }
    Released Release(StrokeState& s) override {
        s.shape.shape = PreviewShape::None;
        const Rect area = Intersect(s.shape.box, s.frame);
        if (area.empty() || !s.target) return {.penWidth = s.width};
        const PixelPlane surface = s.target->SurfacePixels();
        if (!surface.bits) return {.penWidth = s.width};
        s.target->BeforeMark(area);
        BlurArea(surface, area, BlurRadiusFor(s.width, area));
        s.target->Painted(area);
        return {.penWidth = s.width};
    }
};

inline constexpr ToolEntry kBlurEntry{L"Draw(9)", L"Blur (B)", 'B',
    {{{GlyphPart::Oval, 2, {{3, 3}, {13, 13}}}, {GlyphPart::Oval, 2, {{5, 5}, {11, 11}}},
      {GlyphPart::FilledOval, 2, {{7, 7}, {10, 10}}}}},
    []() -> std::unique_ptr<DrawingTool> { return std::make_unique<BlurTool>(); }};

}  // namespace vellumo
