// Floaters outlive the program: what the user made (three Floaters, one
// zoomed, one faded to 40%, one collapsed, all translucent) comes back pixel for pixel at the
// same places when vellumo.exe starts again, whether it was killed outright
// or left by "Exit"; a deleted Floater comes back with "Reopen closed
// Floater", from its menu and from the tray, also after a restart. The
// capture history is off (Keep=0): the Floaters are kept all the same.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/e2e/Desktop.h"
#include "tests/e2e/DesktopE2E.h"
#include "tests/e2e/Dialogs.h"
#include "tests/e2e/FixtureLayout.h"
#include "tests/e2e/ImageFiles.h"
#include "tests/e2e/Menus.h"
#include "tests/e2e/harness/Harness.h"

#include <X11/keysym.h>

using namespace e2e;
using namespace vellumo::e2e;
namespace fs = std::filesystem;

namespace {

constexpr int kPanelL = kFixtureLow.l + kPanelARect.left, kPanelT = kFixtureLow.t + kPanelARect.top;

struct Box {
    int l = 0, t = 0, w = 0, h = 0;
    friend bool operator==(const Box&, const Box&) = default;
    friend bool operator<(const Box& a, const Box& b) { return std::tie(a.l, a.t) < std::tie(b.l, b.t); }
};
std::ostream& operator<<(std::ostream& os, const Box& b) {
    return os << "(" << b.l << "," << b.t << " " << b.w << "x" << b.h << ")";
}

// A Floater as the user sees it: where, how large, shown apart from the host
// (below full opacity), and its pixels on the screen.
struct Seen {
    Box box;
    bool apart = false;
    std::vector<Pixel> pixels;
    friend bool operator==(const Seen&, const Seen&) = default;
};
std::ostream& operator<<(std::ostream& os, const Seen& s) { return os << s.box << (s.apart ? " apart" : ""); }

class KeptFloatersE2E : public DesktopE2E {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(StartDisplay());
        UsePrivateCopy("vellumo-kept-");
        kept_ = dir_ / "history" / "Floaters";
        std::ofstream(dir_ / "set.ini", std::ios::binary)
            << "[History]\r\nFolder=" << WinPath(dir_ / "history") << "\r\nKeep=0\r\n";
        ASSERT_NO_FATAL_FAILURE(StartFixture(
            kFixtureLow, [&] { return d_->GetPixel(kPanelL + 5, kPanelT + 5) == Of(kPalettes[0].panelA); }));
    }

    // The visible Floaters, the host's children and those apart, by place.
    std::vector<Seen> Floaters(bool withPixels = true) {
        std::vector<Seen> out;
        const auto take = [&](const WinInfo& w, bool apart) {
            if (w.cls != "VellumoPicture1" || !w.visible) return;
            Seen s{{w.left, w.top, w.width(), w.height()}, apart, {}};
            if (withPixels) s.pixels = d_->Grab(d_->ToX(w.left), d_->ToY(w.top), w.width(), w.height()).pixels;
            out.push_back(std::move(s));
        };
        for (const WinInfo& w : d_->ListWindows("VellumoHoverdeck")) take(w, false);
        for (const WinInfo& w : d_->ListWindows("VellumoPicture1"))
            if (w.parent == "0") take(w, true);
        std::sort(out.begin(), out.end(), [](const Seen& a, const Seen& b) { return a.box < b.box; });
        return out;
    }
    int Labels() {
        int n = 0;
        for (const WinInfo& w : d_->ListWindows("VellumoHoverdeck")) n += w.cls == "VellumoText1" && w.visible;
        return n;
    }
    std::optional<Seen> FloaterAt(int x, int y) {
        for (Seen& s : Floaters(false))
            if (x >= s.box.l && x < s.box.l + s.box.w && y >= s.box.t && y < s.box.t + s.box.h) return s;
        return std::nullopt;
    }

    bool OverlayShown() {
        for (const WinInfo& w : d_->ListWindows("VellumoScrShot"))
            if (w.parent == "0" && w.visible) return true;
        return false;
    }

