// The Floaters' memory, in the process that pinned. Beyond its pins the
// Floaters come by dropping 1920 x 1080 pictures on the drop icon, quicker
// than a capture each, which makes the same kind of Floater (one DIB section
// each). Private bytes are read from Linux after every Floater
// and after deleting them all through the Floater menu. Two pictures with
// differently coloured corners alternate, so the corner tells which Floater
// is on top without asking the program.
#include <chrono>
#include <filesystem>
#include <optional>
#include <thread>

#include "bench/OutputBench.h"
#include "bench/ProcMemory.h"
#include "bench/Report.h"
#include "bench/Stats.h"
#include "tests/e2e/harness/XDrop.h"

namespace vellumo::bench {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
namespace fs = std::filesystem;

constexpr double kMb = 1e6;
constexpr long long kImageBytes = 1920LL * 1080 * 4;

void Sleep(int ms) { std::this_thread::sleep_for(milliseconds(ms)); }

// Floaters by drop, and their deletion through the Floater menu.
class FloaterDriver {
public:
    FloaterDriver(e2e::Display& d, const PinScene& s) : d_(d), x_(d.name()), f_(s.floater()), band_(s.band) {}

    bool Ready(std::string& why) {
        if (!x_.ok()) return why = "cannot open the X display for drops", false;
        for (const e2e::WinInfo& w : d_.ListWindows("VellumoHoverdeck"))
            if (w.cls == "VellumoGetimg") icon_ = Point{w.left + w.width() / 2, w.top + w.height() / 2};
        if (!icon_) why = "no drop icon on the Floater host";
        return icon_.has_value();
    }

    Point Marker() const { return {f_.left + 50, f_.top + 50}; }
    std::uint32_t MarkerColour() { return RgbAt(d_, Marker().x, Marker().y); }

    // A click on another program's window, as the press that starts a drag in
    // a file manager takes the focus. While the full-screen host is the
    // foreground window (as after its menu) Wine lays an input-only window
    // over the screen to hold the pointer, and a drop finds no target under it.
    void FocusElsewhere() {
        d_.MovePointer(band_.left + 100, band_.top + 100);
        Sleep(30);
        d_.Click();
        Sleep(100);
    }

    // Drops the file; true once the marker shows `expect` (the new Floater).
    bool Drop(const std::string& path, std::uint32_t expect) {
        if (!x_.Drop(icon_->x, icon_->y, "file://" + path)) return false;
        return e2e::WaitUntil([&] { return MarkerColour() == expect; }, milliseconds(10000), milliseconds(2));
    }

    // The Floater's menu: "Delete", "Lowest", then the entries of its work.
    static constexpr int kFloaterMenuEntries = 13;
    // Delete from the top Floater's menu; true once the marker shows `expect`.
    bool DeleteTop(std::uint32_t expect) {
        const Point at{f_.left + f_.width / 2, f_.top + f_.height / 2};
        d_.MovePointer(at.x, at.y);
        Sleep(30);
        d_.Click(3);
        const std::optional<Point> item = WaitForMenuItem(0, kFloaterMenuEntries);  // "Delete"
        if (!item) return false;
        d_.MovePointer(item->x, item->y);
        Sleep(30);
        d_.Click();
        return e2e::WaitUntil([&] { return MarkerColour() == expect; }, milliseconds(5000), milliseconds(2));
    }

    // "Quit" from the drop icon's menu.
    bool Quit() {
        d_.MovePointer(icon_->x, icon_->y);
        Sleep(50);
        d_.Click(3);
        const std::optional<Point> item = WaitForMenuItem(1, 2);
        if (!item) return false;
        d_.MovePointer(item->x, item->y);
        Sleep(50);
        d_.Click();
        return true;
    }

    int Pictures() {
        int n = 0;
        for (const e2e::WinInfo& w : d_.ListWindows("VellumoHoverdeck")) n += w.cls == "VellumoPicture1";
        return n;
    }

private:
    // The centre of item `index` of the popup menu, once it shows.
    std::optional<Point> WaitForMenuItem(int index, int count) {
        std::optional<e2e::WinInfo> m;
        e2e::WaitUntil(
            [&] {
                for (const e2e::WinInfo& w : d_.ListWindows("#32768"))
                    if (w.visible) m = w;
                return m.has_value();
            },
            milliseconds(3000), milliseconds(20));
        if (!m) return std::nullopt;
        const int item = (m->height() - 6) / count;
        Sleep(50);  // listed is not yet clickable: the menu may still be mapping
        return Point{m->left + 30, m->top + 3 + item * index + item / 2};
    }

    e2e::Display& d_;
    e2e::XDropSource x_;
    Rect f_;
    Rect band_;
    std::optional<Point> icon_;
};

std::string Mb(double bytes) { return Format("%.2f MB", bytes / kMb); }

}  // namespace

