// The coordinator's side of the Floater host: making it (ahead of the pin,
// while the user selects), pins handed over by the overlay, drawing on a
// Floater, and the kept Floaters brought back or reopened.
#include <utility>

#include "app/Coordinator_win.h"
#include "gfx/Picture_win.h"
#include "output/Clipboard_win.h"

namespace vellumo::win {

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
    if (restorePending_ && keeper_) {
        restorePending_ = false;
        keeper_->Restore(*floaterHost_);
        // Brought back under a capture (for its pin): shown when it ends,
        // unless the pin shows them first.
        showRestoredAfterCapture_ = LiveCapture() != nullptr;
    }
    return floaterHost_.get();
}

void Coordinator::WarmFloaterHost() {
    // Only for the capture still open; a host already there stays as it is.
    if (!LiveCapture() || LiveFloaterHost()) return;
    floaterHostWarmOnly_ = LoadFloaterHost() != nullptr;
}

PinAnswer Coordinator::OnPinRequested(PinRequest& request) {
    // The host takes over from here; the process must not end in between.
    KeepAlive hold;
    RecordPinnedCapture();
    // A host made ready while the user selected counts as none.
    const bool noHost = LiveFloaterHost() == nullptr || std::exchange(floaterHostWarmOnly_, false);
    // The settings come with FinishPinAtIdle, once no capture overlay covers the
    // messages they may show.
    FloaterHost* host = LoadFloaterHost();
    // Loaded for this pin alone: nothing was brought back into it.
    const bool freshHost = noHost && host && host->book().floaters().empty();
    // A host loaded for this pin alone would keep the process running unseen.
    // The copy ends before anything is told or freed.
    const auto giveUp = [&](PinAnswer answer) {
        request.joinPixels();
        if (freshHost && host) ::DestroyWindow(host->hwnd());
        return answer;
    };
    PinAnswer refused{false, std::nullopt, L"The Floater could not be made: the system refused a new window."};
    if (!host || !host->CanPin(refused.why)) return giveUp(refused);
    // The clipboard is the host's, a bitmap promised, before the Floater is
    // made: another program holding it is told and nothing is pinned. The
    // copy for it is made from the Floater's picture once the Floater shows;
    // the Floater is the capture's own bitmap, so whatever another program
    // then does with the clipboard (hold it, replace the picture) cannot lose
    // the pin.
    if (const ClipboardResult promised = PromiseBitmapOnClipboard(host->hwnd()); promised != ClipboardResult::Ok)
        return giveUp({false, promised, {}});
    // The Floater owns these pixels from here; they are read for the history
    // once it shows.
    const PixelPlane pinned = request.picture.plane();
    // A refused Floater leaves the bitmap here, still being written.
    unique_hbitmap picture(request.picture.ReleaseBitmap());
    if (!host->PinCapture(std::move(picture), refused.why, request.monitor)) return giveUp(refused);
    // Only once the Floater exists does the capture go (its pictures are
    // freed at idle, after the copy has been joined). The host is shown
    // first: hidden while the overlay has the keyboard, the overlay took 4
    // to 13 ms to go (the system choosing what to activate next), and where
    // the host's own windows are not painted yet X keeps the frozen screen
    // rather than flash the live one. The copy runs on meanwhile; it is
    // joined before anything paints the Floater, and the Floater painted
    // then, before the messages waiting (the expose among them) are seen.
    host->ShowPinned(false);
    request.endCapture();
    request.joinPixels();
    host->PaintPinned();
    host->FinishPinAtIdle();
    showRestoredAfterCapture_ = false;
    pinnedForHistory_ = PinnedCapture{pinned, request.onScreen};
    WhenIdle([this] { RecordPinnedCapture(); });
    return {true, std::nullopt, {}};
}

void Coordinator::RecordPinnedCapture() {
    const std::optional<PinnedCapture> pinned = std::exchange(pinnedForHistory_, std::nullopt);
    if (pinned && history_) history_->Record(pinned->pixels, pinned->onScreen, history::LeftBy::Pin);
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
    RecordPinnedCapture();
    // "Quit": its Floaters are deleted, each one reopenable.
    if (keeper_ && floaterHost_.get() == &host) keeper_->HostClosed(host);
    if (floaterHost_.get() == &host) DisposeLater(std::move(floaterHost_));
}

void Coordinator::ShowRestoredFloaters() {
    KeepAlive hold;
    if (FloaterHost* host = FloaterHostInUse()) {
        host->Show();
        host->SetKeeper(true);
    }
}

void Coordinator::ReopenClosedFloater() {
    if (!keeper_) return;
    KeepAlive hold;
    FloaterHost* host = FloaterHostInUse();
    std::wstring why = L"The Floater could not be made: the system refused a new window.";
    if (!host || !keeper_->ReopenNewest(*host, why)) {
        ::MessageBoxW(MessageOwner(), why.c_str(), L"Vellumo", MB_OK | MB_ICONINFORMATION);
        return;
    }
    // Reopened during a capture, it shows when the capture ends.
    if (LiveCapture()) {
        showRestoredAfterCapture_ = true;
        return;
    }
    host->Show();
    host->SetKeeper(true);
}

}  // namespace vellumo::win
