// Starting with Windows as a user meets it: `vellumo.exe /tray` starts
// resident (tray icon, hotkey) with no capture, a second /tray start shows
// nothing, and the settings window's "Start with Windows" box adds and
// removes the user's Run value, read back with Wine's reg.exe; a value left
// by a moved exe is put right when the box is shown.
#include <X11/keysym.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tests/e2e/Desktop.h"
#include "tests/e2e/DesktopE2E.h"
#include "tests/e2e/Dialogs.h"
#include "tests/e2e/FixtureLayout.h"
#include "tests/e2e/ImageFiles.h"
#include "tests/e2e/harness/Harness.h"

using namespace e2e;

namespace {

const std::string kRunKey = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
// The tray menu's top-level entries; "设置热键" is the fourth.
constexpr int kTrayEntries = 12;
constexpr int kSetHotkeyEntry = 3;
constexpr int kLastRegionEntry = 6;  // "Capture last region"

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

class TrayStartE2E : public DesktopE2E {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(StartDisplay());
        UsePrivateCopy("vellumo-traystart-");
        ASSERT_NO_FATAL_FAILURE(StartFixture(kFixtureLow, [&] {
            return d_->GetPixel(kFixtureLow.l + 25, kFixtureLow.t + 25) == Of(fixture::kPalettes[0].panelA);
        }));
        // The prefix outlives the test: no value of another run counts.
        DeleteRunValue();
        ASSERT_FALSE(RunValue()) << "the Run value could not be cleared";
    }
    void BeforeDisplayEnds() override { DeleteRunValue(); }

    void DeleteRunValue() { d_->Run("reg", {"delete", kRunKey, "/v", "Vellumo", "/f"}); }
    // The stored command, as reg.exe prints it; nothing when there is none.
    std::optional<std::string> RunValue() {
        const RunResult r = d_->Run("reg", {"query", kRunKey, "/v", "Vellumo"});
        const auto type = r.out.find("REG_SZ");
        if (r.exitCode != 0 || type == std::string::npos) return std::nullopt;
        std::string v = r.out.substr(type + 6);
        v.erase(0, v.find_first_not_of(" \t"));
        v.erase(v.find_last_not_of(" \t\r\n") + 1);
        return v;
    }
    std::string Expected() { return "\"" + WinPath(exe_) + "\" /tray"; }
    bool RunValueIs(const std::optional<std::string>& want) {
        return WaitUntil(
            [&] {
                const auto v = RunValue();
                return want ? v && Lower(*v) == Lower(*want) : !v;
            },
            5s, 100ms);
    }

    std::optional<WinInfo> VisibleTop(const std::string& cls) {
        for (const WinInfo& w : d_->ListWindows(cls))
            if (w.parent == "0" && w.visible) return w;
        return std::nullopt;
    }
    std::vector<WinInfo> TrayIcons() {
        std::vector<WinInfo> out;
        for (const WinInfo& w : d_->ListWindows("__winex11_standalone_tray"))
            if (w.cls == "__winex11_tray_icon" && w.visible) out.push_back(w);
        return out;
    }
    std::optional<WinInfo> SettingsChild(const std::string& title) {
        for (const WinInfo& w : d_->ListWindows("VellumoSett"))
            if (w.cls == "Button" && w.title == title && w.visible) return w;
        return std::nullopt;
    }

    void ChooseTrayEntry(int index) {
        const auto icons = TrayIcons();
        ASSERT_EQ(icons.size(), 1u);
        ClickAt(*d_, icons[0].left + icons[0].width() / 2, icons[0].top + icons[0].height() / 2);
        std::optional<WinInfo> menu;
        ASSERT_TRUE(WaitUntil([&] { return (menu = VisibleTop("#32768")).has_value(); }, 3s, 50ms)) << "no tray menu";
        const int item = (menu->height() - 6) / kTrayEntries;
        ClickAt(*d_, menu->left + 30, menu->top + 3 + item * index + item / 2);
    }

    void StartResident() {
        app_ = d_->Start(exe_, {"/tray"});
        ASSERT_TRUE(WaitUntil([&] { return TrayIcons().size() == 1; }, 10s, 50ms)) << "no tray icon after /tray";
    }

    // Ctrl+C on the overlay; the clipboard's picture once the capture has gone.
    std::optional<Image> CopyAndRead(const WinInfo& overlay, const std::string& what) {
        EXPECT_TRUE(WaitUntil([&] { return d_->KeysReach(overlay.hwnd); }, 3s, 20ms)) << what;
        d_->KeyDown(XK_Control_L);
        d_->Tap(XK_c);
        d_->KeyUp(XK_Control_L);
        EXPECT_TRUE(WaitUntil([&] { return !VisibleTop("VellumoScrShot"); }, 5s, 50ms)) << what << ": still open";
        const std::filesystem::path dump = dir_ / "clipboard.ppm";
        const RunResult r = d_->Run(WinExe("vprobe.exe"), {"clipboard", WinPath(dump)});
        if (r.out.rfind("B\t", 0) != 0) ADD_FAILURE() << what << ": the clipboard holds " << r.out;
        return ParsePpm(ReadFile(dump));
    }

