// Tools, the toolbar beside a completed selection: the five drawing tools,
// the colour panel, the width and opacity rows, the colour and font buttons,
// and the action buttons (copy, pin, save, quit). Its background and the
// colour panel drag it. Clicks are reported to the overlay.
#pragma once
#include <windows.h>

#include <array>
#include <functional>

#include "annotate/Annotate.h"
#include "annotate/Palette_win.h"
#include "gfx/Window_win.h"
#include "controls/CenterText_win.h"
#include "controls/SValue_win.h"
#include "gfx/Handles_win.h"

namespace vellumo::win {

enum class ToolButtonId { Image1, pinimg, SavePic, Exi, Draw };

// A small owner-drawn button with a tooltip; Draw buttons carry their tool index.
class ToolButton : public Window<ToolButton> {
public:
    bool Create(HWND parent, ToolButtonId id, int index, const Rect& r, const wchar_t* name);
    ToolButtonId id() const { return id_; }
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);

private:
    void Paint();
    ToolButtonId id_ = ToolButtonId::Exi;
    int index_ = 0;
    bool pressed_ = false;
    PointerCapture capture_;
};

class ToolsPanel : public Window<ToolsPanel> {
public:
    struct Events {
        std::function<void(ToolButtonId)> action;  // copy, pin, save, quit
        std::function<void(int index)> Draw_Click;
        std::function<void(OleColor)> colourChosen;  // a swatch was clicked
        std::function<void()> MoreC_Click;
        std::function<void()> Sets_Click;
    };
    bool Create(HWND parent, Events events);
    // Tooltips need the common controls, loaded only once a toolbar is shown
    // so that starting a capture does not wait for them.
    void EnsureTooltips();

    float StrokeWidth() const { return svWid.Value(); }
    float StrokeAlpha() const { return svAlp.Value(); }
    OleColor CurrentColor() const { return Ops.CurrentColor(); }
    void SetCurrentColor(OleColor c) { Ops.SetCurrentColor(c); }
    // DownUn behind the chosen tool's button.
    void ShowChosenTool(int index);

    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);

private:
    void Paint();
    void Draw_MouseMove(int index);
    void MoveMarker(Rect& marker, int index);
    void Tools_MouseDown(Point local);
    void Tools_MouseMove(Point local);
    void OnEditCommand(HWND edit, int code);
    void svWid_Change();
    void svAlp_Change();

    Events events_;
    std::array<ToolButton, 4> buttons_;
    std::array<ToolButton, kToolCount> Draw;
    OpsPanel Ops;
    SValue svWid;
    SValue svAlp;
    CenterText MoreC;
    CenterText Sets;
    HWND txtWid = nullptr;  // children: destroyed with the panel
    HWND txtAlp = nullptr;
    HWND tooltip_ = nullptr;
    unique_hfont font_;
    Rect Under;
    Rect DownUn;
    Point PanelGrab{};
    bool dragging_ = false;
    PointerCapture capture_;
    // Set while a text box is the source of a slider change: the box keeps what
    // the user is typing and shows the slider's value once it loses the focus.
    HWND typingIn_ = nullptr;
};

}  // namespace vellumo::win