    // Pins `w` x `h` of panel A from its top-left (starting the program when
    // it does not run); the Floater shows centred on the screen.
    void Pin(int w, int h) {
        const std::size_t before = Floaters(false).size();
        d_->MovePointer(kPanelL - 5, kPanelT - 5);
        if (app_ <= 0 || !d_->Running(app_)) app_ = d_->Start(exe_);
        else d_->Tap(XK_Print);
        ASSERT_TRUE(WaitUntil([&] { return OverlayShown(); }, 10s, 50ms)) << "no capture overlay";
        std::this_thread::sleep_for(300ms);
        DragInSteps(*d_, kPanelL, kPanelT, w, h);
        const std::optional<WinInfo> b = WaitOverlayChild(*d_, "pinimg");
        ASSERT_TRUE(b) << "the pin button never showed";
        ClickAt(*d_, b->left + b->width() / 2, b->top + b->height() / 2);
        ASSERT_TRUE(WaitUntil([&] { return !OverlayShown() && Floaters(false).size() == before + 1; }, 10s, 50ms))
            << "the pin made no Floater";
    }

    // The Floater of size w x h (each test's Floaters differ in size).
    std::optional<Seen> FloaterSized(int w, int h) {
        for (Seen& s : Floaters(false))
            if (s.box.w == w && s.box.h == h) return s;
        return std::nullopt;
    }

    // Drags the w x h Floater by its middle until its top-left is at (l, t):
    // under load a drag's last moves may come after its release, so it is
    // dragged again from where it stopped.
    void MoveTo(int w, int h, int l, int t) {
        for (int attempt = 0; attempt < 3; ++attempt) {
            const std::optional<Seen> f = FloaterSized(w, h);
            ASSERT_TRUE(f) << "no " << w << "x" << h << " Floater";
            if (f->box.l == l && f->box.t == t) return;
            const int x0 = f->box.l + w / 2, y0 = f->box.t + h / 2, x1 = l + w / 2, y1 = t + h / 2;
            d_->MovePointer(x0, y0);
            std::this_thread::sleep_for(50ms);
            d_->ButtonDown();
            std::this_thread::sleep_for(50ms);
            for (int i = 1; i <= 8; ++i) {
                d_->MovePointer(x0 + (x1 - x0) * i / 8, y0 + (y1 - y0) * i / 8);
                std::this_thread::sleep_for(40ms);
            }
            std::this_thread::sleep_for(100ms);
            d_->ButtonUp();
            WaitUntil([&] { return FloaterAt(l + 1, t + 1) && FloaterAt(l + 1, t + 1)->box.l == l; }, 2s, 50ms);
        }
        const std::optional<Seen> f = FloaterSized(w, h);
        ASSERT_TRUE(f && f->box.l == l && f->box.t == t) << "the Floater did not move to " << l << "," << t;
    }

    void Wheel(int button, int notches, bool ctrl = false) {
        if (ctrl) d_->KeyDown(XK_Control_L);
        for (int i = 0; i < notches; ++i) {
            d_->Click(button);
            std::this_thread::sleep_for(60ms);
        }
        if (ctrl) d_->KeyUp(XK_Control_L);
    }

    // The Floaters once they rest: two looks far enough apart that no
    // percentage badge (shown for a second) can be in both.
    std::vector<Seen> Resting() {
        std::vector<Seen> last = Floaters(), now;
        WaitUntil(
            [&] {
                now = Floaters();
                const bool same = now == last;
                last = now;
                return same;
            },
            10s, 1200ms);
        return now;
    }

