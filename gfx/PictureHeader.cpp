#include "gfx/PictureHeader.h"

#include <algorithm>
#include <array>

namespace vellumo {

namespace {

// A window on the file: reads that run past its end come back short.
class Bytes {
public:
    explicit Bytes(const ReadBytesAt& read) : read_(read) {}

    // `n` bytes at `offset`, or false.
    template <std::size_t N>
    bool At(std::uint64_t offset, std::array<std::uint8_t, N>& out) const {
        return read_(offset, out.data(), N) == N;
    }

private:
    const ReadBytesAt& read_;
};

std::uint32_t Be16(const std::uint8_t* p) { return std::uint32_t(p[0]) << 8 | p[1]; }
std::uint32_t Be32(const std::uint8_t* p) { return Be16(p) << 16 | Be16(p + 2); }
std::uint32_t Le16(const std::uint8_t* p) { return std::uint32_t(p[1]) << 8 | p[0]; }
std::uint32_t Le32(const std::uint8_t* p) { return Le16(p + 2) << 16 | Le16(p); }

PictureHeader Sized(PictureFormat f, std::int64_t w, std::int64_t h) {
    PictureHeader out{f};
    out.sizeKnown = w > 0 && h > 0;
    if (out.sizeKnown) {
        out.width = w;
        out.height = h;
    }
    return out;
}

PictureHeader ReadPng(const Bytes& b) {
    // Signature (8), then the first chunk must be IHDR: length, type, width, height.
    std::array<std::uint8_t, 16> ihdr{};
    if (!b.At(8, ihdr) || ihdr[4] != 'I' || ihdr[5] != 'H' || ihdr[6] != 'D' || ihdr[7] != 'R')
        return {PictureFormat::Png};
    const std::uint32_t w = Be32(&ihdr[8]), h = Be32(&ihdr[12]);
    // The format allows at most 2^31 - 1 either way.
    if (w > 0x7FFFFFFFu || h > 0x7FFFFFFFu) return {PictureFormat::Png};
    return Sized(PictureFormat::Png, w, h);
}

bool IsFrameHeader(std::uint8_t marker) {
    // SOF0..SOF15, less DHT (C4), JPG (C8) and DAC (CC), which share the range.
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

PictureHeader ReadJpeg(const Bytes& b) {
    // Segments follow SOI; the frame header comes before the first scan. A
    // file of ten thousand segments before it is not a picture anyone made.
    std::uint64_t at = 2;
    for (int segments = 0; segments < 10000; ++segments) {
        std::array<std::uint8_t, 1> one{};
        if (!b.At(at, one) || one[0] != 0xFF) return {PictureFormat::Jpeg};
        std::uint8_t marker = 0xFF;
        while (marker == 0xFF) {  // fill bytes
            if (!b.At(++at, one)) return {PictureFormat::Jpeg};
            marker = one[0];
        }
        ++at;  // past the marker
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) continue;  // no length
        if (marker == 0xD9 || marker == 0xDA) return {PictureFormat::Jpeg};   // end or scan before any frame
        std::array<std::uint8_t, 7> seg{};
        if (!b.At(at, seg)) return {PictureFormat::Jpeg};
        const std::uint32_t length = Be16(&seg[0]);
        if (length < 2) return {PictureFormat::Jpeg};
        if (IsFrameHeader(marker)) {
            // length, precision, height, width; a height of 0 would come later
            // in a DNL segment, which nothing here reads.
            if (length < 8) return {PictureFormat::Jpeg};
            return Sized(PictureFormat::Jpeg, Be16(&seg[5]), Be16(&seg[3]));
        }
        at += length;
    }
    return {PictureFormat::Jpeg};
}

PictureHeader ReadGif(const Bytes& b) {
    std::array<std::uint8_t, 7> screen{};  // width, height, flags, background, aspect
    if (!b.At(6, screen)) return {PictureFormat::Gif};
    std::int64_t w = Le16(&screen[0]), h = Le16(&screen[2]);
    std::uint64_t at = 13;
    if (screen[4] & 0x80) at += 3u << ((screen[4] & 7) + 1);  // global colour table
    // The first image may reach past the logical screen; decoders make room for it.
    for (int blocks = 0; blocks < 10000; ++blocks) {
        std::array<std::uint8_t, 1> kind{};
        if (!b.At(at, kind)) break;
        if (kind[0] == 0x2C) {
            std::array<std::uint8_t, 8> image{};  // left, top, width, height
            if (!b.At(at + 1, image)) break;
            w = std::max<std::int64_t>(w, std::int64_t(Le16(&image[0])) + Le16(&image[4]));
            h = std::max<std::int64_t>(h, std::int64_t(Le16(&image[2])) + Le16(&image[6]));
            break;
        }
        if (kind[0] != 0x21) break;  // trailer or damage: the screen's size stands
        at += 2;                     // introducer, label
        for (;;) {                   // data sub-blocks up to the empty one
            std::array<std::uint8_t, 1> size{};
            if (!b.At(at, size)) return Sized(PictureFormat::Gif, w, h);
            at += 1 + size[0];
            if (size[0] == 0) break;
        }
    }
    return Sized(PictureFormat::Gif, w, h);
}

PictureHeader ReadBmp(const Bytes& b) {
    std::array<std::uint8_t, 12> info{};  // header size, then width and height
    if (!b.At(14, info)) return {PictureFormat::Bmp};
    const std::uint32_t size = Le32(&info[0]);
    if (size == 12) return Sized(PictureFormat::Bmp, Le16(&info[4]), Le16(&info[6]));  // BITMAPCOREHEADER
    if (size < 16) return {PictureFormat::Bmp};
    const auto w = static_cast<std::int32_t>(Le32(&info[4]));
    const auto h = static_cast<std::int32_t>(Le32(&info[8]));  // negative: rows top-down
    return Sized(PictureFormat::Bmp, w, h < 0 ? -std::int64_t(h) : h);
}

// What a packed DIB's header says, before it is held against its bytes.
struct DibClaim {
    std::int64_t width = 0, height = 0;  // height signed: negative runs top-down
    std::uint32_t planes = 0, bitCount = 0, compression = 0;
    std::uint64_t colours = 0, colourBytes = 0;  // entries, and bytes each
    std::uint64_t masksBytes = 0;                // bit masks after an info header
};

constexpr std::uint32_t kBiRgb = 0, kBiBitfields = 3, kBiAlphaBitfields = 6;

bool ReadDibClaim(const std::uint8_t* p, std::size_t size, std::uint32_t headerSize, DibClaim& c) {
    if (headerSize == 12) {  // BITMAPCOREHEADER: 16-bit sizes, 3-byte colours, bottom-up only
        c.width = Le16(p + 4);
        c.height = Le16(p + 6);
        c.planes = Le16(p + 8);
        c.bitCount = Le16(p + 10);
        c.colourBytes = 3;
        if (c.bitCount <= 8) c.colours = 1ull << c.bitCount;
        return true;
    }
    // BITMAPINFOHEADER and the longer V4 and V5 headers that begin with it.
    if (headerSize < 40 || headerSize > size) return false;
    c.width = static_cast<std::int32_t>(Le32(p + 4));
    c.height = static_cast<std::int32_t>(Le32(p + 8));
    c.planes = Le16(p + 12);
    c.bitCount = Le16(p + 14);
    c.compression = Le32(p + 16);
    const std::uint32_t used = Le32(p + 32);
    c.colourBytes = 4;
    c.colours = used ? used : (c.bitCount <= 8 ? 1ull << c.bitCount : 0);
    // Only the plain info header leaves its masks to follow it.
    if (headerSize == 40 && c.compression == kBiBitfields) c.masksBytes = 12;
    if (headerSize == 40 && c.compression == kBiAlphaBitfields) c.masksBytes = 16;
    return true;
}

bool DrawableForm(const DibClaim& c) {
    if (c.planes != 1) return false;
    switch (c.bitCount) {
        case 1: case 4: case 8: case 24: return c.compression == kBiRgb;
        case 16: case 32:
            return c.compression == kBiRgb || c.compression == kBiBitfields || c.compression == kBiAlphaBitfields;
        default: return false;
    }
}

}  // namespace

PackedDib ReadPackedDib(const std::uint8_t* bytes, std::size_t size) {
    PackedDib out;
    out.header.format = PictureFormat::Bmp;
    if (!bytes || size < 12) return out;
    const std::uint32_t headerSize = Le32(bytes);
    if (headerSize != 12 && headerSize < 40) return out;
    if (headerSize > size) return out;
    DibClaim c;
    if (!ReadDibClaim(bytes, size, headerSize, c) || !DrawableForm(c)) return out;
    const std::int64_t rows = c.height < 0 ? -c.height : c.height;
    if (c.width <= 0 || rows <= 0) return out;
    // All in 64 bits: a width of 2^31 at 32 bits a pixel is 2^36 bits a row.
    const std::uint64_t pixelsAt = headerSize + c.masksBytes + c.colours * c.colourBytes;
    if (c.colours > (1u << 16) || pixelsAt > size) return out;
    const std::uint64_t stride = (static_cast<std::uint64_t>(c.width) * c.bitCount + 31) / 32 * 4;
    // The rows must all be there: a header that claims more than the bytes
    // hold is refused before anything reads past them.
    if (static_cast<std::uint64_t>(rows) > (size - pixelsAt) / stride) return out;
    out.header = Sized(PictureFormat::Bmp, c.width, rows);
    out.topDown = c.height < 0;
    out.pixelsAt = static_cast<std::size_t>(pixelsAt);
    return out;
}

PictureHeader ReadPictureHeader(const ReadBytesAt& read) {
    const Bytes b(read);
    std::array<std::uint8_t, 8> magic{};
    const std::size_t n = read(0, magic.data(), magic.size());
    constexpr std::array<std::uint8_t, 8> kPng{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (n == 8 && magic == kPng) return ReadPng(b);
    if (n >= 3 && magic[0] == 0xFF && magic[1] == 0xD8 && magic[2] == 0xFF) return ReadJpeg(b);
    if (n >= 6 && magic[0] == 'G' && magic[1] == 'I' && magic[2] == 'F' && magic[3] == '8' &&
        (magic[4] == '7' || magic[4] == '9') && magic[5] == 'a')
        return ReadGif(b);
    if (n >= 2 && magic[0] == 'B' && magic[1] == 'M') return ReadBmp(b);
    return {};
}

PixelBudget PixelBudgetFor(int pointerBits) {
    constexpr std::int64_t kMega = 1'000'000;
    // 32-bit: 48 million pixels (192 MB a copy) opens an 8K screenshot (33
    // million) and leaves room for its second copy and the Floaters.
    if (pointerBits <= 32) return {48 * kMega, 128 * kMega};
    // 64-bit: 256 million (1 GB a copy; 16000 x 16000) stays well inside
    // what a decoder's 32-bit sizes can count (536 million at 4 bytes).
    return {256 * kMega, 1024 * kMega};
}

HeaderVerdict JudgeHeader(const PictureHeader& header, std::int64_t perPictureBudget) {
    if (header.format == PictureFormat::Unknown) return HeaderVerdict::Unchecked;
    if (!header.sizeKnown) return HeaderVerdict::Unreadable;
    return header.pixels() > perPictureBudget ? HeaderVerdict::TooLarge : HeaderVerdict::Open;
}

std::wstring PixelSizeText(std::int64_t width, std::int64_t height) {
    return std::to_wstring(width) + L" \u00D7 " + std::to_wstring(height);
}

std::wstring TooLargeToOpenMessage(std::wstring_view path, std::int64_t width, std::int64_t height,
                                   std::int64_t budget) {
    return L"This picture is too large to open:\n" + std::wstring(path) + L"\n\nIt is " +
           PixelSizeText(width, height) + L" pixels; Vellumo can hold at most " +
           std::to_wstring(budget / 1'000'000) + L" million pixels in one picture.";
}

std::wstring TooLargeToPinMessage(std::int64_t width, std::int64_t height, std::int64_t budget) {
    return L"The clipboard image is too large to pin.\n\nIt is " + PixelSizeText(width, height) +
           L" pixels; Vellumo can hold at most " + std::to_wstring(budget / 1'000'000) +
           L" million pixels in one picture.";
}

std::wstring NoMemoryToOpenMessage(std::wstring_view path, std::int64_t width, std::int64_t height) {
    return L"There is not enough memory to open\n" + std::wstring(path) + L"\n(" + PixelSizeText(width, height) +
           L" pixels). Nothing else was changed.";
}

}  // namespace vellumo