    // The settings window shown from the tray menu's "设置热键".
    void ShowSettings() {
        const auto icons = TrayIcons();
        ASSERT_EQ(icons.size(), 1u);
        ClickAt(*d_, icons[0].left + icons[0].width() / 2, icons[0].top + icons[0].height() / 2);
        std::optional<WinInfo> menu;
        ASSERT_TRUE(WaitUntil([&] { return (menu = VisibleTop("#32768")).has_value(); }, 3s, 50ms)) << "no tray menu";
        const int item = (menu->height() - 6) / kTrayEntries;
        ClickAt(*d_, menu->left + 30, menu->top + 3 + item * kSetHotkeyEntry + item / 2);
        ASSERT_TRUE(WaitUntil([&] { return SettingsChild("Start with Windows").has_value(); }, 3s, 50ms))
            << "the settings window did not show its start-up box";
    }
    void ClickBox() {
        const auto box = SettingsChild("Start with Windows");
        ASSERT_TRUE(box);
        ClickAt(*d_, box->left + 8, box->top + box->height() / 2);
    }
};

TEST_F(TrayStartE2E, TrayStartsResidentWithNoCaptureAndTheBoxKeepsTheRunValue) {
    app_ = d_->Start(exe_, {"/tray"});
    ASSERT_TRUE(WaitUntil([&] { return TrayIcons().size() == 1; }, 10s, 50ms)) << "no tray icon after /tray";
    // The icon is there: a capture would have been shown by now.
    EXPECT_FALSE(WaitUntil([&] { return VisibleTop("VellumoScrShot").has_value(); }, 1500ms, 50ms))
        << "/tray showed a capture";

    // A second /tray start ends at once, showing nothing and leaving the first.
    const RunResult second = d_->Run(exe_, {"/tray"}, 15s);
    EXPECT_EQ(second.exitCode, 0) << "the second /tray start did not end";
    EXPECT_FALSE(WaitUntil([&] { return VisibleTop("VellumoScrShot").has_value(); }, 1s, 50ms))
        << "a second /tray start showed a capture";
    EXPECT_EQ(TrayIcons().size(), 1u);
    ASSERT_TRUE(d_->Running(app_));

    // The hotkey is registered: Print Screen over another program captures.
    d_->MovePointer(kFixtureLow.l + 300, kFixtureLow.t + 250);
    if (const auto fx = VisibleTop("VellumoFixture")) d_->WindowText(fx->hwnd);
    d_->Tap(XK_Print);
    std::optional<WinInfo> overlay;
    ASSERT_TRUE(WaitUntil([&] { return (overlay = VisibleTop("VellumoScrShot")).has_value(); }, 8s, 50ms))
        << "Print Screen started no capture";
    ASSERT_TRUE(WaitUntil([&] { return d_->KeysReach(overlay->hwnd); }, 3s, 20ms));
    d_->Tap(XK_Escape);
    ASSERT_TRUE(WaitUntil([&] { return !VisibleTop("VellumoScrShot"); }, 5s, 50ms));
    ASSERT_TRUE(d_->Running(app_)) << "ending the capture ended the resident copy";

    // The box adds the value, quoted, with /tray; a second click removes it.
    ASSERT_NO_FATAL_FAILURE(ShowSettings());
    ClickBox();
    EXPECT_TRUE(RunValueIs(Expected())) << "checked: " << RunValue().value_or("(none)") << ", want " << Expected();
    ClickBox();
    EXPECT_TRUE(RunValueIs(std::nullopt)) << "unchecked, the value is still " << RunValue().value_or("");

    // A value naming a moved exe: shown checked, it is put right; a click
    // then removes it (so the box was checked).
    d_->Run("reg", {"add", kRunKey, "/v", "Vellumo", "/t", "REG_SZ", "/d", "\"C:\\Old Place\\vellumo.exe\" /tray", "/f"});
    ASSERT_TRUE(RunValueIs(std::string("\"C:\\Old Place\\vellumo.exe\" /tray")));
    const auto hide = SettingsChild("\u9690\u85CF");  // 隐藏
    ASSERT_TRUE(hide) << "no hide button";
    ClickAt(*d_, hide->left + hide->width() / 2, hide->top + hide->height() / 2);
    ASSERT_TRUE(WaitUntil([&] { return !SettingsChild("Start with Windows"); }, 3s, 50ms));
    ASSERT_NO_FATAL_FAILURE(ShowSettings());
    EXPECT_TRUE(RunValueIs(Expected())) << "not corrected: " << RunValue().value_or("(none)");
    ClickBox();
    EXPECT_TRUE(RunValueIs(std::nullopt)) << "the box was not shown checked";

    d_->Stop(app_);
}

