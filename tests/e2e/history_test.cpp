// The capture history as a user meets it: every copy and pin leaves a PNG of
// the region in the history folder, the folder stays within "Keep=", a
// folder that cannot be written is told once and stops nothing, "Recent
// captures" in the tray menu pins a kept capture again, and a write cut off
// by a kill leaves nothing torn behind. Each test runs its
// own copy of vellumo.exe with a "set.ini" naming a history folder of its own.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
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
#include "tests/e2e/Menus.h"
#include "tests/e2e/SmallDisk.h"
#include "tests/e2e/harness/Harness.h"
#include "tests/e2e/harness/XDrop.h"

#include <X11/keysym.h>

using namespace e2e;
using namespace vellumo::e2e;
namespace fs = std::filesystem;

namespace {

constexpr int kFixL = kFixtureLow.l, kFixT = kFixtureLow.t;
constexpr int kPanelL = kFixL + kPanelARect.left, kPanelT = kFixT + kPanelARect.top;
constexpr int kW = kPanelARect.width, kH = kPanelARect.height;

class HistoryE2E : public DesktopE2E {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(StartDisplay());
        UsePrivateCopy("vellumo-history-");
        history_ = dir_ / "history";
        ASSERT_NO_FATAL_FAILURE(StartFixture(
            kFixtureLow, [&] { return d_->GetPixel(kPanelL + 5, kPanelT + 5) == Of(kPalettes[0].panelA); }));
    }

    void WriteSetIni(const std::string& folder, int keep) {
        std::ofstream(dir_ / "set.ini", std::ios::binary)
            << "[History]\r\nFolder=" << folder << "\r\nKeep=" << keep << "\r\n";
    }

    bool Visible(const std::string& cls) {
        for (const WinInfo& w : d_->ListWindows(cls))
            if (w.parent == "0" && w.visible) return true;
        return false;
    }
    // The Floaters the user sees: none while the host (made while the user
    // selected) is still hidden under the overlay.
    int Floaters() {
        if (Visible("VellumoScrShot") || !Visible("VellumoHoverdeck")) return 0;
        int n = 0;
        for (const WinInfo& w : d_->ListWindows("VellumoHoverdeck"))
            if (w.cls == "VellumoPicture1" && w.visible) ++n;
        return n;
    }

    // A capture of panel A left by the toolbar button `button` ("Image1"
    // copies, "pinimg" pins); starts the program when it does not run yet.
    void CaptureBy(const std::string& button) {
        d_->MovePointer(kPanelL - 5, kPanelT - 5);
        if (app_ <= 0 || !d_->Running(app_)) app_ = d_->Start(exe_, {});
        else d_->Tap(XK_Print);
        ASSERT_TRUE(WaitUntil([&] { return Visible("VellumoScrShot"); }, 10s, 50ms)) << "no capture overlay";
        std::this_thread::sleep_for(300ms);
        DragInSteps(*d_, kPanelL, kPanelT, kW, kH);
        const std::optional<WinInfo> b = WaitOverlayChild(*d_, button);
        ASSERT_TRUE(b) << button << " never showed";
        ClickAt(*d_, b->left + b->width() / 2, b->top + b->height() / 2);
    }

    std::vector<std::string> Kept(const std::string& extension = ".png") {
        std::vector<std::string> names;
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(history_, ec))
            if (e.path().extension() == extension && e.path().filename().string().starts_with("capture-"))
                names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    // The file decodes to panel A exactly as the screen shows it, at its size.
    void ExpectPanelA(const fs::path& file) {
        ASSERT_TRUE(WaitUntil([&] { return !Visible("VellumoScrShot"); }, 5s, 50ms));
        panelA_ = d_->Grab(kPanelL, kPanelT, kW, kH);
        const auto png = Decode(file);
        ASSERT_TRUE(png) << file << " does not decode";
        EXPECT_EQ(png->format, "PNG");
        ASSERT_EQ(png->image.width, kW);
        ASSERT_EQ(png->image.height, kH);
        int wrong = 0;
        for (std::size_t i = 0; i < png->image.pixels.size(); ++i) {
            const Pixel &got = png->image.pixels[i], &want = panelA_.pixels[i];
            if (!(got == want) && wrong++ == 0)
                ADD_FAILURE() << "at " << i % kW << "," << i / kW << ": " << got.r << " " << got.g << " " << got.b
                              << " for " << want.r << " " << want.g << " " << want.b;
        }
        EXPECT_EQ(wrong, 0) << "pixels unlike panel A in " << file;
    }

