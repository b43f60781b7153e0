// The caption label's rules without a window: caption centring, the hover
// state machine for pointer moves, and stored properties.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "controls/PropertyBag.h"
#include "gfx/Geometry.h"

namespace vellumo {

// Colours are stored as 0x00BBGGRR or 0x800000nn (system colour nn).
inline constexpr std::uint32_t kCenterTextBackDefault = 0x80000005u;  // window colour
inline constexpr std::uint32_t kCenterTextForeDefault = 0x80000012u;  // button text

// The caption's place: left = W/2 - capW/2, top = H/2 - capH/2 (rounded down).
Rect CaptionRect(Size box, Size caption);

// What a pointer move asks of the pointer capture.
enum class CaptureRequest { None, Take, Release };

class CaptionLabelModel {
public:
    explicit CaptionLabelModel(std::wstring name = L"CenterText");

    const std::wstring& Name() const { return name_; }

    std::uint32_t BackColor() const { return backColor_; }
    void SetBackColor(std::uint32_t c);
    bool WithBorder() const { return borderStyle_ != 0; }
    void SetWithBorder(bool on);
    const std::wstring& Caption() const { return caption_; }
    void SetCaption(const std::wstring& text);
    std::uint32_t ForeColor() const { return foreColor_; }
    void SetForeColor(std::uint32_t c);
    const FontDesc& Font() const { return font_; }
    void SetFont(const FontDesc& f);

    // A move over the control's own surface at (x, y) of a box `scale` big.
    // Outside the box (seen only while holding the capture): MouseLeave and
    // release. Inside: MouseMove, then MouseEnter when not yet hovering,
    // then take the capture (on every move, so the move out is still seen).
    CaptureRequest SurfaceMove(int button, int shift, float x, float y, Size scale);
    // A move over the caption: only MouseMove.
    void CaptionMove(int button, int shift, float x, float y);
    // Someone else took the capture: the move out will not be seen.
    void CaptureLost();
    bool Hovering() const { return hovering_; }

    void ReadProperties(const PropertyBag& bag);
    void WriteProperties(PropertyBag& bag) const;

    std::function<void()> Repaint;   // colours or frame changed
    std::function<void()> Recentre;  // caption text or font changed
    std::function<void(std::string_view)> PropertyChanged;
    std::function<void()> MouseEnter, MouseLeave;
    std::function<void(int button, int shift, float x, float y)> MouseMove;

private:
    void Changed(std::string_view name, const std::function<void()>& hook) const;
    void Leave();

    std::wstring name_;
    std::uint32_t backColor_ = kCenterTextBackDefault;
    int borderStyle_ = 1;
    std::wstring caption_ = L"CenterText";
    std::uint32_t foreColor_ = kCenterTextForeDefault;
    FontDesc font_;
    bool hovering_ = false;
};

}  // namespace vellumo