// The memory figures in the process that pinned. False when one failed.
bool FloaterMemory(e2e::Display& d, const PinOptions& o, const PinScene& s, pid_t pid, int pinned) {
    const std::string dropA = o.workDir + "/drop-red.bmp", dropB = o.workDir + "/drop-blue.bmp";
    constexpr std::uint32_t kRed = 0xFF0000, kBlue = 0x0000FF;
    const std::string ppm = o.workDir + "/screen.ppm";
    const std::string source = fs::exists(ppm) ? ppm : "gradient:";
    for (const auto& [path, colour] : {std::pair{dropA, "#FF0000"}, std::pair{dropB, "#0000FF"}}) {
        const Command c = RunCommand({"convert", "-size", "1920x1080", source, "-fill", colour, "-draw",
                                      "rectangle 0,0 99,99", "-type", "TrueColor", "BMP3:" + path});
        if (c.exitCode != 0) {
            PrintFailure("Floater memory", "convert could not make " + path);
            return false;
        }
    }
    FloaterDriver f(d, s);
    std::string why;
    Sleep(2000);  // the pin's frame flash (3 x 500 ms) ends
    if (!f.Ready(why)) {
        PrintFailure("Floater memory", why);
        return false;
    }
    const std::uint32_t pinnedTop = f.MarkerColour();
    const auto mem = [&] { return double(PrivateBytes(pid).value_or(0)); };
    const double afterPin = mem();

    // One drop and delete first: the first use of the picture loader and the
    // menu loads code and caches that every later Floater shares.
    if (!f.Drop(dropA, kRed) || !f.DeleteTop(pinnedTop)) {
        PrintFailure("Floater memory", "the warm-up drop and delete failed");
        return false;
    }
    f.FocusElsewhere();
    Sleep(1000);
    const double base = mem();

    std::vector<double> steps, dropMs;
    double last = base;
    int made = 0;
    for (; made < o.floaters; ++made) {
        const auto t0 = Clock::now();
        if (!f.Drop(made % 2 ? dropB : dropA, made % 2 ? kBlue : kRed)) break;
        dropMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
        const double now = mem();
        steps.push_back(now - last);
        last = now;
    }
    if (made < o.floaters) {
        PrintFailure("Floater memory", "drop " + std::to_string(made + 1) + " made no Floater");
        return false;
    }
    Sleep(500);
    const double full = mem();
    const int pictures = f.Pictures();
    int deleted = 0;
    for (; deleted < made; ++deleted) {
        const int below = made - deleted - 2;  // index of the Floater that shows next
        if (!f.DeleteTop(below < 0 ? pinnedTop : below % 2 ? kBlue : kRed)) break;
    }
    Sleep(1500);  // deleted elements are freed by the message loop
    const double after = mem();
    const int left = f.Pictures();

    const double perFloater = (full - base) / made;
    const Summary st = Summarize(steps);
    PrintRow("pin: private bytes per 1920x1080 Floater", Mb(perFloater), "the image's own bytes",
             Mb(double(kImageBytes)), Ratio(perFloater, double(kImageBytes)), "<= image + 256 KB");
    PrintNote(std::to_string(made) + " Floaters added by drops (quicker than a capture each); " +
              "per Floater: (after all - before) / count = the image + " +
              Fixed((perFloater - double(kImageBytes)) / 1024.0, 1) + " KB; each step " + Mb(st.min) + " .. " + Mb(st.max) +
              ", median " + Mb(st.median));
    PrintNote("private bytes (Private_Dirty of " + ProcessName(pid) + "): after the pin " + Mb(afterPin) +
              ", before the drops " + Mb(base) + ", with " + std::to_string(pictures) + " Floaters " + Mb(full) +
              ", after deleting " + std::to_string(deleted) + " " + Mb(after));
    PrintNote("drop to Floater on screen: median " + Fixed(Summarize(dropMs).median, 0) + " ms, max " +
              Fixed(Summarize(dropMs).max, 0) + " ms" +
              "; GDI object counts: none (GetGuiResources is a stub under Wine)");
    bool ok = deleted == made && left == pinned;
    if (!ok) {
        PrintFailure("pin: memory after deleting",
                     "deleted " + std::to_string(deleted) + " of " + std::to_string(made) + " Floaters, " +
                         std::to_string(left) + " pictures left");
    } else {
        PrintRow("pin: memory after deleting them all", Format("%+.2f MB", (after - base) / kMb),
                 "memory before the drops", Mb(base), Ratio(after, base), "within +-1 MB");
    }
    // "Quit" closes the host. The pin loaded the settings window, which keeps
    // the process resident; its close request then ends it.
    const bool hostGone = f.Quit() && e2e::WaitUntil([&] { return d.ListWindows("VellumoHoverdeck").empty(); },
                                                     milliseconds(5000), milliseconds(50));
    const bool resident = d.Running(pid) && !d.ListWindows("VellumoSett").empty();
    PrintNote(!hostGone  ? "\"Quit\" on the drop icon's menu did not close the Floater host within 5 s"
              : resident ? "\"Quit\" on the drop icon's menu closed the Floater host; the process stays resident"
                         : "\"Quit\" on the drop icon's menu closed the Floater host and ended the process");
    constexpr unsigned kWmClose = 0x0010;
    if (d.Running(pid) && !(d.PostToWindow("VellumoSett", kWmClose, 0) && d.WaitExit(pid, milliseconds(5000))))
        d.Stop(pid);
    return ok && hostGone;
}

}  // namespace vellumo::bench