    static void WritePng(const fs::path& file, int w, int h, const std::string& colour) {
        ASSERT_EQ(std::system(("convert -size " + std::to_string(w) + "x" + std::to_string(h) + " xc:'" + colour +
                               "' 'PNG24:" + file.string() + "'")
                                  .c_str()),
                  0);
    }

    std::vector<WinInfo> Menus() {
        std::vector<WinInfo> out;
        for (const WinInfo& w : d_->ListWindows("#32768"))
            if (w.visible) out.push_back(w);
        return out;
    }
    // The tray menu opened from the icon; nothing when it does not open.
    std::optional<WinInfo> OpenTrayMenu() {
        std::optional<WinInfo> icon;
        if (!WaitUntil(
                [&] {
                    for (const WinInfo& w : d_->ListWindows("__winex11_standalone_tray"))
                        if (w.cls == "__winex11_tray_icon" && w.visible) icon = w;
                    return icon.has_value();
                },
                5s, 50ms))
            return std::nullopt;
        ClickAt(*d_, icon->left + icon->width() / 2, icon->top + icon->height() / 2);
        if (!WaitUntil([&] { return Menus().size() == 1; }, 3s, 50ms)) return std::nullopt;
        return Menus().front();
    }
    // Opens the tray menu and its "Recent captures"; the submenu, and the
    // height of one text entry.
    std::optional<WinInfo> OpenRecentCaptures(int& entryHeight) {
        const auto m = OpenTrayMenu();
        if (!m) return std::nullopt;
        const auto items = MenuItems(*d_, m->hwnd);
        if (items.empty() || !PickMenuItem(*d_, *m, "Recent captures")) return std::nullopt;
        entryHeight = (m->height() - 6) / static_cast<int>(items.size());
        std::vector<WinInfo> open;
        if (!WaitUntil([&] { return (open = Menus()).size() == 2; }, 3s, 50ms)) return std::nullopt;
        return open.front().hwnd == m->hwnd ? open.back() : open.front();
    }
    // The box's button `id` (6 Yes, 7 No) clicked; false when no box asks.
    bool Answer(int id) {
        std::optional<WinInfo> button;
        if (!WaitUntil(
                [&] {
                    bool box = false;
                    for (const WinInfo& w : d_->ListWindows("#32770")) {
                        if (w.parent == "0") box = w.visible && w.title == "Vellumo";
                        else if (box && w.cls == "Button" && w.id == id && w.visible) button = w;
                    }
                    return button.has_value();
                },
                5s, 50ms))
            return false;
        std::this_thread::sleep_for(200ms);
        ClickAt(*d_, button->left + button->width() / 2, button->top + button->height() / 2);
        return WaitUntil(
            [&] {
                for (const WinInfo& w : d_->ListWindows("#32770"))
                    if (w.parent == "0" && w.visible && w.title == "Vellumo") return false;
                return true;
            },
            3s, 50ms);
    }

    // The picture on the clipboard, as vprobe reads it, once there is one
    // (waited for up to 10 s); none when none came.
    std::optional<Image> ClipboardPicture() {
        const fs::path dump = dir_ / "clip.ppm";
        std::optional<Image> clip;
        WaitUntil(
            [&] {
                d_->Run(WinExe("vprobe.exe"), {"clipboard", WinPath(dump)});
                return (clip = ParsePpm(ReadFile(dump))).has_value();
            },
            10s, 200ms);
        return clip;
    }

