#include "settings/Sett_win.h"

#include <string>

#include "floaters/ClipboardPin_win.h"
#include "floaters/Hoverdeck_win.h"
#include "floaters/Moveit_win.h"
#include "gfx/SystemError_win.h"
#include "hotkey/HotKey_win.h"
#include "overlay/ScrShot_win.h"
#include "settings/IniRules.h"
#include "settings/Ini_win.h"
#include "settings/SettForm.h"
#include "tray/Tray_win.h"

namespace vellumo::win {

namespace {
constexpr wchar_t kClassName[] = L"VellumoSett";
constexpr wchar_t kInstanceMutex[] = L"Vellumo.SingleInstance";
constexpr wchar_t kStartCaptureMessage[] = L"Vellumo.StartCapture";
// The windows a running copy may have, the settings window first: it lives
// as long as the program once loaded, the others come and go.
constexpr const wchar_t* kRunningCopyClasses[] = {kClassName, L"VellumoScrShot", L"VellumoHoverdeck"};
// Each hand-over attempt waits this long for the running copy's answer.
constexpr UINT kHandOverTimeoutMs = 1000;
// How often a waiting copy looks again for the running one's window.
constexpr DWORD kLookAgainMs = 50;
// Other programs repaint what a closed overlay or the hidden Floaters
// uncovered before the fresh freeze.
constexpr DWORD kRepaintSettleMs = 150;
// Tray menu requests run after the notification's dispatch has returned.
constexpr UINT kOpenTrayMenu = WM_APP + 1;
constexpr UINT kCheckMouseUp = WM_APP + 2;
constexpr int kNoModifiers = 0;

Sett* g_sett = nullptr;  // never freed: the window lives as long as the program

int ControlId(SettControl c) { return 100 + static_cast<int>(c); }

// chkCheck1 reacts to the mouse release over the box only; a toggle from the
// keyboard changes just its check mark.
LRESULT CALLBACK CheckBoxProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    const auto original = reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(w, GWLP_USERDATA));
    const LRESULT r = original ? ::CallWindowProcW(original, w, msg, wp, lp) : ::DefWindowProcW(w, msg, wp, lp);
    if (msg == WM_LBUTTONUP) ::SendMessageW(::GetParent(w), kCheckMouseUp, 0, 0);
    return r;
}

HWND RunningCopyWindow() {
    for (const wchar_t* cls : kRunningCopyClasses)
        if (HWND w = ::FindWindowW(cls, nullptr)) return w;
    return nullptr;
}

void CALLBACK StartAcceptedCapture(HWND, UINT, UINT_PTR id, DWORD) noexcept {
    ::KillTimer(nullptr, id);
    try {
        HotKeyCapture();
    } catch (const std::bad_alloc&) {
        TellHandlerFailed(true);
    } catch (...) {
        TellHandlerFailed(false);
    }
}

// A press that arrives while a restart waits for repaints is dropped.
struct OnePressAtATime {
    static inline bool busy = false;
    OnePressAtATime() { busy = true; }
    ~OnePressAtATime() { busy = false; }
};
}  // namespace

UINT StartCaptureMessage() {
    static const UINT message = ::RegisterWindowMessageW(kStartCaptureMessage);
    return message;
}

bool ClaimSingleInstance() {
    // The copy that creates the name owns it, from this (the main) thread,
    // for as long as it runs: when it ends, for whatever reason, the name is
    // abandoned and a waiting copy takes it.
    static unique_handle mutex;
    mutex.reset(::CreateMutexW(nullptr, TRUE, kInstanceMutex));
    if (!mutex || ::GetLastError() != ERROR_ALREADY_EXISTS) return true;
    // Another copy is the one, however long it takes to show a window (an 8K
    // freeze takes seconds): this one waits while it lives, then hands over.
    for (;;) {
        if (HWND w = RunningCopyWindow()) {
            DWORD pid = 0;
            ::GetWindowThreadProcessId(w, &pid);
            // The running copy's overlay must be able to come to the front.
            ::AllowSetForegroundWindow(pid);
            DWORD_PTR answer = 0;
            if (::SendMessageTimeoutW(w, StartCaptureMessage(), 0, 0, SMTO_NORMAL | SMTO_ABORTIFHUNG,
                                      kHandOverTimeoutMs, &answer) &&
                answer == kCaptureAccepted)
                return false;
        }
        const DWORD owned = ::WaitForSingleObject(mutex.get(), kLookAgainMs);
        if (owned == WAIT_OBJECT_0 || owned == WAIT_ABANDONED) return true;  // the other copy has ended
    }
}

LRESULT AcceptStartCapture() {
    // The capture starts from a thread timer, after the asking copy has its
    // answer: it waits for none of the freeze. Such a timer also fires inside
    // a message box's or a menu's loop, like the message did.
    ::SetTimer(nullptr, 0, 0, &StartAcceptedCapture);
    return kCaptureAccepted;
}

