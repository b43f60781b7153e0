#include "floaters/Hoverdeck_win.h"

#include "floaters/Moveit_win.h"
#include "gfx/PictureFit.h"
#include "gfx/Picture_win.h"
#include "settings/Sett_win.h"

namespace vellumo::win {

namespace {
constexpr wchar_t kClassName[] = L"VellumoHoverdeck";
constexpr wchar_t kMessageTitle[] = L"Vellumo";
constexpr UINT_PTR kCtimeTimer = 1;
constexpr UINT_PTR kTimer1 = 2;

std::unique_ptr<Hoverdeck> g_host;

COLORREF ToColorRef(Colour c) { return RGB(c.r, c.g, c.b); }
void InvalidateRectOf(HWND w, const Rect& r) {
    if (r.empty()) return;
    const RECT rc{r.left, r.top, r.right(), r.bottom()};
    ::InvalidateRect(w, &rc, TRUE);
}

int CALLBACK NoteFontFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

// The label font: "微软雅黑" 9 pt bold, GB2312. Where that face is missing the
// GB2312 request maps to a font without Latin digits, so the label would
// show empty boxes: the default character set then picks a stand-in.
HFONT CreateLabelFont() {
    constexpr wchar_t kFace[] = L"\u5FAE\u8F6F\u96C5\u9ED1";
    WindowDc screen(nullptr);
    LOGFONTW want{};
    want.lfCharSet = GB2312_CHARSET;
    wcscpy_s(want.lfFaceName, kFace);
    bool found = false;
    ::EnumFontFamiliesExW(screen.get(), &want, NoteFontFound, reinterpret_cast<LPARAM>(&found), 0);
    const int height = -::MulDiv(9, ::GetDeviceCaps(screen.get(), LOGPIXELSY), 72);
    return ::CreateFontW(height, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, found ? GB2312_CHARSET : DEFAULT_CHARSET,
                         OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, kFace);
}

// Wine keeps the pointer inside a full-screen foreground window by grabbing
// it to an invisible window laid over the screen. A popup menu's grab
// replaces that one, and when the menu ends nothing restores it: the
// invisible window, still there, swallows every later click on the screen.
// A clip one pixel smaller, then none, makes Wine grab afresh. On Windows the
// pair changes nothing: the narrower clip still holds the pointer. Called once
// the menu's choice is done: a host that choice hid or closed is no longer
// clipped to, and must not be.
void RegrabPointerAfterMenu(HWND host) {
    if (!::IsWindow(host) || !::IsWindowVisible(host) || ::GetForegroundWindow() != host) return;
    const Rect screen{::GetSystemMetrics(SM_XVIRTUALSCREEN), ::GetSystemMetrics(SM_YVIRTUALSCREEN),
                      ::GetSystemMetrics(SM_CXVIRTUALSCREEN), ::GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    POINT at{};
    if (screen.width < 2 || !::GetCursorPos(&at)) return;
    const Rect clip = NarrowedAround(screen, Point{at.x, at.y});
    const RECT rc{clip.left, clip.top, clip.right(), clip.bottom()};
    if (::ClipCursor(&rc)) ::ClipCursor(nullptr);
}

}  // namespace

std::wstring HwndToTitle(HWND w) {
    wchar_t buffer[256] = {};
    const int n = w ? ::GetWindowTextW(w, buffer, 256) : 0;
    return std::wstring(buffer, n > 0 ? n : 0);
}

Hoverdeck* LoadedHoverdeck() { return g_host && g_host->hwnd() ? g_host.get() : nullptr; }

Hoverdeck* LoadHoverdeckWindow() {
    if (Hoverdeck* h = LoadedHoverdeck()) return h;
    std::unique_ptr<Hoverdeck> host(new Hoverdeck());
    if (!host->Form_Load()) return nullptr;
    g_host = std::move(host);
    return g_host.get();
}

Hoverdeck* LoadHoverdeck() {
    Hoverdeck* h = LoadHoverdeckWindow();
    if (h) h->ApplyStoredSettings();
    return h;
}

bool Hoverdeck::PinCapture(unique_hbitmap bitmap, std::wstring& why) {
    if (!book_.NextUsableIndex()) {
        why = kIndexExhaustedMessage;
        return false;
    }
    if (!AddFloater(std::move(bitmap))) {
        why = L"The Floater could not be made: the system refused a new window.";
        return false;
    }
    return true;
}

void Hoverdeck::ShowPinned() {
    Show();
    wintop_Click();
    SetKeeper(true);
    ApplyStoredSettings();
}

bool Hoverdeck::Form_Load() {
    screen_ = {::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    if (!RegisterClassOnce(kClassName, ::LoadCursorW(nullptr, IDC_ARROW), nullptr)) return false;
    keyBrush_.reset(::CreateSolidBrush(kKeyColorRef));
    labelFont_.reset(CreateLabelFont());
    // Not in the taskbar (a tool window), borderless, above everything.
    if (!CreateWin(WS_EX_LAYERED | WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kClassName, kHostTitle,
                   WS_POPUP | WS_CLIPCHILDREN, 0, 0, screen_.width, screen_.height))
        return false;
    TopLevelOpened();
    Command5_Click();
    getimg.Create(*this, DropIconPosition(screen_.width));
    BuildMenus();
    wintop_Click();
    SetKeeper(true);
    return true;
}

void Hoverdeck::ApplyStoredSettings() {
    if (settingsApplied_) return;
    settingsApplied_ = true;
    // The stored hotkey option; the first load brings the settings window,
    // and with it the hotkey and the tray icon.
    if (Sett* sett = LoadSett()) sett->ApplyStoredEnableFlag();
}

void Hoverdeck::OnDestroyed() {
    if (g_host.get() == this) DisposeLater(std::move(g_host));
    TopLevelClosed();
}

// Floaters below full opacity are popups of their own (see
// FloaterWheel_win.cpp); hiding the host does not hide owned windows.
void Hoverdeck::Show() {
    ::ShowWindow(hwnd(), SW_SHOW);
    ::ShowOwnedPopups(hwnd(), TRUE);
}
void Hoverdeck::Hide() {
    ::ShowOwnedPopups(hwnd(), FALSE);
    ::ShowWindow(hwnd(), SW_HIDE);
}

void Hoverdeck::wintop_Click() {
    ::SetWindowPos(hwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void Hoverdeck::SetKeeper(bool on) {
    if (on) ::SetTimer(hwnd(), kTimer1, kKeeperIntervalMs, nullptr);
    else ::KillTimer(hwnd(), kTimer1);
}

void Hoverdeck::Timer1_Timer() {
    // A disabled host has a dialog or message box of its own up: raising the
    // host would cover it where the system does not keep owned windows above
    // a re-raised owner (Wine), leaving the user a box they cannot click.
    if (!::IsWindowEnabled(hwnd())) return;
    const HWND foreground = ::GetForegroundWindow();
    DWORD process = 0;
    if (foreground) ::GetWindowThreadProcessId(foreground, &process);
    const bool ours = foreground && foreground != hwnd() && process == ::GetCurrentProcessId();
    if (!KeeperShouldReassert(HwndToTitle(foreground), ours)) return;
    // Unlike a pin, the keeper must not take the keyboard from the user's program.
    ::SetWindowPos(hwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void Hoverdeck::Tell(const std::wstring& text) {
    ::MessageBoxW(hwnd(), text.c_str(), kMessageTitle, MB_OK | MB_ICONWARNING | MB_TOPMOST | MB_SETFOREGROUND);
}

Size Hoverdeck::MeasureLabelText(const std::wstring& text) {
    // The host's own font, as a form measures text; the label draws in its own.
    WindowDc dc(hwnd());
    Selected font(dc.get(), ::GetStockObject(DEFAULT_GUI_FONT));
    SIZE extent{};
    ::GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &extent);
    return {extent.cx, extent.cy};
}

bool Hoverdeck::AddFloater(unique_hbitmap bitmap) {
    const std::optional<int> next = book_.NextUsableIndex();
    if (!next || !bitmap) return false;
    const int n = *next;
    const SIZE natural = BitmapSize(bitmap.get());
    const std::wstring text = LabelText(n);
    auto label = std::make_unique<FloaterLabel>();
    auto picture = std::make_unique<FloaterPicture>();
    if (!label->Create(*this, n, text, labelFont_.get())) return false;
    if (!picture->Create(*this, n, std::move(bitmap))) return false;
    book_.Create({natural.cx, natural.cy}, FitLabel(MeasureLabelText(text)), screen_);
    Text1[n] = std::move(label);
    Picture1[n] = std::move(picture);
    ApplyFloater(n);
    const HWND pic = Picture1[n]->hwnd();
    ::SetWindowPos(pic, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    RaiseDropIcon();
    ::ShowWindow(pic, SW_SHOWNA);
    InvalidateFrame();
    ::SetTimer(hwnd(), kCtimeTimer, kFlashIntervalMs, nullptr);
    return true;
}

void Hoverdeck::RaiseDropIcon() {
    ::SetWindowPos(getimg.hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void Hoverdeck::ApplyFloater(int n) {
    const Floater* f = book_.Find(n);
    auto pic = Picture1.find(n);
    auto label = Text1.find(n);
    if (!f || pic == Picture1.end() || label == Text1.end()) return;
    constexpr UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
    ::SetWindowPos(pic->second->hwnd(), nullptr, f->picture.left, f->picture.top, f->picture.width,
                   f->picture.height, flags);
    ::SetWindowPos(label->second->hwnd(), nullptr, f->label.left, f->label.top, f->label.width, f->label.height,
                   flags | (f->labelVisible ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
}

void Hoverdeck::RemoveFloater(int n) {
    // The elements may be on the stack (a menu popped up by the picture), so
    // they are freed by the message loop.
    if (auto it = Picture1.find(n); it != Picture1.end()) {
        ::DestroyWindow(it->second->hwnd());
        DisposeLater(std::move(it->second));
        Picture1.erase(it);
    }
    if (auto it = Text1.find(n); it != Text1.end()) {
        ::DestroyWindow(it->second->hwnd());
        DisposeLater(std::move(it->second));
        Text1.erase(it);
    }
    book_.Delete(n);
    scales_.erase(n);
}

void Hoverdeck::InvalidateFrame() {
    InvalidateRectOf(hwnd(), FrameBounds(paintedFrame_, kFrameWidth));
    paintedFrame_ = book_.frame;
    InvalidateRectOf(hwnd(), FrameBounds(paintedFrame_, kFrameWidth));
}

void Hoverdeck::ctime_Timer() {
    if (book_.FlashTick().hide) ::KillTimer(hwnd(), kCtimeTimer);
    InvalidateFrame();
}

void Hoverdeck::Form_Paint() {
    PaintDc dc(hwnd());
    ::FillRect(dc.get(), &dc.area(), keyBrush_.get());
    if (!book_.frameVisible) return;
    unique_hbrush brush(::CreateSolidBrush(ToColorRef(book_.frameColour)));
    for (const Rect& strip : FrameRing(book_.frame, kFrameWidth)) {
        if (strip.empty()) continue;
        const RECT rc{strip.left, strip.top, strip.right(), strip.bottom()};
        ::FillRect(dc.get(), &rc, brush.get());
    }
}

int Hoverdeck::PopupAtPointer(HMENU menu) {
    if (!menu) return 0;
    POINT pt{};
    ::GetCursorPos(&pt);
    // A popup menu only closes on an outside click when its owner is in front.
    ::SetForegroundWindow(hwnd());
    const int command = ::TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD |
                                                   TPM_NONOTIFY,
                                         pt.x, pt.y, 0, hwnd(), nullptr);
    ::PostMessageW(hwnd(), WM_NULL, 0, 0);
    return command;
}

void Hoverdeck::Picture1_MouseDown(int n, MouseButton button, Point local) {
    book_.PictureMouseDown(n, button == MouseButton::Left, local);
    InvalidateFrame();
    if (button == MouseButton::Left) {
        ::SetWindowPos(Picture1[n]->hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        RaiseDropIcon();
    } else if (button == MouseButton::Right) {
        const HWND host = hwnd();
        ImgMenu(PopupAtPointer(imgmenu.get()));
        RegrabPointerAfterMenu(host);
    }
}

void Hoverdeck::Picture1_MouseMove(int n, WPARAM keys, Point local) {
    constexpr WPARAM kButtons = MK_LBUTTON | MK_RBUTTON | MK_MBUTTON | MK_XBUTTON1 | MK_XBUTTON2;
    if ((keys & kButtons) != MK_LBUTTON) return;
    if (book_.DragPicture(n, local)) ApplyFloater(n);
}

void Hoverdeck::Text1_MouseMove(int n, WPARAM keys, Point local) {
    constexpr WPARAM kButtons = MK_LBUTTON | MK_RBUTTON | MK_MBUTTON | MK_XBUTTON1 | MK_XBUTTON2;
    if ((keys & kButtons) != MK_LBUTTON) return;
    if (book_.DragLabel(n, local)) ApplyFloater(n);
}

void Hoverdeck::Picture1_DblClick(int n) {
    // Expanded again at its zoom.
    std::optional<Size> expanded;
    const Floater* f = book_.Find(n);
    if (const FloaterScale* scale = ScaleOf(n); scale && f) expanded = ZoomedSize(f->natural, scale->zoom());
    if (!book_.ToggleCollapse(n, expanded)) return;
    ApplyFloater(n);
    ::InvalidateRect(Picture1[n]->hwnd(), nullptr, TRUE);
}

void Hoverdeck::getimg_MouseMove(WPARAM keys) {
    // Only a held left button starts the move: the move loop entered without
    // one would make the icon stick to the pointer until the next click.
    if (keys & MK_LBUTTON) DragDropIcon(hwnd(), getimg.hwnd());
}

void Hoverdeck::getimg_MouseDown(MouseButton button) {
    if (button != MouseButton::Right) return;
    const HWND host = hwnd();
    CddMenu(PopupAtPointer(cdd.get()));
    RegrabPointerAfterMenu(host);
}

LRESULT Hoverdeck::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (IsStartCaptureMessage(msg)) return AcceptStartCapture();
    switch (msg) {
        case WM_PAINT: Form_Paint(); return 0;
        case WM_ERASEBKGND: return 1;
        case WM_TIMER:
            if (wp == kCtimeTimer) ctime_Timer();
            else if (wp == kTimer1) Timer1_Timer();
            else if (wp == kBadgeTimer) HideBadges();
            return 0;
        case WM_MOUSEWHEEL: Floater_Wheel(wp, lp); return 0;
        case WM_CLOSE:
            // Only "Quit" unloads the host; Alt+F4 and the like hide it.
            Hide();
            return 0;
        default: return Default(msg, wp, lp);
    }
}

}  // namespace vellumo::win
