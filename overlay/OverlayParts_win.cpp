#include "overlay/OverlayParts_win.h"

#include <windowsx.h>

#include <string>

#include "gfx/Convert_win.h"
#include "gfx/Dpi.h"
#include "gfx/Dpi_win.h"
#include "overlay/MonitorPlacement.h"
#include "overlay/Readout.h"
#include "overlay/Selection.h"

namespace vellumo::win {

namespace {
constexpr COLORREF kHandleOrange = RGB(255, 128, 0);
constexpr COLORREF kPanelGrey = RGB(64, 64, 64);
constexpr int kSizeCaptionId = 1;
constexpr int kRgbCaptionId = 2;

LPCWSTR HandleCursor(int index) {
    switch (index) {
        case 0:
        case 7: return IDC_SIZENWSE;
        case 2:
        case 5: return IDC_SIZENESW;
        case 1:
        case 6: return IDC_SIZENS;
        default: return IDC_SIZEWE;
    }
}

// The pen cursor (IDC_PEN, from the pen-input header): not every system
// has it (Wine may not), and the crosshair stands in.
constexpr WORD kPenCursorId = 32631;
}  // namespace

HCURSOR SystemCursorFor(ToolCursor cursor) {
    switch (cursor) {
        case ToolCursor::Crosshair: break;
        case ToolCursor::Pen:
            if (HCURSOR pen = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(kPenCursorId))) return pen;
            break;
        case ToolCursor::IBeam: return ::LoadCursorW(nullptr, IDC_IBEAM);
        case ToolCursor::Hand: return ::LoadCursorW(nullptr, IDC_HAND);
    }
    return ::LoadCursorW(nullptr, IDC_CROSS);
}

namespace {
MouseButton ButtonOf(UINT msg) {
    switch (msg) {
        case WM_LBUTTONDOWN: return MouseButton::Left;
        case WM_RBUTTONDOWN: return MouseButton::Right;
        default: return MouseButton::Middle;
    }
}
}  // namespace

// ---- sizeHandles_(0)..sizeHandles_(7) ----

bool SizerHandle::Create(HWND parent, int index, Events events) {
    events_ = std::move(events);
    index_ = index;
    RegisterClassOnce(L"VellumoSi", nullptr, nullptr);
    // The title is observable and kept as it always was (see the overlay's class name).
    const std::wstring title = L"Si(" + std::to_wstring(index) + L")";
    return CreateWin(0, L"VellumoSi", title.c_str(), WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0,
                     -kHandleSize.height, kHandleSize.width, kHandleSize.height, parent, 100 + index) != nullptr;
}

