// The floors' screen grab: one BitBlt of a screen area into a 32-bit top-down
// DIB section selected into a new memory DC. Plain GDI, nothing of the
// program's own, so a floor stays the least such a program can do.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>

// The memory DC holding the picture (null on failure); *bits receives its pixels.
inline HDC GrabToDib(int x, int y, int w, int h, void** bits) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    HBITMAP bmp = ::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, bits, nullptr, 0);
    if (!bmp) return nullptr;
    HDC picture = ::CreateCompatibleDC(nullptr);
    ::SelectObject(picture, bmp);
    HDC screen = ::GetDC(nullptr);
    ::BitBlt(picture, 0, 0, w, h, screen, x, y, SRCCOPY);
    ::ReleaseDC(nullptr, screen);
    ::GdiFlush();
    return picture;
}

// Black at alpha 170 over every byte of a w x h grab: c -> (c*85+127)/255.
inline void DarkenDib(void* bits, int w, int h) {
    auto* p = static_cast<std::uint8_t*>(bits);
    for (std::size_t i = 0, n = std::size_t(w) * h * 4; i < n; ++i)
        p[i] = static_cast<std::uint8_t>((p[i] * 85u + 127u) / 255u);
}

// WM_PAINT of a floor's window: the picture at the window's origin.
inline void PaintPicture(HWND w, HDC picture, int width, int height) {
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(w, &ps);
    ::BitBlt(dc, 0, 0, width, height, picture, 0, 0, SRCCOPY);
    ::EndPaint(w, &ps);
}

// A floor's window class: the arrow cursor and no background to erase.
inline bool RegisterFloorClass(HINSTANCE inst, const wchar_t* name, WNDPROC proc) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = proc;
    wc.hInstance = inst;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = name;
    return ::RegisterClassExW(&wc) != 0;
}

// The picture's DC and its DIB section, both freed.
inline void FreeGrab(HDC picture) {
    if (!picture) return;
    HBITMAP bmp = static_cast<HBITMAP>(::GetCurrentObject(picture, OBJ_BITMAP));
    ::DeleteDC(picture);
    if (bmp) ::DeleteObject(bmp);
}
