#include "gfx/Dib_win.h"

namespace vellumo::win {

bool Dib::Create(int width, int height) {
    Clear();
    if (width <= 0 || height <= 0) return false;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;  // top-down rows
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    unique_hbitmap bmp(::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bmp || !bits) return false;
    unique_hdc dc(::CreateCompatibleDC(nullptr));
    if (!dc) return false;
    stock_ = ::SelectObject(dc.get(), bmp.get());
    dc_ = std::move(dc);
    bitmap_ = std::move(bmp);
    bits_ = static_cast<std::uint32_t*>(bits);
    width_ = width;
    height_ = height;
    return true;
}

void Dib::Clear() {
    if (dc_ && stock_) ::SelectObject(dc_.get(), stock_);
    stock_ = nullptr;
    dc_.reset();
    bitmap_.reset();
    bits_ = nullptr;
    width_ = height_ = 0;
}

std::uint32_t Dib::Pixel(int x, int y) const {
    if (!bits_ || x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
    return bits_[std::size_t(y) * width_ + x] & 0x00FFFFFFu;
}

HBITMAP Dib::ReleaseBitmap() {
    if (dc_ && stock_) ::SelectObject(dc_.get(), stock_);
    stock_ = nullptr;
    HBITMAP out = bitmap_.release();
    Clear();
    return out;
}

bool GrabScreen(Dib& dib, int width, int height) {
    if (dib.width() != width || dib.height() != height) {
        if (!dib.Create(width, height)) return false;
    }
    WindowDc screen(nullptr);
    if (!screen.get()) return false;
    return ::BitBlt(dib.dc(), 0, 0, width, height, screen.get(), 0, 0, SRCCOPY) != FALSE;
}

}  // namespace vellumo::win
