#include "controls/CaptionLabel_win.h"

#include <cmath>

#include "controls/Mouse_win.h"
#include "gfx/Convert_win.h"

namespace vellumo::win {

namespace {
constexpr wchar_t kClass[] = L"VellumoCenterText";


int ScreenDpi() {
    WindowDc screen(nullptr);
    const int dpi = screen.get() ? ::GetDeviceCaps(screen.get(), LOGPIXELSY) : 96;
    return dpi > 0 ? dpi : 96;
}
}  // namespace

LOGFONTW LogFontFor(const std::wstring& face, float points, bool bold) {
    FontDesc f;
    f.name = face;
    f.size = points;
    f.bold = bold;
    f.charset = DEFAULT_CHARSET;
    return LogFontOf(f);
}

LOGFONTW LogFontOf(const FontDesc& f) {
    LOGFONTW lf{};
    lf.lfHeight = -static_cast<LONG>(std::lround(f.size * ScreenDpi() / 72.0));
    lf.lfWeight = f.bold ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = f.italic;
    lf.lfUnderline = f.underline;
    lf.lfStrikeOut = f.strikethrough;
    lf.lfCharSet = static_cast<BYTE>(f.charset);
    lf.lfQuality = DEFAULT_QUALITY;
    lstrcpynW(lf.lfFaceName, f.name.c_str(), LF_FACESIZE);
    return lf;
}

FontDesc FontDescOf(const LOGFONTW& lf) {
    FontDesc f;
    f.name = lf.lfFaceName;
    const LONG h = lf.lfHeight < 0 ? -lf.lfHeight : lf.lfHeight;
    f.size = static_cast<float>(h * 72.0 / ScreenDpi());
    f.bold = lf.lfWeight >= FW_BOLD;
    f.italic = lf.lfItalic != 0;
    f.underline = lf.lfUnderline != 0;
    f.strikethrough = lf.lfStrikeOut != 0;
    f.charset = lf.lfCharSet;
    return f;
}

CaptionLabel::CaptionLabel() {
    // The stock GUI font until the container picks one.
    ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof(logFont_), &logFont_);
    font_.reset(::CreateFontIndirectW(&logFont_));
    model_.SetFont(FontDescOf(logFont_));
    model_.Repaint = [this] {
        ApplyBorder();
        Invalidate();
    };
    model_.Recentre = [this] { OnModelFont(); };
    model_.MouseMove = [this](int b, int s, float x, float y) {
        if (MouseMove) MouseMove(b, s, x, y);
    };
    model_.MouseEnter = [this] {
        if (MouseEnter) MouseEnter();
    };
    model_.MouseLeave = [this] {
        if (MouseLeave) MouseLeave();
    };
}

bool CaptionLabel::Create(HWND parent, int x, int y, int w, int h, const std::wstring& caption) {
    RegisterClassOnce(kClass, ::LoadCursorW(nullptr, IDC_ARROW), nullptr, CS_DBLCLKS);
    const DWORD border = model_.WithBorder() ? WS_BORDER : 0;
    if (!CreateWin(0, kClass, caption.c_str(), WS_CHILD | WS_VISIBLE | border, x, y, w, h, parent)) return false;
    model_.SetCaption(caption);
    return true;
}

void CaptionLabel::SetFont(const LOGFONTW& lf) {
    logFont_ = lf;
    // A face that is not installed is substituted by the font mapper.
    font_.reset(::CreateFontIndirectW(&logFont_));
    model_.SetFont(FontDescOf(lf));
}

// Caption or font changed: measure Cap again (it sizes itself to its text).
void CaptionLabel::OnModelFont() {
    const FontDesc want = model_.Font();
    if (!(FontDescOf(logFont_) == want)) {
        // Set through the model (stored properties): build the font from it.
        logFont_ = LogFontOf(want);
        font_.reset(::CreateFontIndirectW(&logFont_));
    }
    if (!hwnd()) return;
    ::SetWindowTextW(hwnd(), model_.Caption().c_str());
    WindowDc dc(hwnd());
    Selected keep(dc.get(), font_.get());
    const std::wstring& text = model_.Caption();
    SIZE size{};
    ::GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &size);
    if (text.empty()) {
        TEXTMETRICW tm{};
        ::GetTextMetricsW(dc.get(), &tm);
        size = {0, tm.tmHeight};
    }
    captionSize_ = size;
    Invalidate();
}

