// The ways a resident Vellumo captures, as its users work: a capture after a
// delay (from the tray's submenu and its own hotkey), a hotkey another
// program holds told by name with the settings window a click away, two
// actions refused one combination, the settings window's pointer box, the
// hotkeys that copy the last capture again and pin the clipboard, and the
// tray tip that counts a delay down.
// Each starts `vellumo.exe /tray` over vfixture.exe and drives it with real
// pointer and keys; pictures are read from the X screen and the clipboard.
#include <X11/keysym.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
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

using namespace e2e;
using namespace vellumo::e2e;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr char kErrorCaption[] = "\xE9\x94\x99\xE8\xAF\xAF";  // 错误
constexpr char kSetHotkey[] = "\xE8\xAE\xBE\xE7\xBD\xAE\xE7\x83\xAD\xE9\x94\xAE";  // 设置热键
constexpr char kNotRegistered[] = "Not registered: another program holds it";
const Box kPanelA = PartOf(kFixtureLow, kPanelARect);

class CaptureHotkeysE2E : public DesktopE2E {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(StartDisplay());
        UsePrivateCopy("vellumo-hotkeys-");
        ASSERT_NO_FATAL_FAILURE(StartFixture(kFixtureLow, [&] {
            return d_->GetPixel(kPanelA.l + 5, kPanelA.t + 5) == Of(kPalettes[0].panelA);
        }));
    }
    void BeforeDisplayEnds() override {
        if (holder_ > 0) d_->Stop(holder_);
    }

    void WriteSetIni(const std::string& text) { std::ofstream(dir_ / "set.ini", std::ios::binary) << text; }
    std::string ReadSetIni() {
        std::ifstream in(dir_ / "set.ini", std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    bool SetIniHas(const std::string& line) {
        return WaitUntil([&] { return ReadSetIni().find(line) != std::string::npos; }, 3s, 50ms);
    }

    std::optional<WinInfo> VisibleTop(const std::string& cls) {
        for (const WinInfo& w : d_->ListWindows(cls))
            if (w.parent == "0" && w.visible) return w;
        return std::nullopt;
    }
    std::optional<WinInfo> TrayIcon() {
        for (const WinInfo& w : d_->ListWindows("__winex11_standalone_tray"))
            if (w.cls == "__winex11_tray_icon" && w.visible) return w;
        return std::nullopt;
    }
    void StartResident() {
        app_ = d_->Start(exe_, {"/tray"});
        ASSERT_TRUE(WaitUntil([&] { return TrayIcon().has_value(); }, 10s, 50ms)) << "no tray icon after /tray";
    }

    // The tray menu's entry `text`, or with `inSubmenu` that entry of the
    // submenu `text` opens.
    void ChooseTray(const std::string& text, const std::string& inSubmenu = "") {
        const auto icon = TrayIcon();
        ASSERT_TRUE(icon) << "no tray icon";
        ClickAt(*d_, icon->left + icon->width() / 2, icon->top + icon->height() / 2);
        std::vector<WinInfo> menus;
        ASSERT_TRUE(WaitUntil([&] { return !(menus = VisibleMenus(*d_)).empty(); }, 3s, 50ms)) << "no tray menu";
        ASSERT_TRUE(PickMenuItem(*d_, menus.front(), text)) << "no entry " << text;
        if (inSubmenu.empty()) return;
        ASSERT_TRUE(WaitUntil([&] { return (menus = VisibleMenus(*d_)).size() == 2; }, 3s, 50ms)) << text << " opened no submenu";
        ASSERT_TRUE(PickMenuItem(*d_, menus[0], inSubmenu) || PickMenuItem(*d_, menus[1], inSubmenu))
            << "no entry " << inSubmenu;
    }

    void ShowSettings() {
        ASSERT_NO_FATAL_FAILURE(ChooseTray(kSetHotkey));
        ASSERT_TRUE(WaitUntil([&] { return VisibleTop("VellumoSett").has_value(); }, 3s, 50ms)) << "no settings window";
    }
    // The settings window's hotkey boxes, top to bottom: the capture hotkey's,
    // then LastRegion, Delayed, PinClipboard, CopyLast, ReopenFloater,
    // TakeClicks and HideFloaters.
    std::vector<WinInfo> HotkeyBoxes() {
        std::vector<WinInfo> boxes;
        for (const WinInfo& w : d_->ListWindows("VellumoSett"))
            if (w.cls == "Edit") boxes.push_back(w);
        std::sort(boxes.begin(), boxes.end(), [](const WinInfo& a, const WinInfo& b) { return a.top < b.top; });
        return boxes;
    }
    std::optional<WinInfo> SettingsChild(const std::string& cls, const std::string& title) {
        for (const WinInfo& w : d_->ListWindows("VellumoSett"))
            if (w.cls == cls && w.title == title && w.visible) return w;
        return std::nullopt;
    }
    void Click(const WinInfo& w, int dx = -1) {
        ClickAt(*d_, dx < 0 ? w.left + w.width() / 2 : w.left + dx, w.top + w.height() / 2);
    }
    void Chord(unsigned long modifier, unsigned long key) {
        d_->KeyDown(modifier);
        d_->Tap(key);
        d_->KeyUp(modifier);
    }
    // Ctrl+F9 into `box`, shown there once composed.
    void TypeInto(const WinInfo& box, unsigned long key, const std::string& shown) {
        Click(box);
        Chord(XK_Control_L, key);
        ASSERT_TRUE(WaitUntil([&] { return d_->WindowText(box.hwnd) == shown; }, 3s, 50ms))
            << "the box shows \"" << d_->WindowText(box.hwnd) << "\"";
    }

    // Key presses reach Wine's hotkeys through the X window that has the
    // keyboard: the fixture's, as a user works in another program.
    void FocusFixture() {
        ClickAt(*d_, kFixtureLow.l + 300, kFixtureLow.t + 250);
        std::this_thread::sleep_for(200ms);
    }
    std::optional<WinInfo> WaitOverlay(Ms timeout = 8s) {
        std::optional<WinInfo> overlay;
        WaitUntil([&] { return (overlay = VisibleTop("VellumoScrShot")).has_value(); }, timeout, 50ms);
        return overlay;
    }
    void EndCapture(const WinInfo& overlay) {
        ASSERT_TRUE(WaitUntil([&] { return d_->KeysReach(overlay.hwnd); }, 3s, 20ms));
        d_->Tap(XK_Escape);
        ASSERT_TRUE(WaitUntil([&] { return !VisibleTop("VellumoScrShot"); }, 5s, 50ms)) << "Esc left the capture";
    }
    // `sel` dragged on the overlay and copied: the clipboard's picture.
    std::optional<Image> SelectAndCopy(const WinInfo& overlay, const Box& sel) {
        DragInSteps(*d_, sel.l, sel.t, sel.w, sel.h);
        EXPECT_TRUE(WaitOverlayChild(*d_, "Image1")) << "the drag selected nothing";
        EXPECT_TRUE(WaitUntil([&] { return d_->KeysReach(overlay.hwnd); }, 3s, 20ms));
        Chord(XK_Control_L, XK_c);
        EXPECT_TRUE(WaitUntil([&] { return !VisibleTop("VellumoScrShot"); }, 5s, 50ms)) << "the copy left the capture";
        const fs::path dump = dir_ / "clipboard.ppm";
        const RunResult r = d_->Run(WinExe("vprobe.exe"), {"clipboard", WinPath(dump)});
        EXPECT_EQ(r.out, "B\t" + std::to_string(sel.w) + "\t" + std::to_string(sel.h) + "\n");
        return ParsePpm(ReadFile(dump));
    }
    static int Differing(const Image& copy, const Image& screen, const Box& sel) {
        int n = 0;
        for (int y = 0; y < sel.h; ++y)
            for (int x = 0; x < sel.w; ++x) n += !(copy.at(x, y) == screen.at(sel.l + x, sel.t + y));
        return n;
    }

    // A Floater of panel B, pinned from a Print Screen capture: its window.
    std::optional<WinInfo> PinAFloater() {
        d_->MovePointer(kFixtureLow.l + 300, kFixtureLow.t + 250);
        d_->Tap(XK_Print);
        if (!WaitOverlay()) return std::nullopt;
        const Box b = PartOf(kFixtureLow, kPanelBRect);
        DragInSteps(*d_, b.l, b.t, b.w, b.h);
        const auto pin = WaitOverlayChild(*d_, "pinimg");
        if (!pin) return std::nullopt;
        Click(*pin);
        std::optional<WinInfo> floater;
        WaitUntil(
            [&] {
                // Once the overlay has gone and the host shows.
                if (VisibleTop("VellumoScrShot") || !VisibleTop("VellumoHoverdeck")) return false;
                for (const WinInfo& w : d_->ListWindows("VellumoHoverdeck"))
                    if (w.cls == "VellumoPicture1" && w.visible) floater = w;
                return floater.has_value();
            },
            10s, 50ms);
        return floater;
    }
    bool FloaterShown() {
        for (const WinInfo& w : d_->ListWindows("VellumoHoverdeck"))
            if (w.cls == "VellumoPicture1" && w.visible && VisibleTop("VellumoHoverdeck")) return true;
        return false;
    }
    // Nothing of Vellumo on the screen: no overlay, no Floater host, no
    // settings window, and the screen under the Floater is what lies beneath.
    bool NothingOfVellumoShows(const WinInfo& floater) {
        return !VisibleTop("VellumoScrShot") && !VisibleTop("VellumoHoverdeck") && !VisibleTop("VellumoSett") &&
               d_->GetPixel(floater.left + floater.width() / 2, floater.top + floater.height() / 2) == kBg;
    }

    pid_t holder_ = -1;
};

// The delay hides every window of Vellumo, the fixture changes meanwhile, and
// the freeze holds the changed fixture and no Floater; chosen twice, the wait
// is cancelled and the Floaters come back.
TEST_F(CaptureHotkeysE2E, ADelayedCaptureFreezesTheScreenAsItIsAtTheEndOfTheWait) {
    ASSERT_NO_FATAL_FAILURE(StartResident());
    const auto floater = PinAFloater();
    ASSERT_TRUE(floater) << "no Floater to hide";
    ASSERT_NE(d_->GetPixel(floater->left + floater->width() / 2, floater->top + floater->height() / 2), kBg)
        << "the Floater does not show over the background";

    const auto chosen = Clock::now();
    ASSERT_NO_FATAL_FAILURE(ChooseTray("Capture after a delay", "Capture in 3 s"));
    EXPECT_TRUE(WaitUntil([&] { return NothingOfVellumoShows(*floater); }, 1500ms, 50ms))
        << "something of Vellumo stays on screen while it waits";
    // The fixture changes while it waits: the freeze must show the new one.
    ASSERT_TRUE(d_->PostToWindow("VellumoFixture", kMsgPalette, 1));
    const Box sel{kFixtureLow.l + 10, kFixtureLow.t + 10, 240, 170};
    // Each part of the fixture repaints on its own: the reference is taken
    // once every part shows the new palette and two grabs agree.
    const Palette& p1 = kPalettes[1];
    const Box nested = PartOf(kPanelA, kNestedRect);
    ASSERT_TRUE(WaitUntil(
        [&] {
            return d_->GetPixel(kPanelA.l + 5, kPanelA.t + 5) == Of(p1.panelA) &&
                   d_->GetPixel(nested.l + 5, nested.t + 5) == Of(p1.nested) &&
                   d_->GetPixel(kFixtureLow.l + 12, kFixtureLow.t + 12) == Of(p1.top) &&
                   d_->GetPixel(kFixtureLow.l + kPanelBRect.left + 5, kFixtureLow.t + kPanelBRect.top + 5) ==
                       Of(p1.panelB);
        },
        3s, 50ms))
        << "the fixture did not change";
    Image changed = d_->Grab();
    ASSERT_TRUE(WaitUntil(
        [&] {
            Image again = d_->Grab();
            bool still = true;
            for (int y = sel.t; still && y < sel.t + sel.h; ++y)
                for (int x = sel.l; still && x < sel.l + sel.w; ++x) still = again.at(x, y) == changed.at(x, y);
            changed = std::move(again);
            return still;
        },
        3s, 100ms))
        << "the fixture's pixels do not settle";
    // Over the fixture, the detection lights panel B and darkens the rest.
    d_->MovePointer(kFixtureLow.l + 300, kFixtureLow.t + 50);
    EXPECT_TRUE(NothingOfVellumoShows(*floater)) << "Vellumo came back before the end of the wait";

    const auto overlay = WaitOverlay(10s);
    const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - chosen).count();
    ASSERT_TRUE(overlay) << "no capture after the delay";
    EXPECT_GE(waited, 2500) << "the capture came before its 3 s";
    // Outside any selection the frozen screen shows darkened: where the
    // Floater was is the background beneath it.
    const int fx = floater->left + floater->width() / 2, fy = floater->top + floater->height() / 2;
    // A move the overlay sees, should the one made while it waited have gone before it.
    d_->MovePointer(kFixtureLow.l + 301, kFixtureLow.t + 51);
    EXPECT_TRUE(WaitUntil([&] { return d_->GetPixel(fx, fy) == Dark(kBg); }, 5s, 50ms))
        << "the Floater is in the frozen picture";
    const auto copy = SelectAndCopy(*overlay, sel);
    ASSERT_TRUE(copy) << "no bitmap read back";
    EXPECT_EQ(Differing(*copy, changed, sel), 0) << "the copy is not the screen at the end of the wait";

    // Chosen again before its end, the wait is cancelled and the Floaters,
    // shown before it, come back.
    ASSERT_NO_FATAL_FAILURE(ChooseTray("Display Floater"));
    ASSERT_TRUE(WaitUntil([&] { return FloaterShown(); }, 5s, 50ms)) << "the Floater did not come back";
    ASSERT_NO_FATAL_FAILURE(ChooseTray("Capture after a delay", "Capture in 5 s"));
    ASSERT_TRUE(WaitUntil([&] { return !FloaterShown(); }, 2s, 50ms)) << "the wait did not start";
    ASSERT_NO_FATAL_FAILURE(ChooseTray("Capture after a delay", "Capture in 5 s"));
    EXPECT_TRUE(WaitUntil([&] { return FloaterShown(); }, 3s, 50ms)) << "the cancelled wait left the Floaters hidden";
    EXPECT_FALSE(WaitOverlay(6500ms)) << "a cancelled wait still captured";
    EXPECT_TRUE(d_->Running(app_));
    d_->Stop(app_);
}

