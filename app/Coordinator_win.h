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

#include "floaters/Hoverdeck_win.h"
#include "overlay/ScrShot_win.h"
#include "settings/Sett_win.h"

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
    bool ClaimSingleInstance();

    // Ends any capture and shows a fresh one (a new freeze of the screen).
    // False, the user told, when there is no memory for the freeze.
    bool StartCapture();

    // A press of the capture hotkey: returns a translucent Floater host to
    // normal, or else discards any capture, hides the Floaters, pauses the
    // topmost keeper and starts a fresh capture.
    void CaptureFromHotkey();

    // The events the feature windows report.
    LRESULT OnStartCaptureAsked() override;
    void OnRestartCaptureHeld() override;
    Hoverdeck* FloaterHostForPin(bool& fresh) override;
    void OnCaptureClosed(ScrShot& overlay) override;
    void OnFloaterHostInUse() override;
    void OnFloaterHostClosed(Hoverdeck& host) override;
    void OnCaptureHotkey() override;
    void OnTrayMenuChosen(CdItem item) override;

private:
    ScrShot* LiveCapture() const;
    Hoverdeck* LiveFloaterHost() const;
    // The Floater host, created (hidden, empty) when there is none; null only
    // if the system refuses the window.
    Hoverdeck* LoadFloaterHost();
    // The same, in use from the tray menu: the settings come with it.
    Hoverdeck* FloaterHostInUse();
    void CloseCapture();

    std::unique_ptr<ScrShot> capture_;
    std::unique_ptr<Hoverdeck> floaterHost_;
    // Whether the current host has brought the settings window and applied
    // its stored option (once per host).
    bool floaterHostInUse_ = false;
    // Lives as long as the program once loaded.
    std::unique_ptr<Sett> settings_;
    unique_handle instanceMutex_;
    // A hotkey press that arrives while a restart waits for repaints is dropped.
    bool restarting_ = false;
};

}  // namespace vellumo::win
