// The host's child elements: a Floater's picture pictures_(n) and label
// labels_(n), and the drop icon dropIcon_. Each tells the host of its events
// through FloaterPartsHost, given at creation.
#pragma once
#include <windows.h>

#include <string>

#include "floaters/FloaterBook.h"
#include "floaters/FloaterZoom.h"
#include "gfx/MessageLoop_win.h"
#include "gfx/Window_win.h"
#include "gfx/Geometry.h"
#include "gfx/Handles_win.h"

namespace vellumo::win {

// What the parts tell their host, and what a picture asks it while painting.
class FloaterPartsHost {
public:
    // Floater n's picture.
    virtual void OnFloaterMouseDown(int n, MouseButton button, Point local) = 0;
    virtual void OnFloaterMouseMove(int n, WPARAM keys, Point local) = 0;
    virtual void OnFloaterDoubleClick(int n) = 0;
    virtual void OnFloaterDropFiles(HDROP drop) = 0;
    // WM_MOUSEWHEEL's `wp` and `lp`.
    virtual void OnFloaterWheel(WPARAM wp, LPARAM lp) = 0;
    virtual const FloaterBook& book() const = 0;
    // Floater n's zoom, opacity and badge; null for one never wheeled.
    virtual const FloaterScale* ScaleOf(int n) const = 0;
    // The DPI the host's own parts are drawn for, and the badge's font at it.
    virtual int dpi() const = 0;
    virtual HFONT BadgeFont() const = 0;
    // A key pressed while a Floater (or the host) has the keyboard; true when it acted.
    virtual bool OnFloaterKey(WPARAM key, LPARAM flags) = 0;
    // Floater n lets the pointer through: its picture wears a small mark.
    virtual bool LetsClicksThrough(int n) const = 0;
    // Floater n's label.
    virtual void OnLabelMouseMove(int n, WPARAM keys, Point local) = 0;
    // The drop icon.
    virtual void OnDropIconMouseMove(WPARAM keys) = 0;
    virtual void OnDropIconMouseDown(MouseButton button) = 0;
    virtual void OnDropIconMoved() = 0;
    virtual void OnDropIconDropFiles(HDROP drop) = 0;

protected:
    ~FloaterPartsHost() = default;
};

// A part of the host: its host and the pointer held while the left button is down.
template <typename T>
class FloaterPart : public Window<T> {
protected:
    FloaterPartsHost* host_ = nullptr;
    int index_ = 0;  // the Floater's; 0 for the drop icon
    PointerCapture capture_;
};

// pictures_(n): shows its bitmap from the top-left; a collapsed Floater shows
// only the top-left corner.
class FloaterPicture : public FloaterPart<FloaterPicture>, public Disposable {
public:
    bool Create(FloaterPartsHost& host, HWND parent, int index, unique_hbitmap&& bitmap);
    HBITMAP bitmap() const { return bitmap_.get(); }
    // The picture replaced; the old one handed back.
    unique_hbitmap SwapBitmap(unique_hbitmap&& bitmap) {
        std::swap(bitmap, bitmap_);
        return std::move(bitmap);
    }
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);

private:
    void Paint();
    void PaintBadge(HDC dc);
    void PaintClickThroughMark(HDC dc, const RECT& client);

    unique_hbitmap bitmap_;
};

// labels_(n): "n#", white on blue; shown while its Floater is collapsed.
class FloaterLabel : public FloaterPart<FloaterLabel>, public Disposable {
public:
    bool Create(FloaterPartsHost& host, HWND parent, int index, const std::wstring& text, HFONT font);
    void SetFont(HFONT font);
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);

private:
    void Paint();

    HFONT font_ = nullptr;  // the host's
};

// dropIcon_: the drop icon, with its tooltip.
class DropIcon : public FloaterPart<DropIcon> {
public:
    bool Create(FloaterPartsHost& host, HWND parent, Point at, Size size);
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);

private:
    void Paint();
    void AddTooltip();

    unique_hwnd tip_;
};

}  // namespace vellumo::win
