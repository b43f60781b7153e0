// modsubclass: the replacement window procedures of the hotkey control's
// two windows, with everything they need kept in window properties
// ("WinProc": the previous procedure; "Object": the owning control).
#pragma once
#include <windows.h>

namespace vellumo::win {

class HotKey;

// Sent by the hooked text box to its parent for every key and mouse message,
// before the box sees it; lParam points to an EditInput. A non-zero answer
// swallows the message.
inline constexpr UINT kEditInputMessage = WM_APP + 0x4B;
struct EditInput {
    UINT msg;
    WPARAM wp;
    LPARAM lp;
};

// The hidden window: every WM_HOTKEY raises the control's HotKeyPressed.
void HookHotKeyWindow(HWND hwnd, HotKey* control);
void UnhookHotKeyWindow(HWND hwnd);
// The text box: no context menu, no typed characters.
void HookEdit(HWND hwnd);
void UnhookEdit(HWND hwnd);

LRESULT CALLBACK HotKeyWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;
LRESULT CALLBACK EditWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;

}  // namespace vellumo::win
