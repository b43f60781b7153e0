// End-to-end harness: Windows programs under Wine on a private Xvfb display,
// driven with real X input and checked by reading the screen's pixels.
//
//   e2e::Display d;                          // own Xvfb + own wineserver
//   d.SetBackground({90, 140, 60});
//   pid_t p = d.Start(e2e::WinExe("vellumo.exe"));
//   d.MovePointer(200, 150);
//   e2e::WaitUntil([&] { return d.GetPixel(10, 10) == e2e::Pixel{30, 47, 20}; }, 2000ms);
//
// Every process a Display starts ends with it. The Wine prefix is shared by
// all Displays of a process and booted once, on first use. A Display runs a
// window manager (openbox) unless it is asked for a bare X server.
//
// A Rig asks for more: two monitors (Xorg's dummy driver instead of Xvfb)
// and a Wine prefix at another DPI:
//   e2e::Display d(e2e::Rig{.twoMonitors = true});
//   d.GetPixel(d.ToX(-1000), d.ToY(10));     // a pixel of the left monitor
#pragma once
#include <sys/types.h>

#include <chrono>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

namespace e2e {

using namespace std::chrono_literals;
using Ms = std::chrono::milliseconds;

struct Pixel {
    int r = 0, g = 0, b = 0;
    friend bool operator==(const Pixel&, const Pixel&) = default;
};
std::string ToString(const Pixel& p);
// Every channel within `tolerance` of the other's.
bool Near(const Pixel& a, const Pixel& b, int tolerance = 1);

struct Image {
    int width = 0, height = 0;
    std::vector<Pixel> pixels;  // row by row
    const Pixel& at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};
// Writes an 8-bit RGB PNG; false on an I/O error.
bool WritePng(const std::string& path, const Image& image);

// Emulation makes every step slower alike: the 32-bit exe run by Wine's
// 32-bit loader under qemu-i386 (a kernel without IA-32 support) takes many
// times as long to start a process or answer a message. Every wait and
// timeout of the harness is multiplied by $VELLUMO_E2E_TIME_SCALE (default
// 1), so a test waits for the same conditions instead of being skipped.
int TimeScale();
Ms Scaled(Ms timeout);

// Polls `ready` every `interval` until it holds or `timeout` (scaled)
// passes; the last answer.
bool WaitUntil(const std::function<bool()>& ready, Ms timeout, Ms interval = 20ms);

// The repository root: $VELLUMO_REPO, else the one this harness was built from.
std::string RepoRoot();

// Which Windows the programs under test meet: the 64-bit build under wine64
// in a 64-bit prefix, or the 32-bit build under Wine's 32-bit loader in a
// 32-bit prefix (a 32-bit Windows). One for the whole process, from
// $VELLUMO_E2E_ARCH: "win32", else win64.
enum class Arch { Win64, Win32 };
Arch TestArch();
const char* ArchName(Arch arch);  // "win64", "win32": also the build folder's name

// A Windows program of the build under test: $VELLUMO_WIN_BIN/name, else
// <repo>/build/<arch>/name.
std::string WinExe(const std::string& name);
// The shared Wine prefix of the arch under test, booted on first call
// ($VELLUMO_E2E_PREFIX, else beside the native build; a 32-bit prefix's
// name ends in "-win32"). Throws when it cannot be booted, or when this
// machine cannot run 32-bit programs.
const std::string& SharedPrefix();
// The arch's prefix whose desktop runs at `dpi` (HKCU\Control Panel\Desktop
// LogPixels), made on first call beside the shared one and kept; 96 is the
// shared prefix itself.
const std::string& PrefixAtDpi(int dpi);

// Whether the display has a window manager, as a Linux desktop has
// ($VELLUMO_E2E_BARE set: none on any display).
enum class Desktop { Managed, Bare };

// One monitor as Windows numbers it: virtual-screen coordinates, right/bottom
// exclusive.
struct Monitor {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool primary = false;
    friend bool operator==(const Monitor&, const Monitor&) = default;
};
std::string ToString(const Monitor& m);
// For GoogleTest's messages.
void PrintTo(const Monitor& m, std::ostream* os);
void PrintTo(const Pixel& p, std::ostream* os);

// The two-monitor desktop: the primary 1280 x 800 at (0,0) and a 1024 x 768
// monitor to its left at (-1024,0), top edges aligned; below the left one a
// 1024 x 32 strip of the X screen belongs to no monitor. On the X side the
// screen is 2304 x 800 and X coordinates are Windows' plus 1024.
inline constexpr Monitor kRigPrimary{0, 0, 1280, 800, true};
inline constexpr Monitor kRigLeft{-1024, 0, 0, 768, false};

// What a Display is beyond its size.
struct Rig {
    bool twoMonitors = false;  // kRigPrimary and kRigLeft, on Xorg's dummy driver
    int dpi = 96;              // the Wine prefix's DPI (PrefixAtDpi)
    Desktop desktop = Desktop::Managed;
};

// One window as vprobe.exe reports it (screen coordinates, right/bottom exclusive).
struct WinInfo {
    std::string hwnd, parent, cls, title;
    int id = 0;
    bool visible = false;
    int left = 0, top = 0, right = 0, bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
};

// The desktop as a Windows program sees it (vprobe.exe monitors and dpi).
struct WinDesktop {
    int monitorCount = 0;     // SM_CMONITORS
    Monitor virtualScreen;    // SM_[XY]VIRTUALSCREEN, SM_C[XY]VIRTUALSCREEN
    std::vector<Monitor> monitors;  // EnumDisplayMonitors' order
    int logPixels = 0;        // GetDeviceCaps(LOGPIXELSX), DPI-aware
    int systemDpi = 0;        // GetDpiForSystem, DPI-aware
};

struct RunResult {
    int exitCode = -1;  // -1: killed or timed out
    std::string out;    // stdout
};

// Live processes a Display of this process started on `displayName`, with
// their descendants (Wine's helpers too): empty once that Display is gone.
std::vector<pid_t> ProcessesOf(const std::string& displayName);

// The private memory process `pid` has committed (its VmData), in bytes; 0
// when it cannot be read. With RLIMIT_DATA (prlimit) a test leaves a running
// program only so much room, as on a machine short of memory.
long long CommittedBytes(pid_t pid);

// A private X display with its own wineserver for the shared prefix.
class Display {
public:
    explicit Display(int width = 1024, int height = 768, Desktop desktop = Desktop::Managed);
    // A 1024 x 768 Xvfb screen unless the rig has two monitors.
    explicit Display(const Rig& rig);
    ~Display();
    Display(const Display&) = delete;
    Display& operator=(const Display&) = delete;

