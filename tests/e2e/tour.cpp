// vellumo_tour [OUTDIR]: a scripted walk through the capture overlay on a
// virtual display, for `make run` on a machine without one. Starts Vellumo
// over the fixture, lets it detect a control, drags a region, resizes it by
// a handle, and saves a screenshot of each step (names printed).
#include <X11/keysym.h>

#include <cstdio>
#include <exception>
#include <filesystem>
#include <thread>

#include "tests/e2e/FixtureLayout.h"
#include "tests/e2e/harness/Harness.h"

using namespace e2e;

namespace {

constexpr Pixel kBg{90, 140, 60};

int Fail(const char* what) {
    std::fprintf(stderr, "tour: %s\n", what);
    return 1;
}

void Moves(Display& d, int fx, int fy, int tx, int ty, int steps) {
    for (int i = 1; i <= steps; ++i) {
        d.MovePointer(fx + (tx - fx) * i / steps, fy + (ty - fy) * i / steps);
        std::this_thread::sleep_for(40ms);
    }
}

int Tour(const std::string& outDir) {
    const std::string exe = WinExe("vellumo.exe");
    if (!std::filesystem::exists(exe)) return Fail("build/win64/vellumo.exe missing (make build-win64)");
    std::filesystem::create_directories(outDir);
    Display d(1024, 768);
    d.SetBackground(kBg);
    d.Start(WinExe("vfixture.exe"), {"100", "150", "400", "300"});
    const auto& nested = vellumo::e2e::kNestedRect;
    const auto& a = vellumo::e2e::kPanelARect;
    const int nx = 100 + a.left + nested.left + nested.width / 2, ny = 150 + a.top + nested.top + nested.height / 2;
    if (!WaitUntil([&] { return d.GetPixel(nx, ny) == Pixel{60, 200, 90}; }, 10s)) return Fail("fixture not shown");

    int step = 0;
    auto shot = [&](const char* name) {
        const std::string path = outDir + "/tour-" + std::to_string(++step) + "-" + name + ".png";
        if (d.SaveScreenshot(path)) std::printf("%s\n", path.c_str());
    };
    auto selected = [&] {
        for (const auto& w : d.ListWindows("VellumoScrShot"))
            if (w.cls == "VellumoTools") return w.visible;
        return false;
    };

    d.MovePointer(nx, ny);
    const pid_t app = d.Start(exe);
    // Detected: the desktop outside the frame is darkened.
    if (!WaitUntil([&] { return Near(d.GetPixel(900, 700), {30, 47, 20}); }, 10s))
        return Fail("the overlay never darkened the screen");
    std::this_thread::sleep_for(200ms);
    shot("detect");

    d.Click(3);
    d.MovePointer(600, 300);
    d.ButtonDown();
    Moves(d, 600, 300, 800, 450, 10);
    d.ButtonUp();
    if (!WaitUntil(selected, 3s, 50ms)) return Fail("no selection after the drag");
    std::this_thread::sleep_for(200ms);
    shot("drag");

    int hx = -1, hy = -1;
    for (const auto& w : d.ListWindows("VellumoScrShot"))
        if (w.title == "Si(7)") hx = w.left + 3, hy = w.top + 3;
    if (hx < 0) return Fail("no handle Si(7)");
    d.MovePointer(hx, hy);
    d.ButtonDown();
    Moves(d, hx, hy, hx + 80, hy + 60, 6);
    d.ButtonUp();
    d.MovePointer(300, 600);
    std::this_thread::sleep_for(400ms);
    shot("resize");

    d.Tap(XK_Escape);
    if (!d.WaitExit(app, 5s)) return Fail("Esc did not end Vellumo");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return Tour(argc > 1 ? argv[1] : RepoRoot() + "/out");
    } catch (const std::exception& e) {
        return Fail(e.what());
    }
}
