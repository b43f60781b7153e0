// The host's child elements: a Floater's picture pictures_(n) and label
// labels_(n), and the drop icon dropIcon_. Each forwards its events to the host.
#pragma once
#include <windows.h>

#include <string>

#include "gfx/MessageLoop_win.h"
#include "gfx/Window_win.h"
#include "gfx/Geometry.h"
#include "gfx/Handles_win.h"

namespace vellumo::win {

class FloaterHost;

// pictures_(n): shows its bitmap from the top-left; a collapsed Floater shows
// only the top-left corner.
class FloaterPicture : public Window<FloaterPicture>, public Disposable {
public:
    bool Create(FloaterHost& host, int index, unique_hbitmap bitmap);
    HBITMAP bitmap() const { return bitmap_.get(); }
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);

private:
    PointerCapture capture_;  // while the left button is down
    void Paint();
    void PaintBadge(HDC dc);

    FloaterHost* host_ = nullptr;
    int index_ = 0;
    unique_hbitmap bitmap_;
};

// labels_(n): "n#", white on blue; shown while its Floater is collapsed.
class FloaterLabel : public Window<FloaterLabel>, public Disposable {
public:
    bool Create(FloaterHost& host, int index, const std::wstring& text, HFONT font);
    void SetFont(HFONT font);
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);

private:
    PointerCapture capture_;  // while the left button is down
    void Paint();

    FloaterHost* host_ = nullptr;
    int index_ = 0;
    HFONT font_ = nullptr;  // the host's
};

// dropIcon_: the drop icon, with its tooltip.
class DropIcon : public Window<DropIcon> {
public:
    bool Create(FloaterHost& host, Point at, Size size);
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);

private:
    PointerCapture capture_;  // while the left button is down
    void Paint();
    void AddTooltip();

    FloaterHost* host_ = nullptr;
    unique_hwnd tip_;
};

}  // namespace vellumo::win
