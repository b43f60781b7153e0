// vellumo_tour [OUTDIR]: a scripted walk through Vellumo on a virtual display,
// for `make run` on a machine without one. Starts Vellumo over the fixture,
// lets it detect a control, drags a region, resizes it by a handle and copies
// it; captures again to save through the save dialog, and once more to draw
// one of each mark and pin the capture as a Floater. Saves a screenshot of each step (names printed),
// the copied bitmap as read back from the clipboard, and the saved file.
#include <X11/keysym.h>

#include <cstdio>
#include <exception>
#include <filesystem>
#include <optional>
#include <thread>

#include "tests/e2e/Desktop.h"
#include "tests/e2e/Dialogs.h"
#include "tests/e2e/FixtureLayout.h"
#include "tests/e2e/ImageFiles.h"
#include "tests/e2e/harness/Harness.h"

using namespace e2e;
namespace fs = std::filesystem;

namespace {

const Pixel kDarkBg = Dark(kBg);

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

bool Selected(Display& d) {
    for (const auto& w : d.ListWindows("VellumoScrShot"))
        if (w.cls == "VellumoTools") return w.visible;
    return false;
}

// The centre of the overlay's visible window titled `title` (a tool button, a handle).
std::optional<std::pair<int, int>> CentreOf(Display& d, const std::string& title) {
    for (const auto& w : d.ListWindows("VellumoScrShot"))
        if (w.title == title && w.visible) return std::pair{w.left + w.width() / 2, w.top + w.height() / 2};
    return std::nullopt;
}

// Vellumo started with the pointer at (x, y); false when it never darkens the screen.
bool StartCapture(Display& d, const std::string& exe, int x, int y, pid_t& app) {
    d.MovePointer(x, y);
    app = d.Start(exe);
    return WaitUntil([&] { return Near(d.GetPixel(900, 700), kDarkBg); }, 10s);
}

bool DragSelection(Display& d, int fx, int fy, int tx, int ty) {
    d.MovePointer(fx, fy);
    std::this_thread::sleep_for(100ms);
    d.ButtonDown();
    Moves(d, fx, fy, tx, ty, 10);
    d.ButtonUp();
    return WaitUntil([&] { return Selected(d); }, 3s, 50ms);
}

// Drags with the left button from one point to another, in small steps.
void Drag(Display& d, int fx, int fy, int tx, int ty) {
    d.MovePointer(fx, fy);
    std::this_thread::sleep_for(60ms);
    d.ButtonDown();
    Moves(d, fx, fy, tx, ty, 8);
    d.ButtonUp();
    std::this_thread::sleep_for(100ms);
}

// One of each mark inside the selection (110,160)-(430,330): a rectangle,
// an ellipse, an arrow, a line of text, and an eraser stroke through the
// rectangle. False when a tool button is missing.
bool Annotate(Display& d) {
    auto tool = [&](int i) {
        const auto b = CentreOf(d, "Draw(" + std::to_string(i) + ")");
        if (b) ClickAt(d, b->first, b->second);
        return b.has_value();
    };
    if (!tool(0)) return false;
    Drag(d, 130, 180, 210, 240);
    if (!tool(1)) return false;
    Drag(d, 230, 180, 320, 240);
    if (!tool(3)) return false;
    Drag(d, 140, 310, 280, 260);
    if (!tool(2)) return false;
    Drag(d, 300, 270, 420, 295);
    for (const char ch : std::string("vellumo")) d.Tap(XK_a + (ch - 'a'));
    d.Tap(XK_Return);
    if (!tool(4)) return false;
    Drag(d, 120, 210, 220, 210);
    return true;
}

int Tour(const std::string& outDir) {
    const std::string exe = WinExe("vellumo.exe");
    if (!fs::exists(exe)) return Fail("build/win64/vellumo.exe missing (make build-win64)");
    fs::create_directories(outDir);
    Display d(kScreenW, kScreenH);
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

    // Detect, drag, resize, copy.
    pid_t app = -1;
    if (!StartCapture(d, exe, nx, ny, app)) return Fail("the overlay never darkened the screen");
    std::this_thread::sleep_for(200ms);
    shot("detect");

    d.Click(3);
    if (!DragSelection(d, 300, 200, 560, 400)) return Fail("no selection after the drag");
    std::this_thread::sleep_for(200ms);
    shot("drag");

    const auto handle = CentreOf(d, "Si(7)");
    if (!handle) return Fail("no handle Si(7)");
    const auto [hx, hy] = *handle;
    d.MovePointer(hx, hy);
    d.ButtonDown();
    Moves(d, hx, hy, hx + 80, hy + 60, 6);
    d.ButtonUp();
    d.MovePointer(300, 600);
    std::this_thread::sleep_for(400ms);
    shot("resize");

    const auto copy = CentreOf(d, "Image1");
    if (!copy) return Fail("no copy button");
    d.MovePointer(copy->first, copy->second);
    std::this_thread::sleep_for(300ms);
    shot("copy");
    d.Click();
    if (!d.WaitExit(app, 10s)) return Fail("the copy did not end the capture");
    const fs::path dump = fs::path(outDir) / "tour-clipboard.ppm";
    const RunResult clip = d.Run(WinExe("vprobe.exe"), {"clipboard", WinPath(fs::absolute(dump))});
    const auto copied = ParsePpm(ReadFile(dump));
    fs::remove(dump);
    if (clip.exitCode != 0 || !copied) return Fail("no bitmap on the clipboard after the copy");
    const std::string copiedPath = outDir + "/tour-" + std::to_string(++step) + "-copied-bitmap.png";
    if (WritePng(copiedPath, *copied))
        std::printf("%s (the clipboard's %dx%d bitmap)\n", copiedPath.c_str(), copied->width, copied->height);

    // Capture again and save through the dialog.
    const fs::path saved = fs::absolute(fs::path(outDir) / "tour-saved.png");
    fs::remove(saved);  // no "replace it?" question
    if (!StartCapture(d, exe, nx, ny, app)) return Fail("the second capture never darkened the screen");
    if (!DragSelection(d, 110, 160, 430, 330)) return Fail("no selection for the save");
    const auto save = CentreOf(d, "SavePic");
    if (!save) return Fail("no save button");
    ClickAt(d, save->first, save->second);
    if (!TypeFileName(d, WinPath(saved), 10s, false)) return Fail("no save dialog");
    std::this_thread::sleep_for(400ms);
    shot("save-dialog");
    d.Tap(XK_Return);
    if (!d.WaitExit(app, 10s)) return Fail("the save did not end the capture");
    if (!fs::exists(saved)) return Fail("the save wrote no file");
    std::printf("%s (saved by Vellumo)\n", saved.c_str());

    // And once more to pin it: the Floater host shows it centred.
    if (!StartCapture(d, exe, nx, ny, app)) return Fail("the third capture never darkened the screen");
    if (!DragSelection(d, 110, 160, 430, 330)) return Fail("no selection for the pin");
    if (!Annotate(d)) return Fail("no drawing tools on the toolbar");
    std::this_thread::sleep_for(300ms);
    shot("annotated");
    const auto pin = CentreOf(d, "pinimg");
    if (!pin) return Fail("no pin button");
    ClickAt(d, pin->first, pin->second);
    const bool pinned = WaitUntil(
        [&] {
            for (const auto& w : d.ListWindows("VellumoHoverdeck"))
                if (w.cls == "VellumoPicture1" && w.visible) return true;
            return false;
        },
        10s, 100ms);
    if (!pinned) return Fail("the pin made no Floater");
    std::this_thread::sleep_for(2s);  // past the Floater's frame flash
    d.MovePointer(1000, 740);
    shot("pinned");
    d.Stop(app);
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
