// Where each hotkey of the settings window's table leads: one switch over
// every action, so a new row without a destination does not compile quietly.
#include "app/Coordinator_win.h"

namespace vellumo::win {

void Coordinator::OnActionHotkey(HotkeyAction action) {
    switch (action) {
        case HotkeyAction::Capture: CaptureFromHotkey(); return;
        case HotkeyAction::LastRegion: CaptureFromHotkey(true); return;
        case HotkeyAction::Delayed: ChooseCaptureDelay(std::nullopt); return;
        case HotkeyAction::PinClipboard: OnTrayMenuChosen(TrayMenuItem::PinClipboardImage); return;
        case HotkeyAction::CopyLast: OnTrayMenuChosen(TrayMenuItem::CopyLastCapture); return;
        case HotkeyAction::HideFloaters: ToggleFloaters(); return;
        case HotkeyAction::ReopenFloater: ReopenClosedFloater(); return;
        case HotkeyAction::TakeClicks: TakeClicksAgain(); return;
    }
}

void Coordinator::ToggleFloaters() {
    const FloaterHost* host = LiveFloaterHost();
    const bool shown = host && ::IsWindowVisible(host->hwnd());
    OnTrayMenuChosen(shown ? TrayMenuItem::HideFloaters : TrayMenuItem::ShowFloaters);
}

}  // namespace vellumo::win
