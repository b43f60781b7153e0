// toolbar_, the toolbar beside a completed selection: the five drawing tools,
// the colour panel, the width and opacity rows, the colour and font buttons,
// and the action buttons (copy, pin, save, quit). Its background and the
// colour panel drag it. Clicks are reported to the overlay.
#pragma once
#include <windows.h>

#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "annotate/Annotate.h"
#include "annotate/Palette_win.h"
#include "gfx/Window_win.h"
#include "controls/CaptionLabel_win.h"
#include "controls/ValueSlider_win.h"
#include "gfx/Handles_win.h"

namespace vellumo::win {

enum class ToolButtonId { Copy, Pin, Save, Quit, Tool };

// A small owner-drawn button with a tooltip; toolButtons_ buttons carry their tool index.
class ToolButton : public Window<ToolButton> {
public:
    struct Events {
        std::function<void()> clicked;  // released over the button it was pressed on
        std::function<void()> hovered;  // the pointer moved over it
    };
    bool Create(HWND parent, ToolButtonId id, int index, const Rect& r, const wchar_t* name, Events events);
    // Moved to `r` (toolbar pixels) with its glyph drawn for `dpi`.
    void Place(const Rect& r, int dpi);
    // A tool button shows its tool's option glyph while the option is on.
    void ShowOption(bool on);
    ToolButtonId id() const { return id_; }
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);

private:
    void Paint();
    ToolButtonId id_ = ToolButtonId::Quit;
    int index_ = 0;
    int dpi_ = 96;
    Events events_;
    bool pressed_ = false;
    bool optionOn_ = false;
    PointerCapture capture_;
};

class Toolbar : public Window<Toolbar> {
public:
    struct Events {
        std::function<void(ToolButtonId)> action;  // copy, pin, save, quit
        std::function<void(int index)> ChooseTool;
        std::function<void(OleColor)> colourChosen;  // a swatch was clicked
        std::function<void()> PickMoreColours;
        std::function<void()> PickFont;
    };
    // Laid out for a monitor at `dpi`.
    bool Create(HWND parent, Events events, int dpi);
    // Every part sized for `dpi` again (the selection moved to a monitor at
    // another DPI, or its DPI changed); nothing when it already is.
    void SetDpi(int dpi);
    int dpi() const { return dpi_; }
    // Tooltips need the common controls, loaded only once a toolbar is shown
    // so that starting a capture does not wait for them.
    void EnsureTooltips();

    float StrokeWidth() const { return widthSlider_.Value(); }
    // The wheel turned `notches` over the selection: the width slider and its box follow.
    void WheelWidth(int notches, bool shift);
    float StrokeAlpha() const { return opacitySlider_.Value(); }
    OleColor CurrentColor() const { return palette_.CurrentColor(); }
    void SetCurrentColor(OleColor c) { palette_.SetCurrentColor(c); }
    // chosenMarker_ behind the chosen tool's button.
    void ShowChosenTool(int index);
    // Tool `index`'s button shows whether its option is on.
    void ShowToolOption(int index, bool on);

    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);

private:
    void Layout();
    Rect At(const Rect& designed) const;
    void Paint();
    void OnToolButtonHover(int index);
    ToolButton::Events ButtonEvents(ToolButtonId id, int index);
    void MoveMarker(Rect& marker, int index);
    void OnPanelMouseDown(Point local);
    void OnPanelMouseMove(Point local);
    void OnEditCommand(HWND edit, int code);
    void OnWidthChanged();
    void OnOpacityChanged();

    Events events_;
    std::array<ToolButton, 4> buttons_;
    std::vector<std::unique_ptr<ToolButton>> toolButtons_;  // one per row of the tool table
    ColourPalette palette_;
    ValueSlider widthSlider_;
    ValueSlider opacitySlider_;
    CaptionLabel moreColoursLabel_;
    CaptionLabel fontLabel_;
    HWND widthBox_ = nullptr;  // children: destroyed with the panel
    HWND opacityBox_ = nullptr;
    HWND tooltip_ = nullptr;
    unique_hfont font_;
    int dpi_ = 96;
    // The markers in 96-DPI toolbar pixels, scaled where they are drawn.
    Rect hoverMarker_;
    Rect chosenMarker_;
    Point grabOffset_{};
    bool dragging_ = false;
    PointerCapture capture_;
    // Set while a text box is the source of a slider change: the box keeps what
    // the user is typing and shows the slider's value once it loses the focus.
    HWND typingIn_ = nullptr;
};

}  // namespace vellumo::win
