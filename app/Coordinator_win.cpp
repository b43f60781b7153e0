#include "app/Coordinator_win.h"

#include "app/CaptureFlow.h"
#include "floaters/ClipboardPin_win.h"
#include "gfx/MessageLoop_win.h"

namespace vellumo::win {

namespace {
constexpr wchar_t kInstanceMutex[] = L"Vellumo.SingleInstance";
// The windows a running copy may have, the settings window first: it lives
// as long as the program once loaded, the others come and go.
constexpr const wchar_t* kRunningCopyClasses[] = {L"VellumoSett", L"VellumoScrShot", L"VellumoHoverdeck"};
// Each hand-over attempt waits this long for the running copy's answer.
constexpr UINT kHandOverTimeoutMs = 1000;
// How often a waiting copy looks again for the running one's window.
constexpr DWORD kLookAgainMs = 50;
// Other programs repaint what a closed overlay or the hidden Floaters
// uncovered before the fresh freeze.
constexpr DWORD kRepaintSettleMs = 150;
// Alpha of the tray menu's two translucency entries.
constexpr BYTE kTranslucentLight = 200;
constexpr BYTE kTranslucentStrong = 125;

// A thread timer has no window to carry its owner: the one coordinator.
Coordinator* g_coordinator = nullptr;

HWND RunningCopyWindow() {
    for (const wchar_t* cls : kRunningCopyClasses)
        if (HWND w = ::FindWindowW(cls, nullptr)) return w;
    return nullptr;
}

void CALLBACK StartAcceptedCapture(HWND, UINT, UINT_PTR id, DWORD) noexcept {
    ::KillTimer(nullptr, id);
    try {
        if (g_coordinator) g_coordinator->CaptureFromHotkey();
    } catch (...) {
        ReportCaughtException();
    }
}

// Raises a flag for as long as it lives.
class FlagWhile {
public:
    explicit FlagWhile(bool& flag) : flag_(flag) { flag_ = true; }
    ~FlagWhile() { flag_ = false; }
    FlagWhile(const FlagWhile&) = delete;
    FlagWhile& operator=(const FlagWhile&) = delete;

private:
    bool& flag_;
};
}  // namespace

Coordinator::Coordinator() { g_coordinator = this; }
Coordinator::~Coordinator() { g_coordinator = nullptr; }

bool Coordinator::ClaimSingleInstance() {
    // The copy that creates the name owns it, from this (the main) thread,
    // for as long as it runs: when it ends, for whatever reason, the name is
    // abandoned and a waiting copy takes it.
    instanceMutex_.reset(::CreateMutexW(nullptr, TRUE, kInstanceMutex));
    if (!instanceMutex_) {
        LogLastErrorIf(true, L"CreateMutexW");
        return true;
    }
    if (::GetLastError() != ERROR_ALREADY_EXISTS) return true;
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
        const DWORD owned = ::WaitForSingleObject(instanceMutex_.get(), kLookAgainMs);
        if (owned == WAIT_OBJECT_0 || owned == WAIT_ABANDONED) return true;  // the other copy has ended
    }
}

LRESULT Coordinator::OnStartCaptureAsked() {
    // The capture starts from a thread timer, after the asking copy has its
    // answer: it waits for none of the freeze. Such a timer also fires inside
    // a message box's or a menu's loop, like the message did.
    if (LogLastErrorIf(!::SetTimer(nullptr, 0, 0, &StartAcceptedCapture), L"SetTimer")) return 0;
    return kCaptureAccepted;
}

CaptureOverlay* Coordinator::LiveCapture() const { return capture_ && capture_->hwnd() ? capture_.get() : nullptr; }

FloaterHost* Coordinator::LiveFloaterHost() const {
    return floaterHost_ && floaterHost_->hwnd() ? floaterHost_.get() : nullptr;
}

void Coordinator::CloseCapture() {
    if (CaptureOverlay* overlay = LiveCapture()) ::DestroyWindow(overlay->hwnd());
    if (capture_) DisposeLater(std::move(capture_));
}

bool Coordinator::StartCapture() {
    KeepAlive hold;
    CloseCapture();
    // The last capture's memory is back before the freeze asks for more.
    RunIdleWork();
    auto overlay = std::make_unique<CaptureOverlay>(*this);
    if (!overlay->Load()) return false;
    capture_ = std::move(overlay);
    return true;
}

void Coordinator::OnCaptureClosed(CaptureOverlay& overlay) {
    if (capture_.get() == &overlay) DisposeLater(std::move(capture_));
}

