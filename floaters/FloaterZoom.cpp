#include "floaters/FloaterZoom.h"

#include <algorithm>
#include <cmath>

namespace vellumo {

namespace {
int ZoomedSide(int side, int percent) {
    if (side <= 0) return 0;
    return int(std::max<std::int64_t>(1, (std::int64_t(side) * percent + 50) / 100));
}

// The highest zoom step that keeps both sides within kMaxZoomedSide; the
// lowest step when even that is too large.
int HighestZoomFor(Size natural) {
    for (int p = kZoomMaxPercent; p > kZoomMinPercent; p -= kZoomStepPercent) {
        if (ZoomedSide(natural.width, p) <= kMaxZoomedSide && ZoomedSide(natural.height, p) <= kMaxZoomedSide)
            return p;
    }
    return kZoomMinPercent;
}

// Stepping towards `target`, bounded by [low, high], but never moving the
// other way when `percent` already lies outside them.
int StepWithin(int percent, int notches, int step, int low, int high) {
    const int target = percent + std::clamp(notches, -1000, 1000) * step;
    if (notches > 0) return std::max(percent, std::min(target, high));
    if (notches < 0) return std::min(percent, std::max(target, low));
    return percent;
}

int Round(double v) { return int(std::floor(v + 0.5)); }
}  // namespace

int WheelNotches::Add(int delta) {
    if ((delta > 0 && partial_ < 0) || (delta < 0 && partial_ > 0)) partial_ = 0;
    partial_ += std::clamp(delta, -1000 * kWheelDelta, 1000 * kWheelDelta);
    const int notches = partial_ / kWheelDelta;
    partial_ -= notches * kWheelDelta;
    return notches;
}

int StepZoom(int percent, int notches, Size natural) {
    return StepWithin(percent, notches, kZoomStepPercent, kZoomMinPercent, HighestZoomFor(natural));
}

Size ZoomedSize(Size natural, int percent) {
    return {ZoomedSide(natural.width, percent), ZoomedSide(natural.height, percent)};
}

int StepOpacity(int percent, int notches) {
    return StepWithin(percent, notches, kOpacityStepPercent, kOpacityMinPercent, kOpacityMaxPercent);
}

std::wstring PercentText(int percent) { return std::to_wstring(percent) + L"%"; }

std::uint8_t OwnAlpha(int opacityPercent) {
    const int p = std::clamp(opacityPercent, 0, 100);
    return static_cast<std::uint8_t>((p * 255 + 50) / 100);
}

std::uint8_t SeenAlpha(int opacityPercent, const LayerMode& host) {
    const int own = OwnAlpha(opacityPercent);
    if (host.colourKey) return static_cast<std::uint8_t>(own);
    return static_cast<std::uint8_t>((own * host.alpha + 127) / 255);
}

bool FloaterScale::WheelZoom(int delta, Rect& shown, Size natural, Point pointer, bool collapsed,
                             std::uint64_t nowMs) {
    if (collapsed) {
        zoomWheel_.Reset();
        return false;
    }
    const int next = StepZoom(zoom_, zoomWheel_.Add(delta), natural);
    if (next == zoom_) return false;
    if (!originKnown_ || rounded_ != Point{shown.left, shown.top}) {
        originX_ = shown.left;
        originY_ = shown.top;
    }
    // The centre of the pixel under the pointer stays where it is.
    const double px = pointer.x + 0.5, py = pointer.y + 0.5;
    originX_ = px - (px - originX_) * next / zoom_;
    originY_ = py - (py - originY_) * next / zoom_;
    rounded_ = {Round(originX_), Round(originY_)};
    originKnown_ = true;
    const Size size = ZoomedSize(natural, next);
    shown = {rounded_.x, rounded_.y, size.width, size.height};
    zoom_ = next;
    badge_.Show(PercentText(next), nowMs, kPercentShowMs);
    return true;
}

bool FloaterScale::WheelOpacity(int delta, std::uint64_t nowMs) {
    const int next = StepOpacity(opacity_, opacityWheel_.Add(delta));
    if (next == opacity_) return false;
    opacity_ = next;
    badge_.Show(PercentText(next), nowMs, kPercentShowMs);
    return true;
}

Rect FloaterScale::Expanded(const Rect& collapsed, Size natural) const {
    const Size size = ZoomedSize(natural, zoom_);
    return {collapsed.left, collapsed.top, size.width, size.height};
}

void FloaterScale::Restore(int zoomPercent, int opacityPercent) {
    zoom_ = std::clamp(zoomPercent, kZoomMinPercent, kZoomMaxPercent);
    opacity_ = std::clamp(opacityPercent, kOpacityMinPercent, kOpacityMaxPercent);
    originKnown_ = false;
}

}  // namespace vellumo
