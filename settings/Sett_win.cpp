#include "settings/Sett_win.h"

#include <string>

#include "floaters/Moveit_win.h"
#include "gfx/MessageLoop_win.h"
#include "gfx/SystemError_win.h"
#include "hotkey/HotKey_win.h"
#include "store/IniRules.h"
#include "store/Ini_win.h"
#include "settings/SettForm.h"
#include "tray/Tray_win.h"

namespace vellumo::win {

namespace {
constexpr wchar_t kClassName[] = L"VellumoSett";
// Tray menu requests run after the notification's dispatch has returned.
constexpr UINT kOpenTrayMenu = WM_APP + 1;
constexpr UINT kCheckMouseUp = WM_APP + 2;
constexpr int kNoModifiers = 0;

int ControlId(SettControl c) { return 100 + static_cast<int>(c); }

// chkCheck1 reacts to the mouse release over the box only; a toggle from the
// keyboard changes just its check mark.
LRESULT CALLBACK CheckBoxProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    const auto original = reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(w, GWLP_USERDATA));
    const LRESULT r = original ? ::CallWindowProcW(original, w, msg, wp, lp) : ::DefWindowProcW(w, msg, wp, lp);
    if (msg == WM_LBUTTONUP) ::SendMessageW(::GetParent(w), kCheckMouseUp, 0, 0);
    return r;
}
}  // namespace

Sett::Sett(SettingsEvents& events, IniFile store)
    : events_(events), store_(std::move(store)), HotKey1_(std::make_unique<HotKey>()) {}
Sett::~Sett() = default;

bool Sett::Form_Load() {
    WindowDc screen(nullptr);
    const int dpi = ::GetDeviceCaps(screen.get(), LOGPIXELSX);
    const int w = TwipsToPixels(kSettClientTwips.width, dpi), h = TwipsToPixels(kSettClientTwips.height, dpi);
    if (!RegisterClassOnce(kClassName, ::LoadCursorW(nullptr, IDC_ARROW),
                           reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1))))
        return false;
    // No frame: the client area is the window. Created hidden and centred.
    const int x = (::GetSystemMetrics(SM_CXSCREEN) - w) / 2, y = (::GetSystemMetrics(SM_CYSCREEN) - h) / 2;
    if (!CreateWin(0, kClassName, kSettTitle, WS_POPUP | WS_CLIPCHILDREN | WS_MINIMIZEBOX, x, y, w, h)) return false;
    // The settings window keeps the program resident.
    TopLevelOpened();
    CreateControls(dpi);
    // Tab moves between the controls, as in a dialog.
    SetKeyboardNavigationWindow(hwnd());
    cd_ = BuildMainMenu();

    SetCheck(BST_CHECKED);
    // Nothing stored, or nothing that can be a hotkey: the default the window
    // offers beats no hotkey at all. The file is left as it is.
    const std::wstring storedKey = store_.Read(std::wstring(settings::kHotKeyKeyCode.section),
                                           settings::kHotKeyKeyCode.Key(L"HotKey1"), L"");
    if (TakesDefaultHotKey(storedKey))
        HotKey1_->SetCombination(kDefaultHotKeyText, kDefaultHotKeyCode, kNoModifiers);
    HotKey1_->SetHotKeyEnabled(chkCheck1Value() != 0);
    SetCheck(HotKey1_->HotKeyEnabled() ? BST_CHECKED : BST_UNCHECKED);

    icon_ = static_cast<HICON>(::LoadImageW(Instance(), MAKEINTRESOURCEW(1), IMAGE_ICON,
                                            ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON),
                                            LR_SHARED));
    TheTrayIcon().Add(hwnd(), icon_);
    return true;
}

void Sett::CreateControls(int dpi) {
    const auto font = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    for (const SettControlSpec& c : SettControlsInTabOrder()) {
        const int x = TwipsToPixels(c.twips.left, dpi), y = TwipsToPixels(c.twips.top, dpi);
        const int w = TwipsToPixels(c.twips.width, dpi), h = TwipsToPixels(c.twips.height, dpi);
        if (c.kind == SettControlKind::HotKey) {
            HotKey1_->HotKeyPressed = [this] { HotKey1_HotKeyPressed(); };
            HotKey1_->Create(hwnd(), x, y, w, h);
            continue;
        }
        const wchar_t* cls = c.kind == SettControlKind::Label ? L"STATIC" : L"BUTTON";
        DWORD style = WS_CHILD | WS_VISIBLE;
        if (c.kind == SettControlKind::Button) style |= WS_TABSTOP | BS_PUSHBUTTON;
        if (c.kind == SettControlKind::CheckBox) style |= WS_TABSTOP | BS_AUTOCHECKBOX;
        const HWND child = ::CreateWindowExW(0, cls, c.caption, style, x, y, w, h, hwnd(),
                                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlId(c.control))),
                                             Instance(), nullptr);
        if (!child) continue;
        ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        if (c.control == SettControl::chkCheck1) {
            chkCheck1 = child;
            ::SetWindowLongPtrW(child, GWLP_USERDATA, ::GetWindowLongPtrW(child, GWLP_WNDPROC));
            ::SetWindowLongPtrW(child, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CheckBoxProc));
        }
    }
}

