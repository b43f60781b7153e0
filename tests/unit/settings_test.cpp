// The settings store's rules: where the file is, what a read gives back,
// and how stored numbers are read.
#include <gtest/gtest.h>

#include <cwctype>
#include <set>
#include <string>

#include "store/IniRules.h"

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

// The names themselves are what a user's set.ini holds; the end-to-end
// tests write and read them as a user would. Here: no two settings share a
// key, every key is one an ini file keeps intact, and a number's default and
// bounds are values it reads back.
TEST(SettingsIni, EverySettingHasAKeyOfItsOwnAndUsableNumbers) {
    struct Owned {
        const Setting& setting;
        std::wstring_view owner;
    };
    const Owned all[] = {{kHotKeyText, L"HotKey1"}, {kHotKeyKeyCode, L"HotKey1"}, {kHotKeyModKeyCode, L"HotKey1"},
                         {kHotKeyEnabledSetting, kEnableBoxOwner}};
    std::set<std::wstring> keys;
    for (const Owned& o : all) {
        const std::wstring key = o.setting.Key(o.owner);
        SCOPED_TRACE(testing::PrintToString(key));
        EXPECT_TRUE(key.starts_with(o.owner));
        EXPECT_GT(key.size(), o.owner.size()) << "a key is more than its owner's name";
        EXPECT_FALSE(o.setting.section.empty());
        // Letters and digits only: no '=', ';', brackets or blanks an ini reader splits on.
        for (const std::wstring_view text : {std::wstring_view(key), o.setting.section})
            for (const wchar_t c : text) EXPECT_TRUE(std::iswalnum(c)) << "character " << int(c);
        EXPECT_TRUE(keys.insert(std::wstring(o.setting.section) + L"/" + key).second) << "a key used twice";
        if (o.setting.kind != ValueKind::WholeNumber) continue;
        EXPECT_LT(o.setting.min, o.setting.max);
        for (const long long bound : {o.setting.min, o.setting.max})
            EXPECT_EQ(ReadNumber(o.setting, std::to_wstring(bound)), bound);
        if (!o.setting.defaultValue.empty())
            EXPECT_EQ(std::to_wstring(ReadNumber(o.setting, o.setting.defaultValue)), o.setting.defaultValue);
    }
    // One hotkey's combination is one section's business (its reset rewrites it).
    EXPECT_EQ(kHotKeyText.section, kHotKeyKeyCode.section);
    EXPECT_EQ(kHotKeyText.section, kHotKeyModKeyCode.section);
}

TEST(SettingsIni, BadNumbersReadAsZeroAndAnyOtherWholeNumberEnables) {
    struct Case {
        const wchar_t* stored;
        int keyCode, modKeyCode;
        bool enabled;  // checka: any whole number but 0
    };
    const Case cases[] = {
        {L"44", 44, 44, true},         {L"0", 0, 0, false},       {L"1", 1, 1, true},
        {L" 68 ", 68, 68, true},       {L"+5", 5, 5, true},       {L"255", 255, 255, true},
        {L"256", 0, 256, true},        {L"-1", 0, 0, true},       {L"", 0, 0, false},
        {L"abc", 0, 0, false},         {L"12abc", 0, 0, false},   {L"4.5", 0, 0, false},
        {L"0x2C", 0, 0, false},        {L"-", 0, 0, false},       {L"99999999999999999999", 0, 0, true},
        {L"65535", 0, 65535, true},    {L"65536", 0, 0, true},    {L"2", 2, 2, true},
        {L" -0 ", 0, 0, false},        {L"000", 0, 0, false},     {L"+", 0, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.stored)));
        EXPECT_EQ(ReadNumber(kHotKeyKeyCode, c.stored), c.keyCode);
        EXPECT_EQ(ReadNumber(kHotKeyModKeyCode, c.stored), c.modKeyCode);
        EXPECT_EQ(ReadFlag(c.stored), c.enabled);
    }
    EXPECT_EQ(ParseWholeNumber(L"-2147483648"), -2147483648LL);
    EXPECT_EQ(ParseWholeNumber(L"2147483648"), std::nullopt);
}
