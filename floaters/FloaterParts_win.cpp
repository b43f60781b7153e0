#include "floaters/FloaterParts_win.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>

#include "floaters/FloaterBook.h"
#include "floaters/FloaterZoom.h"
#include "gfx/Convert_win.h"
#include "gfx/Dpi.h"
#include "gfx/Picture_win.h"
#include "gfx/SystemProc_win.h"

namespace vellumo::win {

namespace {
constexpr wchar_t kPictureClass[] = L"VellumoPicture1";
constexpr wchar_t kLabelClass[] = L"VellumoText1";
constexpr wchar_t kDropIconClass[] = L"VellumoGetimg";
constexpr wchar_t kDropIconTip[] = L"Drag an image here to open or click to display menu";
constexpr COLORREF kIconBack = RGB(250, 250, 250);
constexpr COLORREF kIconInk = RGB(90, 90, 90);
constexpr UINT kAddTooltip = WM_APP + 1;

Point LocalOf(LPARAM lp) { return {GET_X_LPARAM(lp), GET_Y_LPARAM(lp)}; }

// comctl32 is loaded on first use (for the tooltip) and kept, like gdiplus.
bool TooltipsAvailable() {
    static const bool available = InitCommonControlClasses(ICC_BAR_CLASSES);
    return available;
}
}  // namespace

// ---- pictures_(n) ----

bool FloaterPicture::Create(FloaterPartsHost& host, HWND parent, int index, unique_hbitmap&& bitmap) {
    host_ = &host;
    index_ = index;
    RegisterClassOnce(kPictureClass, ::LoadCursorW(nullptr, IDC_ARROW), nullptr, CS_DBLCLKS);
    // The title is observable and kept as it always was (see the overlay's class name).
    const std::wstring title = L"Picture1(" + std::to_wstring(index) + L")";
    // Created hidden; the host places it and then shows it. Nothing paints
    // before then, and a window refused leaves the bitmap with the caller.
    if (!CreateWin(WS_EX_ACCEPTFILES, kPictureClass, title.c_str(), WS_CHILD | WS_CLIPSIBLINGS, 0, 0, 1, 1, parent,
                   1000 + index))
        return false;
    bitmap_ = std::move(bitmap);
    return true;
}

void FloaterPicture::Paint() {
    PaintDc dc(hwnd());
    RECT rc;
    ::GetClientRect(hwnd(), &rc);
    const SIZE size = BitmapSize(bitmap_.get());
    const Floater* f = host_->book().Find(index_);
    // A zoomed Floater is drawn scaled from its own picture, which is never
    // rescaled itself: at 100% it shows pixel for pixel again.
    const bool zoomed = f && !f->collapsed() && (rc.right != size.cx || rc.bottom != size.cy);
    unique_hdc mem(::CreateCompatibleDC(dc.get()));
    if (mem) {
        Selected keep(mem.get(), bitmap_.get());
        if (zoomed) {
            // HALFTONE averages what a shrink leaves out; it wants the brush
            // origin set after the mode.
            ::SetStretchBltMode(dc.get(), HALFTONE);
            ::SetBrushOrgEx(dc.get(), 0, 0, nullptr);
            ::StretchBlt(dc.get(), 0, 0, rc.right, rc.bottom, mem.get(), 0, 0, size.cx, size.cy, SRCCOPY);
        } else {
            ::BitBlt(dc.get(), 0, 0, size.cx, size.cy, mem.get(), 0, 0, SRCCOPY);
        }
    }
    if (!zoomed) {
        // A collapsed picture larger than its image shows the box's own colour.
        ::ExcludeClipRect(dc.get(), 0, 0, size.cx, size.cy);
        ::FillRect(dc.get(), &rc, ::GetSysColorBrush(COLOR_BTNFACE));
        ::SelectClipRgn(dc.get(), nullptr);
    }
    if (host_->LetsClicksThrough(index_)) PaintClickThroughMark(dc.get(), rc);
    PaintBadge(dc.get());
}

// A Floater the pointer passes through wears a small ring in its top-right
// corner: it looks like the others and yet cannot be clicked.
void FloaterPicture::PaintClickThroughMark(HDC dc, const RECT& client) {
    const int dpi = host_->dpi(), side = ScaleUi(12, dpi), inset = ScaleUi(3, dpi), ring = ScaleUi(3, dpi);
    const RECT outer{client.right - inset - side, inset, client.right - inset, inset + side};
    const RECT inner{outer.left + ring, outer.top + ring, outer.right - ring, outer.bottom - ring};
    unique_hbrush orange(::CreateSolidBrush(RGB(255, 128, 0)));
    ::FillRect(dc, &outer, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    const RECT band{outer.left + 1, outer.top + 1, outer.right - 1, outer.bottom - 1};
    ::FillRect(dc, &band, orange.get());
    ::FillRect(dc, &inner, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
}

// The zoom or opacity just set, for a moment, in the top-left corner.
void FloaterPicture::PaintBadge(HDC dc) {
    const FloaterScale* scale = host_->ScaleOf(index_);
    if (!scale || !scale->badge().VisibleAt(::GetTickCount64())) return;
    const std::wstring& text = scale->badge().text();
    Selected font(dc, host_->BadgeFont());
    SIZE extent{};
    ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    const int dpi = host_->dpi(), inset = ScaleUi(4, dpi), padX = ScaleUi(4, dpi), padY = ScaleUi(2, dpi);
    RECT box{inset, inset, inset + extent.cx + 2 * padX, inset + extent.cy + 2 * padY};
    ::FillRect(dc, &box, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, RGB(255, 255, 255));
    ::TextOutW(dc, box.left + padX, box.top + padY, text.c_str(), static_cast<int>(text.size()));
}

LRESULT FloaterPicture::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_PAINT: Paint(); return 0;
        case WM_ERASEBKGND: return 1;
        case WM_LBUTTONDOWN:
            // Like a picture box, it keeps the pointer while the button is down.
            capture_.Take(hwnd());
            host_->OnFloaterMouseDown(index_, MouseButton::Left, LocalOf(lp));
            return 0;
        case WM_RBUTTONDOWN:
            // The menu may delete this picture: nothing of it is touched afterwards.
            host_->OnFloaterMouseDown(index_, MouseButton::Right, LocalOf(lp));
            return 0;
        case WM_MBUTTONDOWN: host_->OnFloaterMouseDown(index_, MouseButton::Middle, LocalOf(lp)); return 0;
        case WM_MOUSEMOVE: host_->OnFloaterMouseMove(index_, wp, LocalOf(lp)); return 0;
        case WM_LBUTTONUP: capture_.Release(); return 0;
        case WM_LBUTTONDBLCLK: host_->OnFloaterDoubleClick(index_); return 0;
        case WM_DROPFILES: host_->OnFloaterDropFiles(reinterpret_cast<HDROP>(wp)); return 0;
        // A translucent Floater is a popup of its own and may have the focus.
        case WM_MOUSEWHEEL: host_->OnFloaterWheel(wp, lp); return 0;
        // ... and so the keys too.
        case WM_KEYDOWN:
            if (host_->OnFloaterKey(wp, lp)) return 0;
            return Default(msg, wp, lp);
        default: return Default(msg, wp, lp);
    }
}

// ---- labels_(n) ----

bool FloaterLabel::Create(FloaterPartsHost& host, HWND parent, int index, const std::wstring& text, HFONT font) {
    host_ = &host;
    index_ = index;
    font_ = font;
    RegisterClassOnce(kLabelClass, ::LoadCursorW(nullptr, IDC_IBEAM), nullptr);
    return CreateWin(0, kLabelClass, text.c_str(), WS_CHILD | WS_CLIPSIBLINGS, 0, 0, 1, 1, parent,
                     40000 + index) != nullptr;
}

void FloaterLabel::SetFont(HFONT font) {
    font_ = font;
    ::InvalidateRect(hwnd(), nullptr, FALSE);
}

void FloaterLabel::Paint() {
    PaintDc dc(hwnd());
    RECT rc;
    ::GetClientRect(hwnd(), &rc);
    unique_hbrush back(::CreateSolidBrush(ToColorRef(kLabelBackColour)));
    ::FillRect(dc.get(), &rc, back.get());
    wchar_t text[32] = {};
    const int n = ::GetWindowTextW(hwnd(), text, 32);
    Selected keep(dc.get(), font_ ? static_cast<HGDIOBJ>(font_) : ::GetStockObject(DEFAULT_GUI_FONT));
    ::SetBkMode(dc.get(), TRANSPARENT);
    ::SetTextColor(dc.get(), ToColorRef(kLabelTextColour));
    // A text box's inner margin.
    RECT inner{rc.left + ScaleUi(2, host_->dpi()), rc.top + ScaleUi(1, host_->dpi()), rc.right, rc.bottom};
    ::DrawTextW(dc.get(), text, n, &inner, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
}

LRESULT FloaterLabel::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_PAINT: Paint(); return 0;
        case WM_ERASEBKGND: return 1;
        case WM_LBUTTONDOWN: capture_.Take(hwnd()); return 0;
        case WM_MOUSEMOVE: host_->OnLabelMouseMove(index_, wp, LocalOf(lp)); return 0;
        case WM_LBUTTONUP: capture_.Release(); return 0;
        default: return Default(msg, wp, lp);
    }
}