int Sett::chkCheck1Value() const {
    return chkCheck1 && ::SendMessageW(chkCheck1, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
}

void Sett::SetCheck(int value) {
    if (chkCheck1) ::SendMessageW(chkCheck1, BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
}

void Sett::ApplyStoredEnableFlag() {
    const std::wstring key = settings::kCheckA.Key(settings::kCheckOwner);
    const std::wstring stored =
        store_.Read(std::wstring(settings::kCheckA.section), key, std::to_wstring(chkCheck1Value()));
    SetCheck(settings::ReadNumber(settings::kCheckA, stored));
    HotKey1_->SetHotKeyEnabled(chkCheck1Value() != 0);
    SetCheck(HotKey1_->HotKeyEnabled() ? 1 : 0);
}

void Sett::TellIfNotSaved(DWORD error) {
    if (!error) return;
    ::MessageBoxW(MessageBoxOwner(), settings::SettingsNotSavedMessage(store_.path(), SystemErrorText(error)).c_str(), L"Vellumo",
                  MB_OK | MB_ICONWARNING | MB_TOPMOST | MB_SETFOREGROUND);
}

void Sett::Command1_Click() {
    DWORD error = HotKey1_->SaveSettings();
    const DWORD flag = store_.Write(std::wstring(settings::kCheckA.section), settings::kCheckA.Key(settings::kCheckOwner),
                                std::to_wstring(chkCheck1Value()));
    TellIfNotSaved(error ? error : flag);
}

void Sett::Command2_Click() {
    ::SetWindowPos(hwnd(), HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ::ShowWindow(hwnd(), SW_HIDE);
}

void Sett::Command3_Click() {
    // Only the stored default changes; it takes effect at the next start.
    const std::wstring section(settings::kHotKeyText.section);
    const DWORD text = store_.Write(section, settings::kHotKeyText.Key(L"HotKey1"), kDefaultHotKeyText);
    const DWORD code = store_.Write(section, settings::kHotKeyKeyCode.Key(L"HotKey1"), std::to_wstring(kDefaultHotKeyCode));
    TellIfNotSaved(text ? text : code);
}

void Sett::chkCheck1_MouseUp() {
    HotKey1_->SetHotKeyEnabled(chkCheck1Value() != 0);
    SetCheck(HotKey1_->HotKeyEnabled() ? 1 : 0);
}

void Sett::HotKey1_HotKeyPressed() { events_.OnCaptureHotkey(); }

void Sett::kjj_Click() {
    // Shown as a window of its own, above the topmost Floater host: made a
    // child of the host it would vanish with a hidden host, drop out where a
    // pixel matches the key colour and fade with the host's translucency.
    ::SetWindowPos(hwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    ::SetForegroundWindow(hwnd());
}

void Sett::ExitProgram() {
    TheTrayIcon().Remove();
    HotKey1_->SetHotKeyEnabled(false);
    ::ExitProcess(0);
}

void Sett::Form_QueryUnload() {
    TheTrayIcon().Remove();
    ::ExitProcess(0);
}

void Sett::Form_MouseMove(WPARAM wp, LPARAM lp) {
    const bool sent = ::InSendMessageEx(nullptr) != ISMEX_NOSEND;
    const SettMouseMove m = DecodeSettMouseMove(wp, lp, TheTrayIcon().id(), sent);
    if (m.dragWindow && ::IsWindowVisible(hwnd())) DragWindow(hwnd());
    // The menu's own loop must not run inside the shell's notification.
    if (m.openTrayMenu) ::PostMessageW(hwnd(), kOpenTrayMenu, 0, 0);
}

void Sett::MainMenu_Click(CdItem item) {
    switch (item) {
        case CdItem::kjj: kjj_Click(); break;
        case CdItem::bdi:
        case CdItem::aapp: OpenPage(hwnd(), item); break;
        case CdItem::exit: ExitProgram();
        default: events_.OnTrayMenuChosen(item); break;
    }
}

void Sett::Form_Paint() {
    PaintDc dc(hwnd());
    // Shape1: a one-pixel frame just inside the window, its only border.
    RECT rc{};
    ::GetClientRect(hwnd(), &rc);
    ::FrameRect(dc.get(), &rc, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
}

LRESULT Sett::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (IsStartCaptureMessage(msg)) return events_.OnStartCaptureAsked();
    if (msg >= 0xC000 && msg == TaskbarCreatedMessage()) {
        TheTrayIcon().Restore();
        return 0;
    }
    switch (msg) {
        case WM_MOUSEMOVE: Form_MouseMove(wp, lp); return 0;
        case kOpenTrayMenu:
            if (const auto item = TrackMainMenu(hwnd(), cd_.get())) MainMenu_Click(*item);
            return 0;
        case kCheckMouseUp: chkCheck1_MouseUp(); return 0;
        case WM_COMMAND:
            if (HIWORD(wp) != BN_CLICKED) break;
            if (LOWORD(wp) == ControlId(SettControl::Command1)) Command1_Click();
            else if (LOWORD(wp) == ControlId(SettControl::Command2)) Command2_Click();
            else if (LOWORD(wp) == ControlId(SettControl::Command3)) Command3_Click();
            return 0;
        case WM_PAINT: Form_Paint(); return 0;
        case WM_DESTROY: SetKeyboardNavigationWindow(nullptr); break;
        case WM_SIZE:
            if (wp == SIZE_MINIMIZED) ::ShowWindow(hwnd(), SW_HIDE);
            return 0;
        case WM_CLOSE: Form_QueryUnload();
        case WM_ENDSESSION:
            if (wp) Form_QueryUnload();
            return 0;
        default: break;
    }
    return Default(msg, wp, lp);
}

}  // namespace vellumo::win
