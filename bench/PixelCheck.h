// What the overlay surface must hold after a redraw, worked out here on its own
// rather than through the code being measured: inside the frame (clipped to the
// screen) the clean frozen screen, elsewhere each channel c as (c*85+127)/255,
// i.e. black at alpha 170 over it. Only the colour bytes count; the top byte of
// a 32-bit screen pixel carries nothing.
#pragma once
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

namespace vellumo::bench {

inline std::uint32_t DarkenedRgb(std::uint32_t p) {
    std::uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const std::uint32_t c = (p >> shift) & 255;
        out |= ((c * 85 + 127) / 255) << shift;
    }
    return out;
}

struct PixelMismatch {
    int x = 0, y = 0;
    std::uint32_t got = 0, want = 0;  // 0x00RRGGBB
    bool insideFrame = false;
};

// surface and clean: top-down rows of `width` pixels. frame: left, top, width, height.
inline std::optional<PixelMismatch> FirstMismatch(const std::uint32_t* surface, const std::uint32_t* clean,
                                                  int width, int height, int fl, int ft, int fw, int fh) {
    const int l = std::clamp(fl, 0, width), r = std::clamp(fl + std::max(fw, 0), 0, width);
    const int t = std::clamp(ft, 0, height), b = std::clamp(ft + std::max(fh, 0), 0, height);
    for (int y = 0; y < height; ++y) {
        const std::uint32_t* s = surface + std::size_t(y) * width;
        const std::uint32_t* c = clean + std::size_t(y) * width;
        for (int x = 0; x < width; ++x) {
            const bool inside = x >= l && x < r && y >= t && y < b;
            const std::uint32_t want = inside ? (c[x] & 0xFFFFFFu) : DarkenedRgb(c[x]);
            const std::uint32_t got = s[x] & 0xFFFFFFu;
            if (got != want) return PixelMismatch{x, y, got, want, inside};
        }
    }
    return std::nullopt;
}

inline std::string Describe(const PixelMismatch& m) {
    char buf[128];
    std::snprintf(buf, sizeof buf, "pixel (%d,%d) %s the frame is %06X, should be %06X", m.x, m.y,
                  m.insideFrame ? "inside" : "outside", unsigned(m.got), unsigned(m.want));
    return buf;
}

}  // namespace vellumo::bench
