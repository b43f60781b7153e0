// The coordinator's decisions, portable so that unit tests reach them.
#pragma once
#include <array>
#include <optional>
#include <vector>

#include "gfx/Geometry.h"

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

// The wait, before a fresh freeze, for other programs to repaint what the
// hidden Floaters or the closed overlay uncovered. Over once the screen no
// longer shows what the Floaters showed where they were (pixels sampled
// before they hid) and no window has had anything left to paint for
// kQuietMs (the last painter's pixels reach the screen as it goes idle, and
// an uncovering told to a program late shows as paint pending again); never
// longer than kMaxMs. With no window beneath what was hidden, the screen
// there is the desktop's background, painted by the system as the Floaters
// go: the first look that no longer shows their pixels ends the wait.
class RepaintWait {
public:
    static constexpr unsigned kMaxMs = 150;
    static constexpr unsigned kQuietMs = 10;
    explicit RepaintWait(bool windowsBeneath = true) : windowsBeneath_(windowsBeneath) {}
    // One look, `elapsedMs` into the wait: whether it is over.
    // `coveredStillShown`: a sampled pixel still shows what a Floater showed.
    bool Over(unsigned elapsedMs, bool paintPending, bool coveredStillShown = false);

private:
    bool windowsBeneath_;
    std::optional<unsigned> quietSince_;
};

// Whether a window standing at `window` lies beneath one of the hidden
// Floaters at `covered`: one that only touches an edge does not.
bool Beneath(const Rect& window, const std::vector<Rect>& covered);

// Where a shown Floater standing at `r` is sampled before it hides: the
// centre and four points a quarter in from the corners, all inside it. A
// Floater is rarely the same colour at all five as what lies beneath it.
std::array<Point, 5> CoveredSamplePoints(const Rect& r);

}  // namespace vellumo
