// The coordinator's decisions, portable so that unit tests reach them.
#pragma once
namespace vellumo {

// What the program looks like when the capture hotkey is pressed.
struct HotkeyPressState {
    bool restarting = false;               // a capture is being started already
    bool floaterHostLoaded = false;
    bool hostTranslucent = false;          // the whole host shows at an alpha
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

// A translucent host returns to normal; otherwise a fresh capture, the Floaters out of its picture.
// A press while a capture is being started is dropped.
HotkeyPressPlan PlanHotkeyPress(const HotkeyPressState& state);

}  // namespace vellumo
