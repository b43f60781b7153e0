// GDI+ through its flat API, loaded on demand. gdiplus.dll is not imported
// statically: loading it (and the COM libraries it pulls in) would delay the
// first frame of the overlay, and a machine where it cannot load must still
// get a working capture.
#pragma once
#include <windows.h>
// gdiplus.h needs the COM declarations that WIN32_LEAN_AND_MEAN leaves out.
#include <objidl.h>
#include <gdiplus.h>

namespace vellumo::win {

namespace gp = Gdiplus;

// Each flat function the program calls; add a name here to use it.
#define VELLUMO_GDIPLUS_FUNCTIONS(X) \
    X(GdiplusStartup)                \
    X(GdiplusShutdown)               \
    X(GdipCreateFromHDC)             \
    X(GdipDeleteGraphics)            \
    X(GdipResetClip)                 \
    X(GdipCreatePath)                \
    X(GdipResetPath)                 \
    X(GdipDeletePath)                \
    X(GdipDeleteBrush)               \
    X(GdipLoadImageFromFile)         \
    X(GdipGetImageWidth)             \
    X(GdipGetImageHeight)            \
    X(GdipDisposeImage)              \
    X(GdipSetInterpolationMode)      \
    X(GdipDrawImageRectI)            \
    X(GdipDrawImageRectRectI)        \
    X(GdipCreateBitmapFromHBITMAP)   \
    X(GdipCreateBitmapFromScan0)     \
    X(GdipCreateHBITMAPFromBitmap)   \
    X(GdipSaveImageToFile)           \
    X(GdipSaveImageToStream)         \
    X(GdipSetClipPath)               \
    X(GdipAddPathRectangleI)         \
    X(GdipSetSmoothingMode)          \
    X(GdipCreatePen1)                \
    X(GdipCreatePen2)                \
    X(GdipDeletePen)                 \
    X(GdipSetPenEndCap)              \
    X(GdipDrawRectangleI)            \
    X(GdipDrawEllipseI)              \
    X(GdipDrawLineI)                 \
    X(GdipFillEllipseI)              \
    X(GdipCreateTexture)

namespace gdiplus_detail {
using namespace Gdiplus;
using namespace Gdiplus::DllExports;
#define VELLUMO_GDIPLUS_TYPE(name) using name##_t = decltype(&name);
VELLUMO_GDIPLUS_FUNCTIONS(VELLUMO_GDIPLUS_TYPE)
#undef VELLUMO_GDIPLUS_TYPE
}  // namespace gdiplus_detail

struct GdiPlusApi {
#define VELLUMO_GDIPLUS_MEMBER(name) gdiplus_detail::name##_t name = nullptr;
    VELLUMO_GDIPLUS_FUNCTIONS(VELLUMO_GDIPLUS_MEMBER)
#undef VELLUMO_GDIPLUS_MEMBER
    bool loaded = false;
};

// The loaded table; every member is null until EnsureGdiPlus has succeeded.
const GdiPlusApi& GdiPlus();

// The process's one GDI+ session, started on first need (loading gdiplus.dll
// then, so a capture's first frame never waits for it) and kept until the
// process ends: GDI+ objects (the overlay's graphics, a Floater's picture)
// outlive any one caller, and a session per capture would pile up in a
// resident process. False when GDI+ is missing or refuses to start.
bool EnsureGdiPlus();
// Whether the session is running (EnsureGdiPlus has succeeded).
bool GdiPlusReady();

}  // namespace vellumo::win
