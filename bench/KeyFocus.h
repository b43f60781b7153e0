// Keys for a program's full-screen window under a window manager: the key
// focus reaches a window a round trip after it shows, and a key sent before
// that goes to the window that had it. The benchmarks' Esc goes in once the
// focus is there.
#pragma once
#include <X11/keysym.h>

#include <chrono>
#include <optional>
#include <string>

#include "tests/e2e/harness/Harness.h"

namespace vellumo::bench {

// Esc for the visible top-level window of class `cls`, once keys reach it
// (at most `wait`); sent anyway when they do not, so a missed Esc shows up
// as such.
inline void EscOnceFocused(e2e::Display& d, const std::string& cls,
                           std::chrono::milliseconds wait = std::chrono::milliseconds(3000)) {
    std::optional<std::string> top;
    for (const e2e::WinInfo& w : d.ListWindows(cls))
        if (w.parent == "0" && w.visible) top = w.hwnd;
    if (top) e2e::WaitUntil([&] { return d.KeysReach(*top); }, wait, std::chrono::milliseconds(20));
    d.Tap(XK_Escape);
}

}  // namespace vellumo::bench
