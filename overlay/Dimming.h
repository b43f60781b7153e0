// The darkening outside the selection: black at alpha 170 over the frozen
// screen, the frozen screen unchanged inside the frame. The overlay keeps a
// dimmed copy of the frozen screen made once at load, so every redraw is plain
// row copies from two prepared images, and only the rows and columns whose look
// changes since the last redraw are touched.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

#include "gfx/Geometry.h"
#include "gfx/PixelPlane.h"

namespace vellumo {

inline constexpr std::uint32_t kDimAlpha = 170;

// The part of the frame that shows undimmed: the frame clipped to the screen.
// (Clamping left and width each on its own would leave a strip beyond a frame
// that starts off-screen undimmed; intersecting keeps the clear area exactly
// the frame's visible part.)
Rect ClearArea(const Rect& frame, Size screen);

// One channel under black at alpha 170: c * 85 / 255, rounded.
constexpr std::uint8_t DimChannel(std::uint32_t c) {
    return static_cast<std::uint8_t>((c * (255 - kDimAlpha) + 127) / 255);
}
// Every byte of `count` 32-bit pixels through DimChannel.
void DimPixels(const std::uint32_t* src, std::uint32_t* dst, std::size_t count);

// Rewrites `area` of dst: pixels inside `clear` from clean, the rest from dimmed.
// All three planes have the screen's size; area is clipped to it.
void ComposeDimmed(const PixelPlane& dst, const PixelPlane& clean, const PixelPlane& dimmed,
                   const Rect& clear, const Rect& area);
template <std::size_t N>
void ComposeDimmed(const PixelPlane& dst, const PixelPlane& clean, const PixelPlane& dimmed,
                   const Rect& clear, const std::array<Rect, N>& areas) {
    for (const Rect& a : areas) ComposeDimmed(dst, clean, dimmed, clear, a);
}

// Writes all of dst from clean: unchanged inside `clear`, darkened outside.
// For a first frame, before any dimmed copy exists.
void ComposeDimmedFrom(const PixelPlane& dst, const PixelPlane& clean, const Rect& clear);

// Remembers what the surface shows, to tell the next redraw which part to rewrite.
class DimTracker {
public:
    // The surface's content is unknown at first: the first redraw rewrites all.
    explicit DimTracker(Size screen);
    // The surface now shows the clean frozen screen: clear everywhere.
    void ResetToClean();
    bool known() const { return known_; }
    // Something was drawn over this area (annotations); the next redraw wipes it.
    void MarkDirty(const Rect& r);
    // The areas the next redraw rewrites: the old clear area (which darkens),
    // the new one (which clears) and whatever was drawn over. Any may be
    // empty; they may overlap. Two separate rectangles touch far less than
    // their bounding box when the frame jumps between distant windows.
    using Areas = std::array<Rect, 3>;
    // Records the new clear area and returns what to rewrite.
    Areas Update(const Rect& newClear);
    const Rect& shownClear() const { return shown_; }
    const Rect& dirty() const { return dirty_; }

private:
    Size screen_;
    bool known_ = false;
    Rect shown_;
    Rect dirty_;
};

}  // namespace vellumo