    // With set.ini naming a history folder that cannot be written: the
    // first capture (a pin) tells it once, the pin still makes its Floater,
    // and a copy after it still reaches the clipboard, told nothing more.
    void ExpectRefusalToldOnceAndNothingStopped() {
        ASSERT_NO_FATAL_FAILURE(CaptureBy("pinimg"));
        ASSERT_TRUE(WaitUntil([&] { return Floaters() == 1; }, 10s, 50ms)) << "the pin made no Floater";
        const auto told = TakeMessage(*d_, 10s);
        ASSERT_TRUE(told) << "the refused history said nothing";
        EXPECT_NE(told->text.find("could not be written"), std::string::npos) << told->text;
        EXPECT_TRUE(told->closed) << "the message did not close";
        ASSERT_TRUE(d_->Running(app_)) << "the program ended after the message";

        // Emptied first, so what the copy puts there is the copy's own.
        ASSERT_EQ(d_->Run(WinExe("vprobe.exe"), {"emptyclipboard"}).out, "OK\n");
        ASSERT_NO_FATAL_FAILURE(CaptureBy("Image1"));
        const std::optional<Image> clip = ClipboardPicture();
        ASSERT_TRUE(clip) << "the copy put no picture on the clipboard";
        EXPECT_EQ(clip->width, kW);
        EXPECT_EQ(clip->height, kH);
        EXPECT_EQ(clip->at(kW / 2, kH / 2), d_->GetPixel(kPanelL + kW / 2, kPanelT + kH / 2));
        ASSERT_TRUE(ResidentAnswers(*d_));
        const auto again = TakeMessage(*d_, 2s);
        EXPECT_FALSE(again) << "told twice: " << again->text;
        d_->Stop(app_);
    }

    fs::path history_;
    Image panelA_;  // the region every capture takes, as the screen shows it
};

// A copy and a pin each leave the region as a PNG. With Keep=100, a folder
// already holding 150 older captures, a crash's temporary and a file of the
// user's own is pruned to the newest 100 at the next capture; the temporary
// is gone from the start and the user's file stays.
TEST_F(HistoryE2E, CapturesAreKeptAsTheRegionAndPrunedToTheNewest) {
    fs::create_directories(history_);
    for (int i = 0; i < 150; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "capture-20200101-%02d%02d%02d-000.png", i / 3600, i / 60 % 60, i % 60);
        std::ofstream(history_ / name) << "old";
    }
    std::ofstream(history_ / "capture-20200101-000000-000.png.tmp") << "torn";
    std::ofstream(history_ / "holiday.png") << "mine";
    WriteSetIni(WinPath(history_), 100);

    ASSERT_NO_FATAL_FAILURE(CaptureBy("Image1"));
    ASSERT_TRUE(WaitUntil([&] { return !Kept().empty() && !Kept().back().starts_with("capture-2020"); }, 10s, 50ms))
        << "the copy left nothing in the history";
    EXPECT_TRUE(WaitUntil([&] { return Kept().size() == 100; }, 5s, 50ms)) << Kept().size() << " files kept";
    const std::vector<std::string> kept = Kept();
    // The oldest 51 went: the newest 99 of the old ones and the copy remain.
    EXPECT_EQ(kept.front(), "capture-20200101-000051-000.png");
    EXPECT_FALSE(fs::exists(history_ / "capture-20200101-000000-000.png.tmp")) << "a crash's temporary stayed";
    EXPECT_TRUE(fs::exists(history_ / "holiday.png")) << "a file of the user's was pruned";
    ASSERT_NO_FATAL_FAILURE(ExpectPanelA(history_ / kept.back()));
    EXPECT_TRUE(Kept(".tmp").empty());
    // The copy ended the program (nothing was pinned); it wrote the file first.
    EXPECT_TRUE(d_->WaitExit(app_, 5s, nullptr));

    ASSERT_NO_FATAL_FAILURE(CaptureBy("pinimg"));
    ASSERT_TRUE(WaitUntil([&] { return Floaters() == 1; }, 10s, 50ms)) << "the pin made no Floater";
    ASSERT_TRUE(WaitUntil([&] { return Kept().back() != kept.back(); }, 10s, 50ms)) << "the pin left nothing";
    ExpectPanelA(history_ / Kept().back());
    EXPECT_EQ(Kept().size(), 100u);
    const std::string record = Output("identify -verbose '" + (history_ / Kept().back()).string() + "'");
    EXPECT_NE(record.find("Left by: pin"), std::string::npos) << record;
    d_->Stop(app_);
}

