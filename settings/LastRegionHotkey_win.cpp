// The LastRegion hotkey: read from set.ini as the capture hotkey is, and
// registered on the settings window, which lives as long as the program is
// resident. None is stored by default; one that cannot be a hotkey, or that
// another program holds, is left out (the failure logged).
#include "gfx/Log_win.h"
#include "hotkey/KeyCombo.h"
#include "settings/SettingsWindow_win.h"
#include "settings/StartUp.h"
#include "store/IniRules.h"

namespace vellumo::win {

void SettingsWindow::RegisterLastRegionHotkey() {
    const std::wstring section(settings::kHotKeyKeyCode.section);
    const auto code =
        settings::ParseWholeNumber(store_.Read(section, settings::kHotKeyKeyCode.Key(kLastRegionHotkeyName), L""));
    if (!code || !hotkey::IsUsableHotKeyCode(*code)) return;
    const int mods = settings::ReadNumber(
        settings::kHotKeyModKeyCode, store_.Read(section, settings::kHotKeyModKeyCode.Key(kLastRegionHotkeyName), L"0"));
    LogLastErrorIf(!::RegisterHotKey(hwnd(), kLastRegionHotkeyId, static_cast<UINT>(hotkey::RegisteredModifiers(mods)),
                                     static_cast<UINT>(*code)),
                   L"RegisterHotKey LastRegion");
}

}  // namespace vellumo::win
