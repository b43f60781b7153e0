// A plain window of a known colour for the start-to-overlay benchmark, so the
// overlay has a window to detect under the pointer.
// Usage: plainwin.exe LEFT TOP WIDTH HEIGHT RRGGBB   (runs until WM_CLOSE or killed)
#include <windows.h>

#include <cstdlib>
#include <cwchar>

namespace {

LRESULT CALLBACK PlainProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_DESTROY) {
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcW(w, msg, wp, lp);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE inst, HINSTANCE, PWSTR, int) {
    // -municode gives the wide arguments already split.
    const int argc = __argc;
    wchar_t** argv = __wargv;
    if (!argv || argc != 6) return 2;
    const int left = _wtoi(argv[1]), top = _wtoi(argv[2]), width = _wtoi(argv[3]), height = _wtoi(argv[4]);
    const unsigned long rgb = std::wcstoul(argv[5], nullptr, 16);
    const COLORREF colour = RGB((rgb >> 16) & 255, (rgb >> 8) & 255, rgb & 255);

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = PlainProc;
    wc.hInstance = inst;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = ::CreateSolidBrush(colour);
    wc.lpszClassName = L"VellumoBenchPlain";
    if (!::RegisterClassExW(&wc)) return 1;
    HWND w = ::CreateWindowExW(0, wc.lpszClassName, L"plain", WS_POPUP | WS_VISIBLE, left, top, width, height,
                               nullptr, nullptr, inst, nullptr);
    if (!w) return 1;
    ::UpdateWindow(w);
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) ::DispatchMessageW(&msg);
    return 0;
}
