#include "app/Coordinator_win.h"

#include <utility>

#include "app/CaptureFlow.h"
#include "floaters/ClipboardPin_win.h"
#include "gfx/MessageLoop_win.h"
#include "gfx/Picture_win.h"
#include "output/QuickSave.h"
#include "gfx/Shell_win.h"
#include "output/Clipboard_win.h"
#include "tray/Tray_win.h"

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

bool Coordinator::ClaimSingleInstance(bool handOver) {
    // The copy that creates the name owns it, from this (the main) thread,
    // for as long as it runs: when it ends, for whatever reason, the name is
    // abandoned and a waiting copy takes it.
    instanceMutex_.reset(::CreateMutexW(nullptr, TRUE, kInstanceMutex));
    if (!instanceMutex_) {
        LogLastErrorIf(true, L"CreateMutexW");
        return true;
    }
    if (::GetLastError() != ERROR_ALREADY_EXISTS) return true;
    if (!handOver) return false;
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
    // Queued after the overlay's own deferred parts: its first frame and
    // toolbar come first, the host while the user is still selecting.
    WhenIdle([this] { WarmFloaterHost(); });
    return true;
}

bool Coordinator::StartResident() {
    // Nothing loaded (the system refused the windows) lets the process end.
    KeepAlive hold;
    return FloaterHostInUse() && settings_ && settings_->hwnd();
}

void Coordinator::OnCaptureClosed(CaptureOverlay& overlay) {
    if (capture_.get() == &overlay) DisposeLater(std::move(capture_));
    // A host nobody pinned to would keep the process running unseen.
    if (std::exchange(floaterHostWarmOnly_, false))
        if (FloaterHost* host = LiveFloaterHost()) ::DestroyWindow(host->hwnd());
}

void Coordinator::OnQuickSaved(const std::wstring& path) {
    // Resident, the tray icon says it without stopping the user; otherwise
    // a message, the only thing left on screen.
    const std::wstring text = QuickSavedMessage(path);
    if (settings_ && settings_->hwnd() && TheTrayIcon().ShowBalloon(L"Vellumo", text)) return;
    KeepAlive hold;
    ::MessageBoxW(nullptr, text.c_str(), L"Vellumo", MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
}

void Coordinator::OnRestartCaptureHeld() {
    KeepAlive hold;
    // The overlay that asked lives on (in the dispose list) until its handler returns.
    CloseCapture();
    PumpMessagesFor(kRepaintSettleMs);
    StartCapture();
}

void Coordinator::CaptureFromHotkey(bool lastRegion) {
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
    // The capture just closed (if any) has given its selection.
    const std::optional<Rect> region = lastRegion ? lastRegion_ : std::nullopt;
    if (StartCapture()) {
        if (region && LiveCapture()) capture_->Preselect(*region);
        return;
    }
    // No memory for the freeze (the user has been told): the Floaters come back.
    if (plan.showFloatersIfRefused && (host = LiveFloaterHost())) {
        host->Show();
        host->SetKeeper(true);
    }
}

void Coordinator::OnCaptureHotkey() { CaptureFromHotkey(); }

void Coordinator::OnDrawOnFloater(int n, HBITMAP picture, Point at) {
    KeepAlive hold;
    CloseCapture();
    RunIdleWork();
    // The overlay's own tools and history, on a frozen screen that shows the
    // Floater at 100%; what is kept goes back to the Floater, not to the
    // clipboard or the history.
    auto overlay = std::make_unique<CaptureOverlay>(*this);
    overlay->DrawOn(picture, at, [this, n](const Dib& drawn, const Rect& onScreen) {
        if (FloaterHost* host = LiveFloaterHost()) host->KeepDrawing(n, drawn, {onScreen.left, onScreen.top});
    });
    if (!overlay->Load()) return;
    capture_ = std::move(overlay);
    const SIZE size = BitmapSize(picture);
    capture_->Preselect({at.x, at.y, size.cx, size.cy});
}

void Coordinator::TakeClicksAgain() {
    if (FloaterHost* host = LiveFloaterHost()) host->TakeClicksAgain();
}

FloaterHost* Coordinator::LoadFloaterHost() {
    if (FloaterHost* host = LiveFloaterHost()) return host;
    auto host = std::make_unique<FloaterHost>(*this);
    if (!host->Load()) return nullptr;
    floaterHost_ = std::move(host);
    floaterHostInUse_ = false;
    return floaterHost_.get();
}

void Coordinator::WarmFloaterHost() {
    // Only for the capture still open; a host already there stays as it is.
    if (!LiveCapture() || LiveFloaterHost()) return;
    floaterHostWarmOnly_ = LoadFloaterHost() != nullptr;
}

FloaterHost* Coordinator::FloaterHostForPin(bool& fresh) {
    fresh = LiveFloaterHost() == nullptr || std::exchange(floaterHostWarmOnly_, false);
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
        case TrayMenuItem::CaptureLastRegion: CaptureFromHotkey(true); break;
        case TrayMenuItem::TakeClicksAgain: TakeClicksAgain(); break;
        case TrayMenuItem::PinClipboardImage:
            PinClipboardImage(MenuOwner(), [this] { return LoadFloaterHost(); },
                              [this](const PixelPlane& pixels) {
                                  if (history_) history_->Record(pixels, std::nullopt, history::LeftBy::Clipboard);
                              });
            break;
        default: OnHistoryMenuChosen(item); break;
    }
}