// ---- dropIcon_ ----

bool DropIcon::Create(FloaterPartsHost& host, HWND parent, Point at, Size size) {
    host_ = &host;
    RegisterClassOnce(kDropIconClass, ::LoadCursorW(nullptr, IDC_SIZEALL), nullptr);
    // The title is observable and kept as it always was (see the overlay's class name).
    if (!CreateWin(WS_EX_ACCEPTFILES, kDropIconClass, L"getimg", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, at.x,
                   at.y, size.width, size.height, parent, 1))
        return false;
    // The tooltip (and comctl32 with it) can wait until the host has shown
    // what the user is waiting for.
    WhenIdle([icon = hwnd()] {
        if (::IsWindow(icon)) ::SendMessageW(icon, kAddTooltip, 0, 0);
    });
    return true;
}

void DropIcon::AddTooltip() {
    if (!TooltipsAvailable()) return;
    // Unowned, so that this object alone destroys it.
    tip_.reset(::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, Instance(), nullptr));
    if (!tip_) return;
    TTTOOLINFOW ti{};
    ti.cbSize = sizeof(ti);
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = hwnd();
    ti.uId = reinterpret_cast<UINT_PTR>(hwnd());
    ti.lpszText = const_cast<wchar_t*>(kDropIconTip);
    ::SendMessageW(tip_.get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
}

