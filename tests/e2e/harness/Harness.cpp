#include "tests/e2e/harness/Harness.h"

#include <X11/Xlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <mutex>
#include <ostream>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace e2e {

namespace fs = std::filesystem;

namespace {

// Debian's loaders: wine64 for 64-bit programs, wine (from wine32:i386) for
// 32-bit ones. One wineserver serves either.
constexpr const char* kWine64Loader = "/usr/lib/wine/wine64";
constexpr const char* kWine32Loader = "/usr/lib/wine/wine";
constexpr int kFirstDisplay = 40;
constexpr int kDisplayCount = 30;  // :40 .. :69
constexpr const char* kTagVar = "VELLUMO_E2E_TAG";

using Clock = std::chrono::steady_clock;

void SleepMs(int ms) { std::this_thread::sleep_for(Ms(ms)); }

std::string Env(const char* name, const std::string& fallback = {}) {
    const char* v = std::getenv(name);
    return (v && *v) ? std::string(v) : fallback;
}

bool Verbose() { return !Env("E2E_VERBOSE").empty(); }

const char* Loader(Arch arch) { return arch == Arch::Win32 ? kWine32Loader : kWine64Loader; }

std::string WineserverPath() {
    return access("/usr/lib/wine/wineserver64", X_OK) == 0 ? "/usr/lib/wine/wineserver64" : "/usr/bin/wineserver";
}

// Exited children, so a second wait for the same pid still answers.
std::map<pid_t, int>& Reaped() {
    static std::map<pid_t, int> m;
    return m;
}

// True once `pid` (a child of ours) has ended; exit code or -1 when signalled.
bool Reap(pid_t pid, bool block, int* code = nullptr) {
    auto it = Reaped().find(pid);
    if (it != Reaped().end()) {
        if (code) *code = it->second;
        return true;
    }
    int status = 0;
    const pid_t r = waitpid(pid, &status, block ? 0 : WNOHANG);
    if (r == 0) return false;
    const int c = (r == pid && WIFEXITED(status)) ? WEXITSTATUS(status) : -1;
    Reaped()[pid] = c;
    if (code) *code = c;
    return true;
}

bool ReapWithin(pid_t pid, Ms timeout, int* code = nullptr) {
    const auto end = Clock::now() + Scaled(timeout);
    while (!Reap(pid, false, code)) {
        if (Clock::now() >= end) return false;
        SleepMs(5);
    }
    return true;
}

// Ends a child of ours: SIGTERM, then SIGKILL after `grace`.
void EndChild(pid_t pid, Ms grace) {
    if (pid <= 0 || Reap(pid, false)) return;
    kill(pid, SIGTERM);
    if (ReapWithin(pid, grace)) return;
    kill(pid, SIGKILL);
    Reap(pid, true);
}

// Environment for a child: ours with `overrides` ("NAME=value") replacing or
// adding entries, and "NAME" alone removing one.
std::vector<std::string> MakeEnv(const std::vector<std::string>& overrides) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) env.emplace_back(*e);
    for (const auto& o : overrides) {
        const auto eq = o.find('=');
        const std::string key = o.substr(0, eq == std::string::npos ? o.size() : eq) + "=";
        std::erase_if(env, [&](const std::string& s) { return s.compare(0, key.size(), key) == 0; });
        if (eq != std::string::npos) env.push_back(o);
    }
    return env;
}

// fork + exec; stdout to `stdoutFd` (or /dev/null when -1). The child dies
// with us, so a crashed test leaves no display behind.
pid_t SpawnRaw(const std::vector<std::string>& argv, const std::vector<std::string>& env, int stdoutFd) {
    std::vector<char*> av, ev;
    for (const auto& a : argv) av.push_back(const_cast<char*>(a.c_str()));
    av.push_back(nullptr);
    for (const auto& e : env) ev.push_back(const_cast<char*>(e.c_str()));
    ev.push_back(nullptr);
    const bool verbose = Verbose();
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) _exit(127);
        const int null = open("/dev/null", O_RDWR);
        dup2(null, 0);
        dup2(stdoutFd >= 0 ? stdoutFd : null, 1);
        if (!verbose) dup2(null, 2);
        for (int fd = 3; fd < 1024; ++fd) close(fd);
        execve(av[0], av.data(), ev.data());
        _exit(127);
    }
    Reaped().erase(pid);  // a reused pid is a new process
    return pid;
}

// Processes (not zombies) whose environment holds `entry` ("NAME=value").
std::vector<pid_t> ProcessesWithEnv(const std::string& entry) {
    std::vector<pid_t> out;
    DIR* d = opendir("/proc");
    if (!d) return out;
    while (dirent* e = readdir(d)) {
        char* end = nullptr;
        const long pid = std::strtol(e->d_name, &end, 10);
        if (*end || pid <= 0 || pid == getpid()) continue;
        const std::string base = std::string("/proc/") + e->d_name;
        std::ifstream env(base + "/environ", std::ios::binary);
        if (!env) continue;
        std::string all((std::istreambuf_iterator<char>(env)), std::istreambuf_iterator<char>());
        std::size_t pos = 0;
        bool found = false;
        while (pos < all.size()) {
            const std::size_t z = all.find('\0', pos);
            const std::size_t len = (z == std::string::npos ? all.size() : z) - pos;
            if (all.compare(pos, len, entry) == 0) {
                found = true;
                break;
            }
            pos += len + 1;
        }
        if (!found) continue;
        std::ifstream stat(base + "/stat");
        std::string statLine;
        std::getline(stat, statLine);
        const auto paren = statLine.rfind(')');
        if (paren != std::string::npos && paren + 2 < statLine.size() && statLine[paren + 2] == 'Z') continue;
        out.push_back(static_cast<pid_t>(pid));
    }
    closedir(d);
    return out;
}

