// The history's cost on the pin scene of bench/PinScene.h: the same
// vellumo.exe, copied into two folders, one whose "set.ini" keeps the
// history in a folder of the run's own, one whose "set.ini" turns it off
// (Keep=0). Each process pins once, then takes captures by the hotkey,
// pressed after a click on a Wine window (a press that brings nothing is
// told and made once more):
// copies (from the click on the copy button until the overlay has left the
// screen, the clipboard written by then) and, last, a few more pins (from
// the click until the Floater shows). After its last capture, once the
// process has gone idle (the history written), its private bytes are read.
// Processes with the history on and off alternate (on, off, off, on...), so
// that drift in the machine's speed hits both alike.
#include <X11/keysym.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "bench/OutputBench.h"
#include "bench/ProcIdle.h"
#include "bench/ProcMemory.h"
#include "bench/Report.h"
#include "bench/StartProbes.h"
#include "bench/Stats.h"

// Last: Xlib's macros would break the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace vellumo::bench {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
namespace fs = std::filesystem;

constexpr double kMb = 1e6;
// Pins at the end of each process, beyond its first: each leaves a Floater.
constexpr int kLaterPins = 4;
// Processes of each kind.
constexpr int kProcesses = 2;
// Outside the selection, every Floater, the toolbar and the magnifier: the
// overlay darkens it, the live root shows there once the overlay is gone.
constexpr Point kOutside{3200, 1900};

struct Session {
    std::vector<double> copyMs, pinMs;
    std::optional<long long> privateBytes;
    int files = -1;  // capture files in the history folder at the end
    int presses = 0, pressesRepeated = 0;
    std::string why;
};

double MsSince(Clock::time_point t) { return std::chrono::duration<double, std::milli>(Clock::now() - t).count(); }

// Which X window has the keyboard: Wine hears a key, and so the hotkey, only
// through an X window of a Wine program. Named by the WM_CLASS of the first
// window up its tree that has one ("vellumo.exe", "plainwin.exe", openbox's).
class KeyboardFocus {
public:
    explicit KeyboardFocus(const std::string& display) : x_(XOpenDisplay(display.c_str())) {}
    ~KeyboardFocus() {
        if (x_) XCloseDisplay(x_);
    }
    KeyboardFocus(const KeyboardFocus&) = delete;
    KeyboardFocus& operator=(const KeyboardFocus&) = delete;

    std::string Describe() {
        if (!x_) return "no X connection";
        Window w = None;
        int revert = 0;
        XGetInputFocus(x_, &w, &revert);
        if (w == None) return "None";
        if (w == PointerRoot) return "PointerRoot";
        const std::string id = Hex(w);
        for (Window at = w; at != None;) {
            XClassHint hint{};
            if (XGetClassHint(x_, at, &hint)) {
                const std::string name = std::string(hint.res_name ? hint.res_name : "") + "/" +
                                         (hint.res_class ? hint.res_class : "");
                if (hint.res_name) XFree(hint.res_name);
                if (hint.res_class) XFree(hint.res_class);
                return id + " (" + name + ")";
            }
            Window root = None, parent = None, *children = nullptr;
            unsigned n = 0;
            if (!XQueryTree(x_, at, &root, &parent, &children, &n)) break;
            if (children) XFree(children);
            at = parent == root ? None : parent;
        }
        return id + " (no WM_CLASS up to the root)";
    }

private:
    static std::string Hex(unsigned long v) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "0x%lx", v);
        return buf;
    }
    ::Display* x_;
};

// A copy: from just before the click on the copy button until the live
// root shows where the overlay was darkened.
std::optional<double> TimeCopy(e2e::Display& d, Point button, std::uint32_t live, std::string& why) {
    d.MovePointer(button.x, button.y);
    std::this_thread::sleep_for(milliseconds(100));
    const auto t0 = Clock::now();
    d.Click();
    if (!e2e::WaitUntil([&] { return RgbAt(d, kOutside.x, kOutside.y) == live; }, milliseconds(10000),
                        milliseconds(0))) {
        why = "the overlay stayed 10 s after the copy";
        return std::nullopt;
    }
    return MsSince(t0);
}

int CaptureFiles(const fs::path& folder) {
    int n = 0;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(folder, ec))
        if (e.path().extension() == ".png" && e.path().filename().string().starts_with("capture-")) ++n;
    return n;
}