void Coordinator::StartHistory() {
    history_ = std::make_unique<CaptureHistory>(IniFile::BesideExe(L"set.ini"), [this] { return MessageOwner(); });
}

HWND Coordinator::MessageOwner() const {
    if (FloaterHost* host = LiveFloaterHost(); host && ::IsWindowVisible(host->hwnd())) return host->hwnd();
    return MenuOwner();
}

HWND Coordinator::MenuOwner() const { return settings_ ? settings_->hwnd() : nullptr; }

void Coordinator::OnCaptureLeft(const PixelPlane& pixels, const Rect& onScreen, history::LeftBy how) {
    if (history_) history_->Record(pixels, onScreen, how);
}

void Coordinator::OnFloaterFromFile(const PixelPlane& pixels) {
    if (history_) history_->Record(pixels, std::nullopt, history::LeftBy::File);
}

void Coordinator::OnTrayMenuOpening(HMENU menu) {
    if (history_)
        recentMenu_.Fill(FindTraySubmenu(menu, TrayMenuItem::CopyLastCapture), *history_, kFirstRecentCaptureId,
                         kRecentCaptureIds);
}

void Coordinator::OnHistoryMenuChosen(TrayMenuItem item) {
    if (!history_) return;
    const auto tell = [this](const std::wstring& text) {
        ::MessageBoxW(MessageOwner(), text.c_str(), L"Vellumo", MB_OK | MB_ICONWARNING);
    };
    switch (item) {
        case TrayMenuItem::OpenHistoryFolder:
            history_->MakeFolder();
            OpenWithShell(MenuOwner(), history_->folder().c_str());
            return;
        case TrayMenuItem::ClearHistory:
            if (::MessageBoxW(MessageOwner(),
                              (L"Remove every capture from the history?\n\n" + history_->folder()).c_str(),
                              L"Vellumo", MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES)
                history_->Clear();
            return;
        case TrayMenuItem::CopyLastCapture: {
            const auto newest = history_->Newest(1);
            if (newest.empty()) return tell(L"The history holds no capture to copy.");
            Dib picture;
            std::wstring why;
            if (!LoadCapture(newest.front(), picture, why)) return tell(why);
            if (PutBitmapOnClipboard(MenuOwner(), picture) != ClipboardResult::Ok)
                tell(L"The last capture could not be put on the clipboard: another program is holding it.");
            return;
        }
        default: break;
    }
    const auto index = RecentCaptureIndex(static_cast<unsigned>(item));
    const auto path = index ? recentMenu_.PathOf(*index) : std::nullopt;
    if (!path) return;
    // Pinned again as a pin makes it; the history already holds it.
    Dib picture;
    std::wstring why;
    if (!LoadCapture(*path, picture, why)) return tell(why);
    KeepAlive hold;
    FloaterHost* host = LoadFloaterHost();
    if (!host) return tell(L"The Floater could not be made: the system refused a new window.");
    if (!host->CanPin(why) || !host->PinCapture(unique_hbitmap(picture.ReleaseBitmap()), why)) return tell(why);
    host->ShowPinned();
}

}  // namespace vellumo::win
