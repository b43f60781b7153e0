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

}  // namespace
