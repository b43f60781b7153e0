// The overlay's child elements that are windows of their own: the sizer
// handles sizeHandles_(0)..sizeHandles_(7) and the magnifier panel magnifier_ with its captions. The
// handles tell the overlay of their pointer events through their Events.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "gfx/Window_win.h"
#include "gfx/Dib_win.h"
#include "gfx/Geometry.h"
#include "gfx/Handles_win.h"
#include "overlay/Readout.h"
#include "gfx/MonitorLayout.h"
#include "annotate/Tool.h"

namespace vellumo::win {

// The system cursor that stands for a tool's cursor.
HCURSOR SystemCursorFor(ToolCursor cursor);

class SizerHandle : public Window<SizerHandle> {
public:
    // Pointer events in the handle's own coordinates.
    struct Events {
        std::function<void(MouseButton button, Point local)> mouseDown;
        std::function<void(bool leftHeld, Point local)> mouseMove;
    };

    bool Create(HWND parent, int index, Events events);
    void MoveTo(const Rect& r);
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);

private:
    Events events_;
    int index_ = 0;
    PointerCapture capture_;
};

// A centred one-line caption, white on the panel's grey. Its text is the
// window text, so any program can read it with WM_GETTEXT. Painted here
// rather than by a STATIC control, whose class would load the common controls
// on the way to the first frame.
class Caption : public Window<Caption> {
public:
    bool Create(HWND parent, const Rect& r, const wchar_t* text, int id, HFONT font);
    void SetText(const std::wstring& text);
    void SetFont(HFONT font);
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);

private:
    HFONT font_ = nullptr;  // the panel's
    std::wstring text_;
};

class Magnifier : public Window<Magnifier> {
public:
    // Sized for a monitor at `dpi`.
    bool Create(HWND parent, const Dib& frozen, int dpi);
    // Panel, View, captions and their font sized for `dpi` (the monitor the
    // pointer is on); nothing when they already are.
    void SetDpi(int dpi);
    // The read-out after a pointer move: captions, place, View and Cross.
    // `monitors` are in the overlay's coordinates.
    void Show(Point pointer, Colour underPointer, const std::wstring& sizeText, const std::wstring& rgbText,
              const MonitorLayout& monitors);
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);

private:
    void Paint();
    void Layout();

    const Dib* frozen_ = nullptr;  // frozenScreen's picture: the clean frozen screen
    Point pointer_{};
    Colour cross_{};  // black until the first move
    bool viewDrawn_ = false;
    Point position_{};
    int dpi_ = 96;
    MagnifierSizes sizes_;
    unique_hbrush back_;
    unique_hfont font_;
    Caption sizeCaption_;
    Caption rgbCaption_;
};

}  // namespace vellumo::win
