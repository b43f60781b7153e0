// Vellumo resident, under Wine on the end-to-end harness's private X display:
// from a press of the capture hotkey to the darkened overlay on the X screen,
// beside hotkeyfloor.exe (resident on the same hotkey: one BitBlt, darkened,
// shown full-screen) at 1920x1080 and 3840x2160; and the private bytes of the
// resident process with no capture and no Floater, beyond an empty Win32 exe
// (plainwin.exe) under the same Wine.
//
// vellumo.exe runs as a copy in a private folder with a "set.ini" holding the
// hotkey. It is made resident as a user would: a first capture pins a small
// region and the Floater is deleted from its menu (if a start alone already
// loads the settings window, Esc on the first capture is enough). The two
// programs cannot hold the hotkey at once, so at each size the floor's
// presses come in two halves around vellumo's. Between presses the capture
// ends with Esc, the screen is clean again and the program has gone idle (no
// CPU for a while: under Wine a full-screen window's teardown goes on after
// it has left the screen). Memory is read in two idle states: just after the
// Floater was deleted, and after the hotkey captures.
//
//   resident_bench DIR_OF_BENCH_EXES VELLUMO_EXE [PRESSES] [KEYCODE:MODIFIERS]
// The hotkey defaults to Print Screen (44:0): Wine 8 under XTest delivered no
// WM_HOTKEY for Ctrl+Alt+F9 (120:3) to either program.
#include <unistd.h>

#include <X11/keysym.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "bench/KeyFocus.h"
#include "bench/PixelCheck.h"
#include "bench/ProcIdle.h"
#include "bench/ProcMemory.h"
#include "bench/Report.h"
#include "bench/ResidentHotkey.h"
#include "bench/StartProbes.h"
#include "bench/Stats.h"
#include "tests/e2e/Dialogs.h"
#include "tests/e2e/Menus.h"
#include "tests/e2e/harness/Harness.h"

namespace {

using namespace vellumo::bench;
using vellumo::Point;
using vellumo::Rect;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
namespace fs = std::filesystem;

constexpr unsigned kWmNull = 0x0000, kWmClose = 0x0010;
constexpr double kMb = 1e6;
// A press comes once the program has used no CPU for this long.
constexpr milliseconds kIdle{200};

void Sleep(int ms) { std::this_thread::sleep_for(milliseconds(ms)); }
double MsSince(Clock::time_point t) { return std::chrono::duration<double, std::milli>(Clock::now() - t).count(); }

e2e::Pixel ToPixel(std::uint32_t rgb) { return {int(rgb >> 16) & 255, int(rgb >> 8) & 255, int(rgb) & 255}; }
std::uint32_t RgbAt(e2e::Display& d, int x, int y) {
    const e2e::Pixel p = d.GetPixel(x, y);
    return std::uint32_t(p.r << 16 | p.g << 8 | p.b);
}

bool Shows(e2e::Display& d, const std::vector<Probe>& probes, bool overlay) {
    for (const Probe& p : probes)
        if (RgbAt(d, p.x, p.y) != (overlay ? p.overlay : p.before)) return false;
    return true;
}

std::string FirstWrong(e2e::Display& d, const std::vector<Probe>& probes, bool overlay) {
    for (const Probe& p : probes) {
        const std::uint32_t got = RgbAt(d, p.x, p.y), want = overlay ? p.overlay : p.before;
        if (got != want)
            return "(" + std::to_string(p.x) + "," + std::to_string(p.y) + ") showed " + HexRgb(got) + ", not " +
                   HexRgb(want);
    }
    return "every probe right only after the deadline";
}

void PressHotkey(e2e::Display& d, const BenchHotkey& h) {
    const std::vector<unsigned long> mods = ModifierKeysyms(h.modifiers);
    for (unsigned long k : mods) d.KeyDown(k);
    d.Tap(*KeysymFor(h.keyCode));
    for (auto k = mods.rbegin(); k != mods.rend(); ++k) d.KeyUp(*k);
}

std::optional<e2e::WinInfo> VisibleTop(e2e::Display& d, const std::string& cls) {
    for (const e2e::WinInfo& w : d.ListWindows(cls))
        if (w.parent == "0" && w.visible) return w;
    return std::nullopt;
}

int Floaters(e2e::Display& d) {
    int n = 0;
    for (const e2e::WinInfo& w : d.ListWindows("VellumoHoverdeck")) n += w.cls == "VellumoPicture1" && w.visible;
    return n;
}

// One program's presses: each from a clean screen to every probe showing the
// darkened overlay, then Esc and the clean screen again.
struct Presses {
    std::string overlayClass;  // the program's full-screen window, for the Esc
    std::vector<Probe> probes;
    BenchHotkey key;
    pid_t pid = -1;
    std::vector<double> ms, cleanMs;
    int misses = 0, busy = 0;  // busy: pressed although the program never went idle
    std::string why;
    // Readies the screen before each press (shows the Floaters); empty when it could.
    std::function<std::string()> prepare;

