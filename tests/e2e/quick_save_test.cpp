// The quick save as a user meets it: Ctrl+Shift+S on a selection writes a
// file named by the [Save] pattern into the [Save] folder with no dialog,
// pixel for pixel the region, and tells where it went; a name already there
// gets _2; a folder that cannot be made is told and the capture stays; the
// history keeps each quick save as it keeps a save.
#include <X11/keysym.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "tests/e2e/Dialogs.h"
#include "tests/e2e/ImageFiles.h"
#include "tests/e2e/OverlayFixture.h"

using namespace e2e;
namespace fs = std::filesystem;

namespace {

// The desktop, the fixture and both its panels.
const Box kRegion{90, 140, 270, 120};

class QuickSaveE2E : public OverlayE2E {
protected:
    void SetUp() override {
        OverlayE2E::SetUp();
        if (HasFatalFailure()) return;
        // set.ini beside a copy of the exe of this test's own.
        UsePrivateCopy("vellumo-quicksave-");
        out_ = dir_ / "shots";
        want_ = d_->Grab(kRegion.l, kRegion.t, kRegion.w, kRegion.h);
    }

    // The history goes to a folder of the test's own as well.
    void WriteSettings(const std::string& save) {
        std::ofstream(dir_ / "set.ini", std::ios::binary)
            << "[History]\r\nFolder=" << WinPath(dir_ / "history") << "\r\n[Save]\r\n" << save;
    }

    // The captures in the history folder, oldest first.
    std::vector<fs::path> Kept() {
        std::vector<fs::path> kept;
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(dir_ / "history", ec))
            if (e.path().extension() == ".png" && e.path().filename().string().starts_with("capture-"))
                kept.push_back(e.path());
        std::sort(kept.begin(), kept.end());
        return kept;
    }

    void LaunchAndSelect() {
        ASSERT_NO_FATAL_FAILURE(Launch(kB.cx(), kB.cy()));
        ExpectPixelSoon(900, 700, Dark(kBg), "desktop outside the detected frame", 5s);
        DragWithMoves(kRegion.l, kRegion.t, kRegion.r(), kRegion.b(), 12);
        ASSERT_NO_FATAL_FAILURE(ExpectSelection(kRegion, "the dragged selection"));
        const auto top = Overlay().top;
        ASSERT_TRUE(top && WaitUntil([&] { return d_->KeysReach(top->hwnd); }, 3s, 20ms))
            << "the key focus is not on the overlay";
    }

    void QuickSave() {
        d_->KeyDown(XK_Control_L);
        d_->KeyDown(XK_Shift_L);
        d_->Tap(XK_s);
        d_->KeyUp(XK_Shift_L);
        d_->KeyUp(XK_Control_L);
    }

    // The save told where it went and the capture ended: the file's name.
    std::string ExpectSavedAndEnded(const std::string& what) {
        const auto told = TakeMessage(*d_, 10s);
        EXPECT_TRUE(told) << what << ": nothing said where the file went";
        EXPECT_TRUE(d_->WaitExit(app_, 10s)) << what << ": the capture did not end";
        if (!told) return {};
        const auto at = told->text.find("Saved to ");
        EXPECT_NE(at, std::string::npos) << told->text;
        if (at == std::string::npos) return {};
        const std::string path = told->text.substr(at + 9);
        return path.substr(path.find_last_of('\\') + 1);
    }

    void ExpectTheRegion(const fs::path& file) {
        const auto d = Decode(file);
        ASSERT_TRUE(d) << "ImageMagick cannot read " << file;
        EXPECT_EQ(d->format, "PNG") << file;
        ASSERT_EQ(d->image.width, want_.width) << file;
        ASSERT_EQ(d->image.height, want_.height) << file;
        int off = 0;
        for (int y = 0; y < want_.height; ++y)
            for (int x = 0; x < want_.width; ++x) off += !(d->image.at(x, y) == want_.at(x, y));
        EXPECT_EQ(off, 0) << file << ": pixels differ from the region";
    }

    std::vector<std::string> Files() {
        std::vector<std::string> names;
        if (fs::exists(out_))
            for (const auto& e : fs::directory_iterator(out_)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path out_;
    Image want_;
};

TEST_F(QuickSaveE2E, CtrlShiftSWritesTheRegionByThePatternAndASecondSaveGetsASuffix) {
    // A folder under a file cannot be made: told, and the selection stays.
    std::ofstream(dir_ / "blocker") << "a file";
    WriteSettings("Folder=" + WinPath(dir_ / "blocker" / "sub") + "\r\n");
    ASSERT_NO_FATAL_FAILURE(LaunchAndSelect());
    QuickSave();
    const auto refused = TakeMessage(*d_, 10s);
    ASSERT_TRUE(refused) << "a folder that cannot be made was not told";
    EXPECT_NE(refused->text.find("blocker"), std::string::npos) << refused->text;
    ASSERT_TRUE(d_->Running(app_)) << "the capture ended on a refused quick save";
    ASSERT_NO_FATAL_FAILURE(ExpectSelection(kRegion, "after the refused quick save"));

    // The folder fixed in set.ini counts from the next press, made as needed;
    // the name is the default pattern's.
    WriteSettings("Folder=" + WinPath(out_) + "\r\n");
    QuickSave();
    const std::string first = ExpectSavedAndEnded("the first quick save");
    ASSERT_EQ(Files(), std::vector<std::string>{first});
    EXPECT_TRUE(std::regex_match(first, std::regex(R"(Vellumo_\d{4}-\d\d-\d\d_\d\d-\d\d-\d\d\.png)"))) << first;
    ExpectTheRegion(out_ / first);
    // It is kept in the history as well, as a save, like any other capture.
    ASSERT_TRUE(WaitUntil([&] { return Kept().size() == 1; }, 10s, 50ms))
        << Kept().size() << " captures in the history after the quick save";
    ExpectTheRegion(Kept().front());
    const std::string record = Output("identify -verbose '" + Kept().front().string() + "'");
    EXPECT_NE(record.find("Left by: save"), std::string::npos) << record;

    // Two saves in one second give one name twice: a pattern with no time
    // in it stands for that, the second file is named _2.
    const std::string base = first.substr(0, first.size() - 4);
    WriteSettings("Folder=" + WinPath(out_) + "\r\nPattern=" + base + "\r\nFormat=PNG\r\n");
    ASSERT_NO_FATAL_FAILURE(LaunchAndSelect());
    QuickSave();
    const std::string second = ExpectSavedAndEnded("the second quick save");
    EXPECT_EQ(second, base + "_2.png");
    EXPECT_EQ(Files(), (std::vector<std::string>{first, base + "_2.png"}));
    if (fs::exists(out_ / (base + "_2.png"))) ExpectTheRegion(out_ / (base + "_2.png"));
}

}  // namespace