// A combination another program holds is told by name, with the usual
// holders; "Yes" opens the settings window, which marks that hotkey, and the
// other hotkeys work.
TEST_F(CaptureHotkeysE2E, AHotkeyHeldElsewhereIsToldByNameAndTheMessageOpensTheSettings) {
    const fs::path ready = dir_ / "holder-ready";
    holder_ = d_->Start(WinExe("vother.exe"), {"hotkey", "120", "2", "Z:" + ready.string()});  // Ctrl+F9
    ASSERT_TRUE(WaitUntil([&] { return fs::exists(ready); }, 10s)) << "vother never answered";
    std::string answer;
    std::ifstream(ready) >> answer;
    ASSERT_EQ(answer, "OK") << "the other program could not take Ctrl+F9";
    WriteSetIni("[hotkey]\r\nDelayedText=Ctrl + F9\r\nDelayedKeyCode=120\r\nDelayedModKeyCode=2\r\n");
    ASSERT_NO_FATAL_FAILURE(StartResident());

    const auto told = TakeMessage(*d_, 10s, kErrorCaption, {}, kMessageYesId);
    ASSERT_TRUE(told) << "the refused Ctrl+F9 was not told";
    EXPECT_TRUE(told->closed) << "Yes did not close the message";
    for (const char* part : {"Ctrl + F9 is held by another program", "Print Screen setting", "OneDrive",
                             "screen recorders", "Open the settings window"})
        EXPECT_NE(told->text.find(part), std::string::npos) << "no \"" << part << "\" in: " << told->text;

    ASSERT_TRUE(WaitUntil([&] { return VisibleTop("VellumoSett").has_value(); }, 3s, 50ms))
        << "Yes did not open the settings window";
    const auto boxes = HotkeyBoxes();
    ASSERT_EQ(boxes.size(), 8u);
    EXPECT_EQ(d_->WindowText(boxes[2].hwnd), "Ctrl + F9") << "the refused combination is not shown";
    std::vector<WinInfo> marks;
    for (const WinInfo& w : d_->ListWindows("VellumoSett"))
        if (w.cls == "Static" && w.title == kNotRegistered && w.visible) marks.push_back(w);
    ASSERT_EQ(marks.size(), 1u) << "one hotkey is not registered";
    EXPECT_LT(std::abs(marks[0].top - boxes[2].top), boxes[2].height()) << "the mark is not beside Delayed's box";

    // Print Screen, the capture hotkey, still works.
    d_->MovePointer(kFixtureLow.l + 300, kFixtureLow.t + 250);
    d_->Tap(XK_Print);
    const auto overlay = WaitOverlay();
    ASSERT_TRUE(overlay) << "Print Screen started no capture";
    ASSERT_NO_FATAL_FAILURE(EndCapture(*overlay));
    d_->Stop(app_);
}

