// The overlay's keyboard as a user meets it: arrows move and resize a
// selection (read back from the handles, the frame and the copied picture),
// move the pointer while detecting, Ctrl+C, Enter and Ctrl+S give the same
// results as the toolbar's buttons, and C / Shift+C put the colour under the
// pointer on the clipboard as text, read back by a second program.
#include <X11/keysym.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <initializer_list>
#include <optional>
#include <string>
#include <thread>

#include "tests/e2e/Dialogs.h"
#include "tests/e2e/ImageFiles.h"
#include "tests/e2e/OverlayFixture.h"

using namespace e2e;
namespace fs = std::filesystem;

namespace {

class OverlayKeysE2E : public OverlayE2E {
protected:
    void SetUp() override {
        OverlayE2E::SetUp();
        if (HasFatalFailure()) return;
        dir_ = fs::path("/tmp") / ("vellumo-keys-e2e-" + std::to_string(getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        screen_ = d_->Grab();
    }
    void TearDown() override {
        OverlayE2E::TearDown();
        std::error_code ec;
        if (!HasFailure()) fs::remove_all(dir_, ec);
    }

    // vellumo.exe over the fixture with `sel` selected by a paced drag; the
    // keys then reach the overlay.
    void LaunchAndSelect(const Box& sel) {
        ASSERT_NO_FATAL_FAILURE(Launch(kB.cx(), kB.cy()));
        ExpectPixelSoon(900, 700, Dark(kBg), "desktop outside the detected frame", 5s);
        DragWithMoves(sel.l, sel.t, sel.r(), sel.b(), 12);
        ASSERT_NO_FATAL_FAILURE(ExpectSelection(sel, "the dragged selection"));
        WaitKeys();
    }

    void WaitKeys() {
        const auto top = Overlay().top;
        ASSERT_TRUE(top && WaitUntil([&] { return d_->KeysReach(top->hwnd); }, 3s, 20ms))
            << "the key focus is not on the overlay";
    }

    // `key` tapped `times` times with the modifiers held.
    void Press(std::initializer_list<unsigned long> modifiers, unsigned long key, int times = 1) {
        for (const unsigned long m : modifiers) d_->KeyDown(m);
        for (int i = 0; i < times; ++i) d_->Tap(key);
        for (const unsigned long m : modifiers) d_->KeyUp(m);
    }

    std::string ClipboardText() { return d_->Run(WinExe("vprobe.exe"), {"cliptext"}).out; }

    // The capture ended by a copy: the clipboard's bitmap is the frozen
    // screen's `sel`, pixel for pixel.
    void ExpectCopied(const Box& sel, const std::string& what) {
        ASSERT_TRUE(d_->WaitExit(app_, 10s)) << what << ": the copy did not end the capture";
        const fs::path dump = dir_ / "clipboard.ppm";
        const RunResult r = d_->Run(WinExe("vprobe.exe"), {"clipboard", WinPath(dump)});
        ASSERT_EQ(r.out, "B\t" + std::to_string(sel.w) + "\t" + std::to_string(sel.h) + "\n") << what;
        const auto img = ParsePpm(ReadFile(dump));
        ASSERT_TRUE(img) << what << ": no bitmap read back";
        int wrong = 0;
        for (int y = 0; y < sel.h; ++y)
            for (int x = 0; x < sel.w; ++x) wrong += !(img->at(x, y) == screen_.at(sel.l + x, sel.t + y));
        EXPECT_EQ(wrong, 0) << what << ": pixels unlike the screen at " << Str(sel);
    }

    fs::path dir_;
    Image screen_;  // the desktop before the capture
};

// Arrows move by 1 px, Shift+arrows by 10, Ctrl+arrows move the right or
// bottom edge (Ctrl+Shift by 10), a move stops at the screen's edge; the
// handles, the frame, the size read-out and the toolbar follow, and Ctrl+C
// copies the selection where the keys left it.
TEST_F(OverlayKeysE2E, ArrowsMoveAndResizeTheSelectionAndCtrlCCopiesIt) {
    ASSERT_NO_FATAL_FAILURE(LaunchAndSelect({200, 300, 200, 120}));
    Press({}, XK_Right, 3);
    Press({XK_Shift_L}, XK_Down);
    Press({XK_Control_L}, XK_Right, 2);
    Press({XK_Control_L, XK_Shift_L}, XK_Down);
    Press({XK_Control_L}, XK_Left);
    const Box moved{203, 310, 201, 130};
    ASSERT_NO_FATAL_FAILURE(ExpectSelection(moved, "after the arrows"));
    ExpectToolsAt(moved, "after the arrows");

    WaitKeys();
    Press({XK_Shift_L}, XK_Left, 25);  // 250 px asked, 203 px to the edge
    const Box atEdge{0, 310, 201, 130};
    ASSERT_NO_FATAL_FAILURE(ExpectSelection(atEdge, "at the left edge"));
    ExpectToolsAt(atEdge, "at the left edge");

    WaitKeys();
    Press({XK_Control_L}, XK_c);
    ExpectCopied(atEdge, "Ctrl+C");
}

TEST_F(OverlayKeysE2E, EnterCopiesAndCtrlSSaves) {
    const Box sel{150, 200, 300, 200};
    ASSERT_NO_FATAL_FAILURE(LaunchAndSelect(sel));
    Press({}, XK_Return);
    ExpectCopied(sel, "Enter");

    ASSERT_NO_FATAL_FAILURE(LaunchAndSelect(sel));
    Press({XK_Control_L}, XK_s);
    const fs::path file = dir_ / "keys.png";
    ASSERT_TRUE(TypeFileName(*d_, WinPath(file))) << "Ctrl+S showed no save dialog";
    ASSERT_TRUE(d_->WaitExit(app_, 10s)) << "the save did not end the capture";
    const auto saved = Decode(file);
    ASSERT_TRUE(saved) << "nothing readable saved at " << file;
    EXPECT_EQ(saved->format, "PNG");
    ASSERT_EQ(saved->image.width, sel.w);
    ASSERT_EQ(saved->image.height, sel.h);
    int wrong = 0;
    for (int y = 0; y < sel.h; ++y)
        for (int x = 0; x < sel.w; ++x) wrong += !(saved->image.at(x, y) == screen_.at(sel.l + x, sel.t + y));
    EXPECT_EQ(wrong, 0) << "saved pixels unlike the screen at " << Str(sel);
}

// Fixed faults: keys with Alt held come as system keys, which the overlay
// ignored, so Alt+R and Alt+Esc did nothing; and a held key acted again on
// its repeats: the Esc that closed the save dialog, still held, ended the
// capture. Alt+R goes back to detection, Alt+Esc ends the capture, and a
// held Esc's repeats are not a second Esc (a fresh press is).
TEST_F(OverlayKeysE2E, AltRAndAltEscActAndAHeldEscThatClosedTheDialogKeepsTheCapture) {
    const Box sel{150, 200, 300, 200};
    // Alt is held a moment before the key, as a hand does: Wine takes the
    // modifiers' state in with the next event it reads.
    const auto withAlt = [&](unsigned long key) {
        d_->KeyDown(XK_Alt_L);
        std::this_thread::sleep_for(200ms);
        d_->Tap(key);
        std::this_thread::sleep_for(200ms);
        d_->KeyUp(XK_Alt_L);
    };
    ASSERT_NO_FATAL_FAILURE(LaunchAndSelect(sel));
    withAlt(XK_r);
    EXPECT_TRUE(WaitUntil([&] { return !Overlay().ToolsShown() && Overlay().HandlesHidden(); }, 3s, 50ms))
        << "Alt+R left the selection";
    ASSERT_TRUE(d_->Running(app_));

    DragWithMoves(sel.l, sel.t, sel.r(), sel.b(), 12);
    ASSERT_NO_FATAL_FAILURE(ExpectSelection(sel, "the selection again"));
    WaitKeys();
    Press({XK_Control_L}, XK_s);
    const auto dialogEdit = [&] {
        std::optional<WinInfo> edit;
        for (const WinInfo& w : d_->ListWindows("#32770"))
            if (w.cls == "Edit" && w.visible) edit = w;
        return edit;
    };
    std::optional<WinInfo> edit;
    ASSERT_TRUE(WaitUntil([&] { return (edit = dialogEdit()).has_value(); }, 10s, 100ms)) << "no save dialog";
    ClickAt(*d_, edit->left + 10, edit->top + edit->height() / 2);  // the dialog has the keyboard
    d_->KeyDown(XK_Escape);
    const bool closed = WaitUntil([&] { return d_->ListWindows("#32770").empty(); }, 5s, 50ms);
    // The key is still down: these presses are its repeats, now on the overlay.
    for (int i = 0; i < 3; ++i) {
        std::this_thread::sleep_for(150ms);
        d_->KeyDown(XK_Escape);
    }
    d_->KeyUp(XK_Escape);
    ASSERT_TRUE(closed) << "Esc did not close the save dialog";
    std::this_thread::sleep_for(500ms);
    ASSERT_TRUE(d_->Running(app_)) << "the held Esc ended the capture";
    ASSERT_NO_FATAL_FAILURE(ExpectSelection(sel, "after the held Esc"));

    WaitKeys();
    withAlt(XK_Escape);
    EXPECT_TRUE(d_->WaitExit(app_, 5s)) << "Alt+Esc did not end the capture";
}

// While detecting, arrows move the pointer by a pixel (Shift: 10) and the
// magnifier follows. C and Shift+C copy the colour of the clean frozen
// screen (not the darkened one shown) as text, the overlay stays and its
// colour line says "copied"; the held Ctrl+Shift+C restarts the capture and
// copies nothing.
TEST_F(OverlayKeysE2E, ArrowsMoveThePointerAndCCopiesTheColour) {
    ASSERT_NO_FATAL_FAILURE(Launch(kB.cx(), kB.cy()));
    ExpectPixelSoon(900, 700, Dark(kBg), "desktop outside the detected frame", 5s);
    MoveSeen(700, 600);
    WaitKeys();
    Press({}, XK_Right, 2);
    Press({XK_Shift_L}, XK_Down);
    EXPECT_TRUE(WaitUntil(
        [&] {
            const auto v = Overlay();
            return v.va && v.va->left == VaLeft(702) && v.va->top == VaTop(610);
        },
        2s, 20ms))
        << "the magnifier did not follow the pointer to (702,610)";

    // A selection elsewhere, so the desktop under the pointer shows darkened.
    DragWithMoves(150, 200, 450, 400, 12);
    ASSERT_NO_FATAL_FAILURE(ExpectSelection({150, 200, 300, 200}, "the selection"));
    MoveSeen(800, 650);
    ASSERT_EQ(d_->GetPixel(800, 650), Dark(kBg)) << "the desktop under the pointer is not darkened";
    ASSERT_EQ(d_->Run(WinExe("vprobe.exe"), {"emptyclipboard"}).out, "OK\n");
    ASSERT_EQ(ClipboardText(), "N\n") << "the clipboard holds text before any copy";
    WaitKeys();

    Press({}, XK_c);
    EXPECT_TRUE(WaitUntil([&] { return ClipboardText() == "U\t#5A8C3C\n"; }, 3s, 50ms))
        << "C put \"" << ClipboardText() << "\" on the clipboard";
    EXPECT_TRUE(WaitUntil([&] { return RgbCaption() == "copied"; }, 2s, 20ms))
        << "the colour line shows \"" << RgbCaption() << "\"";
    EXPECT_TRUE(d_->Running(app_)) << "C ended the capture";
    EXPECT_TRUE(Overlay().ToolsShown()) << "C changed the selection";
    EXPECT_TRUE(WaitUntil([&] { return ParseRgb(RgbCaption()).has_value(); }, 3s, 50ms))
        << "the note stayed: \"" << RgbCaption() << "\"";

    Press({XK_Shift_L}, XK_c);
    EXPECT_TRUE(WaitUntil([&] { return ClipboardText() == "U\t90, 140, 60\n"; }, 3s, 50ms))
        << "Shift+C put \"" << ClipboardText() << "\" on the clipboard";

    // The chord: a fresh overlay, and no colour copied on the way.
    ASSERT_EQ(d_->Run(WinExe("vprobe.exe"), {"emptyclipboard"}).out, "OK\n");
    const std::string before = Overlay().top->hwnd;
    d_->KeyDown(XK_Control_L);
    d_->KeyDown(XK_Shift_L);
    d_->KeyDown(XK_c);
    EXPECT_TRUE(WaitUntil(
        [&] {
            const auto v = Overlay();
            return v.top && v.top->hwnd != before && v.top->visible;
        },
        5s, 50ms))
        << "the chord did not restart the capture";
    d_->KeyUp(XK_c);
    d_->KeyUp(XK_Shift_L);
    d_->KeyUp(XK_Control_L);
    EXPECT_EQ(ClipboardText(), "N\n") << "the chord copied something";
    EndWithEsc();
}

}  // namespace
