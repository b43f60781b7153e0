// The hotkey box's composition, key by key, with made-up key names.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hotkey/HotKeyLook.h"
#include "hotkey/KeyCombo.h"

using namespace vellumo::hotkey;

namespace {

std::wstring FakeKeyName(int vk) {
    switch (vk) {
        case 65: return L"A";
        case 83: return L"S";
        case 116: return L"F5";
        case 44: return L"Print Screen";
        default: return L"#" + std::to_wstring(vk);
    }
}

constexpr int Shift = kShiftMask, Ctrl = kCtrlMask, Alt = kAltMask;

// One key event as the text box reports it: the shift flags are those held
// once the key itself is down (or up).
struct Event {
    bool down;
    int vk;
    int shift;
};
Event Down(int vk, int shift) { return {true, vk, shift}; }
Event Up(int vk, int shift) { return {false, vk, shift}; }

Combination Play(KeyComposer& c, const std::vector<Event>& events) {
    for (const Event& e : events) {
        if (KeyComposer::Ignored(e.vk)) continue;
        if (e.down)
            c.KeyDown(e.vk, e.shift);
        else
            c.KeyUp(e.vk);
    }
    return c.combination();
}

Combination Play(const std::vector<Event>& events) {
    KeyComposer c(FakeKeyName);
    return Play(c, events);
}

}  // namespace

