// Which file format a save writes, chosen by the name's extension, and the
// parts of an image file the program builds itself (BMP, the GIF palette).
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vellumo {

enum class ImageFormat { None, Png, Jpeg, Gif, Bmp };

// The save dialog's file types: PNG, JPEG, GIF, BMP, in that order.
inline constexpr wchar_t kImageFilter[] =
    L"PNG文件(*.png)|*.png|JPEG文件(*.jpg)|*.jpg|GIF文件(*.gif)|*.gif|BMP文件(*.bmp)|*.bmp";
inline constexpr int kJpegQuality = 80;

// The text after the last "." of name; the whole name when it holds no ".".
std::wstring FileExtension(std::wstring_view name);
// By the extension, compared in lower case: png, jpg, gif, bmp; anything else None.
ImageFormat FormatByExtension(std::wstring_view name);
// The filter in the form the file dialog takes: entries separated and ended by NUL.
std::wstring DialogFilter(std::wstring_view pipeSeparated);
// A name whose file part has no extension gets the extension of the chosen
// filter entry (1-based, as the dialog reports it); other names are kept.
std::wstring WithFilterExtension(std::wstring name, int filterIndex);
// What to tell the user when a name's extension is none of the four.
std::wstring UnsupportedExtensionMessage(std::wstring_view name);

struct Guid {
    std::uint32_t data1 = 0;
    std::uint16_t data2 = 0, data3 = 0;
    std::array<std::uint8_t, 8> data4{};
    friend bool operator==(const Guid&, const Guid&) = default;
};
// Parses "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}"; all zeros when malformed.
Guid ParseGuid(std::wstring_view text);
// The text of GDI+'s built-in codec CLSID by index: 0 BMP, 1 EMF, 2 WMF,
// 3 JPEG, 4 PNG, 5 GIF, 6 TIFF, 7 ICON; the all-zero GUID for any other.
std::wstring EncoderClsidText(int index);
Guid EncoderClsidByIndex(int index);
// The codec index a format is written with (3, 4, 5); -1 for BMP and None.
int EncoderIndexFor(ImageFormat f);
// GDI+'s EncoderQuality parameter.
Guid EncoderQualityGuid();

// A Windows BMP file (24 bits, uncompressed, rows bottom-up) of 0x00RRGGBB
// pixels; stride in pixels.
std::vector<std::uint8_t> EncodeBmp(const std::uint32_t* pixels, int width, int height, std::ptrdiff_t stride);

// An image reduced to at most 256 colours for GIF: exact when it has that
// few, otherwise each pixel maps to the nearest of a 6 x 6 x 6 colour cube.
struct IndexedImage {
    std::vector<std::uint32_t> palette;  // 0x00RRGGBB
    std::vector<std::uint8_t> indices;   // width * height, rows top-down
};
IndexedImage ReduceToPalette(const std::uint32_t* pixels, int width, int height, std::ptrdiff_t stride);

}  // namespace vellumo