// A pin's capture waits a moment before it is written, so as not to take
// the processor from the Floater's first paint: "Exit" chosen right after
// the pin still leaves it in the history, whole, before the program ends.
TEST_F(HistoryE2E, APinIsWrittenWhenExitFollowsAtOnce) {
    WriteSetIni(WinPath(history_), 100);
    ASSERT_NO_FATAL_FAILURE(CaptureBy("pinimg"));
    ASSERT_TRUE(WaitUntil([&] { return Floaters() == 1; }, 10s, 50ms)) << "the pin made no Floater";
    const auto menu = OpenTrayMenu();
    ASSERT_TRUE(menu) << "no tray menu";
    ASSERT_TRUE(PickMenuItem(*d_, *menu, "Exit")) << "no \"Exit\" in the tray menu";
    ASSERT_TRUE(d_->WaitExit(app_, 10s, nullptr)) << "Exit did not end the program";
    const std::vector<std::string> kept = Kept();
    ASSERT_EQ(kept.size(), 1u) << "the pin was not in the history when the program ended";
    EXPECT_TRUE(Kept(".tmp").empty()) << "a write was cut off";
    ASSERT_NO_FATAL_FAILURE(ExpectPanelA(history_ / kept.front()));
    const std::string record = Output("identify -verbose '" + (history_ / kept.front()).string() + "'");
    EXPECT_NE(record.find("Left by: pin"), std::string::npos) << record;
}

// A history folder that cannot be made (its parent is a file), one on a full
// drive and one on a read-only drive: each is told once, and copy and pin go
// on. On the full drive no torn file or temporary is left behind.
TEST_F(HistoryE2E, AFolderThatCannotBeMadeIsToldOnceAndStopsNothing) {
    std::ofstream(dir_ / "file") << "not a folder";
    WriteSetIni(WinPath(dir_ / "file" / "history"), 100);
    ASSERT_NO_FATAL_FAILURE(ExpectRefusalToldOnceAndNothingStopped());
}

TEST_F(HistoryE2E, AFullDriveIsToldOnceAndStopsNothing) {
    SmallDisk disk(dir_ / "small");
    if (!disk.mounted()) GTEST_SKIP() << "a tmpfs cannot be mounted here (needs root)";
    ASSERT_GT(disk.Fill("filler"), 100000u) << "the small disk took next to nothing";
    WriteSetIni(WinPath(dir_ / "small" / "history"), 100);
    ASSERT_NO_FATAL_FAILURE(ExpectRefusalToldOnceAndNothingStopped());
    std::vector<std::string> left;
    std::error_code ec;
    for (const auto& e : fs::recursive_directory_iterator(dir_ / "small" / "history", ec))
        if (e.is_regular_file()) left.push_back(e.path().filename().string());
    EXPECT_TRUE(left.empty()) << "left on the full drive: " << left.front();
}

