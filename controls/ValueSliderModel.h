// The value slider's rules without a window: what Value keeps for a number,
// the pixel <-> scale mapping, the picture's geometry and stored properties.
#pragma once
#include <functional>
#include <string_view>

#include "controls/PropertyBag.h"
#include "gfx/Geometry.h"

namespace vellumo {

// The value a slider of maximum `max` keeps when set to `v`: below 0 -> 0;
// above max (unless over-max is allowed) -> max, not rounded; otherwise v
// rounded to a whole number, halves to the even neighbour.
float SliderValueFor(float v, float max, bool overMaxable);

inline constexpr float kStoredMaxDefault = 2500.0f;
inline constexpr Colour kSliderBackground{255, 255, 255};
inline constexpr Colour kSliderThumb{255, 128, 0};
inline constexpr float kThumbWidth = 20.0f;  // in value units

// Where to paint, in pixels of a control of the given size. The bar is in the
// system highlight colour.
struct SliderPicture {
    Rect bar;
    Rect thumb;  // empty when the scale is empty (Max <= 0)
};

class ValueSliderModel {
public:
    float Max() const { return max_; }
    void SetMax(float max);
    float Value() const { return value_; }
    void SetValue(float v);
    bool OverMaxable() const { return overMaxable_; }
    void SetOverMaxable(bool on);

    // Pixel x of a control `widthPx` wide -> the horizontal scale (0 at the
    // left edge, Max at the right edge; beyond the edges when x is).
    float ScaleX(float px, int widthPx) const;
    // A pointer move at scale x: with the left button (bit 1) held the value
    // follows the pointer.
    void PointerMove(int button, float x);

    SliderPicture Picture(Size px) const;

    void ReadProperties(const PropertyBag& bag);
    void WriteProperties(PropertyBag& bag) const;

    std::function<void()> Redraw;                           // the picture is stale
    std::function<void()> Change;                           // every Value set
    std::function<void(std::string_view)> PropertyChanged;  // the container is told

private:
    void Notify(std::string_view name) const {
        if (PropertyChanged) PropertyChanged(name);
    }
    void RequestRedraw() const {
        if (Redraw) Redraw();
    }

    float max_ = 100.0f;
    float value_ = 0.0f;
    bool overMaxable_ = false;
};

}  // namespace vellumo
