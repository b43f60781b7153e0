#include "gfx/Picture_win.h"

#include <cstdlib>

#include "gfx/Dib_win.h"
#include "gfx/PictureFit.h"

namespace vellumo::win {

PictureHeader ReadPictureFileHeader(const std::wstring& fileName) {
    unique_handle file = FileHandle(::CreateFileW(fileName.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return {};
    return ReadPictureHeader([&](std::uint64_t offset, std::uint8_t* into, std::size_t count) -> std::size_t {
        LARGE_INTEGER at;
        at.QuadPart = static_cast<LONGLONG>(offset);
        DWORD got = 0;
        if (!::SetFilePointerEx(file.get(), at, nullptr, FILE_BEGIN) ||
            !::ReadFile(file.get(), into, static_cast<DWORD>(count), &got, nullptr))
            return 0;
        return got;
    });
}

unique_hbitmap LoadPictureScaled(const std::wstring& fileName, int& width, int& height, COLORREF back,
                                 bool keepAspect) {
    const PictureLoadError failed{PictureLoadErrorText(fileName)};
    if (!GdiPlusReady()) throw failed;
    // The decoder is handed nothing it cannot hold: Wine's overflows on a
    // 30000 x 30000 PNG and ends the process, every Floater with it.
    const std::int64_t budget = ThisProcessBudget().perPicture;
    const PictureHeader header = ReadPictureFileHeader(fileName);
    switch (JudgeHeader(header, budget)) {
        case HeaderVerdict::TooLarge:
            throw PictureLoadError{TooLargeToOpenMessage(fileName, header.width, header.height, budget)};
        case HeaderVerdict::Unreadable: throw failed;
        case HeaderVerdict::Open:
        case HeaderVerdict::Unchecked: break;
    }
    const GdiPlusApi& gp = GdiPlus();
    gp::GpImage* raw = nullptr;
    const gp::GpStatus loaded = gp.GdipLoadImageFromFile(fileName.c_str(), &raw);
    if (loaded == gp::OutOfMemory && header.sizeKnown)
        throw PictureLoadError{NoMemoryToOpenMessage(fileName, header.width, header.height)};
    if (loaded != gp::Ok || !raw) throw failed;
    unique_gp_image image(raw);
    UINT iw = 0, ih = 0;
    gp.GdipGetImageWidth(image.get(), &iw);
    gp.GdipGetImageHeight(image.get(), &ih);
    const Size natural{static_cast<int>(iw), static_cast<int>(ih)};
    const Size size = RequestedPictureSize(natural, width, height);
    // Formats without a header read here (icons, metafiles) are judged by
    // what the decoder found, before the canvas is made.
    if (std::int64_t(size.width) * size.height > budget)
        throw PictureLoadError{TooLargeToOpenMessage(fileName, size.width, size.height, budget)};

    Dib canvas;
    if (!canvas.Create(size.width, size.height)) {
        if (size.width <= 0 || size.height <= 0) throw failed;
        throw PictureLoadError{NoMemoryToOpenMessage(fileName, size.width, size.height)};
    }
    {
        unique_hbrush brush(::CreateSolidBrush(back));
        Selected keep(canvas.dc(), brush.get());
        ::PatBlt(canvas.dc(), 0, 0, size.width, size.height, PATCOPY);
    }
    // A drawing GDI+ could not do (no memory for its work) would leave a
    // blank Floater: it is told instead.
    gp::GpGraphics* g = nullptr;
    gp::GpStatus drawn = gp.GdipCreateFromHDC(canvas.dc(), &g);
    if (drawn == gp::Ok && g) {
        unique_gp_graphics graphics(g);
        gp.GdipSetInterpolationMode(g, gp::InterpolationModeHighQualityBicubic);
        if (!keepAspect) {
            drawn = gp.GdipDrawImageRectI(g, image.get(), 0, 0, size.width, size.height);
        } else if (natural.width > 0 && natural.height > 0) {
            const Size at = KeepAspectSize(natural, size);
            drawn = gp.GdipDrawImageRectRectI(g, image.get(), 0, 0, at.width, at.height, 0, 0, natural.width,
                                              natural.height, gp::UnitPixel, nullptr, nullptr, nullptr);
        }
    }
    if (drawn == gp::OutOfMemory) throw PictureLoadError{NoMemoryToOpenMessage(fileName, size.width, size.height)};
    if (drawn != gp::Ok) throw failed;
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
