#include "controls/ValueSlider_win.h"

#include "controls/Mouse_win.h"
#include "gfx/Convert_win.h"

namespace vellumo::win {

namespace {
constexpr wchar_t kClass[] = L"VellumoSValue";

HCURSOR HandCursor() {
    static const HCURSOR hand = ::LoadCursorW(nullptr, IDC_HAND);
    return hand;
}

}  // namespace

ValueSlider::ValueSlider() : thumb_(::CreateSolidBrush(ToColorRef(kSliderThumb))) {
    model_.Redraw = [this] { Repaint(); };
    model_.Change = [this] {
        if (Change) Change();
    };
}

bool ValueSlider::Create(HWND parent, int x, int y, int w, int h, float max, float value) {
    model_.SetMax(max);
    auto change = std::move(Change);
    Change = nullptr;
    model_.SetValue(value);
    Change = std::move(change);
    RegisterClassOnce(kClass, HandCursor(), nullptr);
    // The title is observable and kept as it always was (see the overlay's class name).
    return CreateWin(0, kClass, L"SValue", WS_CHILD | WS_VISIBLE, x, y, w, h, parent) != nullptr;
}

void ValueSlider::Repaint() {
    if (!hwnd()) return;
    ::InvalidateRect(hwnd(), nullptr, FALSE);
    ::UpdateWindow(hwnd());
}

// Painted off screen and copied in one go, so a drag does not flicker.
void ValueSlider::Paint() {
    BufferedPaintDc dc(hwnd(), ToColorRef(kSliderBackground));
    const HDC mem = dc.get();
    if (!mem) return;
    const SliderPicture p = model_.Picture({dc.size().cx, dc.size().cy});
    const RECT bar = ToRECT(p.bar);
    ::FillRect(mem, &bar, ::GetSysColorBrush(COLOR_HIGHLIGHT));
    if (!p.thumb.empty()) {
        const RECT thumb = ToRECT(p.thumb);
        ::FillRect(mem, &thumb, thumb_.get());
    }
}

float ValueSlider::ScaleX(LPARAM lp) const {
    return model_.ScaleX(mouse::X(lp), static_cast<int>(mouse::ClientSize(hwnd()).cx));
}

LRESULT ValueSlider::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_PAINT: Paint(); return 0;
        case WM_ERASEBKGND: return 1;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            // Held while any button is down, so a drag past either edge still
            // reaches us and ends at 0 or Max.
            capture_.Take(hwnd());
            ::SetCursor(HandCursor());
            if (MouseDown) MouseDown(mouse::ButtonOf(msg), mouse::Shift(wp), ScaleX(lp), mouse::Y(lp));
            return 0;
        case WM_MOUSEMOVE: {
            const int buttons = mouse::Buttons(wp);
            const float x = ScaleX(lp);
            model_.PointerMove(buttons, x);
            if (MouseMove) MouseMove(buttons, mouse::Shift(wp), x, mouse::Y(lp));
            ::SetCursor(HandCursor());
            return 0;
        }
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP:
            if (!(wp & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON))) capture_.Release();
            if (MouseUp) MouseUp(mouse::ButtonOf(msg), mouse::Shift(wp), ScaleX(lp), mouse::Y(lp));
            return 0;
        default: return Default(msg, wp, lp);
    }
}

}  // namespace vellumo::win
