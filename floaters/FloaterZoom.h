// A Floater's zoom and its own opacity, changed by the mouse wheel (the wheel
// zooms, Ctrl+wheel fades), and the percentage shown while they change. The
// picture itself is never rescaled: its shown size is always derived from the
// natural size and the zoom, so going back to 100% shows it pixel for pixel.
#pragma once
#include <cstdint>
#include <string>

#include "floaters/FloaterBook.h"
#include "gfx/Geometry.h"
#include "gfx/TimedText.h"

namespace vellumo {

inline constexpr int kWheelDelta = 120;  // one notch (WHEEL_DELTA)
inline constexpr int kZoomMinPercent = 10, kZoomMaxPercent = 500, kZoomStepPercent = 10;
inline constexpr int kOpacityMinPercent = 20, kOpacityMaxPercent = 100, kOpacityStepPercent = 10;
// No zoom makes a side longer than this: GDI's 16-bit coordinate paths (and
// Windows 9x-era window sizes) end at 32767.
inline constexpr int kMaxZoomedSide = 32767;
inline constexpr std::uint32_t kPercentShowMs = 1000;

// Whole notches out of wheel deltas: high-resolution wheels and touchpads send
// parts of a notch, which add up; turning the other way drops the part
// gathered in the old direction.
class WheelNotches {
public:
    int Add(int delta);
    void Reset() { partial_ = 0; }

private:
    int partial_ = 0;
};

// The zoom `notches` steps from `percent`, within 10%..500% and within what
// keeps both sides of `natural` at most kMaxZoomedSide.
int StepZoom(int percent, int notches, Size natural);
// natural x percent / 100, rounded to the nearest pixel, at least 1 x 1.
Size ZoomedSize(Size natural, int percent);
// The opacity `notches` steps from `percent`, within 20%..100%.
int StepOpacity(int percent, int notches);
// "110%".
std::wstring PercentText(int percent);

// The alpha (0..255) of the Floater's own opacity, and what the user sees
// once the menu's all-Floaters translucency (the host's LayerMode) is laid
// over it: the two multiply.
std::uint8_t OwnAlpha(int opacityPercent);
std::uint8_t SeenAlpha(int opacityPercent, const LayerMode& host);

// One Floater's zoom and opacity state.
class FloaterScale {
public:
    int zoom() const { return zoom_; }
    int opacity() const { return opacity_; }
    const TimedText& badge() const { return badge_; }

    // A wheel turn over the Floater, whose picture shows at `shown`, with the
    // pointer at `pointer` (same coordinates). True when the zoom changed;
    // `shown` then holds the new rectangle, sized from `natural`, placed so
    // the picture point under the pointer stays under it. A collapsed
    // Floater keeps its thumbnail and ignores the wheel.
    bool WheelZoom(int delta, Rect& shown, Size natural, Point pointer, bool collapsed, std::uint64_t nowMs);
    // Ctrl+wheel: true when the opacity changed.
    bool WheelOpacity(int delta, std::uint64_t nowMs);
    // Where an expanded Floater's picture goes: its place kept, its size
    // that of the zoom (a collapse and expand keep the zoom).
    Rect Expanded(const Rect& collapsed, Size natural) const;
    // A kept Floater brought back: its zoom and opacity as they were (each
    // brought into its range), no badge.
    void Restore(int zoomPercent, int opacityPercent);

private:
    int zoom_ = 100;
    int opacity_ = kOpacityMaxPercent;
    WheelNotches zoomWheel_;
    WheelNotches opacityWheel_;
    // The picture's top-left before rounding: zooming in and back out around
    // the same pointer returns to the same pixel. Re-taken from the shown
    // rectangle when that moved (a drag).
    double originX_ = 0, originY_ = 0;
    Point rounded_{};
    bool originKnown_ = false;
    TimedText badge_;
};

}  // namespace vellumo
