// The coordinator's decisions, portable so that unit tests reach them.
#pragma once
#include <string_view>

namespace vellumo {

// What the program looks like when the capture hotkey is pressed.
struct HotkeyPressState {
    bool restarting = false;               // a capture is being started already
    bool floaterHostLoaded = false;
    std::wstring_view transparencyFlag;    // the host's: "0" when normal
    bool floaterHostShown = false;
    bool captureOpen = false;
};

// What the press does.
struct HotkeyPressPlan {
    enum class Action { Ignore, BackToNormal, Capture };
    Action action = Action::Ignore;
    // Capture: the Floaters are hidden (and their keeper paused) first.
    bool hideFloaters = false;
    // Capture: other programs repaint what the closed overlay or the hidden
    // Floaters uncovered before the screen is frozen afresh.
    bool waitForRepaint = false;
    // Capture that fails (no memory for the freeze): the Floaters come back.
    bool showFloatersIfRefused = false;
};

// A translucent host returns to normal (anything but "0" counts as
// translucent); otherwise a fresh capture, the Floaters out of its picture.
// A press while a capture is being started is dropped.
HotkeyPressPlan PlanHotkeyPress(const HotkeyPressState& state);

}  // namespace vellumo
