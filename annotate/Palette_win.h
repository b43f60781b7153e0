// The toolbar's colour palette: the current colour and the eighteen
// swatches, painted by the panel itself. A click on a
// swatch picks its colour; a press anywhere else drags the toolbar.
#pragma once
#include <windows.h>

#include <functional>

#include "annotate/Annotate.h"
#include "gfx/Window_win.h"
#include "gfx/Handles_win.h"

namespace vellumo::win {

// A stored colour as GDI draws it: system colours resolved.

class ColourPalette : public Window<ColourPalette> {
public:
    struct Events {
        std::function<void(int index)> ChooseColour;
        std::function<void(Point local)> panelMouseDown;  // left press off the swatches
        std::function<void(Point local)> panelMouseMove;  // with the left button held
    };
    bool Create(HWND parent, Events events);
    // Sized and painted for a monitor at `dpi`; its place in the toolbar too.
    void SetDpi(int dpi);
    // CN's fill colour.
    void SetCurrentColor(OleColor c);
    OleColor CurrentColor() const { return current_; }
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);

private:
    void Paint();
    int SwatchAt(Point p) const;
    Rect At(const Rect& designed) const;

    Events events_;
    int dpi_ = 96;
    OleColor current_ = kStartColor;
    int pressedSwatch_ = -1;
    bool dragging_ = false;
    PointerCapture capture_;
};

}  // namespace vellumo::win