// Wine helpers of Displays whose process died without its destructors (a
// crash, a kill): every process tagged with a dead owner's pid is ended.
void SweepOrphans() {
    const std::string prefix = std::string(kTagVar) + "=";
    DIR* d = opendir("/proc");
    if (!d) return;
    while (dirent* e = readdir(d)) {
        char* end = nullptr;
        const long pid = std::strtol(e->d_name, &end, 10);
        if (*end || pid <= 0) continue;
        std::ifstream env(std::string("/proc/") + e->d_name + "/environ", std::ios::binary);
        std::string entry;
        while (std::getline(env, entry, '\0')) {
            if (entry.compare(0, prefix.size(), prefix) != 0) continue;
            const auto dash = entry.rfind('-');
            const long owner = dash == std::string::npos ? 0 : std::strtol(entry.c_str() + dash + 1, nullptr, 10);
            if (owner > 0 && kill(static_cast<pid_t>(owner), 0) != 0 && errno == ESRCH)
                kill(static_cast<pid_t>(pid), SIGKILL);
            break;
        }
    }
    closedir(d);
}

// Holds an exclusive lock on `path`, waiting for other holders (another
// test binary or the benchmark using the same prefix).
int LockFile(const std::string& path, Ms timeout) {
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) throw std::runtime_error("cannot open lock " + path);
    const auto end = Clock::now() + Scaled(timeout);
    while (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (Clock::now() >= end) {
            close(fd);
            throw std::runtime_error("timed out waiting for " + path);
        }
        SleepMs(50);
    }
    return fd;
}

void Unlock(int fd) {
    if (fd < 0) return;
    flock(fd, LOCK_UN);
    close(fd);
}

std::string BaseEnvPrefix(const std::string& prefix) { return "WINEPREFIX=" + prefix; }

std::vector<std::string> WineEnv(const std::string& prefix) {
    return {BaseEnvPrefix(prefix), "WINEDEBUG=" + Env("E2E_WINEDEBUG", "-all"),
            "WINEDLLOVERRIDES=mscoree,mshtml=;winemenubuilder.exe=d", std::string("WINEARCH=") + ArchName(TestArch())};
}

bool PrefixBooted(const std::string& p) {
    return fs::exists(p + "/.e2e-booted") && fs::exists(p + "/system.reg") &&
           fs::exists(p + "/drive_c/windows/system32/kernel32.dll");
}

// Runs a Wine program in prefix `p` with no display and waits for its
// wineserver to save the registry; the program's exit code, -1 on a timeout.
int RunInPrefix(const std::string& p, const std::vector<std::string>& args, Ms timeout) {
    auto env = WineEnv(p);
    env.push_back("DISPLAY");
    const auto envp = MakeEnv(env);
    std::vector<std::string> argv{Loader(TestArch())};
    argv.insert(argv.end(), args.begin(), args.end());
    const pid_t child = SpawnRaw(argv, envp, -1);
    int code = -1;
    if (!ReapWithin(child, timeout, &code)) {
        kill(child, SIGKILL);
        Reap(child, true);
        code = -1;
    }
    // The server the program started saves the registry when it ends by itself.
    const pid_t wait = SpawnRaw({WineserverPath(), "-w"}, envp, -1);
    if (!ReapWithin(wait, 60s)) {
        const pid_t k = SpawnRaw({WineserverPath(), "-k"}, envp, -1);
        Reap(k, true);
        EndChild(wait, 2s);
    }
    return code;
}

void BootPrefix(const std::string& p, int dpi) {
    if (fs::exists(p)) {
        // Only a half-made prefix is thrown away, never some other folder.
        const bool looksLikePrefix = fs::is_empty(p) || fs::exists(p + "/drive_c") || fs::exists(p + "/system.reg");
        if (!looksLikePrefix) throw std::runtime_error(p + " exists and is not a Wine prefix");
        fs::remove_all(p);
    }
    fs::create_directories(fs::path(p).parent_path());
    const int code = RunInPrefix(p, {"wineboot", "-i"}, 180s);
    if (code != 0 || !fs::exists(p + "/system.reg")) throw std::runtime_error("wineboot failed in " + p);
    // Wine takes the desktop's DPI from here, as Windows once did.
    if (dpi != 96 && RunInPrefix(p,
                                 {"reg", "add", "HKCU\\Control Panel\\Desktop", "/v", "LogPixels", "/t", "REG_DWORD",
                                  "/d", std::to_string(dpi), "/f"},
                                 60s) != 0)
        throw std::runtime_error("cannot set LogPixels in " + p);
    std::ofstream(p + "/.e2e-booted") << "ok\n";
}

