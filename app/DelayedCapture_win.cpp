// A capture after a delay, so that a menu or a hover state can be opened
// first: everything of Vellumo leaves the screen, the tray icon's tip counts
// down, and at the end the screen is frozen as it is then.
#include "app/Coordinator_win.h"
#include "gfx/Log_win.h"
#include "gfx/MessageLoop_win.h"
#include "tray/Tray_win.h"

namespace vellumo::win {

namespace {
// Often enough for the tip to change within a fifth of a second of each
// whole second, and for the freeze to come that close to the wait's end.
constexpr UINT kDelayTickMs = 100;

// A thread timer carries no window, so no owner: the one waiting coordinator.
Coordinator* g_delayOwner = nullptr;

void CALLBACK OnDelayTimer(HWND, UINT, UINT_PTR, DWORD) noexcept {
    try {
        if (g_delayOwner) g_delayOwner->OnCaptureDelayTick();
    } catch (...) {
        ReportCaughtException();
    }
}
}  // namespace

void Coordinator::ChooseCaptureDelay(std::optional<int> seconds) {
    const std::uint64_t now = ::GetTickCount64();
    const CaptureDelay::Outcome outcome = seconds ? delay_.Choose(*seconds, now) : delay_.Press(now);
    if (outcome == CaptureDelay::Outcome::Cancelled) {
        EndCaptureDelayWait();
        if (floatersHiddenByDelay_)
            if (FloaterHost* host = LiveFloaterHost()) {
                host->Show();
                host->SetKeeper(true);
            }
        floatersHiddenByDelay_ = false;
        return;
    }
    if (outcome == CaptureDelay::Outcome::Started) {
        CloseCapture();
        FloaterHost* host = LiveFloaterHost();
        floatersHiddenByDelay_ = host && ::IsWindowVisible(host->hwnd());
        if (host) {
            host->SetKeeper(false);
            host->Hide();
        }
        if (settings_ && settings_->hwnd()) settings_->HideForCapture();
    }
    if (!delayTimer_) {
        delayTimer_ = ::SetTimer(nullptr, 0, kDelayTickMs, &OnDelayTimer);
        if (LogLastErrorIf(!delayTimer_, L"SetTimer(capture delay)")) {
            delay_.Cancel();
            return;
        }
        g_delayOwner = this;
    }
    TheTrayIcon().SetTip(delay_.Tip(now));
}

void Coordinator::OnCaptureDelayTick() {
    const std::uint64_t now = ::GetTickCount64();
    if (!delay_.TakeDue(now)) {
        TheTrayIcon().SetTip(delay_.Tip(now));
        return;
    }
    EndCaptureDelayWait();
    const bool bringBack = floatersHiddenByDelay_;
    floatersHiddenByDelay_ = false;
    // A capture the user started meanwhile is theirs: the wait just ends.
    if (LiveCapture()) return;
    KeepAlive hold;
    if (StartCapture() || !bringBack) return;
    // No memory for the freeze (the user has been told): the Floaters come back.
    if (FloaterHost* host = LiveFloaterHost()) {
        host->Show();
        host->SetKeeper(true);
    }
}

void Coordinator::EndCaptureDelayWait() {
    delay_.Cancel();
    if (delayTimer_) ::KillTimer(nullptr, delayTimer_);
    delayTimer_ = 0;
    g_delayOwner = nullptr;
    TheTrayIcon().SetTip(L"");
}

}  // namespace vellumo::win