TEST_F(HistoryE2E, AReadOnlyDriveIsToldOnceAndStopsNothing) {
    SmallDisk disk(dir_ / "small");
    if (!disk.mounted()) GTEST_SKIP() << "a tmpfs cannot be mounted here (needs root)";
    fs::create_directories(dir_ / "small" / "history");
    ASSERT_TRUE(disk.MakeReadOnly());
    WriteSetIni(WinPath(dir_ / "small" / "history"), 100);
    ASSERT_NO_FATAL_FAILURE(ExpectRefusalToldOnceAndNothingStopped());
}

// "Recent captures" lists the kept captures newest first; choosing the first
// pins that capture (here one the test put there, dated later than the pin
// that made the program resident) as a Floater of its own pixels.
TEST_F(HistoryE2E, RecentCapturesPinsTheCaptureChosen) {
    fs::create_directories(history_);
    ASSERT_NO_FATAL_FAILURE(WritePng(history_ / "capture-20991231-235959-000.png", 90, 60, "rgb(10,200,30)"));
    WriteSetIni(WinPath(history_), 100);
    ASSERT_NO_FATAL_FAILURE(CaptureBy("pinimg"));
    ASSERT_TRUE(WaitUntil([&] { return Floaters() == 1; }, 10s, 50ms)) << "the pin made no Floater";

    int entry = 0;
    const auto sub = OpenRecentCaptures(entry);
    ASSERT_TRUE(sub) << "no Recent captures submenu";
    ClickAt(*d_, sub->left + 40, sub->top + 3 + 8);
    ASSERT_TRUE(WaitUntil([&] { return Floaters() == 2; }, 10s, 50ms)) << "choosing a recent capture pinned nothing";
    std::optional<WinInfo> chosen;
    for (const WinInfo& w : d_->ListWindows("VellumoHoverdeck"))
        if (w.cls == "VellumoPicture1" && w.visible && w.width() == 90) chosen = w;
    ASSERT_TRUE(chosen) << "no Floater of the chosen capture's size";
    EXPECT_EQ(chosen->height(), 60);
    EXPECT_TRUE(WaitUntil([&] { return d_->GetPixel(chosen->left + 45, chosen->top + 30) == Pixel{10, 200, 30}; },
                          3s, 50ms))
        << "the Floater does not show the chosen capture";
    d_->Stop(app_);
}

// "Copy last capture" puts the newest kept capture on the clipboard again;
// "Clear history" asks first: No keeps every file, Yes removes the captures.
TEST_F(HistoryE2E, CopyLastCaptureAndClearHistory) {
    WriteSetIni(WinPath(history_), 100);
    ASSERT_NO_FATAL_FAILURE(CaptureBy("pinimg"));
    ASSERT_TRUE(WaitUntil([&] { return Floaters() == 1 && Kept().size() == 1; }, 10s, 50ms)) << "no pin kept";
    std::ofstream(history_ / "holiday.png") << "mine";
    ASSERT_EQ(d_->Run(WinExe("vprobe.exe"), {"emptyclipboard"}).out, "OK\n");

    // The fixed entries are the submenu's last three: "Copy last capture",
    // "Open history folder", "Clear history".
    int entry = 0;
    auto sub = OpenRecentCaptures(entry);
    ASSERT_TRUE(sub) << "no Recent captures submenu";
    ClickAt(*d_, sub->left + 40, sub->top + sub->height() - 3 - entry * 5 / 2);
    const std::optional<Image> clip = ClipboardPicture();
    ASSERT_TRUE(clip) << "Copy last capture put no picture on the clipboard";
    ASSERT_EQ(clip->width, kW);
    ASSERT_EQ(clip->height, kH);
    const Image screen = d_->Grab(kPanelL, kPanelT, kW, kH);
    EXPECT_EQ(clip->pixels, screen.pixels) << "the clipboard is not the kept capture";

    for (const int answer : {7, 6}) {
        sub = OpenRecentCaptures(entry);
        ASSERT_TRUE(sub) << "no Recent captures submenu";
        ClickAt(*d_, sub->left + 40, sub->top + sub->height() - 3 - entry / 2);
        ASSERT_TRUE(Answer(answer)) << "Clear history asked nothing";
        if (answer == 7) {
            ASSERT_TRUE(ResidentAnswers(*d_));
            EXPECT_EQ(Kept().size(), 1u) << "No cleared the history";
        }
    }
    EXPECT_TRUE(WaitUntil([&] { return Kept().empty(); }, 5s, 50ms)) << "Yes left " << Kept().size() << " captures";
    EXPECT_TRUE(fs::exists(history_ / "holiday.png")) << "Clear history removed a file of the user's";
    EXPECT_EQ(Floaters(), 1);
    d_->Stop(app_);
}

