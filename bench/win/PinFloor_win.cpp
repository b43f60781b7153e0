// The floor of the pin figure: the least a click-to-picture costs. At start
// the screen area SRC is grabbed (the freeze); a small button window waits;
// its click shows the grabbed picture in a topmost popup centred on the
// screen, painted with one BitBlt. user32 and gdi32 only.
//
//   pinfloor.exe BTN_L BTN_T BTN_W BTN_H SRC_L SRC_T SRC_W SRC_H BUTTON_RRGGBB
#include <windows.h>
// CommandLineToArgvW; WIN32_LEAN_AND_MEAN leaves it out of windows.h.
#include <shellapi.h>

#include <cstdlib>
#include <cwchar>

#include "FloorGrab_win.h"

namespace {

HDC g_picture;
int g_w, g_h;
HBRUSH g_buttonBrush;
HINSTANCE g_inst;
bool g_shown = false;

LRESULT CALLBACK PictureProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_PAINT: PaintPicture(w, g_picture, g_w, g_h); return 0;
        case WM_ERASEBKGND: return 1;
        case WM_DESTROY: ::PostQuitMessage(0); return 0;
    }
    return ::DefWindowProcW(w, msg, wp, lp);
}

void ShowPicture() {
    const int sw = ::GetSystemMetrics(SM_CXSCREEN), sh = ::GetSystemMetrics(SM_CYSCREEN);
    HWND p = ::CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, L"VellumoBenchPinPicture", L"pinned", WS_POPUP,
                               (sw - g_w) / 2, (sh - g_h) / 2, g_w, g_h, nullptr, nullptr, g_inst, nullptr);
    ::ShowWindow(p, SW_SHOW);
    ::UpdateWindow(p);
}

LRESULT CALLBACK ButtonProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = ::BeginPaint(w, &ps);
            ::FillRect(dc, &ps.rcPaint, g_buttonBrush);
            ::EndPaint(w, &ps);
            return 0;
        }
        case WM_ERASEBKGND: return 1;
        // The button stays: under Wine on a display without a window manager,
        // taking a window down waits up to 2 s for the manager that is not there.
        case WM_LBUTTONUP:
            if (!g_shown) ShowPicture();
            g_shown = true;
            return 0;
    }
    return ::DefWindowProcW(w, msg, wp, lp);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE inst, HINSTANCE, PWSTR, int) {
    ::SetProcessDPIAware();
    g_inst = inst;
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    if (!argv || argc < 10) return 2;
    int a[8];
    for (int i = 0; i < 8; ++i) a[i] = _wtoi(argv[i + 1]);
    const unsigned long rgb = std::wcstoul(argv[9], nullptr, 16);
    g_buttonBrush = ::CreateSolidBrush(RGB(rgb >> 16 & 255, rgb >> 8 & 255, rgb & 255));
    g_w = a[6];
    g_h = a[7];

    void* bits = nullptr;
    g_picture = GrabToDib(a[4], a[5], g_w, g_h, &bits);
    if (!g_picture) return 1;

    if (!RegisterFloorClass(inst, L"VellumoBenchPinButton", ButtonProc) ||
        !RegisterFloorClass(inst, L"VellumoBenchPinPicture", PictureProc))
        return 1;
    HWND button = ::CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, L"VellumoBenchPinButton", L"pin", WS_POPUP,
                                    a[0], a[1], a[2], a[3], nullptr, nullptr, inst, nullptr);
    if (!button) return 1;
    ::ShowWindow(button, SW_SHOW);
    ::UpdateWindow(button);

    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    ::DeleteDC(g_picture);
    ::DeleteObject(g_buttonBrush);
    return 0;
}