// Where a running wineserver for `prefix` listens.
std::string ServerSocket(const std::string& prefix) {
    struct stat st {};
    if (stat(prefix.c_str(), &st) != 0) return {};
    char leaf[96];
    std::snprintf(leaf, sizeof leaf, "server-%llx-%llx", static_cast<unsigned long long>(st.st_dev),
                  static_cast<unsigned long long>(st.st_ino));
    std::string dir = "/tmp/.wine-" + std::to_string(getuid());
    // Debian's Wine names its temporary folder in the prefix's "wineserver" file.
    std::ifstream named(prefix + "/wineserver");
    std::string tmpName;
    if (named && std::getline(named, tmpName) && !tmpName.empty()) dir = "/tmp/" + tmpName;
    return dir + "/" + leaf + "/socket";
}

bool SocketAnswers(const std::string& path) {
    const int s = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (s < 0) return false;
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    std::strncpy(a.sun_path, path.c_str(), sizeof a.sun_path - 1);
    const bool ok = connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    close(s);
    return ok;
}

int IgnoreXErrors(::Display*, XErrorEvent*) { return 0; }

// The last lines of a log, for an error message; empty when there is none.
std::string Tail(const std::string& path, std::size_t lines = 8) {
    std::ifstream in(path);
    std::vector<std::string> last;
    for (std::string line; std::getline(in, line);) {
        last.push_back(line);
        if (last.size() > lines) last.erase(last.begin());
    }
    std::string out;
    for (const auto& l : last) out += "\n  " + l;
    return out;
}

::Display* X(void* p) { return static_cast<::Display*>(p); }

}  // namespace

std::string ToString(const Monitor& m) {
    char b[96];
    std::snprintf(b, sizeof b, "(%d,%d)-(%d,%d)%s", m.left, m.top, m.right, m.bottom, m.primary ? " primary" : "");
    return b;
}

void PrintTo(const Monitor& m, std::ostream* os) { *os << ToString(m); }
void PrintTo(const Pixel& p, std::ostream* os) { *os << ToString(p); }

std::string ToString(const Pixel& p) {
    char b[48];
    std::snprintf(b, sizeof b, "(%d,%d,%d)", p.r, p.g, p.b);
    return b;
}

bool Near(const Pixel& a, const Pixel& b, int tolerance) {
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance && std::abs(a.b - b.b) <= tolerance;
}

int TimeScale() {
    static const int scale = [] {
        const int s = std::atoi(Env("VELLUMO_E2E_TIME_SCALE", "1").c_str());
        return s >= 1 ? s : 1;
    }();
    return scale;
}

Ms Scaled(Ms timeout) { return timeout * TimeScale(); }

bool WaitUntil(const std::function<bool()>& ready, Ms timeout, Ms interval) {
    const auto end = Clock::now() + Scaled(timeout);
    for (;;) {
        if (ready()) return true;
        if (Clock::now() >= end) return false;
        std::this_thread::sleep_for(interval);
    }
}

std::string RepoRoot() {
#ifdef VELLUMO_E2E_REPO_ROOT
    return Env("VELLUMO_REPO", VELLUMO_E2E_REPO_ROOT);
#else
    return Env("VELLUMO_REPO", fs::current_path().string());
#endif
}

Arch TestArch() {
    static const Arch arch = Env("VELLUMO_E2E_ARCH") == "win32" ? Arch::Win32 : Arch::Win64;
    return arch;
}

const char* ArchName(Arch arch) { return arch == Arch::Win32 ? "win32" : "win64"; }

std::string WinExe(const std::string& name) {
    return Env("VELLUMO_WIN_BIN", RepoRoot() + "/build/" + ArchName(TestArch())) + "/" + name;
}

namespace {

// Wine's 32-bit loader is an i386 Linux program: the kernel runs it natively
// when it has IA-32 support, and qemu-i386 does where scripts/setup.sh
// registered it for i386 programs. Where neither does, say so plainly.
void CheckCanRun32Bit() {
    if (access(kWine32Loader, X_OK) != 0)
        throw std::runtime_error(std::string(kWine32Loader) + " is missing: install wine32:i386 (scripts/setup.sh)");
    const pid_t v = SpawnRaw({kWine32Loader, "--version"}, MakeEnv({}), -1);
    int code = -1;
    if (!ReapWithin(v, 10s, &code)) EndChild(v, 1s);
    if (code != 0)
        throw std::runtime_error("this machine cannot run 32-bit programs (no IA-32 support in the kernel and no "
                                 "qemu-i386 registered for them; see scripts/setup.sh), so the 32-bit exe cannot "
                                 "be tested here");
}

}  // namespace

const std::string& PrefixAtDpi(int dpi) {
    static std::mutex mutex;
    static std::map<int, std::string> prefixes;
    const std::lock_guard<std::mutex> hold(mutex);
    auto known = prefixes.find(dpi);
    if (known != prefixes.end()) return known->second;
#ifdef VELLUMO_E2E_DEFAULT_PREFIX
    std::string p = Env("VELLUMO_E2E_PREFIX", VELLUMO_E2E_DEFAULT_PREFIX);
#else
    std::string p = Env("VELLUMO_E2E_PREFIX", Env("TMPDIR", "/tmp") + "/e2e-wineprefix-" + std::to_string(getuid()));
#endif
    if (dpi != 96) p += "-dpi" + std::to_string(dpi);
    if (TestArch() == Arch::Win32) {
        CheckCanRun32Bit();
        p += "-win32";
    }
    p = fs::absolute(p).lexically_normal().string();
    if (!p.empty() && p.back() == '/') p.pop_back();
    fs::create_directories(fs::path(p).parent_path());
    const int lock = LockFile(p + ".lock", 300s);
    try {
        if (!PrefixBooted(p)) BootPrefix(p, dpi);
    } catch (...) {
        Unlock(lock);
        throw;
    }
    Unlock(lock);
    return prefixes.emplace(dpi, p).first->second;
}

