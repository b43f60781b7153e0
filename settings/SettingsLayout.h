// The settings window as data: its controls with their captions,
// places (twips) and tab order, and the rules its handlers apply. No
// platform headers.
#pragma once
#include <array>
#include <string_view>

#include "gfx/Dpi.h"
#include "gfx/Geometry.h"

namespace vellumo {

// Lengths here are twips, made pixels by gfx/Dpi.h's TwipsToPixels.
inline constexpr wchar_t kSettingsTitle[] = L"Form1";
inline constexpr Size kSettingsClientTwips{5865, 2175};

enum class SettingsControl { HotkeyLabel, Hotkey, DefaultButton, SaveButton, HideButton, EnableBox };
enum class SettingsControlKind { Label, HotKey, Button, CheckBox };

struct SettingsControlSpec {
    SettingsControl control;
    SettingsControlKind kind;
    const wchar_t* caption;
    Rect twips;  // left, top, width, height
    int tabIndex;
};

// In tab order (creation order gives the tab order of child windows).
const std::array<SettingsControlSpec, 6>& SettingsControlsInTabOrder();

// The default the "默认热键为Print Screen" button stores.
inline constexpr wchar_t kDefaultHotKeyText[] = L"Print Screen";
inline constexpr int kDefaultHotKeyCode = 44;  // VK_SNAPSHOT

// A stored key code that cannot be a hotkey (missing, not a number, 0,
// negative, out of range, a mouse button or a modifier alone) is taken like
// a first start: Print Screen with no modifiers, the file left as it is.
bool TakesDefaultHotKey(std::wstring_view storedKeyCode);

}  // namespace vellumo
