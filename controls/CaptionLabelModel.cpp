#include "controls/CaptionLabelModel.h"

#include <utility>

namespace vellumo {

Rect CaptionRect(Size box, Size caption) {
    return {FloorHalf(box.width - caption.width), FloorHalf(box.height - caption.height), caption.width,
            caption.height};
}

CaptionLabelModel::CaptionLabelModel(std::wstring name) : name_(std::move(name)) {}

void CaptionLabelModel::Changed(std::string_view name, const std::function<void()>& hook) const {
    if (hook) hook();
    if (PropertyChanged) PropertyChanged(name);
}

void CaptionLabelModel::SetBackColor(std::uint32_t c) {
    backColor_ = c;
    Changed("BackColor", Repaint);
}

void CaptionLabelModel::SetWithBorder(bool on) {
    borderStyle_ = on ? 1 : 0;
    Changed("WithBorder", Repaint);
}

void CaptionLabelModel::SetCaption(const std::wstring& text) {
    caption_ = text;
    Changed("Caption", Recentre);
}

void CaptionLabelModel::SetForeColor(std::uint32_t c) {
    foreColor_ = c;
    Changed("ForeColor", Repaint);
}

void CaptionLabelModel::SetFont(const FontDesc& f) {
    font_ = f;
    Changed("Font", Recentre);
}

void CaptionLabelModel::Leave() {
    // The flag drops first: releasing the capture reports a lost capture,
    // which must not raise a second MouseLeave.
    hovering_ = false;
    if (MouseLeave) MouseLeave();
}

CaptureRequest CaptionLabelModel::SurfaceMove(int button, int shift, float x, float y, Size scale) {
    if (x < 0 || x > static_cast<float>(scale.width) || y < 0 || y > static_cast<float>(scale.height)) {
        Leave();
        return CaptureRequest::Release;
    }
    if (MouseMove) MouseMove(button, shift, x, y);
    if (!hovering_) {
        hovering_ = true;
        if (MouseEnter) MouseEnter();
    }
    return CaptureRequest::Take;
}

void CaptionLabelModel::CaptionMove(int button, int shift, float x, float y) {
    if (MouseMove) MouseMove(button, shift, x, y);
}

void CaptionLabelModel::CaptureLost() {
    if (hovering_) Leave();
}

void CaptionLabelModel::ReadProperties(const PropertyBag& bag) {
    SetBackColor(static_cast<std::uint32_t>(bag.ReadInt("BackColor", static_cast<std::int32_t>(backColor_))));
    SetWithBorder(bag.ReadInt("WithBorder", borderStyle_) != 0);
    SetCaption(bag.ReadText("Caption", caption_));
    SetForeColor(static_cast<std::uint32_t>(bag.ReadInt("ForeColor", static_cast<std::int32_t>(foreColor_))));
    SetFont(bag.ReadFont("Font", font_));
}

void CaptionLabelModel::WriteProperties(PropertyBag& bag) const {
    bag.Write("BackColor", static_cast<std::int32_t>(backColor_), std::int32_t{0});
    bag.Write("WithBorder", std::int32_t{borderStyle_}, std::int32_t{1});
    bag.Write("Caption", caption_, name_);
    bag.Write("ForeColor", static_cast<std::int32_t>(foreColor_), std::int32_t{0});
    bag.Write("Font", font_);
}

}  // namespace vellumo