// Print Screen for capture number `n` of scene `s`. Wine hears a key, and so
// a hotkey, only through an X window of a Wine program that has the keyboard
// focus. Left alone, the keyboard went to explorer.exe's desktop window once
// the overlay had gone (every press of a run that looked), but nothing here
// made it so: a press while no Wine window had it was heard by no program.
// A click on the band window (plainwin.exe) first gives the keyboard to a
// Wine window, as a user works in another program before pressing; a press
// that still brings no capture is told and made once more.
void PressForCapture(e2e::Display& d, pid_t pid, const PinScene& s, KeyboardFocus& focus, int n, Session& r) {
    d.MovePointer(s.keyboardClick().x, s.keyboardClick().y);
    d.Click();
    if (!e2e::WaitUntil([&] { return focus.Describe().find("plainwin.exe") != std::string::npos; },
                        milliseconds(2000), milliseconds(20)))
        PrintNote("capture " + std::to_string(n) + ": the click left the keyboard with " + focus.Describe());
    // The overlay's teardown goes on after it has left the screen, and the
    // history writes a capture once what its leaving set going is done: a
    // capture comes once both are, as a user's next capture seconds later
    // would.
    WaitIdle(pid, milliseconds(600), milliseconds(10000));
    const PinProbe outside = PinProbes(s)[0];
    const auto darkened = [&] { return RgbAt(d, outside.x, outside.y) == outside.overlay; };
    const std::string keys = focus.Describe();
    ++r.presses;
    d.Tap(XK_Print);
    if (e2e::WaitUntil(darkened, milliseconds(5000), milliseconds(5))) return;
    ++r.pressesRepeated;
    PrintNote("capture " + std::to_string(n) + ": Print Screen brought no capture in 5 s; keys went to " + keys +
              ", now to " + focus.Describe() + "; the band window clicked, pressed again");
    d.Click();
    WaitIdle(pid, milliseconds(600), milliseconds(10000));
    d.Tap(XK_Print);
}

// One process: `captures` captures in all, the first and the last
// kLaterPins pinned, the others copied.
Session RunSession(e2e::Display& d, const std::string& exe, const fs::path& historyFolder, int captures) {
    Session r;
    const PinScene first;
    if (!SetRoot(d, first.frozen)) return r.why = "the root never turned the frozen colour", r;
    d.MovePointer(first.keyboardClick().x, first.keyboardClick().y);
    const pid_t pid = d.Start(exe);
    int pins = 0;
    KeyboardFocus focus(d.name());
    for (int i = 0; i < captures && r.why.empty(); ++i) {
        const bool pin = i == 0 || i >= captures - kLaterPins;
        // Each pin freezes another colour than the Floater beneath it shows.
        const PinScene s = pin && pins++ % 2 ? first.Later() : first;
        if (i > 0) {
            if (!SetRoot(d, s.frozen)) {
                r.why = "the root never turned the frozen colour";
                break;
            }
            PressForCapture(d, pid, s, focus, i + 1, r);
        }
        const std::optional<Point> button = CaptureAndSelect(d, s, r.why, pin ? "pinimg" : "Image1");
        if (!button) break;
        if (pin) {
            const Pin p = TimeClick(d, PinProbes(s), *button, s.live);
            if (!p.ok || p.flipped) r.why = p.ok ? "a Floater showed upside down" : p.why;
            else r.pinMs.push_back(p.ms);
        } else if (const std::optional<double> ms = TimeCopy(d, *button, s.live, r.why)) {
            r.copyMs.push_back(*ms);
        }
    }
    if (r.why.empty()) {
        // The history written and the capture torn down.
        WaitIdle(pid, milliseconds(1000), milliseconds(60000));
        r.privateBytes = PrivateBytes(pid);
        r.files = CaptureFiles(historyFolder);
    }
    d.Stop(pid);
    // The next process must not find this one's windows still going away.
    e2e::WaitUntil([&] { return d.ListWindows("VellumoHoverdeck").empty() && d.ListWindows("VellumoScrShot").empty(); },
                   milliseconds(10000), milliseconds(100));
    return r;
}

std::string Runs(const std::vector<double>& v) {
    std::string out;
    for (double x : v) out += Format(" %.0f", x);
    return out;
}

}  // namespace

std::string PrivateCopy(const std::string& exe, const fs::path& folder, const std::string& setIni) {
    fs::create_directories(folder);
    const fs::path copy = folder / "vellumo.exe";
    fs::copy_file(exe, copy, fs::copy_options::overwrite_existing);
    std::ofstream(folder / "set.ini", std::ios::binary) << setIni;
    return copy.string();
}

