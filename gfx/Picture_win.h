// Image files into bitmaps through GDI+: the scaled loader the Floaters use.
#pragma once
#include <windows.h>

#include <string>

#include "gfx/Handles_win.h"
#include "gfx/PictureHeader.h"

namespace vellumo::win {

// A file GDI+ cannot open or decode, one too large to hold, or one there is
// no memory for.
struct PictureLoadError {
    static constexpr int kNumber = 999;
    static constexpr const wchar_t* kSource = L"GDI+ Module";
    // "Error loading picture " + file name; for a picture refused by its size
    // or the memory it needs, a message naming the file and the size.
    std::wstring description;
};

// The format and size the file's header claims; Unknown when it cannot be read.
PictureHeader ReadPictureFileHeader(const std::wstring& fileName);

// The file drawn into a new width x height bitmap (32-bit DIB section) on
// `back`. Width or height -1: the image's own size, written back to both.
// With keepAspect the image keeps its proportions at the top-left and the
// rest stays `back`. A picture of more pixels than this process may hold in
// one is refused before anything decodes it. Needs a running GDI+ session;
// throws PictureLoadError.
unique_hbitmap LoadPictureScaled(const std::wstring& fileName, int& width, int& height, COLORREF back,
                                 bool keepAspect);

// Width and height of any bitmap; 0 x 0 for a null one.
SIZE BitmapSize(HBITMAP bitmap);

}  // namespace vellumo::win