// A Floater made from the clipboard's picture and one made from a dropped
// file are kept too, each as the picture it shows and told apart by how it
// came.
TEST_F(HistoryE2E, FloatersFromTheClipboardAndFromADroppedFileAreKept) {
    WriteSetIni(WinPath(history_), 100);
    ASSERT_NO_FATAL_FAILURE(CaptureBy("pinimg"));
    ASSERT_TRUE(WaitUntil([&] { return Floaters() == 1 && Kept().size() == 1; }, 10s, 50ms)) << "no pin kept";
    const auto leftBy = [&](const fs::path& file) {
        const std::string record = Output("identify -verbose '" + file.string() + "'");
        const auto at = record.find("Left by: ");
        return at == std::string::npos ? record : record.substr(at, record.find('\n', at) - at);
    };

    // vprobe's 150 x 90 picture, pixel (x, y) = RGB(x, y, 160).
    const fs::path ready = dir_ / "copied";
    const pid_t copier =
        d_->Start(WinExe("vprobe.exe"), {"setclipbitmap", "150", "90", "60", WinPath(ready)});
    ASSERT_TRUE(WaitUntil([&] { return fs::exists(ready); }, 10s)) << "vprobe never put its picture on the clipboard";
    const auto menu = OpenTrayMenu();
    ASSERT_TRUE(menu) << "no tray menu";
    ASSERT_TRUE(PickMenuItem(*d_, *menu, "Pin clipboard image"));
    ASSERT_TRUE(WaitUntil([&] { return Floaters() == 2 && Kept().size() == 2; }, 10s, 50ms))
        << Floaters() << " Floaters, " << Kept().size() << " kept";
    d_->Stop(copier);
    const fs::path fromClipboard = history_ / Kept().back();
    const auto clip = Decode(fromClipboard);
    ASSERT_TRUE(clip) << fromClipboard << " does not decode";
    ASSERT_EQ(clip->image.width, 150);
    ASSERT_EQ(clip->image.height, 90);
    for (int y = 0; y < 90; ++y)
        for (int x = 0; x < 150; ++x)
            ASSERT_EQ(clip->image.at(x, y), (Pixel{x, y, 160})) << "at " << x << "," << y << " of " << fromClipboard;
    EXPECT_EQ(leftBy(fromClipboard), "Left by: clipboard");

    // A one-colour PNG dropped on the drop icon.
    const fs::path dropped = dir_ / "dropped.png";
    ASSERT_NO_FATAL_FAILURE(WritePng(dropped, 90, 60, "rgb(10,200,30)"));
    std::optional<WinInfo> icon;
    for (const WinInfo& w : d_->ListWindows("VellumoHoverdeck"))
        if (w.cls == "VellumoGetimg" && w.visible) icon = w;
    ASSERT_TRUE(icon) << "no drop icon";
    XDropSource drop(d_->name());
    ASSERT_TRUE(drop.ok());
    ASSERT_TRUE(drop.Drop(d_->ToX(icon->left + 18), d_->ToY(icon->top + 18), "file://" + dropped.string()))
        << "the drop never finished";
    ASSERT_TRUE(WaitUntil([&] { return Floaters() == 3 && Kept().size() == 3; }, 10s, 50ms))
        << Floaters() << " Floaters, " << Kept().size() << " kept";
    const fs::path fromFile = history_ / Kept().back();
    const auto file = Decode(fromFile);
    ASSERT_TRUE(file) << fromFile << " does not decode";
    ASSERT_EQ(file->image.width, 90);
    ASSERT_EQ(file->image.height, 60);
    int unlike = 0;
    for (const Pixel& p : file->image.pixels) unlike += !(p == Pixel{10, 200, 30});
    EXPECT_EQ(unlike, 0) << "pixels unlike the dropped file in " << fromFile;
    EXPECT_EQ(leftBy(fromFile), "Left by: file");
    d_->Stop(app_);
}

