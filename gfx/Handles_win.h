// Every handle kind the program owns, as move-only wrappers. DeleteObject,
// DeleteDC, ReleaseDC, EndPaint and the GDI+ deleters appear nowhere else.
#pragma once
#include <windows.h>

#include <utility>

#include "gfx/GdiPlus_win.h"
#include "gfx/Shell_win.h"

namespace vellumo::win {

template <typename T, auto Close, T Invalid = T{}>
class Unique {
public:
    Unique() = default;
    explicit Unique(T h) : h_(h) {}
    Unique(Unique&& o) noexcept : h_(std::exchange(o.h_, Invalid)) {}
    Unique& operator=(Unique&& o) noexcept {
        if (this != &o) reset(std::exchange(o.h_, Invalid));
        return *this;
    }
    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;
    ~Unique() { reset(); }

    T get() const { return h_; }
    explicit operator bool() const { return h_ != Invalid; }
    void reset(T h = Invalid) {
        if (h_ != Invalid) Close(h_);
        h_ = h;
    }
    T release() { return std::exchange(h_, Invalid); }

private:
    T h_ = Invalid;
};

template <typename H>
void CloseGdiObject(H h) {
    ::DeleteObject(h);
}
inline void CloseDc(HDC h) { ::DeleteDC(h); }
inline void CloseWindowHandle(HWND h) { ::DestroyWindow(h); }
inline void CloseModule(HMODULE h) { ::FreeLibrary(h); }
inline void CloseKernelHandle(HANDLE h) { ::CloseHandle(h); }
inline void CloseGlobal(HGLOBAL h) { ::GlobalFree(h); }

using unique_hbitmap = Unique<HBITMAP, CloseGdiObject<HBITMAP>>;
using unique_hbrush = Unique<HBRUSH, CloseGdiObject<HBRUSH>>;
using unique_hpen = Unique<HPEN, CloseGdiObject<HPEN>>;
using unique_hfont = Unique<HFONT, CloseGdiObject<HFONT>>;
using unique_hrgn = Unique<HRGN, CloseGdiObject<HRGN>>;
using unique_hdc = Unique<HDC, CloseDc>;  // from CreateCompatibleDC
using unique_hwnd = Unique<HWND, CloseWindowHandle>;
using unique_hmodule = Unique<HMODULE, CloseModule>;
using unique_handle = Unique<HANDLE, CloseKernelHandle>;  // threads, events, files (null when invalid)
using unique_hglobal = Unique<HGLOBAL, CloseGlobal>;      // memory for the clipboard, until it takes it

// CreateFileW says "no file" with INVALID_HANDLE_VALUE, not null: the guard
// holds null then, so `if (!file)` is the one test for every handle kind.
inline unique_handle FileHandle(HANDLE fromCreateFile) {
    return unique_handle(fromCreateFile == INVALID_HANDLE_VALUE ? nullptr : fromCreateFile);
}

// GetDC / ReleaseDC: the window travels with the DC.
class WindowDc {
public:
    explicit WindowDc(HWND w) : w_(w), dc_(::GetDC(w)) {}
    ~WindowDc() {
        if (dc_) ::ReleaseDC(w_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC get() const { return dc_; }

private:
    HWND w_;
    HDC dc_;
};

// BeginPaint / EndPaint.
class PaintDc {
public:
    explicit PaintDc(HWND w) : w_(w) { dc_ = ::BeginPaint(w, &ps_); }
    ~PaintDc() { ::EndPaint(w_, &ps_); }
    PaintDc(const PaintDc&) = delete;
    PaintDc& operator=(const PaintDc&) = delete;
    HDC get() const { return dc_; }
    const RECT& area() const { return ps_.rcPaint; }

private:
    HWND w_;
    PAINTSTRUCT ps_{};
    HDC dc_;
};

// BeginPaint / EndPaint through an off-screen copy of the client area, filled
// with `background` and copied to the window in one go when it goes, so a
// control redrawn while dragged does not flicker. get() is null when the
// client area is empty or the copy cannot be made; nothing is painted then.
class BufferedPaintDc {
public:
    BufferedPaintDc(HWND w, COLORREF background) : paint_(w) {
        RECT rc{};
        ::GetClientRect(w, &rc);
        size_ = {rc.right - rc.left, rc.bottom - rc.top};
        if (size_.cx <= 0 || size_.cy <= 0) return;
        mem_.reset(::CreateCompatibleDC(paint_.get()));
        buffer_.reset(::CreateCompatibleBitmap(paint_.get(), size_.cx, size_.cy));
        if (!mem_ || !buffer_) return;
        old_ = ::SelectObject(mem_.get(), buffer_.get());
        const RECT all{0, 0, size_.cx, size_.cy};
        ::SetBkColor(mem_.get(), background);
        ::ExtTextOutW(mem_.get(), 0, 0, ETO_OPAQUE, &all, nullptr, 0, nullptr);
    }
    ~BufferedPaintDc() {
        if (!old_) return;
        ::BitBlt(paint_.get(), 0, 0, size_.cx, size_.cy, mem_.get(), 0, 0, SRCCOPY);
        ::SelectObject(mem_.get(), old_);  // the buffer is deleted after, unselected
    }
    BufferedPaintDc(const BufferedPaintDc&) = delete;
    BufferedPaintDc& operator=(const BufferedPaintDc&) = delete;
    HDC get() const { return old_ ? mem_.get() : nullptr; }
    SIZE size() const { return size_; }

private:
    PaintDc paint_;
    SIZE size_{};
    unique_hdc mem_;
    unique_hbitmap buffer_;
    HGDIOBJ old_ = nullptr;
};

// SelectObject that puts the previous object back.
class Selected {
public:
    Selected(HDC dc, HGDIOBJ obj) : dc_(dc), old_(::SelectObject(dc, obj)) {}
    ~Selected() {
        if (old_ && old_ != HGDI_ERROR) ::SelectObject(dc_, old_);
    }
    Selected(const Selected&) = delete;
    Selected& operator=(const Selected&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

// SetCapture / ReleaseCapture: the one way a window holds the pointer while
// a button is down. Release lets go only of a capture still this window's:
// the system may have handed it on meanwhile (a menu, a move loop, another
// window's SetCapture), and that one is not ours to end.
class PointerCapture {
public:
    PointerCapture() = default;
    PointerCapture(const PointerCapture&) = delete;
    PointerCapture& operator=(const PointerCapture&) = delete;
    ~PointerCapture() { Release(); }

    void Take(HWND w) {
        if (::GetCapture() != w) ::SetCapture(w);
        window_ = w;
    }
    void Release() {
        if (window_ && ::GetCapture() == window_) ::ReleaseCapture();
        window_ = nullptr;
    }
    // Whether `w` holds the pointer now, through this guard or not.
    static bool HeldBy(HWND w) { return w && ::GetCapture() == w; }

private:
    HWND window_ = nullptr;
};

// GDI+ objects, deleted through the dynamically loaded flat API.
inline void DeleteGpGraphics(gp::GpGraphics* g) { GdiPlus().GdipDeleteGraphics(g); }
inline void DeleteGpPath(gp::GpPath* p) { GdiPlus().GdipDeletePath(p); }
inline void DeleteGpBrush(gp::GpBrush* b) { GdiPlus().GdipDeleteBrush(b); }
inline void DisposeGpImage(gp::GpImage* i) { GdiPlus().GdipDisposeImage(i); }
inline void DeleteGpPen(gp::GpPen* p) { GdiPlus().GdipDeletePen(p); }
using unique_gp_graphics = Unique<gp::GpGraphics*, DeleteGpGraphics>;
using unique_gp_path = Unique<gp::GpPath*, DeleteGpPath>;
using unique_gp_brush = Unique<gp::GpBrush*, DeleteGpBrush>;
using unique_gp_image = Unique<gp::GpImage*, DisposeGpImage>;
using unique_gp_pen = Unique<gp::GpPen*, DeleteGpPen>;

// Popup menus (DestroyMenu also destroys the submenus appended to them).
inline void CloseMenu(HMENU h) { ::DestroyMenu(h); }
using unique_hmenu = Unique<HMENU, CloseMenu>;

// The files of one WM_DROPFILES; DragFinish releases them.
inline void CloseDrop(HDROP h) { ReleaseDroppedFiles(h); }
using unique_hdrop = Unique<HDROP, CloseDrop>;

}  // namespace vellumo::win
