// How the hotkey control's look is handed to its text box, without Windows:
// the colours, the enabled state, the border and its style, and the tooltip
// the control's owner sets are kept here and applied to the box as they are.
#pragma once
#include <string>

#include "gfx/Geometry.h"

namespace vellumo::hotkey {

// BorderStyle: 0 no border, 1 a fixed single line. Appearance: 0 flat, 1 3D.
inline constexpr int kBorderNone = 0, kBorderSingle = 1;
inline constexpr int kAppearanceFlat = 0, kAppearance3D = 1;

struct Look {
    OleColor backColor = kSysWindowColor;    // the system's window background
    OleColor foreColor = 0x80000008u;        // the system's window text
    bool enabled = true;
    int borderStyle = kBorderSingle;
    int appearance = kAppearance3D;
    std::wstring toolTipText;                // none when empty
    friend bool operator==(const Look&, const Look&) = default;
};

// The frame a text box draws for a border style and appearance: a sunken
// 3D edge, a flat one-pixel line, or nothing. A value other than 0 counts
// as 1 in both, as the properties have always read them.
struct EditFrame {
    bool sunken = false;
    bool line = false;
    friend bool operator==(const EditFrame&, const EditFrame&) = default;
};
constexpr EditFrame FrameFor(int borderStyle, int appearance) {
    if (borderStyle == kBorderNone) return {};
    return appearance == kAppearanceFlat ? EditFrame{false, true} : EditFrame{true, false};
}

}  // namespace vellumo::hotkey
