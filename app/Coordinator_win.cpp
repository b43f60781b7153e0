#include "app/Coordinator_win.h"

#include <utility>

#include "app/CaptureFlow.h"
#include "app/RepaintWait_win.h"
#include "floaters/ClipboardPin_win.h"
#include "floaters/FloaterState.h"
#include "gfx/Log_win.h"
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
    // Not into the freeze of a capture that replaces this one; a host made
    // ready for this capture stays ready for that one.
    if (restarting_) return;
    const bool warmOnly = std::exchange(floaterHostWarmOnly_, false);
    if (restorePending_ || showRestoredAfterCapture_) ShowRestoredFloaters();
    else if (warmOnly)
        // A host nobody pinned to would keep the process running unseen.
        if (FloaterHost* host = LiveFloaterHost()) ::DestroyWindow(host->hwnd());
    showRestoredAfterCapture_ = false;
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
    WaitForRepaint();
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
    // What the Floaters show, read before they hide: the freeze waits until
    // it has gone. An open capture hides them already, and its overlay is
    // waited for in full.
    const CoveredArea covered =
        host && ::IsWindowVisible(host->hwnd()) && !LiveCapture() ? SampleCoveredArea(host->hwnd()) : CoveredArea{};
    CloseCapture();
    if (plan.hideFloaters) {
        // ShowWindow would hand the host's activation (it has it once the
        // user clicked a Floater) to another program's window, under Wine a
        // focus change through the window manager, for the overlay to take
        // it back a moment later. Hidden without activating, the host keeps
        // it until the overlay comes: one focus change in the press, not two.
        if (::IsWindowVisible(host->hwnd()))
            ::SetWindowPos(host->hwnd(), nullptr, 0, 0, 0, 0,
                           SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
        host->Hide();  // its popups; the host itself is hidden already
        host->SetKeeper(false);
    }
    if (plan.waitForRepaint) WaitForRepaint(covered);
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
        case TrayMenuItem::ReopenClosedFloater: ReopenClosedFloater(); break;
        case TrayMenuItem::PinClipboardImage:
            PinClipboardImage(MenuOwner(), [this] { return LoadFloaterHost(); },
                              [this](const PixelPlane& pixels) {
                                  if (history_) history_->Record(pixels, std::nullopt, history::LeftBy::Clipboard);
                              });
            break;
        default:
            if (const auto seconds = CaptureDelayOf(item)) ChooseCaptureDelay(*seconds);
            else OnHistoryMenuChosen(item);
            break;
    }
}

void Coordinator::StartHistory() {
    history_ = std::make_unique<CaptureHistory>(IniFile::BesideExe(L"set.ini"), [this] { return MessageOwner(); });
    // Kept beside the history, also when the history itself is off.
    keeper_ = std::make_unique<FloaterKeeper>(history_->folder() + L"\\" + kFloatersFolderName,
                                              [this] { return LiveFloaterHost(); });
    // The kept Floaters come back with the host: now, or once the start's
    // capture has ended (a host made under the overlay would take its
    // keyboard), or with the capture's pin, behind the pinned one.
    restorePending_ = keeper_->HasKept();
    if (!restorePending_ || LiveCapture()) return;
    // A resident start has its host already.
    if (FloaterHost* host = LiveFloaterHost()) {
        restorePending_ = false;
        keeper_->Restore(*host);
    }
    ShowRestoredFloaters();
}

void Coordinator::Leave() {
    // Whatever is not on disk by then is lost: a hung disk must not keep the
    // program from ending.
    constexpr DWORD kLeaveWaitMs = 3000;
    RecordPinnedCapture();
    if (keeper_ && !keeper_->SaveAndFinish(kLeaveWaitMs)) LogFailure(L"the kept Floaters were not all written in time");
    if (history_ && !history_->Finish(kLeaveWaitMs)) LogFailure(L"the history was not all written in time");
    if (settings_ && settings_->hwnd()) settings_->ExitProgram();
    ::ExitProcess(0);
}

HWND Coordinator::MessageOwner() const {
    if (FloaterHost* host = LiveFloaterHost(); host && ::IsWindowVisible(host->hwnd())) return host->hwnd();
    return MenuOwner();
}

HWND Coordinator::MenuOwner() const { return settings_ ? settings_->hwnd() : nullptr; }

void Coordinator::OnCaptureLeft(SharedPixels picture, const Rect& onScreen, history::LeftBy how) {
    if (history_) history_->Record(std::move(picture), onScreen, how);
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
