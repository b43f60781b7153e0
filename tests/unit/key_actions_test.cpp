#include "overlay/KeyActions.h"

#include <gtest/gtest.h>

#include "gfx/TimedText.h"
#include "overlay/ColourText.h"

namespace vellumo {
namespace {

constexpr Size kScreen{1920, 1080};
constexpr Mode kAllModes[] = {Mode::Detecting, Mode::Pressed, Mode::Dragging, Mode::Selected};

KeyPress Key(int key, bool shift = false, bool ctrl = false, bool alt = false) { return {key, shift, ctrl, alt}; }
OverlayKeyState On(Mode m, bool tool = false, KeyFocus f = KeyFocus::Overlay) { return {f, m, tool}; }
KeyAction Act(KeyCommand c, int dx = 0, int dy = 0) { return {c, dx, dy}; }

// Every combination of Shift, Ctrl and Alt.
std::vector<KeyPress> AllShiftStates(int key) {
    std::vector<KeyPress> out;
    for (int bits = 0; bits < 8; ++bits) out.push_back(Key(key, bits & 1, bits & 2, bits & 4));
    return out;
}

TEST(OverlayKeys, EscAndRKeepTheirMeaningInEveryModeAndShiftState) {
    for (const Mode m : kAllModes) {
        for (const bool tool : {false, true}) {
            for (const KeyPress& k : AllShiftStates(vk::kEscape))
                EXPECT_EQ(DecideKey(On(m, tool), k), Act(KeyCommand::EndCapture));
            for (const KeyPress& k : AllShiftStates(vk::kR))
                EXPECT_EQ(DecideKey(On(m, tool), k), Act(KeyCommand::BackToDetection))
                    << "shift " << k.shift << " ctrl " << k.ctrl << " alt " << k.alt;
        }
    }
}

TEST(OverlayKeys, TheRestartChordDoesNothingElse) {
    for (const Mode m : kAllModes) {
        EXPECT_EQ(DecideKey(On(m), Key(vk::kC, true, true)), Act(KeyCommand::None));
        EXPECT_EQ(DecideKey(On(m), Key(vk::kC, true, true, true)), Act(KeyCommand::None));
    }
}

// While a box has the keyboard, its keys are the user's: only the text box's
// Enter, which commits its text whatever else is held.
TEST(OverlayKeys, NothingActsWhileABoxHasTheKeyboard) {
    const int keys[] = {vk::kEscape, vk::kR, vk::kC, vk::kS, vk::kZ, vk::kY, vk::kLeft, vk::kDown, 'A', vk::kReturn};
    for (const KeyFocus f : {KeyFocus::TextBox, KeyFocus::NumberBox}) {
        for (const int key : keys) {
            for (const KeyPress& k : AllShiftStates(key)) {
                const KeyAction expected = (f == KeyFocus::TextBox && key == vk::kReturn)
                                               ? Act(KeyCommand::CommitText)
                                               : Act(KeyCommand::None);
                EXPECT_EQ(DecideKey(On(Mode::Selected, true, f), k), expected)
                    << "focus " << int(f) << " key " << key << " shift " << k.shift << " ctrl " << k.ctrl;
            }
        }
    }
}

TEST(OverlayKeys, SelectionCommandsNeedACompletedSelection) {
    struct Case {
        KeyPress key;
        KeyAction selected;
    };
    const Case cases[] = {
        {Key(vk::kC, false, true), Act(KeyCommand::Copy)},
        {Key(vk::kReturn), Act(KeyCommand::Copy)},
        {Key(vk::kS, false, true), Act(KeyCommand::Save)},
        {Key(vk::kS, true, true), Act(KeyCommand::QuickSave)},
        {Key(vk::kZ, false, true), Act(KeyCommand::Undo)},
        {Key(vk::kY, false, true), Act(KeyCommand::Redo)},
        {Key(vk::kZ, true, true), Act(KeyCommand::Redo)},
        // Near misses.
        {Key(vk::kS), Act(KeyCommand::None)},
        {Key(vk::kZ), Act(KeyCommand::None)},
        {Key(vk::kY, true, true), Act(KeyCommand::None)},
        {Key(vk::kS, true, true, true), Act(KeyCommand::None)},
        {Key(vk::kReturn, false, true), Act(KeyCommand::None)},
        {Key(vk::kZ, false, true, true), Act(KeyCommand::None)},
        {Key(vk::kC, false, true, true), Act(KeyCommand::None)},
        {Key('A', false, true), Act(KeyCommand::None)},
        {Key(0x74), Act(KeyCommand::None)},  // F5
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DecideKey(On(Mode::Selected), c.key), c.selected) << "key " << c.key.key;
        EXPECT_EQ(DecideKey(On(Mode::Selected, true), c.key), c.selected) << "with a tool, key " << c.key.key;
        for (const Mode m : {Mode::Detecting, Mode::Pressed, Mode::Dragging})
            EXPECT_EQ(DecideKey(On(m), c.key), Act(KeyCommand::None)) << "key " << c.key.key;
    }
}

TEST(OverlayKeys, CAndShiftCCopyTheColourInEveryMode) {
    for (const Mode m : kAllModes) {
        EXPECT_EQ(DecideKey(On(m), Key(vk::kC)), Act(KeyCommand::CopyColourHex));
        EXPECT_EQ(DecideKey(On(m), Key(vk::kC, true)), Act(KeyCommand::CopyColourList));
        EXPECT_EQ(DecideKey(On(m), Key(vk::kC, false, false, true)), Act(KeyCommand::None)) << "Alt+C";
    }
}

TEST(OverlayKeys, ArrowsMoveTheSelectionItsFarEdgesOrThePointer) {
    struct Arrow {
        int key, x, y;
    };
    const Arrow arrows[] = {{vk::kLeft, -1, 0}, {vk::kRight, 1, 0}, {vk::kUp, 0, -1}, {vk::kDown, 0, 1}};
    for (const Arrow& a : arrows) {
        const OverlayKeyState selected = On(Mode::Selected);
        EXPECT_EQ(DecideKey(selected, Key(a.key)), Act(KeyCommand::MoveSelection, a.x, a.y));
        EXPECT_EQ(DecideKey(selected, Key(a.key, true)), Act(KeyCommand::MoveSelection, 10 * a.x, 10 * a.y));
        EXPECT_EQ(DecideKey(selected, Key(a.key, false, true)), Act(KeyCommand::MoveFarEdges, a.x, a.y));
        EXPECT_EQ(DecideKey(selected, Key(a.key, true, true)), Act(KeyCommand::MoveFarEdges, 10 * a.x, 10 * a.y));
        EXPECT_EQ(DecideKey(selected, Key(a.key, false, false, true)), Act(KeyCommand::None));
        // A chosen tool holds the selection still, as it does for the mouse.
        EXPECT_EQ(DecideKey(On(Mode::Selected, true), Key(a.key)), Act(KeyCommand::None));
        for (const Mode m : {Mode::Detecting, Mode::Pressed, Mode::Dragging}) {
            EXPECT_EQ(DecideKey(On(m), Key(a.key)), Act(KeyCommand::MovePointer, a.x, a.y));
            EXPECT_EQ(DecideKey(On(m), Key(a.key, true)), Act(KeyCommand::MovePointer, 10 * a.x, 10 * a.y));
            EXPECT_EQ(DecideKey(On(m), Key(a.key, false, true)), Act(KeyCommand::None));
        }
    }
}

// Fixed fault: the Enter that printed the text, held, repeated into the
// overlay and copied and ended the capture. A held key only moves or steps
// the marks; a second, separate press acts as the first one.
TEST(OverlayKeys, AHeldKeyRepeatsOnlyMovesAndUndoSteps) {
    const auto held = [](KeyPress k) {
        k.repeat = true;
        return k;
    };
    const KeyPress endsOrCopies[] = {Key(vk::kReturn), Key(vk::kC, false, true), Key(vk::kS, false, true),
                                     Key(vk::kEscape), Key(vk::kEscape, false, false, true), Key(vk::kR),
                                     Key(vk::kR, false, false, true), Key(vk::kC), Key(vk::kC, true)};
    const KeyPress repeats[] = {Key(vk::kLeft), Key(vk::kDown, true), Key(vk::kRight, false, true),
                                Key(vk::kZ, false, true), Key(vk::kY, false, true), Key(vk::kZ, true, true)};
    for (const Mode m : kAllModes) {
        for (const KeyPress& k : endsOrCopies) {
            EXPECT_EQ(DecideKey(On(m), held(k)), Act(KeyCommand::None)) << "held key " << k.key << " mode " << int(m);
            // Fresh, the same key still acts where it acts at all.
            if (m == Mode::Selected) EXPECT_NE(DecideKey(On(m), k), Act(KeyCommand::None)) << "key " << k.key;
        }
        for (const KeyPress& k : repeats) EXPECT_EQ(DecideKey(On(m), held(k)), DecideKey(On(m), k)) << k.key;
    }
    EXPECT_EQ(DecideKey(On(Mode::Selected, true, KeyFocus::TextBox), held(Key(vk::kReturn))), Act(KeyCommand::None));
    EXPECT_EQ(DecideKey(On(Mode::Selected, true, KeyFocus::TextBox), Key(vk::kReturn)), Act(KeyCommand::CommitText));
}

TEST(KeyboardGeometry, MovesStopAtTheScreenEdge) {
    const Rect f{100, 200, 300, 100};
    EXPECT_EQ(MoveWithinScreen(f, -1, 10, kScreen), (Rect{99, 210, 300, 100}));
    // Just inside, on, and past each edge.
    EXPECT_EQ(MoveWithinScreen({1, 1, 300, 100}, -10, -10, kScreen), (Rect{0, 0, 300, 100}));
    EXPECT_EQ(MoveWithinScreen({0, 0, 300, 100}, -1, -1, kScreen), (Rect{0, 0, 300, 100}));
    EXPECT_EQ(MoveWithinScreen({1619, 979, 300, 100}, 10, 10, kScreen), (Rect{1620, 980, 300, 100}));
    EXPECT_EQ(MoveWithinScreen({1620, 980, 300, 100}, 1, 1, kScreen), (Rect{1620, 980, 300, 100}));
}

// The mouse may have left the frame reaching off the screen; a key neither
// pushes it further out nor pulls it in by more than asked.
TEST(KeyboardGeometry, AFrameAlreadyOffTheScreenOnlyComesBack) {
    const Rect off{-50, 1000, 300, 200};
    EXPECT_EQ(MoveWithinScreen(off, -1, 1, kScreen), off);
    EXPECT_EQ(MoveWithinScreen(off, 1, -1, kScreen), (Rect{-49, 999, 300, 200}));
    EXPECT_EQ(MoveWithinScreen(off, 10, -10, kScreen), (Rect{-40, 990, 300, 200}));
    // Wider than the screen (a maximised window's frame): stays as far out as it is.
    const Rect wide{-6, -6, 1932, 1092};
    EXPECT_EQ(MoveWithinScreen(wide, 1, 1, kScreen), wide);
    EXPECT_EQ(MoveWithinScreen(wide, -1, -1, kScreen), wide);
}

TEST(KeyboardGeometry, FarEdgesNeverMakeANegativeSizeNorPassTheScreen) {
    const Rect f{100, 100, 5, 3};
    EXPECT_EQ(MoveFarEdgesWithinScreen(f, 1, -1, kScreen), (Rect{100, 100, 6, 2}));
    EXPECT_EQ(MoveFarEdgesWithinScreen(f, -10, -10, kScreen), (Rect{100, 100, 0, 0}));
    EXPECT_EQ(MoveFarEdgesWithinScreen({100, 100, 0, 0}, -1, -1, kScreen), (Rect{100, 100, 0, 0}));
    EXPECT_EQ(MoveFarEdgesWithinScreen({1900, 1070, 19, 9}, 10, 10, kScreen), (Rect{1900, 1070, 20, 10}));
    EXPECT_EQ(MoveFarEdgesWithinScreen({1900, 1070, 20, 10}, 1, 1, kScreen), (Rect{1900, 1070, 20, 10}));
    // Reaching past the screen already: may shrink, not grow.
    EXPECT_EQ(MoveFarEdgesWithinScreen({1900, 1070, 40, 40}, 1, 1, kScreen), (Rect{1900, 1070, 40, 40}));
    EXPECT_EQ(MoveFarEdgesWithinScreen({1900, 1070, 40, 40}, -1, -1, kScreen), (Rect{1900, 1070, 39, 39}));
}

TEST(KeyboardGeometry, ThePointerStaysOnTheScreensPixels) {
    EXPECT_EQ(MovePointerWithinScreen({5, 5}, 1, -1, kScreen), (Point{6, 4}));
    EXPECT_EQ(MovePointerWithinScreen({0, 0}, -1, -10, kScreen), (Point{0, 0}));
    EXPECT_EQ(MovePointerWithinScreen({1915, 1075}, 10, 10, kScreen), (Point{1919, 1079}));
}

TEST(ColourText, HexAndListFormats) {
    EXPECT_EQ(FormatHex({0, 0, 0}), L"#000000");
    EXPECT_EQ(FormatHex({255, 16, 10}), L"#FF100A");
    EXPECT_EQ(FormatHex(Colour::fromPixel(0x00ABCDEF)), L"#ABCDEF");
    EXPECT_EQ(FormatRgbList({255, 16, 0}), L"255, 16, 0");
    EXPECT_EQ(FormatRgbList({7, 80, 255}), L"7, 80, 255");
}

TEST(TimedText, ShowsUntilItsTimeAndARepeatRestartsIt) {
    TimedText t;
    EXPECT_FALSE(t.VisibleAt(0));
    t.Show(kColourCopiedNote, 1000, kColourCopiedNoteMs);
    EXPECT_EQ(t.text(), L"copied");
    EXPECT_TRUE(t.VisibleAt(1000));
    EXPECT_TRUE(t.VisibleAt(2499));
    EXPECT_EQ(t.RemainingAt(2499), 1u);
    EXPECT_FALSE(t.VisibleAt(2500));
    EXPECT_EQ(t.RemainingAt(2600), 0u);
    t.Show(L"again", 2400, 1500);
    EXPECT_TRUE(t.VisibleAt(3000));
    t.Hide();
    EXPECT_FALSE(t.VisibleAt(3000));
}

}  // namespace
}  // namespace vellumo
