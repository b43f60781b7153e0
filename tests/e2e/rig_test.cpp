// The harness's other desktops: two monitors, one of them at negative Windows
// coordinates, and a Wine prefix at 144 DPI. When these fail, a multi-monitor
// or DPI test of the program says nothing about the program.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "tests/e2e/FixtureLayout.h"
#include "tests/e2e/harness/Harness.h"

using namespace e2e;
using namespace vellumo::e2e;

namespace {

std::vector<Monitor> Sorted(std::vector<Monitor> ms) {
    std::sort(ms.begin(), ms.end(), [](const Monitor& a, const Monitor& b) { return a.left < b.left; });
    return ms;
}

TEST(Rig, TwoMonitorsAsWindowsSeesThem) {
    ASSERT_TRUE(std::filesystem::exists(WinExe("vprobe.exe"))) << "run make build-win64";
    std::string name;
    {
        Display d(Rig{.twoMonitors = true});
        name = d.name();
        EXPECT_EQ(d.width(), 2304);
        EXPECT_EQ(d.height(), 800);
        EXPECT_EQ(d.ToX(-1024), 0);
        EXPECT_EQ(d.ToX(0), 1024);

        const WinDesktop desk = d.ProbeDesktop();
        EXPECT_EQ(desk.monitorCount, 2);
        EXPECT_EQ(desk.virtualScreen, (Monitor{-1024, 0, 1280, 800, false}));
        EXPECT_EQ(Sorted(desk.monitors), Sorted(d.monitors()));

        // A mark painted on the left monitor's X area is where Windows expects
        // it, and only there: the pixels around it and the primary's are the
        // background.
        const Pixel bg{40, 70, 110}, mark{230, 30, 140};
        d.SetBackground(bg);
        d.FillRect(d.ToX(-1000), d.ToY(100), 8, 8, mark);
        EXPECT_EQ(d.GetPixel(d.ToX(-997), d.ToY(103)), mark);
        EXPECT_EQ(d.WinPixel(-997, 103), mark);
        EXPECT_EQ(d.WinPixel(-1001, 103), bg);
        EXPECT_EQ(d.WinPixel(-997, 108), bg);
        EXPECT_EQ(d.WinPixel(3, 103), bg);

        // A window Windows places on the left monitor shows in its X area.
        const Palette& p0 = kPalettes[0];
        const Pixel top{p0.top.r, p0.top.g, p0.top.b};
        d.Start(WinExe("vfixture.exe"), {"-900", "60", "400", "300"});
        EXPECT_TRUE(WaitUntil([&] { return d.GetPixel(d.ToX(-898), d.ToY(62)) == top; }, 10s))
            << "pixel " << ToString(d.GetPixel(d.ToX(-898), d.ToY(62)));
        EXPECT_EQ(d.GetPixel(d.ToX(-901), d.ToY(62)), bg);
        const auto wins = d.ListWindows("VellumoFixture");
        ASSERT_FALSE(wins.empty());
        EXPECT_EQ((std::array{wins[0].left, wins[0].top}), (std::array{-900, 60}));

        // Real X input lands at the Windows point on the left monitor.
        d.MovePointer(d.ToX(-500), d.ToY(300));
        int cx = 0, cy = 0;
        EXPECT_TRUE(WaitUntil([&] { return d.WinCursor(&cx, &cy) && cx == -500 && cy == 300; }, 3s))
            << "cursor at " << cx << "," << cy;
        EXPECT_FALSE(ProcessesOf(name).empty());
    }
    // The real X server ends with its Display, as Xvfb does.
    EXPECT_TRUE(ProcessesOf(name).empty());
    EXPECT_FALSE(std::filesystem::exists("/tmp/.X11-unix/X" + name.substr(1)));
}

TEST(Rig, PrefixAt144Dpi) {
    ASSERT_TRUE(std::filesystem::exists(WinExe("vprobe.exe"))) << "run make build-win64";
    {
        Display d(Rig{.dpi = 144});
        EXPECT_NE(d.prefix(), SharedPrefix());
        const WinDesktop desk = d.ProbeDesktop();
        EXPECT_EQ(desk.logPixels, 144);
        EXPECT_EQ(desk.systemDpi, 144);
        EXPECT_EQ(desk.monitorCount, 1);
    }
    // The shared prefix stays at 96.
    Display plain;
    const WinDesktop desk = plain.ProbeDesktop();
    EXPECT_EQ(desk.logPixels, 96);
    EXPECT_EQ(desk.systemDpi, 96);
}

}  // namespace