// Giving a second action the combination another has is refused: the window
// says so, the box takes its old combination back, the file keeps the first
// action's, and that combination still does the first action's work.
TEST_F(CaptureHotkeysE2E, TwoActionsGivenOneCombinationIsRefused) {
    WriteSetIni("[hotkey]\r\nLastRegionText=Ctrl + F9\r\nLastRegionKeyCode=120\r\nLastRegionModKeyCode=2\r\n");
    ASSERT_NO_FATAL_FAILURE(StartResident());
    ASSERT_NO_FATAL_FAILURE(ShowSettings());
    auto boxes = HotkeyBoxes();
    ASSERT_EQ(boxes.size(), 8u);
    ASSERT_EQ(d_->WindowText(boxes[1].hwnd), "Ctrl + F9") << "LastRegion's stored combination is not shown";
    EXPECT_EQ(d_->WindowText(boxes[2].hwnd), "NULL") << "Delayed has a combination by default";

    ASSERT_NO_FATAL_FAILURE(TypeInto(boxes[2], XK_F9, "Ctrl + F9"));
    // In the same save, a combination of its own for HideFloaters is kept
    // though the message about the other takes the keyboard meanwhile.
    ASSERT_NO_FATAL_FAILURE(TypeInto(boxes[7], XK_F11, "Ctrl + F11"));
    const auto save = SettingsChild("Button", "\xE4\xBF\x9D\xE5\xAD\x98");  // 保存
    ASSERT_TRUE(save);
    Click(*save);
    const auto refused = TakeMessage(*d_, 5s);
    ASSERT_TRUE(refused) << "the shared combination was not refused";
    EXPECT_NE(refused->text.find("Ctrl + F9 is already the hotkey of \xE2\x80\x9C" "Capture last region"),
              std::string::npos)
        << refused->text;
    EXPECT_TRUE(WaitUntil([&] { return d_->WindowText(boxes[2].hwnd) == "NULL"; }, 3s, 50ms))
        << "Delayed's box kept \"" << d_->WindowText(boxes[2].hwnd) << "\"";
    ASSERT_TRUE(SetIniHas("checka=")) << "the save wrote nothing:\n" << ReadSetIni();
    EXPECT_NE(ReadSetIni().find("LastRegionKeyCode=120"), std::string::npos) << ReadSetIni();
    EXPECT_EQ(ReadSetIni().find("DelayedKeyCode=120"), std::string::npos) << ReadSetIni();
    EXPECT_TRUE(SetIniHas("HideFloatersKeyCode=122")) << "HideFloaters' own combination was lost:\n" << ReadSetIni();
    EXPECT_EQ(d_->WindowText(boxes[7].hwnd), "Ctrl + F11");

    // Ctrl+F9 is still LastRegion's: with no region yet, a plain capture at once.
    const auto hide = SettingsChild("Button", "\xE9\x9A\x90\xE8\x97\x8F");  // 隐藏
    ASSERT_TRUE(hide);
    Click(*hide);
    FocusFixture();
    Chord(XK_Control_L, XK_F9);
    auto overlay = WaitOverlay();
    ASSERT_TRUE(overlay) << "Ctrl+F9 started no capture";
    ASSERT_NO_FATAL_FAILURE(EndCapture(*overlay));

    // A combination of its own is kept and registered: Ctrl+F10 waits, then captures.
    ASSERT_NO_FATAL_FAILURE(ShowSettings());
    boxes = HotkeyBoxes();
    ASSERT_NO_FATAL_FAILURE(TypeInto(boxes[2], XK_F10, "Ctrl + F10"));
    Click(*SettingsChild("Button", "\xE4\xBF\x9D\xE5\xAD\x98"));
    ASSERT_TRUE(SetIniHas("DelayedKeyCode=121")) << ReadSetIni();
    EXPECT_FALSE(TakeMessage(*d_, 1s)) << "Ctrl+F10 was refused";
    Click(*SettingsChild("Button", "\xE9\x9A\x90\xE8\x97\x8F"));
    FocusFixture();
    const auto pressed = Clock::now();
    Chord(XK_Control_L, XK_F10);
    overlay = WaitOverlay(10s);
    ASSERT_TRUE(overlay) << "the Delayed hotkey started no capture";
    EXPECT_GE(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - pressed).count(), 2500)
        << "the Delayed hotkey did not wait";
    ASSERT_NO_FATAL_FAILURE(EndCapture(*overlay));
    d_->Stop(app_);
}