// A 4K screen of noise: its PNG is tens of megabytes, so its write to the
// history lasts long enough to be cut off.
class HistoryKillE2E : public HistoryE2E {
protected:
    static constexpr int kW = 3840, kH = 2160;
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(StartDisplay(kW, kH));
        UsePrivateCopy("vellumo-history-kill-");
        history_ = dir_ / "history";
        d_->FillWithNoise();
    }
};

// Killed while a capture's PNG is being written (its temporary on disk), the
// program leaves no file under a capture's name that does not decode, and
// the next start removes the temporary.
TEST_F(HistoryKillE2E, AWriteCutOffByAKillLeavesNoTornFileAndTheNextStartSweepsIt) {
    WriteSetIni(WinPath(history_), 100);
    app_ = d_->Start(exe_, {"/tray"});
    // The moment between the temporary's making and its rename is short:
    // each try copies the whole screen and kills on the first sight of it.
    bool caught = false;
    for (int attempt = 0; attempt < 4 && !caught; ++attempt) {
        d_->MovePointer(kW / 2, kH / 2);
        std::optional<WinInfo> copy;
        ASSERT_TRUE(WaitUntil(
            [&] {
                d_->Tap(XK_Print);
                return WaitUntil([&] { return Visible("VellumoScrShot"); }, 3s, 50ms);
            },
            20s, 10ms))
            << "no capture overlay";
        DragInSteps(*d_, 2, 2, kW - 4, kH - 300);
        ASSERT_TRUE(copy = WaitOverlayChild(*d_, "Image1", 10s)) << "the drag selected nothing";
        const std::size_t before = Kept().size();
        ClickAt(*d_, copy->left + copy->width() / 2, copy->top + copy->height() / 2);
        const auto deadline = std::chrono::steady_clock::now() + 30s;
        while (std::chrono::steady_clock::now() < deadline) {
            if (!Kept(".tmp").empty()) {
                ::kill(app_, SIGKILL);
                caught = true;
                break;
            }
            if (Kept().size() > before) break;  // written whole before it was seen: try again
        }
        ASSERT_TRUE(caught || Kept().size() > before) << "the copy wrote nothing to the history";
    }
    ASSERT_TRUE(caught) << "no try saw the write's temporary";
    ASSERT_TRUE(d_->WaitExit(app_, 10s, nullptr)) << "the program outlived SIGKILL";
    ASSERT_EQ(Kept(".tmp").size(), 1u) << "the kill left no temporary: it came too late to test anything";
    for (const std::string& name : Kept()) {
        const auto png = Decode(history_ / name);
        EXPECT_TRUE(png && png->image.width == kW - 4 && png->image.height == kH - 300) << name << " is torn";
    }
    const std::vector<std::string> whole = Kept();

    app_ = d_->Start(exe_, {"/tray"});
    EXPECT_TRUE(WaitUntil([&] { return Kept(".tmp").empty(); }, 15s, 100ms)) << "the next start left the temporary";
    EXPECT_TRUE(d_->Running(app_));
    EXPECT_EQ(Kept(), whole) << "the next start changed the captures kept";
    d_->Stop(app_);
}

}  // namespace
