// The hotkey of the resident benchmark: given as "KEYCODE:MODIFIERS" (Windows
// virtual-key code; modifiers 1 Alt, 2 Ctrl, 4 Shift, 8 Win), written into the
// "set.ini" beside the copy of vellumo.exe, passed to hotkeyfloor.exe, and
// pressed with XTest as the X keys that Wine maps to it.
#pragma once
#include <X11/keysym.h>

#include <charconv>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vellumo::bench {

struct BenchHotkey {
    int keyCode = 44;  // Print Screen
    int modifiers = 0;
};

inline constexpr int kAlt = 1, kCtrl = 2, kShift = 4, kWin = 8;

// The X keysym Wine turns into the virtual key: Print Screen, F1..F12,
// letters and digits.
inline std::optional<unsigned long> KeysymFor(int keyCode) {
    if (keyCode == 44) return XK_Print;
    if (keyCode >= 112 && keyCode <= 123) return XK_F1 + (keyCode - 112);
    if (keyCode >= 'A' && keyCode <= 'Z') return XK_a + (keyCode - 'A');
    if (keyCode >= '0' && keyCode <= '9') return XK_0 + (keyCode - '0');
    return std::nullopt;
}

// "44:0", "120:3"; nothing for anything else or a key the bench cannot press.
inline std::optional<BenchHotkey> ParseHotkey(std::string_view s) {
    const std::size_t colon = s.find(':');
    if (colon == std::string_view::npos) return std::nullopt;
    BenchHotkey h;
    const auto number = [](std::string_view t, int& out) {
        const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), out);
        return ec == std::errc() && end == t.data() + t.size() && !t.empty();
    };
    if (!number(s.substr(0, colon), h.keyCode) || !number(s.substr(colon + 1), h.modifiers)) return std::nullopt;
    if (h.modifiers < 0 || h.modifiers > 15 || !KeysymFor(h.keyCode)) return std::nullopt;
    return h;
}

// The modifier keys to hold, in the order they go down.
inline std::vector<unsigned long> ModifierKeysyms(int modifiers) {
    std::vector<unsigned long> keys;
    if (modifiers & kCtrl) keys.push_back(XK_Control_L);
    if (modifiers & kAlt) keys.push_back(XK_Alt_L);
    if (modifiers & kShift) keys.push_back(XK_Shift_L);
    if (modifiers & kWin) keys.push_back(XK_Super_L);
    return keys;
}

// As the hotkey control shows it: "Ctrl + Alt + F9", "Print Screen".
inline std::string HotkeyText(const BenchHotkey& h) {
    std::string s;
    if (h.modifiers & kWin) s += "Win + ";
    if (h.modifiers & kCtrl) s += "Ctrl + ";
    if (h.modifiers & kAlt) s += "Alt + ";
    if (h.modifiers & kShift) s += "Shift + ";
    if (h.keyCode == 44) s += "Print Screen";
    else if (h.keyCode >= 112 && h.keyCode <= 123) s.append(1, 'F').append(std::to_string(h.keyCode - 111));
    else s.append(1, char(h.keyCode));
    return s;
}

// "set.ini" holding the hotkey, switched on.
// Shows the Floaters again between the presses that time a shown one.
// A plain key: under XTest Wine has let modifiers go before the key came.
inline constexpr BenchHotkey kBenchHideFloatersKey{122, 0};  // F11

inline std::string SetIniText(const BenchHotkey& h) {
    const BenchHotkey& t = kBenchHideFloatersKey;
    return "[hotkey]\r\nHotKey1Text=" + HotkeyText(h) + "\r\nHotKey1KeyCode=" + std::to_string(h.keyCode) +
           "\r\nHotKey1ModKeyCode=" + std::to_string(h.modifiers) + "\r\nHideFloatersText=" + HotkeyText(t) +
           "\r\nHideFloatersKeyCode=" + std::to_string(t.keyCode) + "\r\nHideFloatersModKeyCode=" +
           std::to_string(t.modifiers) + "\r\n[check]\r\nchecka=1\r\n";
}

}  // namespace vellumo::bench