// The settings window's pointer box writes [Capture] Cursor=, and the pointer
// is in the copy only while it is checked.
TEST_F(CaptureHotkeysE2E, ThePointerIsInTheCopyOnlyWithTheBoxChecked) {
    ASSERT_NO_FATAL_FAILURE(StartResident());
    const Image screen = d_->Grab();
    const int px = kPanelA.l + 60, py = kPanelA.t + 50;
    const Box sel{kPanelA.l + 10, kPanelA.t + 10, 120, 100};
    // Pointer differences near its hot spot, and anywhere else.
    const auto captureWithPointer = [&](int& near, int& far) {
        d_->MovePointer(px, py);
        std::this_thread::sleep_for(100ms);
        d_->Tap(XK_Print);
        const auto overlay = WaitOverlay();
        ASSERT_TRUE(overlay) << "Print Screen started no capture";
        const auto copy = SelectAndCopy(*overlay, sel);
        ASSERT_TRUE(copy) << "no bitmap read back";
        near = far = 0;
        for (int y = 0; y < sel.h; ++y)
            for (int x = 0; x < sel.w; ++x) {
                if (copy->at(x, y) == screen.at(sel.l + x, sel.t + y)) continue;
                const int dx = sel.l + x - px, dy = sel.t + y - py;
                (dx >= -2 && dx < 32 && dy >= -2 && dy < 32 ? near : far)++;
            }
    };
    const auto clickBox = [&](const std::string& want) {
        ASSERT_NO_FATAL_FAILURE(ShowSettings());
        const auto box = SettingsChild("Button", "Include the pointer in captures");
        ASSERT_TRUE(box) << "no pointer box";
        Click(*box, 8);
        ASSERT_TRUE(SetIniHas(want)) << ReadSetIni();
        Click(*SettingsChild("Button", "\xE9\x9A\x90\xE8\x97\x8F"));  // 隐藏
        ASSERT_TRUE(WaitUntil([&] { return !VisibleTop("VellumoSett"); }, 3s, 50ms));
    };

    ASSERT_NO_FATAL_FAILURE(clickBox("[Capture]\r\nCursor=1"));
    int near = 0, far = 0;
    ASSERT_NO_FATAL_FAILURE(captureWithPointer(near, far));
    EXPECT_GE(near, 20) << "no pointer at the freeze point with the box checked";
    EXPECT_EQ(far, 0) << "pixels changed away from the pointer";

    ASSERT_NO_FATAL_FAILURE(clickBox("Cursor=0"));
    ASSERT_NO_FATAL_FAILURE(captureWithPointer(near, far));
    EXPECT_EQ(near + far, 0) << "the pointer was drawn with the box unchecked";
    d_->Stop(app_);
}

