// The quick save's decisions: the name a pattern gives at a time, the stored
// settings and the first free name.
#include <gtest/gtest.h>

#include <set>

#include "output/QuickSave.h"

using namespace vellumo;

namespace {
const LocalTime kAt{2026, 3, 7, 9, 5, 4};
}

TEST(QuickSaveName, ThePatternTakesTheTimeZeroPadded) {
    EXPECT_EQ(ExpandNamePattern(kQuickSavePattern.defaultValue, kAt), L"Vellumo_2026-03-07_09-05-04");
    EXPECT_EQ(ExpandNamePattern(L"%d.%m.%Y %H%M%S", {987, 12, 31, 23, 59, 58}), L"31.12.0987 235958");
    // %% is a percent sign; any other % stays as written, a trailing one too.
    EXPECT_EQ(ExpandNamePattern(L"100%% %x %", kAt), L"100% %x %");
    EXPECT_EQ(ExpandNamePattern(L"%%Y", kAt), L"%Y");
}

TEST(QuickSaveName, CharactersNoFileNameHoldsAreReplacedAndNothingLeftGivesTheDefault) {
    EXPECT_EQ(ExpandNamePattern(L"a\\b/c:d*e?f\"g<h>i|j\tk", kAt), L"a_b_c_d_e_f_g_h_i_j_k");
    // Windows would drop trailing dots and blanks, and the extension with them.
    EXPECT_EQ(ExpandNamePattern(L"shot %H. .", kAt), L"shot 09");
    EXPECT_EQ(ExpandNamePattern(L"", kAt), L"Vellumo_2026-03-07_09-05-04");
    EXPECT_EQ(ExpandNamePattern(L" ..", kAt), L"Vellumo_2026-03-07_09-05-04");
}

TEST(QuickSaveSettings, FolderDefaultsToPicturesAndFormatToPng) {
    EXPECT_EQ(QuickSaveFolder(L"", L"C:\\Users\\u\\Pictures"), L"C:\\Users\\u\\Pictures\\Vellumo");
    EXPECT_EQ(QuickSaveFolder(L"  ", L"D:\\"), L"D:\\Vellumo");
    EXPECT_EQ(QuickSaveFolder(L" E:\\shots ", L"C:\\P"), L"E:\\shots");

    EXPECT_EQ(QuickSaveExtension(L"png"), L"png");
    EXPECT_EQ(QuickSaveExtension(L".JPG"), L"jpg");
    EXPECT_EQ(QuickSaveExtension(L"Jpeg"), L"jpg");
    EXPECT_EQ(QuickSaveExtension(L" gif "), L"gif");
    EXPECT_EQ(QuickSaveExtension(L"BMP"), L"bmp");
    for (const wchar_t* other : {L"", L"tif", L"webp", L"pngx", L".."}) EXPECT_EQ(QuickSaveExtension(other), L"png") << other;
}

TEST(QuickSaveName, TheFirstFreeNameCountsFromTwo) {
    std::set<std::wstring> existing;
    const auto taken = [&](const std::wstring& n) { return existing.count(n) > 0; };
    EXPECT_EQ(FirstFreeName(L"C:\\f", L"shot", L"png", taken), L"C:\\f\\shot.png");
    existing = {L"C:\\f\\shot.png", L"C:\\f\\shot_2.png"};
    EXPECT_EQ(FirstFreeName(L"C:\\f\\", L"shot", L"png", taken), L"C:\\f\\shot_3.png");
    // Another extension is another name.
    EXPECT_EQ(FirstFreeName(L"C:\\f", L"shot", L"jpg", taken), L"C:\\f\\shot.jpg");
    // A gap is filled, as the names are tried in order.
    existing = {L"C:\\f\\shot.png", L"C:\\f\\shot_3.png"};
    EXPECT_EQ(FirstFreeName(L"C:\\f", L"shot", L"png", taken), L"C:\\f\\shot_2.png");
    EXPECT_EQ(FirstFreeName(L"C:\\f", L"x", L"png", [](const std::wstring&) { return true; }, 5), std::nullopt);
}

TEST(QuickSaveMessages, NameTheFolderTheReasonAndTheFile) {
    const std::wstring m = QuickSaveFolderMessage(L"Q:\\nowhere", L"Access denied.");
    EXPECT_NE(m.find(L"Q:\\nowhere"), std::wstring::npos);
    EXPECT_NE(m.find(L"Access denied."), std::wstring::npos);
    EXPECT_NE(m.find(L"still here"), std::wstring::npos);
    EXPECT_NE(QuickSavedMessage(L"C:\\f\\shot_2.png").find(L"C:\\f\\shot_2.png"), std::wstring::npos);
}
