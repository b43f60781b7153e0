// The one gtest fixture base of the end-to-end tests that run vellumo.exe
// over a desktop of their own: the display with the tests' background,
// vfixture.exe where a test wants it, the exe (the build's, or a private copy
// in a folder of its own so no other test's "set.ini" lies beside it), a
// screenshot of the first failure, and the check that no process outlives
// the test.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tests/e2e/Desktop.h"
#include "tests/e2e/harness/Harness.h"

namespace e2e {

class DesktopE2E : public ::testing::Test {
protected:
    // The display, `w` x `h`, showing the tests' background, its Wine prefix
    // at `dpi`; the build's exe.
    void StartDisplay(int w = kScreenW, int h = kScreenH, Desktop desktop = Desktop::Managed, int dpi = 96) {
        exe_ = WinExe("vellumo.exe");
        ASSERT_TRUE(std::filesystem::exists(exe_)) << exe_ << " missing: run make build-win64";
        d_ = dpi == 96 ? std::make_unique<Display>(w, h, desktop)
                       : std::make_unique<Display>(Rig{.dpi = dpi, .desktop = desktop});
        d_->SetBackground(kBg);
    }

    // The same on a display the rig makes (two monitors, another DPI).
    void StartDisplay(const Rig& rig) {
        exe_ = WinExe("vellumo.exe");
        ASSERT_TRUE(std::filesystem::exists(exe_)) << exe_ << " missing: run make build-win64";
        d_ = std::make_unique<Display>(rig);
        d_->SetBackground(kBg);
    }

    // From here on the test runs a private copy of the exe, in a fresh folder
    // named after `prefix` that TearDown removes.
    void UsePrivateCopy(const std::string& prefix) {
        static int serial = 0;
        dir_ = std::filesystem::temp_directory_path() /
               (prefix + std::to_string(getpid()) + "-" + std::to_string(++serial));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        const std::string built = exe_;
        exe_ = (dir_ / "vellumo.exe").string();
        std::filesystem::copy_file(built, exe_);
    }

    // vfixture.exe at `at`; the test goes on once `painted` says it shows.
    void StartFixture(const Box& at, const std::function<bool()>& painted) {
        ASSERT_TRUE(std::filesystem::exists(WinExe("vfixture.exe"))) << "vfixture.exe missing";
        fixture_ = d_->Start(WinExe("vfixture.exe"),
                             {std::to_string(at.l), std::to_string(at.t), std::to_string(at.w), std::to_string(at.h)});
        ASSERT_TRUE(WaitUntil(painted, 10s)) << "the fixture never painted";
    }

    void TearDown() override {
        if (d_) {
            ShotIfFailed();
            BeforeDisplayEnds();
            const std::string name = d_->name();
            d_.reset();
            EXPECT_TRUE(ProcessesOf(name).empty()) << "processes left on " << name;
        }
        if (!dir_.empty()) {
            std::error_code ec;
            std::filesystem::remove_all(dir_, ec);
        }
    }

    // What a test keeps on the display goes before the display does.
    virtual void BeforeDisplayEnds() {}

    // The screen as the first failure left it, once per test.
    void ShotIfFailed() {
        if (!HasFailure() || shot_ || !d_) return;
        shot_ = true;
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        const std::string dir = VELLUMO_E2E_SHOT_DIR;
        std::filesystem::create_directories(dir);
        const std::string path = dir + "/" + info->name() + ".png";
        if (d_->SaveScreenshot(path)) std::printf("screenshot of the failure: %s\n", path.c_str());
    }

    std::string exe_;
    std::unique_ptr<Display> d_;
    std::filesystem::path dir_;  // the private copy's folder, if any
    pid_t fixture_ = -1;
    pid_t app_ = -1;
    bool shot_ = false;
};

}  // namespace e2e
