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
    if (2 * r + 1 <= 257) {
        // Red and blue summed side by side in one word: 257 pixels of 255
        // still fit each 16-bit half.
        const std::uint32_t scale16 = (65536u + r) / static_cast<std::uint32_t>(2 * r + 1);
        std::uint32_t rb = 0, g = 0;
        for (int i = 0; i <= 2 * r; ++i) {
            rb += pad[i] & 0x00FF00FFu;
            g += pad[i] >> 8 & 0xFFu;
        }
        const std::uint32_t high = pad[r] & 0xFF000000u;
        const auto mean = [scale16](std::uint32_t sum) { return std::min<std::uint32_t>(255u, (sum * scale16 + 32768u) >> 16); };
        for (int i = 0; i < n; ++i) {
            out[i] = high | mean(rb >> 16) << 16 | mean(g) << 8 | mean(rb & 0xFFFFu);
            const std::uint32_t add = pad[i + 2 * r + 1], drop = pad[i];
            rb = rb + (add & 0x00FF00FFu) - (drop & 0x00FF00FFu);
            g = g + (add >> 8 & 0xFFu) - (drop >> 8 & 0xFFu);
        }
        return;
    }
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
inline constexpr int kBand = 16;

// One box pass down the kBand columns of `in` (h rows of kBand pixels) into
// `out`, the end rows repeated beyond; for 2r + 1 <= 257 (red and blue share a word).
inline void BoxColumns(const std::uint32_t* in, int h, int r, std::uint32_t* out) {
    const std::uint32_t scale16 = (65536u + r) / static_cast<std::uint32_t>(2 * r + 1);
    std::uint32_t rb[kBand], g[kBand];
    const auto row = [&](int y) { return in + static_cast<std::size_t>(std::clamp(y, 0, h - 1)) * kBand; };
    for (int k = 0; k < kBand; ++k) rb[k] = g[k] = 0;
    for (int i = -r; i <= r; ++i) {
        const std::uint32_t* p = row(i);
        for (int k = 0; k < kBand; ++k) {
            rb[k] += p[k] & 0x00FF00FFu;
            g[k] += p[k] >> 8 & 0xFFu;
        }
    }
    for (int y = 0; y < h; ++y) {
        const std::uint32_t *add = row(y + r + 1), *drop = row(y - r), *self = in + static_cast<std::size_t>(y) * kBand;
        std::uint32_t* o = out + static_cast<std::size_t>(y) * kBand;
        for (int k = 0; k < kBand; ++k) {
            const std::uint32_t red = std::min(255u, ((rb[k] >> 16) * scale16 + 32768u) >> 16);
            const std::uint32_t green = std::min(255u, (g[k] * scale16 + 32768u) >> 16);
            const std::uint32_t blue = std::min(255u, ((rb[k] & 0xFFFFu) * scale16 + 32768u) >> 16);
            o[k] = (self[k] & 0xFF000000u) | red << 16 | green << 8 | blue;
            rb[k] = rb[k] + (add[k] & 0x00FF00FFu) - (drop[k] & 0x00FF00FFu);
            g[k] = g[k] + (add[k] >> 8 & 0xFFu) - (drop[k] >> 8 & 0xFFu);
        }
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
    // read in one piece; with a radius of up to 128 the band's columns go
    // down side by side (a loop the compiler can vectorise).
    constexpr int kBand = blur_detail::kBand;
    std::vector<std::uint32_t> band(static_cast<std::size_t>(h) * kBand), other(band.size());
    for (int x0 = 0; x0 < w; x0 += kBand) {
        const int n = std::min(kBand, w - x0);
        for (int y = 0; y < h; ++y) {
            std::uint32_t* at = &band[static_cast<std::size_t>(y) * kBand];
            std::copy_n(plane.row(area.top + y) + area.left + x0, n, at);
            std::fill(at + n, at + kBand, at[n - 1]);
        }
        if (2 * r + 1 <= 257) {
            blur_detail::BoxColumns(band.data(), h, r, other.data());
            blur_detail::BoxColumns(other.data(), h, r, band.data());
            blur_detail::BoxColumns(band.data(), h, r, other.data());
            band.swap(other);
        } else {
            for (int k = 0; k < n; ++k) {
                blur_detail::BoxRun(&band[k], kBand, h, r, a.data(), pad.data());
                blur_detail::BoxRun(a.data(), 1, h, r, b.data(), pad.data());
                blur_detail::BoxRun(b.data(), 1, h, r, a.data(), pad.data());
                for (int y = 0; y < h; ++y) band[static_cast<std::size_t>(y) * kBand + k] = a[y];
            }
        }
        for (int y = 0; y < h; ++y)
            std::copy_n(&band[static_cast<std::size_t>(y) * kBand], n, plane.row(area.top + y) + area.left + x0);
    }
}

class BlurTool final : public AreaFilterTool {
    void Filter(const PixelPlane& surface, const Rect& area, float width) const override {
        BlurArea(surface, area, BlurRadiusFor(width, area));
    }
};

inline constexpr ToolEntry kBlurEntry{L"Draw(9)", L"Blur (B)", 'B',
    {{{GlyphPart::Oval, 2, {{3, 3}, {13, 13}}}, {GlyphPart::Oval, 2, {{5, 5}, {11, 11}}},
      {GlyphPart::FilledOval, 2, {{7, 7}, {10, 10}}}}},
    []() -> std::unique_ptr<DrawingTool> { return std::make_unique<BlurTool>(); }};

}  // namespace vellumo