TEST(HotKeyCompose, CombinationsFromRealKeySequences) {
    struct Case {
        const char* name;
        std::vector<Event> events;
        Combination want;
    };
    const std::vector<Case> cases = {
        {"Ctrl+Shift+S, all released",
         {Down(17, Ctrl), Down(16, Ctrl | Shift), Down(83, Ctrl | Shift), Up(83, Ctrl | Shift), Up(16, Ctrl),
          Up(17, 0)},
         {L"Ctrl + Shift + S", 83, 6}},
        {"Alt+Shift+F5, Shift first",
         {Down(16, Shift), Down(18, Shift | Alt), Down(116, Shift | Alt), Up(116, Shift | Alt)},
         {L"Alt + Shift + F5", 116, 5}},
        {"Alt+Shift+F5, Alt first",
         {Down(18, Alt), Down(16, Shift | Alt), Down(116, Shift | Alt), Up(18, Shift), Up(16, 0), Up(116, 0)},
         {L"Alt + Shift + F5", 116, 5}},
        {"Ctrl+Alt+Shift+A keeps the word order",
         {Down(16, Shift), Down(18, Shift | Alt), Down(17, Shift | Alt | Ctrl), Down(65, Shift | Alt | Ctrl)},
         {L"Ctrl + Alt + Shift + A", 65, 7}},
        {"Win+A", {Down(91, 0), Down(65, 0), Up(65, 0)}, {L"Win + A", 65, 8}},
        {"Win+Ctrl+S", {Down(91, 0), Down(17, Ctrl), Down(83, Ctrl)}, {L"Win + Ctrl + S", 83, 10}},
        {"a plain key", {Down(116, 0), Up(116, 0)}, {L"F5", 116, 0}},
        {"Ctrl held shows the word", {Down(17, Ctrl)}, {L"Ctrl + ", 0, 2}},
        {"Ctrl released reverts to NULL", {Down(17, Ctrl), Up(17, 0)}, {L"NULL", 0, 0}},
        {"Ctrl+Alt released one by one", {Down(17, Ctrl), Down(18, Ctrl | Alt), Up(18, Ctrl)}, {L"NULL", 0, 0}},
        {"Win alone reverts to NULL", {Down(91, 0), Up(91, 0)}, {L"NULL", 0, 0}},
        {"the last combination stays after its keys are up",
         {Down(17, Ctrl), Down(83, Ctrl), Up(83, Ctrl), Up(17, 0), Down(65, 0), Up(65, 0)},
         {L"A", 65, 0}},
        {"a modifier after a complete combination starts over",
         {Down(83, 0), Up(83, 0), Down(17, Ctrl)},
         {L"Ctrl + ", 0, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Combination got = Play(c.events);
        EXPECT_EQ(got.text, c.want.text);
        EXPECT_EQ(got.keyCode, c.want.keyCode);
        EXPECT_EQ(got.modKeyCode, c.want.modKeyCode);
    }
}

TEST(HotKeyCompose, MenuKeyChangesNothing) {
    KeyComposer c(FakeKeyName);
    Play(c, {Down(17, Ctrl), Down(83, Ctrl)});
    const Combination before = c.combination();
    EXPECT_TRUE(KeyComposer::Ignored(kVkApps));
    EXPECT_FALSE(KeyComposer::Ignored(92));
    EXPECT_EQ(Play(c, {Down(93, Ctrl)}), before);
    // Also not while only modifiers are held.
    KeyComposer m(FakeKeyName);
    Play(m, {Down(18, Alt)});
    EXPECT_EQ(Play(m, {Down(93, Alt)}), (Combination{L"Alt + ", 0, 1}));
}

TEST(HotKeyCompose, WinLatchFollowsTheLeftWindowsKey) {
    KeyComposer c(FakeKeyName);
    Play(c, {Down(91, 0)});
    EXPECT_TRUE(c.winLatch());
    Play(c, {Down(65, 0), Up(65, 0), Up(91, 0)});
    EXPECT_FALSE(c.winLatch());
    // Released: the next key stands alone again.
    EXPECT_EQ(Play(c, {Down(83, 0)}), (Combination{L"S", 83, 0}));
    // The right Windows key is an ordinary key here.
    EXPECT_EQ(Play(c, {Down(92, 0)}).text, L"#92");
    EXPECT_FALSE(c.winLatch());
}

TEST(HotKeyCompose, PrtLatchStaysForEveryLaterCombination) {
    KeyComposer c(FakeKeyName);
    EXPECT_EQ(Play(c, {Down(44, 0), Up(44, 0)}), (Combination{L"Prt + Print Screen", 44, 68}));
    EXPECT_TRUE(c.prtLatch());
    EXPECT_EQ(Play(c, {Down(83, 0)}), (Combination{L"Prt + S", 83, 68}));
    EXPECT_EQ(Play(c, {Down(17, Ctrl), Down(83, Ctrl)}), (Combination{L"Prt + Ctrl + S", 83, 70}));
    EXPECT_EQ(Play(c, {Down(18, Alt), Down(116, Alt)}), (Combination{L"Prt + Alt + F5", 116, 69}));
    // Shift's bit is already in the base.
    EXPECT_EQ(Play(c, {Down(16, Shift), Down(65, Shift)}), (Combination{L"Prt + Shift + A", 65, 68}));
    // "Prt + " replaces "Win + ".
    EXPECT_EQ(Play(c, {Down(91, 0), Down(65, 0)}), (Combination{L"Prt + A", 65, 68}));
    // Modifiers alone still revert to NULL; the latch survives that.
    EXPECT_EQ(Play(c, {Up(91, 0), Down(17, Ctrl), Up(17, 0)}), Combination{});
    EXPECT_TRUE(c.prtLatch());
    EXPECT_EQ(Play(c, {Down(65, 0)}).text, L"Prt + A");
}

TEST(HotKeyCompose, SetCombinationIsWhatKeyUpChecks) {
    KeyComposer c(FakeKeyName);
    c.Set({L"Print Screen", 44, 0});
    // A key-up without a key-down (Print Screen on Windows) keeps a set combination.
    EXPECT_EQ(Play(c, {Up(44, 0)}), (Combination{L"Print Screen", 44, 0}));
    c.Set({L"stale text", 0, 3});
    EXPECT_EQ(Play(c, {Up(65, 0)}), Combination{});
}

// 68 = 0x40 | 4: 0x40 is no modifier RegisterHotKey accepts, and the 4 is the
// base, not Shift.
TEST(HotKeyRegister, PrtValuesRegisterWithoutInvalidBits) {
    struct Case {
        int stored, registered;
    };
    const Case cases[] = {
        {0, 0},   {1, 1},   {2, 2},  {4, 4},  {6, 6},  {8, 8}, {15, 15},
        {68, 0},  {69, 1},  {70, 2}, {71, 3},                       // Prt latch values
        {0x10, 0}, {0x4006, 6}, {0x14, 4},                          // stray bits are dropped
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        EXPECT_EQ(RegisteredModifiers(c.stored), c.registered);
        EXPECT_EQ(RegisteredModifiers(c.stored) & ~(kModAlt | kModControl | kModShift | kModWin), 0);
    }
}

// The box's frame for each border style and appearance: the defaults give the
// sunken 3D edge, a flat look a one-pixel line, border style 0 none whatever
// the look; a value other than 0 counts as 1.
TEST(HotKeyLook, BorderStyleAndAppearanceGiveTheBoxItsFrame) {
    struct Case {
        int borderStyle, appearance;
        EditFrame frame;
    };
    const Case cases[] = {
        {1, 1, {true, false}}, {1, 0, {false, true}}, {0, 1, {}},  {0, 0, {}},
        {2, 1, {true, false}}, {1, 7, {true, false}}, {-1, 0, {false, true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.borderStyle) + "/" + std::to_string(c.appearance));
        EXPECT_EQ(FrameFor(c.borderStyle, c.appearance), c.frame);
    }
    const Look look;
    EXPECT_EQ(FrameFor(look.borderStyle, look.appearance), (EditFrame{true, false}));
    EXPECT_EQ(look.backColor, 0x80000005u) << "the system's window background";
    EXPECT_EQ(look.foreColor, 0x80000008u) << "the system's window text";
    EXPECT_TRUE(look.enabled);
    EXPECT_TRUE(look.toolTipText.empty());
}
