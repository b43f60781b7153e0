// The benchmarks that need Wine, on the end-to-end harness's private X display
// and warm wineserver: drawbench.exe (RedrawDimming against BitBlt),
// annotatebench.exe (a pointer move of the annotation tools) at each size, then the
// start-to-overlay figure: from spawning `wine64 exe` to the darkened overlay
// on the X screen, for the bench's floor program and for vellumo.exe, at
// 1920x1080 and 3840x2160. The screen is read back a few pixels at a time.
//
//   wine_bench DIR_OF_BENCH_EXES VELLUMO_EXE [RUNS]
#include <X11/keysym.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <thread>
#include <vector>

#include "bench/KeyFocus.h"
#include "bench/PixelCheck.h"
#include "bench/Report.h"
#include "bench/StartProbes.h"
#include "bench/Stats.h"
#include "tests/e2e/harness/Harness.h"

namespace {

using namespace vellumo::bench;
using vellumo::Point;
using vellumo::Rect;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

e2e::Pixel ToPixel(std::uint32_t rgb) { return {int(rgb >> 16) & 255, int(rgb >> 8) & 255, int(rgb) & 255}; }
std::uint32_t ToRgb(const e2e::Pixel& p) { return std::uint32_t(p.r << 16 | p.g << 8 | p.b); }

bool Shows(e2e::Display& d, const std::vector<Probe>& probes, bool overlay) {
    for (const Probe& p : probes) {
        if (ToRgb(d.GetPixel(p.x, p.y)) != (overlay ? p.overlay : p.before)) return false;
    }
    return true;
}

struct Run {
    bool ok = false;
    double ms = 0;
    bool endedByEsc = false;
    std::string seen;  // on a timeout: the first probe not showing the overlay
};

std::string FirstWrongProbe(e2e::Display& d, const std::vector<Probe>& probes) {
    for (const Probe& p : probes) {
        const std::uint32_t got = ToRgb(d.GetPixel(p.x, p.y));
        if (got != p.overlay) {
            char buf[96];
            std::snprintf(buf, sizeof buf, "(%d,%d) showed %06X, not %06X", p.x, p.y, unsigned(got),
                          unsigned(p.overlay));
            return buf;
        }
    }
    return "every probe right only after the deadline";
}

// One start: spawn, poll until every probe shows the overlay, end it with Esc
// (or by pid when Esc does not end it) and wait for the screen as before.
Run StartOnce(e2e::Display& d, const std::string& exe, const std::string& overlayClass,
              const std::vector<Probe>& probes) {
    Run r;
    if (!e2e::WaitUntil([&] { return Shows(d, probes, false); }, milliseconds(5000), milliseconds(5))) return r;
    const auto t0 = Clock::now();
    const pid_t pid = d.Start(exe);
    const auto deadline = t0 + std::chrono::seconds(10);
    while (Clock::now() < deadline) {
        if (Shows(d, probes, true)) {
            r.ok = true;
            r.ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
            break;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    if (!r.ok) r.seen = FirstWrongProbe(d, probes);
    EscOnceFocused(d, overlayClass);
    r.endedByEsc = d.WaitExit(pid, milliseconds(3000));
    if (!r.endedByEsc) d.Stop(pid);
    return r;
}

std::string Runs(const char* name, const std::vector<double>& ms, int fails) {
    std::string s = name;
    for (double v : ms) s += Format(" %.0f", v);
    if (fails) s += Format(" (%.0f missed)", double(fails));
    return s;
}

// One program's starts on one display. A program that misses twice is not
// started again, so the bench stays within minutes when the overlay never shows.
struct Series {
    std::string exe, overlayClass;
    std::vector<Probe> probes;
    std::vector<double> ms;
    int misses = 0, byEsc = 0;
    std::string seen;

    void Start(e2e::Display& d, bool timed) {
        if (misses >= 2) return;
        const Run r = StartOnce(d, exe, overlayClass, probes);
        if (!r.ok) {
            ++misses;
            seen = r.seen;
        } else if (timed) {
            ms.push_back(r.ms);
        }
        if (timed && r.endedByEsc) ++byEsc;
    }
};

bool StartToOverlay(e2e::Display& d, const std::string& floorExe, const std::string& vellumoExe,
                    const std::string& plainExe, int runs) {
    const std::string size = std::to_string(d.width()) + "x" + std::to_string(d.height());
    const StartScene scene = SceneFor(d.width(), d.height());
    d.SetBackground(ToPixel(scene.background));
    const Rect& w = scene.window;
    const pid_t plain = d.Start(plainExe, {std::to_string(w.left), std::to_string(w.top), std::to_string(w.width),
                                           std::to_string(w.height), HexRgb(scene.windowColour)});
    const Point c = scene.pointer;
    if (!e2e::WaitUntil([&] { return ToRgb(d.GetPixel(c.x, c.y)) == scene.windowColour; }, milliseconds(20000))) {
        PrintFailure("start-to-overlay " + size, "the plain window never showed");
        d.Stop(plain);
        return false;
    }
    d.MovePointer(c.x, c.y);

    Series fl{floorExe, "VellumoBenchFloor", ProbesFor(scene, /*keepsWindowClear=*/false), {}, 0, 0, {}};
    Series ve{vellumoExe, "VellumoScrShot", ProbesFor(scene, /*keepsWindowClear=*/true), {}, 0, 0, {}};
    // One untimed start of each warms the wineserver and the page cache; then
    // the two alternate so that drift in the machine's speed hits both alike.
    fl.Start(d, false);
    ve.Start(d, false);
    for (int i = 0; i < runs; ++i) {
        fl.Start(d, true);
        ve.Start(d, true);
    }
    d.Stop(plain);

    const Summary fs = Summarize(fl.ms), vs = Summarize(ve.ms);
    if (fl.ms.empty()) PrintFailure("start-to-overlay floor.exe " + size, "not darkened: " + fl.seen);
    else PrintRow("start-to-overlay floor.exe " + size, Format("%.0f ms", fs.median), "(is the floor)", "", 1.0, "");
    if (ve.ms.empty() || fl.ms.empty())
        PrintFailure("start-to-overlay vellumo.exe " + size,
                     ve.ms.empty() ? "not darkened outside the window: " + ve.seen : "no floor");
    else
        PrintRow("start-to-overlay vellumo.exe " + size, Format("%.0f ms", vs.median), "floor.exe start " + size,
                 Format("%.0f ms", fs.median), Ratio(vs.median, fs.median), "");
    PrintNote("medians; runs in ms: " + Runs("floor", fl.ms, fl.misses) + "; " + Runs("vellumo", ve.ms, ve.misses));
    PrintNote(Format("ended by Esc (else by pid): floor %.0f", double(fl.byEsc)) +
              Format(", vellumo %.0f", double(ve.byEsc)) + Format(" of %.0f timed runs each", double(runs)));
    return fl.misses == 0 && ve.misses == 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: wine_bench DIR_OF_BENCH_EXES VELLUMO_EXE [RUNS]\n");
        return 2;
    }
    const std::string dir = argv[1], vellumoExe = argv[2];
    const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
    bool ok = true;
    try {
        for (const auto& [w, h] : {std::pair{1920, 1080}, std::pair{3840, 2160}}) {
            e2e::Display d(w, h);
            if (w == 1920) {
                // drawbench times both sizes in memory; the display only hosts it.
                const e2e::RunResult r = d.Run(dir + "/drawbench.exe", {}, std::chrono::seconds(120));
                std::fputs(r.out.c_str(), stdout);
                if (r.exitCode != 0) {
                    PrintFailure("DrawAlphaClip", Format("drawbench.exe ended with %.0f", double(r.exitCode)));
                    ok = false;
                }
                std::fflush(stdout);
            }
            // annotatebench paints on a window as large as this display.
            const e2e::RunResult a = d.Run(dir + "/annotatebench.exe", {}, std::chrono::seconds(180));
            std::fputs(a.out.c_str(), stdout);
            if (a.exitCode != 0) {
                PrintFailure("annotation moves", Format("annotatebench.exe ended with %.0f", double(a.exitCode)));
                ok = false;
            }
            std::fflush(stdout);
            ok = StartToOverlay(d, dir + "/floor.exe", vellumoExe, dir + "/plainwin.exe", runs) && ok;
        }
    } catch (const std::exception& e) {
        PrintFailure("wine benchmarks", e.what());
        return 1;
    }
    return ok ? 0 : 1;
}