    std::string KeptState() {
        std::ifstream in(kept_ / "floaters.state", std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }

    // Started again: a capture first, as every start; once it ends the
    // Floaters are back.
    void StartAgain() {
        app_ = d_->Start(exe_);
        std::optional<WinInfo> overlay;
        ASSERT_TRUE(WaitUntil(
            [&] {
                for (const WinInfo& w : d_->ListWindows("VellumoScrShot"))
                    if (w.parent == "0" && w.visible) overlay = w;
                return overlay && d_->KeysReach(overlay->hwnd);
            },
            10s, 50ms))
            << "no capture at the new start";
        d_->Tap(XK_Escape);
        ASSERT_TRUE(WaitUntil([&] { return !OverlayShown(); }, 5s, 50ms)) << "Esc did not end the capture";
    }

    void ExpectBack(const std::vector<Seen>& before, int labels, const char* how) {
        std::vector<Seen> now;
        EXPECT_TRUE(WaitUntil([&] { return (now = Floaters()) == before; }, 10s, 200ms))
            << how << ": " << testing::PrintToString(now) << " for " << testing::PrintToString(before);
        EXPECT_EQ(Labels(), labels) << how;
    }

    std::optional<WinInfo> TrayIcon() {
        for (const WinInfo& w : d_->ListWindows("__winex11_standalone_tray"))
            if (w.cls == "__winex11_tray_icon" && w.visible) return w;
        return std::nullopt;
    }
    // The tray menu's entry `text` chosen.
    void TrayMenu(const std::string& text) {
        std::optional<WinInfo> icon;
        ASSERT_TRUE(WaitUntil([&] { return (icon = TrayIcon()).has_value(); }, 5s, 50ms)) << "no tray icon";
        ClickAt(*d_, icon->left + icon->width() / 2, icon->top + icon->height() / 2);
        std::vector<WinInfo> menus;
        ASSERT_TRUE(WaitUntil([&] { return !(menus = VisibleMenus(*d_)).empty(); }, 3s, 50ms)) << "no tray menu";
        ASSERT_TRUE(PickMenuItem(*d_, menus.front(), text)) << "no \"" << text << "\" in the tray menu";
    }
    // The Floater's menu at (x, y), its entry `text` chosen.
    void FloaterMenu(int x, int y, const std::string& text) {
        ClickAt(*d_, x, y, 3);
        std::vector<WinInfo> menus;
        ASSERT_TRUE(WaitUntil([&] { return !(menus = VisibleMenus(*d_)).empty(); }, 3s, 50ms)) << "no Floater menu";
        ASSERT_TRUE(PickMenuItem(*d_, menus.front(), text)) << "no \"" << text << "\" in the Floater's menu";
        ASSERT_TRUE(WaitUntil([&] { return VisibleMenus(*d_).empty(); }, 3s, 50ms));
    }

    void Kill() {
        ::kill(app_, SIGKILL);
        ASSERT_TRUE(d_->WaitExit(app_, 10s, nullptr)) << "the program outlived SIGKILL";
    }

    fs::path kept_;
};

// The same on two monitors, the left one at negative coordinates.
class KeptFloatersTwoMonitorsE2E : public KeptFloatersE2E {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(StartDisplay(Rig{.twoMonitors = true, .desktop = Desktop::Bare}));
        UsePrivateCopy("vellumo-kept-");
        kept_ = dir_ / "history" / "Floaters";
        std::ofstream(dir_ / "set.ini", std::ios::binary)
            << "[History]\r\nFolder=" << WinPath(dir_ / "history") << "\r\n";
        ASSERT_NO_FATAL_FAILURE(StartFixture(kLeftFixture, [&] { return PanelAt() == Of(kPalettes[0].panelA); }));
    }
    Pixel PanelAt() { return d_->GetPixel(d_->ToX(kLeftFixture.l + kPanelARect.left + 5), d_->ToY(kLeftFixture.t + kPanelARect.top + 5)); }

    static constexpr e2e::Box kLeftFixture{-900, 60, 400, 300};
};

