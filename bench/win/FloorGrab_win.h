// The floors' screen grab: one BitBlt of a screen area into a 32-bit top-down
// DIB section selected into a new memory DC. Plain GDI, nothing of the
// program's own, so a floor stays the least such a program can do.
#pragma once
#include <windows.h>

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
