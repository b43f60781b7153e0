// The one owner of the program's flow: start-up and the single instance, the
// hand-over from a second start, captures started from the hotkey, the tray
// or a second start, the Floater host and the settings window that keep the
// program resident, and leaving. Feature windows know nothing of each other;
// each tells the coordinator what happened through its events interface
// (CaptureEvents, FloaterHostEvents, SettingsEvents), and the coordinator
// decides what follows.
#pragma once
#include <windows.h>

#include <memory>
#include <optional>

#include "app/CaptureDelay.h"
#include "app/FloaterKeeper_win.h"
#include "floaters/FloaterHost_win.h"
#include "history/HistoryMenu_win.h"
#include "history/HistoryWriter_win.h"
#include "overlay/CaptureOverlay_win.h"
#include "settings/SettingsWindow_win.h"

namespace vellumo::win {

class Coordinator final : public CaptureEvents, public FloaterHostEvents, public SettingsEvents {
public:
    Coordinator();
    ~Coordinator();
    Coordinator(const Coordinator&) = delete;
    Coordinator& operator=(const Coordinator&) = delete;

    // At start, before anything is shown: true when this copy is the one that
    // runs. Otherwise another copy runs; this one has waited for it to answer,
    // however long that took, and it has taken the capture over: this one ends.
    // `handOver` false (a /tray start): a copy already running is left
    // alone and this one ends at once, showing nothing.
    bool ClaimSingleInstance(bool handOver = true);

    // Resident with no capture: the hidden Floater host, the settings
    // window, the hotkey and the tray icon. False when the system refused them.
    bool StartResident();
    // The copy that runs starts its capture history (and removes what a
    // crash left of it) before its first capture, and brings back the
    // Floaters kept when it last ran: at once when no capture shows, else
    // once the capture ends.
    void StartHistory();

    // The Floater deleted last comes back as it was; again for the one before.
    void ReopenClosedFloater();
    // Leaving: the Floaters' state and the history's queued writes saved
    // (each wait bounded), then the program ends.
    [[noreturn]] void Leave();

    // Ends any capture and shows a fresh one (a new freeze of the screen).
    // False, the user told, when there is no memory for the freeze.
    bool StartCapture();

    // A press of the capture hotkey: returns a translucent Floater host to
    // normal, or else discards any capture, hides the Floaters, pauses the
    // topmost keeper and starts a fresh capture.
    // `lastRegion`: the capture starts with the last selection made again
    // (a normal capture when there has been none).
    void CaptureFromHotkey(bool lastRegion = false);

    // The delayed capture's timer: the tip counts down, and at the end of the
    // wait the screen is frozen.
    void OnCaptureDelayTick();

    // The events the feature windows report.
    LRESULT OnStartCaptureAsked() override;
    void OnRestartCaptureHeld() override;
    PinAnswer OnPinRequested(PinRequest& request) override;
    void OnCaptureClosed(CaptureOverlay& overlay) override;
    void OnQuickSaved(const std::wstring& path) override;
    void OnSelectionKept(const Rect& frame) override { lastRegion_ = frame; }
    void OnFloaterHostInUse() override;
    void OnFloaterHostClosed(FloaterHost& host) override;
    void OnCaptureHotkey() override;
    // The one dispatch of the other actions' hotkeys (HotkeyDispatch_win.cpp).
    void OnActionHotkey(HotkeyAction action) override;
    void OnTrayMenuChosen(TrayMenuItem item) override;
    void OnTrayMenuOpening(HMENU menu) override;
    void OnCaptureLeft(SharedPixels picture, const Rect& onScreen, history::LeftBy how) override;
    void OnFloaterFromFile(const PixelPlane& pixels) override;
    void OnDrawOnFloater(int n, HBITMAP picture, Point at) override;

    // Every Floater that lets the pointer through takes it again (the tray's
    // "Take clicks again"; the TakeClicks hotkey).
    void TakeClicksAgain();

    void OnFloatersChanged(FloaterHost&) override {
        if (keeper_) keeper_->Changed();
    }
    // A pinned picture still waiting for the history is read before it goes.
    void OnFloaterPictureChanged(FloaterHost&, int n) override {
        RecordPinnedCapture();
        if (keeper_) keeper_->PictureChanged(n);
    }
    void OnFloaterClosing(FloaterHost& host, int n) override {
        RecordPinnedCapture();
        if (keeper_) keeper_->Closing(host, n);
    }
    void OnReopenClosedFloaterAsked() override { ReopenClosedFloater(); }
    void OnExitAsked() override { Leave(); }

private:
    CaptureOverlay* LiveCapture() const;
    FloaterHost* LiveFloaterHost() const;
    // The Floater host, created (hidden, empty) when there is none; null only
    // if the system refuses the window.
    FloaterHost* LoadFloaterHost();
    // While the user selects: the host made ready (hidden, empty) so that a
    // pin does not wait for its windows. A capture that ends without a pin
    // takes such a host with it.
    void WarmFloaterHost();
    // The last pin's picture into the history, if it is still waiting.
    void RecordPinnedCapture();
    // The same, in use from the tray menu: the settings come with it.
    FloaterHost* FloaterHostInUse();
    void CloseCapture();
    // The kept Floaters brought back into the host, shown.
    void ShowRestoredFloaters();
    // The history's entries of the tray menu.
    void OnHistoryMenuChosen(TrayMenuItem item);
    // A delayed capture (DelayedCapture_win.cpp): `seconds` from the tray,
    // none from the hotkey. While it waits nothing of Vellumo is on screen
    // and the tray icon's tip counts down; at its end the screen is frozen.
    void ChooseCaptureDelay(std::optional<int> seconds);
    void EndCaptureDelayWait();
    // Hides the Floater host, or shows it when hidden (the HideFloaters hotkey).
    void ToggleFloaters();
    HWND MenuOwner() const;
    // The shown Floater host, or else the settings window: a box it owns
    // stays above the host, which its keeper otherwise raises over it.
    HWND MessageOwner() const;

    std::unique_ptr<CaptureOverlay> capture_;
    std::unique_ptr<FloaterHost> floaterHost_;
    // Whether the current host has brought the settings window and applied
    // its stored option (once per host).
    bool floaterHostInUse_ = false;
    // The host was made by WarmFloaterHost and no pin has taken it yet.
    bool floaterHostWarmOnly_ = false;
    // Lives as long as the program once loaded.
    std::unique_ptr<SettingsWindow> settings_;
    unique_handle instanceMutex_;
    std::unique_ptr<CaptureHistory> history_;
    std::unique_ptr<FloaterKeeper> keeper_;
    // Kept Floaters wait to be brought back with the next host loaded.
    bool restorePending_ = false;
    bool showRestoredAfterCapture_ = false;
    RecentCapturesMenu recentMenu_;
    // A hotkey press that arrives while a restart waits for repaints is dropped.
    bool restarting_ = false;
    CaptureDelay delay_;
    UINT_PTR delayTimer_ = 0;
    // The Floaters were shown when the wait hid them: they come back if it is cancelled.
    bool floatersHiddenByDelay_ = false;
    // A pin's picture (the Floater's own pixels) waits for the history until
    // the Floater has painted: copying it first delayed the Floater by 5 to
    // 15 ms. Recorded at idle, or before anything could free it (the Floater
    // closed or turned, the host closed, the program leaving).
    struct PinnedCapture {
        PixelPlane pixels;
        Rect onScreen;
    };
    std::optional<PinnedCapture> pinnedForHistory_;
    // The last capture's selection, in virtual-screen pixels.
    std::optional<Rect> lastRegion_;
};

}  // namespace vellumo::win
