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

std::array<Point, 5> CoveredSamplePoints(const Rect& r) {
    const int w = r.width, h = r.height;
    const int left = r.left + w / 4, right = r.right() - 1 - w / 4;
    const int top = r.top + h / 4, bottom = r.bottom() - 1 - h / 4;
    return {{{r.left + w / 2, r.top + h / 2}, {left, top}, {right, top}, {left, bottom}, {right, bottom}}};
}

}  // namespace vellumo
