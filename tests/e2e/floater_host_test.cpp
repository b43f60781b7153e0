// The Floater host as a resident user meets it over time: a Floater saved
// in each format, the save dialog offering the name used last, and the host
// that puts itself back above a window that stays on top, without taking the
// keyboard from it, quiet while a window of its own is in front.
#include <X11/keysym.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
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

namespace {

// The fixture low on the left; its panel A (yellow, a green part inside) is pinned.
constexpr int kPanelL = kFixtureLow.l + kPanelARect.left, kPanelT = kFixtureLow.t + kPanelARect.top;
constexpr int kPinW = kPanelARect.width, kPinH = kPanelARect.height;
// The Floater, centred.
constexpr Box kFloater{(kScreenW - kPinW) / 2, (kScreenH - kPinH) / 2, kPinW, kPinH};
const Pixel kYellow = Of(kPalettes[0].panelA);
const Pixel kGreen = Of(kPalettes[0].nested);
constexpr Pixel kCoverGrey{128, 128, 128};  // vother's cover (GRAY_BRUSH)

class FloaterHostE2E : public DesktopE2E {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(StartDisplay());
        UsePrivateCopy("vellumo-floaterhost-");
        ASSERT_NO_FATAL_FAILURE(StartFixture(kFixtureLow, [&] { return d_->GetPixel(kPanelL + 5, kPanelT + 5) == kYellow; }));
    }

    std::optional<WinInfo> VisibleTop(const std::string& cls) {
        for (const WinInfo& w : d_->ListWindows(cls))
            if (w.parent == "0" && w.visible) return w;
        return std::nullopt;
    }

    // Drags over panel A on the capture showing and presses the pin button.
    void PinOnCapture() {
        ASSERT_TRUE(WaitUntil([&] { return VisibleTop("VellumoScrShot").has_value(); }, 10s, 50ms)) << "no capture";
        std::this_thread::sleep_for(300ms);
        DragInSteps(*d_, kPanelL, kPanelT, kPinW, kPinH);
        const std::optional<WinInfo> pin = WaitOverlayChild(*d_, "pinimg");
        ASSERT_TRUE(pin) << "the pin button never showed";
        ClickAt(*d_, pin->left + pin->width() / 2, pin->top + pin->height() / 2);
        ASSERT_TRUE(WaitUntil([&] { return !VisibleTop("VellumoScrShot") && FloaterShows(); }, 10s, 50ms))
            << "the pin made no Floater";
    }
    void Pin() {
        d_->MovePointer(kPanelL - 5, kPanelT - 5);
        app_ = d_->Start(exe_);
        ASSERT_NO_FATAL_FAILURE(PinOnCapture());
    }

    // The Floater's yellow shows at its bottom-right.
    bool FloaterShows() { return d_->GetPixel(kFloater.r() - 10, kFloater.b() - 10) == kYellow; }

    // The Floater's menu entry `text`.
    void FloaterMenu(const std::string& text) {
        // A second right-click where a loaded machine lost the first.
        std::vector<WinInfo> menus;
        for (int attempt = 0; attempt < 2 && menus.empty(); ++attempt) {
            ClickAt(*d_, kFloater.l + 20, kFloater.t + 20, 3);
            WaitUntil([&] { return !(menus = VisibleMenus(*d_)).empty(); }, 3s, 50ms);
        }
        ASSERT_FALSE(menus.empty()) << "no Floater menu";
        ASSERT_TRUE(PickMenuItem(*d_, menus.front(), text)) << "no \"" << text << "\" in the Floater's menu";
    }

    // A dialog or message box is up (the hotkey's hidden "#32770" does not count).
    bool DialogShown() {
        for (const WinInfo& w : d_->ListWindows("#32770"))
            if (w.parent == "0" && w.visible) return true;
        return false;
    }

    // The save dialog's name box, once it shows.
    std::optional<WinInfo> NameBox() {
        std::optional<WinInfo> edit;
        WaitUntil(
            [&] {
                for (const WinInfo& w : d_->ListWindows("#32770"))
                    if (w.cls == "Edit" && w.visible) edit = w;
                return edit.has_value();
            },
            10s, 100ms);
        return edit;
    }

    // "设置热键" on the tray menu, chosen by its text: the settings window in front.
    void ShowSettingsWindow() {
        std::optional<WinInfo> icon;
        ASSERT_TRUE(WaitUntil(
            [&] {
                for (const WinInfo& w : d_->ListWindows("__winex11_standalone_tray"))
                    if (w.cls == "__winex11_tray_icon" && w.visible) icon = w;
                return icon.has_value();
            },
            5s, 50ms))
            << "no tray icon";
        ClickAt(*d_, icon->left + icon->width() / 2, icon->top + icon->height() / 2);
        std::vector<WinInfo> menus;
        ASSERT_TRUE(WaitUntil([&] { return !(menus = VisibleMenus(*d_)).empty(); }, 3s, 50ms)) << "no tray menu";
        ASSERT_TRUE(PickMenuItem(*d_, menus.front(), "\xE8\xAE\xBE\xE7\xBD\xAE\xE7\x83\xAD\xE9\x94\xAE"));  // 设置热键
        ASSERT_TRUE(WaitUntil([&] { return ForegroundClass() == "VellumoSett"; }, 5s, 50ms))
            << "the settings window is not in front: " << ForegroundClass();
    }