// Resident, a quick save says where the file went in a balloon from the
// tray icon, not in a message that stops the user; the file is the region.
TEST_F(CaptureHotkeysE2E, AResidentQuickSaveIsToldInABalloonFromTheTrayIcon) {
    const fs::path out = dir_ / "shots";
    WriteSetIni("[Save]\r\nFolder=" + WinPath(out) + "\r\nPattern=quick\r\n");
    ASSERT_NO_FATAL_FAILURE(StartResident());
    const Box sel{kPanelA.l + 10, kPanelA.t + 10, 150, 90};
    const Image screen = d_->Grab();
    FocusFixture();
    d_->Tap(XK_Print);
    const auto overlay = WaitOverlay();
    ASSERT_TRUE(overlay) << "Print Screen started no capture";
    DragInSteps(*d_, sel.l, sel.t, sel.w, sel.h);
    ASSERT_TRUE(WaitOverlayChild(*d_, "Image1")) << "the drag selected nothing";
    ASSERT_TRUE(WaitUntil([&] { return d_->KeysReach(overlay->hwnd); }, 3s, 20ms));
    d_->KeyDown(XK_Control_L);
    d_->KeyDown(XK_Shift_L);
    d_->Tap(XK_s);
    d_->KeyUp(XK_Shift_L);
    d_->KeyUp(XK_Control_L);

    ASSERT_TRUE(WaitUntil([&] { return fs::exists(out / "quick.png"); }, 10s, 50ms)) << "no file written";
    EXPECT_TRUE(WaitUntil([&] { return !VisibleTop("VellumoScrShot"); }, 5s, 50ms)) << "the capture stayed";
    // The balloon is the shell's tooltip window; its text is the tool's, read back.
    std::string said;
    EXPECT_TRUE(WaitUntil(
        [&] {
            for (const WinInfo& w : d_->ListWindows("tooltips_class32"))
                if (w.visible && (said = d_->WindowText(w.hwnd)).find("Saved to ") != std::string::npos) return true;
            return false;
        },
        5s, 50ms))
        << "no balloon said where the file went";
    EXPECT_NE(said.find("\\shots\\quick.png"), std::string::npos) << said;
    EXPECT_FALSE(TakeMessage(*d_, 500ms)) << "a message box stopped the user as well";
    const auto file = Decode(out / "quick.png");
    ASSERT_TRUE(file) << "the file cannot be read";
    ASSERT_EQ(file->image.width, sel.w);
    ASSERT_EQ(file->image.height, sel.h);
    int off = 0;
    for (int y = 0; y < sel.h; ++y)
        for (int x = 0; x < sel.w; ++x) off += !(file->image.at(x, y) == screen.at(sel.l + x, sel.t + y));
    EXPECT_EQ(off, 0) << "the file is not the region";
    EXPECT_TRUE(d_->Running(app_)) << "the resident program ended with the save";
    d_->Stop(app_);
}

