// The tray icon's notifications as the settings window reads them, and the
// main menu `cd` as a table.
#include <gtest/gtest.h>

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
        const SettMouseMove m = DecodeSettMouseMove(kIcon, c.message, kIcon, true);
        EXPECT_EQ(m.openTrayMenu, c.opens) << c.message;
        EXPECT_FALSE(m.dragWindow) << "a notification never drags the window: " << c.message;
    }
    // The same, posted rather than sent: still the icon's, never a drag.
    EXPECT_EQ(DecodeSettMouseMove(kIcon, 517, kIcon, false), (SettMouseMove{false, true}));
    EXPECT_EQ(DecodeSettMouseMove(kIcon, 0x201, kIcon, false), (SettMouseMove{false, false}));
    // The mouse message sits in the low word, as the X coordinate of a move.
    EXPECT_TRUE(DecodeSettMouseMove(kIcon, 0x7FFF0000 | 514, kIcon, true).openTrayMenu);
}

TEST(TrayNotification, RealPointerMovesDragOnlyWithTheLeftButtonAndOpenNothing) {
    const auto at = [](int x, int y) { return static_cast<std::int64_t>((y << 16) | x); };
    // wParam carries the button flags of a real move.
    EXPECT_EQ(DecodeSettMouseMove(0x0000, at(10, 10), kIcon, false), (SettMouseMove{false, false}));
    EXPECT_EQ(DecodeSettMouseMove(0x0001, at(10, 10), kIcon, false), (SettMouseMove{true, false}));
    EXPECT_EQ(DecodeSettMouseMove(0x0003, at(10, 10), kIcon, false), (SettMouseMove{true, false}));
    EXPECT_EQ(DecodeSettMouseMove(0x0002, at(10, 10), kIcon, false), (SettMouseMove{false, false}));
    EXPECT_EQ(DecodeSettMouseMove(0x0004, at(10, 10), kIcon, false), (SettMouseMove{false, false}));
    // A sent move (not the user's pointer) never starts the system's move loop.
    EXPECT_EQ(DecodeSettMouseMove(0x0001, at(10, 10), kIcon, true), (SettMouseMove{false, false}));
    // A real move whose X happens to read 514 or 517 is a move, not a click.
    EXPECT_EQ(DecodeSettMouseMove(0x0000, at(514, 3), kIcon, false), (SettMouseMove{false, false}));
    EXPECT_EQ(DecodeSettMouseMove(0x0000, at(517, 0), kIcon, false), (SettMouseMove{false, false}));
}

TEST(TrayMenu, EntriesInDisplayOrderWithTheirCaptionsUseAndSubmenus) {
    struct Want {
        CdItem item;
        const char* name;
        std::wstring caption;
        bool inUse;
        std::optional<CdItem> parent;
        bool submenu;
    };
    const Want want[] = {
        {CdItem::ycck, "ycck", L"隐藏图标", false, {}, false},
        {CdItem::xsck, "xsck", L"显示图标", false, {}, false},
        {CdItem::tmd, "tmd", L"透明度", false, {}, true},
        {CdItem::tmw, "tmw", L"50%透明", false, CdItem::tmd, false},
        {CdItem::tmq, "tmq", L"75%透明", false, CdItem::tmd, false},
        {CdItem::zhengchan, "zhengchan", L"恢复正常", false, CdItem::tmd, false},
        {CdItem::kjj, "kjj", L"设置热键", true, {}, false},
        {CdItem::dfer, "dfer", L"Display Floater", true, {}, false},
        {CdItem::pinclip, "pinclip", L"Pin clipboard image", true, {}, false},
        {CdItem::bdi, "bdi", L"Orrindal:image:", true, {}, false},
        {CdItem::abouthis, "abouthis", L"About", true, {}, true},
        {CdItem::aapp, "aapp", L"About App", true, CdItem::abouthis, false},
        {CdItem::exit, "exit", L"Exit", true, {}, false},
    };
    const auto menu = CdMenu();
    ASSERT_EQ(menu.size(), std::size(want));
    std::set<unsigned> ids;
    std::set<CdItem> seenSubmenus;
    for (std::size_t i = 0; i < menu.size(); ++i) {
        const CdEntry& e = menu[i];
        EXPECT_EQ(e.item, want[i].item) << i;
        EXPECT_STREQ(e.name, want[i].name) << i;
        EXPECT_EQ(std::wstring(e.caption), want[i].caption) << e.name;
        EXPECT_EQ(e.inUse, want[i].inUse) << e.name;
        EXPECT_EQ(e.parent, want[i].parent) << e.name;
        EXPECT_EQ(e.opensSubmenu, want[i].submenu) << e.name;
        // A submenu's entries come after it, so a builder can fill it in order.
        if (e.parent) EXPECT_TRUE(seenSubmenus.count(*e.parent)) << e.name;
        if (e.opensSubmenu) seenSubmenus.insert(e.item);
        // Command ids are distinct and clear of 0 (what a dismissed menu returns).
        EXPECT_GT(static_cast<unsigned>(e.item), 0u);
        EXPECT_TRUE(ids.insert(static_cast<unsigned>(e.item)).second) << e.name;
        EXPECT_EQ(FindCdEntry(e.item), &e);
    }
    EXPECT_EQ(FindCdEntry(static_cast<CdItem>(0)), nullptr);
    EXPECT_EQ(FindCdEntry(static_cast<CdItem>(9999)), nullptr);
}

TEST(TrayMenu, WebPagesAreOnTheMakersSite) {
    EXPECT_EQ(MakerImagePage(), L"https://www.vellumo.app/do/image.html");
    EXPECT_EQ(ProductPage(), L"https://www.vellumo.app/apps/vellumo/index.html?v=1.0");
}
