// The settings window as data: its controls with their captions,
// places (twips) and tab order, and the rules its handlers apply. No
// platform headers.
#pragma once
#include <array>
#include <cstddef>
#include <string_view>

#include "gfx/Dpi.h"
#include "gfx/Geometry.h"

namespace vellumo {

// Lengths here are twips, made pixels by gfx/Dpi.h's TwipsToPixels.
inline constexpr wchar_t kSettingsTitle[] = L"Form1";
// Grown below the first controls for a row per optional hotkey and the
// pointer box.
inline constexpr Size kSettingsClientTwips{5865, 5895};

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

// A row per optional hotkey (the actions after the capture hotkey, in their
// table's order), below the first controls: its caption, its box and the
// mark shown while its hotkey is not registered.
enum class HotkeyRowPart { Caption, Box, Mark };
Rect HotkeyRowTwips(std::size_t row, HotkeyRowPart part);
// The capture hotkey's mark, between its box and the default button.
inline constexpr Rect kCaptureHotkeyMarkTwips{2460, 330, 1340, 375};
// "[Capture] Cursor=": the pointer drawn into captures, below the rows.
inline constexpr Rect kCursorBoxTwips{240, 5340, 4500, 375};
inline constexpr int kCursorBoxId = 121;
inline constexpr wchar_t kCursorBoxCaption[] = L"Include the pointer in captures";

}  // namespace vellumo
