#include "overlay/Toolbar_win.h"

#include <commctrl.h>

#include "overlay/Selection.h"

namespace vellumo::win {

namespace {
constexpr UINT WM_TOOLCLICK = WM_APP + 1;  // wParam: ToolButtonId
constexpr COLORREF kQuitRed = RGB(255, 0, 0);

struct ButtonSpec {
    ToolButtonId id;
    const wchar_t* name;
    const wchar_t* tip;
    int x, y, w, h;
};
// The action buttons sit on the top row, right of the drawing tools; Exi
// overhangs the toolbar's top edge by one pixel.
constexpr ButtonSpec kButtons[] = {
    {ToolButtonId::Image1, L"Image1", L"Copy to clipboard", 126, 4, 16, 16},
    {ToolButtonId::pinimg, L"pinimg", L"Pin", 150, 4, 16, 16},
    {ToolButtonId::SavePic, L"SavePic", L"Save to", 174, 4, 16, 16},
    {ToolButtonId::Exi, L"Exi", L"Quit", 198, -1, 25, 25},
};

const ButtonSpec& SpecOf(ToolButtonId id) { return kButtons[static_cast<int>(id)]; }

void Line(HDC dc, int x0, int y0, int x1, int y1) {
    ::MoveToEx(dc, x0, y0, nullptr);
    ::LineTo(dc, x1, y1);
}

// 16 x 16 glyphs in plain GDI: two pages (copy), a pushpin (pin), a floppy (save).
void DrawGlyph(HDC dc, ToolButtonId id) {
    unique_hpen pen(::CreatePen(PS_SOLID, 1, RGB(32, 32, 32)));
    Selected usePen(dc, pen.get());
    Selected noFill(dc, ::GetStockObject(NULL_BRUSH));
    switch (id) {
        case ToolButtonId::Image1:
            ::Rectangle(dc, 2, 1, 11, 12);
            ::Rectangle(dc, 5, 4, 14, 15);
            break;
        case ToolButtonId::pinimg:
            ::Rectangle(dc, 5, 1, 11, 3);
            ::Rectangle(dc, 6, 3, 10, 8);
            Line(dc, 3, 8, 13, 8);
            Line(dc, 8, 9, 8, 15);
            break;
        case ToolButtonId::SavePic:
            ::Rectangle(dc, 1, 1, 15, 15);
            ::Rectangle(dc, 4, 1, 12, 6);
            ::Rectangle(dc, 3, 9, 13, 15);
            break;
        case ToolButtonId::Exi: break;
    }
}

// The quit button's cross: the "r" of Webdings where that font exists, drawn
// lines where it does not (Wine ships no Webdings).
void DrawQuit(HDC dc, const RECT& rc) {
    unique_hbrush red(::CreateSolidBrush(kQuitRed));
    ::FillRect(dc, &rc, red.get());
    unique_hfont webdings(::CreateFontW(-18, 0, 0, 0, FW_NORMAL, 0, 0, 0, SYMBOL_CHARSET, OUT_DEFAULT_PRECIS,
                                        CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"Webdings"));
    wchar_t face[LF_FACESIZE] = {};
    {
        Selected f(dc, webdings.get());
        ::GetTextFaceW(dc, LF_FACESIZE, face);
        if (webdings && ::lstrcmpiW(face, L"Webdings") == 0) {
            ::SetBkMode(dc, TRANSPARENT);
            ::SetTextColor(dc, RGB(255, 255, 255));
            RECT r = rc;
            ::DrawTextW(dc, L"r", 1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
            return;
        }
    }
    unique_hpen white(::CreatePen(PS_SOLID, 2, RGB(255, 255, 255)));
    Selected p(dc, white.get());
    const int cx = (rc.left + rc.right) / 2, cy = (rc.top + rc.bottom) / 2;
    Line(dc, cx - 5, cy - 5, cx + 5, cy + 5);
    Line(dc, cx + 5, cy - 5, cx - 5, cy + 5);
}

using InitCommonControlsExFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
}  // namespace

bool ToolButton::Create(HWND parent, ToolButtonId id, int x, int y, int w, int h) {
    id_ = id;
    RegisterClassOnce(L"VellumoToolButton", ::LoadCursorW(nullptr, IDC_HAND), nullptr);
    return CreateWin(0, L"VellumoToolButton", SpecOf(id).name, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, x, y, w,
                     h, parent, 200 + static_cast<int>(id)) != nullptr;
}

void ToolButton::Paint() {
    PaintDc dc(hwnd());
    RECT rc;
    ::GetClientRect(hwnd(), &rc);
    if (id_ == ToolButtonId::Exi) {
        DrawQuit(dc.get(), rc);
        return;
    }
    ::FillRect(dc.get(), &rc, ::GetSysColorBrush(pressed_ ? COLOR_BTNSHADOW : COLOR_BTNFACE));
    DrawGlyph(dc.get(), id_);
}

LRESULT ToolButton::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_PAINT: Paint(); return 0;
        case WM_ERASEBKGND: return 1;
        case WM_LBUTTONDOWN:
            pressed_ = true;
            capture_.Take(hwnd());
            ::InvalidateRect(hwnd(), nullptr, FALSE);
            return 0;
        case WM_LBUTTONUP: {
            const bool wasPressed = pressed_;
            pressed_ = false;
            capture_.Release();
            ::InvalidateRect(hwnd(), nullptr, FALSE);
            RECT rc;
            ::GetClientRect(hwnd(), &rc);
            const POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
            // Posted, so the action (which may close the overlay) runs after
            // this button has finished with its own message.
            if (wasPressed && ::PtInRect(&rc, pt))
                ::PostMessageW(::GetParent(hwnd()), WM_TOOLCLICK, static_cast<WPARAM>(id_), 0);
            return 0;
        }
        case WM_CAPTURECHANGED:
            if (pressed_) {
                pressed_ = false;
                ::InvalidateRect(hwnd(), nullptr, FALSE);
            }
            return 0;
        default: return Default(msg, wp, lp);
    }
}