void SizerHandle::MoveTo(const Rect& r) {
    ::SetWindowPos(hwnd(), nullptr, r.left, r.top, r.width, r.height, SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT SizerHandle::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    const Point local{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    switch (msg) {
        case WM_SETCURSOR:
            ::SetCursor(::LoadCursorW(nullptr, HandleCursor(index_)));
            return TRUE;
        case WM_LBUTTONDOWN:
            // The handle keeps the pointer until release, wherever it goes.
            capture_.Take(hwnd());
            if (events_.mouseDown) events_.mouseDown(MouseButton::Left, local);
            return 0;
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_XBUTTONDOWN:
            if (events_.mouseDown) events_.mouseDown(ButtonOf(msg), local);
            return msg == WM_XBUTTONDOWN;
        case WM_MOUSEMOVE:
            if (events_.mouseMove) events_.mouseMove((wp & MK_LBUTTON) != 0, local);
            return 0;
        case WM_LBUTTONUP:
        case WM_CAPTURECHANGED:
            if (msg == WM_LBUTTONUP) capture_.Release();
            return 0;
        case WM_PAINT: {
            PaintDc dc(hwnd());
            RECT rc;
            ::GetClientRect(hwnd(), &rc);
            unique_hbrush fill(::CreateSolidBrush(kHandleOrange));
            ::FillRect(dc.get(), &rc, fill.get());
            ::FrameRect(dc.get(), &rc, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
            return 0;
        }
        case WM_ERASEBKGND: return 1;
        default: return Default(msg, wp, lp);
    }
}

// ---- Size and rgbCaption_: the captions ----

bool Caption::Create(HWND parent, const Rect& r, const wchar_t* text, int id, HFONT font) {
    font_ = font;
    text_ = text;
    RegisterClassOnce(L"VellumoCaption", nullptr, nullptr);
    return CreateWin(0, L"VellumoCaption", text, WS_CHILD | WS_VISIBLE, r.left, r.top, r.width, r.height, parent,
                     id) != nullptr;
}

void Caption::SetFont(HFONT font) {
    font_ = font;
    ::InvalidateRect(hwnd(), nullptr, FALSE);
}

void Caption::SetText(const std::wstring& text) {
    if (text == text_) return;
    text_ = text;
    ::SetWindowTextW(hwnd(), text.c_str());
    ::InvalidateRect(hwnd(), nullptr, FALSE);
}

LRESULT Caption::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_NCHITTEST: return HTTRANSPARENT;
        case WM_PAINT: {
            PaintDc dc(hwnd());
            RECT rc;
            ::GetClientRect(hwnd(), &rc);
            unique_hbrush grey(::CreateSolidBrush(kPanelGrey));
            ::FillRect(dc.get(), &rc, grey.get());
            Selected font(dc.get(), font_ ? static_cast<HGDIOBJ>(font_) : ::GetStockObject(DEFAULT_GUI_FONT));
            ::SetBkMode(dc.get(), TRANSPARENT);
            ::SetTextColor(dc.get(), RGB(255, 255, 255));
            ::DrawTextW(dc.get(), text_.c_str(), static_cast<int>(text_.size()), &rc,
                        DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
            return 0;
        }
        case WM_ERASEBKGND: return 1;
        default: return Default(msg, wp, lp);
    }
}

// ---- magnifier_: the magnifier ----

bool Magnifier::Create(HWND parent, const Dib& frozen, int dpi) {
    frozen_ = &frozen;
    back_.reset(::CreateSolidBrush(kPanelGrey));
    RegisterClassOnce(L"VellumoVa", nullptr, nullptr);
    // The title is observable and kept as it always was (see the overlay's class name).
    if (!CreateWin(0, L"VellumoVa", L"Va", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                   kMagnifierInitialPosition.x, kMagnifierInitialPosition.y, kMagnifierSize.width,
                   kMagnifierSize.height, parent))
        return false;
    position_ = kMagnifierInitialPosition;
    sizeCaption_.Create(hwnd(), kSizeCaptionRect, kInitialSizeCaption, kSizeCaptionId, nullptr);
    rgbCaption_.Create(hwnd(), kRgbCaptionRect, kInitialRgbCaption, kRgbCaptionId, nullptr);
    dpi_ = UiDpi(dpi);
    Layout();
    // Above the handles and the toolbar: it follows the pointer everywhere.
    ::SetWindowPos(hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return true;
}

void Magnifier::SetDpi(int dpi) {
    if (!hwnd() || UiDpi(dpi) == dpi_) return;
    dpi_ = UiDpi(dpi);
    Layout();
}

void Magnifier::Layout() {
    sizes_ = MagnifierSizesAt(dpi_);
    ::SetWindowPos(hwnd(), nullptr, 0, 0, sizes_.panel.width, sizes_.panel.height,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // The message font is the system's, measured at the system DPI; the
    // captions show it as large on the pointer's monitor.
    NONCLIENTMETRICSW ncm{};
    ncm.cbSize = sizeof(ncm);
    if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(ncm), &ncm, 0)) {
        ncm.lfMessageFont.lfHeight = RescaleFontHeight(ncm.lfMessageFont.lfHeight, SystemDpi(), dpi_);
        font_.reset(::CreateFontIndirectW(&ncm.lfMessageFont));
    }
    for (auto [caption, r] : {std::pair{&sizeCaption_, sizes_.sizeCaption}, std::pair{&rgbCaption_, sizes_.rgbCaption}}) {
        ::SetWindowPos(caption->hwnd(), nullptr, r.left, r.top, r.width, r.height, SWP_NOZORDER | SWP_NOACTIVATE);
        caption->SetFont(font_.get());
    }
    ::InvalidateRect(hwnd(), nullptr, FALSE);
}

void Magnifier::Show(Point pointer, Colour underPointer, const std::wstring& sizeText,
                     const std::wstring& rgbText, const MonitorLayout& monitors) {
    rgbCaption_.SetText(rgbText);
    sizeCaption_.SetText(sizeText);
    const Point at = PlaceMagnifierOn(monitors, pointer, sizes_.panel);
    if (!(at == position_)) {
        ::SetWindowPos(hwnd(), nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        position_ = at;
    }
    pointer_ = pointer;
    cross_ = underPointer.inverse();
    viewDrawn_ = true;
    const RECT view = ToRECT(sizes_.view);
    ::InvalidateRect(hwnd(), &view, FALSE);
}

void Magnifier::Paint() {
    PaintDc dc(hwnd());
    RECT all;
    ::GetClientRect(hwnd(), &all);
    ::FillRect(dc.get(), &all, back_.get());
    const RECT view = ToRECT(sizes_.view);
    ::FillRect(dc.get(), &view, ::GetSysColorBrush(COLOR_WINDOW));
    const Rect cross = CrossRect(sizes_.view.width);
    const RECT crossRc = ToRECT(cross);
    if (viewDrawn_ && frozen_ && !frozen_->empty()) {
        const MagnifierPlan plan = PlanMagnifier(pointer_, {frozen_->width(), frozen_->height()}, sizes_.view.width);
        if (!plan.source.empty()) {
            ::SetStretchBltMode(dc.get(), COLORONCOLOR);
            ::StretchBlt(dc.get(), plan.view.left, plan.view.top, plan.view.width, plan.view.height,
                         frozen_->dc(), plan.source.left, plan.source.top, plan.source.width,
                         plan.source.height, SRCCOPY);
        }
    }
    unique_hbrush crossBrush(::CreateSolidBrush(cross_.toColorRef()));
    ::FillRect(dc.get(), &crossRc, crossBrush.get());
    ::FrameRect(dc.get(), &all, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
}

LRESULT Magnifier::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        // The panel trails the pointer; a fast move can land on it. Letting the
        // pointer through keeps it following (and a press reaches what lies
        // beneath) instead of the panel sticking under the pointer.
        case WM_NCHITTEST: return HTTRANSPARENT;
        case WM_PAINT: Paint(); return 0;
        case WM_ERASEBKGND: return 1;
        default: return Default(msg, wp, lp);
    }
}

}  // namespace vellumo::win