const std::string& SharedPrefix() { return PrefixAtDpi(96); }

// ---------------------------------------------------------------- Display

Display::Display(int width, int height, Desktop desktop) : width_(width), height_(height) {
    Open(Rig{.desktop = desktop});
}

Display::Display(const Rig& rig) : width_(1024), height_(768) { Open(rig); }

void Display::Open(const Rig& rig) {
    // A closed output pipe (`| head`) must not kill us past our destructors.
    std::signal(SIGPIPE, SIG_IGN);
    SweepOrphans();
    if (rig.twoMonitors) {
        width_ = kRigPrimary.right - kRigLeft.left;
        height_ = std::max(kRigPrimary.bottom, kRigLeft.bottom);
        monitors_ = {kRigPrimary, kRigLeft};
        originX_ = kRigLeft.left;
    } else {
        monitors_ = {Monitor{0, 0, width_, height_, true}};
    }
    prefix_ = PrefixAtDpi(rig.dpi);
    // One wineserver per prefix at a time: displays of other processes wait.
    lockFd_ = LockFile(prefix_ + ".lock", 300s);
    // What an earlier test's copy kept in the user's profile (its capture
    // history, the Floaters that outlive it) would come back in this one:
    // each test starts as a fresh install.
    std::error_code ec;
    for (const auto& user : fs::directory_iterator(fs::path(prefix_) / "drive_c" / "users", ec))
        fs::remove_all(user.path() / "AppData" / "Local" / "Vellumo", ec);
    try {
        StartXServer(rig.twoMonitors);
        if (rig.twoMonitors) ArrangeTwoMonitors();
        if (rig.desktop == Desktop::Managed && Env("VELLUMO_E2E_BARE").empty()) StartWindowManager();
        StartWineserver();
    } catch (...) {
        Teardown();
        throw;
    }
}

// Xvfb has one screen and no RandR outputs to speak of; two monitors take
// the real server with Debian's dummy video driver, whose outputs xrandr
// arranges like a desktop's. Run as root (as the tests are), Xorg takes the
// config, the config folder and the log from where we say, so parallel runs
// touch nothing in /etc or /var/log.
void Display::StartXServer(bool twoMonitors) {
    const int first = kFirstDisplay + static_cast<int>(getpid() % kDisplayCount);
    std::string lastLog;  // why the last Xorg did not start, for the error
    for (int i = 0; i < kDisplayCount; ++i) {
        const int n = kFirstDisplay + (first - kFirstDisplay + i) % kDisplayCount;
        const std::string num = std::to_string(n);
        if (fs::exists("/tmp/.X" + num + "-lock") || fs::exists("/tmp/.X11-unix/X" + num)) continue;
        name_ = ":" + num;
        const std::string tag = std::string(kTagVar) + "=" + name_ + "-" + std::to_string(getpid());
        std::vector<std::string> argv;
        if (twoMonitors) {
            xorgDir_ = Env("TMPDIR", "/tmp") + "/vellumo-xorg-" + num + "-" + std::to_string(getpid());
            fs::remove_all(xorgDir_);
            fs::create_directories(xorgDir_ + "/conf.d");
            argv = {"/usr/bin/Xorg", name_, "-config", RepoRoot() + "/tests/e2e/harness/xorg-dummy.conf",
                    "-configdir", xorgDir_ + "/conf.d", "-logfile", xorgDir_ + "/Xorg.log", "-noreset",
                    "-nolisten", "tcp"};
        } else {
            argv = {"/usr/bin/Xvfb", name_, "-screen", "0",
                    std::to_string(width_) + "x" + std::to_string(height_) + "x24", "-nolisten", "tcp", "-noreset"};
        }
        xserver_ = SpawnRaw(argv, MakeEnv({tag}), -1);
        // Ready when it takes connections; gone when the number was taken.
        ::Display* dpy = nullptr;
        WaitUntil(
            [&] {
                if (Reap(xserver_, false)) return true;
                std::ifstream lock("/tmp/.X" + num + "-lock");
                pid_t owner = 0;
                if (!(lock >> owner) || owner != xserver_) return false;
                dpy = XOpenDisplay(name_.c_str());
                return dpy != nullptr;
            },
            10s, 10ms);
        if (!dpy) {
            EndChild(xserver_, 2s);
            xserver_ = -1;
            if (!xorgDir_.empty()) {
                lastLog = Tail(xorgDir_ + "/Xorg.log");
                fs::remove_all(xorgDir_);
                xorgDir_.clear();
            }
            continue;
        }
        x_ = dpy;
        XSetErrorHandler(IgnoreXErrors);
        XChangePointerControl(dpy, True, True, 1, 1, 0);  // no acceleration: relative moves are exact
        int ev, er, maj, min;
        if (!XTestQueryExtension(dpy, &ev, &er, &maj, &min)) throw std::runtime_error(argv[0] + " lacks XTEST");
        return;
    }
    throw std::runtime_error("no X server would start in :40..:69" + lastLog);
}

