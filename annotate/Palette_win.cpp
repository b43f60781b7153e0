#include "annotate/Palette_win.h"

#include <windowsx.h>

#include "gfx/Convert_win.h"
#include "gfx/Dpi.h"

namespace vellumo::win {

namespace {
constexpr COLORREF kOpsBack = RGB(52, 52, 56);
constexpr COLORREF kSeparator = RGB(96, 96, 100);


void Fill(HDC dc, const Rect& r, COLORREF c) {
    unique_hbrush b(::CreateSolidBrush(c));
    const RECT rc = ToRECT(r);
    ::FillRect(dc, &rc, b.get());
}
}  // namespace

bool ColourPalette::Create(HWND parent, Events events) {
    events_ = std::move(events);
    RegisterClassOnce(L"VellumoOps", ::LoadCursorW(nullptr, IDC_ARROW), nullptr);
    // The title is observable and kept as it always was (see the overlay's class name).
    return CreateWin(0, L"VellumoOps", L"Ops", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, kOpsRect.left,
                     kOpsRect.top, kOpsRect.width, kOpsRect.height, parent) != nullptr;
}

void ColourPalette::SetDpi(int dpi) {
    dpi_ = UiDpi(dpi);
    const Rect r = At(kOpsRect);
    ::SetWindowPos(hwnd(), nullptr, r.left, r.top, r.width, r.height, SWP_NOZORDER | SWP_NOACTIVATE);
    ::InvalidateRect(hwnd(), nullptr, FALSE);
}

Rect ColourPalette::At(const Rect& designed) const { return ScaleUi(designed, dpi_); }

void ColourPalette::SetCurrentColor(OleColor c) {
    current_ = c;
    if (hwnd()) {
        const RECT rc = ToRECT(At(kCurrentColourRect));
        ::InvalidateRect(hwnd(), &rc, FALSE);
    }
}

int ColourPalette::SwatchAt(Point p) const {
    for (int i = 0; i < static_cast<int>(kPalette.size()); ++i)
        if (At(SwatchRect(i)).contains(p)) return i;
    return -1;
}

void ColourPalette::Paint() {
    PaintDc dc(hwnd());
    const Rect ops = At(kOpsRect);
    const Size size{ops.width, ops.height};
    const int line = ScaleUi(1, dpi_);
    Fill(dc.get(), {0, 0, size.width, size.height}, kOpsBack);
    // CN: the current colour, framed so that white and black both show.
    Fill(dc.get(), Inflate(At(kCurrentColourRect), line), kSeparator);
    Fill(dc.get(), At(kCurrentColourRect), ResolvedColorRef(current_));
    for (int i = 0; i < static_cast<int>(kPalette.size()); ++i) Fill(dc.get(), At(SwatchRect(i)), ResolvedColorRef(kPalette[i]));
    Fill(dc.get(), {0, size.height - line, size.width, line}, kSeparator);
}

LRESULT ColourPalette::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    const Point p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    switch (msg) {
        case WM_PAINT: Paint(); return 0;
        case WM_ERASEBKGND: return 1;
        case WM_LBUTTONDOWN:
            capture_.Take(hwnd());
            pressedSwatch_ = SwatchAt(p);
            dragging_ = pressedSwatch_ < 0;
            if (dragging_ && events_.panelMouseDown) events_.panelMouseDown(p);
            return 0;
        case WM_MOUSEMOVE:
            if (dragging_ && (wp & MK_LBUTTON) && events_.panelMouseMove) events_.panelMouseMove(p);
            return 0;
        case WM_LBUTTONUP: {
            const int swatch = pressedSwatch_;
            pressedSwatch_ = -1;
            dragging_ = false;
            capture_.Release();
            if (swatch >= 0 && SwatchAt(p) == swatch && events_.ChooseColour) events_.ChooseColour(swatch);
            return 0;
        }
        case WM_CAPTURECHANGED:
            pressedSwatch_ = -1;
            dragging_ = false;
            return 0;
        default: return Default(msg, wp, lp);
    }
}

}  // namespace vellumo::win