void Coordinator::OnRestartCaptureHeld() {
    KeepAlive hold;
    // The overlay that asked lives on (in the dispose list) until its handler returns.
    CloseCapture();
    PumpMessagesFor(kRepaintSettleMs);
    StartCapture();
}

void Coordinator::CaptureFromHotkey() {
    FloaterHost* host = LiveFloaterHost();
    const HotkeyPressPlan plan = PlanHotkeyPress({.restarting = restarting_,
                                                  .floaterHostLoaded = host != nullptr,
                                                  .hostTranslucent = host && host->translucent(),
                                                  .floaterHostShown = host && ::IsWindowVisible(host->hwnd()),
                                                  .captureOpen = LiveCapture() != nullptr});
    if (plan.action == HotkeyPressPlan::Action::Ignore) return;
    if (plan.action == HotkeyPressPlan::Action::BackToNormal) {
        host->BackToNormal();
        return;
    }
    FlagWhile restarting(restarting_);
    KeepAlive hold;
    CloseCapture();
    if (plan.hideFloaters) {
        host->Hide();
        host->SetKeeper(false);
    }
    if (plan.waitForRepaint) PumpMessagesFor(kRepaintSettleMs);
    if (StartCapture()) return;
    // No memory for the freeze (the user has been told): the Floaters come back.
    if (plan.showFloatersIfRefused && (host = LiveFloaterHost())) {
        host->Show();
        host->SetKeeper(true);
    }
}

void Coordinator::OnCaptureHotkey() { CaptureFromHotkey(); }

FloaterHost* Coordinator::LoadFloaterHost() {
    if (FloaterHost* host = LiveFloaterHost()) return host;
    auto host = std::make_unique<FloaterHost>(*this);
    if (!host->Load()) return nullptr;
    floaterHost_ = std::move(host);
    floaterHostInUse_ = false;
    return floaterHost_.get();
}

FloaterHost* Coordinator::FloaterHostForPin(bool& fresh) {
    fresh = LiveFloaterHost() == nullptr;
    // The settings come with ShowPinned, once no capture overlay covers the
    // messages they may show.
    return LoadFloaterHost();
}

FloaterHost* Coordinator::FloaterHostInUse() {
    FloaterHost* host = LoadFloaterHost();
    if (host) OnFloaterHostInUse();
    return host;
}

void Coordinator::OnFloaterHostInUse() {
    if (floaterHostInUse_) return;
    floaterHostInUse_ = true;
    // The first host brings the settings window, and with it the hotkey and
    // the tray icon; every host applies the stored hotkey option.
    if (!settings_ || !settings_->hwnd()) {
        auto settings = std::make_unique<SettingsWindow>(*this, IniFile::BesideExe(L"set.ini"));
        if (!settings->Load()) return;
        settings_ = std::move(settings);
    }
    settings_->ApplyStoredEnableFlag();
}

void Coordinator::OnFloaterHostClosed(FloaterHost& host) {
    if (floaterHost_.get() == &host) DisposeLater(std::move(floaterHost_));
}

void Coordinator::OnTrayMenuChosen(TrayMenuItem item) {
    switch (item) {
        case TrayMenuItem::HideFloaters:
            if (FloaterHost* host = LiveFloaterHost()) {
                host->SetKeeper(false);
                host->Hide();
            }
            break;
        case TrayMenuItem::ShowFloaters:
            if (FloaterHost* host = FloaterHostInUse()) {
                host->SetKeeper(true);
                host->Show();
            }
            break;
        case TrayMenuItem::TranslucentLight:
            if (FloaterHost* host = FloaterHostInUse()) host->SetHostAlpha(kTranslucentLight);
            break;
        case TrayMenuItem::TranslucentStrong:
            if (FloaterHost* host = FloaterHostInUse()) host->SetHostAlpha(kTranslucentStrong);
            break;
        case TrayMenuItem::BackToNormal:
            if (FloaterHost* host = FloaterHostInUse()) host->BackToNormal();
            break;
        // A host closed by "Quit" comes back fresh and empty.
        case TrayMenuItem::ShowFloaterHost:
            if (FloaterHost* host = FloaterHostInUse()) host->Show();
            break;
        case TrayMenuItem::PinClipboardImage:
            PinClipboardImage(settings_ ? settings_->hwnd() : nullptr, [this] { return LoadFloaterHost(); });
            break;
        default: break;
    }
}

}  // namespace vellumo::win
