// The size an image file claims, read before any decoder sees it, and the
// pixel budget that decides whether it may be opened.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "gfx/PictureHeader.h"

namespace vellumo {
namespace {

using Bytes = std::vector<std::uint8_t>;

PictureHeader Read(const Bytes& file) {
    return ReadPictureHeader([&](std::uint64_t offset, std::uint8_t* into, std::size_t count) -> std::size_t {
        if (offset >= file.size()) return 0;
        const std::size_t n = std::min<std::size_t>(count, file.size() - offset);
        std::memcpy(into, file.data() + offset, n);
        return n;
    });
}

void Be32(Bytes& b, std::uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) b.push_back(static_cast<std::uint8_t>(v >> s));
}
void Le16(Bytes& b, std::uint32_t v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Le32(Bytes& b, std::uint32_t v) {
    Le16(b, v & 0xFFFF);
    Le16(b, v >> 16);
}

Bytes Png(std::uint32_t w, std::uint32_t h, const char* chunk = "IHDR") {
    Bytes b{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    Be32(b, 13);
    b.insert(b.end(), chunk, chunk + 4);
    Be32(b, w);
    Be32(b, h);
    b.insert(b.end(), {8, 2, 0, 0, 0, 0, 0, 0, 0});  // depth, colour type, ..., CRC
    return b;
}

// SOI, then `segments` (marker, payload), then a frame header of w x h.
Bytes Jpeg(std::uint16_t w, std::uint16_t h, std::uint8_t sof, const std::vector<std::pair<std::uint8_t, Bytes>>& segments) {
    Bytes b{0xFF, 0xD8};
    for (const auto& [marker, payload] : segments) {
        b.push_back(0xFF);
        b.push_back(marker);
        const std::size_t len = payload.size() + 2;
        b.push_back(static_cast<std::uint8_t>(len >> 8));
        b.push_back(static_cast<std::uint8_t>(len));
        b.insert(b.end(), payload.begin(), payload.end());
    }
    b.insert(b.end(), {0xFF, sof, 0, 17, 8});
    b.push_back(static_cast<std::uint8_t>(h >> 8));
    b.push_back(static_cast<std::uint8_t>(h));
    b.push_back(static_cast<std::uint8_t>(w >> 8));
    b.push_back(static_cast<std::uint8_t>(w));
    b.insert(b.end(), {3, 1, 0x22, 0, 2, 0x11, 1, 3, 0x11, 1});
    return b;
}

Bytes Gif(std::uint16_t w, std::uint16_t h, bool globalTable) {
    Bytes b{'G', 'I', 'F', '8', '9', 'a'};
    Le16(b, w);
    Le16(b, h);
    b.push_back(globalTable ? 0x81 : 0x00);  // a 4-entry table when present
    b.push_back(0);
    b.push_back(0);
    if (globalTable) b.insert(b.end(), 12, 0x7F);
    return b;
}

Bytes Bmp(std::uint32_t headerSize, std::int32_t w, std::int32_t h) {
    Bytes b{'B', 'M'};
    Le32(b, 0);
    Le32(b, 0);
    Le32(b, 14 + headerSize);
    Le32(b, headerSize);
    if (headerSize == 12) {
        Le16(b, static_cast<std::uint32_t>(w));
        Le16(b, static_cast<std::uint32_t>(h));
    } else {
        Le32(b, static_cast<std::uint32_t>(w));
        Le32(b, static_cast<std::uint32_t>(h));
    }
    b.resize(14 + headerSize, 0);
    return b;
}

void ExpectSize(const PictureHeader& h, PictureFormat f, std::int64_t w, std::int64_t hh, const char* what) {
    EXPECT_EQ(h.format, f) << what;
    EXPECT_TRUE(h.sizeKnown) << what;
    EXPECT_EQ(h.width, w) << what;
    EXPECT_EQ(h.height, hh) << what;
}

TEST(PictureHeader, PngSizeFromIhdrAndBrokenHeadersAreUnreadable) {
    ExpectSize(Read(Png(30000, 30000)), PictureFormat::Png, 30000, 30000, "the crashing file's size");
    ExpectSize(Read(Png(1, 1)), PictureFormat::Png, 1, 1, "one pixel");
    ExpectSize(Read(Png(0x7FFFFFFF, 2)), PictureFormat::Png, 0x7FFFFFFF, 2, "the largest width PNG allows");
    for (const Bytes& broken : {Png(0x80000000u, 1), Png(0, 10), Png(10, 0), Png(10, 10, "IDAT")}) {
        const PictureHeader h = Read(broken);
        EXPECT_EQ(h.format, PictureFormat::Png);
        EXPECT_FALSE(h.sizeKnown);
    }
    Bytes cut = Png(100, 100);
    cut.resize(20);  // the height is missing
    EXPECT_FALSE(Read(cut).sizeKnown);
    EXPECT_EQ(Read(cut).format, PictureFormat::Png);
}

TEST(PictureHeader, JpegSizeFromTheFrameHeaderPastOtherSegments) {
    ExpectSize(Read(Jpeg(640, 480, 0xC0, {})), PictureFormat::Jpeg, 640, 480, "baseline, no other segment");
    ExpectSize(Read(Jpeg(65535, 65535, 0xC2, {})), PictureFormat::Jpeg, 65535, 65535, "progressive, largest");
    // An EXIF block of 60000 bytes and a table come first; the tables that
    // share the frame markers' range (DHT, DAC) are not frames.
    const Bytes exif(60000, 0x41);
    ExpectSize(Read(Jpeg(1920, 1080, 0xC1, {{0xE1, exif}, {0xDB, Bytes(65, 1)}, {0xC4, Bytes(30, 2)}, {0xCC, Bytes(4, 3)}})),
               PictureFormat::Jpeg, 1920, 1080, "after APP1, DQT, DHT, DAC");
    // Fill bytes before a marker are skipped.
    Bytes filled = Jpeg(300, 200, 0xC0, {{0xE0, Bytes(14, 0)}});
    filled.insert(filled.begin() + 2, {0xFF, 0xFF});
    ExpectSize(Read(filled), PictureFormat::Jpeg, 300, 200, "fill bytes");

    // A scan before any frame, a height left to a later DNL segment, or a cut
    // file: no size can be read.
    Bytes scanFirst{0xFF, 0xD8, 0xFF, 0xDA, 0, 2};
    Bytes cut = Jpeg(300, 200, 0xC0, {{0xE1, exif}});
    cut.resize(1000);
    for (const Bytes& broken : {scanFirst, Jpeg(300, 0, 0xC0, {}), cut, Bytes{0xFF, 0xD8, 0xFF, 0xE0, 0, 1}}) {
        const PictureHeader h = Read(broken);
        EXPECT_EQ(h.format, PictureFormat::Jpeg);
        EXPECT_FALSE(h.sizeKnown);
    }
}

TEST(PictureHeader, GifSizeIsTheLogicalScreenWidenedByTheFirstImage) {
    ExpectSize(Read(Gif(30, 20, false)), PictureFormat::Gif, 30, 20, "the screen alone");
    // A comment extension, then an image reaching past the screen.
    Bytes b = Gif(100, 50, true);
    b.insert(b.end(), {0x21, 0xFE, 3, 'a', 'b', 'c', 0});
    b.push_back(0x2C);
    Le16(b, 10);
    Le16(b, 20);
    Le16(b, 60000);
    Le16(b, 40);
    b.push_back(0);
    ExpectSize(Read(b), PictureFormat::Gif, 60010, 60, "an image past the logical screen");
    Bytes zero = Gif(0, 10, false);
    EXPECT_FALSE(Read(zero).sizeKnown);
    EXPECT_EQ(Read(Bytes{'G', 'I', 'F', '8', '7', 'a', 1}).format, PictureFormat::Gif);
    EXPECT_FALSE(Read(Bytes{'G', 'I', 'F', '8', '7', 'a', 1}).sizeKnown);
}

TEST(PictureHeader, BmpCoreAndInfoHeadersAndTopDownRows) {
    ExpectSize(Read(Bmp(40, 50, 30)), PictureFormat::Bmp, 50, 30, "BITMAPINFOHEADER");
    ExpectSize(Read(Bmp(40, 50, -30)), PictureFormat::Bmp, 50, 30, "top-down rows");
    ExpectSize(Read(Bmp(124, 30000, 30000)), PictureFormat::Bmp, 30000, 30000, "BITMAPV5HEADER");
    ExpectSize(Read(Bmp(12, 640, 480)), PictureFormat::Bmp, 640, 480, "BITMAPCOREHEADER");
    ExpectSize(Read(Bmp(40, 1, INT32_MIN)), PictureFormat::Bmp, 1, 2147483648LL, "the most negative height");
    for (const Bytes& broken : {Bmp(40, 0, 10), Bmp(40, -5, 10), Bmp(8, 5, 5), Bytes{'B', 'M', 0, 0}}) {
        const PictureHeader h = Read(broken);
        EXPECT_EQ(h.format, PictureFormat::Bmp);
        EXPECT_FALSE(h.sizeKnown);
    }
}

TEST(PictureHeader, OtherFilesAreUnknownWhateverTheirName) {
    EXPECT_EQ(Read(Bytes{}).format, PictureFormat::Unknown);
    EXPECT_EQ(Read(Bytes{'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'}).format, PictureFormat::Unknown);
    EXPECT_EQ(Read(Bytes{0, 0, 1, 0, 1, 0}).format, PictureFormat::Unknown) << "an icon";
    EXPECT_EQ(Read(Bytes{0x89, 'P', 'N', 'G', 0x0D, 0x0A}).format, PictureFormat::Unknown) << "a cut PNG signature";
    EXPECT_EQ(Read(Bytes{'G', 'I', 'F', '8', '8', 'a', 1, 1}).format, PictureFormat::Unknown);
}

// A packed DIB as a program puts it on the clipboard: an info header (40
// bytes, or `headerSize` for the longer ones), `colours` palette entries,
// then `pixelBytes` bytes of rows (-1: exactly as many as the header claims).
struct DibLayout {
    std::int32_t w = 4, h = 3;
    std::uint32_t bits = 32, compression = 0, colours = 0, headerSize = 40;
    std::int64_t pixelBytes = -1;
    std::uint32_t planes = 1;
};
Bytes Dib(const DibLayout& d) {
    Bytes b;
    Le32(b, d.headerSize);
    Le32(b, static_cast<std::uint32_t>(d.w));
    Le32(b, static_cast<std::uint32_t>(d.h));
    Le16(b, d.planes);
    Le16(b, d.bits);
    Le32(b, d.compression);
    for (int i = 0; i < 3; ++i) Le32(b, 0);  // image size, resolutions
    Le32(b, d.colours);
    Le32(b, 0);
    b.resize(d.headerSize, 0);
    const bool masks = d.headerSize == 40 && d.compression == 3;
    const std::uint64_t entries = d.colours ? d.colours : (d.bits <= 8 ? 1u << d.bits : 0);
    b.resize(b.size() + (masks ? 12 : 0) + entries * 4, 0);
    const std::uint64_t stride = (std::uint64_t(d.w < 0 ? 0 : d.w) * d.bits + 31) / 32 * 4;
    const std::uint64_t rows = d.h < 0 ? -std::int64_t(d.h) : d.h;
    b.resize(b.size() + (d.pixelBytes < 0 ? stride * rows : std::uint64_t(d.pixelBytes)), 0x5A);
    return b;
}

// Fixed faults: a DIB whose header claimed 16384 x 16384 in 100 bytes was
// handed to the system to convert (which read past its end and hung the
// program), and one of height 0 became a 1 x 1 Floater. The header is
// believed only as far as its bytes bear it out.
TEST(PackedDib, TheHeaderIsBelievedOnlyAsFarAsItsBytesHoldIt) {
    struct Case {
        const char* what;
        DibLayout layout;
        bool known;
        std::int64_t w, h;
        bool topDown;
    };
    const Case cases[] = {
        {"32 bits, bottom-up", {}, true, 4, 3, false},
        {"32 bits, top-down", {.h = -3}, true, 4, 3, true},
        {"24 bits, rows padded to 4 bytes", {.w = 5, .h = 2, .bits = 24}, true, 5, 2, false},
        {"1 bit with its two colours", {.w = 33, .h = 7, .bits = 1}, true, 33, 7, false},
        {"8 bits, 16 colours used", {.bits = 8, .colours = 16}, true, 4, 3, false},
        {"bit fields after an info header", {.bits = 16, .compression = 3}, true, 4, 3, false},
        {"a V5 header", {.h = -3, .compression = 3, .headerSize = 124}, true, 4, 3, true},
        {"one byte more than the rows", {.pixelBytes = 4 * 4 * 3 + 1}, true, 4, 3, false},
        {"one byte short", {.pixelBytes = 4 * 4 * 3 - 1}, false, 0, 0, false},
        {"16384 x 16384 x 32 in 100 bytes", {.w = 16384, .h = 16384, .pixelBytes = 60}, false, 0, 0, false},
        {"the widest row there is, in no bytes", {.w = 0x7FFFFFFF, .h = 0x7FFFFFFF, .pixelBytes = 0}, false, 0, 0, false},
        {"height 0", {.h = 0}, false, 0, 0, false},
        {"width 0", {.w = 0}, false, 0, 0, false},
        {"negative width", {.w = -4, .pixelBytes = 48}, false, 0, 0, false},
        {"two planes", {.planes = 2}, false, 0, 0, false},
        {"7 bits a pixel", {.bits = 7}, false, 0, 0, false},
        {"compressed rows (RLE8)", {.bits = 8, .compression = 1, .pixelBytes = 10}, false, 0, 0, false},
        {"bit fields at 24 bits", {.bits = 24, .compression = 3}, false, 0, 0, false},
        {"a header size no version has", {.headerSize = 20}, false, 0, 0, false},
        {"more colours than any palette", {.bits = 8, .colours = 70000}, false, 0, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Bytes b = Dib(c.layout);
        const PackedDib d = ReadPackedDib(b.data(), b.size());
        EXPECT_EQ(d.header.format, PictureFormat::Bmp);
        EXPECT_EQ(d.header.sizeKnown, c.known);
        if (!c.known) {
            EXPECT_EQ(JudgeHeader(d.header, 1'000'000), HeaderVerdict::Unreadable);
            continue;
        }
        EXPECT_EQ(d.header.width, c.w);
        EXPECT_EQ(d.header.height, c.h);
        EXPECT_EQ(d.topDown, c.topDown);
        // The rows start after the header, its masks and its colours, and all fit.
        EXPECT_GE(d.pixelsAt, c.layout.headerSize);
        const std::uint64_t stride = (std::uint64_t(c.w) * c.layout.bits + 31) / 32 * 4;
        EXPECT_LE(d.pixelsAt + stride * std::uint64_t(c.h), b.size());
        EXPECT_EQ(b[d.pixelsAt], 0x5A) << "the rows do not start where they were put";
    }
    EXPECT_FALSE(ReadPackedDib(nullptr, 0).header.sizeKnown);
    const Bytes whole = Dib({});
    EXPECT_FALSE(ReadPackedDib(whole.data(), 11).header.sizeKnown) << "cut inside the header";
    EXPECT_FALSE(ReadPackedDib(whole.data(), 40).header.sizeKnown) << "a header without its rows";
}

// A real picture past the budget is refused by its header, as a dropped file is.
TEST(PackedDib, ARealPicturePastTheBudgetIsTooLargeByItsHeader) {
    const Bytes b = Dib({.w = 100, .h = 100, .bits = 1});
    const PackedDib d = ReadPackedDib(b.data(), b.size());
    ASSERT_TRUE(d.header.sizeKnown);
    EXPECT_EQ(JudgeHeader(d.header, 10'000), HeaderVerdict::Open);
    EXPECT_EQ(JudgeHeader(d.header, 9'999), HeaderVerdict::TooLarge);
    const std::wstring text = TooLargeToPinMessage(16384, 16384, PixelBudgetFor(64).perPicture);
    EXPECT_NE(text.find(L"clipboard"), std::wstring::npos);
    EXPECT_NE(text.find(L"16384 \u00D7 16384"), std::wstring::npos);
    EXPECT_NE(text.find(L"256 million"), std::wstring::npos);
}

TEST(PixelBudget, LessInA32BitProcessAndAllFloatersHoldMoreThanOne) {
    const PixelBudget b32 = PixelBudgetFor(32), b64 = PixelBudgetFor(64);
    EXPECT_LT(b32.perPicture, b64.perPicture);
    EXPECT_LT(b32.allFloaters, b64.allFloaters);
    // An 8K screenshot opens in either.
    EXPECT_GE(b32.perPicture, 7680LL * 4320);
    // Two 4-byte copies of one picture fit a 32-bit process's 2 GB with room to spare.
    EXPECT_LE(b32.perPicture * 4 * 2, 512LL << 20);
    // A 64-bit picture's byte count still fits the 32-bit sizes decoders use.
    EXPECT_LT(b64.perPicture * 4, 1LL << 31);
    for (const PixelBudget& b : {b32, b64}) EXPECT_GT(b.allFloaters, b.perPicture);
    EXPECT_EQ(ThisProcessBudget().perPicture, PixelBudgetFor(int(sizeof(void*) * 8)).perPicture);
}

TEST(PixelBudget, VerdictAroundTheBudget) {
    const std::int64_t budget = 1000 * 1000;
    const auto judge = [&](PictureFormat f, bool known, std::int64_t w, std::int64_t h) {
        PictureHeader header{f, known, w, h};
        return JudgeHeader(header, budget);
    };
    EXPECT_EQ(judge(PictureFormat::Png, true, 1000, 1000), HeaderVerdict::Open) << "on the budget";
    EXPECT_EQ(judge(PictureFormat::Png, true, 1000, 1001), HeaderVerdict::TooLarge) << "just past it";
    EXPECT_EQ(judge(PictureFormat::Jpeg, true, 999, 1000), HeaderVerdict::Open);
    EXPECT_EQ(judge(PictureFormat::Bmp, true, 30000, 30000), HeaderVerdict::TooLarge);
    EXPECT_EQ(judge(PictureFormat::Gif, false, 0, 0), HeaderVerdict::Unreadable);
    EXPECT_EQ(judge(PictureFormat::Unknown, false, 0, 0), HeaderVerdict::Unchecked);
    // 2^31 squared does not wrap around to something small.
    EXPECT_EQ(judge(PictureFormat::Png, true, 0x7FFFFFFF, 0x7FFFFFFF), HeaderVerdict::TooLarge);
}

TEST(PixelBudget, MessagesNameTheFileAndItsSize) {
    const std::wstring big = TooLargeToOpenMessage(L"Z:\\tmp\\huge.png", 30000, 30000, 256'000'000);
    EXPECT_NE(big.find(L"Z:\\tmp\\huge.png"), std::wstring::npos);
    EXPECT_NE(big.find(L"30000 \u00D7 30000"), std::wstring::npos);
    EXPECT_NE(big.find(L"256 million"), std::wstring::npos);
    const std::wstring memory = NoMemoryToOpenMessage(L"C:\\a.bmp", 12000, 9000);
    EXPECT_NE(memory.find(L"C:\\a.bmp"), std::wstring::npos);
    EXPECT_NE(memory.find(L"12000 \u00D7 9000"), std::wstring::npos);
    EXPECT_NE(memory.find(L"memory"), std::wstring::npos);
}

}  // namespace
}  // namespace vellumo
