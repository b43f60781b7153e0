#include <gtest/gtest.h>

#include "annotate/Annotate.h"
#include "annotate/Tool.h"
#include "overlay/KeyActions.h"

namespace vellumo {
namespace {

TEST(ToolKeys, EachToolsLetterChoosesItOnASelectionOnly) {
    const OverlayKeyState selected{KeyFocus::Overlay, Mode::Selected, false};
    const auto tools = ToolTable();
    int keyed = 0;
    for (std::size_t i = 0; i < tools.size(); ++i) {
        if (!tools[i].key) continue;
        ++keyed;
        const KeyAction want{KeyCommand::ChooseTool, 0, 0, static_cast<Tool>(i)};
        EXPECT_EQ(DecideKey(selected, {tools[i].key}), want) << i;
        EXPECT_EQ(DecideKey({KeyFocus::Overlay, Mode::Selected, true}, {tools[i].key}), want) << "from another tool";
        EXPECT_EQ(DecideKey({KeyFocus::Overlay, Mode::Detecting, false}, {tools[i].key}), KeyAction{}) << "no selection";
        EXPECT_EQ(DecideKey({KeyFocus::TextBox, Mode::Selected, false}, {tools[i].key}), KeyAction{}) << "typing";
        EXPECT_EQ(DecideKey({KeyFocus::NumberBox, Mode::Selected, false}, {tools[i].key}), KeyAction{}) << "a box";
        EXPECT_EQ(DecideKey(selected, {tools[i].key, false, true}), KeyAction{}) << "with Ctrl";
    }
    EXPECT_GE(keyed, 6);
    // The keys that worked before keep their meaning.
    EXPECT_EQ(DecideKey(selected, {vk::kR}).command, KeyCommand::BackToDetection);
    EXPECT_EQ(DecideKey(selected, {vk::kC}).command, KeyCommand::CopyColourHex);
    EXPECT_EQ(DecideKey(selected, {vk::kC, true}).command, KeyCommand::CopyColourList);
    EXPECT_EQ(DecideKey(selected, {vk::kEscape}).command, KeyCommand::EndCapture);
    EXPECT_EQ(DecideKey(selected, {vk::kS, false, true}).command, KeyCommand::Save);
    EXPECT_EQ(DecideKey(selected, {vk::kZ, false, true}).command, KeyCommand::Undo);
}

TEST(ToolKeys, TabTurnsTheChosenToolsOptionOverWhileTheOverlayHasTheKeyboard) {
    const KeyAction toggle{KeyCommand::ToggleToolOption};
    EXPECT_EQ(DecideKey({KeyFocus::Overlay, Mode::Selected, true}, {vk::kTab}), toggle);
    EXPECT_EQ(DecideKey({KeyFocus::Overlay, Mode::Selected, false}, {vk::kTab}), KeyAction{}) << "no tool chosen";
    EXPECT_EQ(DecideKey({KeyFocus::Overlay, Mode::Detecting, false}, {vk::kTab}), KeyAction{}) << "no selection";
    EXPECT_EQ(DecideKey({KeyFocus::TextBox, Mode::Selected, true}, {vk::kTab}), KeyAction{}) << "typing";
    EXPECT_EQ(DecideKey({KeyFocus::NumberBox, Mode::Selected, true}, {vk::kTab}), KeyAction{}) << "a box";
    EXPECT_EQ(DecideKey({KeyFocus::Overlay, Mode::Selected, true}, {vk::kTab, true}), KeyAction{}) << "with Shift";
    EXPECT_EQ(DecideKey({KeyFocus::Overlay, Mode::Selected, true}, {vk::kTab, false, true}), KeyAction{}) << "Ctrl";
    KeyPress held{vk::kTab};
    held.repeat = true;
    EXPECT_EQ(DecideKey({KeyFocus::Overlay, Mode::Selected, true}, held), KeyAction{}) << "a held Tab toggles once";
}

TEST(ToolKeys, TheWheelStepsTheWidthByOneOrFiveWithinItsRange) {
    EXPECT_EQ(WidthAfterWheel(5, 1, false, 100), 6);
    EXPECT_EQ(WidthAfterWheel(5, -2, false, 100), 3);
    EXPECT_EQ(WidthAfterWheel(5, 1, true, 100), 10);
    EXPECT_EQ(WidthAfterWheel(98, 1, true, 100), 100);
    EXPECT_EQ(WidthAfterWheel(3, -1, true, 100), 0);
    EXPECT_EQ(WidthAfterWheel(2.5f, 1, false, 100), 3.5f);
}

}  // namespace
}  // namespace vellumo
