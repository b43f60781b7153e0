// Where the start-to-overlay benchmark looks: a known root colour, one plain
// window under the pointer, and the few pixels whose colour tells that the
// darkened overlay is up. Probes keep clear of everything the overlay draws
// besides the darkening: the highlight border around the detected window
// (up to 4 px outside it), the magnifier at its start spot (8,0) and beside
// the pointer (130 x 161, 20 px to the lower right or flipped).
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/PixelCheck.h"
#include "gfx/Geometry.h"

namespace vellumo::bench {

struct StartScene {
    Size screen;
    std::uint32_t background = 0;  // 0xRRGGBB
    Rect window;
    std::uint32_t windowColour = 0;
    Point pointer;
};

struct Probe {
    int x = 0, y = 0;
    std::uint32_t before = 0;   // the screen without the overlay
    std::uint32_t overlay = 0;  // with the overlay up
};

inline StartScene SceneFor(int width, int height) {
    StartScene s;
    s.screen = {width, height};
    s.background = 0xC08040;
    s.window = {width / 8, height / 8, width / 5, height / 5};
    s.windowColour = 0x3070B0;
    s.pointer = {s.window.left + s.window.width / 2, s.window.top + s.window.height / 2};
    return s;
}

// keepsWindowClear: the program leaves the window under the pointer undimmed
// (vellumo does; the floor darkens everything).
inline std::vector<Probe> ProbesFor(const StartScene& s, bool keepsWindowClear) {
    const int w = s.screen.width, h = s.screen.height;
    std::vector<Probe> p;
    for (const Point q : {Point{w * 3 / 4, h / 4}, Point{w * 3 / 4, h * 3 / 4}, Point{w / 4, h * 3 / 4}})
        p.push_back({q.x, q.y, s.background, DarkenedRgb(s.background)});
    // Inside the window, away from its edges and from the magnifier's corner.
    const Point in{s.window.left + 10, s.window.top + 10};
    p.push_back({in.x, in.y, s.windowColour, keepsWindowClear ? s.windowColour : DarkenedRgb(s.windowColour)});
    return p;
}

inline std::string HexRgb(std::uint32_t rgb) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%06X", unsigned(rgb & 0xFFFFFFu));
    return buf;
}

}  // namespace vellumo::bench
