#include "settings/SettingsWindow_win.h"

#include <string>

#include "floaters/WindowDrag_win.h"
#include "gfx/MessageLoop_win.h"
#include "gfx/SystemError_win.h"
#include "hotkey/HotKey_win.h"
#include "store/IniRules.h"
#include "store/Ini_win.h"
#include "settings/SettingsLayout.h"
#include "settings/StartUp.h"
#include "tray/Tray_win.h"

namespace vellumo::win {

namespace {
// Window class names and titles are observable (other programs, automation
// and the end-to-end tests find the windows by them): they keep the names
// the program has always had, whatever the C++ names.
constexpr wchar_t kClassName[] = L"VellumoSett";
// Tray menu requests run after the notification's dispatch has returned.
constexpr UINT kOpenTrayMenu = WM_APP + 1;
constexpr int kNoModifiers = 0;

int ControlId(SettingsControl c) { return 100 + static_cast<int>(c); }
}  // namespace

SettingsWindow::SettingsWindow(SettingsEvents& events, IniFile store)
    : events_(events), store_(std::move(store)), hotkey_(std::make_unique<HotKey>()) {}
SettingsWindow::~SettingsWindow() = default;

bool SettingsWindow::CreateWindows() {
    WindowDc screen(nullptr);
    const int dpi = ::GetDeviceCaps(screen.get(), LOGPIXELSX);
    const int w = TwipsToPixels(kSettingsClientTwips.width, dpi), h = TwipsToPixels(kSettingsClientTwips.height, dpi);
    if (!RegisterClassOnce(kClassName, ::LoadCursorW(nullptr, IDC_ARROW),
                           reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1))))
        return false;
    // No frame: the client area is the window. Created hidden and centred.
    const int x = (::GetSystemMetrics(SM_CXSCREEN) - w) / 2, y = (::GetSystemMetrics(SM_CYSCREEN) - h) / 2;
    if (!CreateWin(0, kClassName, kSettingsTitle, WS_POPUP | WS_CLIPCHILDREN | WS_MINIMIZEBOX, x, y, w, h)) return false;
    // The settings window keeps the program resident.
    TopLevelOpened();
    CreateControls(dpi);
    CreateStartUpBox(dpi);
    CreateActionHotkeys(dpi);
    CreateCursorBox(dpi);
    // Tab moves between the controls, as in a dialog.
    SetKeyboardNavigationWindow(hwnd());
    trayMenu_ = BuildTrayMenu();

    SetCheck(BST_CHECKED);
    // Nothing stored, or nothing that can be a hotkey: the default the window
    // offers beats no hotkey at all. The file is left as it is.
    const std::wstring storedKey = store_.Read(std::wstring(settings::kHotKeyKeyCode.section),
                                           settings::kHotKeyKeyCode.Key(L"HotKey1"), L"");
    if (TakesDefaultHotKey(storedKey))
        hotkey_->SetCombination(kDefaultHotKeyText, kDefaultHotKeyCode, kNoModifiers);
    hotkey_->SetHotKeyEnabled(EnableBoxValue() != 0);
    SetCheck(hotkey_->HotKeyEnabled() ? BST_CHECKED : BST_UNCHECKED);
    RegisterActionHotkeys();

    icon_ = static_cast<HICON>(::LoadImageW(Instance(), MAKEINTRESOURCEW(1), IMAGE_ICON,
                                            ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON),
                                            LR_SHARED));
    TheTrayIcon().Add(hwnd(), icon_);
    return true;
}

