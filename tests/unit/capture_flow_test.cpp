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
