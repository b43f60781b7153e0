#include "hotkey/KeyCombo.h"

namespace vellumo::hotkey {

bool IsUsableHotKeyCode(long long keyCode) {
    if (keyCode < 1 || keyCode > 254) return false;
    switch (keyCode) {
        case 1: case 2: case 4: case 5: case 6:  // mouse buttons
        case kVkShift: case kVkControl: case kVkMenu:
        case kVkLWin: case kVkLWin + 1:          // left and right Windows keys
        case 160: case 161: case 162: case 163: case 164: case 165:  // left/right Shift, Ctrl, Alt
            return false;
        default:
            return true;
    }
}

int RegisteredModifiers(int modKeyCode) {
    const int plain = kModAlt | kModControl | kModShift | kModWin;
    if (modKeyCode & kPrtMarker) return modKeyCode & (kModAlt | kModControl);
    return modKeyCode & plain;
}

void KeyComposer::KeyDown(int keyCode, int shift) {
    if (keyCode == kVkLWin) win_ = true;
    std::wstring text;
    int mod = 0;
    if (win_) {
        text = L"Win + ";
        mod = kModWin;
    }
    if (keyCode == kVkSnapshot) prt_ = true;
    if (prt_) {
        text = L"Prt + ";
        mod = kPrtBase;
    }
    if (shift & kCtrlMask) {
        text += L"Ctrl + ";
        mod |= kModControl;
    }
    if (shift & kAltMask) {
        text += L"Alt + ";
        mod |= kModAlt;
    }
    if (shift & kShiftMask) {
        text += L"Shift + ";
        mod |= kModShift;
    }
    int stored = 0;
    if (keyCode != kVkLWin && keyCode != kVkShift && keyCode != kVkControl && keyCode != kVkMenu) {
        text += keyName_ ? keyName_(keyCode) : std::wstring();
        stored = keyCode;
    }
    current_ = Combination{std::move(text), stored, mod};
}

void KeyComposer::KeyUp(int keyCode) {
    if (keyCode == kVkLWin) win_ = false;
    if (current_.keyCode == 0) current_ = Combination{};
}

}  // namespace vellumo::hotkey
