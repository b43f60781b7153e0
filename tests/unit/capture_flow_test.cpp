#include <gtest/gtest.h>

#include "app/CaptureFlow.h"

namespace vellumo {
namespace {

using Action = HotkeyPressPlan::Action;

TEST(HotkeyPress, ReturnsATranslucentHostToNormalAndOtherwiseCaptures) {
    // With no host there is nothing to restore.
    EXPECT_EQ(PlanHotkeyPress({.floaterHostLoaded = true, .hostTranslucent = true}).action, Action::BackToNormal);
    EXPECT_EQ(PlanHotkeyPress({.floaterHostLoaded = true, .hostTranslucent = false}).action, Action::Capture);
    EXPECT_EQ(PlanHotkeyPress({.floaterHostLoaded = false, .hostTranslucent = true}).action, Action::Capture);
    EXPECT_EQ(PlanHotkeyPress({}).action, Action::Capture);
}

TEST(HotkeyPress, DropsAPressWhileACaptureIsBeingStarted) {
    EXPECT_EQ(PlanHotkeyPress({.restarting = true}).action, Action::Ignore);
    EXPECT_EQ(PlanHotkeyPress({.restarting = true, .floaterHostLoaded = true, .hostTranslucent = true}).action,
              Action::Ignore);
}

// The Floaters stay out of the fresh freeze, and the freeze waits for the
// screen beneath only when something of ours covered it.
TEST(HotkeyPress, HidesTheFloatersAndWaitsOnlyForWhatUncovers) {
    const HotkeyPressPlan first = PlanHotkeyPress({});
    EXPECT_FALSE(first.hideFloaters);
    EXPECT_FALSE(first.waitForRepaint);
    EXPECT_FALSE(first.showFloatersIfRefused);

    const HotkeyPressPlan hiddenHost = PlanHotkeyPress({.floaterHostLoaded = true});
    EXPECT_TRUE(hiddenHost.hideFloaters);
    EXPECT_FALSE(hiddenHost.waitForRepaint);
    EXPECT_FALSE(hiddenHost.showFloatersIfRefused) << "hidden Floaters must not come back on a refusal";

    const HotkeyPressPlan shown =
        PlanHotkeyPress({.floaterHostLoaded = true, .floaterHostShown = true});
    EXPECT_TRUE(shown.hideFloaters);
    EXPECT_TRUE(shown.waitForRepaint);
    EXPECT_TRUE(shown.showFloatersIfRefused);

    const HotkeyPressPlan overCapture = PlanHotkeyPress({.captureOpen = true});
    EXPECT_TRUE(overCapture.waitForRepaint);
    EXPECT_FALSE(overCapture.hideFloaters);
}

}  // namespace
}  // namespace vellumo

// The wait before a fresh freeze ends once nothing has been left to paint
// for a while, a late repaint starting the quiet time again, and never
// goes past its cap however busy the other programs stay.
TEST(RepaintWait, EndsAfterAQuietSpellOrAtItsCap) {
    using vellumo::RepaintWait;
    RepaintWait quiet;
    EXPECT_FALSE(quiet.Over(0, false));
    EXPECT_FALSE(quiet.Over(RepaintWait::kQuietMs - 1, false));
    EXPECT_TRUE(quiet.Over(RepaintWait::kQuietMs, false));

    RepaintWait late;
    EXPECT_FALSE(late.Over(0, false));
    EXPECT_FALSE(late.Over(15, true)) << "paint pending again: not over";
    EXPECT_FALSE(late.Over(20, false));
    EXPECT_FALSE(late.Over(20 + RepaintWait::kQuietMs - 1, false));
    EXPECT_TRUE(late.Over(20 + RepaintWait::kQuietMs, false));

    // The Floaters' pixels still on the screen: not over, however quiet.
    RepaintWait covered;
    EXPECT_FALSE(covered.Over(0, false, true));
    EXPECT_FALSE(covered.Over(RepaintWait::kQuietMs + 5, false, true));
    EXPECT_FALSE(covered.Over(RepaintWait::kQuietMs + 10, false, false)) << "the quiet spell starts when they go";
    EXPECT_TRUE(covered.Over(2 * RepaintWait::kQuietMs + 10, false, false));

    RepaintWait busy;
    for (unsigned t = 0; t < RepaintWait::kMaxMs; t += 5) EXPECT_FALSE(busy.Over(t, t % 2 == 0, t % 2 != 0)) << t;
    EXPECT_TRUE(busy.Over(RepaintWait::kMaxMs, true, true));
    EXPECT_LE(RepaintWait::kQuietMs, RepaintWait::kMaxMs);
}