void SettingsWindow::CreateControls(int dpi) {
    const auto font = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    for (const SettingsControlSpec& c : SettingsControlsInTabOrder()) {
        const int x = TwipsToPixels(c.twips.left, dpi), y = TwipsToPixels(c.twips.top, dpi);
        const int w = TwipsToPixels(c.twips.width, dpi), h = TwipsToPixels(c.twips.height, dpi);
        if (c.kind == SettingsControlKind::HotKey) {
            hotkey_->HotKeyPressed = [this] { OnHotkeyPressed(); };
            hotkey_->Create(hwnd(), x, y, w, h, store_);
            continue;
        }
        const wchar_t* cls = c.kind == SettingsControlKind::Label ? L"STATIC" : L"BUTTON";
        DWORD style = WS_CHILD | WS_VISIBLE;
        if (c.kind == SettingsControlKind::Button) style |= WS_TABSTOP | BS_PUSHBUTTON;
        if (c.kind == SettingsControlKind::CheckBox) style |= WS_TABSTOP | BS_AUTOCHECKBOX;
        const HWND child = ::CreateWindowExW(0, cls, c.caption, style, x, y, w, h, hwnd(),
                                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlId(c.control))),
                                             Instance(), nullptr);
        if (!child) continue;
        ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        if (c.control == SettingsControl::EnableBox) {
            enableBox_ = child;
            enableBoxHook_.Install(child, [this](UINT msg, WPARAM wp, LPARAM lp) {
                const LRESULT r = enableBoxHook_.CallPrevious(msg, wp, lp);
                if (msg == WM_LBUTTONUP) OnEnableBoxReleased();
                return r;
            });
        }
    }
}

