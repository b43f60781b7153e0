#include "overlay/Parts_win.h"

#include <windowsx.h>

#include <string>

#include "overlay/Readout.h"
#include "overlay/ScrShot_win.h"
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

MouseButton ButtonOf(UINT msg) {
    switch (msg) {
        case WM_LBUTTONDOWN: return MouseButton::Left;
        case WM_RBUTTONDOWN: return MouseButton::Right;
        default: return MouseButton::Middle;
    }
}
}  // namespace

// ---- Si(0)..Si(7) ----

bool SizerHandle::Create(ScrShot& owner, HWND parent, int index) {
    owner_ = &owner;
    index_ = index;
    RegisterClassOnce(L"VellumoSi", nullptr, nullptr);
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
            owner_->Si_MouseDown(index_, MouseButton::Left, local);
            return 0;
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            owner_->Si_MouseDown(index_, ButtonOf(msg), local);
            return 0;
        case WM_MOUSEMOVE:
            owner_->Si_MouseMove(index_, (wp & MK_LBUTTON) != 0, local);
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

// ---- Va: the magnifier ----

bool Magnifier::Create(HWND parent, const Dib& frozen) {
    frozen_ = &frozen;
    back_.reset(::CreateSolidBrush(kPanelGrey));
    RegisterClassOnce(L"VellumoVa", nullptr, nullptr);
    if (!CreateWin(0, L"VellumoVa", L"Va", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                   kVaInitialPosition.x, kVaInitialPosition.y, kVaSize.width, kVaSize.height, parent))
        return false;
    position_ = kVaInitialPosition;
    NONCLIENTMETRICSW ncm{};
    ncm.cbSize = sizeof(ncm);
    if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(ncm), &ncm, 0)) {
        font_.reset(::CreateFontIndirectW(&ncm.lfMessageFont));
    }
    auto label = [this](const Rect& r, const wchar_t* text, int id) {
        HWND h = ::CreateWindowExW(0, L"STATIC", text, WS_CHILD | WS_VISIBLE | SS_CENTER | SS_NOPREFIX, r.left,
                                   r.top, r.width, r.height, hwnd(), reinterpret_cast<HMENU>(INT_PTR(id)),
                                   Instance(), nullptr);
        if (h && font_) ::SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
        return h;
    };
    size_ = label(kSizeCaptionRect, kInitialSizeCaption, kSizeCaptionId);
    rgbco_ = label(kRgbCaptionRect, kInitialRgbCaption, kRgbCaptionId);
    // Above the handles and the toolbar: it follows the pointer everywhere.
    ::SetWindowPos(hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return true;
}

void Magnifier::SetCaption(HWND label, const std::wstring& text) {
    wchar_t current[64];
    const int n = ::GetWindowTextW(label, current, 64);
    if (text.compare(0, std::wstring::npos, current, n) != 0) ::SetWindowTextW(label, text.c_str());
}

void Magnifier::Show(Point pointer, Colour underPointer, const std::wstring& sizeText,
                     const std::wstring& rgbText, Size screen) {
    SetCaption(rgbco_, rgbText);
    SetCaption(size_, sizeText);
    const Point at = PlaceMagnifier(pointer, kVaSize, screen);
    if (!(at == position_)) {
        ::SetWindowPos(hwnd(), nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        position_ = at;
    }
    pointer_ = pointer;
    cross_ = underPointer.inverse();
    viewDrawn_ = true;
    const RECT view{kViewRect.left, kViewRect.top, kViewRect.right(), kViewRect.bottom()};
    ::InvalidateRect(hwnd(), &view, FALSE);
}

void Magnifier::Paint() {
    PaintDc dc(hwnd());
    RECT all;
    ::GetClientRect(hwnd(), &all);
    ::FillRect(dc.get(), &all, back_.get());
    const RECT view{kViewRect.left, kViewRect.top, kViewRect.right(), kViewRect.bottom()};
    ::FillRect(dc.get(), &view, ::GetSysColorBrush(COLOR_WINDOW));
    const Rect cross = CrossRect();
    const RECT crossRc{cross.left, cross.top, cross.right(), cross.bottom()};
    if (viewDrawn_ && frozen_ && !frozen_->empty()) {
        const MagnifierPlan plan = PlanMagnifier(pointer_, {frozen_->width(), frozen_->height()});
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
        case WM_PAINT: Paint(); return 0;
        case WM_ERASEBKGND: return 1;
        case WM_CTLCOLORSTATIC: {
            const HDC dc = reinterpret_cast<HDC>(wp);
            ::SetTextColor(dc, RGB(255, 255, 255));
            ::SetBkColor(dc, kPanelGrey);
            return reinterpret_cast<LRESULT>(back_.get());
        }
        default: return Default(msg, wp, lp);
    }
}

// ---- Tools: the toolbar panel ----

bool ToolsPanel::Create(HWND parent) {
    RegisterClassOnce(L"VellumoTools", ::LoadCursorW(nullptr, IDC_ARROW), ::GetSysColorBrush(COLOR_BTNFACE));
    return CreateWin(0, L"VellumoTools", L"Tools", WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0,
                     kToolsSize.width, kToolsSize.height, parent) != nullptr;
}

LRESULT ToolsPanel::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) { return Default(msg, wp, lp); }

}  // namespace vellumo::win
