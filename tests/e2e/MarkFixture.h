// The overlay with a region of known colours selected, for tests that draw
// marks on it: the fixture (100,150 400x300) with desktop round it on all
// sides, the toolbar beside it, strokes made with real pointer input, and
// the region copied and read back from the clipboard (by vprobe.exe).
#pragma once
#include <X11/keysym.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

#include "tests/e2e/ImageFiles.h"
#include "tests/e2e/OverlayFixture.h"
#include "tests/e2e/harness/Harness.h"

namespace e2e {

// x 500..620 and y 100..150 are plain desktop, x 100..500 y 330..450 the
// fixture's plain top-level colour.
inline constexpr Box kMarkSel{60, 100, 560, 400};
inline const Pixel kFixtureTop = Of(fixture::kPalettes[0].top);

class MarkE2E : public OverlayE2E {
protected:
    // `name` tells this suite's scratch folder from the others'.
    explicit MarkE2E(const char* name) : name_(name) {}

    void SetUp() override {
        OverlayE2E::SetUp();
        if (HasFatalFailure()) return;
        dir_ = std::filesystem::path("/tmp") / ("vellumo-" + name_ + "-e2e-" + std::to_string(getpid()));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        original_ = d_->Grab(kMarkSel.l, kMarkSel.t, kMarkSel.w, kMarkSel.h);
        ASSERT_EQ(Original(560, 200), kBg) << "the desktop is not where expected";
        ASSERT_EQ(Original(200, 400), kFixtureTop) << "the fixture is not where expected";
    }

    void TearDown() override {
        OverlayE2E::TearDown();
        if (HasFailure()) {
            std::printf("files of the failed test kept in %s\n", dir_.c_str());
            return;
        }
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }

    // The desktop before any overlay, at screen point (x, y) of the selection.
    const Pixel& Original(int x, int y) const { return original_.at(x - kMarkSel.l, y - kMarkSel.t); }
    // The copied picture's pixel at screen point (x, y).
    static const Pixel& At(const Image& img, int x, int y) { return img.at(x - kMarkSel.l, y - kMarkSel.t); }

    // vellumo.exe over the fixture with kMarkSel selected by a paced drag.
    void LaunchAndSelect() {
        ASSERT_NO_FATAL_FAILURE(Launch(kB.cx(), kB.cy()));
        ExpectPixelSoon(900, 700, Dark(kBg), "desktop outside the detected frame", 5s);
        DragWithMoves(kMarkSel.l, kMarkSel.t, kMarkSel.r(), kMarkSel.b(), 12);
        OverlayView v;
        ASSERT_TRUE(WaitUntil(
            [&] {
                v = Overlay();
                return v.ToolsShown() && v.Handles() == HandlesFor(kMarkSel);
            },
            3s, 50ms))
            << "toolbar shown " << v.ToolsShown() << ", handles " << Describe(v.Handles()) << ", want them on "
            << Str(kMarkSel);
        tools_ = BoxOf(*v.tools);
        overlay_ = v.top->hwnd;
    }

    // Screen point of toolbar pixel (x, y).
    int TX(int x) const { return tools_.l + x; }
    int TY(int y) const { return tools_.t + y; }

    void ClickTools(int x, int y) {
        Jump(TX(x), TY(y));
        std::this_thread::sleep_for(50ms);
        d_->Click();
    }

    // Press at `from`, `moves` paced moves, release at `to` once the program
    // has taken in the last move (its magnifier stands beside it).
    void Stroke(int fx, int fy, int tx, int ty, int moves = 8) {
        GlideTo(fx, fy);
        d_->ButtonDown();
        for (int i = 1; i <= moves; ++i) {
            Jump(fx + (tx - fx) * i / moves, fy + (ty - fy) * i / moves);
            std::this_thread::sleep_for(25ms);
        }
        WaitVa(tx, ty);
        d_->ButtonUp();
        std::this_thread::sleep_for(30ms);
    }

    // Clicks into the toolbar's text box at `box` and replaces its text by typing.
    void TypeInto(const Box& box, const std::string& text) {
        ClickTools(box.l + box.w / 2, box.t + box.h / 2);
        std::this_thread::sleep_for(100ms);
        d_->Tap(XK_Home);
        d_->KeyDown(XK_Shift_L);
        d_->Tap(XK_End);
        d_->KeyUp(XK_Shift_L);
        d_->Tap(XK_Delete);
        TypeText(*d_, text);
        std::this_thread::sleep_for(100ms);
    }

    // Copy: the process ends, the clipboard holds the selection.
    Image CopyAndRead() {
        std::optional<WinInfo> copy;
        for (const WinInfo& w : d_->ListWindows("VellumoScrShot"))
            if (w.cls == "VellumoToolButton" && w.title == "Image1" && w.visible) copy = w;
        EXPECT_TRUE(copy) << "no copy button Image1";
        if (!copy) return {};
        ShotIfFailed();
        ClickAt(*d_, copy->left + copy->width() / 2, copy->top + copy->height() / 2);
        EXPECT_TRUE(d_->WaitExit(app_, 10s)) << "the copy did not end the capture";
        const std::filesystem::path dump = dir_ / "clipboard.ppm";
        const RunResult r = d_->Run(WinExe("vprobe.exe"), {"clipboard", WinPath(dump)});
        EXPECT_EQ(r.out, "B\t" + std::to_string(kMarkSel.w) + "\t" + std::to_string(kMarkSel.h) + "\n")
            << "the clipboard's bitmap is not the selection's size";
        const auto img = ParsePpm(ReadFile(dump));
        EXPECT_TRUE(img) << "no bitmap read back from the clipboard";
        if (!img) return {};
        WritePng((dir_ / "clipboard.png").string(), *img);  // kept when the test fails
        return *img;
    }

    std::filesystem::path dir_;
    Image original_;
    Box tools_{};          // the toolbar, on the screen
    std::string overlay_;  // the overlay's window handle

private:
    std::string name_;
};

}  // namespace e2e
