// Pointer messages as the controls report them: Button 1 left, 2 right,
// 4 middle; Shift 1 Shift, 2 Ctrl, 4 Alt; coordinates signed (a captured
// pointer beyond the left or top edge gives negative ones).
#pragma once
#include <windows.h>
#include <windowsx.h>

namespace vellumo::win::mouse {

// All buttons held, from a message's key flags (for moves).
inline int Buttons(WPARAM keys) {
    return ((keys & MK_LBUTTON) ? 1 : 0) | ((keys & MK_RBUTTON) ? 2 : 0) | ((keys & MK_MBUTTON) ? 4 : 0);
}

inline int Shift(WPARAM keys) {
    return ((keys & MK_SHIFT) ? 1 : 0) | ((keys & MK_CONTROL) ? 2 : 0) | (::GetKeyState(VK_MENU) < 0 ? 4 : 0);
}

// The one button a press or release message is about; 0 for other messages.
inline int ButtonOf(UINT msg) {
    switch (msg) {
        case WM_LBUTTONDOWN: case WM_LBUTTONUP: case WM_LBUTTONDBLCLK: return 1;
        case WM_RBUTTONDOWN: case WM_RBUTTONUP: case WM_RBUTTONDBLCLK: return 2;
        case WM_MBUTTONDOWN: case WM_MBUTTONUP: case WM_MBUTTONDBLCLK: return 4;
        default: return 0;
    }
}

inline float X(LPARAM lp) { return static_cast<float>(GET_X_LPARAM(lp)); }
inline float Y(LPARAM lp) { return static_cast<float>(GET_Y_LPARAM(lp)); }

inline SIZE ClientSize(HWND w) {
    RECT rc{};
    ::GetClientRect(w, &rc);
    return {rc.right - rc.left, rc.bottom - rc.top};
}

}  // namespace vellumo::win::mouse
