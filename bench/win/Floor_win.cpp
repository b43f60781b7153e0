// The least a start-to-overlay can cost: grab the screen with one BitBlt,
// darken it (black at alpha 170), show it in a full-screen topmost popup that
// paints with one BitBlt. Esc or WM_CLOSE ends it. user32 and gdi32 only.
#include <windows.h>

#include "FloorGrab_win.h"

namespace {

HDC g_picture;
int g_width, g_height;

LRESULT CALLBACK FloorProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
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
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcW(w, msg, wp, lp);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE inst, HINSTANCE, PWSTR, int) {
    ::SetProcessDPIAware();
    g_width = ::GetSystemMetrics(SM_CXSCREEN);
    g_height = ::GetSystemMetrics(SM_CYSCREEN);

    void* bits = nullptr;
    g_picture = GrabToDib(0, 0, g_width, g_height, &bits);
    if (!g_picture) return 1;

    DarkenDib(bits, g_width, g_height);

    if (!RegisterFloorClass(inst, L"VellumoBenchFloor", FloorProc)) return 1;
    HWND w = ::CreateWindowExW(WS_EX_TOPMOST, L"VellumoBenchFloor", L"floor", WS_POPUP, 0, 0, g_width, g_height,
                               nullptr, nullptr, inst, nullptr);
    if (!w) return 1;
    ::ShowWindow(w, SW_SHOW);
    ::UpdateWindow(w);

    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    ::DeleteDC(g_picture);
    return 0;
}
