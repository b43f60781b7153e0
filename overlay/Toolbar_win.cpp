#include "overlay/Toolbar_win.h"

#include <commctrl.h>
#include <windowsx.h>

#include <cstdio>
#include <string>

#include "gfx/Convert_win.h"
#include "gfx/SystemProc_win.h"
#include "overlay/Selection.h"

namespace vellumo::win {

namespace {
constexpr UINT WM_TOOLCLICK = WM_APP + 1;  // wParam: ToolButtonId
constexpr COLORREF kQuitRed = RGB(255, 0, 0);

constexpr UINT WM_TOOLHOVER = WM_APP + 2;  // wParam: tool index
constexpr COLORREF kToolsBack = RGB(40, 40, 44);
constexpr COLORREF kUnderFill = RGB(148, 217, 255);
constexpr COLORREF kUnderBorder = RGB(36, 143, 251);
constexpr COLORREF kDownUnBorder = RGB(0, 0, 255);
constexpr int kTxtWidId = 301;
constexpr int kTxtAlpId = 302;
// Markers wait out of sight, left of the toolbar.
constexpr Rect kParkedMarker{-40, 2, kMarkerSize, kMarkerSize};

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
constexpr const wchar_t* kDrawNames[kToolCount] = {L"Draw(0)", L"Draw(1)", L"Draw(2)", L"Draw(3)", L"Draw(4)"};
constexpr const wchar_t* kDrawTips[kToolCount] = {L"Add Rectangle", L"Add Vertebral round", L"Add Text",
                                                  L"Add Arrow", L"Eraser"};


void Line(HDC dc, int x0, int y0, int x1, int y1) {
    ::MoveToEx(dc, x0, y0, nullptr);
    ::LineTo(dc, x1, y1);
}

// 16 x 16 glyphs of the drawing tools: rectangle, ellipse, text, arrow, eraser.
void DrawToolGlyph(HDC dc, int index) {
    unique_hpen pen(::CreatePen(PS_SOLID, 1, RGB(32, 32, 32)));
    Selected usePen(dc, pen.get());
    Selected noFill(dc, ::GetStockObject(NULL_BRUSH));
    switch (index) {
        case 0: ::Rectangle(dc, 2, 3, 14, 13); break;
        case 1: ::Ellipse(dc, 1, 3, 15, 13); break;
        case 2:
            Line(dc, 4, 13, 8, 2);
            Line(dc, 8, 2, 12, 13);
            Line(dc, 5, 9, 11, 9);
            break;
        case 3:
            Line(dc, 2, 13, 13, 2);
            Line(dc, 13, 2, 7, 3);
            Line(dc, 13, 2, 12, 8);
            break;
        case 4: {
            const POINT body[] = {{2, 10}, {8, 4}, {13, 9}, {7, 15}};
            ::Polygon(dc, body, 4);
            Line(dc, 5, 7, 10, 12);
            break;
        }
        default: break;
    }
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
        case ToolButtonId::Exi:
        case ToolButtonId::Draw: break;
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

}  // namespace


bool ToolButton::Create(HWND parent, ToolButtonId id, int index, const Rect& r, const wchar_t* name) {
    id_ = id;
    index_ = index;
    RegisterClassOnce(L"VellumoToolButton", ::LoadCursorW(nullptr, IDC_HAND), nullptr);
    const int ctrlId = id == ToolButtonId::Draw ? 100 + index : 200 + static_cast<int>(id);
    return CreateWin(0, L"VellumoToolButton", name, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, r.left, r.top, r.width,
                     r.height, parent, ctrlId) != nullptr;
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
    if (id_ == ToolButtonId::Draw) DrawToolGlyph(dc.get(), index_);
    else DrawGlyph(dc.get(), id_);
}

LRESULT ToolButton::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_PAINT: Paint(); return 0;
        case WM_ERASEBKGND: return 1;
        case WM_MOUSEMOVE:
            if (id_ == ToolButtonId::Draw) ::SendMessageW(::GetParent(hwnd()), WM_TOOLHOVER, index_, 0);
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
            // Posted, so the action (which may close the overlay) runs after
            // this button has finished with its own message.
            if (wasPressed && ::PtInRect(&rc, pt))
                ::PostMessageW(::GetParent(hwnd()), WM_TOOLCLICK, static_cast<WPARAM>(id_), index_);
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

bool ToolsPanel::Create(HWND parent, Events events) {
    events_ = std::move(events);
    Under = DownUn = kParkedMarker;
    RegisterClassOnce(L"VellumoTools", ::LoadCursorW(nullptr, IDC_ARROW), nullptr);
    if (!CreateWin(0, L"VellumoTools", L"Tools", WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0,
                   kToolsSize.width, kToolsSize.height, parent))
        return false;
    for (const ButtonSpec& b : kButtons)
        buttons_[static_cast<int>(b.id)].Create(hwnd(), b.id, 0, {b.x, b.y, b.w, b.h}, b.name);
    for (int i = 0; i < kToolCount; ++i) Draw[i].Create(hwnd(), ToolButtonId::Draw, i, DrawButtonRect(i), kDrawNames[i]);

    Ops.Create(hwnd(), {[this](int i) {
                            Ops.SetCurrentColor(kPalette[i]);
                            if (events_.colourChosen) events_.colourChosen(kPalette[i]);
                        },
                        [this](Point p) { Tools_MouseDown(p); }, [this](Point p) { Tools_MouseMove(p); }});

    font_.reset(::CreateFontW(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                              CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"微软雅黑"));
    const auto makeEdit = [&](const Rect& r, const wchar_t* text, int id) {
        HWND e = ::CreateWindowExW(0, L"EDIT", text, WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, r.left,
                                   r.top, r.width, r.height, hwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                   Instance(), nullptr);
        if (e && font_) ::SendMessageW(e, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
        // "255" must fit the 25-pixel box.
        if (e) ::SendMessageW(e, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(1, 1));
        return e;
    };
    txtWid = makeEdit(kTxtWidRect, L"5", kTxtWidId);
    txtAlp = makeEdit(kTxtAlpRect, L"255", kTxtAlpId);
    svWid.Create(hwnd(), kSvWidRect.left, kSvWidRect.top, kSvWidRect.width, kSvWidRect.height, 100, 5);
    svAlp.Create(hwnd(), kSvAlpRect.left, kSvAlpRect.top, kSvAlpRect.width, kSvAlpRect.height, 255, 255);
    svWid.Change = [this] { svWid_Change(); };
    svAlp.Change = [this] { svAlp_Change(); };

    LOGFONTW lf{};
    lf.lfHeight = -12;
    lf.lfCharSet = DEFAULT_CHARSET;
    ::lstrcpynW(lf.lfFaceName, L"微软雅黑", LF_FACESIZE);
    const auto makeButton = [&](CenterText& c, const Rect& r, const wchar_t* caption, std::function<void()> click) {
        c.Create(hwnd(), r.left, r.top, r.width, r.height, caption);
        c.SetBackColor(RGB(64, 64, 64));
        c.SetForeColor(RGB(255, 255, 255));
        c.SetFont(lf);
        c.Click = std::move(click);
    };
    makeButton(MoreC, kMoreCRect, L"Color", [this] {
        if (events_.MoreC_Click) events_.MoreC_Click();
    });
    makeButton(Sets, kSetsRect, L"Font", [this] {
        if (events_.Sets_Click) events_.Sets_Click();
    });
    return true;
}

void ToolsPanel::EnsureTooltips() {
    if (tooltip_ || !hwnd()) return;
    if (!InitCommonControlClasses(ICC_WIN95_CLASSES)) return;
    tooltip_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd(), nullptr,
                                 Instance(), nullptr);
    if (!tooltip_) return;
    const auto addTip = [&](HWND tool, const wchar_t* tip) {
        TOOLINFOW ti{};
        ti.cbSize = sizeof(ti);
        ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        ti.hwnd = hwnd();
        ti.uId = reinterpret_cast<UINT_PTR>(tool);
        ti.lpszText = const_cast<wchar_t*>(tip);
        ::SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    };
    for (const ButtonSpec& b : kButtons) addTip(buttons_[static_cast<int>(b.id)].hwnd(), b.tip);
    for (int i = 0; i < kToolCount; ++i) addTip(Draw[i].hwnd(), kDrawTips[i]);
}

void ToolsPanel::MoveMarker(Rect& marker, int index) {
    const RECT before = ToRECT(marker);
    ::InvalidateRect(hwnd(), &before, FALSE);
    marker = CenteredMarker(DrawButtonRect(index), kMarkerSize);
    const RECT after = ToRECT(marker);
    ::InvalidateRect(hwnd(), &after, FALSE);
}

void ToolsPanel::Draw_MouseMove(int index) {
    if (CenteredMarker(DrawButtonRect(index), kMarkerSize) != Under) MoveMarker(Under, index);
}

void ToolsPanel::ShowChosenTool(int index) { MoveMarker(DownUn, index); }

void ToolsPanel::Tools_MouseDown(Point local) { PanelGrab = local; }

void ToolsPanel::Tools_MouseMove(Point local) {
    // The panel moves under the pointer, so the offset is measured anew each
    // time from where it was grabbed. Nothing keeps it on the screen.
    RECT r;
    ::GetWindowRect(hwnd(), &r);
    POINT topLeft{r.left, r.top};
    ::ScreenToClient(::GetParent(hwnd()), &topLeft);
    ::SetWindowPos(hwnd(), nullptr, topLeft.x + local.x - PanelGrab.x, topLeft.y + local.y - PanelGrab.y, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

namespace {
std::wstring NumberText(float v) {
    wchar_t buf[32];
    std::swprintf(buf, 32, L"%g", static_cast<double>(v));
    return buf;
}
}  // namespace

void ToolsPanel::svWid_Change() {
    if (txtWid && typingIn_ != txtWid) ::SetWindowTextW(txtWid, NumberText(svWid.Value()).c_str());
}

void ToolsPanel::svAlp_Change() {
    if (txtAlp && typingIn_ != txtAlp) ::SetWindowTextW(txtAlp, NumberText(svAlp.Value()).c_str());
}

void ToolsPanel::OnEditCommand(HWND edit, int code) {
    SValue& slider = edit == txtWid ? svWid : svAlp;
    if (code == EN_CHANGE) {
        wchar_t buf[64] = {};
        ::GetWindowTextW(edit, buf, 64);
        const auto v = ParseNumber(buf);
        if (!v) return;  // not a number: the slider keeps its value
        // While the user types, the box keeps the text; it shows the slider's
        // value when the focus leaves it.
        typingIn_ = ::GetFocus() == edit ? edit : nullptr;
        slider.SetValue(static_cast<float>(*v));
        typingIn_ = nullptr;
    } else if (code == EN_KILLFOCUS) {
        const std::wstring shown = NumberText(slider.Value());
        wchar_t buf[64] = {};
        ::GetWindowTextW(edit, buf, 64);
        if (shown != buf) ::SetWindowTextW(edit, shown.c_str());
    }
}

void ToolsPanel::Paint() {
    PaintDc dc(hwnd());
    RECT all;
    ::GetClientRect(hwnd(), &all);
    unique_hbrush back(::CreateSolidBrush(kToolsBack));
    ::FillRect(dc.get(), &all, back.get());
    const auto square = [&](const Rect& r, COLORREF fill, COLORREF border) {
        unique_hbrush f(::CreateSolidBrush(fill));
        unique_hpen p(::CreatePen(PS_SOLID, 1, border));
        Selected useBrush(dc.get(), f.get());
        Selected usePen(dc.get(), p.get());
        ::Rectangle(dc.get(), r.left, r.top, r.right(), r.bottom());
    };
    square(DownUn, ::GetSysColor(COLOR_HIGHLIGHT), kDownUnBorder);
    if (Under != DownUn) square(Under, kUnderFill, kUnderBorder);
    ::SetBkMode(dc.get(), TRANSPARENT);
    ::SetTextColor(dc.get(), RGB(255, 255, 255));
    Selected useFont(dc.get(), font_ ? static_cast<HGDIOBJ>(font_.get()) : ::GetStockObject(DEFAULT_GUI_FONT));
    RECT thin = ToRECT(kThinLabelRect), light = ToRECT(kLightLabelRect);
    ::DrawTextW(dc.get(), L"thin", -1, &thin, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
    ::DrawTextW(dc.get(), L"light", -1, &light, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
}

LRESULT ToolsPanel::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    const Point p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    switch (msg) {
        case WM_TOOLCLICK:
            if (static_cast<ToolButtonId>(wp) == ToolButtonId::Draw) {
                if (events_.Draw_Click) events_.Draw_Click(static_cast<int>(lp));
            } else if (events_.action) {
                events_.action(static_cast<ToolButtonId>(wp));
            }
            return 0;
        case WM_TOOLHOVER: Draw_MouseMove(static_cast<int>(wp)); return 0;
        case WM_PAINT: Paint(); return 0;
        case WM_ERASEBKGND: return 1;
        case WM_LBUTTONDOWN:
            dragging_ = true;
            capture_.Take(hwnd());
            Tools_MouseDown(p);
            return 0;
        case WM_MOUSEMOVE:
            if (dragging_ && (wp & MK_LBUTTON)) Tools_MouseMove(p);
            return 0;
        case WM_LBUTTONUP:
            dragging_ = false;
            capture_.Release();
            return 0;
        case WM_CAPTURECHANGED: dragging_ = false; return 0;
        case WM_COMMAND: {
            const HWND from = reinterpret_cast<HWND>(lp);
            if (from && (from == txtWid || from == txtAlp)) OnEditCommand(from, HIWORD(wp));
            return 0;
        }
        default: return Default(msg, wp, lp);
    }
}

}  // namespace vellumo::win
