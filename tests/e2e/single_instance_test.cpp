// Two starts at the same moment on a screen so large that its freeze takes
// seconds: exactly one copy may stay, with one capture; the other hands over
// and ends. (An 8K freeze took over a second on a tester's machine and now
// and then beat the old one-second guard; here a 16K screen takes about
// four.) The 32-bit exe gets a 10K screen, about two seconds: a 16K freeze
// needs several 531 MB blocks at once (the frozen screen, the surface, the
// grab's own buffer), and a 32-bit process under Wine seldom has more than
// two free stretches that long, so that freeze is now and then refused as
// one there is no memory for, and the user is told so.
#include <gtest/gtest.h>

#include <algorithm>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "tests/e2e/Desktop.h"
#include "tests/e2e/DesktopE2E.h"
#include "tests/e2e/harness/Harness.h"

using namespace e2e;
namespace fs = std::filesystem;

namespace {

const bool kThirtyTwoBit = TestArch() == Arch::Win32;
const int kWidth = kThirtyTwoBit ? 10240 : 15360, kHeight = kThirtyTwoBit ? 5760 : 8640;

class SingleInstanceE2E : public DesktopE2E {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(StartDisplay(kWidth, kHeight));
        // A private copy: no "set.ini" of another test beside it.
        UsePrivateCopy("vellumo-instance-");
    }

    int VisibleOverlays() {
        int n = 0;
        for (const WinInfo& w : d_->ListWindows("VellumoScrShot"))
            n += w.cls == "VellumoScrShot" && w.parent == "0" && w.visible;
        return n;
    }
};

// Fixed fault: the second copy waited a second for the first one's window,
// gave up while the freeze still ran, and both stayed resident.
TEST_F(SingleInstanceE2E, TwoStartsAtTheSameMomentOnAHugeScreenLeaveOneCopyWithOneCapture) {
    for (int round = 1; round <= 2; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        d_->MovePointer(kWidth / 2, kHeight / 2);
        const pid_t first = d_->Start(exe_);
        const pid_t second = d_->Start(exe_);
        // One of them hands over and ends, however long the other's freeze takes.
        std::optional<pid_t> ended, stays;
        const bool oneEnded = WaitUntil(
            [&] {
                if (!d_->Running(first)) ended = first, stays = second;
                else if (!d_->Running(second)) ended = second, stays = first;
                return ended.has_value();
            },
            60s, 50ms);
        ASSERT_TRUE(oneEnded) << "both copies still run after a minute";
        int code = -1;
        ASSERT_TRUE(d_->WaitExit(*ended, 1s, &code));
        EXPECT_EQ(code, 0) << "the copy that handed over ended badly";
        // The copy that stays may restart its capture for the hand-over (a
        // moment with none shown); never two at once.
        int most = 0;
        const bool one = WaitUntil(
            [&] {
                const int n = VisibleOverlays();
                most = std::max(most, n);
                return n == 1;
            },
            60s, 100ms);
        ASSERT_TRUE(one || most > 1) << "no capture at all";
        EXPECT_TRUE(d_->Running(*stays)) << "the copy that stays ended";
        EXPECT_EQ(most, 1) << "more than one capture on the screen";
        d_->Stop(*stays);
    }
}

}  // namespace
