// The floor of the hotkey-to-overlay figure: a resident program that registers
// a global hotkey and, on each press, grabs the screen with one BitBlt,
// darkens it (black at alpha 170) and shows it in a full-screen topmost popup
// painted with one BitBlt. A press while the popup is up closes it and does
// it again; Esc closes it and the program stays. user32 and gdi32 only.
//
//   hotkeyfloor.exe [KEYCODE [MODIFIERS]]   (default 44 0: Print Screen;
//   modifiers 1 Alt, 2 Ctrl, 4 Shift, 8 Win). Ends with exit code 3 when the
//   hotkey cannot be registered, else runs until WM_CLOSE on its hidden window
//   or killed.
#include <windows.h>

#include <cstdlib>
#include <cwchar>

#include "FloorGrab_win.h"

namespace {

constexpr wchar_t kPopupClass[] = L"VellumoBenchHotkeyFloor";
constexpr wchar_t kOwnerClass[] = L"VellumoBenchHotkeyOwner";
constexpr int kHotkeyId = 1;

HINSTANCE g_inst;
HWND g_popup;
HDC g_picture;
int g_width, g_height;

LRESULT CALLBACK PopupProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_PAINT:
        PaintPicture(w, g_picture, g_width, g_height);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_KEYDOWN:
        if (wp == VK_ESCAPE) ::DestroyWindow(w);
        return 0;
    case WM_DESTROY:
        g_popup = nullptr;
        FreeGrab(g_picture);
        g_picture = nullptr;
        return 0;
    }
    return ::DefWindowProcW(w, msg, wp, lp);
}

void ShowDarkenedScreen() {
    if (g_popup) ::DestroyWindow(g_popup);
    g_width = ::GetSystemMetrics(SM_CXSCREEN);
    g_height = ::GetSystemMetrics(SM_CYSCREEN);
    void* bits = nullptr;
    g_picture = GrabToDib(0, 0, g_width, g_height, &bits);
    if (!g_picture) return;
    DarkenDib(bits, g_width, g_height);
    g_popup = ::CreateWindowExW(WS_EX_TOPMOST, kPopupClass, L"hotkeyfloor", WS_POPUP, 0, 0, g_width, g_height,
                                nullptr, nullptr, g_inst, nullptr);
    if (!g_popup) {
        FreeGrab(g_picture);
        g_picture = nullptr;
        return;
    }
    ::ShowWindow(g_popup, SW_SHOW);
    ::SetForegroundWindow(g_popup);
    ::UpdateWindow(g_popup);
}

LRESULT CALLBACK OwnerProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_HOTKEY:
        if (wp == kHotkeyId) ShowDarkenedScreen();
        return 0;
    case WM_CLOSE:
        ::DestroyWindow(w);
        return 0;
    case WM_DESTROY:
        ::UnregisterHotKey(w, kHotkeyId);
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcW(w, msg, wp, lp);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE inst, HINSTANCE, PWSTR, int) {
    ::SetProcessDPIAware();
    g_inst = inst;
    // -municode gives the wide arguments already split.
    const int argc = __argc;
    wchar_t** argv = __wargv;
    const UINT key = argc > 1 ? UINT(_wtoi(argv[1])) : VK_SNAPSHOT;
    const UINT modifiers = argc > 2 ? UINT(_wtoi(argv[2])) : 0;

    if (!RegisterFloorClass(inst, kPopupClass, PopupProc) || !RegisterFloorClass(inst, kOwnerClass, OwnerProc))
        return 1;
    // A hidden top-level window owns the hotkey, as a resident program's would.
    HWND owner = ::CreateWindowExW(0, kOwnerClass, L"hotkeyfloor owner", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                   inst, nullptr);
    if (!owner) return 1;
    if (!::RegisterHotKey(owner, kHotkeyId, modifiers, key)) return 3;

    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return 0;
}