void DropIcon::Paint() {
    PaintDc dc(hwnd());
    RECT rc;
    ::GetClientRect(hwnd(), &rc);
    unique_hbrush back(::CreateSolidBrush(kIconBack));
    ::FillRect(dc.get(), &rc, back.get());
    unique_hbrush ink(::CreateSolidBrush(kIconInk));
    // Dashed square: 4 on, 3 off, one pixel in from the edge (at 96 DPI).
    const int dpi = host_->dpi(), one = ScaleUi(1, dpi), on = ScaleUi(4, dpi), pitch = ScaleUi(7, dpi);
    const int width = rc.right, height = rc.bottom;
    const int last = width - 2 * one;
    for (int i = one; i <= last; i += pitch) {
        const int len = std::min(on, last + one - i);
        const RECT top{i, one, i + len, 2 * one}, bottom{i, last, i + len, last + one};
        const RECT left{one, i, 2 * one, i + len}, right{last, i, last + one, i + len};
        for (const RECT& r : {top, bottom, left, right}) ::FillRect(dc.get(), &r, ink.get());
    }
    // The "+": two 2-pixel bars through the centre.
    const int c = width / 2, margin = ScaleUi(9, dpi);
    const RECT across{margin, c - one, width - margin, c + one};
    const RECT down{c - one, margin, c + one, height - margin};
    ::FillRect(dc.get(), &across, ink.get());
    ::FillRect(dc.get(), &down, ink.get());
}

LRESULT DropIcon::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_PAINT: Paint(); return 0;
        case WM_ERASEBKGND: return 1;
        // Held like a control's press, so the first move is ours even when it
        // already lies outside the icon.
        case WM_LBUTTONDOWN: capture_.Take(hwnd()); return 0;
        case WM_LBUTTONUP: capture_.Release(); return 0;
        case WM_MOUSEMOVE: host_->OnDropIconMouseMove(wp); return 0;
        case WM_RBUTTONDOWN: host_->OnDropIconMouseDown(MouseButton::Right); return 0;
        case WM_DROPFILES: host_->OnDropIconDropFiles(reinterpret_cast<HDROP>(wp)); return 0;
        // Dragged by the system's move loop: the host's region follows.
        case WM_WINDOWPOSCHANGED:
            host_->OnDropIconMoved();
            return Default(msg, wp, lp);
        case kAddTooltip:
            if (!tip_) AddTooltip();
            return 0;
        case WM_DESTROY: tip_.reset(); return 0;
        default: return Default(msg, wp, lp);
    }
}

}  // namespace vellumo::win
