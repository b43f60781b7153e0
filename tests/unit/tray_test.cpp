// The tray icon's notifications as the settings window reads them, and the
// main menu `cd` as a table.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>

#include "tray/TrayNotify.h"

using namespace vellumo;

namespace {
constexpr std::uint64_t kIcon = 0x1A0035;  // an icon handle value: the icon's id
}

TEST(TrayNotification, OnlyAButtonReleaseOnTheIconOpensTheMenu) {
    struct Case {
        unsigned message;
        bool opens;
    };
    const Case cases[] = {
        {0x200, false},  // the pointer passing over the icon
        {0x201, false},  // left press, not yet released
        {514, true},     // left release
        {0x203, false},  // left double-click
        {0x204, false},  // right press
        {517, true},     // right release
        {0x206, false},  // right double-click
        {0x207, false}, {0x208, false},  // middle press and release
        {513, false}, {515, false}, {516, false}, {518, false},  // just beside each release
        {0x7B, false},   // WM_CONTEXTMENU of the newer protocol
        {0x400, false},  // NIN_SELECT
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TrayMessageOpensMenu(c.message), c.opens) << c.message;
        const SettingsMouseMove m = DecodeSettingsMouseMove(kIcon, c.message, kIcon, true);
        EXPECT_EQ(m.openTrayMenu, c.opens) << c.message;
        EXPECT_FALSE(m.dragWindow) << "a notification never drags the window: " << c.message;
    }
    // The same, posted rather than sent: still the icon's, never a drag.
    EXPECT_EQ(DecodeSettingsMouseMove(kIcon, 517, kIcon, false), (SettingsMouseMove{false, true}));
    EXPECT_EQ(DecodeSettingsMouseMove(kIcon, 0x201, kIcon, false), (SettingsMouseMove{false, false}));
    // The mouse message sits in the low word, as the X coordinate of a move.
    EXPECT_TRUE(DecodeSettingsMouseMove(kIcon, 0x7FFF0000 | 514, kIcon, true).openTrayMenu);
}

TEST(TrayNotification, RealPointerMovesDragOnlyWithTheLeftButtonAndOpenNothing) {
    const auto at = [](int x, int y) { return static_cast<std::int64_t>((y << 16) | x); };
    // wParam carries the button flags of a real move.
    EXPECT_EQ(DecodeSettingsMouseMove(0x0000, at(10, 10), kIcon, false), (SettingsMouseMove{false, false}));
    EXPECT_EQ(DecodeSettingsMouseMove(0x0001, at(10, 10), kIcon, false), (SettingsMouseMove{true, false}));
    EXPECT_EQ(DecodeSettingsMouseMove(0x0003, at(10, 10), kIcon, false), (SettingsMouseMove{true, false}));
    EXPECT_EQ(DecodeSettingsMouseMove(0x0002, at(10, 10), kIcon, false), (SettingsMouseMove{false, false}));
    EXPECT_EQ(DecodeSettingsMouseMove(0x0004, at(10, 10), kIcon, false), (SettingsMouseMove{false, false}));
    // A sent move (not the user's pointer) never starts the system's move loop.
    EXPECT_EQ(DecodeSettingsMouseMove(0x0001, at(10, 10), kIcon, true), (SettingsMouseMove{false, false}));
    // A real move whose X happens to read 514 or 517 is a move, not a click.
    EXPECT_EQ(DecodeSettingsMouseMove(0x0000, at(514, 3), kIcon, false), (SettingsMouseMove{false, false}));
    EXPECT_EQ(DecodeSettingsMouseMove(0x0000, at(517, 0), kIcon, false), (SettingsMouseMove{false, false}));
}

// What the menu builder and the click handler rely on, whatever the entries.
TEST(TrayMenu, EveryEntryCanBeBuiltFoundAndToldApart) {
    const auto menu = TrayMenuEntries();
    std::set<unsigned> ids;
    std::set<std::wstring> captions;
    std::map<TrayMenuItem, int> inSubmenu;
    std::set<TrayMenuItem> seenSubmenus;
    for (const TrayMenuEntry& e : menu) {
        SCOPED_TRACE(static_cast<unsigned>(e.item));
        // A submenu's entries come after it, so a builder can fill it in order.
        if (e.parent) {
            EXPECT_TRUE(seenSubmenus.count(*e.parent));
            ++inSubmenu[*e.parent];
            // An entry of a greyed submenu cannot be reached: it is greyed too.
            if (!FindTrayMenuEntry(*e.parent)->inUse) EXPECT_FALSE(e.inUse);
        }
        if (e.opensSubmenu) seenSubmenus.insert(e.item);
        // Command ids are distinct and clear of 0 (what a dismissed menu returns).
        EXPECT_GT(static_cast<unsigned>(e.item), 0u);
        EXPECT_TRUE(ids.insert(static_cast<unsigned>(e.item)).second);
        EXPECT_EQ(FindTrayMenuEntry(e.item), &e);
        // The user tells the entries apart by their captions.
        EXPECT_FALSE(std::wstring(e.caption).empty());
        EXPECT_TRUE(captions.insert(e.caption).second);
    }
    for (const TrayMenuItem submenu : seenSubmenus) EXPECT_GT(inSubmenu[submenu], 0) << "an empty submenu";
    EXPECT_EQ(FindTrayMenuEntry(static_cast<TrayMenuItem>(0)), nullptr);
    EXPECT_EQ(FindTrayMenuEntry(static_cast<TrayMenuItem>(9999)), nullptr);
}