// The HideFloaters hotkey does what the tray's "隐藏图标" and "显示图标"
// would: a press hides the Floaters, the next shows them again.
TEST_F(CaptureHotkeysE2E, TheHideFloatersHotkeyHidesAndShowsTheFloaters) {
    WriteSetIni("[hotkey]\r\nHideFloatersText=Ctrl + F11\r\nHideFloatersKeyCode=122\r\nHideFloatersModKeyCode=2\r\n");
    ASSERT_NO_FATAL_FAILURE(StartResident());
    const auto floater = PinAFloater();
    ASSERT_TRUE(floater) << "no Floater to hide";
    const int fx = floater->left + floater->width() / 2, fy = floater->top + floater->height() / 2;
    ASSERT_TRUE(WaitUntil([&] { return d_->GetPixel(fx, fy) != kBg; }, 3s, 50ms)) << "the Floater does not show";

    FocusFixture();
    Chord(XK_Control_L, XK_F11);
    EXPECT_TRUE(WaitUntil([&] { return !FloaterShown() && d_->GetPixel(fx, fy) == kBg; }, 5s, 50ms))
        << "the first press did not hide the Floater";
    FocusFixture();
    Chord(XK_Control_L, XK_F11);
    EXPECT_TRUE(WaitUntil([&] { return FloaterShown() && d_->GetPixel(fx, fy) != kBg; }, 5s, 50ms))
        << "the second press did not show it again";
    d_->Stop(app_);
}

