// The settings window's layout and the rules its handlers apply.
#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "settings/HotkeyActions.h"
#include "settings/SettingsLayout.h"
#include "settings/StartUp.h"

using namespace vellumo;

TEST(SettingsLayout, TwipsBecomePixelsAtTheScreensDpi) {
    struct Case {
        int twips, dpi, px;
    };
    const Case cases[] = {
        {5865, 96, 391}, {2175, 96, 145},  // the window's client area at 96 dpi
        {15, 96, 1},     {7, 96, 0},       {8, 96, 1},  // just below, at and above half a pixel
        {0, 96, 0},      {-15, 96, -1},    {-8, 96, -1},  {-7, 96, 0},
        {5865, 120, 489}, {2175, 120, 181},  // 125 % scaling
        {5865, 144, 587}, {1440, 144, 144},  // 150 %
        {5865, 0, 391},  {2175, -1, 145},   // a DPI that cannot be real counts as 96, not as 0
    };
    for (const Case& c : cases) EXPECT_EQ(TwipsToPixels(c.twips, c.dpi), c.px) << c.twips << " @" << c.dpi;
}

// What the window builder relies on: each control once, in tab order, with a
// caption where the user reads one, inside the window and clear of the others.
TEST(SettingsLayout, EveryControlOnceInTabOrderInsideTheWindowAndClearOfTheOthers) {
    const auto& controls = SettingsControlsInTabOrder();
    std::set<SettingsControl> seen;
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const SettingsControlSpec& c = controls[i];
        SCOPED_TRACE(i);
        EXPECT_TRUE(seen.insert(c.control).second) << "listed twice";
        EXPECT_EQ(c.tabIndex, static_cast<int>(i));
        EXPECT_EQ(std::wstring(c.caption).empty(), c.kind == SettingsControlKind::HotKey);
        EXPECT_GT(c.twips.width, 0);
        EXPECT_GT(c.twips.height, 0);
        // Inside the window across; it may start low enough to be cut by the bottom edge.
        EXPECT_GE(c.twips.left, 0);
        EXPECT_LE(c.twips.right(), kSettingsClientTwips.width);
        EXPECT_GE(c.twips.top, 0);
        EXPECT_LT(c.twips.top, kSettingsClientTwips.height);
        for (std::size_t j = 0; j < i; ++j)
            EXPECT_TRUE(Intersect(c.twips, controls[j].twips).empty()) << "overlaps control " << j;
    }
    EXPECT_EQ(seen.size(), 6u) << "every control of the window";
    // One box a user types into: the hotkey's.
    EXPECT_EQ(std::count_if(controls.begin(), controls.end(),
                            [](const SettingsControlSpec& c) { return c.kind == SettingsControlKind::HotKey; }),
              1);
}

// Fixed faults: a first start stored nothing and registered nothing; a
// stored key code that cannot be a hotkey left no hotkey at all.
TEST(SettingsLayout, AnUnusableStoredKeyCodeTakesPrintScreenAndAUsableOneIsKept) {
    for (const wchar_t* stored : {L"", L"abc", L"0", L"-5", L"255", L"300", L"99999999999", L"16", L"17", L"18",
                                  L"91", L"92", L"160", L"165", L"1", L"2", L"44x"})
        EXPECT_TRUE(TakesDefaultHotKey(stored)) << std::string(stored, stored + std::wcslen(stored));
    for (const wchar_t* stored : {L"44", L"83", L"120", L"3", L"8", L"254", L" 120 ", L"+65", L"159", L"166"})
        EXPECT_FALSE(TakesDefaultHotKey(stored)) << std::string(stored, stored + std::wcslen(stored));
    EXPECT_EQ(kDefaultHotKeyCode, 44);
    EXPECT_EQ(std::wstring(kDefaultHotKeyText), L"Print Screen");
}


// The rows of the optional hotkeys, their marks and the pointer box: inside
// the grown window, clear of each other and of the first controls.
TEST(SettingsLayout, HotkeyRowsAndThePointerBoxFitClearOfEverything) {
    std::vector<std::pair<std::string, Rect>> all;
    for (const SettingsControlSpec& c : SettingsControlsInTabOrder()) all.push_back({"control", c.twips});
    all.push_back({"start-up box", kStartUpBoxTwips});
    all.push_back({"capture mark", kCaptureHotkeyMarkTwips});
    all.push_back({"pointer box", kCursorBoxTwips});
    const std::size_t rows = HotkeyActions().size() - 1;
    for (std::size_t r = 0; r < rows; ++r)
        for (HotkeyRowPart p : {HotkeyRowPart::Caption, HotkeyRowPart::Box, HotkeyRowPart::Mark})
            all.push_back({"row " + std::to_string(r) + " part " + std::to_string(static_cast<int>(p)),
                           HotkeyRowTwips(r, p)});
    for (std::size_t i = 0; i < all.size(); ++i) {
        const Rect& a = all[i].second;
        SCOPED_TRACE(all[i].first);
        EXPECT_GE(a.left, 0);
        EXPECT_LE(a.right(), kSettingsClientTwips.width);
        if (i >= SettingsControlsInTabOrder().size()) EXPECT_LE(a.bottom(), kSettingsClientTwips.height);
        for (std::size_t j = 0; j < i; ++j)
            EXPECT_TRUE(Intersect(a, all[j].second).empty()) << "overlaps " << all[j].first;
    }
    // The last row's box stands above the pointer box.
    EXPECT_LE(HotkeyRowTwips(rows - 1, HotkeyRowPart::Box).bottom(), kCursorBoxTwips.top);
}