int SettingsWindow::EnableBoxValue() const {
    return enableBox_ && ::SendMessageW(enableBox_, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
}

void SettingsWindow::SetCheck(int value) {
    if (enableBox_) ::SendMessageW(enableBox_, BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
}

void SettingsWindow::ApplyStoredEnableFlag() {
    const std::wstring key = settings::kHotKeyEnabledSetting.Key(settings::kEnableBoxOwner);
    const std::wstring stored =
        store_.Read(std::wstring(settings::kHotKeyEnabledSetting.section), key, std::to_wstring(EnableBoxValue()));
    SetCheck(settings::ReadFlag(stored) ? 1 : 0);
    hotkey_->SetHotKeyEnabled(EnableBoxValue() != 0);
    SetCheck(hotkey_->HotKeyEnabled() ? 1 : 0);
    RefreshHotkeyMarks();
}

void SettingsWindow::TellIfNotSaved(DWORD error) {
    if (!error) return;
    ::MessageBoxW(MessageBoxOwner(), settings::SettingsNotSavedMessage(store_.path(), SystemErrorText(error)).c_str(), L"Vellumo",
                  MB_OK | MB_ICONWARNING | MB_TOPMOST | MB_SETFOREGROUND);
}

void SettingsWindow::SaveSettings() {
    RefuseSharedHotkeys();
    DWORD error = hotkey_->SaveSettings();
    const DWORD flag = store_.Write(std::wstring(settings::kHotKeyEnabledSetting.section),
                                    settings::kHotKeyEnabledSetting.Key(settings::kEnableBoxOwner),
                                    std::to_wstring(EnableBoxValue()));
    if (!error) error = flag;
    // An action that never had a hotkey leaves no keys behind.
    const std::vector<hotkey::Combination> shown = ShownHotkeys();
    for (std::size_t row = 1; row < shown.size(); ++row)
        if (IsHotkey(shown[row]) || !(shown[row] == savedHotkeys_[row]))
            if (const DWORD e = HotkeyOfRow(row).SaveSettings(); !error) error = e;
    RegisterChangedActionHotkeys();
    TellIfNotSaved(error);
}

void SettingsWindow::HideSettings() {
    ::SetWindowPos(hwnd(), HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ::ShowWindow(hwnd(), SW_HIDE);
    DropUnsavedHotkeys();
}

void SettingsWindow::StoreDefaultHotkey() {
    // Only the stored default changes; it takes effect at the next start.
    const std::wstring section(settings::kHotKeyText.section);
    const DWORD text = store_.Write(section, settings::kHotKeyText.Key(L"HotKey1"), kDefaultHotKeyText);
    const DWORD code = store_.Write(section, settings::kHotKeyKeyCode.Key(L"HotKey1"), std::to_wstring(kDefaultHotKeyCode));
    TellIfNotSaved(text ? text : code);
}

void SettingsWindow::OnEnableBoxReleased() {
    hotkey_->SetHotKeyEnabled(EnableBoxValue() != 0);
    SetCheck(hotkey_->HotKeyEnabled() ? 1 : 0);
    RefreshHotkeyMarks();
}

void SettingsWindow::OnHotkeyPressed() { events_.OnCaptureHotkey(); }

void SettingsWindow::ShowSettings() {
    // Shown as a window of its own, above the topmost Floater host: made a
    // child of the host it would vanish with a hidden host, drop out where a
    // pixel matches the key colour and fade with the host's translucency.
    ShowStartUpState();
    ShowCursorState();
    ::SetWindowPos(hwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    ::SetForegroundWindow(hwnd());
    // Already active (as the tray menu's owner), it is sent no activation.
    SuspendActionHotkeys(::GetForegroundWindow() == hwnd());
}

void SettingsWindow::ExitProgram() {
    TheTrayIcon().Remove();
    hotkey_->SetHotKeyEnabled(false);
    ::ExitProcess(0);
}

void SettingsWindow::OnMouseMove(WPARAM wp, LPARAM lp) {
    const bool sent = ::InSendMessageEx(nullptr) != ISMEX_NOSEND;
    const SettingsMouseMove m = DecodeSettingsMouseMove(wp, lp, TheTrayIcon().id(), sent);
    if (m.dragWindow && ::IsWindowVisible(hwnd())) DragWindow(hwnd());
    // The menu's own loop must not run inside the shell's notification.
    if (m.openTrayMenu) ::PostMessageW(hwnd(), kOpenTrayMenu, 0, 0);
}

void SettingsWindow::OnTrayMenuItem(TrayMenuItem item) {
    switch (item) {
        case TrayMenuItem::SetHotkey: ShowSettings(); break;
        case TrayMenuItem::MakerImagePageItem:
        case TrayMenuItem::ProductPageItem: OpenPage(hwnd(), item); break;
        case TrayMenuItem::Exit: events_.OnExitAsked(); break;
        default: events_.OnTrayMenuChosen(item); break;
    }
}

void SettingsWindow::OnPaint() {
    PaintDc dc(hwnd());
    // A one-pixel frame just inside the window, its only border.
    RECT rc{};
    ::GetClientRect(hwnd(), &rc);
    ::FrameRect(dc.get(), &rc, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
}

LRESULT SettingsWindow::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (IsStartCaptureMessage(msg)) return events_.OnStartCaptureAsked();
    if (msg >= 0xC000 && msg == TaskbarCreatedMessage()) {
        TheTrayIcon().Restore();
        return 0;
    }
    switch (msg) {
        case WM_TIMER:
            if (wp != kTrayRetryTimer) break;
            TheTrayIcon().Retry();
            return 0;
        case WM_MOUSEMOVE: OnMouseMove(wp, lp); return 0;
        case kTellRefusedHotkeys: TellRefusedHotkeys(); return 0;
        // The hidden window is made active too, to own the tray menu: only
        // the shown one suspends the hotkeys.
        case WM_ACTIVATE:
            SuspendActionHotkeys(LOWORD(wp) != WA_INACTIVE && ::IsWindowVisible(hwnd()));
            break;
        case kOpenTrayMenu:
            events_.OnTrayMenuOpening(trayMenu_.get());
            if (const auto item = TrackTrayMenu(hwnd(), trayMenu_.get())) OnTrayMenuItem(*item);
            return 0;
        case WM_COMMAND:
            if (HIWORD(wp) != BN_CLICKED) break;
            if (LOWORD(wp) == ControlId(SettingsControl::SaveButton)) SaveSettings();
            else if (LOWORD(wp) == ControlId(SettingsControl::HideButton)) HideSettings();
            else if (LOWORD(wp) == ControlId(SettingsControl::DefaultButton)) StoreDefaultHotkey();
            else if (LOWORD(wp) == kStartUpBoxId) OnStartUpBoxClicked();
            else if (LOWORD(wp) == kCursorBoxId) OnCursorBoxClicked();
            return 0;
        case WM_PAINT: OnPaint(); return 0;
        case WM_DESTROY: SetKeyboardNavigationWindow(nullptr); break;
        case WM_SIZE:
            if (wp == SIZE_MINIMIZED) ::ShowWindow(hwnd(), SW_HIDE);
            return 0;
        case WM_CLOSE: events_.OnExitAsked(); return 0;
        case WM_ENDSESSION:
            if (wp) events_.OnExitAsked();
            return 0;
        default: break;
    }
    return Default(msg, wp, lp);
}

}  // namespace vellumo::win
