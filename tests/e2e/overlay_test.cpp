// The capture overlay as a user meets it: vellumo.exe under Wine over a
// desktop of known colours (root background + vfixture.exe), driven with real
// pointer and key input, checked by the pixels on screen and by the overlay's
// own windows (read through vprobe.exe). Each test starts the program once;
// the fixture that drives it lives in OverlayFixture.h.
#include <X11/keysym.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <thread>

#include "tests/e2e/FixtureLayout.h"
#include "tests/e2e/OverlayFixture.h"
#include "tests/e2e/harness/Harness.h"

using namespace e2e;
using namespace vellumo::e2e;

namespace {

const Palette& P0 = kPalettes[0];
const Palette& P1 = kPalettes[1];

// Detection, darkening, the click, the read-outs, and the two ways back.
// The list holds each top-level's descendants in EnumChildWindows order (a
// parent before its children), so over the nested control the first listed
// window holding the pointer is panel A.
TEST_F(OverlayE2E, DetectClickReadoutAndBackToDetection) {
    ASSERT_NO_FATAL_FAILURE(Launch(kNestedBox.cx(), kNestedBox.cy()));
    const Box frameA = FrameOf(kA);

    // Panel A framed: bright inside, darkened outside.
    ExpectPixelSoon(900, 700, Dark(kBg), "desktop outside the frame", 5s);
    ExpectPixelSoon(kNestedBox.l + 8, kNestedBox.t + 8, Of(P0.nested), "nested control inside the frame");
    ExpectPixelSoon(kA.l + 5, kA.t + 5, Of(P0.panelA), "panel A inside its frame");
    ExpectPixelSoon(kB.cx(), kB.cy(), Dark(Of(P0.panelB)), "panel B");
    ExpectPixelSoon(kTop.l + 5, kTop.b() - 5, Dark(Of(P0.top)), "fixture background");
    ExpectPixelSoon(5, 5, Dark(kBg), "screen corner");
    ExpectRingSoon(frameA, 4, "frame on panel A");
    const auto first = Overlay();
    ASSERT_TRUE(first.top);
    EXPECT_EQ(Str(BoxOf(*first.top)), Str(Box{0, 0, kScreenW, kScreenH})) << "overlay not full screen";
    EXPECT_EQ(first.top->title, "ScrShot");

    // The frame follows the pointer to panel B, within a few timer ticks.
    GlideTo(kB.cx(), kB.cy());
    ExpectRingSoon(FrameOf(kB), 4, "frame moved to panel B", 1000ms);
    ExpectPixelSoon(kB.l + 10, kB.t + 10, Of(P0.panelB), "panel B inside its frame");
    ExpectPixelSoon(kNestedBox.l + 8, kNestedBox.t + 8, Dark(Of(P0.nested)), "nested control now outside");

    // A click takes the control under the pointer.
    GlideTo(kNestedBox.cx(), kNestedBox.cy());
    ExpectRingSoon(frameA, 4, "frame back on panel A", 1000ms);
    d_->Click();
    ASSERT_NO_FATAL_FAILURE(ExpectSelection(frameA, "click on panel A"));
    ExpectToolsAt(frameA, "toolbar above the selection");
    const int y = frameA.t + frameA.h / 4;
    ExpectPixelSoon(frameA.l - 1, y, Dark(Of(P0.top)), "just outside the 1-px border");
    ExpectPixelSoon(frameA.l + 1, y, Of(P0.top), "just inside the 1-px border");

    // Read-outs: magnifier_ 20 px to the lower right, the darkened colour outside.
    MoveSeen(700, 500);
    auto v = Overlay();
    ASSERT_TRUE(v.va);
    EXPECT_EQ(Str(BoxOf(*v.va)), Str(Box{720, 520, 130, 161}));
    std::string rgb;
    EXPECT_TRUE(WaitUntil(
        [&] {
            rgb = RgbCaption();
            const auto c = ParseRgb(rgb);
            return c && Near(*c, Dark(kBg), 1);
        },
        1500ms, 50ms))
        << "RGBCO over the darkened desktop: \"" << rgb << "\", want about RGB" << ToString(Dark(kBg));
    MoveSeen(kNestedBox.l + 10, kNestedBox.t + 10);
    EXPECT_TRUE(WaitUntil(
        [&] {
            rgb = RgbCaption();
            const auto c = ParseRgb(rgb);
            return c && Near(*c, Of(P0.nested), 1);
        },
        1500ms, 50ms))
        << "RGBCO inside the frame: \"" << rgb << "\", want about RGB" << ToString(Of(P0.nested));
    EXPECT_EQ(SizeCaption(), SizeText(frameA.w, frameA.h));

    // Near the right and bottom edges the magnifier flips.
    const std::array<std::array<int, 2>, 3> corners{{{1000, 750}, {1000, 100}, {100, 700}}};
    for (const auto& c : corners) {
        MoveSeen(c[0], c[1]);
        v = Overlay();
        ASSERT_TRUE(v.va);
        EXPECT_EQ(Str(BoxOf(*v.va)), Str(Box{VaLeft(c[0]), VaTop(c[1]), 130, 161}))
            << "pointer at " << c[0] << "," << c[1];
    }

    // A quick hand can land the pointer on the magnifier itself; it must
    // still get out of the way.
    v = Overlay();
    ASSERT_TRUE(v.va);
    const int onVaX = v.va->left + 30, onVaY = v.va->top + 40;
    Jump(onVaX, onVaY);
    EXPECT_TRUE(WaitUntil(
        [&] {
            const auto now = Overlay();
            return now.va && now.va->left == VaLeft(onVaX) && now.va->top == VaTop(onVaY);
        },
        1000ms, 50ms))
        << "the magnifier stayed under the pointer at " << onVaX << "," << onVaY << ": "
        << (Overlay().va ? Str(BoxOf(*Overlay().va)) : "none");

    // R: back to detection; over the bare desktop the frame stays, 4 px wide.
    GlideTo(700, 600);
    d_->Tap(XK_r);
    ExpectBackToDetection("R key");
    ExpectRingSoon(frameA, 4, "frame kept after R");

    // Right button: the same.
    GlideTo(kNestedBox.cx(), kNestedBox.cy());
    d_->Click();
    ASSERT_TRUE(WaitSelected()) << "second click did not select";
    d_->Click(3);
    ExpectBackToDetection("right button");
    // Every other button too: the middle one and the two side buttons (X
    // buttons 8 and 9 are XBUTTON1 and XBUTTON2).
    for (const auto& [button, name] : {std::pair{2, "middle button"}, {8, "X1 button"}, {9, "X2 button"}}) {
        GlideTo(kNestedBox.cx(), kNestedBox.cy());
        d_->Click();
        ASSERT_TRUE(WaitSelected()) << "no selection before the " << name;
        d_->Click(button);
        ExpectBackToDetection(name);
    }
    GlideTo(kB.cx(), kB.cy());
    ExpectRingSoon(FrameOf(kB), 4, "detection follows the pointer again", 1000ms);

    EndWithEsc();
}

// Click versus drag, dragging in any direction, toolbar placement, handle
// resizing with the opposite edges fixed, moving the selection.
TEST_F(OverlayE2E, DragDrawsAndHandlesResize) {
    ASSERT_NO_FATAL_FAILURE(Launch(kB.cx(), kB.cy()));
    ExpectPixelSoon(900, 700, Dark(kBg), "desktop outside the frame", 5s);
    ExpectRingSoon(FrameOf(kB), 4, "frame on panel B");

    // Six moves with the button held, within the system's drag threshold
    // (2 px from the press), are still a click on panel B.
    DragWithMoves(kB.cx(), kB.cy(), kB.cx() + 2, kB.cy() - 2, 6);
    ASSERT_NO_FATAL_FAILURE(ExpectSelection(FrameOf(kB), "press, 6 moves within the threshold, release"));
    d_->Click(3);
    ExpectBackToDetection("right button");

    // Past the threshold the press is a drag, in two moves as in twenty:
    // the frame spans press point to pointer.
    DragWithMoves(600, 300, 700, 380, 2);
    const Box dragged{600, 300, 100, 80};
    ASSERT_NO_FATAL_FAILURE(ExpectSelection(dragged, "press, 2 moves, release"));
    ExpectToolsAt(dragged, "toolbar above the dragged frame");
    ExpectPixelSoon(598, 320, Dark(kBg), "outside the dragged frame");
    ExpectPixelSoon(602, 320, kBg, "inside the dragged frame");
    // Right away, where the drag ended: on the corner handle.
    GlideTo(700, 380);
    d_->Click(3);
    ExpectBackToDetection("right button on the corner handle");
    GlideTo(950, 700);  // and again off the handles, so the steps below start from detection
    d_->Click(3);
    ExpectBackToDetection("right button");

    // Up and to the left, near the top: the toolbar goes below the frame.
    DragWithMoves(900, 80, 820, 20, 8);
    Box f{820, 20, 80, 60};
    ASSERT_NO_FATAL_FAILURE(ExpectSelection(f, "drag up-left"));
    ExpectToolsAt(f, "toolbar below a frame near the top");

    // Handle drags: whichever edges a handle sits on follow it, the others stay.
    auto dragHandle = [&](int index, int dx, int dy) {
        ASSERT_TRUE(WaitUntil([&] { return Overlay().si[index].has_value(); }, 2s, 50ms)) << "no Si(" << index << ")";
        const auto v = Overlay();
        ASSERT_TRUE(v.si[index]) << "Si(" << index << ") went away";
        const int hx = v.si[index]->left + 3, hy = v.si[index]->top + 3;
        Box want = f;
        if (hx == f.l) want = {f.l + dx, want.t, f.w - dx, want.h};
        if (hx == f.r()) want.w = f.w + dx;
        if (hy == f.t) want = {want.l, f.t + dy, want.w, f.h - dy};
        if (hy == f.b()) want.h = f.h + dy;
        ASSERT_NE(want, f) << "Si(" << index << ") at " << hx << "," << hy << " is on no edge of " << Str(f);
        GlideTo(hx, hy);
        d_->ButtonDown();
        for (int i = 1; i <= 4; ++i) {
            Jump(hx + dx * i / 4, hy + dy * i / 4);
            std::this_thread::sleep_for(40ms);
        }
        d_->ButtonUp();
        ExpectSelection(want, "after dragging Si(" + std::to_string(index) + ")");
        f = want;
    };
    dragHandle(7, 40, 30);
    dragHandle(0, -30, -10);
    ExpectPixelSoon(f.l - 2, f.t + f.h / 4, Dark(kBg), "left of the resized frame");
    ExpectPixelSoon(f.l + 2, f.t + f.h / 4, kBg, "inside the resized frame");

    // With a selection, a left drag elsewhere moves the frame's centre to the pointer.
    GlideTo(500, 600);
    d_->ButtonDown();
    MoveSeen(510, 610);
    MoveSeen(520, 620);
    d_->ButtonUp();
    ExpectSelection({520 - f.w / 2, 620 - f.h / 2, f.w, f.h}, "selection moved by dragging");

    EndWithEsc();
}

// Ctrl+Shift+C: one fresh freeze of the live screen per hold.
TEST_F(OverlayE2E, RestartChordFreezesNewContentOncePerHold) {
    ASSERT_NO_FATAL_FAILURE(Launch(kB.cx(), kB.cy()));
    ExpectPixelSoon(900, 700, Dark(kBg), "desktop outside the frame", 5s);
    const int ax = kA.l + 5, ay = kA.t + 5;
    ExpectPixelSoon(ax, ay, Dark(Of(P0.panelA)), "panel A, frozen");
    const std::string firstOverlay = Overlay().top->hwnd;

    // The fixture changes behind the overlay; the frozen picture does not.
    ASSERT_TRUE(d_->PostToWindow("VellumoFixture", kMsgPalette, 1));
    ASSERT_TRUE(FixturePainted(1)) << "the fixture did not repaint";
    EXPECT_TRUE(PixelNear(ax, ay, Dark(Of(P0.panelA)))) << "overlay not frozen: " << ToString(d_->GetPixel(ax, ay));

    d_->KeyDown(XK_Control_L);
    d_->KeyDown(XK_Shift_L);
    d_->KeyDown(XK_c);
    ExpectPixelSoon(ax, ay, Dark(Of(P1.panelA)), "panel A after the restart", 5s);
    ExpectPixelSoon(kB.l + 10, kB.t + 10, Of(P1.panelB), "panel B, under the pointer, after the restart");
    auto v = Overlay();
    EXPECT_EQ(v.overlays, 1);
    ASSERT_TRUE(v.top);
    EXPECT_NE(v.top->hwnd, firstOverlay) << "the overlay was not reloaded";

    // Still held: the fixture changes back, and no second freeze may show it.
    ASSERT_TRUE(d_->PostToWindow("VellumoFixture", kMsgPalette, 0));
    ASSERT_TRUE(FixturePainted(0)) << "the fixture did not repaint";
    std::this_thread::sleep_for(700ms);  // held on: a repeat would restart now
    d_->KeyUp(XK_c);
    d_->KeyUp(XK_Shift_L);
    d_->KeyUp(XK_Control_L);
    // A move handled after the releases: the magnifier follows it.
    Jump(kB.cx() + 5, kB.cy() + 5);
    ASSERT_TRUE(WaitVa(kB.cx() + 5, kB.cy() + 5)) << "the overlay did not follow the pointer";
    EXPECT_TRUE(PixelNear(ax, ay, Dark(Of(P1.panelA))))
        << "restarted more than once while the keys were held: " << ToString(d_->GetPixel(ax, ay));
    EXPECT_EQ(Overlay().overlays, 1);

    // Released and pressed again: a new freeze.
    d_->KeyDown(XK_Control_L);
    d_->KeyDown(XK_Shift_L);
    d_->KeyDown(XK_c);
    ExpectPixelSoon(ax, ay, Dark(Of(P0.panelA)), "panel A after the second chord", 5s);
    d_->KeyUp(XK_c);
    d_->KeyUp(XK_Shift_L);
    d_->KeyUp(XK_Control_L);

    EndWithEsc();
}

// No window under the pointer: nothing is framed or darkened, nothing breaks.
TEST_F(OverlayE2E, BareDesktopUnderThePointer) {
    ASSERT_NO_FATAL_FAILURE(Launch(800, 600));
    // Detection has looked under the pointer: the magnifier stands beside it
    // and reads the bare desktop's colour.
    WaitVa(800, 600);
    ASSERT_TRUE(WaitUntil([&] { return RgbCaption() == "RGB(90 , 140 , 60)"; }, 2s, 50ms))
        << "the magnifier reads " << RgbCaption();
    EXPECT_EQ(d_->GetPixel(800, 650), kBg) << "darkened with no window detected";
    EXPECT_EQ(d_->GetPixel(5, 5), kBg);
    EXPECT_EQ(d_->GetPixel(kA.l + 5, kA.t + 5), Of(P0.panelA));
    for (const auto& p : std::array<std::array<int, 2>, 4>{{{700, 500}, {1023, 767}, {0, 0}, {950, 20}}}) {
        MoveSeen(p[0], p[1]);
        EXPECT_TRUE(d_->Running(app_)) << "ended after a move to " << p[0] << "," << p[1];
    }
    GlideTo(700, 500);
    d_->Click();
    d_->Click(3);
    // A move handled after the clicks: the magnifier follows it.
    Jump(710, 510);
    ASSERT_TRUE(WaitVa(710, 510)) << "the overlay did not follow the pointer after the clicks";
    ASSERT_TRUE(d_->Running(app_)) << "a click on the bare desktop ended the program";

    GlideTo(kB.cx(), kB.cy());
    ExpectRingSoon(FrameOf(kB), 4, "detection after the bare desktop", 1500ms);
    ExpectPixelSoon(900, 700, Dark(kBg), "darkened once a window is detected");
    EndWithEsc();
}

// The listed window dies after the freeze: the overlay carries on.
TEST_F(OverlayE2E, FixtureDestroyedAfterFreeze) {
    ASSERT_NO_FATAL_FAILURE(Launch(kB.cx(), kB.cy()));
    ExpectPixelSoon(900, 700, Dark(kBg), "desktop outside the frame", 5s);
    ASSERT_TRUE(d_->PostToWindow("VellumoFixture", kWmClose, 0));
    ASSERT_TRUE(d_->WaitExit(fixture_, 5s)) << "the fixture did not close";

    for (const auto& p : std::array<std::array<int, 2>, 3>{
             {{kNestedBox.cx(), kNestedBox.cy()}, {kA.l + 5, kA.b() - 5}, {kTop.l + 5, kTop.b() - 5}}}) {
        MoveSeen(p[0], p[1]);
        std::this_thread::sleep_for(150ms);
        ASSERT_TRUE(d_->Running(app_)) << "ended over the dead window at " << p[0] << "," << p[1];
    }
    // Still the frozen picture of the fixture, bright or darkened.
    const Pixel b = d_->GetPixel(kB.l + 10, kB.t + 10);
    EXPECT_TRUE(Near(b, Of(P0.panelB)) || Near(b, Dark(Of(P0.panelB)))) << ToString(b);

    d_->Click();
    EXPECT_TRUE(WaitSelected()) << "no selection after clicking the dead window's place";
    EndWithEsc();
}

// Without GDI+ the overlay still darkens, frames and selects.
TEST_F(OverlayE2E, WorksWithoutGdiPlus) {
    ASSERT_NO_FATAL_FAILURE(
        Launch(kNestedBox.cx(), kNestedBox.cy(), {"WINEDLLOVERRIDES=mscoree,mshtml=;winemenubuilder.exe=d;gdiplus=d"}));
    ExpectPixelSoon(900, 700, Dark(kBg), "desktop outside the frame", 5s);
    ExpectPixelSoon(kNestedBox.l + 8, kNestedBox.t + 8, Of(P0.nested), "inside the frame");
    ExpectPixelSoon(kB.l + 5, kB.t + 5, Dark(Of(P0.panelB)), "panel B outside the frame");
    ExpectRingSoon(FrameOf(kA), 4, "frame on panel A");
    d_->Click();
    ASSERT_NO_FATAL_FAILURE(ExpectSelection(FrameOf(kA), "click without GDI+"));
    EndWithEsc();
}

// On a bare X server, with no window manager, Wine waits for one that never
// answers each time a full-screen window goes; the capture still works and Esc
// still ends the program.
class BareServerE2E : public OverlayE2E {
protected:
    BareServerE2E() { desktop_ = Desktop::Bare; }
};

TEST_F(BareServerE2E, DetectClickAndEscWithoutAWindowManager) {
    ASSERT_FALSE(d_->managed());
    ASSERT_NO_FATAL_FAILURE(Launch(kNestedBox.cx(), kNestedBox.cy()));
    ExpectPixelSoon(900, 700, Dark(kBg), "desktop outside the frame", 5s);
    ExpectPixelSoon(kA.l + 5, kA.t + 5, Of(P0.panelA), "panel A inside its frame");
    ExpectRingSoon(FrameOf(kA), 4, "frame on panel A");
    d_->Click();
    ASSERT_NO_FATAL_FAILURE(ExpectSelection(FrameOf(kA), "click on panel A"));
    EndWithEsc();
}

}  // namespace