    // False once the program has missed twice: it is not pressed again.
    bool Press(e2e::Display& d, bool timed) {
        if (misses >= 2) return false;
        if (prepare) {
            if (const std::string failed = prepare(); !failed.empty()) {
                ++misses;
                why = failed;
                return misses < 2;
            }
        }
        if (!e2e::WaitUntil([&] { return Shows(d, probes, false); }, milliseconds(5000), milliseconds(5))) {
            ++misses;
            why = "the screen was not clean before the press: " + FirstWrong(d, probes, false);
            return misses < 2;
        }
        if (!WaitIdle(pid, kIdle, milliseconds(3000)) && timed) ++busy;
        const auto t0 = Clock::now();
        PressHotkey(d, key);
        bool shown = false;
        double took = 0;
        while (MsSince(t0) < 10000) {
            if (Shows(d, probes, true)) {
                took = MsSince(t0);
                shown = true;
                break;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        if (!shown) why = "no darkened overlay within 10 s: " + FirstWrong(d, probes, true);
        EscOnceFocused(d, overlayClass);
        const auto esc = Clock::now();
        if (e2e::WaitUntil([&] { return Shows(d, probes, false); }, milliseconds(6000), milliseconds(5))) {
            if (timed) cleanMs.push_back(MsSince(esc));
        } else if (shown) {
            why = "Esc left the screen unclean: " + FirstWrong(d, probes, false);
        }
        if (!shown) ++misses;
        else if (timed) ms.push_back(took);
        return misses < 2;
    }

    void Run(e2e::Display& d, int runs) {
        Press(d, false);  // warms the program's first capture and the page cache
        for (int i = 0; i < runs; ++i)
            if (!Press(d, true)) break;
    }

    std::string List(const char* name) const {
        std::string s = name;
        for (double v : ms) s += Format(" %.0f", v);
        if (misses) s += Format(" (%.0f missed)", double(misses));
        if (busy) s += Format(" (%.0f pressed while busy)", double(busy));
        return s;
    }
};

std::string Mb(double bytes) { return Format("%.2f MB", bytes / kMb); }

// Private bytes once they hold still for a second (at most 6 s): under Wine a
// closed full-screen window's memory may go a second after the process fell
// quiet. 0 when the process has gone.
double SettledPrivateBytes(pid_t pid) {
    WaitIdle(pid, milliseconds(500), milliseconds(3000));
    const auto end = Clock::now() + std::chrono::seconds(6);
    long long last = PrivateBytes(pid).value_or(0);
    auto since = Clock::now();
    while (Clock::now() < end && Clock::now() - since < std::chrono::seconds(1)) {
        Sleep(100);
        const long long now = PrivateBytes(pid).value_or(0);
        if (now != last) {
            last = now;
            since = Clock::now();
        }
    }
    return double(last);
}

// The floor, resident on the hotkey; its private bytes go to *memory.
bool FloorPresses(e2e::Display& d, const std::string& exe, Presses& p, int runs, double* memory) {
    const pid_t pid = d.Start(exe, {std::to_string(p.key.keyCode), std::to_string(p.key.modifiers)});
    if (!e2e::WaitUntil([&] { return !d.ListWindows("VellumoBenchHotkeyOwner").empty() || !d.Running(pid); },
                        milliseconds(10000), milliseconds(50)) ||
        !d.Running(pid)) {
        int code = -1;
        d.WaitExit(pid, milliseconds(100), &code);
        p.why = code == 3 ? "hotkeyfloor.exe could not register the hotkey" : "hotkeyfloor.exe never started";
        d.Stop(pid);
        return false;
    }
    Sleep(200);  // the owner window is listed just before it registers
    p.pid = pid;
    p.Run(d, runs);
    *memory = SettledPrivateBytes(pid);
    // Closed by its window, so that the hotkey is free for vellumo at once.
    d.PostToWindow("VellumoBenchHotkeyOwner", kWmClose, 0);
    if (!d.WaitExit(pid, milliseconds(5000))) d.Stop(pid);
    return !p.ms.empty();
}

// On the capture shown, a small region selected and pinned: one Floater,
// centred on the screen, clear of the probes. Empty when it worked.
std::string PinFloater(e2e::Display& d, const Rect& sel) {
    d.MovePointer(sel.left, sel.top);
    Sleep(50);
    e2e::DragInSteps(d, sel.left, sel.top, sel.width, sel.height);
    std::optional<e2e::WinInfo> pin;
    e2e::WaitUntil(
        [&] {
            for (const e2e::WinInfo& x : d.ListWindows("VellumoScrShot"))
                if (x.title == "pinimg" && x.visible) pin = x;
            return pin.has_value();
        },
        milliseconds(5000), milliseconds(50));
    if (!pin) return "the pin button never showed";
    d.MovePointer(pin->left + pin->width() / 2, pin->top + pin->height() / 2);
    Sleep(50);
    d.Click();
    if (!e2e::WaitUntil([&] { return Floaters(d) == 1; }, milliseconds(10000), milliseconds(50)))
        return "the pin made no Floater";
    return {};
}

// A capture on a fresh start, a small region selected and pinned, then the
// Floater deleted from its menu. Empty when it worked, else what went wrong.
std::string PinAndDelete(e2e::Display& d, const StartScene& s) {
    const int w = s.screen.width, h = s.screen.height;
    if (std::string failed = PinFloater(d, {w / 2, h / 2 + h / 8, 320, 200}); !failed.empty()) return failed;
    Sleep(300);
    // The Floater's menu, centred on the screen: "Delete" deletes it.
    d.MovePointer(w / 2, h / 2);
    Sleep(50);
    d.Click(3);
    std::optional<e2e::WinInfo> menu;
    e2e::WaitUntil([&] { return (menu = VisibleTop(d, "#32768")).has_value(); }, milliseconds(3000),
                   milliseconds(20));
    if (!menu) return "the Floater's menu never showed";
    Sleep(50);
    // Found by its text: the menu grows as the Floaters learn more.
    if (!e2e::PickMenuItem(d, *menu, "Delete")) return "the Floater's menu has no \"Delete\"";
    if (!e2e::WaitUntil([&] { return Floaters(d) == 0; }, milliseconds(5000), milliseconds(50)))
        return "the Floater's \"Delete\" did not delete it";
    return {};
}

struct Resident {
    pid_t pid = -1;
    std::string how, why;
    double afterDelete = 0;  // private bytes just after the Floater went, if pinned
};

// Starts the copy and makes it resident with no Floater and no capture.
Resident MakeResident(e2e::Display& d, const std::string& exe, const StartScene& s) {
    Resident r;
    d.MovePointer(s.pointer.x, s.pointer.y);
    r.pid = d.Start(exe);
    if (!e2e::WaitUntil([&] { return VisibleTop(d, "VellumoScrShot").has_value(); }, milliseconds(10000),
                        milliseconds(50))) {
        r.why = "the first start showed no capture overlay";
        return r;
    }
    Sleep(300);  // the overlay loads its parts after the first frame
    if (!d.ListWindows("VellumoSett").empty()) {
        r.how = "resident from its start; the first capture ended with Esc";
        EscOnceFocused(d, "VellumoScrShot");
    } else {
        r.how = "made resident by a first pin, its Floater then deleted";
        r.why = PinAndDelete(d, s);
        if (!r.why.empty()) return r;
        r.afterDelete = SettledPrivateBytes(r.pid);
    }
    d.MovePointer(s.pointer.x, s.pointer.y);
    if (!e2e::WaitUntil([&] { return !VisibleTop(d, "VellumoScrShot") && d.Running(r.pid); }, milliseconds(5000),
                        milliseconds(50)))
        r.why = "the first capture did not end, or the program ended with it";
    else if (d.ListWindows("VellumoSett").empty())
        r.why = "no settings window: not resident";
    return r;
}

// The same hotkey pressed with a Floater shown, which must be hidden (and
// the screen under it repainted) before the freeze, against a press with
// none, alternating in one run. The Floater is pinned once; after each
// capture the HideFloaters hotkey shows it again.
void FloatersShownPresses(e2e::Display& d, const StartScene& scene, const BenchHotkey& key, pid_t pid, int runs,
                          const std::string& size) {
    const std::string figure = "hotkey-to-overlay, a Floater shown " + size;
    PressHotkey(d, key);
    if (!e2e::WaitUntil([&] { return VisibleTop(d, "VellumoScrShot").has_value(); }, milliseconds(10000),
                        milliseconds(20))) {
        PrintFailure(figure, "no capture to pin from");
        return;
    }
    Sleep(300);
    // Of the plain window, so that it differs from the background it hides.
    const Rect& win = scene.window;
    if (const std::string failed = PinFloater(d, {win.left + 20, win.top + 20, win.width - 40, win.height - 40});
        !failed.empty()) {
        PrintFailure(figure, failed);
        return;
    }
    d.MovePointer(scene.pointer.x, scene.pointer.y);
    Presses none, shown;
    none.probes = shown.probes = ProbesFor(scene, /*keepsWindowClear=*/true);
    none.key = shown.key = key;
    none.overlayClass = shown.overlayClass = "VellumoScrShot";
    none.pid = shown.pid = pid;
    // Under X a key reaches Wine's hotkeys only through the Wine window that
    // has the keyboard, and the hidden Floater host takes it along: a click
    // on the plain window under the pointer gives it back, as a user works on.
    const auto focusPlain = [&] {
        d.Click();
        Sleep(100);
    };
    // Each press finds the Floater as it wants it: the HideFloaters hotkey
    // hides or shows it when it is not.
    const int cx = scene.screen.width / 2, cy = scene.screen.height / 2;
    const auto floaterShown = [&] { return VisibleTop(d, "VellumoHoverdeck") && RgbAt(d, cx, cy) != scene.background; };
    const auto makeShown = [&](bool want) -> std::string {
        focusPlain();
        if (floaterShown() != want) PressHotkey(d, kBenchHideFloatersKey);
        if (!e2e::WaitUntil([&] { return floaterShown() == want; }, milliseconds(5000), milliseconds(20)))
            return want ? "the HideFloaters hotkey did not show the Floater" : "the HideFloaters hotkey did not hide it";
        return {};
    };
    none.prepare = [&] { return makeShown(false); };
    shown.prepare = [&] { return makeShown(true); };
    shown.Press(d, false);  // the first hide and repaint of this Floater
    // One press is +-10 ms of a ~55 ms figure on a quiet machine (more on a
    // shared one), against a few ms that hiding the Floater costs: five pairs
    // put the ratio of medians either side of the goal by chance, three times
    // as many settle it. What is measured is unchanged: each press of either
    // kind, from the key to the darkened overlay.
    const int pairs = 3 * runs;
    std::vector<double> extra;  // each pair: the press with the Floater less the one without
    for (int i = 0; i < pairs; ++i) {
        const std::size_t before = none.ms.size() + shown.ms.size();
        if (!none.Press(d, true) || !shown.Press(d, true)) break;
        if (none.ms.size() + shown.ms.size() == before + 2) extra.push_back(shown.ms.back() - none.ms.back());
    }
    const Summary ns = Summarize(none.ms), ss = Summarize(shown.ms);
    if (none.ms.empty() || shown.ms.empty())
        PrintFailure(figure, (shown.ms.empty() ? shown.why : none.why) + " (none shown: " + none.why + ")");
    else
        PrintRow(figure, Format("%.0f ms", ss.median), "no Floater shown " + size, Format("%.0f ms", ns.median),
                 Ratio(ss.median, ns.median), "<= 1.1");
    PrintNote(Format("%.0f alternating pairs", double(extra.size())) +
              Format("; the Floater's cost within a pair, median: %+.1f ms", Summarize(extra).median) +
              "; runs in ms: " + none.List("none shown") + "; " + shown.List("a Floater shown"));
    if (!shown.why.empty() && !shown.ms.empty()) PrintNote("Floater shown: " + shown.why);
}

bool OneSize(e2e::Display& d, const std::string& dir, const std::string& vellumoCopy, const BenchHotkey& key,
             int runs) {
    const std::string size = std::to_string(d.width()) + "x" + std::to_string(d.height());
    const StartScene scene = SceneFor(d.width(), d.height());
    d.SetBackground(ToPixel(scene.background));
    const Rect& w = scene.window;
    const pid_t plain = d.Start(dir + "/plainwin.exe", {std::to_string(w.left), std::to_string(w.top),
                                                        std::to_string(w.width), std::to_string(w.height),
                                                        HexRgb(scene.windowColour)});
    // The press reaches Wine only through an X window of a Wine program under
    // the pointer: the plain window, as a user would work in some program.
    const Point c = scene.pointer;
    if (!e2e::WaitUntil([&] { return RgbAt(d, c.x, c.y) == scene.windowColour; }, milliseconds(20000))) {
        PrintFailure("hotkey-to-overlay " + size, "the plain window never showed");
        d.Stop(plain);
        return false;
    }
    d.MovePointer(c.x, c.y);

    Presses fl, ve;
    fl.probes = ProbesFor(scene, /*keepsWindowClear=*/false);
    ve.probes = ProbesFor(scene, /*keepsWindowClear=*/true);
    fl.key = ve.key = key;
    fl.overlayClass = "VellumoBenchHotkeyFloor";
    ve.overlayClass = "VellumoScrShot";
    // The floor's presses come in two halves, before and after vellumo's, so
    // that drift in the machine's load hits both alike.
    double floorMemory = 0;
    const auto t0 = Clock::now();
    FloorPresses(d, dir + "/hotkeyfloor.exe", fl, (runs + 1) / 2, &floorMemory);
    double floorSeconds = MsSince(t0) / 1000;

    const auto t1 = Clock::now();
    const Resident res = MakeResident(d, vellumoCopy, scene);
    double oursMemory = 0, plainMemory = 0, afterMessage = 0;
    bool noWindows = false;
    if (res.why.empty()) {
        ve.pid = res.pid;
        ve.Run(d, runs);
        oursMemory = SettledPrivateBytes(res.pid);
        noWindows = !VisibleTop(d, "VellumoScrShot") && Floaters(d) == 0;
        FloatersShownPresses(d, scene, key, res.pid, runs, size);
        plainMemory = SettledPrivateBytes(plain);
        // Whether the program still holds something that only its next
        // message would free.
        d.PostToWindow("VellumoSett", kWmNull, 0);
        afterMessage = SettledPrivateBytes(res.pid);
    } else {
        ve.why = res.why;
    }
    const double oursSeconds = MsSince(t1) / 1000;
    const std::string oursName = res.pid > 0 ? ProcessName(res.pid) : "";
    // Closed as a user's close request on its settings window would: the
    // hotkey is released as the process ends.
    if (res.pid > 0 && !(d.PostToWindow("VellumoSett", kWmClose, 0) && d.WaitExit(res.pid, milliseconds(5000))))
        d.Stop(res.pid);
    if (runs / 2 > 0 && fl.misses < 2) {
        const auto t2 = Clock::now();
        FloorPresses(d, dir + "/hotkeyfloor.exe", fl, runs / 2, &floorMemory);
        floorSeconds += MsSince(t2) / 1000;
    }
    d.Stop(plain);

    const Summary fs = Summarize(fl.ms), vs = Summarize(ve.ms);
    const std::string keyText = HotkeyText(key);
    if (fl.ms.empty()) PrintFailure("hotkey-to-overlay hotkeyfloor.exe " + size, fl.why);
    else
        PrintRow("hotkey-to-overlay hotkeyfloor.exe " + size, Format("%.0f ms", fs.median), "(is the floor)", "", 1.0,
                 "");
    if (ve.ms.empty() || fl.ms.empty())
        PrintFailure("hotkey-to-overlay vellumo.exe " + size, ve.ms.empty() ? ve.why : "no floor");
    else
        PrintRow("hotkey-to-overlay vellumo.exe " + size, Format("%.0f ms", vs.median), "hotkeyfloor.exe " + size,
                 Format("%.0f ms", fs.median), Ratio(vs.median, fs.median), "<= 1.15");
    PrintNote("medians of presses of " + keyText + "; runs in ms: " + fl.List("floor") + "; " + ve.List("vellumo"));
    PrintNote("Esc to clean screen, median: floor " + Format("%.0f ms", Summarize(fl.cleanMs).median) +
              ", vellumo " + Format("%.0f ms", Summarize(ve.cleanMs).median) +
              "; each press once the program had used no CPU for " + Format("%.0f ms", double(kIdle.count())) +
              "; took " + Format("%.0f s", floorSeconds) + " (floor), " + Format("%.0f s", oursSeconds) +
              " (vellumo)");
    if (!res.how.empty()) PrintNote("vellumo.exe " + res.how);
    if (!fl.why.empty() && !fl.ms.empty()) PrintNote("floor: " + fl.why);
    if (!ve.why.empty() && !ve.ms.empty()) PrintNote("vellumo: " + ve.why);

    // Two idle resident states, both with no capture and no Floater: just
    // after the first pin's Floater was deleted, and after hotkey captures.
    bool memoryOk = true;
    const auto memoryRow = [&](const std::string& figure, double bytes) {
        PrintRow(figure, Format("%+.2f MB", (bytes - plainMemory) / kMb), "beyond plainwin.exe (empty exe)",
                 Mb(plainMemory), Ratio(bytes, plainMemory), "< +8 MB");
    };
    if (!res.why.empty() || plainMemory <= 0) {
        PrintFailure("resident private bytes " + size,
                     res.why.empty() ? "plainwin.exe's memory could not be read" : "not resident: " + res.why);
        memoryOk = false;
    } else {
        if (res.afterDelete > 0) memoryRow("resident, its Floater deleted " + size, res.afterDelete);
        if (ve.ms.empty()) {
            PrintFailure("resident after hotkey captures " + size, "no hotkey capture");
        } else if (!noWindows || oursMemory <= 0) {
            PrintFailure("resident after hotkey captures " + size,
                         noWindows ? "vellumo.exe's memory could not be read" : "a capture or a Floater was still up");
            memoryOk = false;
        } else {
            memoryRow("resident after hotkey captures " + size, oursMemory);
        }
        std::string note = "private bytes (Private_Dirty), each read once idle and steady for 1 s: " + oursName;
        if (res.afterDelete > 0) note += " " + Mb(res.afterDelete) + " with its Floater deleted,";
        if (oursMemory > 0) note += " " + Mb(oursMemory) + " after the presses,";
        if (afterMessage > 0 && std::abs(afterMessage - oursMemory) >= 0.1 * kMb)
            note += " " + Mb(afterMessage) + " once a WM_NULL was posted to its settings window,";
        note += " plainwin.exe " + Mb(plainMemory);
        if (floorMemory > 0) note += ", hotkeyfloor.exe resident " + Mb(floorMemory);
        PrintNote(note);
    }
    return fl.misses == 0 && ve.misses == 0 && memoryOk;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: resident_bench DIR_OF_BENCH_EXES VELLUMO_EXE [PRESSES] [KEYCODE:MODIFIERS]\n");
        return 2;
    }
    const std::string dir = argv[1], vellumoExe = argv[2];
    const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 7;
    const std::optional<BenchHotkey> key = argc > 4 ? ParseHotkey(argv[4]) : BenchHotkey{};
    if (!key) {
        std::fprintf(stderr, "resident_bench: hotkey \"%s\" is not KEYCODE:MODIFIERS of a key it can press\n", argv[4]);
        return 2;
    }
    // A private copy: "set.ini" beside it holds the hotkey.
    const fs::path work = fs::temp_directory_path() / ("vellumo-resident-bench-" + std::to_string(getpid()));
    bool ok = true;
    try {
        fs::create_directories(work);
        const fs::path copy = work / "vellumo.exe";
        fs::copy_file(vellumoExe, copy, fs::copy_options::overwrite_existing);
        std::ofstream(work / "set.ini", std::ios::binary) << SetIniText(*key);
        for (const auto& [w, h] : {std::pair{1920, 1080}, std::pair{3840, 2160}}) {
            e2e::Display d(w, h);
            ok = OneSize(d, dir, copy.string(), *key, runs) && ok;
        }
    } catch (const std::exception& e) {
        PrintFailure("resident benchmarks", e.what());
        ok = false;
    }
    std::error_code ec;
    fs::remove_all(work, ec);
    return ok ? 0 : 1;
}