    // The class of the window Windows finds at screen point (x, y).
    std::string ClassAt(int x, int y) {
        std::istringstream in(d_->Run(WinExe("vprobe.exe"), {"at", std::to_string(x), std::to_string(y)}).out);
        std::string tag, hwnd, cls;
        std::getline(in, tag, '\t');
        std::getline(in, hwnd, '\t');
        std::getline(in, cls, '\t');
        return cls;
    }
    // The drop icon, where the host's place in front is seen: far from the
    // dialogs, which open over the middle of the host. Seen by its pixels:
    // Windows finds no disabled window at a point (a host with its own
    // dialog up is disabled).
    Box Icon() {
        for (const WinInfo& w : d_->ListWindows("VellumoHoverdeck"))
            if (w.cls == "VellumoGetimg") return BoxOf(w);
        return {};
    }
    Pixel IconPixel() { return d_->GetPixel(icon_.l + 8, icon_.t + 8); }
    bool HostOnTop() { return IconPixel() == iconShows_; }
    // Notes how the icon looks, uncovered.
    void SeeIcon() {
        icon_ = Icon();
        ASSERT_GT(icon_.w, 0) << "no drop icon";
        iconShows_ = IconPixel();
        ASSERT_NE(iconShows_, kCoverGrey) << "the icon looks like the cover";
    }

    // An always-on-top window of another program over the drop icon, taking
    // the keyboard or not; back once it is in front of the icon.
    pid_t Cover(bool activate) {
        const Box icon = icon_;
        const fs::path ready = dir_ / ("cover" + std::to_string(++covers_));
        const pid_t p = d_->Start(WinExe("vother.exe"),
                                  {"cover", std::to_string(icon.l - 20), std::to_string(icon.t), std::to_string(icon.w + 40),
                                   std::to_string(icon.h + 40), activate ? "1" : "0", WinPath(ready)});
        EXPECT_TRUE(WaitUntil([&] { return fs::exists(ready) && IconPixel() == kCoverGrey; }, 10s, 50ms))
            << "the cover never showed in front of the drop icon";
        EXPECT_EQ(ClassAt(icon.cx(), icon.cy()), "VotherCover");
        return p;
    }
    std::string ForegroundClass() {
        std::istringstream in(d_->Run(WinExe("vprobe.exe"), {"foreground"}).out);
        std::string tag, hwnd, cls;
        std::getline(in, tag, '\t');
        std::getline(in, hwnd, '\t');
        std::getline(in, cls, '\t');
        return cls;
    }

    int covers_ = 0;
    Box icon_{};
    Pixel iconShows_;
};

// The host is made, hidden, while the user is still selecting, so that the
// pin does not wait for it; a capture left without a pin takes it along and
// the process ends as before. The pin then shows on the host made early.
TEST_F(FloaterHostE2E, TheHostIsReadyHiddenWhileSelectingAndGoesWithAnUnpinnedCapture) {
    d_->MovePointer(kPanelL - 5, kPanelT - 5);
    app_ = d_->Start(exe_);
    ASSERT_TRUE(WaitUntil([&] { return VisibleTop("VellumoScrShot").has_value(); }, 10s, 50ms)) << "no capture";
    const auto hiddenHost = [&] {
        for (const WinInfo& w : d_->ListWindows("VellumoHoverdeck"))
            if (w.parent == "0" && !w.visible) return true;
        return false;
    };
    ASSERT_TRUE(WaitUntil(hiddenHost, 10s, 50ms)) << "no host made while selecting";
    EXPECT_FALSE(VisibleTop("VellumoHoverdeck")) << "the host showed over the capture";
    const std::optional<WinInfo> overlay = VisibleTop("VellumoScrShot");
    ASSERT_TRUE(overlay && WaitUntil([&] { return d_->KeysReach(overlay->hwnd); }, 3s, 20ms))
        << "the key focus is not on the overlay";
    d_->Tap(XK_Escape);
    EXPECT_TRUE(d_->WaitExit(app_, 10s)) << "the host made for a pin kept the process after Esc";

    ASSERT_NO_FATAL_FAILURE(Pin());
}

