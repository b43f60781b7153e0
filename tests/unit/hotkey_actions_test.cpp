// The table of hotkey actions and the rule that keeps two actions off one
// combination at a save.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "settings/HotkeyActions.h"

namespace vellumo {
namespace {

using hotkey::Combination;
const Combination kNone{};
const Combination kPrint{L"Print Screen", 44, 0};
const Combination kCtrlF9{L"Ctrl + F9", 120, 2};
const Combination kCtrlF10{L"Ctrl + F10", 121, 2};

std::vector<Combination> Nones() { return std::vector<Combination>(HotkeyActions().size()); }
constexpr std::size_t kLast = 1, kDelayed = 2, kHide = 7;

TEST(HotkeyActions, NamesAreTheStoredOnesEachOnceCaptureFirst) {
    std::set<std::wstring> names;
    for (const HotkeyActionEntry& a : HotkeyActions()) names.insert(a.name);
    EXPECT_EQ(names.size(), HotkeyActions().size());
    EXPECT_EQ(names, (std::set<std::wstring>{L"HotKey1", L"LastRegion", L"Delayed", L"PinClipboard", L"CopyLast",
                                             L"ReopenFloater", L"TakeClicks", L"HideFloaters"}));
    EXPECT_EQ(HotkeyActions().front().action, HotkeyAction::Capture);
    EXPECT_STREQ(HotkeyActionOf(HotkeyAction::Delayed).name, L"Delayed");
    EXPECT_EQ(HotkeyActions()[kHide].action, HotkeyAction::HideFloaters);
}

TEST(HotkeyActions, SameHotkeyIsTheRegisteredKeyNotTheText) {
    EXPECT_TRUE(SameHotkey(kCtrlF9, Combination{L"anything", 120, 2}));
    EXPECT_FALSE(SameHotkey(kCtrlF9, kCtrlF10));
    EXPECT_FALSE(SameHotkey(kCtrlF9, Combination{L"Ctrl + F9", 120, 3}));
    // The Prt marker registers as Print Screen alone: one hotkey.
    EXPECT_TRUE(SameHotkey(kPrint, Combination{L"Prt + Print Screen", 44, 68}));
    // None is no hotkey, so two actions with none never clash.
    EXPECT_FALSE(SameHotkey(kNone, kNone));
    EXPECT_FALSE(SameHotkey(Combination{L"Shift", 16, 4}, Combination{L"Shift", 16, 4}));
}

TEST(HotkeyActions, TheActionJustChangedGivesWayAndKeepsItsOldOne) {
    std::vector<Combination> saved = Nones();
    saved[0] = kPrint;
    saved[kLast] = kCtrlF9;
    saved[kDelayed] = kCtrlF10;
    std::vector<Combination> shown = saved;
    shown[kDelayed] = kCtrlF9;  // the user gives Delayed what LastRegion has

    const auto clashes = ResolveHotkeyClashes(shown, saved);
    ASSERT_EQ(clashes.size(), 1u);
    EXPECT_EQ(clashes[0], (HotkeyClash{kDelayed, kLast, kCtrlF9}));
    EXPECT_EQ(shown[kDelayed], kCtrlF10) << "the old combination is kept";
    EXPECT_EQ(shown[kLast], kCtrlF9);

    // The change was on the earlier row: it gives way all the same.
    shown = saved;
    shown[kLast] = kCtrlF10;
    const auto earlier = ResolveHotkeyClashes(shown, saved);
    ASSERT_EQ(earlier.size(), 1u);
    EXPECT_EQ(earlier[0], (HotkeyClash{kLast, kDelayed, kCtrlF10}));
    EXPECT_EQ(shown[kLast], kCtrlF9);

    // Giving the capture hotkey's Print Screen to another action.
    shown = saved;
    shown[kHide] = kPrint;
    ASSERT_EQ(ResolveHotkeyClashes(shown, saved).size(), 1u);
    EXPECT_EQ(shown[kHide], kNone);
    EXPECT_EQ(shown[0], kPrint);
}

TEST(HotkeyActions, EveryClashIsSettledEvenOnesTheFileHeld) {
    // Both changed to one combination: the later gives way.
    std::vector<Combination> saved = Nones();
    std::vector<Combination> shown = saved;
    shown[kLast] = shown[kHide] = kCtrlF9;
    auto clashes = ResolveHotkeyClashes(shown, saved);
    ASSERT_EQ(clashes.size(), 1u);
    EXPECT_EQ(clashes[0].refused, kHide);
    EXPECT_EQ(shown[kHide], kNone);

    // A hand-edited file with three actions on one key: one keeps it.
    saved = Nones();
    saved[kLast] = saved[kDelayed] = saved[kHide] = kCtrlF9;
    shown = saved;
    clashes = ResolveHotkeyClashes(shown, saved);
    EXPECT_EQ(clashes.size(), 2u);
    EXPECT_EQ(shown[kLast], kCtrlF9);
    EXPECT_EQ(shown[kDelayed], kNone);
    EXPECT_EQ(shown[kHide], kNone);

    // The old combination is taken meanwhile: it falls back to none, not a loop.
    saved = Nones();
    saved[kLast] = kCtrlF9;
    saved[kDelayed] = kCtrlF10;
    shown = saved;
    shown[kLast] = kCtrlF10;   // LastRegion takes Delayed's
    shown[kDelayed] = kCtrlF9; // and Delayed LastRegion's: a swap is fine
    EXPECT_TRUE(ResolveHotkeyClashes(shown, saved).empty());
    EXPECT_EQ(shown[kLast], kCtrlF10);
    EXPECT_EQ(shown[kDelayed], kCtrlF9);
    shown[kHide] = kCtrlF9;  // and a third wants one of them
    clashes = ResolveHotkeyClashes(shown, saved);
    ASSERT_EQ(clashes.size(), 1u);
    EXPECT_EQ(shown[kHide], kNone);
    // No two actions are left with one hotkey.
    for (std::size_t i = 0; i < shown.size(); ++i)
        for (std::size_t j = i + 1; j < shown.size(); ++j) EXPECT_FALSE(SameHotkey(shown[i], shown[j])) << i << j;
}

TEST(HotkeyActions, MessagesNameTheCombinationsAndWhatToDo) {
    const std::wstring clash = HotkeyClashMessage({kDelayed, kLast, kCtrlF9}, kCtrlF10);
    EXPECT_NE(clash.find(L"Ctrl + F9 is already the hotkey of \u201CCapture last region\u201D"), std::wstring::npos)
        << std::string(clash.begin(), clash.end());
    EXPECT_NE(clash.find(L"\u201CCapture after a delay\u201D keeps its old hotkey (Ctrl + F10)"), std::wstring::npos);
    EXPECT_NE(HotkeyClashMessage({kHide, 0, kPrint}, kNone).find(L"(none)"), std::wstring::npos);

    const std::wstring one[] = {L"Print Screen"};
    const std::wstring taken = HotkeyTakenMessage(one);
    EXPECT_EQ(taken.rfind(L"\u70ED\u952E\u6B63\u5728\u4F7F\u7528\n", 0), 0u) << "the control's own words first";
    for (const wchar_t* part : {L"Print Screen is held by another program", L"Print Screen setting", L"OneDrive",
                                L"screen recorders", L"Open the settings window"})
        EXPECT_NE(taken.find(part), std::wstring::npos) << std::string(part, part + wcslen(part));
    const std::wstring three[] = {L"Print Screen", L"Ctrl + F9", L"Alt + F1"};
    EXPECT_NE(HotkeyTakenMessage(three).find(L"Print Screen, Ctrl + F9 and Alt + F1 are held"), std::wstring::npos);
}

}  // namespace
}  // namespace vellumo