void HotKeyCapture() {
    if (OnePressAtATime::busy) return;
    Hoverdeck* host = LoadedHoverdeck();
    if (OnHotKeyPressed(host ? host->transparencyFlag() : L"0", host != nullptr) == HotKeyAction::BackToNormal) {
        host->Command5_Click();
        return;
    }
    OnePressAtATime guard;
    KeepAlive hold;
    const bool hostShown = host && ::IsWindowVisible(host->hwnd());
    const bool uncovers = ScrShot::Current() || hostShown;
    ScrShot::UnloadCapture();
    if (host) {
        host->Hide();
        host->SetKeeper(false);
    }
    if (uncovers) PumpMessagesFor(kRepaintSettleMs);
    if (ScrShot::ShowCapture()) return;
    // No memory for the freeze (the user has been told): the Floaters come back.
    if (hostShown && (host = LoadedHoverdeck())) {
        host->Show();
        host->SetKeeper(true);
    }
}

Sett* LoadedSett() { return g_sett && g_sett->hwnd() ? g_sett : nullptr; }

Sett* LoadSett() {
    if (Sett* s = LoadedSett()) return s;
    auto* s = new Sett();
    if (!s->Form_Load()) {
        delete s;
        return nullptr;
    }
    g_sett = s;
    return s;
}

Sett::Sett() : HotKey1_(std::make_unique<HotKey>()) {}
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
    cd_ = BuildMainMenu();

    SetCheck(BST_CHECKED);
    // Nothing stored, or nothing that can be a hotkey: the default the window
    // offers beats no hotkey at all. The file is left as it is.
    const std::wstring storedKey = ReadIni(std::wstring(settings::kHotKeyKeyCode.section),
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
        ReadIni(std::wstring(settings::kCheckA.section), key, std::to_wstring(chkCheck1Value()));
    SetCheck(settings::ReadNumber(settings::kCheckA, stored));
    HotKey1_->SetHotKeyEnabled(chkCheck1Value() != 0);
    SetCheck(HotKey1_->HotKeyEnabled() ? 1 : 0);
}

void Sett::TellIfNotSaved(DWORD error) {
    if (!error) return;
    ::MessageBoxW(MessageBoxOwner(), settings::SettingsNotSavedMessage(IniPath(), SystemErrorText(error)).c_str(), L"Vellumo",
                  MB_OK | MB_ICONWARNING | MB_TOPMOST | MB_SETFOREGROUND);
}

void Sett::Command1_Click() {
    DWORD error = HotKey1_->SaveSettings();
    const DWORD flag = WriteIni(std::wstring(settings::kCheckA.section), settings::kCheckA.Key(settings::kCheckOwner),
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
    const DWORD text = WriteIni(section, settings::kHotKeyText.Key(L"HotKey1"), kDefaultHotKeyText);
    const DWORD code = WriteIni(section, settings::kHotKeyKeyCode.Key(L"HotKey1"), std::to_wstring(kDefaultHotKeyCode));
    TellIfNotSaved(text ? text : code);
}

void Sett::chkCheck1_MouseUp() {
    HotKey1_->SetHotKeyEnabled(chkCheck1Value() != 0);
    SetCheck(HotKey1_->HotKeyEnabled() ? 1 : 0);
}

void Sett::HotKey1_HotKeyPressed() { HotKeyCapture(); }

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
        case CdItem::ycck:
            if (Hoverdeck* host = LoadedHoverdeck()) {
                host->SetKeeper(false);
                host->Hide();
            }
            break;
        case CdItem::xsck:
            if (Hoverdeck* host = LoadHoverdeck()) {
                host->SetKeeper(true);
                host->Show();
            }
            break;
        case CdItem::tmw:
            if (Hoverdeck* host = LoadHoverdeck()) host->SetHostAlpha(200);
            break;
        case CdItem::tmq:
            if (Hoverdeck* host = LoadHoverdeck()) host->SetHostAlpha(125);
            break;
        case CdItem::zhengchan:
            if (Hoverdeck* host = LoadHoverdeck()) host->Command5_Click();
            break;
        case CdItem::kjj: kjj_Click(); break;
        // A host closed by "Quit" comes back fresh and empty.
        case CdItem::dfer:
            if (Hoverdeck* host = LoadHoverdeck()) host->Show();
            break;
        case CdItem::pinclip: PinClipboardImage(hwnd()); break;
        case CdItem::bdi:
        case CdItem::aapp: OpenPage(hwnd(), item); break;
        case CdItem::exit: ExitProgram();
        case CdItem::tmd:
        case CdItem::abouthis: break;
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
    if (IsStartCaptureMessage(msg)) return AcceptStartCapture();
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
