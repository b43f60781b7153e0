// The toolbar's buttons: each paints its glyph (a drawing tool's from its row
// in the tool table, the actions' and the quit cross here) and reports a
// click released over the button it was pressed on.
#include <windowsx.h>

#include "annotate/Tool.h"
#include "gfx/Convert_win.h"
#include "gfx/Dpi.h"
#include "overlay/Toolbar_win.h"

namespace vellumo::win {

namespace {
constexpr COLORREF kQuitRed = RGB(255, 0, 0);

void Line(HDC dc, int x0, int y0, int x1, int y1) {
    ::MoveToEx(dc, x0, y0, nullptr);
    ::LineTo(dc, x1, y1);
}

// A drawing tool's 16 x 16 glyph, as its row in the tool table gives it
// (its option glyph while the option is on, when it has one).
void DrawToolGlyph(HDC dc, int index, bool optionOn) {
    const auto tools = ToolTable();
    if (index < 0 || index >= static_cast<int>(tools.size())) return;
    const ToolEntry& tool = tools[static_cast<std::size_t>(index)];
    const Glyph& glyph = optionOn && tool.optionGlyph.parts[0].kind != GlyphPart::End ? tool.optionGlyph : tool.glyph;
    unique_hpen pen(::CreatePen(PS_SOLID, 1, RGB(32, 32, 32)));
    unique_hbrush ink(::CreateSolidBrush(RGB(32, 32, 32)));
    Selected usePen(dc, pen.get());
    for (const GlyphPart& part : glyph.parts) {
        const Point* p = part.points;
        const bool filled = part.kind == GlyphPart::FilledBox || part.kind == GlyphPart::FilledOval;
        Selected fill(dc, filled ? static_cast<HGDIOBJ>(ink.get()) : ::GetStockObject(NULL_BRUSH));
        switch (part.kind) {
            case GlyphPart::End: return;
            case GlyphPart::Lines:
                ::MoveToEx(dc, p[0].x, p[0].y, nullptr);
                for (int k = 1; k < part.count; ++k) ::LineTo(dc, p[k].x, p[k].y);
                break;
            case GlyphPart::Box:
            case GlyphPart::FilledBox: ::Rectangle(dc, p[0].x, p[0].y, p[1].x, p[1].y); break;
            case GlyphPart::Oval:
            case GlyphPart::FilledOval: ::Ellipse(dc, p[0].x, p[0].y, p[1].x, p[1].y); break;
            case GlyphPart::Polygon: {
                POINT pts[5];
                for (int k = 0; k < part.count; ++k) pts[k] = {p[k].x, p[k].y};
                ::Polygon(dc, pts, part.count);
                break;
            }
        }
    }
}

// 16 x 16 glyphs in plain GDI: two pages (copy), a pushpin (pin), a floppy (save).
void DrawGlyph(HDC dc, ToolButtonId id) {
    unique_hpen pen(::CreatePen(PS_SOLID, 1, RGB(32, 32, 32)));
    Selected usePen(dc, pen.get());
    Selected noFill(dc, ::GetStockObject(NULL_BRUSH));
    switch (id) {
        case ToolButtonId::Copy:
            ::Rectangle(dc, 2, 1, 11, 12);
            ::Rectangle(dc, 5, 4, 14, 15);
            break;
        case ToolButtonId::Pin:
            ::Rectangle(dc, 5, 1, 11, 3);
            ::Rectangle(dc, 6, 3, 10, 8);
            Line(dc, 3, 8, 13, 8);
            Line(dc, 8, 9, 8, 15);
            break;
        case ToolButtonId::Save:
            ::Rectangle(dc, 1, 1, 15, 15);
            ::Rectangle(dc, 4, 1, 12, 6);
            ::Rectangle(dc, 3, 9, 13, 15);
            break;
        case ToolButtonId::Quit:
        case ToolButtonId::Tool: break;
    }
}

// The glyphs are drawn in 96-DPI button pixels; at another DPI the DC maps
// them onto the larger button.
void ScaleGlyphs(HDC dc, int dpi) {
    if (UiDpi(dpi) == kDesignDpi) return;
    ::SetMapMode(dc, MM_ANISOTROPIC);
    ::SetWindowExtEx(dc, kDesignDpi, kDesignDpi, nullptr);
    ::SetViewportExtEx(dc, UiDpi(dpi), UiDpi(dpi), nullptr);
}

// The quit button's cross: the "r" of Webdings where that font exists, drawn
// lines where it does not (Wine ships no Webdings).
void DrawQuit(HDC dc, const RECT& rc, int dpi) {
    unique_hbrush red(::CreateSolidBrush(kQuitRed));
    ::FillRect(dc, &rc, red.get());
    unique_hfont webdings(::CreateFontW(ScaleUi(-18, dpi), 0, 0, 0, FW_NORMAL, 0, 0, 0, SYMBOL_CHARSET, OUT_DEFAULT_PRECIS,
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
    unique_hpen white(::CreatePen(PS_SOLID, ScaleUi(2, dpi), RGB(255, 255, 255)));
    Selected p(dc, white.get());
    const int cx = (rc.left + rc.right) / 2, cy = (rc.top + rc.bottom) / 2, arm = ScaleUi(5, dpi);
    Line(dc, cx - arm, cy - arm, cx + arm, cy + arm);
    Line(dc, cx + arm, cy - arm, cx - arm, cy + arm);
}
}  // namespace

bool ToolButton::Create(HWND parent, ToolButtonId id, int index, const Rect& r, const wchar_t* name, Events events) {
    events_ = std::move(events);
    id_ = id;
    index_ = index;
    RegisterClassOnce(L"VellumoToolButton", ::LoadCursorW(nullptr, IDC_HAND), nullptr);
    const int ctrlId = id == ToolButtonId::Tool ? 100 + index : 200 + static_cast<int>(id);
    return CreateWin(0, L"VellumoToolButton", name, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, r.left, r.top, r.width,
                     r.height, parent, ctrlId) != nullptr;
}

void ToolButton::Place(const Rect& r, int dpi) {
    dpi_ = dpi;
    ::SetWindowPos(hwnd(), nullptr, r.left, r.top, r.width, r.height, SWP_NOZORDER | SWP_NOACTIVATE);
    ::InvalidateRect(hwnd(), nullptr, FALSE);
}

void ToolButton::ShowOption(bool on) {
    if (on == optionOn_) return;
    optionOn_ = on;
    ::InvalidateRect(hwnd(), nullptr, FALSE);
}

void ToolButton::Paint() {
    PaintDc dc(hwnd());
    RECT rc;
    ::GetClientRect(hwnd(), &rc);
    if (id_ == ToolButtonId::Quit) {
        DrawQuit(dc.get(), rc, dpi_);
        return;
    }
    ::FillRect(dc.get(), &rc, ::GetSysColorBrush(pressed_ ? COLOR_BTNSHADOW : COLOR_BTNFACE));
    ScaleGlyphs(dc.get(), dpi_);
    if (id_ == ToolButtonId::Tool) DrawToolGlyph(dc.get(), index_, optionOn_);
    else DrawGlyph(dc.get(), id_);
}

LRESULT ToolButton::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_PAINT: Paint(); return 0;
        case WM_ERASEBKGND: return 1;
        case WM_MOUSEMOVE:
            if (events_.hovered) events_.hovered();
            return 0;
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
            const POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
            if (wasPressed && ::PtInRect(&rc, pt) && events_.clicked) events_.clicked();
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

}  // namespace vellumo::win
