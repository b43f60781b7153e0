// What an image file says about itself before anything decodes it: its
// format (by its signature, not its name) and the size its header claims, and
// whether a picture of that size may be held. A decoder handed a 30000 x 30000
// PNG overflows and takes the process with it; the size is read here first.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace vellumo {

enum class PictureFormat { Unknown, Png, Jpeg, Gif, Bmp };

struct PictureHeader {
    PictureFormat format = PictureFormat::Unknown;
    // False for a known format whose header is cut short or contradicts itself.
    bool sizeKnown = false;
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::int64_t pixels() const { return width * height; }
};

// Copies up to `count` bytes from `offset` of the file into `into`; returns
// how many it could (fewer at the end of the file).
using ReadBytesAt = std::function<std::size_t(std::uint64_t offset, std::uint8_t* into, std::size_t count)>;

// PNG (IHDR), JPEG (the first frame header), GIF (the logical screen, widened
// by the first image's extent) and BMP (core or info header). Anything else is
// Unknown, and its size is for the decoder to tell.
PictureHeader ReadPictureHeader(const ReadBytesAt& read);

// A packed DIB, as another program puts it on the clipboard (CF_DIB or
// CF_DIBV5): a bitmap header (core, info or a later version), masks and
// colours, then the pixel rows. Its header is believed only as far as the
// bytes it comes in hold it: a DIB whose rows would reach past its end, of
// no width or height, or in a form nothing here draws (compressed rows, an
// odd bit count) comes back as a Bmp of unknown size.
struct PackedDib {
    PictureHeader header;  // height as a count of rows, whichever way they run
    bool topDown = false;
    std::size_t pixelsAt = 0;  // offset of the first row
};
PackedDib ReadPackedDib(const std::uint8_t* bytes, std::size_t size);

// How many pixels one picture, and all Floaters together, may have in a
// process whose pointers are `pointerBits` wide. A 32-bit process has 2 GB of
// address space, and a picture is in it twice while it loads (decoded, then
// drawn on its canvas), each copy in one piece.
struct PixelBudget {
    std::int64_t perPicture = 0;
    std::int64_t allFloaters = 0;
};
PixelBudget PixelBudgetFor(int pointerBits);
// The budget of this build.
inline PixelBudget ThisProcessBudget() { return PixelBudgetFor(static_cast<int>(sizeof(void*) * 8)); }

enum class HeaderVerdict {
    Open,        // the size is known and fits
    TooLarge,    // more pixels than one picture may have
    Unreadable,  // a known format whose size cannot be read: a broken file
    Unchecked,   // an unknown format: check the decoder's size before drawing
};
HeaderVerdict JudgeHeader(const PictureHeader& header, std::int64_t perPictureBudget);

// "30000 × 30000".
std::wstring PixelSizeText(std::int64_t width, std::int64_t height);
// The picture is refused before it is decoded.
std::wstring TooLargeToOpenMessage(std::wstring_view path, std::int64_t width, std::int64_t height,
                                   std::int64_t budget);
// The clipboard's picture is refused before it is copied.
std::wstring TooLargeToPinMessage(std::int64_t width, std::int64_t height, std::int64_t budget);
// The memory for a picture of this size could not be had.
std::wstring NoMemoryToOpenMessage(std::wstring_view path, std::int64_t width, std::int64_t height);

}  // namespace vellumo
