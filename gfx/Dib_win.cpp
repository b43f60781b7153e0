#include "gfx/Dib_win.h"

#include <cstdlib>
#include <cstring>

namespace vellumo::win {

BITMAPINFO TopDownDibInfo(int width, int height) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;  // negative: rows top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    return bi;
}

bool Dib::Create(int width, int height) {
    Clear();
    if (width <= 0 || height <= 0) return false;
    BITMAPINFO bi = TopDownDibInfo(width, height);
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

Dib& Dib::operator=(Dib&& other) noexcept {
    if (this == &other) return *this;
    Clear();
    dc_ = std::move(other.dc_);
    bitmap_ = std::move(other.bitmap_);
    stock_ = std::exchange(other.stock_, nullptr);
    bits_ = std::exchange(other.bits_, nullptr);
    width_ = std::exchange(other.width_, 0);
    height_ = std::exchange(other.height_, 0);
    return *this;
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

bool ReadPixels(HBITMAP bitmap, Pixels& out) {
    BITMAP bm{};
    if (!bitmap || !::GetObjectW(bitmap, sizeof(bm), &bm) || bm.bmWidth <= 0 || bm.bmHeight == 0) return false;
    const int w = bm.bmWidth, h = std::abs(bm.bmHeight);
    // GetDIBits with a top-down header gives rows in a known order for any
    // bitmap. (A DIB section's own header cannot tell: Wine reports a positive
    // height even for a top-down one, which turned every image upside down.)
    ::GdiFlush();
    BITMAPINFO bi = TopDownDibInfo(w, h);
    std::vector<std::uint32_t> bits(std::size_t(w) * h);
    WindowDc screen(nullptr);
    if (::GetDIBits(screen.get(), bitmap, 0, h, bits.data(), &bi, DIB_RGB_COLORS) != h) return false;
    for (auto& p : bits) p &= 0x00FFFFFFu;
    out.bits = std::move(bits);
    out.width = w;
    out.height = h;
    return true;
}

HBITMAP BitmapFromPixels(const Pixels& px) {
    Dib dib;
    if (!dib.Create(px.width, px.height)) return nullptr;
    std::memcpy(dib.bits(), px.bits.data(), px.bits.size() * 4);
    return dib.ReleaseBitmap();
}

bool GrabScreen(Dib& dib, const Rect& area) {
    if (dib.width() != area.width || dib.height() != area.height) {
        if (!dib.Create(area.width, area.height)) return false;
    }
    WindowDc screen(nullptr);
    if (!screen.get()) return false;
    return ::BitBlt(dib.dc(), 0, 0, area.width, area.height, screen.get(), area.left, area.top, SRCCOPY) != FALSE;
}

}  // namespace vellumo::win