// Saves of a Floater as JPEG, GIF and BMP: each file holds the Floater's
// picture, and each dialog after the first offers the name saved last.
TEST_F(FloaterHostE2E, AFloaterSavesAsJpegGifAndBmpAndTheDialogOffersTheLastName) {
    ASSERT_NO_FATAL_FAILURE(Pin());
    std::string last;
    for (const std::string ext : {"jpg", "gif", "bmp"}) {
        ASSERT_NO_FATAL_FAILURE(FloaterMenu("Save"));
        const auto box = NameBox();
        ASSERT_TRUE(box) << "no save dialog for ." << ext;
        if (!last.empty()) {
            std::string offered;
            WaitUntil([&] { return (offered = d_->WindowText(box->hwnd)).find(last) != std::string::npos; }, 3s, 100ms);
            EXPECT_NE(offered.find(last), std::string::npos)
                << "the dialog offers \"" << offered << "\", not the last name " << last;
        }
        last = "floater-" + ext + "." + ext;
        const fs::path file = dir_ / last;
        ASSERT_TRUE(TypeFileName(*d_, WinPath(file)));
        ASSERT_TRUE(WaitUntil([&] { return fs::exists(file) && fs::file_size(file) > 0; }, 10s)) << "nothing at " << file;
        // Read once the save has let go of the file: the host answers again.
        ASSERT_TRUE(WaitUntil([&] { return !DialogShown() && ResidentAnswers(*d_); }, 10s, 100ms));
        const auto got = Decode(file);
        ASSERT_TRUE(got) << file << " is not an image";
        const std::string want = ext == "jpg" ? "JPEG" : ext == "gif" ? "GIF" : "BMP";
        EXPECT_EQ(got->format.substr(0, want.size()), want) << file << " is " << got->format;  // BMP3 is a BMP
        ASSERT_EQ(got->image.width, kPinW) << file;
        ASSERT_EQ(got->image.height, kPinH) << file;
        const int tolerance = ext == "jpg" ? 12 : 0;
        const auto& nestedAt = got->image.at(kNestedRect.left + 20, kNestedRect.top + 20);
        const auto& panelAt = got->image.at(kPinW - 20, kPinH - 20);
        EXPECT_TRUE(Near(nestedAt, kGreen, tolerance)) << file << ": the green part is " << ToString(nestedAt);
        EXPECT_TRUE(Near(panelAt, kYellow, tolerance)) << file << ": the panel is " << ToString(panelAt);
    }
    d_->Stop(app_);
}

// The host (seen at its drop icon) comes back above an always-on-top window
// of another program without taking the keyboard from it; it stays behind
// while a window of its own (the settings window) is in front, and keeps
// watch after a Floater's save and after a pin.
TEST_F(FloaterHostE2E, TheHostComesBackOnTopWithoutTheKeyboardAndWaitsForItsOwnWindows) {
    ASSERT_NO_FATAL_FAILURE(Pin());
    ASSERT_NO_FATAL_FAILURE(SeeIcon());
    pid_t cover = Cover(true);
    ASSERT_EQ(ForegroundClass(), "VotherCover") << "the covering window did not take the keyboard";
    // The watch runs every five seconds.
    EXPECT_TRUE(WaitUntil([&] { return HostOnTop(); }, 8s, 100ms)) << "the host never came back on top";
    EXPECT_EQ(ForegroundClass(), "VotherCover") << "coming back on top took the keyboard";

    // Right after a watch, a second cover, then the settings window in front
    // (well within the next watch): the host stays behind the cover.
    const pid_t second = Cover(true);
    ASSERT_NO_FATAL_FAILURE(ShowSettingsWindow());
    EXPECT_FALSE(WaitUntil([&] { return HostOnTop(); }, 7s, 100ms))
        << "the host came up while the settings window was in front";
    d_->Stop(second);
    d_->Stop(cover);
    // Its "隐藏" button takes it away from over the Floater.
    ASSERT_TRUE(d_->PostToWindow("VellumoSett", kWmCommand, kSettHideId));
    ASSERT_TRUE(WaitUntil([&] { return !VisibleTop("VellumoSett"); }, 3s, 50ms)) << "the settings window stayed";

    // After a Floater's save the watch goes on.
    ASSERT_NO_FATAL_FAILURE(FloaterMenu("Save"));
    const fs::path file = dir_ / "kept.png";
    ASSERT_TRUE(TypeFileName(*d_, WinPath(file)));
    ASSERT_TRUE(WaitUntil([&] { return fs::exists(file) && !DialogShown(); }, 10s)) << "the save wrote nothing";
    cover = Cover(true);
    EXPECT_TRUE(WaitUntil([&] { return HostOnTop(); }, 8s, 100ms)) << "no watch after the Floater's save";
    d_->Stop(cover);

    // A capture (Print Screen, over the fixture) and a second pin: the watch
    // goes on. The key goes in once the fixture under the pointer has
    // answered: Wine takes a program's keys through the X window the pointer
    // entered.
    d_->MovePointer(kFixtureLow.l + 300, kFixtureLow.t + 250);
    if (const auto fixture = VisibleTop("VellumoFixture")) d_->WindowText(fixture->hwnd);
    d_->Tap(XK_Print);
    ASSERT_NO_FATAL_FAILURE(PinOnCapture());
    cover = Cover(true);
    EXPECT_TRUE(WaitUntil([&] { return HostOnTop(); }, 8s, 100ms)) << "no watch after a pin";
    d_->Stop(cover);
    d_->Stop(app_);
}

}  // namespace
