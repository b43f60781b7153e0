#include "gfx/Picture_win.h"

#include <cstdlib>

#include "gfx/Dib_win.h"
#include "gfx/PictureFit.h"

namespace vellumo::win {

unique_hbitmap LoadPictureScaled(const std::wstring& fileName, int& width, int& height, COLORREF back,
                                 bool keepAspect) {
    const PictureLoadError failed{PictureLoadErrorText(fileName)};
    if (!GdiPlusReady()) throw failed;
    const GdiPlusApi& gp = GdiPlus();
    gp::GpImage* raw = nullptr;
    if (gp.GdipLoadImageFromFile(fileName.c_str(), &raw) != gp::Ok || !raw) throw failed;
    unique_gp_image image(raw);
    UINT iw = 0, ih = 0;
    gp.GdipGetImageWidth(image.get(), &iw);
    gp.GdipGetImageHeight(image.get(), &ih);
    const Size natural{static_cast<int>(iw), static_cast<int>(ih)};
    const Size size = RequestedPictureSize(natural, width, height);

    Dib canvas;
    if (!canvas.Create(size.width, size.height)) throw failed;
    {
        unique_hbrush brush(::CreateSolidBrush(back));
        Selected keep(canvas.dc(), brush.get());
        ::PatBlt(canvas.dc(), 0, 0, size.width, size.height, PATCOPY);
    }
    gp::GpGraphics* g = nullptr;
    if (gp.GdipCreateFromHDC(canvas.dc(), &g) == gp::Ok && g) {
        unique_gp_graphics graphics(g);
        gp.GdipSetInterpolationMode(g, gp::InterpolationModeHighQualityBicubic);
        if (!keepAspect) {
            gp.GdipDrawImageRectI(g, image.get(), 0, 0, size.width, size.height);
        } else if (natural.width > 0 && natural.height > 0) {
            const Size drawn = KeepAspectSize(natural, size);
            gp.GdipDrawImageRectRectI(g, image.get(), 0, 0, drawn.width, drawn.height, 0, 0, natural.width,
                                      natural.height, gp::UnitPixel, nullptr, nullptr, nullptr);
        }
    }
    ::GdiFlush();
    width = size.width;
    height = size.height;
    return unique_hbitmap(canvas.ReleaseBitmap());
}

SIZE BitmapSize(HBITMAP bitmap) {
    BITMAP bm{};
    if (!bitmap || !::GetObjectW(bitmap, sizeof(bm), &bm)) return {0, 0};
    return {bm.bmWidth, std::abs(bm.bmHeight)};
}

}  // namespace vellumo::win
