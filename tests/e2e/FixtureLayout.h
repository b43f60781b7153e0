// What vfixture.exe shows, shared by the fixture itself and the native tests
// that check its pixels. Plain C++: no platform headers.
#pragma once

namespace vellumo::e2e {

struct Rgb {
    int r, g, b;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// Client-relative placement of a fixture part (the top-level's own is given
// on the command line).
struct PartRect {
    int left, top, width, height;
};

inline constexpr wchar_t kFixtureClass[] = L"VellumoFixture";
inline constexpr wchar_t kFixturePartClass[] = L"VellumoFixturePart";

// Control ids of the parts. kNested lives inside kPanelA.
inline constexpr int kPanelA = 101;
inline constexpr int kNested = 102;
inline constexpr int kPanelB = 103;

inline constexpr PartRect kPanelARect{20, 20, 200, 150};   // in the top-level
inline constexpr PartRect kNestedRect{30, 30, 80, 60};     // in panel A
inline constexpr PartRect kPanelBRect{240, 20, 140, 100};  // in the top-level

// Two palettes: the fixture starts with 0 and switches on kMsgPalette.
struct Palette {
    Rgb top, panelA, nested, panelB;
};
inline constexpr Palette kPalettes[2] = {
    {{40, 160, 220}, {240, 200, 40}, {60, 200, 90}, {230, 110, 200}},
    {{120, 40, 160}, {250, 250, 250}, {20, 20, 120}, {150, 230, 230}},
};

// Messages the fixture's top-level understands (posted by vprobe).
inline constexpr unsigned kMsgPalette = 0x8000 + 1;       // WM_APP+1, wParam = palette index
inline constexpr unsigned kMsgDestroyPart = 0x8000 + 2;   // WM_APP+2, wParam = control id
inline constexpr unsigned kMsgBusy = 0x8000 + 3;          // WM_APP+3, wParam = ms its thread sleeps

}  // namespace vellumo::e2e
