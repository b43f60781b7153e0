// Pin figures on the scene of bench/PinScene.h: from the click on the
// toolbar's pinimg to the Floater on the X screen, beside pinfloor.exe's click
// to picture. The last process that pinned then gives the memory figures
// (bench/FloaterMemory.cpp).
#include <chrono>
#include <optional>
#include <thread>

#include "bench/OutputBench.h"
#include "bench/PinScene.h"
#include "bench/Report.h"
#include "bench/StartProbes.h"
#include "bench/Stats.h"

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

struct Pin {
    bool ok = false;
    double ms = 0;
    bool flipped = false;
    std::string why;
    double liveMs = -1;  // when the live screen first showed (the overlay gone), if it did
};

// From just before the click until every probe shows the picture.
Pin TimeClick(e2e::Display& d, const std::vector<PinProbe>& probes, Point at, std::uint32_t live) {
    Pin r;
    d.MovePointer(at.x, at.y);
    Sleep(100);
    const auto t0 = Clock::now();
    d.Click();
    const auto deadline = t0 + std::chrono::seconds(10);
    while (Clock::now() < deadline) {
        if (r.liveMs < 0 && RgbAt(d, probes[0].x, probes[0].y) == live)
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
    return e2e::WaitUntil([&] { return RgbAt(d, 3000, 1900) == rgb; }, milliseconds(3000), milliseconds(5));
}

Pin FloorPin(e2e::Display& d, const PinOptions& o, const PinScene& s) {
    Pin r;
    if (!SetRoot(d, s.frozen)) return {false, 0, false, "the root never turned the frozen colour"};
    const Rect& b = s.floorButton;
    const Rect& g = s.selection;
    const pid_t pid = d.Start(o.pinfloorExe, {std::to_string(b.left), std::to_string(b.top), std::to_string(b.width),
                                              std::to_string(b.height), std::to_string(g.left), std::to_string(g.top),
                                              std::to_string(g.width), std::to_string(g.height),
                                              HexRgb(s.floorButtonColour)});
    if (!e2e::WaitUntil([&] { return RgbAt(d, b.left + 5, b.top + 5) == s.floorButtonColour; }, milliseconds(10000)))
        r.why = "pinfloor.exe's button never showed";
    else if (!SetRoot(d, s.live))
        r.why = "the root never turned the live colour";
    else
        r = TimeClick(d, PinProbes(s), {b.left + b.width / 2, b.top + b.height / 2}, s.live);
    d.Stop(pid);
    return r;
}

// A capture in a fresh vellumo.exe with the selection made; the pinimg
// button's centre, or nothing (with the reason in `why`).
std::optional<Point> CaptureAndSelect(e2e::Display& d, const PinScene& s, pid_t pid, std::string& why) {
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
    const Rect& g = s.selection;
    d.MovePointer(g.left, g.top);
    Sleep(50);
    d.ButtonDown();
    for (int i = 1; i <= 10; ++i) {
        d.MovePointer(g.left + g.width * i / 10, g.top + g.height * i / 10);
        Sleep(30);
    }
    d.ButtonUp();
    std::optional<e2e::WinInfo> pin;
    std::string caption;  // the magnifier's Size caption, control id 1
    e2e::WaitUntil(
        [&] {
            std::string va;
            for (const e2e::WinInfo& w : d.ListWindows("VellumoScrShot")) {
                if (w.title == "pinimg" && w.visible) pin = w;
                if (w.cls == "VellumoVa") va = w.hwnd;
                if (!va.empty() && w.parent == va && w.id == 1) caption = w.hwnd;
            }
            return pin.has_value();
        },
        milliseconds(5000), milliseconds(50));
    if (!pin) {
        why = "the pin button never showed";
        return std::nullopt;
    }
    const std::string size = caption.empty() ? "" : d.WindowText(caption);
    if (size.find("1920") == std::string::npos || size.find("1080") == std::string::npos) {
        why = "the selection is not 1920 x 1080: the magnifier says \"" + size + "\"";
        return std::nullopt;
    }
    return Point{pin->left + pin->width() / 2, pin->top + pin->height() / 2};
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

    std::vector<double> floorMs, oursMs, liveMs;
    std::string floorWhy, oursWhy;
    int flipped = 0;
    pid_t last = -1;
    // The two alternate so that drift in the machine's speed hits both alike;
    // the last pinning process stays for the memory figures.
    for (int i = 0; i < o.runs; ++i) {
        const Pin fl = FloorPin(d, o, s);
        if (fl.ok) floorMs.push_back(fl.ms);
        else floorWhy = fl.why;

        Pin ve;
        if (!SetRoot(d, s.frozen)) {
            ve.why = "the root never turned the frozen colour";
        } else {
            // On the band: with no window under the pointer at load the overlay
            // darkens nothing.
            d.MovePointer(s.band.left + 100, s.band.top + 100);
            const pid_t pid = d.Start(o.vellumoExe);
            if (const std::optional<Point> button = CaptureAndSelect(d, s, pid, ve.why))
                ve = TimeClick(d, PinProbes(s), *button, s.live);
            if (ve.ok && i == o.runs - 1) last = pid;
            else d.Stop(pid);
        }
        if (ve.ok) {
            oursMs.push_back(ve.ms);
            if (ve.liveMs >= 0) liveMs.push_back(ve.liveMs);
            flipped += ve.flipped;
        } else {
            oursWhy = ve.why;
        }
    }

    const Summary floorSum = Summarize(floorMs), oursSum = Summarize(oursMs);
    bool ok = true;
    if (oursMs.empty() || floorMs.empty()) {
        PrintFailure("pin click to Floater 1920x1080", oursMs.empty() ? oursWhy : "floor: " + floorWhy);
        ok = false;
    } else {
        PrintRow("pin click to Floater 1920x1080", Format("%.0f ms", oursSum.median), "pinfloor.exe click to picture",
                 Format("%.0f ms", floorSum.median), Ratio(oursSum.median, floorSum.median), "");
    }
    std::string runs = "medians; runs in ms: pinfloor";
    for (double v : floorMs) runs += Format(" %.0f", v);
    runs += "; vellumo";
    for (double v : oursMs) runs += Format(" %.0f", v);
    PrintNote(runs + (floorWhy.empty() && oursWhy.empty() ? "" : "; missed: " + floorWhy + " " + oursWhy));
    if (!liveMs.empty())
        PrintNote("the overlay was gone (the live screen showing) after " + Fixed(Summarize(liveMs).median, 0) +
                  " ms, median; the Floater came after that");
    if (flipped) {
        PrintFailure("pin picture", "the Floater showed the capture upside down in " + std::to_string(flipped) +
                                        " of " + std::to_string(oursMs.size()) + " pins");
        ok = false;
    }
    if (last > 0) ok = FloaterMemory(d, o, s, last) && ok;
    else PrintFailure("pin: private bytes per Floater", "no pinning process to measure");
    d.Stop(plain);
    return ok;
}

}  // namespace vellumo::bench
