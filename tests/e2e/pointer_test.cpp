// The pointer in the picture: with [Capture] Cursor=1 the pointer is drawn
// into the frozen screen where it stood at the freeze, so a copy holds it;
// without the setting the copy is the screen's pixels alone.
#include <X11/keysym.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "tests/e2e/Dialogs.h"
#include "tests/e2e/ImageFiles.h"
#include "tests/e2e/OverlayFixture.h"

using namespace e2e;
namespace fs = std::filesystem;

namespace {

struct At {
    int x, y;
};

class PointerE2E : public OverlayE2E {
protected:
    void SetUp() override {
        OverlayE2E::SetUp();
        if (HasFatalFailure()) return;
        UsePrivateCopy("vellumo-pointer-");
    }

    // A capture started with the pointer at `at`, `sel` dragged and copied:
    // the clipboard's picture, checked to be `sel`'s size.
    std::optional<Image> CaptureAndCopy(At at, const Box& sel) {
        Launch(at.x, at.y);
        if (HasFatalFailure()) return std::nullopt;
        DragWithMoves(sel.l, sel.t, sel.r(), sel.b(), 10);
        EXPECT_TRUE(WaitSelected()) << "no selection";
        const auto top = Overlay().top;
        EXPECT_TRUE(top && WaitUntil([&] { return d_->KeysReach(top->hwnd); }, 3s, 20ms));
        d_->KeyDown(XK_Control_L);
        d_->Tap(XK_c);
        d_->KeyUp(XK_Control_L);
        EXPECT_TRUE(d_->WaitExit(app_, 10s)) << "the copy did not end the capture";
        const fs::path dump = dir_ / "clipboard.ppm";
        const RunResult r = d_->Run(WinExe("vprobe.exe"), {"clipboard", WinPath(dump)});
        EXPECT_EQ(r.out, "B\t" + std::to_string(sel.w) + "\t" + std::to_string(sel.h) + "\n");
        return ParsePpm(ReadFile(dump));
    }

    struct Differences {
        int near = 0;   // within the pointer's 32 x 32 cell right and below the hot spot
        int far = 0;    // anywhere else
    };
    Differences Compare(const Image& copied, const Image& screen, const Box& sel, At at) {
        Differences d;
        for (int y = 0; y < sel.h; ++y)
            for (int x = 0; x < sel.w; ++x) {
                if (copied.at(x, y) == screen.at(sel.l + x, sel.t + y)) continue;
                const int dx = sel.l + x - at.x, dy = sel.t + y - at.y;
                (dx >= -2 && dx < 32 && dy >= -2 && dy < 32 ? d.near : d.far)++;
            }
        return d;
    }
};

TEST_F(PointerE2E, ThePointerIsInTheCopyOnlyWithTheSetting) {
    const At at{kA.l + 60, kA.t + 50};
    const Box sel{kA.l + 10, kA.t + 10, 120, 100};
    const Image screen = d_->Grab();

    // Off by default: the copy is the screen, pixel for pixel.
    const auto plain = CaptureAndCopy(at, sel);
    ASSERT_TRUE(plain) << "no bitmap read back";
    const Differences off = Compare(*plain, screen, sel, at);
    EXPECT_EQ(off.near + off.far, 0) << "the pointer was drawn with no setting";

    std::ofstream(dir_ / "set.ini", std::ios::binary) << "[Capture]\r\nCursor=1\r\n";
    const auto withPointer = CaptureAndCopy(at, sel);
    ASSERT_TRUE(withPointer) << "no bitmap read back";
    const Differences on = Compare(*withPointer, screen, sel, at);
    // An arrow is some dozens of pixels, all beside its hot spot.
    EXPECT_GE(on.near, 20) << "no pointer at the freeze point";
    EXPECT_EQ(on.far, 0) << "pixels changed away from the pointer";
}

}  // namespace
