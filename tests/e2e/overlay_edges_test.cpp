// The overlay at the edges of what a user does: a selection by the screen's
// right edge (its toolbar must stay clickable) and a press that is a click or
// a drag by how far the pointer went, not by how many moves the system sent.
#include <X11/keysym.h>
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "tests/e2e/Dialogs.h"
#include "tests/e2e/OverlayFixture.h"

using namespace e2e;

namespace {

const fixture::Palette& P0 = fixture::kPalettes[0];

class OverlayEdgesE2E : public OverlayE2E {};

// Fixed fault: a selection near the right edge put the toolbar from the
// selection's left onwards, 101 px past the screen's edge, so its buttons
// could not be clicked. It now ends at the edge, at the size it really has,
// and its quit button works.
TEST_F(OverlayEdgesE2E, ToolbarBesideASelectionAtTheRightEdgeStaysOnTheScreenAndAnswers) {
    ASSERT_NO_FATAL_FAILURE(Launch(800, 560));
    const Box sel{900, 600, 100, 100};
    DragWithMoves(sel.l, sel.t, sel.r(), sel.b(), 10);
    ASSERT_NO_FATAL_FAILURE(ExpectSelection(sel, "a selection by the right edge"));
    const auto tools = Overlay().tools;
    ASSERT_TRUE(tools && tools->visible) << "no toolbar";
    const Box t = BoxOf(*tools);
    EXPECT_EQ(Str(t), Str(Box{kScreenW - t.w, sel.t - t.h - 5, t.w, t.h}))
        << "the toolbar does not end at the screen's right edge, above the selection";
    const auto quit = WaitOverlayChild(*d_, "Exi");
    ASSERT_TRUE(quit) << "no quit button";
    const Box q = BoxOf(*quit);
    ASSERT_TRUE(q.l >= 0 && q.r() <= kScreenW && q.t >= 0 && q.b() <= kScreenH)
        << "the quit button " << Str(q) << " is off the screen";
    GlideTo(q.cx(), q.cy());
    d_->Click();
    EXPECT_TRUE(d_->WaitExit(app_, 5s)) << "the quit button at the screen's edge did not end the capture";
}

// Fixed fault: a press and six or fewer moves were a click, so a quick flick
// picked the window under the pointer (on the bare desktop a 0 x 0 selection
// at (0,0)), and a slow click whose hand trembled over more than six moves
// became a tiny drag. The distance decides now: a flick of three moves
// selects what it spans; a press that trembles within the system's drag
// threshold over many moves still takes the window under it.
TEST_F(OverlayEdgesE2E, AFlickOfThreeMovesSelectsAndATremblingClickTakesTheWindow) {
    ASSERT_NO_FATAL_FAILURE(Launch(700, 330));
    GlideTo(600, 300);
    ASSERT_TRUE(WaitUntil([&] { return RgbCaption() == "RGB(90 , 140 , 60)"; }, 2s, 50ms))
        << "the magnifier did not read the bare desktop: " << RgbCaption();
    d_->ButtonDown();
    for (const auto& [x, y] : {std::pair{670, 350}, std::pair{740, 400}, std::pair{800, 450}}) Jump(x, y);
    d_->ButtonUp();
    ASSERT_NO_FATAL_FAILURE(ExpectSelection({600, 300, 200, 150}, "a flick of three moves"));

    d_->Click(3);  // back to detection
    ExpectBackToDetection("a right click after the flick");
    GlideTo(kB.cx(), kB.cy());
    ExpectRingSoon(FrameOf(kB), 4, "detection of panel B");
    d_->ButtonDown();
    for (int i = 0; i < 12; ++i) {
        MoveSeen(kB.cx() + (i % 2 ? 2 : -1), kB.cy() + (i % 3) - 1);
        std::this_thread::sleep_for(20ms);
    }
    d_->ButtonUp();
    ASSERT_NO_FATAL_FAILURE(ExpectSelection(FrameOf(kB), "a click that trembled over twelve moves"));
    EXPECT_EQ(d_->GetPixel(kB.cx(), kB.cy()), Of(P0.panelB)) << "panel B is not clear inside the selection";
    EndWithEsc();
}

}  // namespace
