// Where the pin benchmark looks. A 3840 x 2160 screen of colour `frozen`
// with a band window across the top of the region to pin; the capture
// freezes it, then the root turns `live`, so that after the pin click the
// screen shows the live colour until the Floater brings the frozen picture
// back, centred. A later pin of the same process freezes another colour
// (Later()): the first Floater, beneath the new one, must not pass for it. Probes sit where the Floater appears but the overlay shows
// something else (darkened, or undarkened frozen inside the selection) and
// clear of the overlay's toolbar, handles and magnifier. A Floater painted
// upside down shows the band at its bottom: told apart, not taken for a pin.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "bench/PixelCheck.h"
#include "gfx/Geometry.h"

namespace vellumo::bench {

struct PinScene {
    Size screen{3840, 2160};
    Rect selection{40, 40, 1920, 1080};
    Rect band{40, 40, 1920, 270};  // a plain window, the top quarter of the selection
    std::uint32_t frozen = 0xC08040, live = 0x305070, bandColour = 0x3070B0;
    // The scene of a later pin: the same, frozen in another colour.
    PinScene Later() const {
        PinScene later = *this;
        later.frozen = 0x90C050;
        return later;
    }
    Rect floater() const {
        return {(screen.width - selection.width) / 2, (screen.height - selection.height) / 2, selection.width,
                selection.height};
    }
    // Where a click gives the keyboard to a Wine window before a hotkey: on
    // the band window, away from every Floater.
    Point keyboardClick() const { return {band.left + 100, band.top + 100}; }
    // The floor's button: outside every probe and the Floater.
    Rect floorButton{100, 1700, 80, 40};
    std::uint32_t floorButtonColour = 0xE0E0E0;
};

// Where the root shows once the overlay has gone: outside the selection, the
// Floater, the band and the floor's button.
inline constexpr Point kBesideFloater{3000, 1900};

struct PinProbe {
    int x = 0, y = 0;
    std::uint32_t floater = 0;  // the Floater the right way up
    std::uint32_t flipped = 0;  // the Floater upside down
    std::uint32_t overlay = 0;  // the overlay with the selection made
};

// The picture as frozen, at a point of the screen.
inline std::uint32_t FrozenAt(const PinScene& s, Point p) {
    return s.band.contains(p) ? s.bandColour : s.frozen;
}

inline std::vector<PinProbe> PinProbes(const PinScene& s) {
    const Rect f = s.floater();
    std::vector<PinProbe> out;
    // Near the Floater's corners and middle, at least 40 px inside it.
    for (const Point q : {Point{f.right() - 80, f.top + 60}, Point{f.right() - 80, f.bottom() - 40},
                          Point{f.left + 40, f.bottom() - 40}, Point{f.left + 540, f.top + 160},
                          Point{f.left + 1040, f.top + 460}}) {
        const Point src{s.selection.left + q.x - f.left, s.selection.top + q.y - f.top};
        const Point mirrored{src.x, s.selection.top + s.selection.height - 1 - (src.y - s.selection.top)};
        const std::uint32_t under = FrozenAt(s, q);
        out.push_back({q.x, q.y, FrozenAt(s, src), FrozenAt(s, mirrored),
                       s.selection.contains(q) ? under : DarkenedRgb(under)});
    }
    return out;
}

// The size the magnifier's size caption gives, "W×H" in UTF-8 (spaces
// around the sign allowed); nothing for any other text, such as the empty
// one a read that failed gives.
inline std::optional<Size> SizeInCaption(const std::string& text) {
    const auto number = [&](std::size_t& at) -> std::optional<int> {
        while (at < text.size() && text[at] == ' ') ++at;
        const std::size_t from = at;
        long long v = 0;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9' && at - from < 6) v = v * 10 + (text[at++] - '0');
        if (at == from || (at < text.size() && text[at] >= '0' && text[at] <= '9')) return std::nullopt;
        while (at < text.size() && text[at] == ' ') ++at;
        return int(v);
    };
    std::size_t at = 0;
    const std::optional<int> w = number(at);
    static const std::string times = "\xC3\x97";
    if (!w || text.compare(at, times.size(), times) != 0) return std::nullopt;
    at += times.size();
    const std::optional<int> h = number(at);
    if (!h || at != text.size()) return std::nullopt;
    return Size{*w, *h};
}

}  // namespace vellumo::bench
