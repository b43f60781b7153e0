#include "overlay/Toolbar_win.h"

#include <commctrl.h>
#include <windowsx.h>

#include <cstdio>
#include <string>

#include "gfx/Convert_win.h"
#include "gfx/Dpi.h"
#include "gfx/SystemProc_win.h"
#include "annotate/Tool.h"
#include "overlay/Selection.h"

namespace vellumo::win {

namespace {
constexpr UINT WM_TOOLCLICK = WM_APP + 1;  // wParam: ToolButtonId, lParam: tool index
constexpr COLORREF kToolsBack = RGB(40, 40, 44);
constexpr COLORREF kUnderFill = RGB(148, 217, 255);
constexpr COLORREF kUnderBorder = RGB(36, 143, 251);
constexpr COLORREF kChosenMarkerBorder = RGB(0, 0, 255);
constexpr int kWidthBoxId = 301;
constexpr int kOpacityBoxId = 302;
// Markers wait out of sight, left of the toolbar.
constexpr Rect kParkedMarker{-40, 2, kMarkerSize, kMarkerSize};

struct ButtonSpec {
    ToolButtonId id;
    const wchar_t* name;
    const wchar_t* tip;
    Rect at;
};
// The action buttons sit on the top row, right of the drawing tools.
constexpr ButtonSpec kButtons[] = {
    {ToolButtonId::Copy, L"Image1", L"Copy to clipboard", kCopyButtonRect},
    {ToolButtonId::Pin, L"pinimg", L"Pin", kPinButtonRect},
    {ToolButtonId::Save, L"SavePic", L"Save to (Ctrl+Shift+S: quick save, no dialog)", kSaveButtonRect},
    {ToolButtonId::Quit, L"Exi", L"Quit", kQuitButtonRect},
};

// The toolbar's text font ("thin", "light", the text boxes) at `dpi`.
LOGFONTW ToolbarFont(int dpi) {
    LOGFONTW lf{};
    lf.lfHeight = ScaleUi(-12, dpi);
    lf.lfCharSet = DEFAULT_CHARSET;
    ::lstrcpynW(lf.lfFaceName, L"微软雅黑", LF_FACESIZE);
    return lf;
}

}  // namespace

ToolButton::Events Toolbar::ButtonEvents(ToolButtonId id, int index) {
    ToolButton::Events e;
    // Posted, so the action (which may close the overlay) runs after the
    // button has finished with its own message.
    e.clicked = [this, id, index] { ::PostMessageW(hwnd(), WM_TOOLCLICK, static_cast<WPARAM>(id), index); };
    if (id == ToolButtonId::Tool) e.hovered = [this, index] { OnToolButtonHover(index); };
    return e;
}

bool Toolbar::Create(HWND parent, Events events, int dpi) {
    events_ = std::move(events);
    hoverMarker_ = chosenMarker_ = kParkedMarker;
    RegisterClassOnce(L"VellumoTools", ::LoadCursorW(nullptr, IDC_ARROW), nullptr);
    // The title is observable and kept as it always was (see the overlay's class name).
    if (!CreateWin(0, L"VellumoTools", L"Tools", WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0,
                   kToolsSize.width, kToolsSize.height, parent))
        return false;
    // Made at their 96-DPI places; Layout sizes them for the monitor.
    for (const ButtonSpec& b : kButtons)
        buttons_[static_cast<int>(b.id)].Create(hwnd(), b.id, 0, b.at, b.name, ButtonEvents(b.id, 0));
    // The window titles are observable ("Draw(0)"...) and kept as they always were.
    const auto tools = ToolTable();
    for (int i = 0; i < static_cast<int>(tools.size()); ++i) {
        toolButtons_.push_back(std::make_unique<ToolButton>());
        toolButtons_.back()->Create(hwnd(), ToolButtonId::Tool, i, DrawButtonRect(i), tools[i].name,
                                    ButtonEvents(ToolButtonId::Tool, i));
    }

    palette_.Create(hwnd(), {[this](int i) {
                            palette_.SetCurrentColor(kPalette[i]);
                            if (events_.colourChosen) events_.colourChosen(kPalette[i]);
                        },
                        [this](Point p) { OnPanelMouseDown(p); }, [this](Point p) { OnPanelMouseMove(p); }});

    const auto makeEdit = [&](const Rect& r, const wchar_t* text, int id) {
        return ::CreateWindowExW(0, L"EDIT", text, WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, r.left,
                                 r.top, r.width, r.height, hwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 Instance(), nullptr);
    };
    widthBox_ = makeEdit(kWidthBoxRect, L"5", kWidthBoxId);
    opacityBox_ = makeEdit(kOpacityBoxRect, L"255", kOpacityBoxId);
    widthSlider_.Create(hwnd(), kWidthSliderRect.left, kWidthSliderRect.top, kWidthSliderRect.width,
                        kWidthSliderRect.height, 100, 5);
    opacitySlider_.Create(hwnd(), kOpacitySliderRect.left, kOpacitySliderRect.top, kOpacitySliderRect.width,
                          kOpacitySliderRect.height, 255, 255);
    widthSlider_.Change = [this] { OnWidthChanged(); };
    opacitySlider_.Change = [this] { OnOpacityChanged(); };

    const auto makeButton = [&](CaptionLabel& c, const Rect& r, const wchar_t* caption, std::function<void()> click) {
        c.Create(hwnd(), r.left, r.top, r.width, r.height, caption);
        c.SetBackColor(RGB(64, 64, 64));
        c.SetForeColor(RGB(255, 255, 255));
        c.Click = std::move(click);
    };
    makeButton(moreColoursLabel_, kMoreColoursRect, L"Color", [this] {
        if (events_.PickMoreColours) events_.PickMoreColours();
    });
    makeButton(fontLabel_, kFontLabelRect, L"Font", [this] {
        if (events_.PickFont) events_.PickFont();
    });
    dpi_ = UiDpi(dpi);
    Layout();
    return true;
}

Rect Toolbar::At(const Rect& designed) const { return ScaleUi(designed, dpi_); }

void Toolbar::SetDpi(int dpi) {
    if (!hwnd() || UiDpi(dpi) == dpi_) return;
    dpi_ = UiDpi(dpi);
    Layout();
}

void Toolbar::Layout() {
    const Size size = ScaleUi(kToolsSize, dpi_);
    ::SetWindowPos(hwnd(), nullptr, 0, 0, size.width, size.height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    for (const ButtonSpec& b : kButtons) buttons_[static_cast<int>(b.id)].Place(At(b.at), dpi_);
    for (std::size_t i = 0; i < toolButtons_.size(); ++i)
        toolButtons_[i]->Place(At(DrawButtonRect(static_cast<int>(i))), dpi_);
    palette_.SetDpi(dpi_);

    const LOGFONTW lf = ToolbarFont(dpi_);
    font_.reset(::CreateFontIndirectW(&lf));
    const int margin = ScaleUi(1, dpi_);
    for (const auto& [box, r] : {std::pair{widthBox_, kWidthBoxRect}, std::pair{opacityBox_, kOpacityBoxRect}}) {
        if (!box) continue;
        const Rect at = At(r);
        ::SetWindowPos(box, nullptr, at.left, at.top, at.width, at.height, SWP_NOZORDER | SWP_NOACTIVATE);
        if (font_) ::SendMessageW(box, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), TRUE);
        // "255" must fit the 25-pixel box.
        ::SendMessageW(box, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(margin, margin));
    }
    for (const auto& [slider, r] :
         {std::pair{&widthSlider_, kWidthSliderRect}, std::pair{&opacitySlider_, kOpacitySliderRect}}) {
        const Rect at = At(r);
        ::SetWindowPos(slider->hwnd(), nullptr, at.left, at.top, at.width, at.height, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    for (const auto& [label, r] :
         {std::pair{&moreColoursLabel_, kMoreColoursRect}, std::pair{&fontLabel_, kFontLabelRect}}) {
        const Rect at = At(r);
        ::SetWindowPos(label->hwnd(), nullptr, at.left, at.top, at.width, at.height, SWP_NOZORDER | SWP_NOACTIVATE);
        label->SetFont(lf);
    }
    ::InvalidateRect(hwnd(), nullptr, FALSE);
}

void Toolbar::EnsureTooltips() {
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
    const auto tools = ToolTable();
    for (std::size_t i = 0; i < toolButtons_.size(); ++i) addTip(toolButtons_[i]->hwnd(), tools[i].tip);
}

void Toolbar::MoveMarker(Rect& marker, int index) {
    const RECT before = ToRECT(At(marker));
    ::InvalidateRect(hwnd(), &before, FALSE);
    marker = CenteredMarker(DrawButtonRect(index), kMarkerSize);
    const RECT after = ToRECT(At(marker));
    ::InvalidateRect(hwnd(), &after, FALSE);
}

void Toolbar::OnToolButtonHover(int index) {
    if (CenteredMarker(DrawButtonRect(index), kMarkerSize) != hoverMarker_) MoveMarker(hoverMarker_, index);
}

void Toolbar::ShowChosenTool(int index) { MoveMarker(chosenMarker_, index); }

void Toolbar::ShowToolOption(int index, bool on) {
    if (index >= 0 && index < static_cast<int>(toolButtons_.size())) toolButtons_[static_cast<std::size_t>(index)]->ShowOption(on);
}

void Toolbar::OnPanelMouseDown(Point local) { grabOffset_ = local; }

void Toolbar::OnPanelMouseMove(Point local) {
    // The panel moves under the pointer, so the offset is measured anew each
    // time from where it was grabbed. Nothing keeps it on the screen.
    RECT r;
    ::GetWindowRect(hwnd(), &r);
    POINT topLeft{r.left, r.top};
    ::ScreenToClient(::GetParent(hwnd()), &topLeft);
    ::SetWindowPos(hwnd(), nullptr, topLeft.x + local.x - grabOffset_.x, topLeft.y + local.y - grabOffset_.y, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Toolbar::WheelWidth(int notches, bool shift) {
    widthSlider_.SetValue(WidthAfterWheel(widthSlider_.Value(), notches, shift, widthSlider_.Max()));
}

void Toolbar::OnWidthChanged() {
    if (widthBox_ && typingIn_ != widthBox_) ::SetWindowTextW(widthBox_, ValueBoxText(widthSlider_.Value()).c_str());
}

void Toolbar::OnOpacityChanged() {
    if (opacityBox_ && typingIn_ != opacityBox_) ::SetWindowTextW(opacityBox_, ValueBoxText(opacitySlider_.Value()).c_str());
}

void Toolbar::OnEditCommand(HWND edit, int code) {
    ValueSlider& slider = edit == widthBox_ ? widthSlider_ : opacitySlider_;
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
        wchar_t buf[64] = {};
        ::GetWindowTextW(edit, buf, 64);
        if (const auto shown = ValueBoxTextOnLeave(buf, slider.Value())) ::SetWindowTextW(edit, shown->c_str());
    }
}

void Toolbar::Paint() {
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
    square(At(chosenMarker_), ::GetSysColor(COLOR_HIGHLIGHT), kChosenMarkerBorder);
    if (hoverMarker_ != chosenMarker_) square(At(hoverMarker_), kUnderFill, kUnderBorder);
    ::SetBkMode(dc.get(), TRANSPARENT);
    ::SetTextColor(dc.get(), RGB(255, 255, 255));
    Selected useFont(dc.get(), font_ ? static_cast<HGDIOBJ>(font_.get()) : ::GetStockObject(DEFAULT_GUI_FONT));
    RECT thin = ToRECT(At(kThinLabelRect)), light = ToRECT(At(kLightLabelRect));
    ::DrawTextW(dc.get(), L"thin", -1, &thin, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
    ::DrawTextW(dc.get(), L"light", -1, &light, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
}

LRESULT Toolbar::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    const Point p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    switch (msg) {
        case WM_TOOLCLICK:
            if (static_cast<ToolButtonId>(wp) == ToolButtonId::Tool) {
                if (events_.ChooseTool) events_.ChooseTool(static_cast<int>(lp));
            } else if (events_.action) {
                events_.action(static_cast<ToolButtonId>(wp));
            }
            return 0;
        case WM_PAINT: Paint(); return 0;
        case WM_ERASEBKGND: return 1;
        case WM_LBUTTONDOWN:
            dragging_ = true;
            capture_.Take(hwnd());
            OnPanelMouseDown(p);
            return 0;
        case WM_MOUSEMOVE:
            if (dragging_ && (wp & MK_LBUTTON)) OnPanelMouseMove(p);
            return 0;
        case WM_LBUTTONUP:
            dragging_ = false;
            capture_.Release();
            return 0;
        case WM_CAPTURECHANGED: dragging_ = false; return 0;
        case WM_COMMAND: {
            const HWND from = reinterpret_cast<HWND>(lp);
            if (from && (from == widthBox_ || from == opacityBox_)) OnEditCommand(from, HIWORD(wp));
            return 0;
        }
        default: return Default(msg, wp, lp);
    }
}

}  // namespace vellumo::win