// Fixed fault: "设置热键", the only way to choose another key when the stored
// one cannot be had, was greyed. Nor may the only way out be.
TEST(TrayMenu, SetHotkeyAndExitAreInUse) {
    for (const TrayMenuItem item : {TrayMenuItem::SetHotkey, TrayMenuItem::Exit}) {
        const TrayMenuEntry* e = FindTrayMenuEntry(item);
        ASSERT_TRUE(e);
        EXPECT_TRUE(e->inUse) << static_cast<unsigned>(item);
        EXPECT_FALSE(e->parent && !FindTrayMenuEntry(*e->parent)->inUse) << static_cast<unsigned>(item) << " sits in a greyed submenu";
    }
}

// The clipboard's picture is pinned from the entry right after the one that
// shows the Floaters, and it can always be chosen.
TEST(TrayMenu, PinClipboardImageFollowsDisplayFloaterAndIsInUse) {
    const auto menu = TrayMenuEntries();
    const auto display = std::find_if(menu.begin(), menu.end(),
                                      [](const TrayMenuEntry& e) { return e.item == TrayMenuItem::ShowFloaterHost; });
    ASSERT_NE(display, menu.end());
    ASSERT_NE(display + 1, menu.end());
    const TrayMenuEntry& pin = *(display + 1);
    EXPECT_EQ(pin.item, TrayMenuItem::PinClipboardImage);
    EXPECT_EQ(std::wstring(pin.caption), L"Pin clipboard image");
    EXPECT_TRUE(pin.inUse);
    EXPECT_FALSE(pin.parent);
    EXPECT_FALSE(pin.opensSubmenu);
}

TEST(TrayMenu, WebPagesAreDistinctPagesOnTheMakersSecureSite) {
    const std::wstring site(kMakerSite);
    EXPECT_TRUE(site.starts_with(L"https://"));
    for (const std::wstring& page : {MakerImagePage(), ProductPage()}) {
        EXPECT_TRUE(page.starts_with(site + L"/")) << std::string(page.begin(), page.end());
        EXPECT_GT(page.size(), site.size() + 1);
        EXPECT_EQ(page.find_first_of(L" \t\r\n"), std::wstring::npos) << "a blank in a URL";
    }
    EXPECT_NE(MakerImagePage(), ProductPage());
}

// Fixed fault: a refused icon was never asked for again. The shell is asked
// a few more times, then not until a new taskbar, which starts afresh.
TEST(TrayIconRetries, ARefusedIconIsTriedAFewTimesAgainAndAfreshAfterANewTaskbar) {
    TrayAddRetries retries;
    for (int i = 0; i < TrayAddRetries::kTries; ++i) {
        const auto delay = retries.Refused();
        ASSERT_TRUE(delay) << "try " << i;
        EXPECT_GE(*delay, 500u);
        EXPECT_LE(*delay, 10000u);
    }
    EXPECT_FALSE(retries.Refused()) << "tries without end";
    EXPECT_FALSE(retries.Refused());
    retries.Reset();  // "TaskbarCreated", or an add that was taken
    EXPECT_TRUE(retries.Refused());
    EXPECT_GE(TrayAddRetries::kTries, 3);
}

// The history's submenu: its fixed entries, and ids for the listed captures
// that no fixed entry takes.
TEST(TrayMenu, RecentCapturesSubmenu) {
    for (const TrayMenuItem item : {TrayMenuItem::CopyLastCapture, TrayMenuItem::OpenHistoryFolder,
                                    TrayMenuItem::ClearHistory}) {
        const TrayMenuEntry* e = FindTrayMenuEntry(item);
        ASSERT_TRUE(e);
        EXPECT_EQ(e->parent, TrayMenuItem::RecentCaptures);
        EXPECT_TRUE(e->inUse);
    }
    for (const TrayMenuEntry& e : TrayMenuEntries()) EXPECT_FALSE(RecentCaptureIndex(static_cast<unsigned>(e.item)));
    EXPECT_EQ(RecentCaptureIndex(kFirstRecentCaptureId), 0u);
    EXPECT_EQ(RecentCaptureIndex(kFirstRecentCaptureId + 9), 9u);
    EXPECT_FALSE(RecentCaptureIndex(kFirstRecentCaptureId + 10));
    EXPECT_FALSE(RecentCaptureIndex(kFirstRecentCaptureId - 1));
}
