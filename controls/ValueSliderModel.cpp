#include "controls/ValueSliderModel.h"

#include <algorithm>
#include <cmath>

namespace vellumo {

float SliderValueFor(float v, float max, bool overMaxable) {
    if (std::isnan(v) || v < 0) return 0.0f;
    if (v > max && !overMaxable) return max;
    // rint follows the default rounding mode, round-half-to-even; + 0 turns -0 into 0.
    return std::rint(v) + 0.0f;
}

void ValueSliderModel::SetMax(float max) {
    max_ = max;
    RequestRedraw();
    Notify("Max");
}

void ValueSliderModel::SetValue(float v) {
    value_ = SliderValueFor(v, max_, overMaxable_);
    RequestRedraw();
    if (Change) Change();
    Notify("Value");
}

void ValueSliderModel::SetOverMaxable(bool on) {
    overMaxable_ = on;
    Notify("OverMaxable");
}

float ValueSliderModel::ScaleX(float px, int widthPx) const {
    if (widthPx <= 0) return 0.0f;
    return px * max_ / static_cast<float>(widthPx);
}

void ValueSliderModel::PointerMove(int button, float x) {
    if (button & 1) SetValue(x);
}

SliderPicture ValueSliderModel::Picture(Size px) const {
    SliderPicture p;
    p.bar = {0, px.height / 3, px.width, px.height / 4};
    if (max_ <= 0 || px.width <= 0) return p;
    const double perUnit = static_cast<double>(px.width) / max_;
    // Kept well inside int range: an over-max thumb far off the right edge
    // is out of sight either way.
    const auto at = [&](double units) {
        const double x = std::clamp(units * perUnit, -1e6, 1e6);
        return static_cast<int>(std::lround(x));
    };
    const int left = at(value_ - kThumbWidth / 2), right = at(value_ + kThumbWidth / 2);
    p.thumb = {left, 0, right - left, px.height};
    return p;
}

void ValueSliderModel::ReadProperties(const PropertyBag& bag) {
    float max = bag.ReadFloat("Max", kStoredMaxDefault);
    if (max == 0) max = kStoredMaxDefault;
    SetMax(max);
    SetValue(bag.ReadFloat("Value", 0.0f));
    SetOverMaxable(bag.ReadBool("OverMaxable", false));
}

void ValueSliderModel::WriteProperties(PropertyBag& bag) const {
    bag.Write("Max", max_, kStoredMaxDefault);
    bag.Write("Value", value_, 0.0f);
    bag.Write("OverMaxable", overMaxable_, false);
}

}  // namespace vellumo
