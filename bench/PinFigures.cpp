// Pin figures on the scene of bench/PinScene.h: from the click on the
// toolbar's pinimg to the Floater on the X screen with the overlay gone,
// beside pinfloor.exe's click that leaves its full-screen overlay for its
// picture. Each process pins twice: its first pin, and a later one (resident
// by then, its capture handed over by a second start; pinfloor.exe's second
// round). The last process that pinned then gives the memory figures
// (bench/FloaterMemory.cpp).
#include <chrono>
#include <filesystem>
#include <optional>
#include <thread>

#include "bench/OutputBench.h"
#include "bench/PinScene.h"
#include "bench/Report.h"
#include "bench/StartProbes.h"
#include "bench/Stats.h"

namespace fs = std::filesystem;

namespace vellumo::bench {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

void Sleep(int ms) { std::this_thread::sleep_for(milliseconds(ms)); }

e2e::Pixel ToPixel(std::uint32_t rgb) { return {int(rgb >> 16) & 255, int(rgb >> 8) & 255, int(rgb) & 255}; }

enum class Seen { Other, Floater, Flipped };

Seen Look(e2e::Display& d, const std::vector<PinProbe>& probes) {
    bool right = true, flipped = true;
    for (const PinProbe& p : probes) {
        const std::uint32_t got = RgbAt(d, p.x, p.y);
        right = right && got == p.floater;
        flipped = flipped && got == p.flipped;
        if (!right && !flipped) return Seen::Other;
    }
    return right ? Seen::Floater : Seen::Flipped;
}

}  // namespace

