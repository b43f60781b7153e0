// A long save shows that the program is busy: an 8K screen of noise saved as
// PNG takes well over half a second, and meanwhile the pointer shows the
// system's wait cursor (read from the X server, compared with the one a
// plain window of IDC_WAIT shows).
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "tests/e2e/Dialogs.h"
#include "tests/e2e/ImageFiles.h"
#include "tests/e2e/harness/Harness.h"

// Last: Xlib's macros (None, Status, Bool) would break the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xfixes.h>

using namespace e2e;
namespace fs = std::filesystem;

namespace {

// 8K: the PNG encoder, on every core, writes a 4K screen of noise within
// half a second, which would show nothing.
constexpr int kW = 7680, kH = 4320;

struct CursorImage {
    int width = 0, height = 0, xhot = 0, yhot = 0;
    std::vector<unsigned long> pixels;
    friend auto operator<=>(const CursorImage&, const CursorImage&) = default;
};

// The test's own X connection: the pointer's current image.
class XView {
public:
    explicit XView(const std::string& display) : d_(XOpenDisplay(display.c_str())) {
        int event = 0, error = 0;
        fixes_ = d_ && XFixesQueryExtension(d_, &event, &error);
    }
    ~XView() {
        if (d_) XCloseDisplay(d_);
    }
    bool ok() const { return d_ && fixes_; }