// The ReopenFloater hotkey brings back the Floater just deleted, showing
// what it showed.
TEST_F(CaptureHotkeysE2E, TheReopenFloaterHotkeyBringsBackADeletedFloater) {
    WriteSetIni("[hotkey]\r\nReopenFloaterText=Ctrl + F9\r\nReopenFloaterKeyCode=120\r\nReopenFloaterModKeyCode=2\r\n");
    ASSERT_NO_FATAL_FAILURE(StartResident());
    const auto floater = PinAFloater();
    ASSERT_TRUE(floater) << "no Floater to delete";
    const int fx = floater->left + floater->width() / 2, fy = floater->top + floater->height() / 2;
    Pixel shown{};
    ASSERT_TRUE(WaitUntil([&] { return (shown = d_->GetPixel(fx, fy)) != kBg; }, 3s, 50ms)) << "the Floater does not show";

    ClickAt(*d_, fx, fy, 3);
    std::vector<WinInfo> menus;
    ASSERT_TRUE(WaitUntil([&] { return !(menus = VisibleMenus(*d_)).empty(); }, 3s, 50ms)) << "no Floater menu";
    ASSERT_TRUE(PickMenuItem(*d_, menus.front(), "Delete"));
    ASSERT_TRUE(WaitUntil([&] { return d_->GetPixel(fx, fy) == kBg; }, 5s, 50ms)) << "Delete left the Floater";

    FocusFixture();
    Chord(XK_Control_L, XK_F9);
    EXPECT_TRUE(WaitUntil([&] { return FloaterShown() && d_->GetPixel(fx, fy) == shown; }, 5s, 50ms))
        << "the hotkey did not bring the Floater back";
    d_->Stop(app_);
}