// The dummy driver starts with one output; xrandr gives the second a mode and
// places both in one call, the way a desktop's settings do. The plain query
// after it makes the server probe its outputs: until then Wine may find a
// single monitor.
void Display::ArrangeTwoMonitors() {
    const auto xrandr = [&](const std::vector<std::string>& args) {
        std::vector<std::string> argv{"/usr/bin/xrandr"};
        argv.insert(argv.end(), args.begin(), args.end());
        const pid_t p = SpawnRaw(argv, MakeEnv({"DISPLAY=" + name_}), -1);
        int code = -1;
        if (!ReapWithin(p, 10s, &code)) EndChild(p, 1s);
        if (code != 0) throw std::runtime_error("xrandr " + args.front() + " failed on " + name_);
    };
    const auto mode = [](const Monitor& m) {
        return std::to_string(m.right - m.left) + "x" + std::to_string(m.bottom - m.top);
    };
    const auto pos = [&](const Monitor& m) { return std::to_string(ToX(m.left)) + "x" + std::to_string(ToY(m.top)); };
    xrandr({"--addmode", "DUMMY1", mode(kRigLeft)});
    xrandr({"--fb", std::to_string(width_) + "x" + std::to_string(height_), "--output", "DUMMY0", "--mode",
            mode(kRigPrimary), "--pos", pos(kRigPrimary), "--primary", "--output", "DUMMY1", "--mode",
            mode(kRigLeft), "--pos", pos(kRigLeft)});
    xrandr({"--query"});
    ::Display* d = X(x_);
    Window root;
    int x, y;
    unsigned w = 0, h = 0, border, depth;
    XGetGeometry(d, DefaultRootWindow(d), &root, &x, &y, &w, &h, &border, &depth);
    if (static_cast<int>(w) != width_ || static_cast<int>(h) != height_)
        throw std::runtime_error("xrandr left the screen at " + std::to_string(w) + "x" + std::to_string(h));
}

void Display::RemoveLeftMonitor() {
    if (monitors_.size() < 2) throw std::runtime_error("RemoveLeftMonitor needs the two-monitor rig");
    for (const std::vector<std::string>& args : {std::vector<std::string>{"--fb", std::to_string(kRigPrimary.right) + "x" + std::to_string(kRigPrimary.bottom),
                          "--output", "DUMMY1", "--off", "--output", "DUMMY0", "--pos", "0x0"},
                                                 std::vector<std::string>{"--query"}}) {
        std::vector<std::string> argv{"/usr/bin/xrandr"};
        argv.insert(argv.end(), args.begin(), args.end());
        const pid_t p = SpawnRaw(argv, MakeEnv({"DISPLAY=" + name_}), -1);
        int code = -1;
        if (!ReapWithin(p, 10s, &code)) EndChild(p, 1s);
        if (code != 0) throw std::runtime_error("xrandr " + args.front() + " failed on " + name_);
    }
    monitors_ = {kRigPrimary};
    width_ = kRigPrimary.right;
    height_ = kRigPrimary.bottom;
    originX_ = originY_ = 0;
}

// Openbox: small, EWMH-compliant (Wine asks the manager for full-screen and
// waits for it to confirm a window's withdrawal), and it runs alone without
// a session. Its settings come from the harness: click to focus as
// shipped, but no key bindings, so Print Screen and Alt combinations reach
// the programs under test as on a desktop without a screenshot tool.
void Display::StartWindowManager() {
    const std::string config = RepoRoot() + "/tests/e2e/harness/openbox.xml";
    if (!fs::exists(config)) throw std::runtime_error(config + " is missing");
    const std::string tag = std::string(kTagVar) + "=" + name_ + "-" + std::to_string(getpid());
    wm_ = SpawnRaw({"/usr/bin/openbox", "--sm-disable", "--config-file", config},
                   MakeEnv({"DISPLAY=" + name_, tag}), -1);
    // Managing once it names itself on the root window (EWMH's check window).
    ::Display* d = X(x_);
    const Atom check = XInternAtom(d, "_NET_SUPPORTING_WM_CHECK", False);
    const auto wmWindow = [&](Window w) -> Window {
        Atom type = None;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        Window found = None;
        if (XGetWindowProperty(d, w, check, 0, 1, False, XA_WINDOW, &type, &format, &count, &after, &data) ==
                Success &&
            type == XA_WINDOW && format == 32 && count == 1)
            found = *reinterpret_cast<Window*>(data);
        if (data) XFree(data);
        return found;
    };
    const bool up = WaitUntil(
        [&] {
            if (Reap(wm_, false)) return true;
            const Window w = wmWindow(DefaultRootWindow(d));
            return w != None && wmWindow(w) == w;
        },
        10s, 10ms);
    if (!up || Reap(wm_, false)) throw std::runtime_error("openbox did not start on " + name_);
}

void Display::StartWineserver() {
    const std::string& prefix = prefix_;
    const std::string sock = ServerSocket(prefix);
    if (fs::exists(sock)) {
        if (SocketAnswers(sock)) throw std::runtime_error("another wineserver already serves " + prefix);
        fs::remove(sock);  // left by a killed server
    }
    auto env = WineEnv(prefix);
    env.push_back("DISPLAY=" + name_);
    env.push_back(std::string(kTagVar) + "=" + name_ + "-" + std::to_string(getpid()));
    wineserver_ = SpawnRaw({WineserverPath(), "-f", "-p"}, MakeEnv(env), -1);
    const bool up = WaitUntil(
        [&] { return Reap(wineserver_, false) || (fs::exists(ServerSocket(prefix)) && SocketAnswers(ServerSocket(prefix))); },
        10s, 5ms);
    if (!up || Reap(wineserver_, false)) throw std::runtime_error("wineserver did not start for " + prefix);
}

