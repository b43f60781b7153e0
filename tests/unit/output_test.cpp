#include "output/ImageFormat.h"

#include <gtest/gtest.h>

namespace vellumo {
namespace {

TEST(FileExtension, IsTheTextAfterTheLastDot) {
    EXPECT_EQ(FileExtension(L"x.tar.gif"), L"gif");
    EXPECT_EQ(FileExtension(L"C:\\my.pics\\shot.png"), L"png");
    EXPECT_EQ(FileExtension(L"shot.PNG"), L"PNG");
    EXPECT_EQ(FileExtension(L"noext"), L"noext") << "no dot: the whole name";
    EXPECT_EQ(FileExtension(L"C:\\my.pics\\shot"), L"pics\\shot");
    EXPECT_EQ(FileExtension(L"trailing."), L"");
}

TEST(FormatByExtension, FourFormatsInAnyCaseNothingElse) {
    struct Case {
        const wchar_t* name;
        ImageFormat format;
    } cases[] = {
        {L"a.png", ImageFormat::Png},      {L"A.JPG", ImageFormat::Jpeg},   {L"b.Png", ImageFormat::Png},
        {L"x.tar.gif", ImageFormat::Gif},  {L"c.bmp", ImageFormat::Bmp},    {L"C:\\my.pics\\shot.png", ImageFormat::Png},
        {L"shot.jpeg", ImageFormat::None}, {L"shot.tif", ImageFormat::None}, {L"noext", ImageFormat::None},
        // A dot-less name is its own extension: "png" alone matches.
        {L"png", ImageFormat::Png},
        {L"C:\\my.pics\\shot", ImageFormat::None}, {L"shot.", ImageFormat::None},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FormatByExtension(c.name), c.format) << std::string(c.name, c.name + wcslen(c.name));
    }
}

TEST(SaveName, AnExtensionlessNameTakesTheChosenFilterExtension) {
    EXPECT_EQ(WithFilterExtension(L"C:\\out\\shot", 1), L"C:\\out\\shot.png");
    EXPECT_EQ(WithFilterExtension(L"C:\\out\\shot", 2), L"C:\\out\\shot.jpg");
    EXPECT_EQ(WithFilterExtension(L"C:\\out\\shot", 3), L"C:\\out\\shot.gif");
    EXPECT_EQ(WithFilterExtension(L"C:\\out\\shot", 4), L"C:\\out\\shot.bmp");
    EXPECT_EQ(WithFilterExtension(L"C:\\my.pics\\shot", 3), L"C:\\my.pics\\shot.gif") << "the dot is in the folder";
    EXPECT_EQ(WithFilterExtension(L"/tmp/shot", 2), L"/tmp/shot.jpg");
    EXPECT_EQ(WithFilterExtension(L"C:\\out\\shot.png", 2), L"C:\\out\\shot.png") << "an extension is kept";
    EXPECT_EQ(WithFilterExtension(L"C:\\out\\shot.tif", 1), L"C:\\out\\shot.tif") << "even an unsupported one";
    EXPECT_EQ(WithFilterExtension(L"shot", 0), L"shot.png") << "no valid filter: the first entry";
    EXPECT_EQ(WithFilterExtension(L"", 1), L"");
}

TEST(SaveName, FilterAndMessage) {
    const std::wstring f = DialogFilter(kImageFilter);
    EXPECT_EQ(f.substr(0, 11), std::wstring(L"PNG文件(*.png)\0*.png", 19).substr(0, 11));
    EXPECT_EQ(std::count(f.begin(), f.end(), L'\0'), 9) << "8 entries plus the closing NUL";
    EXPECT_EQ(f.back(), L'\0');
    EXPECT_EQ(f[f.size() - 2], L'\0');
    const std::wstring m = UnsupportedExtensionMessage(L"C:\\x\\shot.tif");
    EXPECT_NE(m.find(L"C:\\x\\shot.tif"), std::wstring::npos);
    EXPECT_NE(m.find(L".png"), std::wstring::npos);
}

TEST(EncoderClsid, BuiltInCodecsByIndex) {
    const Guid png = EncoderClsidByIndex(4);
    EXPECT_EQ(png.data1, 0x557CF406u);
    EXPECT_EQ(png.data2, 0x1A04);
    EXPECT_EQ(png.data3, 0x11D3);
    EXPECT_EQ(png.data4, (std::array<std::uint8_t, 8>{0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}));
    EXPECT_EQ(EncoderClsidByIndex(3).data1, 0x557CF401u);
    EXPECT_EQ(EncoderClsidByIndex(5).data1, 0x557CF402u);
    EXPECT_EQ(EncoderClsidByIndex(0).data1, 0x557CF400u);
    EXPECT_EQ(EncoderClsidByIndex(7).data1, 0x557CF407u);
    EXPECT_EQ(EncoderClsidByIndex(8), Guid{});
    EXPECT_EQ(EncoderClsidByIndex(-1), Guid{});
    EXPECT_EQ(EncoderIndexFor(ImageFormat::Jpeg), 3);
    EXPECT_EQ(EncoderIndexFor(ImageFormat::Png), 4);
    EXPECT_EQ(EncoderIndexFor(ImageFormat::Gif), 5);
    EXPECT_EQ(EncoderIndexFor(ImageFormat::Bmp), -1);
    EXPECT_EQ(EncoderQualityGuid().data1, 0x1D5BE4B5u);
    EXPECT_EQ(ParseGuid(L"{1D5BE4B5-FA4A-452D-9CDD-5DB35105E7E}"), Guid{}) << "one digit short";
    EXPECT_EQ(ParseGuid(L"{1D5BE4B5-FA4A-452D-9CDD-5DB35105E7EG}"), Guid{}) << "not hex";
}

TEST(EncodeBmp, HeaderPaddingAndBottomUpRows) {
    // 3 x 2: rows of 9 bytes padded to 12.
    const std::uint32_t px[] = {0x00FF0000, 0x0000FF00, 0x000000FF, 0x00102030, 0x00405060, 0x00708090};
    const auto f = EncodeBmp(px, 3, 2, 3);
    ASSERT_EQ(f.size(), 54u + 24u);
    EXPECT_EQ(f[0], 'B');
    EXPECT_EQ(f[1], 'M');
    EXPECT_EQ(f[2] | f[3] << 8, 78);
    EXPECT_EQ(f[10], 54);
    EXPECT_EQ(f[18], 3);
    EXPECT_EQ(f[22], 2);
    EXPECT_EQ(f[28], 24);
    EXPECT_EQ(f[30], 0) << "BI_RGB";
    // First stored row is the bottom image row, in B, G, R order.
    EXPECT_EQ(f[54], 0x30);
    EXPECT_EQ(f[55], 0x20);
    EXPECT_EQ(f[56], 0x10);
    EXPECT_EQ(f[54 + 9], 0) << "padding";
    EXPECT_EQ(f[66], 0x00);
    EXPECT_EQ(f[67], 0x00);
    EXPECT_EQ(f[68], 0xFF) << "top-left pixel is red";
    EXPECT_TRUE(EncodeBmp(px, 0, 2, 3).empty());
}

TEST(ReduceToPalette, ExactUpTo256ColoursNearestCubeBeyond) {
    std::vector<std::uint32_t> few = {0x00FF8000, 0x00000000, 0x00FF8000, 0x00123456};
    const IndexedImage a = ReduceToPalette(few.data(), 2, 2, 2);
    ASSERT_EQ(a.palette.size(), 3u);
    for (std::size_t i = 0; i < few.size(); ++i) EXPECT_EQ(a.palette[a.indices[i]], few[i]);

    std::vector<std::uint32_t> exactly256(256), many(257);
    for (std::uint32_t i = 0; i < 256; ++i) exactly256[i] = i * 0x010101u;
    const IndexedImage b = ReduceToPalette(exactly256.data(), 16, 16, 16);
    EXPECT_EQ(b.palette.size(), 256u);
    for (std::size_t i = 0; i < 256; ++i) EXPECT_EQ(b.palette[b.indices[i]], exactly256[i]);

    for (std::uint32_t i = 0; i < 257; ++i) many[i] = i * 65;  // 257 distinct colours
    const IndexedImage c = ReduceToPalette(many.data(), 257, 1, 257);
    EXPECT_EQ(c.palette.size(), 216u);
    for (std::size_t i = 0; i < many.size(); ++i) {
        const std::uint32_t got = c.palette[c.indices[i]];
        for (int shift : {0, 8, 16}) {
            const int want = (many[i] >> shift) & 255, have = (got >> shift) & 255;
            EXPECT_LE(std::abs(want - have), 26) << i;
        }
    }
}

}  // namespace
}  // namespace vellumo