TEST_F(KeptFloatersE2E, FloatersComeBackAsTheyWereAfterAKillAndAfterExit) {
    // Zoomed to 120%.
    ASSERT_NO_FATAL_FAILURE(Pin(200, 150));
    ASSERT_NO_FATAL_FAILURE(MoveTo(200, 150, 40, 40));
    d_->MovePointer(60, 60);
    Wheel(4, 2);
    ASSERT_TRUE(WaitUntil([&] { return FloaterAt(60, 60) && FloaterAt(60, 60)->box.w == 240; }, 5s, 50ms))
        << "the wheel did not zoom the Floater";
    // At 40% of its own opacity: a window apart.
    ASSERT_NO_FATAL_FAILURE(Pin(120, 90));
    ASSERT_NO_FATAL_FAILURE(MoveTo(120, 90, 330, 40));
    d_->MovePointer(380, 80);
    Wheel(5, 6, true);
    ASSERT_TRUE(WaitUntil([&] { return FloaterAt(380, 80) && FloaterAt(380, 80)->apart; }, 5s, 50ms))
        << "Ctrl+wheel did not fade the Floater";
    // Collapsed by a double-click.
    ASSERT_NO_FATAL_FAILURE(Pin(80, 60));
    ASSERT_NO_FATAL_FAILURE(MoveTo(80, 60, 600, 120));
    d_->MovePointer(610, 130);
    d_->Click();
    std::this_thread::sleep_for(60ms);
    d_->Click();
    ASSERT_TRUE(WaitUntil([&] { return FloaterAt(610, 130) && FloaterAt(610, 130)->box.w == 30; }, 5s, 50ms))
        << "the double-click did not collapse the Floater";

    // All Floaters translucent ("Transparency" > "50%"): the whole host
    // shows, its own background too (no compositor blends it here).
    const Pixel desktop = d_->GetPixel(900, 500);
    ClickAt(*d_, 61, 61, 3);
    std::vector<WinInfo> menus;
    ASSERT_TRUE(WaitUntil([&] { return !(menus = VisibleMenus(*d_)).empty(); }, 3s, 50ms)) << "no Floater menu";
    const std::string first = menus.front().hwnd;
    ASSERT_TRUE(PickMenuItem(*d_, menus.front(), "Transparency", false));
    ASSERT_TRUE(WaitUntil([&] { return (menus = VisibleMenus(*d_)).size() == 2; }, 3s, 50ms)) << "no submenu";
    ASSERT_TRUE(PickMenuItem(*d_, menus.front().hwnd == first ? menus.back() : menus.front(), "50%"));
    ASSERT_TRUE(WaitUntil([&] { return d_->GetPixel(900, 500) != desktop; }, 3s, 50ms)) << "the host is not translucent";
    const Pixel translucent = d_->GetPixel(900, 500);

    const std::vector<Seen> made = Resting();
    ASSERT_EQ(made.size(), 3u) << testing::PrintToString(made);
    EXPECT_EQ(made[0].box.w, 240);
    EXPECT_TRUE(made[1].apart);
    EXPECT_EQ(made[2].box, (Box{600, 120, 30, 30}));
    ASSERT_EQ(Labels(), 1) << "the collapsed Floater shows no label";
    // Gathered and written once they rest: the kill must not come before.
    // The translucency came last, so its line says the last write is in (the
    // collapse alone may have been written before it, and a kill inside the
    // gathering wait loses what came after, as it is meant to).
    ASSERT_TRUE(WaitUntil(
        [&] {
            const std::string state = KeptState();
            return state.find(" 600 120 100 100 1\n") != std::string::npos &&
                   state.find("translucent ") != std::string::npos;
        },
        5s, 100ms))
        << "the Floaters were not kept: " << KeptState();

    ASSERT_NO_FATAL_FAILURE(Kill());
    // What writes cut off by a kill would leave: the next start removes it.
    std::ofstream(kept_ / "floaters.state.tmp") << "vellumo-floaters 1\nfloa";
    std::ofstream(kept_ / "floater-99.png.tmp") << "\x89PNG torn";
    ASSERT_NO_FATAL_FAILURE(StartAgain());
    ASSERT_NO_FATAL_FAILURE(ExpectBack(made, 1, "after a kill"));
    EXPECT_TRUE(WaitUntil([&] { return d_->GetPixel(900, 500) == translucent; }, 3s, 50ms)) << "not translucent after a kill";
    // The capture hotkey returns a translucent host to normal (which
    // uncovers the tray icon the whole translucent host lies over); that is
    // kept too.
    d_->Tap(XK_Print);
    ASSERT_TRUE(WaitUntil([&] { return d_->GetPixel(900, 500) == desktop; }, 3s, 50ms)) << "still translucent";
    ASSERT_TRUE(WaitUntil([&] { return KeptState().find("translucent") == std::string::npos; }, 5s, 100ms))
        << "back to normal was not kept: " << KeptState();
    EXPECT_FALSE(fs::exists(kept_ / "floaters.state.tmp")) << "a cut-off write's temporary stayed";
    EXPECT_FALSE(fs::exists(kept_ / "floater-99.png.tmp")) << "a cut-off write's temporary stayed";

    ASSERT_NO_FATAL_FAILURE(TrayMenu("Exit"));
    int code = -1;
    ASSERT_TRUE(d_->WaitExit(app_, 10s, &code)) << "Exit did not end the program";
    EXPECT_EQ(code, 0);
    ASSERT_NO_FATAL_FAILURE(StartAgain());
    ASSERT_NO_FATAL_FAILURE(ExpectBack(made, 1, "after Exit"));
    EXPECT_EQ(d_->GetPixel(900, 500), desktop) << "translucent again after Exit";
    // No temporary is left beside what is kept.
    for (const auto& e : fs::recursive_directory_iterator(kept_))
        EXPECT_NE(e.path().extension(), ".tmp") << e.path();

    // A state file scribbled over loses no picture: each comes back, as it
    // was made (centred, 100%, opaque, expanded).
    ASSERT_NO_FATAL_FAILURE(Kill());
    std::ofstream(kept_ / "floaters.state", std::ios::binary | std::ios::trunc) << "\x01\x02garbage\nfloater x\n";
    ASSERT_NO_FATAL_FAILURE(StartAgain());
    std::vector<Seen> found;
    EXPECT_TRUE(WaitUntil([&] { return (found = Floaters(false)).size() == 3; }, 10s, 200ms))
        << testing::PrintToString(found);
    for (const auto& [w, h] : {std::pair{200, 150}, std::pair{120, 90}, std::pair{80, 60}}) {
        const std::optional<Seen> f = FloaterSized(w, h);
        EXPECT_TRUE(f && !f->apart) << "no opaque " << w << "x" << h << " Floater after a garbage state file";
    }
    d_->Stop(app_);
}

