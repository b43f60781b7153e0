// vprobe.exe: answers the end-to-end tests' questions from the Win32 side.
//   vprobe CMD ARGS...   runs one command and exits (0 ok, 2 error)
// Commands:
//   list CLASS            every top-level window of CLASS, each followed by
//                         its descendants, one line each:
//                         W hwnd parent class id visible left top right bottom title
//                         (tab-separated, screen coordinates, right/bottom exclusive)
//   text HWND             T text      (the window's text through WM_GETTEXT)
//   post CLASS MSG WPARAM OK/ERR      (posts to the first top-level of CLASS)
//   syscolor INDEX        C r g b
//   screen                S width height
//   foreground            F hwnd class title
//   at X Y                A hwnd class title   (the window WindowFromPoint finds)
//   load DLL              L 1 when LoadLibraryW(DLL) succeeds, else L 0
// Text goes out as UTF-8.
#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

namespace {

std::string Utf8(const std::wstring& w) {
    if (w.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr, nullptr);
    return s;
}

std::wstring Wide(const std::string& s) {
    if (s.empty()) return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
    return w;
}

std::string out;  // the answer being built

void Emit(const std::string& line) {
    out += line;
    out += '\n';
}

std::string Hex(HWND h) {
    char b[32];
    std::snprintf(b, sizeof b, "%llx", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(h)));
    return b;
}

std::wstring ClassOf(HWND w) {
    wchar_t c[256] = {};
    GetClassNameW(w, c, 256);
    return c;
}

std::wstring CaptionOf(HWND w) {
    wchar_t t[512] = {};
    InternalGetWindowText(w, t, 512);
    return t;
}

void Describe(HWND w) {
    RECT r{};
    GetWindowRect(w, &r);
    char nums[160];
    std::snprintf(nums, sizeof nums, "\t%ld\t%d\t%ld\t%ld\t%ld\t%ld\t", static_cast<long>(GetDlgCtrlID(w)),
                  IsWindowVisible(w) ? 1 : 0, r.left, r.top, r.right, r.bottom);
    HWND parent = GetAncestor(w, GA_PARENT);
    if (parent == GetDesktopWindow()) parent = nullptr;
    Emit("W\t" + Hex(w) + "\t" + Hex(parent) + "\t" + Utf8(ClassOf(w)) + nums + Utf8(CaptionOf(w)));
}

BOOL CALLBACK DescribeChild(HWND w, LPARAM) {
    Describe(w);
    return TRUE;
}

struct ListArgs {
    std::wstring cls;
};

BOOL CALLBACK ListTop(HWND w, LPARAM lp) {
    auto* a = reinterpret_cast<ListArgs*>(lp);
    if (ClassOf(w) == a->cls) {
        Describe(w);
        EnumChildWindows(w, DescribeChild, 0);
    }
    return TRUE;
}

HWND ParseHwnd(const std::string& s) {
    return reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::strtoull(s.c_str(), nullptr, 16)));
}

// Runs one command; false when it is unknown or malformed.
bool Run(const std::vector<std::string>& a) {
    if (a.empty()) return false;
    const std::string& cmd = a[0];
    if (cmd == "list" && a.size() == 2) {
        ListArgs args{Wide(a[1])};
        EnumWindows(ListTop, reinterpret_cast<LPARAM>(&args));
        return true;
    }
    if (cmd == "text" && a.size() == 2) {
        HWND w = ParseHwnd(a[1]);
        if (!IsWindow(w)) return false;
        wchar_t t[1024] = {};
        DWORD_PTR got = 0;
        if (!SendMessageTimeoutW(w, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(t), SMTO_ABORTIFHUNG, 2000, &got))
            return false;
        Emit("T\t" + Utf8(std::wstring(t, got)));
        return true;
    }
    if (cmd == "post" && a.size() == 4) {
        HWND w = FindWindowW(Wide(a[1]).c_str(), nullptr);
        const UINT msg = static_cast<UINT>(std::strtoul(a[2].c_str(), nullptr, 0));
        const WPARAM wp = static_cast<WPARAM>(std::strtoull(a[3].c_str(), nullptr, 0));
        Emit(w && PostMessageW(w, msg, wp, 0) ? "OK" : "ERR");
        return true;
    }
    if (cmd == "syscolor" && a.size() == 2) {
        const COLORREF c = GetSysColor(std::atoi(a[1].c_str()));
        Emit("C\t" + std::to_string(GetRValue(c)) + "\t" + std::to_string(GetGValue(c)) + "\t" +
             std::to_string(GetBValue(c)));
        return true;
    }
    if (cmd == "screen" && a.size() == 1) {
        Emit("S\t" + std::to_string(GetSystemMetrics(SM_CXSCREEN)) + "\t" +
             std::to_string(GetSystemMetrics(SM_CYSCREEN)));
        return true;
    }
    if (cmd == "foreground" && a.size() == 1) {
        HWND w = GetForegroundWindow();
        Emit("F\t" + Hex(w) + "\t" + Utf8(w ? ClassOf(w) : L"") + "\t" + Utf8(w ? CaptionOf(w) : L""));
        return true;
    }
    if (cmd == "at" && a.size() == 3) {
        HWND w = WindowFromPoint(POINT{std::atoi(a[1].c_str()), std::atoi(a[2].c_str())});
        Emit("A\t" + Hex(w) + "\t" + Utf8(w ? ClassOf(w) : L"") + "\t" + Utf8(w ? CaptionOf(w) : L""));
        return true;
    }
    if (cmd == "load" && a.size() == 2) {
        HMODULE m = LoadLibraryW(Wide(a[1]).c_str());
        Emit(m ? "L\t1" : "L\t0");
        if (m) FreeLibrary(m);
        return true;
    }
    return false;
}

void Flush() {
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fflush(stdout);
    out.clear();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    _setmode(_fileno(stdout), _O_BINARY);  // "\n", not "\r\n"
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.push_back(Utf8(argv[i]));
    const bool ok = Run(args);
    Flush();
    return ok ? 0 : 2;
}
