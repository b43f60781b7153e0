#include "settings/SettingsLayout.h"

#include "hotkey/KeyCombo.h"
#include "store/IniRules.h"

namespace vellumo {

const std::array<SettingsControlSpec, 6>& SettingsControlsInTabOrder() {
    using enum SettingsControl;
    static const std::array<SettingsControlSpec, 6> kControls{{
        {EnableBox, SettingsControlKind::CheckBox, L"\u542F\u7528", {4200, 1920, 975, 375}, 0},  // 启用
        {SaveButton, SettingsControlKind::Button, L"\u4FDD\u5B58", {1440, 1080, 2175, 495}, 1},    // 保存
        {HideButton, SettingsControlKind::Button, L"\u9690\u85CF", {120, 1680, 975, 375}, 2},      // 隐藏
        // 默认热键为Print Screen
        {DefaultButton, SettingsControlKind::Button, L"\u9ED8\u8BA4\u70ED\u952E\u4E3APrint Screen", {3840, 360, 1335, 420}, 3},
        {HotkeyLabel, SettingsControlKind::Label, L"\u8BBE\u7F6E\u70ED\u952E\uFF1A", {240, 360, 975, 375}, 4},  // 设置热键：
        {Hotkey, SettingsControlKind::HotKey, L"", {1560, 240, 855, 495}, 5},
    }};
    return kControls;
}

Rect HotkeyRowTwips(std::size_t row, HotkeyRowPart part) {
    constexpr int kFirstTop = 2400, kPitch = 420, kHeight = 375;
    const int top = kFirstTop + static_cast<int>(row) * kPitch;
    switch (part) {
        case HotkeyRowPart::Caption: return {240, top + 30, 2100, kHeight};
        case HotkeyRowPart::Box: return {2400, top, 1500, kHeight};
        case HotkeyRowPart::Mark: return {3960, top + 30, 1800, kHeight};
    }
    return {};
}

bool TakesDefaultHotKey(std::wstring_view storedKeyCode) {
    const std::optional<long long> code = settings::ParseWholeNumber(storedKeyCode);
    return !code || !hotkey::IsUsableHotKeyCode(*code);
}

}  // namespace vellumo