Display::~Display() { Teardown(); }

void Display::Teardown() {
    const std::string tag = name_.empty() ? "" : std::string(kTagVar) + "=" + name_ + "-" + std::to_string(getpid());
    for (pid_t p : started_) EndChild(p, 2s);
    started_.clear();
    // Wine's helpers (explorer, services, ...) outlive the server: end them by pid.
    auto helpers = [&] {
        auto all = tag.empty() ? std::vector<pid_t>{} : ProcessesWithEnv(tag);
        std::erase_if(all, [&](pid_t p) { return p == wineserver_ || p == xserver_ || p == wm_; });
        return all;
    };
    for (pid_t p : helpers()) kill(p, SIGKILL);
    WaitUntil([&] { return helpers().empty(); }, 3s, 10ms);
    if (wineserver_ > 0) EndChild(wineserver_, 3s);
    if (wm_ > 0) EndChild(wm_, 3s);
    if (x_) XCloseDisplay(X(x_));
    x_ = nullptr;
    if (xserver_ > 0) EndChild(xserver_, 3s);
    for (pid_t p : helpers()) kill(p, SIGKILL);
    wineserver_ = xserver_ = wm_ = -1;
    if (!xorgDir_.empty()) {
        std::error_code ignored;  // a leftover log in /tmp is no failure
        fs::remove_all(xorgDir_, ignored);
        xorgDir_.clear();
    }
    Unlock(lockFd_);
    lockFd_ = -1;
}

std::vector<pid_t> ProcessesOf(const std::string& displayName) {
    return ProcessesWithEnv(std::string(kTagVar) + "=" + displayName + "-" + std::to_string(getpid()));
}

long long CommittedBytes(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmData:", 0) == 0) return std::strtoll(line.c_str() + 7, nullptr, 10) << 10;
    return 0;
}

pid_t Display::Spawn(const std::string& exe, const std::vector<std::string>& args, const std::vector<std::string>& env,
                     int stdoutFd) {
    std::vector<std::string> argv{Loader(TestArch()), exe};
    argv.insert(argv.end(), args.begin(), args.end());
    auto e = WineEnv(prefix_);
    e.push_back("DISPLAY=" + name_);
    e.push_back(std::string(kTagVar) + "=" + name_ + "-" + std::to_string(getpid()));
    e.insert(e.end(), env.begin(), env.end());
    const pid_t pid = SpawnRaw(argv, MakeEnv(e), stdoutFd);
    started_.push_back(pid);
    return pid;
}

pid_t Display::Start(const std::string& exe, const std::vector<std::string>& args, const std::vector<std::string>& env) {
    return Spawn(exe, args, env, -1);
}

RunResult Display::Run(const std::string& exe, const std::vector<std::string>& args, Ms timeout,
                       const std::vector<std::string>& env) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    const pid_t pid = Spawn(exe, args, env, fds[1]);
    close(fds[1]);
    fcntl(fds[0], F_SETFL, O_NONBLOCK);
    RunResult r;
    auto drain = [&] {
        char buf[4096];
        ssize_t n;
        while ((n = read(fds[0], buf, sizeof buf)) > 0) r.out.append(buf, static_cast<std::size_t>(n));
    };
    // Wine's helpers may inherit the pipe, so the end is the exit, not EOF.
    const auto end = Clock::now() + Scaled(timeout);
    int code = -1;
    bool done = false;
    while (!(done = Reap(pid, false, &code)) && Clock::now() < end) {
        pollfd p{fds[0], POLLIN, 0};
        poll(&p, 1, 5);
        drain();
    }
    if (!done) {
        kill(pid, SIGKILL);
        Reap(pid, true);
        code = -1;
    }
    drain();
    close(fds[0]);
    std::erase(started_, pid);
    r.exitCode = code;
    return r;
}

bool Display::WaitExit(pid_t pid, Ms timeout, int* code) { return ReapWithin(pid, timeout, code); }

bool Display::Running(pid_t pid) { return !Reap(pid, false); }

void Display::Stop(pid_t pid) {
    EndChild(pid, 2s);
    std::erase(started_, pid);
}

// ---------------------------------------------------------------- probe