bool HistoryFigures(e2e::Display& d, const PinOptions& o, int captures) {
    captures = std::max(captures, kLaterPins + 2);
    const fs::path work = fs::path(o.workDir) / "history-cost";
    // The kept Floaters live in the history's folder, also with the history
    // off: each kind has a folder of its own, emptied before each process,
    // or a process would bring back the Floaters the one before it left.
    const fs::path kept = work / "History", keptOff = work / "HistoryOff";
    const std::string on = PrivateCopy(o.vellumoExe, work / "on",
                                       "[History]\r\nFolder=" + WinePath(kept.string()) + "\r\nKeep=100\r\n");
    const std::string off = PrivateCopy(o.vellumoExe, work / "off",
                                        "[History]\r\nFolder=" + WinePath(keptOff.string()) + "\r\nKeep=0\r\n");

    // The scene's band window, as the pin figures have it.
    const PinScene scene;
    const Rect& band = scene.band;
    const pid_t plain = d.Start(o.plainwinExe, {std::to_string(band.left), std::to_string(band.top),
                                                std::to_string(band.width), std::to_string(band.height),
                                                HexRgb(scene.bandColour)});
    if (!e2e::WaitUntil([&] { return RgbAt(d, band.left + 10, band.top + 10) == scene.bandColour; },
                        milliseconds(20000))) {
        PrintFailure("history", "the band window never showed");
        d.Stop(plain);
        return false;
    }
    std::vector<Session> withHistory, without;
    for (int i = 0; i < kProcesses; ++i) {
        for (const bool historyOn : i % 2 ? std::vector{false, true} : std::vector{true, false}) {
            std::error_code ec;
            fs::remove_all(kept, ec);
            fs::remove_all(keptOff, ec);
            Session s = RunSession(d, historyOn ? on : off, historyOn ? kept : keptOff, captures);
            if (!s.why.empty()) {
                PrintFailure(std::string("history ") + (historyOn ? "on" : "off"), s.why);
                d.Stop(plain);
                return false;
            }
            (historyOn ? withHistory : without).push_back(std::move(s));
        }
    }
    d.Stop(plain);
    bool ok = true;
    const auto all = [](const std::vector<Session>& v, auto member) {
        std::vector<double> out;
        for (const Session& s : v) out.insert(out.end(), (s.*member).begin(), (s.*member).end());
        return out;
    };
    for (const auto& [name, member] : {std::pair{"copy", &Session::copyMs}, std::pair{"pin", &Session::pinMs}}) {
        const std::vector<double> a = all(withHistory, member), b = all(without, member);
        const double ms = Summarize(a).median, floorMs = Summarize(b).median;
        PrintRow(std::string(name) + " click to done, history on", Format("%.0f ms", ms), "the same, history off",
                 Format("%.0f ms", floorMs), Ratio(ms, floorMs), "<= 1.05");
        PrintNote(std::string("medians of ") + std::to_string(a.size()) + " and " + std::to_string(b.size()) +
                  "; min " + Fixed(Summarize(a).min, 0) + " and " + Fixed(Summarize(b).min, 0) + " ms" +
                  (std::string(name) == "pin" ? "; on:" + Runs(a) + "; off:" + Runs(b) : ""));
    }
    std::vector<double> bytesOn, bytesOff;
    for (const Session& s : withHistory) bytesOn.push_back(double(s.privateBytes.value_or(0)));
    for (const Session& s : without) bytesOff.push_back(double(s.privateBytes.value_or(0)));
    const double mbOn = Summarize(bytesOn).median / kMb, mbOff = Summarize(bytesOff).median / kMb;
    PrintRow("private bytes after " + std::to_string(captures) + " captures, history on", Format("%.1f MB", mbOn),
             "the same, history off", Format("%.1f MB", mbOff), Ratio(mbOn, mbOff),
             "<= +2 MB: " + Format("%+.1f", mbOn - mbOff));
    std::string each;
    for (const auto& [name, v] : {std::pair{"on", &bytesOn}, std::pair{"off", &bytesOff}}) {
        each += std::string("; ") + name + ":";
        for (const double b : *v) each += Format(" %.1f", b / kMb);
    }
    PrintNote("medians of " + std::to_string(kProcesses) + " processes each, after going idle; " +
              std::to_string(withHistory.back().files) + " captures in the history folder at the end" + each);
    int presses = 0, repeated = 0;
    for (const auto* v : {&withHistory, &without})
        for (const Session& s : *v) presses += s.presses, repeated += s.pressesRepeated;
    PrintNote("Print Screen pressed again after no capture came: " + std::to_string(repeated) + " of " +
              std::to_string(presses) + " presses");
    if (std::find(bytesOn.begin(), bytesOn.end(), 0.0) != bytesOn.end() ||
        std::find(bytesOff.begin(), bytesOff.end(), 0.0) != bytesOff.end()) {
        PrintFailure("history memory", "a process's private bytes could not be read");
        ok = false;
    }
    // With the history on the folder must hold what it keeps (Keep=100):
    // otherwise the "on" figures measured a history that wrote nothing.
    if (withHistory.back().files != std::min(captures, 100)) {
        PrintFailure("history on", "the history folder holds " + std::to_string(withHistory.back().files) +
                                       " captures, not " + std::to_string(std::min(captures, 100)));
        ok = false;
    }
    // And with it off, nothing: otherwise both measured a history.
    if (without.back().files != 0) {
        PrintFailure("history off", "the history folder holds " + std::to_string(without.back().files) + " captures");
        ok = false;
    }
    return ok;
}

}  // namespace vellumo::bench
