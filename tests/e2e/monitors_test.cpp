// The capture on two monitors: the rig's 1280 x 800 primary and a 1024 x 768
// monitor to its left at negative Windows coordinates, with a 1024 x 32 strip
// below the left one that belongs to no monitor. Everything here is in
// Windows' virtual-screen coordinates; the X side is reached through ToX/ToY.
//
// The X server runs without a window manager: Wine marks a window covering a
// monitor full-screen, and openbox, which does not know
// _NET_WM_FULLSCREEN_MONITORS, fits such a window to one monitor. Windows,
// and window managers that know the hint, leave it spanning all of them.
#include <X11/keysym.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tests/e2e/Desktop.h"
#include "tests/e2e/DesktopE2E.h"
#include "tests/e2e/ImageFiles.h"
#include "tests/e2e/harness/Harness.h"

using namespace e2e;
namespace fs = std::filesystem;

namespace {

constexpr Pixel kDesk{40, 70, 110};
// A fixture window across the boundary, so a copy across it has something
// to be wrong about on both sides.
constexpr Box kAcrossWindow{-200, 420, 400, 300};
// A fixture window on the left monitor, for detection.
constexpr Box kLeftWindow{-900, 60, 400, 300};
const Pixel kLeftWindowTop = Of(fixture::kPalettes[0].top);

// The toolbar, the magnifier and the handles, as the program places them.
constexpr int kToolsW = 225, kToolsH = 134, kToolsGap = 5;
constexpr int kVaW = 130, kVaH = 161, kVaGap = 20;

class MonitorsE2E : public DesktopE2E {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(StartDisplay(Rig{.twoMonitors = true, .desktop = Desktop::Bare}));
        d_->SetBackground(kDesk);
        dir_ = fs::temp_directory_path() / ("vellumo-monitors-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }

    Pixel At(int x, int y) { return d_->GetPixel(d_->ToX(x), d_->ToY(y)); }
    void Move(int x, int y) {
        d_->MovePointer(d_->ToX(x), d_->ToY(y));
        px_ = x;
        py_ = y;
    }

    // Small paced steps, as a hand moves a mouse; returns once the program
    // has taken the last one in (its magnifier has moved beside it).
    void GlideTo(int x, int y) {
        while (px_ != x || py_ != y) {
            Move(px_ + std::clamp(x - px_, -12, 12), py_ + std::clamp(y - py_, -12, 12));
            std::this_thread::sleep_for(3ms);
        }
        WaitUntil([&] { return Cursor() == std::pair{x, y}; }, 1s, 10ms);
    }

    std::pair<int, int> Cursor() {
        int x = 0, y = 0;
        d_->WinCursor(&x, &y);
        return {x, y};
    }

    // vfixture at `at` shows all its parts: its own, panel A, the nested part
    // inside A and panel B (each a child window that paints on its own).
    bool FixtureShows(const Box& at) {
        const fixture::Palette& p = fixture::kPalettes[0];
        const Box a = PartOf(at, fixture::kPanelARect), nested = PartOf(a, fixture::kNestedRect);
        const Box b = PartOf(at, fixture::kPanelBRect);
        return At(at.l + 2, at.t + 2) == Of(p.top) && At(a.l + 2, a.t + 2) == Of(p.panelA) &&
               At(nested.cx(), nested.cy()) == Of(p.nested) && At(b.cx(), b.cy()) == Of(p.panelB);
    }

    pid_t StartFixtureAt(const Box& at) {
        return d_->Start(WinExe("vfixture.exe"),
                         {std::to_string(at.l), std::to_string(at.t), std::to_string(at.w), std::to_string(at.h)});
    }

    // Starts vellumo.exe with the pointer at (x, y); returns once its overlay shows.
    void Launch(int x, int y) {
        Move(x, y);
        app_ = d_->Start(exe_);
        ASSERT_TRUE(WaitUntil([&] { return OverlayWindow() || !d_->Running(app_); }, 10s, 50ms) &&
                    d_->Running(app_))
            << "no visible capture overlay";
    }

    std::optional<WinInfo> OverlayWindow() {
        for (const WinInfo& w : d_->ListWindows("VellumoScrShot"))
            if (w.parent == "0" && w.visible) return w;
        return std::nullopt;
    }

    // The overlay's child of class `cls` (and title, when given), visible.
    std::optional<WinInfo> Child(const std::string& cls, const std::string& title = "") {
        for (const WinInfo& w : d_->ListWindows("VellumoScrShot"))
            if (w.parent != "0" && w.cls == cls && w.visible && (title.empty() || w.title == title)) return w;
        return std::nullopt;
    }

    std::optional<Box> WaitChild(const std::string& cls, const std::string& title = "") {
        std::optional<WinInfo> w;
        WaitUntil([&] { return (w = Child(cls, title)).has_value(); }, 3s, 50ms);
        if (!w) return std::nullopt;
        return BoxOf(*w);
    }

    // The magnifier once it stands beside (x, y) as the program places it
    // on `monitor`: right and below, flipped where it would leave it.
    bool MagnifierBeside(int x, int y, const Monitor& monitor, Box* seen = nullptr) {
        const Box want{x + kVaGap + kVaW <= monitor.right ? x + kVaGap : x - kVaW - kVaGap,
                       y + kVaGap + kVaH <= monitor.bottom ? y + kVaGap : y - kVaH - kVaGap, kVaW, kVaH};
        std::optional<Box> got;
        const bool ok = WaitUntil(
            [&] {
                const auto w = Child("VellumoVa");
                got = w ? std::optional<Box>(BoxOf(*w)) : std::nullopt;
                return got && Str(*got) == Str(want);
            },
            1500ms, 20ms);
        if (seen && got) *seen = *got;
        return ok;
    }

    // A drag with the left button in paced steps; the selection is complete
    // once the toolbar shows.
    void Drag(int fx, int fy, int tx, int ty) {
        GlideTo(fx, fy);
        d_->ButtonDown();
        constexpr int kSteps = 12;
        for (int i = 1; i <= kSteps; ++i) {
            Move(fx + (tx - fx) * i / kSteps, fy + (ty - fy) * i / kSteps);
            std::this_thread::sleep_for(25ms);
        }
        d_->ButtonUp();
    }

    // The eight handles' boxes, sorted, once they are on `f`.
    bool HandlesOn(const Box& f, std::string* seen = nullptr) {
        auto want = [&] {
            std::vector<std::string> out;
            const int xs[3] = {f.l, f.l + f.w / 2, f.l + f.w}, ys[3] = {f.t, f.t + f.h / 2, f.t + f.h};
            for (int j = 0; j < 3; ++j)
                for (int i = 0; i < 3; ++i)
                    if (i != 1 || j != 1) out.push_back(Str(Box{xs[i] - 3, ys[j] - 3, 6, 6}));
            std::sort(out.begin(), out.end());
            return out;
        }();
        return WaitUntil(
            [&] {
                std::vector<std::string> got;
                for (const WinInfo& w : d_->ListWindows("VellumoScrShot"))
                    if (w.cls == "VellumoSi") got.push_back(Str(BoxOf(w)));
                std::sort(got.begin(), got.end());
                if (seen) {
                    seen->clear();
                    for (const auto& g : got) *seen += g + " ";
                }
                return got == want;
            },
            2s, 50ms);
    }

    // Ctrl+C copies and ends the capture; the clipboard's picture read back.
    std::optional<Image> CopyAndRead() {
        d_->KeyDown(XK_Control_L);
        d_->Tap(XK_c);
        d_->KeyUp(XK_Control_L);
        int code = -1;
        EXPECT_TRUE(d_->WaitExit(app_, 5s, &code)) << "Ctrl+C did not end the capture";
        app_ = -1;
        const fs::path dump = dir_ / "clipboard.ppm";
        const RunResult r = d_->Run(WinExe("vprobe.exe"), {"clipboard", WinPath(dump)});
        EXPECT_EQ(r.exitCode, 0) << "vprobe could not read the clipboard: " << r.out;
        return ParsePpm(ReadFile(dump));
    }

    // Pixels of `got` other than the screen's `want` (same size), and the first.
    static int Differences(const Image& got, const Image& want, std::string* first) {
        if (got.width != want.width || got.height != want.height) {
            *first = "size " + std::to_string(got.width) + "x" + std::to_string(got.height);
            return -1;
        }
        int off = 0;
        for (int y = 0; y < want.height; ++y)
            for (int x = 0; x < want.width; ++x)
                if (!(got.at(x, y) == want.at(x, y)) && off++ == 0)
                    *first = "(" + std::to_string(x) + "," + std::to_string(y) + ") " + ToString(got.at(x, y)) +
                             " for " + ToString(want.at(x, y));
        return off;
    }

    pid_t fixture2_ = -1;
    int px_ = 0, py_ = 0;
};

// The overlay covers both monitors; the strip on no monitor shows black; a
// window on the left monitor is detected (Wine, like Windows, keeps the
// pointer on the monitors, so detection in the strip is left to the unit
// tests); a selection across the boundary copies both monitors' pixels
// exactly.
TEST_F(MonitorsE2E, CaptureCoversBothMonitorsAndCopiesAcrossTheBoundary) {
    fixture_ = StartFixtureAt(kLeftWindow);
    fixture2_ = StartFixtureAt(kAcrossWindow);
    // Every part of both, child windows too: the expected picture is grabbed
    // next and must not catch a part still unpainted.
    ASSERT_TRUE(WaitUntil([&] { return FixtureShows(kLeftWindow) && FixtureShows(kAcrossWindow) &&
                                       At(kAcrossWindow.r() - 3, kAcrossWindow.b() - 3) == kLeftWindowTop; }, 10s))
        << "the fixtures never painted";
    // The desktop and the fixture on each side.
    const Box across{-100, 400, 320, 120};
    const Image want = d_->Grab(d_->ToX(across.l), d_->ToY(across.t), across.w, across.h);
    ASSERT_EQ(At(-500, 790), kDesk) << "the strip below the left monitor is not the desktop before the capture";

    ASSERT_NO_FATAL_FAILURE(Launch(300, 500));
    const auto overlay = OverlayWindow();
    EXPECT_EQ(Str(BoxOf(*overlay)), Str(Box{-1024, 0, 2304, 800})) << "the overlay does not cover the virtual screen";
    // The strip was the desktop's colour: black now shows the overlay painted it.
    EXPECT_TRUE(WaitUntil([&] { return At(-500, 790) == Pixel{0, 0, 0} && At(-1, 799) == Pixel{0, 0, 0}; }, 3s))
        << "the strip on no monitor is " << ToString(At(-500, 790)) << " and " << ToString(At(-1, 799));

    // Detection on the left monitor: the 4-px frame around the window.
    const Pixel highlight = d_->SysColor(kColorHighlight);
    GlideTo(-700, 250);
    EXPECT_TRUE(WaitUntil([&] { return Near(At(kLeftWindow.l - 3, 200), highlight) &&
                                       Near(At(kLeftWindow.r() + 2, 200), highlight); }, 2s))
        << "no detection frame around the window on the left monitor: " << ToString(At(kLeftWindow.l - 3, 200));
    // Across the boundary: 100 columns on the left monitor, 220 on the primary.
    Drag(across.l, across.t, across.r(), across.b());
    EXPECT_TRUE(HandlesOn(across)) << "the handles are not on " << Str(across);
    // The toolbar above the selection, on the monitor holding most of it,
    // from that monitor's left edge rather than across the boundary.
    const auto tools = WaitChild("VellumoTools");
    ASSERT_TRUE(tools) << "no toolbar";
    EXPECT_EQ(Str(*tools), Str(Box{0, across.t - kToolsH - kToolsGap, kToolsW, kToolsH}));
    // Outside the selection the desktop darkens on both monitors.
    EXPECT_TRUE(Near(At(-1000, 700), Dark(kDesk)) && Near(At(1200, 700), Dark(kDesk)))
        << "left " << ToString(At(-1000, 700)) << ", primary " << ToString(At(1200, 700));
    GlideTo(600, 600);
    const std::optional<Image> copied = CopyAndRead();
    ASSERT_TRUE(copied) << "no picture on the clipboard";
    std::string first;
    EXPECT_EQ(Differences(*copied, want, &first), 0) << "the copy differs from the screen: " << first;
}

// On the monitor at negative coordinates: a drag, a handle, the toolbar kept
// inside that monitor at the boundary, the magnifier flipping at the
// boundary though the primary lies beyond, a drag into the strip on no
// monitor stopping at the monitor's edge, and a pin centred on that monitor
// while the drop icon stays at the primary's top-right.
TEST_F(MonitorsE2E, LeftMonitorSelectionStaysOnItAndPinsThere) {
    const Monitor left{-1024, 0, 0, 768, false};
    fixture_ = StartFixtureAt(kLeftWindow);
    ASSERT_TRUE(WaitUntil([&] { return FixtureShows(kLeftWindow); }, 10s)) << "the fixture never painted";
    ASSERT_NO_FATAL_FAILURE(Launch(-400, 500));

    // The magnifier flips left of the pointer 149 px from the boundary; 151
    // px from it, it still fits on the right.
    Box va;
    GlideTo(-151, 500);
    EXPECT_TRUE(MagnifierBeside(-151, 500, left, &va)) << "magnifier at " << Str(va);
    EXPECT_EQ(va.l, -131);
    GlideTo(-149, 500);
    EXPECT_TRUE(MagnifierBeside(-149, 500, left, &va)) << "magnifier at " << Str(va);
    EXPECT_EQ(va.l, -299) << "the magnifier did not flip at the left monitor's edge";
    // And above the pointer near the left monitor's bottom (768, not 800).
    GlideTo(-500, 600);
    EXPECT_TRUE(MagnifierBeside(-500, 600, left, &va)) << "magnifier at " << Str(va);
    EXPECT_EQ(va.t, 600 - kVaGap - kVaH);

    // Into the strip: the frame's corner stops at the monitor's bottom edge,
    // 768, or at its last row where the system already keeps the pointer's
    // moves on the monitors (as Windows does); never at 790.
    Drag(-600, 700, -450, 790);
    std::string handles;
    EXPECT_TRUE(HandlesOn({-600, 700, 150, 68}, &handles) || HandlesOn({-600, 700, 150, 67}, &handles))
        << "a drag into the strip did not stop at the left monitor's bottom: " << handles;
    d_->Click(3);  // back to detection

    // A selection near the boundary: its toolbar ends at the boundary.
    const Box sel{-160, 300, 120, 90};
    Drag(sel.l, sel.t, sel.r(), sel.b());
    ASSERT_TRUE(HandlesOn(sel)) << "the handles are not on " << Str(sel);
    auto tools = WaitChild("VellumoTools");
    ASSERT_TRUE(tools);
    EXPECT_EQ(Str(*tools), Str(Box{-kToolsW, sel.t - kToolsH - kToolsGap, kToolsW, kToolsH}))
        << "the toolbar is not inside the left monitor";

    // The bottom-right handle dragged 40 px right and 30 down.
    const Box grown{sel.l, sel.t, sel.w + 40, sel.h + 30};
    Drag(sel.r(), sel.b(), grown.r(), grown.b());
    EXPECT_TRUE(HandlesOn(grown)) << "the handle drag did not grow the selection to " << Str(grown);
    const Image want = d_->Grab(d_->ToX(grown.l), d_->ToY(grown.t), grown.w, grown.h);  // inside the frame: clear

    // Pinned: the Floater is centred on the left monitor.
    const auto pin = WaitChild("VellumoToolButton", "pinimg");
    ASSERT_TRUE(pin) << "no pin button";
    GlideTo(pin->cx(), pin->cy());
    d_->Click();
    std::optional<WinInfo> picture, icon, host;
    ASSERT_TRUE(WaitUntil(
        [&] {
            for (const WinInfo& w : d_->ListWindows("VellumoHoverdeck")) {
                if (w.cls == "VellumoPicture1" && w.visible) picture = w;
                if (w.cls == "VellumoGetimg") icon = w;
                if (w.cls == "VellumoHoverdeck") host = w;
            }
            return picture.has_value();
        },
        10s, 50ms))
        << "no Floater";
    EXPECT_EQ(Str(BoxOf(*picture)), Str(Box{-1024 + (1024 - grown.w) / 2, (768 - grown.h) / 2, grown.w, grown.h}))
        << "the Floater is not centred on the left monitor";
    ASSERT_TRUE(host && icon);
    EXPECT_EQ(Str(BoxOf(*host)), Str(Box{-1024, 0, 2304, 800})) << "the host does not cover the virtual screen";
    EXPECT_EQ(Str(BoxOf(*icon)), Str(Box{1280 - 36 - 33, 33, 36, 36})) << "the drop icon left the primary's corner";
    // The Floater shows the capture where it stands.
    const Box f = BoxOf(*picture);
    EXPECT_TRUE(WaitUntil([&] { return At(f.l + 5, f.t + 5) == want.at(5, 5) && At(f.r() - 10, f.b() - 10) ==
                                                                                    want.at(want.width - 10, want.height - 10); },
                          3s))
        << "the Floater's pixels: " << ToString(At(f.l + 5, f.t + 5)) << " for " << ToString(want.at(5, 5));
}

}  // namespace
