// The settings window's layout and the rules its handlers apply.
#include <gtest/gtest.h>

#include <cwchar>
#include <set>
#include <string>

#include "settings/SettForm.h"

using namespace vellumo;

TEST(SettForm, TwipsBecomePixelsAtTheScreensDpi) {
    struct Case {
        int twips, dpi, px;
    };
    const Case cases[] = {
        {5865, 96, 391}, {2175, 96, 145},  // the window's client area at 96 dpi
        {15, 96, 1},     {7, 96, 0},       {8, 96, 1},  // just below, at and above half a pixel
        {0, 96, 0},      {-15, 96, -1},    {-8, 96, -1},  {-7, 96, 0},
        {5865, 120, 489}, {2175, 120, 181},  // 125 % scaling
        {5865, 144, 587}, {1440, 144, 144},  // 150 %
    };
    for (const Case& c : cases) EXPECT_EQ(TwipsToPixels(c.twips, c.dpi), c.px) << c.twips << " @" << c.dpi;
}

TEST(SettForm, ControlsCaptionsPlacesAndTabOrder) {
    const auto& controls = SettControlsInTabOrder();
    struct Want {
        SettControl control;
        std::wstring caption;
        Rect twips;
    };
    const Want want[] = {
        {SettControl::chkCheck1, L"启用", {4200, 1920, 975, 375}},
        {SettControl::Command1, L"保存", {1440, 1080, 2175, 495}},
        {SettControl::Command2, L"隐藏", {120, 1680, 975, 375}},
        {SettControl::Command3, L"默认热键为Print Screen", {3840, 360, 1335, 420}},
        {SettControl::Label1, L"设置热键：", {240, 360, 975, 375}},
        {SettControl::HotKey1, L"", {1560, 240, 855, 495}},
    };
    ASSERT_EQ(controls.size(), std::size(want));
    for (std::size_t i = 0; i < controls.size(); ++i) {
        EXPECT_EQ(controls[i].control, want[i].control) << i;
        EXPECT_EQ(controls[i].tabIndex, static_cast<int>(i));
        EXPECT_EQ(std::wstring(controls[i].caption), want[i].caption) << i;
        EXPECT_EQ(controls[i].twips, want[i].twips) << i;
        // Every control starts inside the window (the box's lower edge is cut by its bottom).
        EXPECT_LT(controls[i].twips.left, kSettClientTwips.width) << i;
        EXPECT_LT(controls[i].twips.top, kSettClientTwips.height) << i;
    }
    EXPECT_EQ(std::wstring(kSettTitle), L"Form1");
}

// Fixed faults: a first start stored nothing and registered nothing; a
// stored key code that cannot be a hotkey left no hotkey at all.
TEST(SettForm, AnUnusableStoredKeyCodeTakesPrintScreenAndAUsableOneIsKept) {
    for (const wchar_t* stored : {L"", L"abc", L"0", L"-5", L"255", L"300", L"99999999999", L"16", L"17", L"18",
                                  L"91", L"92", L"160", L"165", L"1", L"2", L"44x"})
        EXPECT_TRUE(TakesDefaultHotKey(stored)) << std::string(stored, stored + std::wcslen(stored));
    for (const wchar_t* stored : {L"44", L"83", L"120", L"3", L"8", L"254", L" 120 ", L"+65", L"159", L"166"})
        EXPECT_FALSE(TakesDefaultHotKey(stored)) << std::string(stored, stored + std::wcslen(stored));
    EXPECT_EQ(kDefaultHotKeyCode, 44);
    EXPECT_EQ(std::wstring(kDefaultHotKeyText), L"Print Screen");
}

TEST(SettForm, HotKeyReturnsATranslucentHostToNormalAndOtherwiseCaptures) {
    EXPECT_EQ(OnHotKeyPressed(L"0", true), HotKeyAction::StartCapture);
    EXPECT_EQ(OnHotKeyPressed(L"1", true), HotKeyAction::BackToNormal);
    EXPECT_EQ(OnHotKeyPressed(L"", true), HotKeyAction::BackToNormal);   // anything but "0"
    EXPECT_EQ(OnHotKeyPressed(L"00", true), HotKeyAction::BackToNormal);
    EXPECT_EQ(OnHotKeyPressed(L"1", false), HotKeyAction::StartCapture);  // no host: nothing to restore
    EXPECT_EQ(OnHotKeyPressed(L"0", false), HotKeyAction::StartCapture);
}