    const std::string& name() const { return name_; }  // e.g. ":41"
    int width() const { return width_; }
    int height() const { return height_; }
    bool managed() const { return wm_ > 0; }
    // The monitors Windows should see, primary first.
    const std::vector<Monitor>& monitors() const { return monitors_; }
    const std::string& prefix() const { return prefix_; }
    // X coordinates of a point in Windows' virtual-screen coordinates.
    int ToX(int winX) const { return winX - originX_; }
    int ToY(int winY) const { return winY - originY_; }

    // --- Windows programs (env: extra "NAME=value" entries, replacing defaults)
    pid_t Start(const std::string& exe, const std::vector<std::string>& args = {},
                const std::vector<std::string>& env = {});
    // Runs to completion with stdout captured; killed after `timeout`.
    RunResult Run(const std::string& exe, const std::vector<std::string>& args = {}, Ms timeout = 10s,
                  const std::vector<std::string>& env = {});
    // True once `pid` (one of ours) has exited; its exit code goes to *code.
    bool WaitExit(pid_t pid, Ms timeout, int* code = nullptr);
    bool Running(pid_t pid);
    void Stop(pid_t pid);  // SIGTERM, then SIGKILL

    // --- vprobe.exe queries
    // The top-level windows of class `cls`, each followed by its descendants.
    std::vector<WinInfo> ListWindows(const std::string& cls);
    // A window's text through WM_GETTEXT (UTF-8); empty on failure.
    std::string WindowText(const std::string& hwnd);
    bool PostToWindow(const std::string& cls, unsigned msg, unsigned long long wparam);
    // Whether key presses now reach top-level `hwnd`: the X focus is on its
    // X window, or follows the pointer (no window manager). Under a window
    // manager focus moves a round trip after a window shows.
    bool KeysReach(const std::string& hwnd);
    Pixel SysColor(int index);
    WinDesktop ProbeDesktop();
    // The screen pixel GDI reads at Windows' virtual-screen (x, y); -1s when
    // it cannot.
    Pixel WinPixel(int x, int y);
    // Where Windows has the pointer.
    bool WinCursor(int* x, int* y);

    // --- the rig's monitors
    // The left monitor switched off, as unplugging it does: the X screen is
    // then the primary alone, from (0,0), and Windows sees that one monitor.
    void RemoveLeftMonitor();

    // --- X side
    Pixel GetPixel(int x, int y);
    Image Grab(int x, int y, int w, int h);
    Image Grab() { return Grab(0, 0, width_, height_); }
    bool SaveScreenshot(const std::string& path);
    void SetBackground(const Pixel& colour);
    // The whole root window as noise no encoder can shorten much (the same
    // noise for the same seed): big files, slow encodes.
    void FillWithNoise(unsigned seed = 7);
    // Paints straight onto the root window (X coordinates), over the
    // background until something repaints it.
    void FillRect(int x, int y, int w, int h, const Pixel& colour);
    void MovePointer(int x, int y);
    void ButtonDown(int button = 1);
    void ButtonUp(int button = 1);
    void Click(int button = 1);
    // X keysyms, e.g. XK_Escape (X11/keysym.h).
    void KeyDown(unsigned long keysym);
    void KeyUp(unsigned long keysym);
    void Tap(unsigned long keysym);

private:
    void Open(const Rig& rig);
    void StartXServer(bool twoMonitors);
    void ArrangeTwoMonitors();
    void StartWindowManager();
    void Teardown();
    void StartWineserver();
    pid_t Spawn(const std::string& exe, const std::vector<std::string>& args, const std::vector<std::string>& env,
                int stdoutFd);
    void Sync();
    void WaitButton(int button, bool down);

    int width_, height_;
    std::vector<Monitor> monitors_;
    int originX_ = 0, originY_ = 0;  // Windows' coordinates of X's (0,0)
    std::string prefix_;
    std::string name_;
    std::string xorgDir_;  // the dummy-driver server's config and log
    void* x_ = nullptr;    // ::Display*
    pid_t xserver_ = -1;
    pid_t wm_ = -1;
    pid_t wineserver_ = -1;
    int lockFd_ = -1;
    std::vector<pid_t> started_;
};

}  // namespace e2e