std::vector<WinInfo> Display::ListWindows(const std::string& cls) {
    std::vector<WinInfo> out;
    // A probe that did not finish (killed at its timeout on a loaded machine,
    // or Wine failing to start it) says nothing about the windows: ask again
    // rather than report an empty desktop.
    RunResult r;
    for (int attempt = 1; attempt <= 3; ++attempt) {
        r = Run(WinExe("vprobe.exe"), {"list", cls});
        if (r.exitCode == 0) break;
        std::fprintf(stderr, "vprobe list %s: exit %d (attempt %d)\n", cls.c_str(), r.exitCode, attempt);
    }
    std::istringstream in(r.out);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::vector<std::string> f;
        std::size_t pos = 0;
        for (int i = 0; i < 11; ++i) {
            const std::size_t tab = line.find('\t', pos);
            f.push_back(line.substr(pos, i == 10 || tab == std::string::npos ? std::string::npos : tab - pos));
            if (tab == std::string::npos) break;
            pos = tab + 1;
        }
        if (f.size() < 10 || f[0] != "W") continue;
        WinInfo w;
        w.hwnd = f[1];
        w.parent = f[2];
        w.cls = f[3];
        w.id = std::atoi(f[4].c_str());
        w.visible = f[5] == "1";
        w.left = std::atoi(f[6].c_str());
        w.top = std::atoi(f[7].c_str());
        w.right = std::atoi(f[8].c_str());
        w.bottom = std::atoi(f[9].c_str());
        if (f.size() > 10) w.title = f[10];
        out.push_back(std::move(w));
    }
    return out;
}

std::string Display::WindowText(const std::string& hwnd) {
    const RunResult r = Run(WinExe("vprobe.exe"), {"text", hwnd});
    if (r.exitCode != 0 || r.out.rfind("T\t", 0) != 0) return {};
    std::string t = r.out.substr(2);
    while (!t.empty() && (t.back() == '\n' || t.back() == '\r')) t.pop_back();
    return t;
}

bool Display::PostToWindow(const std::string& cls, unsigned msg, unsigned long long wparam) {
    const RunResult r = Run(WinExe("vprobe.exe"), {"post", cls, std::to_string(msg), std::to_string(wparam)});
    if (r.out.rfind("OK", 0) == 0) return true;
    std::fprintf(stderr, "post %u to %s: exit %d, said \"%s\"\n", msg, cls.c_str(), r.exitCode, r.out.c_str());
    return false;
}

bool Display::KeysReach(const std::string& hwnd) {
    Window focus = None;
    int revert = 0;
    XGetInputFocus(X(x_), &focus, &revert);
    if (focus == PointerRoot) return true;
    const RunResult r = Run(WinExe("vprobe.exe"), {"xwindow", hwnd});
    unsigned long long xwin = 0;
    return std::sscanf(r.out.c_str(), "X\t%llx", &xwin) == 1 && xwin != 0 && xwin == focus;
}

Pixel Display::SysColor(int index) {
    const RunResult r = Run(WinExe("vprobe.exe"), {"syscolor", std::to_string(index)});
    Pixel p{-1, -1, -1};
    std::sscanf(r.out.c_str(), "C\t%d\t%d\t%d", &p.r, &p.g, &p.b);
    return p;
}

WinDesktop Display::ProbeDesktop() {
    WinDesktop desk;
    std::istringstream in(Run(WinExe("vprobe.exe"), {"monitors"}).out + Run(WinExe("vprobe.exe"), {"dpi"}).out);
    for (std::string line; std::getline(in, line);) {
        Monitor m;
        int primary = 0, w = 0, h = 0;
        if (std::sscanf(line.c_str(), "N\t%d", &desk.monitorCount) == 1) continue;
        if (std::sscanf(line.c_str(), "V\t%d\t%d\t%d\t%d", &m.left, &m.top, &w, &h) == 4) {
            desk.virtualScreen = {m.left, m.top, m.left + w, m.top + h, false};
        } else if (std::sscanf(line.c_str(), "M\t%d\t%d\t%d\t%d\t%d", &m.left, &m.top, &m.right, &m.bottom,
                               &primary) == 5) {
            m.primary = primary != 0;
            desk.monitors.push_back(m);
        } else {
            std::sscanf(line.c_str(), "D\t%d\t%d", &desk.logPixels, &desk.systemDpi);
        }
    }
    return desk;
}

Pixel Display::WinPixel(int x, int y) {
    const RunResult r = Run(WinExe("vprobe.exe"), {"pixel", std::to_string(x), std::to_string(y)});
    Pixel p{-1, -1, -1};
    std::sscanf(r.out.c_str(), "P\t%d\t%d\t%d", &p.r, &p.g, &p.b);
    return p;
}

bool Display::WinCursor(int* x, int* y) {
    const RunResult r = Run(WinExe("vprobe.exe"), {"cursor"});
    return std::sscanf(r.out.c_str(), "K\t%d\t%d", x, y) == 2;
}

// ---------------------------------------------------------------- X side

Image Display::Grab(int x, int y, int w, int h) {
    Image img;
    const int l = std::max(0, x), t = std::max(0, y);
    const int r = std::min(width_, x + w), b = std::min(height_, y + h);
    if (r <= l || b <= t) return img;
    ::Display* d = X(x_);
    XImage* xi = XGetImage(d, DefaultRootWindow(d), l, t, static_cast<unsigned>(r - l), static_cast<unsigned>(b - t),
                           AllPlanes, ZPixmap);
    if (!xi) return img;
    img.width = r - l;
    img.height = b - t;
    img.pixels.resize(static_cast<std::size_t>(img.width) * img.height);
    const bool fast = xi->bits_per_pixel == 32 && xi->byte_order == LSBFirst && xi->red_mask == 0xff0000 &&
                      xi->green_mask == 0xff00 && xi->blue_mask == 0xff;
    for (int yy = 0; yy < img.height; ++yy) {
        for (int xx = 0; xx < img.width; ++xx) {
            unsigned long v;
            if (fast) {
                std::uint32_t u;
                std::memcpy(&u, xi->data + yy * xi->bytes_per_line + xx * 4, 4);
                v = u;
            } else {
                v = XGetPixel(xi, xx, yy);
            }
            img.pixels[static_cast<std::size_t>(yy) * img.width + xx] = {
                static_cast<int>((v >> 16) & 255), static_cast<int>((v >> 8) & 255), static_cast<int>(v & 255)};
        }
    }
    XDestroyImage(xi);
    return img;
}

