#include <gtest/gtest.h>

#include "history/HistoryRules.h"
#include "output/PngEncoder.h"

namespace vellumo::history {
namespace {

TEST(HistorySettings, DefaultsBoundsAndBadValues) {
    const Settings plain = ReadSettings(L"", L"", L"");
    EXPECT_EQ(plain.keep, 100);
    EXPECT_EQ(plain.maxMB, 500);
    EXPECT_TRUE(plain.on());
    EXPECT_EQ(plain.maxBytes(), 500ull * 1024 * 1024);

    const Settings set = ReadSettings(L"D:\\Shots", L" 20 ", L"7");
    EXPECT_EQ(set.folder, L"D:\\Shots");
    EXPECT_EQ(set.keep, 20);
    EXPECT_EQ(set.maxMB, 7);

    EXPECT_FALSE(ReadSettings(L"", L"0", L"").on());
    // Typos and numbers out of range read as the default, never as "off".
    for (const wchar_t* bad : {L"ten", L"-5", L"1e3", L"99999999999", L"100000000"})
        EXPECT_EQ(ReadSettings(L"", bad, bad).keep, 100) << bad;
    for (const wchar_t* bad : {L"0", L"-1", L"lots", L"2000000"}) EXPECT_EQ(ReadSettings(L"", L"", bad).maxMB, 500) << bad;

    EXPECT_EQ(DefaultFolder(L"C:\\Users\\a\\AppData\\Local"), L"C:\\Users\\a\\AppData\\Local\\Vellumo\\History");
    EXPECT_EQ(DefaultFolder(L"C:\\"), L"C:\\Vellumo\\History");
}

TEST(HistoryNames, SortByTimeAndReadBack) {
    const Stamp a{2026, 12, 8, 9, 5, 7}, b{2026, 12, 8, 10, 0, 0};
    EXPECT_EQ(FileName(a, 3), L"capture-20261208-090507-003.png");
    EXPECT_LT(FileName(a, 999), FileName(b, 0));
    EXPECT_LT(FileName(a, 9), FileName(a, 10));
    EXPECT_EQ(StampOfName(FileName(a, 42)), a);
    for (const wchar_t* other : {L"capture-20261208-090507-003.jpg", L"capture-2026120-090507-003.png",
                                 L"notes.png", L"capture-20261308-090507-003.png", L"capture-20261208-090507-0x3.png"})
        EXPECT_FALSE(StampOfName(other)) << other;

    EXPECT_EQ(MenuTime(a, {2026, 12, 8, 23, 0, 0}), L"09:05:07");
    EXPECT_EQ(MenuTime(a, {2026, 12, 9, 0, 0, 1}), L"2026-12-08 09:05:07");
}

TEST(HistoryNames, LeftoverTemporaries) {
    const std::wstring name = FileName({2026, 1, 2, 3, 4, 5}, 0);
    EXPECT_TRUE(IsLeftoverTemporary(TemporaryName(name)));
    EXPECT_FALSE(IsLeftoverTemporary(name));
    EXPECT_FALSE(IsLeftoverTemporary(L"mine.tmp"));  // a file the user put there is not ours
    EXPECT_FALSE(IsLeftoverTemporary(L".tmp"));
}

TEST(HistoryRecord, TextChunksReadBackAndKeepThePicture) {
    const std::uint32_t pixels[6] = {0xFF0000, 0x00FF00, 0x0000FF, 0x123456, 0xABCDEF, 0x000000};
    const std::vector<std::uint8_t> png = EncodePng(pixels, 3, 2, 3);
    const Record r{{2026, 12, 8, 20, 48, 56}, 3, 2, LeftBy::Pin, Rect{-1024, 16, 3, 2}};
    const std::vector<std::uint8_t> out = WithText(png, RecordText(r));

    const auto text = ReadText(out);
    ASSERT_EQ(text.size(), 5u);
    EXPECT_EQ(text[0], (std::pair<std::string, std::string>{"Creation Time", "2026-12-08 20:48:56"}));
    EXPECT_EQ(text[1].second, "3 x 2");
    EXPECT_EQ(text[2].second, "pin");
    EXPECT_EQ(text[3], (std::pair<std::string, std::string>{"Screen rectangle", "-1024, 16, 3 x 2"}));
    // The picture's own chunks follow unchanged.
    ASSERT_EQ(out.size(), png.size() + [&] {
        std::size_t n = 0;
        for (const auto& [k, v] : text) n += 12 + k.size() + 1 + v.size();
        return n;
    }());
    EXPECT_TRUE(std::equal(png.begin() + 33, png.end(), out.end() - (png.size() - 33)));
    EXPECT_TRUE(ReadText(png).empty());

    // A Floater from a file has no screen rectangle; a corrupted chunk is not read.
    auto fromFile = WithText(png, RecordText({{}, 3, 2, LeftBy::File, std::nullopt}));
    EXPECT_EQ(ReadText(fromFile).size(), 4u);
    fromFile[33 + 8] ^= 1;
    EXPECT_TRUE(ReadText(fromFile).empty());
    const std::vector<std::uint8_t> notPng{1, 2, 3};
    EXPECT_EQ(WithText(notPng, RecordText(r)), notPng);
}

std::vector<StoredFile> Files(int count, std::uint64_t bytes) {
    std::vector<StoredFile> files;
    for (int i = 0; i < count; ++i) files.push_back({FileName({2026, 12, 8, 20, i / 60, i % 60}, 0), bytes});
    return files;
}

TEST(HistoryPruning, OldestFirstUntilWithinBothBounds) {
    auto files = Files(150, 1000);
    std::reverse(files.begin(), files.end());  // the folder's order is not the time's
    const auto gone = FilesToPrune(files, 100, 1ull << 40);
    ASSERT_EQ(gone.size(), 50u);
    EXPECT_EQ(gone.front(), Files(1, 0)[0].name);
    EXPECT_EQ(gone.back(), Files(50, 0)[49].name);

    // The size bound: 10 files of 1 MB within 3.5 MB leave the newest 3.
    const auto bySize = FilesToPrune(Files(10, 1 << 20), 100, 3 * (1 << 20) + (1 << 19));
    EXPECT_EQ(bySize.size(), 7u);
    EXPECT_TRUE(FilesToPrune(Files(10, 1 << 20), 10, 10 << 20).empty());
    // The newest stays however large; other files in the folder are never touched.
    EXPECT_EQ(FilesToPrune(Files(3, 100), 100, 10).size(), 2u);
    auto mixed = Files(3, 1);
    mixed.push_back({L"holiday.png", 1});
    for (const auto& name : FilesToPrune(mixed, 1, 100)) EXPECT_NE(name, L"holiday.png");
}

TEST(HistoryPruning, NewestForTheMenu) {
    std::vector<std::wstring> names;
    for (const auto& f : Files(15, 0)) names.push_back(f.name);
    names.push_back(L"readme.txt");
    const auto newest = Newest(names, 10);
    ASSERT_EQ(newest.size(), 10u);
    EXPECT_EQ(newest.front(), names[14]);
    EXPECT_EQ(newest.back(), names[5]);
}

}  // namespace
}  // namespace vellumo::history
