// CaptionLabel: the caption label as a child window. The caption Cap is
// painted by the control itself, centred; CaptionLabelModel decides the
// hover events and capture.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "gfx/Window_win.h"
#include "controls/CaptionLabelModel.h"
#include "gfx/Handles_win.h"

namespace vellumo::win {

// A LOGFONTW for `face` at `points` on the screen; the font mapper quietly
// substitutes a face that is not installed.
LOGFONTW LogFontFor(const std::wstring& face, float points, bool bold = false);
FontDesc FontDescOf(const LOGFONTW& lf);
LOGFONTW LogFontOf(const FontDesc& f);

class CaptionLabel : public Window<CaptionLabel> {
public:
    CaptionLabel();

    // A visible child of `parent`, framed, in the system window colour.
    bool Create(HWND parent, int x, int y, int w, int h, const std::wstring& caption);

    // 0x00BBGGRR, or 0x800000nn for system colour nn.
    void SetBackColor(uint32_t oleColor) { model_.SetBackColor(oleColor); }
    uint32_t BackColor() const { return model_.BackColor(); }
    void SetForeColor(uint32_t oleColor) { model_.SetForeColor(oleColor); }
    uint32_t ForeColor() const { return model_.ForeColor(); }
    void SetWithBorder(bool on) { model_.SetWithBorder(on); }
    bool WithBorder() const { return model_.WithBorder(); }
    void SetCaption(const std::wstring& text) { model_.SetCaption(text); }
    const std::wstring& Caption() const { return model_.Caption(); }
    void SetFont(const LOGFONTW& lf);  // re-centres
    FontDesc Font() const { return model_.Font(); }

    // Where Cap sits now, in client pixels.
    RECT CaptionBox() const;

    CaptionLabelModel& model() { return model_; }

    std::function<void()> Click, DblCilck, MouseEnter, MouseLeave;
    // X, Y in client pixels.
    std::function<void(int button, int shift, float x, float y)> MouseDown, MouseMove, MouseUp;

    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);

private:
    PointerCapture capture_;  // while the left button is down
    void Paint();
    void OnModelFont();
    void ApplyBorder();
    void Invalidate();
    void OnMove(WPARAM wp, LPARAM lp);

    CaptionLabelModel model_;
    LOGFONTW logFont_{};
    unique_hfont font_;
    SIZE captionSize_{};
    bool leftPressed_ = false;
};

}  // namespace vellumo::win
