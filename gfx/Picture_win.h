// Image files into bitmaps through GDI+: the scaled loader the Floaters use.
#pragma once
#include <windows.h>

#include <string>

#include "gfx/Handles_win.h"

namespace vellumo::win {

// A file GDI+ cannot open or decode (or a canvas too large to make).
struct PictureLoadError {
    static constexpr int kNumber = 999;
    static constexpr const wchar_t* kSource = L"GDI+ Module";
    std::wstring description;  // "Error loading picture " + file name
};

// The file drawn into a new width x height bitmap (32-bit DIB section) on
// `back`. Width or height -1: the image's own size, written back to both.
// With keepAspect the image keeps its proportions at the top-left and the
// rest stays `back`. Needs a running GDI+ session; throws PictureLoadError.
unique_hbitmap LoadPictureScaled(const std::wstring& fileName, int& width, int& height, COLORREF back,
                                 bool keepAspect);

// Width and height of any bitmap; 0 x 0 for a null one.
SIZE BitmapSize(HBITMAP bitmap);

}  // namespace vellumo::win
