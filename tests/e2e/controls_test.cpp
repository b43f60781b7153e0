// The value slider and the caption label as real windows: vcontrols.exe
// hosts one of each under Wine and reports in its title what they raised
// ("v=<value> c=<changes> k=<clicks> d=<double-clicks> m=<moves over the
// host> h=<hover log>").
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <sstream>
#include <thread>

#include "tests/e2e/harness/Harness.h"

using namespace e2e;

namespace {

constexpr Pixel kOrange{255, 128, 0};
constexpr Pixel kWhite{255, 255, 255};
constexpr Pixel kDarkGrey{64, 64, 64};
// Screen places (the host is at 0,0): slider 200 x 20 at (20, 20) for
// 0..255; label 80 x 30 at (20, 60), no frame.
constexpr int kSliderL = 20, kSliderW = 200, kThumbY = 22, kSliderY = 30;
constexpr int kLabelL = 20, kLabelT = 60, kLabelW = 80, kLabelH = 30;

struct Controls {
    Display d;
    pid_t pid = d.Start(WinExe("vcontrols.exe"));

    std::string Title() {
        const auto w = d.ListWindows("VellumoControlsHost");
        return w.empty() ? std::string() : w[0].title;
    }
    bool TitleMatches(const std::string& re, Ms timeout = 3s) {
        return WaitUntil([&] { return std::regex_search(Title(), std::regex(re)); }, timeout);
    }
    // Moves the host saw over its bare surface.
    int HostMoves() {
        std::smatch m;
        const std::string t = Title();
        return std::regex_search(t, m, std::regex(" m=(\\d+) ")) ? std::stoi(m[1]) : -1;
    }
    // A move to (x, y) on the bare surface, seen: whatever input came before
    // it has been handled.
    bool MoveSeenOnTheHost(int x, int y) {
        const int before = HostMoves();
        d.MovePointer(x, y);
        return WaitUntil([&] { return HostMoves() > before; }, 3s);
    }
    // The window holding the pointer capture in the program, by class ("-": none).
    std::string CaptureClass() {
        std::istringstream in(d.Run(WinExe("vprobe.exe"), {"focus", "VellumoControlsHost"}).out);
        std::string field, last;
        while (std::getline(in, field, '\t')) last = field;
        while (!last.empty() && last.back() == '\n') last.pop_back();
        return last;
    }
    // Thumb centre in screen x for a value, with its colour.
    static int ThumbX(int value) { return kSliderL + value * kSliderW / 255; }
};

TEST(ControlsE2E, SliderDragsToBothEndsAndLabelReportsHoverAndClicks) {
    ASSERT_TRUE(std::filesystem::exists(WinExe("vcontrols.exe"))) << "build vcontrols.exe (win64) first";
    Controls c;
    ASSERT_TRUE(c.TitleMatches("^v=100 c=0 k=0 d=0 m=[0-9]+ h=$", 15s)) << c.Title();
    ASSERT_TRUE(WaitUntil([&] { return c.d.GetPixel(Controls::ThumbX(100), kThumbY) == kOrange; }, 3s));
    EXPECT_EQ(c.d.GetPixel(kSliderL + 10, kThumbY), kWhite);
    EXPECT_EQ(c.d.GetPixel(kSliderL + kSliderW - 10, kThumbY), kWhite);

    // The label: dark grey, white caption centred in the box.
    int l = 1000, r = -1, t = 1000, b = -1;
    const Image box = c.d.Grab(kLabelL, kLabelT, kLabelW, kLabelH);
    for (int y = 0; y < kLabelH; ++y)
        for (int x = 0; x < kLabelW; ++x)
            if (!Near(box.at(x, y), kDarkGrey, 8)) l = std::min(l, x), r = std::max(r, x), t = std::min(t, y), b = std::max(b, y);
    EXPECT_EQ(box.at(1, 1), kDarkGrey);
    ASSERT_GE(r, l) << "no caption drawn";
    EXPECT_NEAR((l + r) / 2.0, kLabelW / 2.0, 3.0) << "caption x " << l << ".." << r;
    EXPECT_NEAR((t + b) / 2.0, kLabelH / 2.0, 4.0) << "caption y " << t << ".." << b;

    // Press in the middle (no change yet), drag past the right edge: exactly 255.
    c.d.MovePointer(kSliderL + kSliderW / 2, kSliderY);
    c.d.ButtonDown();
    // The slider has taken the pointer: the press is handled.
    ASSERT_TRUE(WaitUntil([&] { return c.CaptureClass() == "VellumoSValue"; }, 3s)) << c.CaptureClass();
    EXPECT_TRUE(c.TitleMatches("^v=100 c=0 ")) << "a press alone changed the value: " << c.Title();
    for (int x = kSliderL + kSliderW / 2; x <= 600; x += 40) c.d.MovePointer(x, kSliderY + (x % 3));
    EXPECT_TRUE(c.TitleMatches("^v=255 ")) << c.Title();
    c.d.ButtonUp();
    EXPECT_TRUE(WaitUntil([&] { return c.d.GetPixel(kSliderL + kSliderW - 3, kThumbY) == kOrange; }, 3s));
    // Moving without the button changes nothing.
    c.d.MovePointer(kSliderL + 50, kSliderY);
    c.d.MovePointer(kSliderL + 60, kSliderY);
    ASSERT_TRUE(c.MoveSeenOnTheHost(kSliderL + 60, kSliderY + 25)) << "the host saw no move: " << c.Title();
    EXPECT_TRUE(c.TitleMatches("^v=255 ")) << c.Title();
    // And past the left edge: 0 (the pointer may leave the window while held).
    c.d.MovePointer(kSliderL + 60, kSliderY);
    c.d.ButtonDown();
    c.d.MovePointer(kSliderL + 30, kSliderY);
    c.d.MovePointer(2, kSliderY + 40);
    EXPECT_TRUE(c.TitleMatches("^v=0 ")) << c.Title();
    c.d.ButtonUp();

    // Label: in over the bare surface, across the caption, out: one enter, one
    // leave. Each step waits for its event: Windows merges pending moves.
    c.d.MovePointer(kLabelL + kLabelW + 40, 75);
    c.d.MovePointer(kLabelL + 2, kLabelT + 2);
    EXPECT_TRUE(c.TitleMatches(" h=ME$")) << c.Title();
    c.d.MovePointer(kLabelL + kLabelW / 2, kLabelT + kLabelH / 2);
    EXPECT_TRUE(c.TitleMatches(" h=MEM$")) << c.Title();
    c.d.MovePointer(kLabelL + kLabelW - 3, kLabelT + kLabelH - 3);
    EXPECT_TRUE(c.TitleMatches(" h=MEMM$")) << c.Title();
    c.d.MovePointer(kLabelL + kLabelW + 40, 75);
    EXPECT_TRUE(c.TitleMatches(" h=MEMML$")) << c.Title();
    ASSERT_TRUE(c.MoveSeenOnTheHost(kLabelL + kLabelW + 60, 80)) << "the host saw no move: " << c.Title();
    EXPECT_TRUE(c.TitleMatches(" h=MEMML$")) << "events after leaving: " << c.Title();

    // A click on the caption and one on the empty part both count; then a double-click.
    c.d.MovePointer(kLabelL + kLabelW / 2, kLabelT + kLabelH / 2);
    c.d.Click();
    EXPECT_TRUE(c.TitleMatches(" k=1 d=0 ")) << c.Title();
    c.d.MovePointer(kLabelL + 4, kLabelT + kLabelH - 4);
    c.d.Click();
    EXPECT_TRUE(c.TitleMatches(" k=2 d=0 ")) << c.Title();
    std::this_thread::sleep_for(700ms);  // not a double-click with the one before
    c.d.Click();
    c.d.Click();
    EXPECT_TRUE(c.TitleMatches(" k=3 d=1 ")) << c.Title();
}

}  // namespace
