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

// With only the desktop beneath the hidden Floaters (painted by the system
// as they go), the wait ends at the first look that no longer shows their
// pixels, with no quiet spell; until then it waits as ever, up to its cap.
TEST(RepaintWait, OverTheDesktopEndsOnceTheFloatersPixelsHaveGone) {
    using vellumo::RepaintWait;
    RepaintWait bare(false);
    EXPECT_FALSE(bare.Over(0, false, true)) << "still showing the Floater";
    EXPECT_FALSE(bare.Over(2, true, false)) << "paint pending";
    EXPECT_TRUE(bare.Over(4, false, false));

    RepaintWait atOnce(false);
    EXPECT_TRUE(atOnce.Over(0, false, false));
    // A window beneath keeps the quiet spell.
    RepaintWait windows(true);
    EXPECT_FALSE(windows.Over(0, false, false));

    RepaintWait stuck(false);
    for (unsigned t = 0; t < RepaintWait::kMaxMs; t += 2) EXPECT_FALSE(stuck.Over(t, false, true)) << t;
    EXPECT_TRUE(stuck.Over(RepaintWait::kMaxMs, false, true));
}

// A window lies beneath the Floaters when it overlaps any of them; one that
// only touches an edge, or stands elsewhere, does not.
TEST(RepaintWait, AWindowIsBeneathTheFloatersItOverlaps) {
    using vellumo::Beneath;
    using vellumo::Rect;
    const std::vector<Rect> floaters{{100, 100, 200, 150}, {600, 50, 40, 40}};
    EXPECT_TRUE(Beneath({0, 0, 1024, 768}, floaters));
    EXPECT_TRUE(Beneath({290, 240, 50, 50}, floaters)) << "overlapping one corner by 10 x 10";
    EXPECT_TRUE(Beneath({630, 80, 5, 5}, floaters)) << "within the second";
    EXPECT_FALSE(Beneath({300, 100, 50, 50}, floaters)) << "touching the right edge";
    EXPECT_FALSE(Beneath({100, 250, 200, 10}, floaters)) << "touching the bottom edge";
    EXPECT_FALSE(Beneath({400, 400, 100, 100}, floaters));
    EXPECT_FALSE(Beneath({0, 0, 1024, 768}, {})) << "no Floaters";
    EXPECT_FALSE(Beneath({150, 150, 0, 0}, floaters)) << "a window of no size";
}

// Five different pixels, each inside the Floater: the centre and one in
// each quarter, down to the smallest Floater sampled (5 x 5) and on a
// monitor left of and above the primary one.
TEST(RepaintWait, SamplesTheCentreAndEachQuarterOfAFloater) {
    using vellumo::Point;
    using vellumo::Rect;
    for (const Rect r : {Rect{0, 0, 5, 5}, Rect{10, 20, 6, 7}, Rect{-1920, -300, 344, 176}, Rect{100, 50, 3840, 2160}}) {
        const auto points = vellumo::CoveredSamplePoints(r);
        const Point centre{r.left + r.width / 2, r.top + r.height / 2};
        EXPECT_EQ(points[0], centre) << r.left << "," << r.top;
        int quarters[2][2] = {};
        for (std::size_t i = 0; i < points.size(); ++i) {
            const Point p = points[i];
            EXPECT_TRUE(r.contains(p)) << "point " << i << " (" << p.x << "," << p.y << ") of " << r.width << "x"
                                       << r.height;
            for (std::size_t j = 0; j < i; ++j) EXPECT_FALSE(points[j] == p) << "points " << j << " and " << i;
            if (i > 0) ++quarters[p.x > centre.x][p.y > centre.y];
        }
        for (const auto& column : quarters)
            for (int n : column) EXPECT_EQ(n, 1) << "one point in each quarter of " << r.width << "x" << r.height;
    }
}