Pin TimeClick(e2e::Display& d, const std::vector<PinProbe>& probes, Point at, std::uint32_t live) {
    Pin r;
    d.MovePointer(at.x, at.y);
    Sleep(100);
    const auto t0 = Clock::now();
    d.Click();
    const auto deadline = t0 + std::chrono::seconds(10);
    while (Clock::now() < deadline) {
        if (r.liveMs < 0 && RgbAt(d, kBesideFloater.x, kBesideFloater.y) == live)
            r.liveMs = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
        const Seen s = Look(d, probes);
        if (s != Seen::Other) {
            r.ok = true;
            r.flipped = s == Seen::Flipped;
            r.ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
            return r;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    r.why = "no Floater within 10 s; probe (" + std::to_string(probes[0].x) + "," + std::to_string(probes[0].y) +
            ") shows " + HexRgb(RgbAt(d, probes[0].x, probes[0].y));
    return r;
}

bool SetRoot(e2e::Display& d, std::uint32_t rgb) {
    d.SetBackground(ToPixel(rgb));
    return e2e::WaitUntil([&] { return RgbAt(d, kBesideFloater.x, kBesideFloater.y) == rgb; }, milliseconds(3000),
                          milliseconds(5));
}

namespace {

// The pins of one process: its first, then a later one on Later()'s scene.
struct PinPair {
    Pin first, later;
};

// pinfloor.exe's overlay is up once its button shows; the root then turns
// live under it and the button is clicked.
Pin FloorClick(e2e::Display& d, const PinScene& s) {
    const Rect& b = s.floorButton;
    if (!e2e::WaitUntil([&] { return RgbAt(d, b.left + 5, b.top + 5) == s.floorButtonColour; }, milliseconds(10000)))
        return {false, 0, false, "pinfloor.exe's button never showed"};
    // Under the overlay: nothing to see, but the server has it once the call returns.
    d.SetBackground(ToPixel(s.live));
    return TimeClick(d, PinProbes(s), {b.left + b.width / 2, b.top + b.height / 2}, s.live);
}

PinPair FloorPins(e2e::Display& d, const PinOptions& o, const PinScene& s) {
    PinPair r;
    if (!SetRoot(d, s.frozen)) {
        r.first.why = "the root never turned the frozen colour";
        return r;
    }
    const Rect& b = s.floorButton;
    const Rect& g = s.selection;
    const pid_t pid = d.Start(o.pinfloorExe, {std::to_string(b.left), std::to_string(b.top), std::to_string(b.width),
                                              std::to_string(b.height), std::to_string(g.left), std::to_string(g.top),
                                              std::to_string(g.width), std::to_string(g.height),
                                              HexRgb(s.floorButtonColour)});
    r.first = FloorClick(d, s);
    const PinScene later = s.Later();
    if (!r.first.ok) {
        r.later.why = "no first pin";
    } else if (!SetRoot(d, later.frozen)) {
        r.later.why = "the root never turned the later frozen colour";
    } else {
        // A right click on its picture starts its next round: a fresh grab.
        const Rect f = s.floater();
        d.MovePointer(f.left + f.width / 2, f.top + f.height / 2);
        Sleep(50);
        d.Click(3);
        r.later = FloorClick(d, later);
    }
    d.Stop(pid);
    return r;
}

// What the visible overlay shows once a selection is made: its toolbar
// button, and what its magnifier's size caption says.
struct SelectionView {
    std::optional<e2e::WinInfo> button;
    std::string caption;   // the size caption's text, when it was read
    std::string unread;    // why it was not, when it was not
    int overlays = 0;      // top-level overlay windows listed, visible or not
};

// One look: the windows of the first visible overlay only (one still going
// away may be listed too), then the caption's text read through vprobe.exe,
// whose failure is told rather than taken for an empty caption.
SelectionView LookAtSelection(e2e::Display& d, const std::string& button, bool readCaption) {
    SelectionView v;
    std::string top, va, caption;
    bool inVisible = false;
    for (const e2e::WinInfo& w : d.ListWindows("VellumoScrShot")) {
        if (w.parent == "0") {
            ++v.overlays;
            inVisible = top.empty() && w.visible;
            if (inVisible) top = w.hwnd;
            continue;
        }
        if (!inVisible) continue;
        if (w.title == button && w.visible) v.button = w;
        if (w.cls == "VellumoVa") va = w.hwnd;
        // The size caption is control 1 of the magnifier.
        if (!va.empty() && w.parent == va && w.id == 1) caption = w.hwnd;
    }
    if (!v.button || !readCaption) return v;
    if (caption.empty()) {
        v.unread = va.empty() ? "no magnifier listed" : "no size caption listed";
    } else {
        const e2e::RunResult r = d.Run(e2e::WinExe("vprobe.exe"), {"text", caption});
        if (r.exitCode == 0 && r.out.rfind("T\t", 0) == 0) {
            v.caption = r.out.substr(2);
            while (!v.caption.empty() && (v.caption.back() == '\n' || v.caption.back() == '\r')) v.caption.pop_back();
        } else {
            v.unread = "vprobe text exit " + std::to_string(r.exitCode) + " (\"" + r.out.substr(0, 40) + "\")";
        }
    }
    if (v.overlays > 1) v.unread += (v.unread.empty() ? "" : "; ") + std::to_string(v.overlays) + " overlays listed";
    return v;
}

void Drag(e2e::Display& d, const Rect& g) {
    d.MovePointer(g.left, g.top);
    Sleep(50);
    d.ButtonDown();
    for (int i = 1; i <= 10; ++i) {
        d.MovePointer(g.left + g.width * i / 10, g.top + g.height * i / 10);
        Sleep(30);
    }
    d.ButtonUp();
}

}  // namespace

std::optional<Point> CaptureAndSelect(e2e::Display& d, const PinScene& s, std::string& why, const std::string& button) {
    const std::vector<PinProbe> probes = PinProbes(s);
    const PinProbe& outside = probes[0];
    if (!e2e::WaitUntil([&] { return RgbAt(d, outside.x, outside.y) == outside.overlay; }, milliseconds(10000))) {
        why = "the overlay never darkened the screen";
        return std::nullopt;
    }
    Sleep(300);  // the overlay loads its parts after the first frame
    // Under the overlay: the screen must not change.
    d.SetBackground(ToPixel(s.live));
    Sleep(50);
    if (RgbAt(d, outside.x, outside.y) != outside.overlay) {
        why = "the new root colour showed through the overlay";
        return std::nullopt;
    }
    const Size wanted{s.selection.width, s.selection.height};
    for (int drag = 1; drag <= 2; ++drag) {
        Drag(d, s.selection);
        SelectionView v;
        if (!e2e::WaitUntil([&] { return (v = LookAtSelection(d, button, false)).button.has_value(); },
                            milliseconds(5000), milliseconds(50))) {
            why = "the " + button + " button never showed";
            return std::nullopt;
        }
        // The caption is waited for itself: the button showing says nothing
        // of whether the caption can be read yet.
        std::string missed;
        int looks = 0;
        const bool sized = e2e::WaitUntil(
            [&] {
                v = LookAtSelection(d, button, true);
                ++looks;
                if (v.button && SizeInCaption(v.caption) == wanted) return true;
                if (missed.empty()) missed = "\"" + v.caption + "\"" + (v.unread.empty() ? "" : " (" + v.unread + ")");
                return false;
            },
            milliseconds(5000), milliseconds(100));
        if (sized) {
            if (!missed.empty())
                PrintNote("the magnifier's size first read " + missed + ", then " + v.caption + " at look " +
                          std::to_string(looks));
            return Point{v.button->left + v.button->width() / 2, v.button->top + v.button->height() / 2};
        }
        const std::optional<Size> got = SizeInCaption(v.caption);
        why = "the selection is not " + std::to_string(wanted.width) + " x " + std::to_string(wanted.height) +
              " after " + std::to_string(drag) + " drag(s): the magnifier says \"" + v.caption + "\"" +
              (v.unread.empty() ? "" : " (" + v.unread + ")") + "; first " + missed;
        // A caption that could not be read is no reason to drag again; a
        // selection of another size is, once: a right click takes it away.
        if (!got || drag == 2) return std::nullopt;
        PrintNote("the selection was " + v.caption + " after the drag; taken away by a right click and dragged again");
        d.Click(3);
        if (!e2e::WaitUntil([&] { return !LookAtSelection(d, button, false).button; }, milliseconds(5000),
                            milliseconds(50))) {
            why += "; the right click did not take the selection away";
            return std::nullopt;
        }
    }
    return std::nullopt;
}

namespace {

// Both pins of a fresh vellumo.exe: the first, then a later one of the same
// process, resident by then, whose capture a second start hands to it.
PinPair OurPins(e2e::Display& d, const PinOptions& o, const PinScene& s, pid_t& pid) {
    PinPair r;
    pid = -1;
    if (!SetRoot(d, s.frozen)) {
        r.first.why = "the root never turned the frozen colour";
        return r;
    }
    // On the band: with no window under the pointer at load the overlay
    // darkens nothing.
    d.MovePointer(s.band.left + 100, s.band.top + 100);
    pid = d.Start(o.vellumoExe);
    if (const std::optional<Point> button = CaptureAndSelect(d, s, r.first.why))
        r.first = TimeClick(d, PinProbes(s), *button, s.live);
    const PinScene later = s.Later();
    if (!r.first.ok) {
        r.later.why = "no first pin";
        return r;
    }
    if (!SetRoot(d, later.frozen)) {
        r.later.why = "the root never turned the later frozen colour";
        return r;
    }
    d.MovePointer(s.band.left + 100, s.band.top + 100);
    const pid_t second = d.Start(o.vellumoExe);
    if (const std::optional<Point> button = CaptureAndSelect(d, later, r.later.why))
        r.later = TimeClick(d, PinProbes(later), *button, later.live);
    if (!d.WaitExit(second, milliseconds(5000))) {
        d.Stop(second);
        if (r.later.ok) r.later = {false, 0, false, "the second start did not end after handing over"};
    }
    return r;
}

// Timings of one kind of pin over the runs.
struct PinSeries {
    std::vector<double> ms, liveMs;
    int flipped = 0;
    std::string why;

    void Add(const Pin& p) {
        if (!p.ok) {
            why = p.why;
            return;
        }
        ms.push_back(p.ms);
        if (p.liveMs >= 0) liveMs.push_back(p.liveMs);
        flipped += p.flipped;
    }
    std::string Runs() const {
        std::string out;
        for (double v : ms) out += Format(" %.0f", v);
        return out;
    }
};

// One row of pin figures against the floor's same kind of pin; false when
// either is missing or a Floater was upside down.
bool PrintPins(const std::string& which, const PinSeries& ours, const PinSeries& floor) {
    const std::string figure = "pin click to Floater 1920x1080, " + which;
    bool ok = true;
    if (ours.ms.empty() || floor.ms.empty()) {
        PrintFailure(figure, ours.ms.empty() ? ours.why : "floor: " + floor.why);
        ok = false;
    } else {
        const double oursMs = Summarize(ours.ms).median, floorMs = Summarize(floor.ms).median;
        PrintRow(figure, Format("%.0f ms", oursMs), "pinfloor.exe click to picture", Format("%.0f ms", floorMs),
                 Ratio(oursMs, floorMs), "<= 1.5");
    }
    std::string note = "medians; runs in ms: pinfloor" + floor.Runs() + "; vellumo" + ours.Runs();
    if (!floor.why.empty() || !ours.why.empty()) note += "; missed: " + floor.why + " " + ours.why;
    PrintNote(note);
    if (!ours.liveMs.empty() && !floor.liveMs.empty())
        PrintNote("the overlay was gone (the live screen showing beside the picture) after " +
                  Fixed(Summarize(ours.liveMs).median, 0) + " ms (pinfloor.exe " +
                  Fixed(Summarize(floor.liveMs).median, 0) + " ms), median");
    if (ours.flipped) {
        PrintFailure("pin picture, " + which, "the Floater showed the capture upside down in " +
                                                  std::to_string(ours.flipped) + " of " +
                                                  std::to_string(ours.ms.size()) + " pins");
        ok = false;
    }
    return ok;
}

}  // namespace

bool PinFigures(e2e::Display& d, const PinOptions& o) {
    const PinScene s;
    if (d.width() != s.screen.width || d.height() != s.screen.height) {
        PrintFailure("pin", "needs a 3840x2160 display");
        return false;
    }
    const Rect& band = s.band;
    const pid_t plain = d.Start(o.plainwinExe, {std::to_string(band.left), std::to_string(band.top),
                                                std::to_string(band.width), std::to_string(band.height),
                                                HexRgb(s.bandColour)});
    if (!e2e::WaitUntil([&] { return RgbAt(d, band.left + 10, band.top + 10) == s.bandColour; },
                        milliseconds(20000))) {
        PrintFailure("pin", "the band window never showed");
        d.Stop(plain);
        return false;
    }

    // Floaters outlive their process: each process starts with the history
    // folder (and so the kept Floaters) of its own emptied, or it would
    // bring back the ones the process before it left, and pin beside them.
    const fs::path kept = fs::path(o.workDir) / "pin-history";
    PinOptions ours = o;
    ours.vellumoExe =
        PrivateCopy(o.vellumoExe, fs::path(o.workDir) / "pin-exe", "[History]\r\nFolder=" + WinePath(kept.string()) + "\r\n");

    PinSeries floorFirst, floorLater, oursFirst, oursLater;
    pid_t last = -1;
    // The two alternate so that drift in the machine's speed hits both alike;
    // the last pinning process stays for the memory figures.
    for (int i = 0; i < o.runs; ++i) {
        const PinPair fl = FloorPins(d, o, s);
        floorFirst.Add(fl.first);
        floorLater.Add(fl.later);

        pid_t pid = -1;
        std::error_code gone;
        fs::remove_all(kept, gone);
        const PinPair ve = OurPins(d, ours, s, pid);
        oursFirst.Add(ve.first);
        oursLater.Add(ve.later);
        if (ve.first.ok && ve.later.ok && i == o.runs - 1) last = pid;
        else if (pid > 0) d.Stop(pid);
    }

    bool ok = PrintPins("first pin", oursFirst, floorFirst);
    ok = PrintPins("later pin", oursLater, floorLater) && ok;
    if (last > 0) ok = FloaterMemory(d, ours, s, last, 2) && ok;
    else PrintFailure("pin: private bytes per Floater", "no pinning process to measure");
    d.Stop(plain);
    return ok;
}

}  // namespace vellumo::bench
