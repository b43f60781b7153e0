#include "app/CaptureFlow.h"

namespace vellumo {

HotkeyPressPlan PlanHotkeyPress(const HotkeyPressState& state) {
    using Action = HotkeyPressPlan::Action;
    if (state.restarting) return {};
    if (state.floaterHostLoaded && state.hostTranslucent) return {Action::BackToNormal};
    HotkeyPressPlan plan{Action::Capture};
    plan.hideFloaters = state.floaterHostLoaded;
    plan.waitForRepaint = state.captureOpen || state.floaterHostShown;
    plan.showFloatersIfRefused = state.floaterHostShown;
    return plan;
}

bool RepaintWait::Over(unsigned elapsedMs, bool paintPending, bool coveredStillShown) {
    if (elapsedMs >= kMaxMs) return true;
    if (paintPending || coveredStillShown) {
        quietSince_.reset();
        return false;
    }
    if (!windowsBeneath_) return true;
    if (!quietSince_) quietSince_ = elapsedMs;
    return elapsedMs - *quietSince_ >= kQuietMs;
}

bool Beneath(const Rect& window, const std::vector<Rect>& covered) {
    for (const Rect& r : covered)
        if (!Intersect(window, r).empty()) return true;
    return false;
}

}  // namespace vellumo