    std::optional<CursorImage> Cursor() {
        XFixesCursorImage* c = XFixesGetCursorImage(d_);
        if (!c) return std::nullopt;
        CursorImage out{c->width, c->height, c->xhot, c->yhot, {c->pixels, c->pixels + std::size_t(c->width) * c->height}};
        XFree(c);
        return out;
    }

private:
    ::Display* d_;
    bool fixes_ = false;
};

// Fixed fault: a long save froze the program with no sign of life.
TEST(SaveBusyE2E, ASaveOverHalfASecondShowsTheWaitCursor) {
    const std::string exe = WinExe("vellumo.exe");
    ASSERT_TRUE(fs::exists(exe)) << exe << " missing: run make build-win64";
    const fs::path dir = fs::path("/tmp") / ("vellumo-busy-e2e-" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    {
        e2e::Display d(kW, kH);
        XView x(d.name());
        ASSERT_TRUE(x.ok()) << "no XFIXES on the test display";
        d.FillWithNoise();

        // What this system's wait cursor and arrow look like. Wine's wait
        // cursor is animated, so it is known by the set of frames it shows;
        // what the bare root shows, and the blank image the server shows for
        // a moment while a cursor is being set, belong to neither.
        const auto frames = [&](const std::set<CursorImage>& others) {
            std::set<CursorImage> seen;
            auto lastNew = std::chrono::steady_clock::now();
            // Every frame of an animation is in once none has come for half a second.
            WaitUntil(
                [&] {
                    const auto c = x.Cursor();
                    if (c && c->width > 1 && !others.contains(*c) && seen.insert(*c).second)
                        lastNew = std::chrono::steady_clock::now();
                    return !seen.empty() && std::chrono::steady_clock::now() - lastNew > 500ms;
                },
                10s, 10ms);
            return seen;
        };
        d.MovePointer(200, 200);
        const std::set<CursorImage> root = frames({});
        const auto reference = [&](const char* which, const std::set<CursorImage>& others) {
            const fs::path ready = dir / (std::string("cursor-") + which);
            const pid_t p = d.Start(WinExe("vother.exe"), {"cursor", which, "100", "100", "300", "300", WinPath(ready)});
            EXPECT_TRUE(WaitUntil([&] { return fs::exists(ready); }, 10s)) << "no " << which << " window";
            d.MovePointer(250, 250);  // a move over the window: the system sets its cursor
            std::set<CursorImage> own = frames(others);
            d.Stop(p);
            d.MovePointer(200, 200);
            return own;
        };
        std::set<CursorImage> known = root;
        known.merge(reference("ARROW", {}));  // often the root's own image
        const std::set<CursorImage> wait = reference("WAIT", known);
        ASSERT_FALSE(wait.empty()) << "the wait cursor cannot be told from the arrow here";
        const auto waiting = [&] {
            const auto c = x.Cursor();
            return c && wait.contains(*c);
        };

        d.MovePointer(kW / 2, kH / 2);
        const pid_t app = d.Start(exe);
        // A drag before the overlay takes the pointer would be lost. The
        // magnifier shown says the overlay is up, not that X delivers the
        // pointer to it yet (an 8K window maps slowly on a loaded machine,
        // and a press before that went to the root: no selection, no save
        // button). The magnifier following a move says the overlay has the pointer.
        const auto magnifier = [&]() -> std::optional<WinInfo> {
            for (const WinInfo& w : d.ListWindows("VellumoScrShot"))
                if (w.cls == "VellumoVa" && w.visible) return w;
            return std::nullopt;
        };
        std::optional<WinInfo> first;
        ASSERT_TRUE(WaitUntil([&] { return (first = magnifier()).has_value(); }, 20s, 100ms))
            << "no overlay with its magnifier";
        int nudge = 0;
        ASSERT_TRUE(WaitUntil(
            [&] {
                d.MovePointer(kW / 2 + 100 + 10 * (++nudge % 2), kH / 2 + 100);
                const auto now = magnifier();
                return now && (now->left != first->left || now->top != first->top);
            },
            20s, 100ms))
            << "the magnifier never followed the pointer";
        DragInSteps(d, 2, 2, kW - 4, kH - 300);
        const auto save = WaitOverlayChild(d, "SavePic", 10s);
        ASSERT_TRUE(save) << "no save button";
        ClickAt(d, save->left + save->width() / 2, save->top + save->height() / 2);
        const fs::path file = dir / "noise.png";
        ASSERT_TRUE(TypeFileName(d, WinPath(file), 20s, false)) << "no save dialog";
        // Enter only once the dialog holds the whole name: on a loaded machine
        // an Enter sent while the typing was still on its way was lost.
        const auto nameBox = [&]() -> std::string {
            const auto box = FileNameBox(d);
            return box ? box->hwnd : "";
        };
        std::string typed;
        ASSERT_TRUE(WaitUntil([&] { return (typed = d.WindowText(nameBox())) == WinPath(file); }, 10s, 100ms))
            << "the dialog's name box holds \"" << typed << "\"";
        EXPECT_FALSE(waiting()) << "the wait cursor before any save";

        const auto pressed = std::chrono::steady_clock::now();
        d.Tap(XK_Return);
        // Under a heavy load the Enter has twice been lost with the name in
        // place and the dialog still up a minute later: once more, said so.
        bool waited = false;
        if (!WaitUntil(
                [&] {
                    waited = waited || waiting();
                    return waited || nameBox().empty() || fs::exists(file);
                },
                10s, 50ms)) {
            std::printf("the dialog still asks 10 s after Enter: Enter again\n");
            d.Tap(XK_Return);
        }
        long long written = -1;  // ms from Enter to the file's appearance: the save's own time
        const bool ended = WaitUntil(
            [&] {
                waited = waited || waiting();
                if (written < 0 && fs::exists(file))
                    written = std::chrono::duration_cast<Ms>(std::chrono::steady_clock::now() - pressed).count();
                return !d.Running(app);
            },
            60s, 20ms);
        const auto took = std::chrono::duration_cast<Ms>(std::chrono::steady_clock::now() - pressed).count();
        std::printf("save: file after %lld ms, capture ended after %lld ms, wait cursor seen: %d\n", written,
                    static_cast<long long>(took), waited);
        if (!ended) {
            d.SaveScreenshot(::testing::TempDir() + "save_busy_hung.png");
            for (const WinInfo& w : d.ListWindows("#32770"))
                std::printf("dialog part %s %s \"%s\" visible %d\n", w.hwnd.c_str(), w.cls.c_str(), w.title.c_str(), w.visible);
        }
        ASSERT_TRUE(ended) << "the save did not end the capture";
        ASSERT_TRUE(fs::exists(file)) << "nothing was saved";
        ASSERT_GT(took, 1000) << "the save took " << took << " ms: too quick to tell anything";
        EXPECT_TRUE(waited) << "no wait cursor during a save of " << took << " ms";
        const auto decoded = Decode(file);
        ASSERT_TRUE(decoded);
        EXPECT_EQ(decoded->image.width, kW - 4);
        EXPECT_EQ(decoded->image.height, kH - 300);
    }
    std::error_code ec;
    fs::remove_all(dir, ec);
}

}  // namespace