// The CopyLast hotkey puts the last capture back on a clipboard another
// program emptied; the PinClipboard hotkey pins what another program copied.
TEST_F(CaptureHotkeysE2E, TheCopyLastAndPinClipboardHotkeysWorkFromAnyProgram) {
    WriteSetIni(
        "[hotkey]\r\nCopyLastText=Ctrl + F7\r\nCopyLastKeyCode=118\r\nCopyLastModKeyCode=2\r\n"
        "PinClipboardText=Ctrl + F8\r\nPinClipboardKeyCode=119\r\nPinClipboardModKeyCode=2\r\n");
    ASSERT_NO_FATAL_FAILURE(StartResident());
    d_->MovePointer(kFixtureLow.l + 300, kFixtureLow.t + 250);
    d_->Tap(XK_Print);
    const auto overlay = WaitOverlay();
    ASSERT_TRUE(overlay) << "Print Screen opened no capture";
    const Box sel{kPanelA.l + 7, kPanelA.t + 9, 160, 110};
    const auto copied = SelectAndCopy(*overlay, sel);
    ASSERT_TRUE(copied) << "no bitmap read back after the copy";

    const std::string vprobe = WinExe("vprobe.exe");
    const fs::path dump = dir_ / "again.ppm";
    ASSERT_EQ(d_->Run(vprobe, {"emptyclipboard"}).out, "OK\n");
    ASSERT_EQ(d_->Run(vprobe, {"clipboard", WinPath(dump)}).out, "B\t0\t0\n") << "the clipboard was not emptied";
    FocusFixture();
    Chord(XK_Control_L, XK_F7);
    std::string read;
    EXPECT_TRUE(WaitUntil([&] { return (read = d_->Run(vprobe, {"clipboard", WinPath(dump)}).out) != "B\t0\t0\n"; }, 5s, 100ms))
        << "the CopyLast hotkey put nothing on the clipboard";
    EXPECT_EQ(read, "B\t160\t110\n");
    if (const auto again = ParsePpm(ReadFile(dump)); again && again->width == sel.w && again->height == sel.h) {
        int differing = 0;
        for (int y = 0; y < sel.h; ++y)
            for (int x = 0; x < sel.w; ++x) differing += !(again->at(x, y) == copied->at(x, y));
        EXPECT_EQ(differing, 0) << "the last capture came back otherwise";
    }

    constexpr int kW = 150, kH = 90;
    const fs::path ready = dir_ / "copied";
    const pid_t copier = d_->Start(vprobe, {"setclipbitmap", std::to_string(kW), std::to_string(kH), "60", WinPath(ready)});
    ASSERT_TRUE(WaitUntil([&] { return fs::exists(ready); }, 10s)) << "vprobe never put its picture on the clipboard";
    FocusFixture();
    Chord(XK_Control_L, XK_F8);
    std::optional<WinInfo> pinned;
    EXPECT_TRUE(WaitUntil(
        [&] {
            for (const WinInfo& w : d_->ListWindows("VellumoHoverdeck"))
                if (w.cls == "VellumoPicture1" && w.visible && w.width() == kW && w.height() == kH) pinned = w;
            return pinned.has_value() && FloaterShown();
        },
        10s, 50ms))
        << "the PinClipboard hotkey pinned no Floater of the copied picture";
    const auto shows = [&] { return ShowsClipboardPattern(*d_, pinned->left, pinned->top, kW, kH); };
    EXPECT_TRUE(pinned && WaitUntil(shows, 3s)) << "the Floater does not show the copied picture";
    d_->Stop(copier);
    d_->Stop(app_);
}

// While a delayed capture waits, the tray icon's tip counts the seconds down;
// cancelled, the tip says nothing of a capture any more.
TEST_F(CaptureHotkeysE2E, TheTrayTipCountsTheDelayDown) {
    ASSERT_NO_FATAL_FAILURE(StartResident());
    // Every tooltip's tips, read inside the shell that shows the tray icons.
    const auto tips = [&] {
        std::vector<std::string> out;
        for (const WinInfo& w : d_->ListWindows("tooltips_class32")) {
            if (w.parent != "0") continue;
            std::istringstream lines(d_->Run(WinExe("vprobe.exe"), {"tips", w.hwnd}).out);
            for (std::string line; std::getline(lines, line);)
                if (line.rfind("T\t", 0) == 0) out.push_back(line.substr(2));
        }
        return out;
    };
    // The seconds left in the countdown tip; -1 while there is none.
    const auto secondsLeft = [&] {
        for (const std::string& tip : tips())
            if (int left = -1; std::sscanf(tip.c_str(), "Vellumo: capture in %d s", &left) == 1) return left;
        return -1;
    };
    ASSERT_EQ(secondsLeft(), -1) << "a countdown before any delay";

    ASSERT_NO_FATAL_FAILURE(ChooseTray("Capture after a delay", "Capture in 10 s"));
    int first = -1;
    ASSERT_TRUE(WaitUntil([&] { return (first = secondsLeft()) > 0; }, 3s, 100ms))
        << "no countdown in the tray icon's tip; its tips: " << ::testing::PrintToString(tips());
    EXPECT_GE(first, 8);
    EXPECT_LE(first, 10);
    int later = -1;
    EXPECT_TRUE(WaitUntil([&] { return (later = secondsLeft()) > 0 && later <= first - 2; }, 4s, 100ms))
        << "the tip did not count down from " << first << ": " << later;

    ASSERT_NO_FATAL_FAILURE(ChooseTray("Capture after a delay", "Capture in 10 s"));
    EXPECT_TRUE(WaitUntil([&] { return secondsLeft() == -1; }, 3s, 100ms))
        << "the cancelled wait's countdown stayed: " << ::testing::PrintToString(tips());
    d_->Stop(app_);
}

}  // namespace