void CaptionLabel::ApplyBorder() {
    if (!hwnd()) return;
    const LONG_PTR style = ::GetWindowLongPtrW(hwnd(), GWL_STYLE);
    const LONG_PTR want = model_.WithBorder() ? (style | WS_BORDER) : (style & ~static_cast<LONG_PTR>(WS_BORDER));
    if (want == style) return;
    ::SetWindowLongPtrW(hwnd(), GWL_STYLE, want);
    ::SetWindowPos(hwnd(), nullptr, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void CaptionLabel::Invalidate() {
    if (hwnd()) ::InvalidateRect(hwnd(), nullptr, FALSE);
}

RECT CaptionLabel::CaptionBox() const {
    const SIZE box = hwnd() ? mouse::ClientSize(hwnd()) : SIZE{};
    const Rect r = CaptionRect({box.cx, box.cy}, {captionSize_.cx, captionSize_.cy});
    return {r.left, r.top, r.right(), r.bottom()};
}

void CaptionLabel::Paint() {
    BufferedPaintDc dc(hwnd(), ResolvedColorRef(model_.BackColor()));
    const HDC mem = dc.get();
    if (!mem) return;
    Selected keepFont(mem, font_.get());
    ::SetBkMode(mem, TRANSPARENT);
    ::SetTextColor(mem, ResolvedColorRef(model_.ForeColor()));
    const RECT cap = CaptionBox();
    const std::wstring& text = model_.Caption();
    ::TextOutW(mem, cap.left, cap.top, text.c_str(), static_cast<int>(text.size()));
}

void CaptionLabel::OnMove(WPARAM wp, LPARAM lp) {
    const int buttons = mouse::Buttons(wp), shift = mouse::Shift(wp);
    const float x = mouse::X(lp), y = mouse::Y(lp);
    const RECT cap = CaptionBox();
    const POINT at{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    // Without the capture, a move over Cap is Cap's own and only reported;
    // once captured, every move goes through the surface's hover rules.
    if (!PointerCapture::HeldBy(hwnd()) && ::PtInRect(&cap, at)) {
        model_.CaptionMove(buttons, shift, x, y);
        return;
    }
    const SIZE box = mouse::ClientSize(hwnd());
    switch (model_.SurfaceMove(buttons, shift, x, y, {box.cx, box.cy})) {
        case CaptureRequest::Take:
            if (hwnd()) capture_.Take(hwnd());
            break;
        case CaptureRequest::Release:
            capture_.Release();
            break;
        case CaptureRequest::None: break;
    }
}

LRESULT CaptionLabel::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_CREATE: OnModelFont(); return 0;
        case WM_PAINT: Paint(); return 0;
        case WM_ERASEBKGND: return 1;
        case WM_SIZE: Invalidate(); return 0;  // re-centred at the next paint
        case WM_MOUSEMOVE: OnMove(wp, lp); return 0;
        case WM_CAPTURECHANGED:
            if (reinterpret_cast<HWND>(lp) != hwnd()) model_.CaptureLost();
            return 0;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_RBUTTONDBLCLK:
        case WM_MBUTTONDBLCLK:
            if (msg == WM_LBUTTONDOWN) leftPressed_ = true;
            if (MouseDown) MouseDown(mouse::ButtonOf(msg), mouse::Shift(wp), mouse::X(lp), mouse::Y(lp));
            return 0;
        case WM_LBUTTONDBLCLK:
            // The second press of a double-click is no press of its own.
            leftPressed_ = false;
            if (DblCilck) DblCilck();
            return 0;
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP: {
            const bool click = msg == WM_LBUTTONUP && leftPressed_;
            if (msg == WM_LBUTTONUP) leftPressed_ = false;
            if (MouseUp) MouseUp(mouse::ButtonOf(msg), mouse::Shift(wp), mouse::X(lp), mouse::Y(lp));
            // Released over the box (the caption is part of it): a click.
            const SIZE box = mouse::ClientSize(hwnd());
            const POINT at{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
            if (click && at.x >= 0 && at.y >= 0 && at.x < box.cx && at.y < box.cy) {
                // A click may open a modal dialog; a capture kept by the hover
                // would take that dialog's pointer input.
                capture_.Release();
                if (Click) Click();
            }
            return 0;
        }
        default: return Default(msg, wp, lp);
    }
}

}  // namespace vellumo::win
