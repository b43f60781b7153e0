// The floor of the pin figure: the least a click-to-picture costs in a program
// that, like the capture overlay, covers the screen when the click comes. Each
// round grabs the screen area SRC (the picture it will show) and the whole
// screen, darkened, into a full-screen topmost overlay with a button drawn on
// it. A click on the button closes the overlay and shows the picture in a
// topmost popup centred on the screen, painted with one BitBlt; a right click
// on the picture closes it and starts the next round. user32 and gdi32 only.
//
//   pinfloor.exe BTN_L BTN_T BTN_W BTN_H SRC_L SRC_T SRC_W SRC_H BUTTON_RRGGBB
#include <windows.h>
// CommandLineToArgvW; WIN32_LEAN_AND_MEAN leaves it out of windows.h.
#include <shellapi.h>

#include <cstdlib>
#include <cwchar>

#include "FloorGrab_win.h"

namespace {

constexpr wchar_t kOverlayClass[] = L"VellumoBenchPinOverlay";
constexpr wchar_t kPictureClass[] = L"VellumoBenchPinPicture";

HINSTANCE g_inst;
RECT g_button;
RECT g_source;
HBRUSH g_buttonBrush;
HDC g_picture, g_screen;
HWND g_overlay, g_shown;

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

void StartRound() {
    const int sw = ::GetSystemMetrics(SM_CXSCREEN), sh = ::GetSystemMetrics(SM_CYSCREEN);
    FreeGrab(g_picture);
    FreeGrab(g_screen);
    void* bits = nullptr;
    g_picture = GrabToDib(g_source.left, g_source.top, Width(g_source), Height(g_source), &bits);
    g_screen = GrabToDib(0, 0, sw, sh, &bits);
    if (!g_picture || !g_screen) {
        ::PostQuitMessage(1);
        return;
    }
    DarkenDib(bits, sw, sh);
    ::FillRect(g_screen, &g_button, g_buttonBrush);
    ::GdiFlush();
    g_overlay = ::CreateWindowExW(WS_EX_TOPMOST, kOverlayClass, L"pin overlay", WS_POPUP, 0, 0, sw, sh, nullptr,
                                  nullptr, g_inst, nullptr);
    if (!g_overlay) {
        ::PostQuitMessage(1);
        return;
    }
    ::ShowWindow(g_overlay, SW_SHOW);
    ::SetForegroundWindow(g_overlay);
    ::UpdateWindow(g_overlay);
}

void ShowPicture() {
    ::DestroyWindow(g_overlay);
    g_overlay = nullptr;
    const int sw = ::GetSystemMetrics(SM_CXSCREEN), sh = ::GetSystemMetrics(SM_CYSCREEN);
    const int w = Width(g_source), h = Height(g_source);
    g_shown = ::CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kPictureClass, L"pinned", WS_POPUP, (sw - w) / 2,
                                (sh - h) / 2, w, h, nullptr, nullptr, g_inst, nullptr);
    ::ShowWindow(g_shown, SW_SHOW);
    ::UpdateWindow(g_shown);
}

LRESULT CALLBACK OverlayProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_PAINT:
            PaintPicture(w, g_screen, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN));
            return 0;
        case WM_ERASEBKGND: return 1;
        case WM_LBUTTONUP: {
            const POINT at{short(LOWORD(lp)), short(HIWORD(lp))};
            if (::PtInRect(&g_button, at)) ShowPicture();
            return 0;
        }
    }
    return ::DefWindowProcW(w, msg, wp, lp);
}

LRESULT CALLBACK PictureProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_PAINT: PaintPicture(w, g_picture, Width(g_source), Height(g_source)); return 0;
        case WM_ERASEBKGND: return 1;
        case WM_RBUTTONUP:
            ::DestroyWindow(w);
            g_shown = nullptr;
            StartRound();
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
    g_button = {a[0], a[1], a[0] + a[2], a[1] + a[3]};
    g_source = {a[4], a[5], a[4] + a[6], a[5] + a[7]};
    const unsigned long rgb = std::wcstoul(argv[9], nullptr, 16);
    g_buttonBrush = ::CreateSolidBrush(RGB(rgb >> 16 & 255, rgb >> 8 & 255, rgb & 255));

    if (!RegisterFloorClass(inst, kOverlayClass, OverlayProc) || !RegisterFloorClass(inst, kPictureClass, PictureProc))
        return 1;
    StartRound();

    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    FreeGrab(g_picture);
    FreeGrab(g_screen);
    ::DeleteObject(g_buttonBrush);
    return 0;
}