Pixel Display::GetPixel(int x, int y) {
    const Image img = Grab(x, y, 1, 1);
    return img.pixels.empty() ? Pixel{-1, -1, -1} : img.pixels[0];
}

bool Display::SaveScreenshot(const std::string& path) { return WritePng(path, Grab()); }

void Display::SetBackground(const Pixel& c) {
    ::Display* d = X(x_);
    const Window root = DefaultRootWindow(d);
    XSetWindowBackground(d, root, (static_cast<unsigned long>(c.r) << 16) | (c.g << 8) | c.b);
    XClearWindow(d, root);
    Sync();
}

void Display::FillWithNoise(unsigned seed) {
    ::Display* d = X(x_);
    const Window root = DefaultRootWindow(d);
    const int depth = DefaultDepth(d, DefaultScreen(d));
    const Pixmap pm = XCreatePixmap(d, root, static_cast<unsigned>(width_), static_cast<unsigned>(height_),
                                    static_cast<unsigned>(depth));
    const GC gc = XCreateGC(d, pm, 0, nullptr);
    std::mt19937 rng(seed);
    constexpr int kBand = 60;
    std::vector<std::uint32_t> band(std::size_t(width_) * kBand);
    for (int y = 0; y < height_; y += kBand) {
        for (auto& p : band) p = rng() & 0xFFFFFFu;
        XImage* img = XCreateImage(d, DefaultVisual(d, DefaultScreen(d)), static_cast<unsigned>(depth), ZPixmap, 0,
                                   reinterpret_cast<char*>(band.data()), static_cast<unsigned>(width_), kBand, 32, 0);
        XPutImage(d, pm, gc, img, 0, 0, 0, y, static_cast<unsigned>(width_), kBand);
        img->data = nullptr;  // ours, not Xlib's to free
        XDestroyImage(img);
    }
    XSetWindowBackgroundPixmap(d, root, pm);
    XClearWindow(d, root);
    XFreeGC(d, gc);
    XFreePixmap(d, pm);
    Sync();
}

void Display::FillRect(int x, int y, int w, int h, const Pixel& c) {
    ::Display* d = X(x_);
    const Window root = DefaultRootWindow(d);
    GC gc = XCreateGC(d, root, 0, nullptr);
    XSetForeground(d, gc, (static_cast<unsigned long>(c.r) << 16) | (c.g << 8) | c.b);
    XFillRectangle(d, root, gc, x, y, static_cast<unsigned>(w), static_cast<unsigned>(h));
    XFreeGC(d, gc);
    Sync();
}

void Display::Sync() { XSync(X(x_), False); }

// Relative, like a real mouse: once Wine clips the pointer to a full-screen
// window it also reads XInput2 raw motion, and takes an absolute XTest move's
// raw values for a delta, which injects stray WM_MOUSEMOVEs far off.
void Display::MovePointer(int x, int y) {
    ::Display* d = X(x_);
    Window root, child;
    int rx = 0, ry = 0, wx, wy;
    unsigned mask;
    XQueryPointer(d, DefaultRootWindow(d), &root, &child, &rx, &ry, &wx, &wy, &mask);
    XTestFakeRelativeMotionEvent(d, x - rx, y - ry, CurrentTime);
    Sync();
}

void Display::ButtonDown(int button) {
    XTestFakeButtonEvent(X(x_), static_cast<unsigned>(button), True, CurrentTime);
    WaitButton(button, true);
}

void Display::ButtonUp(int button) {
    XTestFakeButtonEvent(X(x_), static_cast<unsigned>(button), False, CurrentTime);
    WaitButton(button, false);
}

// A window manager's click-to-focus grab freezes the pointer until it replays
// the press to the window; keys and relative moves sent meanwhile would
// overtake the click (and a move would start from the old position). The
// server shows the new button state once the press or release went through.
void Display::WaitButton(int button, bool down) {
    ::Display* d = X(x_);
    const unsigned bit = button >= 1 && button <= 5 ? Button1Mask << (button - 1) : 0;
    WaitUntil(
        [&] {
            Window root, child;
            int rx, ry, wx, wy;
            unsigned mask = 0;
            XQueryPointer(d, DefaultRootWindow(d), &root, &child, &rx, &ry, &wx, &wy, &mask);
            return ((mask & bit) != 0) == down;
        },
        2s, 1ms);
}

void Display::Click(int button) {
    ButtonDown(button);
    ButtonUp(button);
}

void Display::KeyDown(unsigned long keysym) {
    XTestFakeKeyEvent(X(x_), XKeysymToKeycode(X(x_), keysym), True, CurrentTime);
    Sync();
}

void Display::KeyUp(unsigned long keysym) {
    XTestFakeKeyEvent(X(x_), XKeysymToKeycode(X(x_), keysym), False, CurrentTime);
    Sync();
}

void Display::Tap(unsigned long keysym) {
    KeyDown(keysym);
    KeyUp(keysym);
}

}  // namespace e2e
