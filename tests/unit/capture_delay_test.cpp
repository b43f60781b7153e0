// The wait before a delayed capture: starting, cancelling and restarting it
// from the tray and the hotkey, and the tip that counts down.
#include <gtest/gtest.h>

#include "app/CaptureDelay.h"

namespace vellumo {
namespace {

using Outcome = CaptureDelay::Outcome;

TEST(CaptureDelay, TheSameChoiceAgainCancelsAnotherRestarts) {
    CaptureDelay d;
    EXPECT_FALSE(d.waiting());
    EXPECT_EQ(d.Choose(5, 1000), Outcome::Started);
    EXPECT_TRUE(d.waiting());
    EXPECT_EQ(d.Choose(10, 2000), Outcome::Restarted);
    EXPECT_EQ(d.SecondsLeft(2000), 10) << "a restart counts from the new choice";
    EXPECT_EQ(d.Choose(10, 3000), Outcome::Cancelled);
    EXPECT_FALSE(d.waiting());
    EXPECT_FALSE(d.TakeDue(60000)) << "a cancelled wait never comes due";
}

TEST(CaptureDelay, TheHotkeyTogglesWithTheLastChosenDelay) {
    CaptureDelay d;
    EXPECT_EQ(d.Press(0), Outcome::Started);
    EXPECT_EQ(d.SecondsLeft(0), kDefaultCaptureDelay);
    EXPECT_EQ(d.Press(500), Outcome::Cancelled);
    EXPECT_FALSE(d.waiting());
    d.Choose(10, 1000);
    d.Cancel();
    EXPECT_EQ(d.Press(2000), Outcome::Started);
    EXPECT_EQ(d.SecondsLeft(2000), 10);
    // A menu choice of the same delay cancels what the hotkey started.
    EXPECT_EQ(d.Choose(10, 2500), Outcome::Cancelled);
}

TEST(CaptureDelay, ComesDueOnceAtItsEnd) {
    CaptureDelay d;
    d.Choose(3, 10000);
    EXPECT_FALSE(d.TakeDue(12999));
    EXPECT_TRUE(d.waiting());
    EXPECT_TRUE(d.TakeDue(13000));
    EXPECT_FALSE(d.waiting());
    EXPECT_FALSE(d.TakeDue(13001)) << "due once";
}

TEST(CaptureDelay, TipCountsDownInWholeSecondsRoundedUp) {
    CaptureDelay d;
    EXPECT_EQ(d.Tip(0), L"");
    d.Choose(3, 0);
    EXPECT_EQ(d.Tip(0), L"Vellumo: capture in 3 s (choose it again to cancel)");
    EXPECT_EQ(d.SecondsLeft(1), 3);
    EXPECT_EQ(d.SecondsLeft(999), 3);
    EXPECT_EQ(d.SecondsLeft(1000), 2);
    EXPECT_EQ(d.SecondsLeft(2001), 1);
    EXPECT_EQ(d.Tip(2999), L"Vellumo: capture in 1 s (choose it again to cancel)");
    EXPECT_EQ(d.Tip(3000), L"Vellumo: capturing now");
    EXPECT_LE(d.Tip(0).size(), 127u) << "the tray's tip holds 127 characters";
}

}  // namespace
}  // namespace vellumo
