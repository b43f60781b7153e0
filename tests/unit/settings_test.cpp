// The settings store's rules: where the file is, what a read gives back,
// and how stored numbers are read.
#include <gtest/gtest.h>

#include <string>

#include "settings/IniRules.h"

using namespace vellumo::settings;

TEST(SettingsIni, PathJoinsFolderAndNameWithOneSeparator) {
    EXPECT_EQ(JoinIniPath(L"C:\\Program Files\\Vellumo", L"set.ini"), L"C:\\Program Files\\Vellumo\\set.ini");
    EXPECT_EQ(JoinIniPath(L"C:\\", L"set.ini"), L"C:\\set.ini");
    EXPECT_EQ(JoinIniPath(L"D:\\工具\\", L"set.ini"), L"D:\\工具\\set.ini");
    EXPECT_EQ(JoinIniPath(L"\\\\server\\share", L"my.ini"), L"\\\\server\\share\\my.ini");
}

TEST(SettingsIni, ReadBufferRules) {
    std::wstring buf(kReadBufferChars, L'\0');
    // Missing key: the profile function copied the default.
    buf.replace(0, 4, L"NULL");
    EXPECT_EQ(ValueFromReadBuffer(buf, 4), L"NULL");
    // A key present with an empty value: nothing copied, even if the buffer
    // still holds something from before.
    EXPECT_EQ(ValueFromReadBuffer(buf, 0), L"");
    // Up to the first NUL only.
    std::wstring two(kReadBufferChars, L'\0');
    two.replace(0, 7, L"ab\0cdef", 7);
    EXPECT_EQ(ValueFromReadBuffer(two, 2), L"ab");
    // A long value comes back cut to 254 characters: just inside, on, beyond.
    for (std::size_t len : {253u, 254u, 255u, 400u}) {
        SCOPED_TRACE(len);
        std::wstring full(len, L'x');
        full.back() = L'y';
        const std::wstring got = ValueFromReadBuffer(full, std::min<std::size_t>(len, kMaxValueChars));
        EXPECT_EQ(got.size(), std::min<std::size_t>(len, 254));
        EXPECT_EQ(got.back() == L'y', len <= 254);
    }
}

TEST(SettingsIni, TableNamesTheStoredKeys) {
    EXPECT_EQ(kHotKeyText.Key(L"HotKey1"), L"HotKey1Text");
    EXPECT_EQ(kHotKeyKeyCode.Key(L"HotKey1"), L"HotKey1KeyCode");
    EXPECT_EQ(kHotKeyModKeyCode.Key(L"HotKey1"), L"HotKey1ModKeyCode");
    EXPECT_EQ(kHotKeyText.section, L"hotkey");
    EXPECT_EQ(kHotKeyModKeyCode.section, L"hotkey");
    EXPECT_EQ(kHotKeyText.defaultValue, L"NULL");
    EXPECT_EQ(kHotKeyKeyCode.defaultValue, L"0");
    EXPECT_EQ(kCheckA.Key(kCheckOwner), L"checka");
    EXPECT_EQ(kCheckA.section, L"check");
}

TEST(SettingsIni, BadNumbersReadAsZero) {
    struct Case {
        const wchar_t* stored;
        int keyCode, modKeyCode, checka;
    };
    const Case cases[] = {
        {L"44", 44, 44, 0},         {L"0", 0, 0, 0},        {L"1", 1, 1, 1},
        {L" 68 ", 68, 68, 0},       {L"+5", 5, 5, 0},       {L"255", 255, 255, 0},
        {L"256", 0, 256, 0},        {L"-1", 0, 0, 0},       {L"", 0, 0, 0},
        {L"abc", 0, 0, 0},          {L"12abc", 0, 0, 0},    {L"4.5", 0, 0, 0},
        {L"0x2C", 0, 0, 0},         {L"-", 0, 0, 0},        {L"99999999999999999999", 0, 0, 0},
        {L"65535", 0, 65535, 0},    {L"65536", 0, 0, 0},    {L"2", 2, 2, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.stored)));
        EXPECT_EQ(ReadNumber(kHotKeyKeyCode, c.stored), c.keyCode);
        EXPECT_EQ(ReadNumber(kHotKeyModKeyCode, c.stored), c.modKeyCode);
        EXPECT_EQ(ReadNumber(kCheckA, c.stored), c.checka);
    }
    EXPECT_EQ(ParseWholeNumber(L"-2147483648"), -2147483648LL);
    EXPECT_EQ(ParseWholeNumber(L"2147483648"), std::nullopt);
}
