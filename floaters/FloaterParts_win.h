// The host's child elements: a Floater's picture Picture1(n) and label
// Text1(n), and the drop icon getimg. Each forwards its events to the host.
#pragma once
#include <windows.h>

#include <string>

#include "app/App_win.h"
#include "app/Window_win.h"
#include "gfx/Geometry.h"
#include "gfx/Handles_win.h"

namespace vellumo::win {

class Hoverdeck;

// Picture1(n): shows its bitmap from the top-left; a collapsed Floater shows
// only the top-left corner.
class FloaterPicture : public Window<FloaterPicture>, public Disposable {
public:
    bool Create(Hoverdeck& host, int index, unique_hbitmap bitmap);
    HBITMAP bitmap() const { return bitmap_.get(); }
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);

private:
    void Paint();
    void PaintBadge(HDC dc);

    Hoverdeck* host_ = nullptr;
    int index_ = 0;
    unique_hbitmap bitmap_;
};

// Text1(n): "n#", white on blue; shown while its Floater is collapsed.
class FloaterLabel : public Window<FloaterLabel>, public Disposable {
public:
    bool Create(Hoverdeck& host, int index, const std::wstring& text, HFONT font);
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);

private:
    void Paint();

    Hoverdeck* host_ = nullptr;
    int index_ = 0;
    HFONT font_ = nullptr;  // the host's
};

// getimg: the drop icon, with its tooltip.
class DropIcon : public Window<DropIcon> {
public:
    bool Create(Hoverdeck& host, Point at);
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);

private:
    void Paint();
    void AddTooltip();

    Hoverdeck* host_ = nullptr;
    unique_hwnd tip_;
};

}  // namespace vellumo::win
