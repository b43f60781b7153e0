// Ops, the toolbar's colour panel: the current colour CN and the eighteen
// swatches Cols(0)..Cols(17), painted by the panel itself. A click on a
// swatch picks its colour; a press anywhere else drags the toolbar.
#pragma once
#include <windows.h>

#include <functional>

#include "annotate/Annotate.h"
#include "gfx/Window_win.h"
#include "gfx/Handles_win.h"

namespace vellumo::win {

// A stored colour as GDI draws it: system colours resolved.

class OpsPanel : public Window<OpsPanel> {
public:
    struct Events {
        std::function<void(int index)> Cols_Click;
        std::function<void(Point local)> Ops_MouseDown;  // left press off the swatches
        std::function<void(Point local)> Ops_MouseMove;  // with the left button held
    };
    bool Create(HWND parent, Events events);
    // CN's fill colour.
    void SetCurrentColor(OleColor c);
    OleColor CurrentColor() const { return current_; }
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);

private:
    void Paint();
    int SwatchAt(Point p) const;

    Events events_;
    OleColor current_ = kStartColor;
    int pressedSwatch_ = -1;
    bool dragging_ = false;
    PointerCapture capture_;
};

}  // namespace vellumo::win