// The tray's "Capture last region" selects again what the last capture had
// selected: the toolbar shows with no drag, and Ctrl+C copies exactly that
// region; the LastRegion hotkey from set.ini does the same.
TEST_F(TrayStartE2E, LastRegionSelectsThePreviousSelectionAgain) {
    const Box region{kFixtureLow.l + 15, kFixtureLow.t + 12, 230, 140};
    const Image screen = d_->Grab();
    // Ctrl+F9 (120, Ctrl = 2) as the LastRegion hotkey, stored like the capture hotkey.
    std::ofstream(dir_ / "set.ini", std::ios::binary)
        << "[hotkey]\r\nLastRegionText=Ctrl + F9\r\nLastRegionKeyCode=120\r\nLastRegionModKeyCode=2\r\n";
    ASSERT_NO_FATAL_FAILURE(StartResident());

    // With no selection yet, a normal capture: detecting, no toolbar.
    ASSERT_NO_FATAL_FAILURE(ChooseTrayEntry(kLastRegionEntry));
    std::optional<WinInfo> overlay;
    ASSERT_TRUE(WaitUntil([&] { return (overlay = VisibleTop("VellumoScrShot")).has_value(); }, 8s, 50ms))
        << "no capture from the tray entry";
    EXPECT_FALSE(WaitOverlayChild(*d_, "Image1", 1500ms)) << "a toolbar with no previous selection";

    // A selection dragged and copied is the last region.
    DragInSteps(*d_, region.l, region.t, region.w, region.h);
    ASSERT_TRUE(WaitOverlayChild(*d_, "Image1")) << "the drag selected nothing";
    const auto first = CopyAndRead(*overlay, "the dragged copy");
    ASSERT_TRUE(first && first->width == region.w && first->height == region.h);

    // Again from the tray, the pointer elsewhere: the same region, ready.
    ASSERT_NO_FATAL_FAILURE(ChooseTrayEntry(kLastRegionEntry));
    d_->MovePointer(900, 100);
    ASSERT_TRUE(WaitUntil([&] { return (overlay = VisibleTop("VellumoScrShot")).has_value(); }, 8s, 50ms))
        << "no capture from the tray entry";
    ASSERT_TRUE(WaitOverlayChild(*d_, "Image1")) << "the last region was not selected";
    // Outside the region the frozen screen is darkened, inside it is not.
    EXPECT_TRUE(WaitUntil([&] { return d_->GetPixel(region.l + 3, region.t + 20) == screen.at(region.l + 3, region.t + 20); }, 2s, 50ms))
        << "the region is not shown clear";
    EXPECT_TRUE(WaitUntil([&] { return d_->GetPixel(region.l - 5, region.t + 20) == Dark(screen.at(region.l - 5, region.t + 20)); }, 2s, 50ms))
        << "outside the region is not darkened";
    const auto again = CopyAndRead(*overlay, "the last region's copy");
    ASSERT_TRUE(again) << "no bitmap read back";
    ASSERT_EQ(again->width, region.w);
    ASSERT_EQ(again->height, region.h);
    int wrong = 0;
    for (int y = 0; y < region.h; ++y)
        for (int x = 0; x < region.w; ++x) wrong += !(again->at(x, y) == screen.at(region.l + x, region.t + y));
    EXPECT_EQ(wrong, 0) << "the copy is not the screen's region";

    // The LastRegion hotkey, pressed over another program, does the same.
    d_->MovePointer(kFixtureLow.l + 300, kFixtureLow.t + 250);
    if (const auto fx = VisibleTop("VellumoFixture")) d_->WindowText(fx->hwnd);
    d_->KeyDown(XK_Control_L);
    d_->Tap(XK_F9);
    d_->KeyUp(XK_Control_L);
    ASSERT_TRUE(WaitUntil([&] { return (overlay = VisibleTop("VellumoScrShot")).has_value(); }, 8s, 50ms))
        << "Ctrl+F9 started no capture";
    ASSERT_TRUE(WaitOverlayChild(*d_, "Image1")) << "the hotkey's capture has no selection";
    const auto byKey = CopyAndRead(*overlay, "the hotkey's copy");
    ASSERT_TRUE(byKey) << "no bitmap read back";
    EXPECT_TRUE(byKey->width == region.w && byKey->height == region.h)
        << "the hotkey copied " << byKey->width << " x " << byKey->height;
    EXPECT_TRUE(d_->Running(app_));
    d_->Stop(app_);
}

}  // namespace