bool ToolsPanel::Create(HWND parent, ClickHandler onClick) {
    onClick_ = std::move(onClick);
    RegisterClassOnce(L"VellumoTools", ::LoadCursorW(nullptr, IDC_ARROW), ::GetSysColorBrush(COLOR_BTNFACE));
    if (!CreateWin(0, L"VellumoTools", L"Tools", WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0,
                   kToolsSize.width, kToolsSize.height, parent))
        return false;
    for (const ButtonSpec& b : kButtons) buttons_[static_cast<int>(b.id)].Create(hwnd(), b.id, b.x, b.y, b.w, b.h);
    return true;
}

void ToolsPanel::EnsureTooltips() {
    if (tooltip_ || !hwnd()) return;
    HMODULE comctl = ::LoadLibraryW(L"comctl32.dll");
    auto init = comctl ? reinterpret_cast<InitCommonControlsExFn>(
                             reinterpret_cast<void*>(::GetProcAddress(comctl, "InitCommonControlsEx")))
                       : nullptr;
    if (!init) return;
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES};
    init(&icc);
    tooltip_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd(), nullptr,
                                 Instance(), nullptr);
    if (!tooltip_) return;
    for (const ButtonSpec& b : kButtons) {
        TOOLINFOW ti{};
        ti.cbSize = sizeof(ti);
        ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        ti.hwnd = hwnd();
        ti.uId = reinterpret_cast<UINT_PTR>(buttons_[static_cast<int>(b.id)].hwnd());
        ti.lpszText = const_cast<wchar_t*>(b.tip);
        ::SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    }
}

LRESULT ToolsPanel::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_TOOLCLICK) {
        if (onClick_) onClick_(static_cast<ToolButtonId>(wp));
        return 0;
    }
    return Default(msg, wp, lp);
}

}  // namespace vellumo::win
