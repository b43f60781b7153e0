// The resident bench's own logic: the hotkey it writes, registers and presses
// must be one and the same key, and its idle check must read the kernel's
// CPU counters right, or the figures time something else.
#include <gtest/gtest.h>
#include <unistd.h>

#include "bench/ProcIdle.h"
#include "bench/ResidentHotkey.h"

namespace vellumo::bench {
namespace {

TEST(ResidentHotkey, ParsesKeyCodeAndModifiersOfKeysItCanPress) {
    const auto print = ParseHotkey("44:0");
    ASSERT_TRUE(print);
    EXPECT_EQ(print->keyCode, 44);
    EXPECT_EQ(print->modifiers, 0);
    const auto f9 = ParseHotkey("120:3");
    ASSERT_TRUE(f9);
    EXPECT_EQ(f9->keyCode, 120);
    EXPECT_EQ(f9->modifiers, kCtrl | kAlt);
    for (const char* bad : {"", "44", ":0", "44:", "44:16", "44:-1", "x:0", "44:0x", "13:0", "124:0", " 44:0"})
        EXPECT_FALSE(ParseHotkey(bad)) << '"' << bad << '"';
}

TEST(ResidentHotkey, PressesTheXKeysWineMapsToTheVirtualKey) {
    EXPECT_EQ(KeysymFor(44), XK_Print);
    EXPECT_EQ(KeysymFor(112), XK_F1);
    EXPECT_EQ(KeysymFor(123), XK_F12);
    EXPECT_EQ(KeysymFor('S'), XK_s);
    EXPECT_EQ(KeysymFor('7'), XK_7);
    EXPECT_FALSE(KeysymFor(0));
    using Keys = std::vector<unsigned long>;
    EXPECT_EQ(ModifierKeysyms(0), Keys{});
    EXPECT_EQ(ModifierKeysyms(kAlt | kCtrl | kShift | kWin),
              (Keys{XK_Control_L, XK_Alt_L, XK_Shift_L, XK_Super_L}));
}

TEST(ResidentHotkey, SetIniHoldsTheSameKeyInTheControlsOrderSwitchedOn) {
    EXPECT_EQ(SetIniText({44, 0}),
              "[hotkey]\r\nHotKey1Text=Print Screen\r\nHotKey1KeyCode=44\r\nHotKey1ModKeyCode=0\r\n"
              "HideFloatersText=F11\r\nHideFloatersKeyCode=122\r\nHideFloatersModKeyCode=0\r\n"
              "[check]\r\nchecka=1\r\n");
    EXPECT_EQ(HotkeyText({120, kAlt | kCtrl | kShift | kWin}), "Win + Ctrl + Alt + Shift + F9");
    EXPECT_EQ(HotkeyText({'S', kCtrl | kShift}), "Ctrl + Shift + S");
}

TEST(CpuTicks, AddsUserAndSystemTimeAfterANameWithSpacesAndParentheses) {
    // Fields 14 and 15 are 1234 and 56.
    const std::string stat =
        "4242 (wine (x) y) S 1 4242 4242 0 -1 4194560 100 0 0 0 1234 56 0 0 20 0 3 0 100 1000 200";
    EXPECT_EQ(CpuTicks(stat), 1290);
    EXPECT_FALSE(CpuTicks(""));
    EXPECT_FALSE(CpuTicks("4242 (wine) S 1 4242")) << "cut short";
    EXPECT_FALSE(CpuTicks("4242 (wine) S 1 4242 4242 0 -1 4194560 100 0 0 0 12x4 56 0")) << "not a number";
}

TEST(CpuTicks, ReadsALiveProcessAndWaitIdleGivesUpOnAGoneOne) {
    EXPECT_TRUE(CpuTicks(getpid()));
    EXPECT_FALSE(WaitIdle(-1, std::chrono::milliseconds(10), std::chrono::milliseconds(50)));
}

}  // namespace
}  // namespace vellumo::bench
