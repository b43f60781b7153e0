// Where each hotkey of the settings window's table leads: one switch over
// every action, so a new row without a destination does not compile quietly.
#include "app/Coordinator_win.h"
#include "gfx/Log_win.h"

namespace vellumo::win {

void Coordinator::OnActionHotkey(HotkeyAction action) {
    switch (action) {
        case HotkeyAction::Capture: CaptureFromHotkey(); return;
        case HotkeyAction::LastRegion: CaptureFromHotkey(true); return;
        case HotkeyAction::Delayed: ChooseCaptureDelay(std::nullopt); return;
        case HotkeyAction::PinClipboard: OnTrayMenuChosen(TrayMenuItem::PinClipboardImage); return;
        case HotkeyAction::CopyLast: OnTrayMenuChosen(TrayMenuItem::CopyLastCapture); return;
        case HotkeyAction::HideFloaters: ToggleFloaters(); return;
        // ---- TO CONNECT AT MERGE ----
        // These two actions live on other branches: ReopenFloater calls
        // ReopenClosedFloater() and TakeClicks calls TakeClicksAgain(), both
        // coordinator methods. Until they are merged the hotkeys are stored,
        // registered and pressed like the others and only logged here.
        case HotkeyAction::ReopenFloater:
            LogFailure(L"ReopenFloater hotkey: not connected yet");
            return;
        case HotkeyAction::TakeClicks:
            LogFailure(L"TakeClicks hotkey: not connected yet");
            return;
        // ---- end of the place to connect ----
    }
}

void Coordinator::ToggleFloaters() {
    const FloaterHost* host = LiveFloaterHost();
    const bool shown = host && ::IsWindowVisible(host->hwnd());
    OnTrayMenuChosen(shown ? TrayMenuItem::HideFloaters : TrayMenuItem::ShowFloaters);
}

}  // namespace vellumo::win
