// A picture: a 32-bit top-down DIB section with its own memory DC. It owns the
// bitmap; the pixels are addressable for the dimming and the read-outs.
#pragma once
#include <windows.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "gfx/Geometry.h"
#include "gfx/Handles_win.h"
#include "gfx/PixelPlane.h"

namespace vellumo::win {

// The header of a 32-bit, top-down, uncompressed DIB of the given size.
BITMAPINFO TopDownDibInfo(int width, int height);

class Dib {
public:
    Dib() = default;
    // A moved-from Dib is empty, not an alias of the pixels it gave away.
    Dib(Dib&& other) noexcept { *this = std::move(other); }
    Dib& operator=(Dib&& other) noexcept;

    // False when the system refuses the bitmap (out of memory); the Dib stays empty.
    bool Create(int width, int height);
    void Clear();

    HDC dc() const { return dc_.get(); }
    HBITMAP bitmap() const { return bitmap_.get(); }
    int width() const { return width_; }
    int height() const { return height_; }
    bool empty() const { return !bits_; }
    std::uint32_t* bits() const { return bits_; }
    PixelPlane plane() const { return {bits_, width_, height_, width_}; }
    // 0x00RRGGBB at (x, y); 0 outside.
    std::uint32_t Pixel(int x, int y) const;
    // Hands the bitmap out (for the clipboard or a picture owner); the Dib is empty afterwards.
    HBITMAP ReleaseBitmap();

private:
    unique_hdc dc_;
    unique_hbitmap bitmap_;
    // The DC's own 1x1 bitmap, selected back before the DIB is deleted or released.
    HGDIOBJ stock_ = nullptr;
    std::uint32_t* bits_ = nullptr;
    int width_ = 0;
    int height_ = 0;
};

// The pixels of any bitmap (DIB section or device-dependent) as 0x00RRGGBB,
// rows top-down. False for a null or unreadable bitmap.
struct Pixels {
    std::vector<std::uint32_t> bits;
    int width = 0;
    int height = 0;
};
bool ReadPixels(HBITMAP bitmap, Pixels& out);
// A new bitmap (32-bit DIB section) holding the pixels; null if it cannot be made.
HBITMAP BitmapFromPixels(const Pixels& px);

// BitBlt of `area` of the virtual screen (from GetDC of the desktop) into
// dib, whose (0,0) is the area's top-left.
bool GrabScreen(Dib& dib, const Rect& area);

}  // namespace vellumo::win