// Deleted from its menu, a Floater comes back pixel for pixel where it was:
// after a restart from the tray, and again from another Floater's menu.
TEST_F(KeptFloatersE2E, ADeletedFloaterComesBackWithReopenClosedFloater) {
    ASSERT_NO_FATAL_FAILURE(Pin(200, 150));
    ASSERT_NO_FATAL_FAILURE(MoveTo(200, 150, 40, 40));
    ASSERT_NO_FATAL_FAILURE(Pin(80, 60));
    ASSERT_NO_FATAL_FAILURE(MoveTo(80, 60, 600, 120));
    const std::vector<Seen> both = Resting();
    ASSERT_EQ(both.size(), 2u);

    ASSERT_NO_FATAL_FAILURE(FloaterMenu(60, 60, "Delete"));
    ASSERT_TRUE(WaitUntil([&] { return Floaters(false).size() == 1; }, 5s, 50ms)) << "Delete left the Floater";
    ASSERT_TRUE(WaitUntil([&] { return fs::exists(kept_ / "Closed"); }, 5s, 100ms)) << "the deleted Floater was not kept";
    ASSERT_NO_FATAL_FAILURE(Kill());
    ASSERT_NO_FATAL_FAILURE(StartAgain());
    ASSERT_NO_FATAL_FAILURE(ExpectBack({both[1]}, 0, "the Floater left at the kill"));

    ASSERT_NO_FATAL_FAILURE(TrayMenu("Reopen closed Floater"));
    ASSERT_NO_FATAL_FAILURE(ExpectBack(both, 0, "reopened from the tray after a restart"));

    ASSERT_NO_FATAL_FAILURE(FloaterMenu(60, 60, "Delete"));
    ASSERT_TRUE(WaitUntil([&] { return Floaters(false).size() == 1; }, 5s, 50ms)) << "Delete left the Floater";
    ASSERT_NO_FATAL_FAILURE(FloaterMenu(610, 130, "Reopen closed Floater"));
    ASSERT_NO_FATAL_FAILURE(ExpectBack(both, 0, "reopened from a Floater's menu"));
    d_->Stop(app_);
}

