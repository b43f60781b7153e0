// How the hotkey box composes a combination from key-downs and key-ups,
// without Windows: the key names come from an injected function.
#pragma once
#include <functional>
#include <string>

namespace vellumo::hotkey {

// Virtual-key codes the composition looks at.
inline constexpr int kVkShift = 16, kVkControl = 17, kVkMenu = 18;
inline constexpr int kVkSnapshot = 44;  // Print Screen
inline constexpr int kVkLWin = 91;
inline constexpr int kVkApps = 93;  // the application/menu key

// The `shift` argument of key events: 1 Shift, 2 Ctrl, 4 Alt.
inline constexpr int kShiftMask = 1, kCtrlMask = 2, kAltMask = 4;
// ModKeyCode bits, as RegisterHotKey takes them.
inline constexpr int kModAlt = 1, kModControl = 2, kModShift = 4, kModWin = 8;
// The base value once Print Screen has been seen. It is what stored files
// hold, but 0x40 is no modifier RegisterHotKey knows.
inline constexpr int kPrtBase = 68;
inline constexpr int kPrtMarker = 0x40;

struct Combination {
    std::wstring text = L"NULL";
    int keyCode = 0;
    int modKeyCode = 0;
    friend bool operator==(const Combination&, const Combination&) = default;
};

// Whether a key code can be the hotkey's key: a virtual key from 1 to 254
// that is neither a mouse button nor a modifier alone (Shift, Ctrl, Alt,
// either Windows key, or their left and right forms).
bool IsUsableHotKeyCode(long long keyCode);

// The modifiers to register for a stored ModKeyCode. Plain values keep their
// four modifier bits. With the Prt marker the base 68 carries a 4 that would
// read as Shift; it is taken as part of the base, so "Prt + Print Screen"
// registers Print Screen alone and only Ctrl and Alt survive (a Shift held
// after Print Screen cannot be told apart from the base and is dropped).
int RegisteredModifiers(int modKeyCode);

// The state machine behind the text box: the Win and Prt latches and the
// combination on display.
class KeyComposer {
public:
    using KeyNameFn = std::function<std::wstring(int keyCode)>;
    explicit KeyComposer(KeyNameFn keyName) : keyName_(std::move(keyName)) {}

    // The menu key is dropped before anything sees it.
    static bool Ignored(int keyCode) { return keyCode == kVkApps; }

    // A key-down as the KeyDown event left it; rebuilds the combination.
    void KeyDown(int keyCode, int shift);
    // A key-up: releases the Win latch; modifiers alone revert to "NULL".
    void KeyUp(int keyCode);

    const Combination& combination() const { return current_; }
    void Set(Combination c) { current_ = std::move(c); }
    bool winLatch() const { return win_; }
    bool prtLatch() const { return prt_; }

private:
    KeyNameFn keyName_;
    Combination current_;
    bool win_ = false;
    bool prt_ = false;  // never cleared while the control lives
};

}  // namespace vellumo::hotkey
