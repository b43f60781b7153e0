#include <gtest/gtest.h>

#include "app/CaptureFlow.h"

namespace vellumo {
namespace {

using Action = HotkeyPressPlan::Action;

TEST(HotkeyPress, ReturnsATranslucentHostToNormalAndOtherwiseCaptures) {
    // Anything but "0" is translucent; with no host there is nothing to restore.
    for (const wchar_t* flag : {L"1", L"", L"00", L"2"})
        EXPECT_EQ(PlanHotkeyPress({.floaterHostLoaded = true, .transparencyFlag = flag}).action, Action::BackToNormal);
    EXPECT_EQ(PlanHotkeyPress({.floaterHostLoaded = true, .transparencyFlag = L"0"}).action, Action::Capture);
    EXPECT_EQ(PlanHotkeyPress({.floaterHostLoaded = false, .transparencyFlag = L"1"}).action, Action::Capture);
    EXPECT_EQ(PlanHotkeyPress({}).action, Action::Capture);
}

TEST(HotkeyPress, DropsAPressWhileACaptureIsBeingStarted) {
    EXPECT_EQ(PlanHotkeyPress({.restarting = true}).action, Action::Ignore);
    EXPECT_EQ(PlanHotkeyPress({.restarting = true, .floaterHostLoaded = true, .transparencyFlag = L"1"}).action,
              Action::Ignore);
}

// The Floaters stay out of the fresh freeze, and the freeze waits for the
// screen beneath only when something of ours covered it.
TEST(HotkeyPress, HidesTheFloatersAndWaitsOnlyForWhatUncovers) {
    const HotkeyPressPlan first = PlanHotkeyPress({});
    EXPECT_FALSE(first.hideFloaters);
    EXPECT_FALSE(first.waitForRepaint);
    EXPECT_FALSE(first.showFloatersIfRefused);

    const HotkeyPressPlan hiddenHost = PlanHotkeyPress({.floaterHostLoaded = true, .transparencyFlag = L"0"});
    EXPECT_TRUE(hiddenHost.hideFloaters);
    EXPECT_FALSE(hiddenHost.waitForRepaint);
    EXPECT_FALSE(hiddenHost.showFloatersIfRefused) << "hidden Floaters must not come back on a refusal";

    const HotkeyPressPlan shown =
        PlanHotkeyPress({.floaterHostLoaded = true, .transparencyFlag = L"0", .floaterHostShown = true});
    EXPECT_TRUE(shown.hideFloaters);
    EXPECT_TRUE(shown.waitForRepaint);
    EXPECT_TRUE(shown.showFloatersIfRefused);

    const HotkeyPressPlan overCapture = PlanHotkeyPress({.captureOpen = true});
    EXPECT_TRUE(overCapture.waitForRepaint);
    EXPECT_FALSE(overCapture.hideFloaters);
}

}  // namespace
}  // namespace vellumo