// A Floater turned from its menu comes back turned: the picture kept is
// the one it shows now, not the one it was pinned with.
TEST_F(KeptFloatersE2E, ATurnedFloaterComesBackTurned) {
    ASSERT_NO_FATAL_FAILURE(Pin(200, 150));
    ASSERT_NO_FATAL_FAILURE(MoveTo(200, 150, 40, 40));
    const std::vector<Seen> pinned = Resting();
    ASSERT_EQ(pinned.size(), 1u);
    std::string state;
    ASSERT_TRUE(WaitUntil([&] { return (state = KeptState()).find(" 40 40 ") != std::string::npos; }, 5s, 100ms))
        << "the Floater was not kept: " << KeptState();
    ASSERT_NO_FATAL_FAILURE(FloaterMenu(60, 60, "Rotate right"));
    ASSERT_TRUE(WaitUntil([&] { return FloaterSized(150, 200).has_value(); }, 5s, 50ms)) << "the Floater did not turn";
    const std::vector<Seen> turned = Resting();
    ASSERT_EQ(turned.size(), 1u);
    ASSERT_NE(turned[0].pixels, pinned[0].pixels);
    ASSERT_TRUE(WaitUntil([&] { return KeptState() != state; }, 5s, 100ms)) << "the turn was not kept: " << state;
    ASSERT_NO_FATAL_FAILURE(Kill());
    ASSERT_NO_FATAL_FAILURE(StartAgain());
    ASSERT_NO_FATAL_FAILURE(ExpectBack(turned, 0, "the turned Floater after a kill"));
    d_->Stop(app_);
}

// A Floater on a monitor that is gone when the program starts again comes
// back on the nearest monitor, its picture unchanged.
TEST_F(KeptFloatersTwoMonitorsE2E, AFloaterWhoseMonitorIsGoneComesBackOnTheNearest) {
    const int panelL = kLeftFixture.l + kPanelARect.left, panelT = kLeftFixture.t + kPanelARect.top;
    d_->MovePointer(d_->ToX(panelL - 5), d_->ToY(panelT - 5));
    app_ = d_->Start(exe_);
    ASSERT_TRUE(WaitUntil([&] { return OverlayShown(); }, 10s, 50ms)) << "no capture overlay";
    std::this_thread::sleep_for(300ms);
    DragInSteps(*d_, d_->ToX(panelL), d_->ToY(panelT), 200, 150);
    const std::optional<WinInfo> b = WaitOverlayChild(*d_, "pinimg");
    ASSERT_TRUE(b) << "the pin button never showed";
    ClickAt(*d_, d_->ToX(b->left + b->width() / 2), d_->ToY(b->top + b->height() / 2));
    // Centred on the left monitor (-1024..0 x 0..768).
    const Box onLeft{-1024 + (1024 - 200) / 2, (768 - 150) / 2, 200, 150};
    std::vector<Seen> made;
    ASSERT_TRUE(WaitUntil([&] { return (made = Floaters()).size() == 1 && made[0].box == onLeft; }, 10s, 100ms))
        << "no Floater on the left monitor: " << testing::PrintToString(made);
    made = Resting();
    ASSERT_TRUE(WaitUntil([&] { return KeptState().find(" -612 309 100 100 0\n") != std::string::npos; }, 5s, 100ms))
        << "the Floater was not kept: " << KeptState();

    ASSERT_NO_FATAL_FAILURE(Kill());
    d_->RemoveLeftMonitor();
    ASSERT_TRUE(WaitUntil([&] { return d_->ProbeDesktop().monitorCount == 1; }, 10s, 100ms)) << "the monitor stayed";
    // Started as Windows starts it for the user: resident, no capture first.
    app_ = d_->Start(exe_, {"/tray"});
    // Moved by as little as puts it on the primary: to its left edge.
    std::vector<Seen> back;
    EXPECT_TRUE(WaitUntil(
        [&] { return (back = Floaters()).size() == 1 && back[0].box == Box{0, 309, 200, 150} && back[0].pixels == made[0].pixels; },
        10s, 200ms))
        << testing::PrintToString(back);
    d_->Stop(app_);
}

}  // namespace
