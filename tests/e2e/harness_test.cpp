// The harness itself, against vfixture.exe: pixels, window listing, real
// input reaching Wine, and nothing left running afterwards. When these fail,
// the overlay's tests say nothing about the overlay.
#include <X11/keysym.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

#include "tests/e2e/FixtureLayout.h"
#include "tests/e2e/harness/Harness.h"

using namespace e2e;
using namespace vellumo::e2e;

namespace {

Pixel Of(const Rgb& c) { return {c.r, c.g, c.b}; }

TEST(Harness, FixtureShowsInputArrivesAndEverythingEnds) {
    const std::string fixtureExe = WinExe("vfixture.exe");
    ASSERT_TRUE(std::filesystem::exists(fixtureExe)) << fixtureExe << " missing: run make build-win64";
    std::string name;
    {
        Display d(800, 600);
        name = d.name();
        ASSERT_EQ(d.name().size(), 3u);
        EXPECT_GE(d.name(), ":40");
        EXPECT_LE(d.name(), ":69");

        // A window manager runs unless every display was asked to be bare.
        EXPECT_EQ(d.managed(), std::getenv("VELLUMO_E2E_BARE") == nullptr);

        d.SetBackground({90, 140, 60});
        EXPECT_EQ(d.GetPixel(3, 3), (Pixel{90, 140, 60}));
        EXPECT_EQ(d.GetPixel(799, 599), (Pixel{90, 140, 60}));

        const pid_t fx = d.Start(fixtureExe, {"50", "60", "400", "300"});
        const Palette& p0 = kPalettes[0];
        // Nested part: fixture + panel A + nested offsets, its centre.
        const int nx = 50 + kPanelARect.left + kNestedRect.left + kNestedRect.width / 2;
        const int ny = 60 + kPanelARect.top + kNestedRect.top + kNestedRect.height / 2;
        ASSERT_TRUE(WaitUntil([&] { return d.GetPixel(nx, ny) == Of(p0.nested); }, 10s))
            << "fixture never painted; pixel " << ToString(d.GetPixel(nx, ny));
        EXPECT_EQ(d.GetPixel(52, 62), Of(p0.top));
        EXPECT_EQ(d.GetPixel(50 + kPanelBRect.left + 1, 60 + kPanelBRect.top + 1), Of(p0.panelB));
        EXPECT_EQ(d.GetPixel(49, 62), (Pixel{90, 140, 60}));  // just outside

        const auto wins = d.ListWindows("VellumoFixture");
        ASSERT_EQ(wins.size(), 4u);
        EXPECT_EQ(wins[0].parent, "0");
        EXPECT_EQ(wins[0].title, "Fixture");
        EXPECT_EQ((std::array{wins[0].left, wins[0].top, wins[0].right, wins[0].bottom}),
                  (std::array{50, 60, 450, 360}));
        EXPECT_EQ(wins[1].id, kPanelA);
        EXPECT_EQ(wins[2].id, kNested);
        EXPECT_EQ(wins[2].parent, wins[1].hwnd);
        EXPECT_EQ(wins[2].left, 50 + kPanelARect.left + kNestedRect.left);
        EXPECT_EQ(wins[2].width(), kNestedRect.width);
        EXPECT_EQ(wins[3].id, kPanelB);
        EXPECT_TRUE(wins[3].visible);
        EXPECT_EQ(d.WindowText(wins[0].hwnd), "Fixture");

        const RunResult screen = d.Run(WinExe("vprobe.exe"), {"screen"});
        EXPECT_EQ(screen.exitCode, 0);
        EXPECT_EQ(screen.out, "S\t800\t600\n");
        EXPECT_NE(d.Run(WinExe("vprobe.exe"), {"bogus"}).exitCode, 0);

        // Keys reach the window under the pointer: X focus follows it.
        d.MovePointer(nx, ny);
        d.Tap(XK_a);
        EXPECT_TRUE(WaitUntil([&] { return d.ListWindows("VellumoFixture")[0].title == "Fixture key=65"; }, 3s))
            << d.ListWindows("VellumoFixture")[0].title;

        // Each paced XTest move is one WM_MOUSEMOVE: six moves, six messages.
        d.ButtonDown();
        for (int i = 1; i <= 6; ++i) {
            d.MovePointer(nx + 2 * i, ny + i);
            std::this_thread::sleep_for(40ms);
        }
        d.ButtonUp();
        EXPECT_TRUE(WaitUntil([&] { return d.ListWindows("VellumoFixture")[0].title == "Fixture moves=6"; }, 3s))
            << d.ListWindows("VellumoFixture")[0].title;

        // The palette switch repaints every part.
        ASSERT_TRUE(d.PostToWindow("VellumoFixture", kMsgPalette, 1));
        const Palette& p1 = kPalettes[1];
        EXPECT_TRUE(WaitUntil([&] { return d.GetPixel(nx, ny) == Of(p1.nested); }, 3s));
        EXPECT_EQ(d.GetPixel(52, 62), Of(p1.top));

        // The fault hook used by the overlay tests really takes GDI+ away.
        EXPECT_EQ(d.Run(WinExe("vprobe.exe"), {"load", "gdiplus.dll"}).out, "L\t1\n");
        EXPECT_EQ(d.Run(WinExe("vprobe.exe"), {"load", "gdiplus.dll"}, 10s,
                        {"WINEDLLOVERRIDES=mscoree,mshtml=;winemenubuilder.exe=d;gdiplus=d"})
                      .out,
                  "L\t0\n");

        const std::string png = ::testing::TempDir() + "harness_shot.png";
        ASSERT_TRUE(d.SaveScreenshot(png));
        std::ifstream f(png, std::ios::binary);
        char sig[8] = {};
        f.read(sig, 8);
        EXPECT_EQ(std::string(sig + 1, 3), "PNG");
        EXPECT_GT(std::filesystem::file_size(png), 800u * 600u * 3u);

        EXPECT_TRUE(d.Running(fx));
        EXPECT_FALSE(ProcessesOf(name).empty());
    }
    EXPECT_TRUE(ProcessesOf(name).empty());
    EXPECT_FALSE(std::filesystem::exists("/tmp/.X11-unix/X" + name.substr(1)));
}

}  // namespace
