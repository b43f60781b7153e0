#include "hotkey/Subclass_win.h"

#include "hotkey/HotKey_win.h"

namespace vellumo::win {

namespace {
constexpr wchar_t kWinProc[] = L"WinProc";
constexpr wchar_t kObject[] = L"Object";

WNDPROC SavedProc(HWND hwnd) { return reinterpret_cast<WNDPROC>(::GetPropW(hwnd, kWinProc)); }

WNDPROC Install(HWND hwnd, WNDPROC proc) {
    return reinterpret_cast<WNDPROC>(::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc)));
}

// Puts the saved procedure back; false when the window was not hooked.
bool Restore(HWND hwnd) {
    WNDPROC prev = SavedProc(hwnd);
    if (!prev) return false;
    Install(hwnd, prev);
    return true;
}

LRESULT CallSaved(WNDPROC prev, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return prev ? ::CallWindowProcW(prev, hwnd, msg, wp, lp) : ::DefWindowProcW(hwnd, msg, wp, lp);
}

bool IsCharMessage(UINT msg) {
    return msg == WM_CHAR || msg == WM_SYSCHAR || msg == WM_DEADCHAR || msg == WM_SYSDEADCHAR || msg == WM_UNICHAR ||
           msg == WM_IME_CHAR;
}

bool IsInputMessage(UINT msg) {
    return (msg >= WM_KEYFIRST && msg <= WM_KEYLAST && !IsCharMessage(msg)) ||
           (msg >= WM_MOUSEFIRST && msg <= WM_MBUTTONDBLCLK);
}
}  // namespace

void HookHotKeyWindow(HWND hwnd, HotKey* control) {
    // "Object" first: a WM_HOTKEY may arrive as soon as the procedure is in.
    ::SetPropW(hwnd, kObject, control);
    WNDPROC prev = Install(hwnd, HotKeyWndProc);
    ::SetPropW(hwnd, kWinProc, reinterpret_cast<HANDLE>(prev));
}

void UnhookHotKeyWindow(HWND hwnd) {
    Restore(hwnd);
    ::RemovePropW(hwnd, kObject);
    ::RemovePropW(hwnd, kWinProc);
}

void HookEdit(HWND hwnd) {
    WNDPROC prev = Install(hwnd, EditWndProc);
    ::SetPropW(hwnd, kWinProc, reinterpret_cast<HANDLE>(prev));
}

void UnhookEdit(HWND hwnd) {
    Restore(hwnd);
    ::RemovePropW(hwnd, kWinProc);
}

// Only WM_HOTKEY is answered here. Everything else goes to the saved
// procedure: answering, say, WM_QUERYENDSESSION with 0 would veto logoff.
LRESULT CALLBACK HotKeyWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    if (msg == WM_HOTKEY) {
        // The identifier is not looked at: one hotkey per hidden window.
        if (auto* control = static_cast<HotKey*>(::GetPropW(hwnd, kObject))) {
            try {
                control->RaiseEvents();
            } catch (...) {
                // A failing handler must not unwind through the system.
                ReportCaughtException();
            }
        }
        return 0;
    }
    WNDPROC prev = SavedProc(hwnd);
    // Destroyed while still hooked (its owner went first): leave no properties.
    if (msg == WM_NCDESTROY) UnhookHotKeyWindow(hwnd);
    return CallSaved(prev, hwnd, msg, wp, lp);
}

LRESULT CALLBACK EditWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    if (msg == WM_CONTEXTMENU) return 0;
    if (IsCharMessage(msg)) return 0;  // typed characters are never inserted
    if (msg == WM_GETDLGCODE) {
        // In a window that moves the focus with Tab, a plain Tab or Shift+Tab
        // moves on; every other key (Enter and Esc too) is a hotkey key.
        const auto* key = reinterpret_cast<const MSG*>(lp);
        const bool navigates = key && key->message == WM_KEYDOWN && key->wParam == VK_TAB &&
                               ::GetKeyState(VK_CONTROL) >= 0 && ::GetKeyState(VK_MENU) >= 0;
        return CallSaved(SavedProc(hwnd), hwnd, msg, wp, lp) | (navigates ? 0 : DLGC_WANTALLKEYS);
    }
    if (IsInputMessage(msg)) {
        EditInput input{msg, wp, lp};
        if (::SendMessageW(::GetParent(hwnd), kEditInputMessage, 0, reinterpret_cast<LPARAM>(&input))) return 0;
    }
    WNDPROC prev = SavedProc(hwnd);
    if (msg == WM_NCDESTROY) UnhookEdit(hwnd);
    return CallSaved(prev, hwnd, msg, wp, lp);
}

}  // namespace vellumo::win
