// vprobe.exe: answers the end-to-end tests' questions from the Win32 side.
//   vprobe CMD ARGS...   runs one command and exits (0 ok, 2 error)
// Commands:
//   list CLASS            every top-level window of CLASS, each followed by
//                         its descendants, one line each:
//                         W hwnd parent class id visible left top right bottom title
//                         (tab-separated, screen coordinates, right/bottom exclusive)
//   text HWND             T text      (the window's text through WM_GETTEXT)
//   post CLASS MSG WPARAM OK/ERR      (posts to the first top-level of CLASS)
//   broadcast NAME        OK/ERR      (posts the registered message NAME to
//                                      every top-level window, as a shell does)
//   untray CLASS          OK/ERR      (takes away the notification-area icon
//                                      of the first top-level of CLASS, as a
//                                      restarted shell forgets it; the icon's
//                                      id is the window's property
//                                      "VellumoTrayIconId")
//   focus CLASS           K hwnd class id capture-class   (the keyboard
//                                      focus and the pointer capture in the
//                                      thread of the first top-level of CLASS)
//   iconsizes EXE         I WxBITS ...  (the width and colour depth of
//                                      each image in EXE's icon group 1, as
//                                      the loader sees them)
//   syscolor INDEX        C r g b
//   screen                S width height
//   monitors              N count (SM_CMONITORS), V left top width height
//                         (the virtual screen), then per monitor
//                         M left top right bottom primary (1 or 0)
//   dpi                   D logpixelsx system-dpi, as a DPI-aware program
//                         sees them (system-dpi 0 where GetDpiForSystem is
//                         missing)
//   pixel X Y             P r g b of the screen at X Y (virtual-screen
//                         coordinates); P -1 -1 -1 when GDI cannot read it
//   cursor                K x y    (GetCursorPos)
//   foreground            F hwnd class title
//   at X Y                A hwnd class title   (the window WindowFromPoint finds)
//   xwindow HWND          X id     (the X window Wine shows HWND in; 0 when none)
//   load DLL              L 1 when LoadLibraryW(DLL) succeeds, else L 0
//   clipboard PATH        B width height of the clipboard's CF_BITMAP, its
//                         pixels written to PATH as a binary PPM (P6);
//                         B 0 0 when the clipboard holds no bitmap
//   holdclipboard SECONDS [READY]  keeps the clipboard open for SECONDS
//                         (fractions allowed), as a busy program does;
//                         creates the file READY once it holds it
//   cliptext              U text of the clipboard's CF_UNICODETEXT; N when none
//   emptyclipboard        OK once the clipboard is emptied
//   setclipbitmap W H SECONDS READY  puts a W x H CF_BITMAP on the clipboard
//                         (pixel x, y = RGB(x % 256, y % 256, 160)), creates
//                         READY and stays running SECONDS, as the program
//                         that copied a picture does
//   setclipdib W H BITS BYTES SECONDS READY  puts a CF_DIB on the clipboard
//                         whose header claims W x H (H < 0: top-down) at
//                         BITS per pixel, BYTES long in all (0: as long as
//                         the header claims; fewer: a lying header), pixels
//                         as setclipbitmap's where there is room (else
//                         zero); READY and SECONDS as above
//   faketray SECONDS READY  stands in front of the shell's taskbar window
//                         (a top-level "Shell_TrayWnd" above the real one)
//                         and refuses every icon for SECONDS, as a shell
//                         still starting does; READY once it stands
//   lock PATH SECONDS [READY]      keeps PATH open with no sharing for SECONDS
//   checked HWND          C state     (a button's BM_GETCHECK)
//   menu HWND             M text flags, one line per item of the popup menu
//                         window HWND (flags: g greyed, s separator, p
//                         submenu), read inside its process by vmenuhook.dll
//   tips HWND             T text, one line per tool of the tooltip window
//                         HWND (as a tray icon's tip), read the same way
//   jpeg QUALITY PATH     J status: a 64x64 gradient saved by this system's
//                         GDI+ as a JPEG of QUALITY (a reference for what a
//                         given quality looks like here)
// Text goes out as UTF-8.
#include <windows.h>
#include <shellapi.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

#include "tests/e2e/win/Utf8_win.h"

namespace {

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
    // A window destroyed while it is read (its children, say, while the
    // program takes its overlay down) answers with no class, no parent and
    // whatever style it last had: it would pass for a visible top-level
    // window. Only a window still there once read is told.
    const std::wstring cls = ClassOf(w);
    RECT r{};
    GetWindowRect(w, &r);
    char nums[160];
    std::snprintf(nums, sizeof nums, "\t%ld\t%d\t%ld\t%ld\t%ld\t%ld\t", static_cast<long>(GetDlgCtrlID(w)),
                  IsWindowVisible(w) ? 1 : 0, r.left, r.top, r.right, r.bottom);
    HWND parent = GetAncestor(w, GA_PARENT);
    if (parent == GetDesktopWindow()) parent = nullptr;
    const std::wstring caption = CaptionOf(w);
    if (cls.empty() || !IsWindow(w)) return;
    Emit("W\t" + Hex(w) + "\t" + Hex(parent) + "\t" + Utf8(cls) + nums + Utf8(caption));
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

// Creates the (empty) file `path`, so a waiting test knows we got this far.
void Signal(const std::string& path) {
    HANDLE f =
        CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
}

DWORD Millis(const std::string& seconds) { return static_cast<DWORD>(std::strtod(seconds.c_str(), nullptr) * 1000); }

// The previous owner may still be closing it: a second of patience.
bool OpenClipboardSoon() {
    for (int i = 0; i < 40; ++i) {
        if (OpenClipboard(nullptr)) return true;
        Sleep(25);
    }
    return false;
}

// A W x H picture of known pixels on the clipboard as CF_BITMAP; the
// program stays for `ms` so the clipboard's owner is alive meanwhile.
bool SetClipboardPattern(int w, int h, DWORD ms, const std::string& ready) {
    if (w <= 0 || h <= 0) return false;
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
    HDC dc = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    if (!bitmap || !dc) return false;
    std::vector<DWORD> bits(std::size_t(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) bits[std::size_t(y) * w + x] = DWORD((x % 256) << 16 | (y % 256) << 8 | 160);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    SetDIBits(dc, bitmap, 0, h, bits.data(), &bi, DIB_RGB_COLORS);
    DeleteDC(dc);
    if (!OpenClipboardSoon()) return false;
    EmptyClipboard();
    const bool set = SetClipboardData(CF_BITMAP, bitmap) != nullptr;
    CloseClipboard();
    if (!set) return false;
    Signal(ready);
    Sleep(ms);
    return true;
}

LRESULT CALLBACK RefuseIcons(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_COPYDATA) return FALSE;  // the icon is not taken
    return DefWindowProcW(w, msg, wp, lp);
}

bool RefuseTrayIcons(DWORD ms, const std::string& ready) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = RefuseIcons;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"Shell_TrayWnd";
    if (!RegisterClassW(&wc)) return false;
    // Topmost, so the shell's own window comes after it in a search by class.
    HWND w = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, wc.lpszClassName, L"", WS_POPUP, 0, 0, 1, 1, nullptr,
                             nullptr, wc.hInstance, nullptr);
    if (!w || FindWindowW(L"Shell_TrayWnd", nullptr) != w) return false;
    Signal(ready);
    const ULONGLONG end = GetTickCount64() + ms;
    while (GetTickCount64() < end) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
    DestroyWindow(w);
    return true;
}

// A CF_DIB exactly as given, whatever its header claims.
bool SetClipboardDib(int w, int h, int bits, unsigned long long bytes, DWORD ms, const std::string& ready) {
    const unsigned long long stride = (static_cast<unsigned long long>(w < 0 ? 0 : w) * bits + 31) / 32 * 4;
    const unsigned long long rows = static_cast<unsigned long long>(h < 0 ? -static_cast<long long>(h) : h);
    const unsigned long long palette = bits <= 8 ? (1ull << bits) * sizeof(RGBQUAD) : 0;
    const unsigned long long whole = sizeof(BITMAPINFOHEADER) + palette + stride * rows;
    if (bytes == 0) bytes = whole;
    if (bytes < sizeof(BITMAPINFOHEADER) || bytes != static_cast<SIZE_T>(bytes)) return false;
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, static_cast<SIZE_T>(bytes));
    if (!mem) return false;
    auto* p = static_cast<BYTE*>(GlobalLock(mem));
    auto* bi = reinterpret_cast<BITMAPINFOHEADER*>(p);
    bi->biSize = sizeof(BITMAPINFOHEADER);
    bi->biWidth = w;
    bi->biHeight = h;
    bi->biPlanes = 1;
    bi->biBitCount = static_cast<WORD>(bits);
    bi->biCompression = BI_RGB;
    if (palette && bytes >= sizeof(BITMAPINFOHEADER) + palette) {  // grey ramp, black to white
        auto* colours = reinterpret_cast<RGBQUAD*>(p + sizeof(BITMAPINFOHEADER));
        const int n = 1 << bits;
        for (int i = 0; i < n; ++i) {
            const BYTE v = static_cast<BYTE>(n > 1 ? i * 255 / (n - 1) : 0);
            colours[i] = {v, v, v, 0};
        }
    }
    if (bits == 32 && bytes == whole && rows * w <= 4096 * 4096) {
        auto* px = reinterpret_cast<DWORD*>(p + sizeof(BITMAPINFOHEADER));
        for (unsigned long long y = 0; y < rows; ++y)
            for (int x = 0; x < w; ++x) {
                const unsigned long long row = h < 0 ? y : rows - 1 - y;  // bottom-up: last row first
                px[row * w + x] = DWORD((x % 256) << 16 | (y % 256) << 8 | 160);
            }
    }
    GlobalUnlock(mem);
    if (!OpenClipboardSoon()) return false;
    EmptyClipboard();
    const bool set = SetClipboardData(CF_DIB, mem) != nullptr;
    CloseClipboard();
    if (!set) return false;
    Signal(ready);
    Sleep(ms);
    return true;
}

// The clipboard's CF_BITMAP as a PPM file at `path`.
bool DumpClipboardBitmap(const std::string& path) {
    if (!OpenClipboardSoon()) return false;
    bool ok = false;
    auto* bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
    BITMAP info{};
    if (!bitmap || !GetObjectW(bitmap, sizeof info, &info)) {
        Emit("B\t0\t0");
        ok = true;
    } else {
        const int w = info.bmWidth, h = info.bmHeight;
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = -h;  // top-down
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        std::vector<unsigned char> bgra(static_cast<std::size_t>(w) * h * 4);
        HDC screen = GetDC(nullptr);
        const int rows = GetDIBits(screen, bitmap, 0, static_cast<UINT>(h), bgra.data(), &bi, DIB_RGB_COLORS);
        ReleaseDC(nullptr, screen);
        std::string ppm = "P6\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n";
        for (std::size_t i = 0; i < bgra.size(); i += 4) {
            ppm += static_cast<char>(bgra[i + 2]);
            ppm += static_cast<char>(bgra[i + 1]);
            ppm += static_cast<char>(bgra[i]);
        }
        HANDLE f = CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                               nullptr);
        DWORD written = 0;
        if (rows == h && f != INVALID_HANDLE_VALUE &&
            WriteFile(f, ppm.data(), static_cast<DWORD>(ppm.size()), &written, nullptr) && written == ppm.size()) {
            Emit("B\t" + std::to_string(w) + "\t" + std::to_string(h));
            ok = true;
        }
        if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
    }
    CloseClipboard();
    return ok;
}

// GDI+'s flat API, loaded on demand so the other commands stay light.
bool SaveReferenceJpeg(ULONG quality, const std::string& path) {
    struct StartupInput {
        UINT32 version = 1;
        void* callback = nullptr;
        BOOL noThread = FALSE, noCodecs = FALSE;
    };
    struct EncoderParameter {
        GUID guid;
        ULONG count, type;
        void* value;
    };
    struct EncoderParameters {
        UINT count;
        EncoderParameter parameter[1];
    };
    using Startup = int(WINAPI*)(ULONG_PTR*, const StartupInput*, void*);
    using Shutdown = void(WINAPI*)(ULONG_PTR);
    using FromScan0 = int(WINAPI*)(INT, INT, INT, INT, BYTE*, void**);
    using Save = int(WINAPI*)(void*, const WCHAR*, const CLSID*, const EncoderParameters*);
    using Dispose = int(WINAPI*)(void*);
    HMODULE gp = LoadLibraryW(L"gdiplus.dll");
    if (!gp) return false;
    auto startup = reinterpret_cast<Startup>(reinterpret_cast<void*>(GetProcAddress(gp, "GdiplusStartup")));
    auto shutdown = reinterpret_cast<Shutdown>(reinterpret_cast<void*>(GetProcAddress(gp, "GdiplusShutdown")));
    auto fromScan0 =
        reinterpret_cast<FromScan0>(reinterpret_cast<void*>(GetProcAddress(gp, "GdipCreateBitmapFromScan0")));
    auto save = reinterpret_cast<Save>(reinterpret_cast<void*>(GetProcAddress(gp, "GdipSaveImageToFile")));
    auto dispose = reinterpret_cast<Dispose>(reinterpret_cast<void*>(GetProcAddress(gp, "GdipDisposeImage")));
    if (!startup || !shutdown || !fromScan0 || !save || !dispose) return false;
    ULONG_PTR token = 0;
    StartupInput in;
    if (startup(&token, &in, nullptr) != 0) return false;
    std::vector<DWORD> px(64 * 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            px[y * 64 + x] = static_cast<DWORD>((x * 4) << 16 | (y * 4) << 8 | ((x + y) * 7 & 255));
    void* image = nullptr;
    int status = fromScan0(64, 64, 64 * 4, 0x00022009 /* PixelFormat32bppRGB */, reinterpret_cast<BYTE*>(px.data()),
                           &image);
    if (status == 0) {
        const CLSID jpeg{0x557CF401, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
        EncoderParameters params{1, {{{0x1D5BE4B5, 0xFA4A, 0x452D, {0x9C, 0xDD, 0x5D, 0xB3, 0x51, 0x05, 0xE7, 0xEB}},
                                      1, 4 /* long */, &quality}}};
        status = save(image, Wide(path).c_str(), &jpeg, &params);
        dispose(image);
    }
    shutdown(token);
    Emit("J\t" + std::to_string(status));
    return true;
}

BOOL CALLBACK DescribeMonitor(HMONITOR m, HDC, LPRECT, LPARAM) {
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    if (!GetMonitorInfoW(m, &mi)) return TRUE;
    const RECT& r = mi.rcMonitor;
    Emit("M\t" + std::to_string(r.left) + "\t" + std::to_string(r.top) + "\t" + std::to_string(r.right) + "\t" +
         std::to_string(r.bottom) + "\t" + ((mi.dwFlags & MONITORINFOF_PRIMARY) ? "1" : "0"));
    return TRUE;
}

template <typename Fn>
Fn User32Proc(const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

// A DPI-unaware program is told 96 whatever the desktop's DPI: ask as the
// per-monitor-aware program under test does, or as a system-aware one where
// the per-monitor kind is unknown.
void BecomeDpiAware() {
    using SetContext = BOOL(WINAPI*)(HANDLE);
    if (auto set = User32Proc<SetContext>("SetProcessDpiAwarenessContext"))
        if (set(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4))))  // PER_MONITOR_AWARE_V2
            return;
    SetProcessDPIAware();
}

// What window `w` holds, read by vmenuhook.dll's hook inside the thread that
// shows it on `request` ("VellumoReadMenu", "VellumoReadTips"); each line
// given out after `tag`.
bool ReadInside(HWND w, const wchar_t* request, const char* tag) {
    const DWORD thread = GetWindowThreadProcessId(w, nullptr);
    if (!thread) return false;
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring dll = self;
    dll = dll.substr(0, dll.find_last_of(L"\\/") + 1) + L"vmenuhook.dll";
    HMODULE lib = LoadLibraryW(dll.c_str());
    const auto proc = lib ? reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(lib, "MenuHookProc")))
                          : nullptr;
    if (!proc) return false;
    constexpr DWORD kBytes = 16384 * sizeof(wchar_t);
    HANDLE map = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kBytes, L"VellumoMenuText");
    auto* view = map ? static_cast<wchar_t*>(MapViewOfFile(map, FILE_MAP_ALL_ACCESS, 0, 0, 0)) : nullptr;
    if (!view) return false;
    view[0] = L'\0';
    HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, proc, lib, thread);
    DWORD_PTR answer = 0;
    const bool sent =
        hook && SendMessageTimeoutW(w, RegisterWindowMessageW(request), 0, 0, SMTO_ABORTIFHUNG, 3000, &answer);
    if (hook) UnhookWindowsHookEx(hook);
    const std::wstring text = view;
    UnmapViewOfFile(view);
    CloseHandle(map);
    if (!sent || text.empty()) return false;
    std::size_t at = 0;
    for (std::size_t nl; (nl = text.find(L'\n', at)) != std::wstring::npos; at = nl + 1)
        Emit(std::string(tag) + "\t" + Utf8(text.substr(at, nl - at)));
    return true;
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
    if (cmd == "broadcast" && a.size() == 2) {
        const UINT msg = RegisterWindowMessageW(Wide(a[1]).c_str());
        Emit(msg && PostMessageW(HWND_BROADCAST, msg, 0, 0) ? "OK" : "ERR");
        return true;
    }
    if (cmd == "untray" && a.size() == 2) {
        HWND w = FindWindowW(Wide(a[1]).c_str(), nullptr);
        NOTIFYICONDATAW data{};
        data.cbSize = sizeof data;
        data.hWnd = w;
        data.uID = static_cast<UINT>(reinterpret_cast<UINT_PTR>(w ? GetPropW(w, L"VellumoTrayIconId") : nullptr));
        Emit(!w ? "ERR no window" : !data.uID ? "ERR no icon id" : Shell_NotifyIconW(NIM_DELETE, &data) ? "OK" : "ERR refused");
        return true;
    }
    if (cmd == "focus" && a.size() == 2) {
        HWND w = FindWindowW(Wide(a[1]).c_str(), nullptr);
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        if (!w || !GetGUIThreadInfo(GetWindowThreadProcessId(w, nullptr), &info)) return false;
        Emit("K\t" + Hex(info.hwndFocus) + "\t" + Utf8(ClassOf(info.hwndFocus)) + "\t" +
             std::to_string(GetDlgCtrlID(info.hwndFocus)) + "\t" +
             (info.hwndCapture ? Utf8(ClassOf(info.hwndCapture)) : std::string("-")));
        return true;
    }
    if (cmd == "iconsizes" && a.size() == 2) {
        HMODULE exe = LoadLibraryExW(Wide(a[1]).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        HRSRC group = exe ? FindResourceW(exe, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(14)) : nullptr;  // RT_GROUP_ICON
        const auto* dir = group ? static_cast<const unsigned char*>(LockResource(LoadResource(exe, group))) : nullptr;
        if (!dir) return false;
        // GRPICONDIR: reserved, type, count; then 14-byte entries, width first.
        const unsigned count = dir[4] | (dir[5] << 8);
        std::string line = "I";
        for (unsigned i = 0; i < count && 6 + 14 * (i + 1) <= SizeofResource(exe, group); ++i) {
            const unsigned w = dir[6 + 14 * i];
            const unsigned bits = dir[6 + 14 * i + 6] | (dir[6 + 14 * i + 7] << 8);
            line += "\t" + std::to_string(w ? w : 256) + "x" + std::to_string(bits);
        }
        Emit(line);
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
    if (cmd == "monitors" && a.size() == 1) {
        Emit("N\t" + std::to_string(GetSystemMetrics(SM_CMONITORS)));
        Emit("V\t" + std::to_string(GetSystemMetrics(SM_XVIRTUALSCREEN)) + "\t" +
             std::to_string(GetSystemMetrics(SM_YVIRTUALSCREEN)) + "\t" +
             std::to_string(GetSystemMetrics(SM_CXVIRTUALSCREEN)) + "\t" +
             std::to_string(GetSystemMetrics(SM_CYVIRTUALSCREEN)));
        return EnumDisplayMonitors(nullptr, nullptr, DescribeMonitor, 0) != FALSE;
    }
    if (cmd == "dpi" && a.size() == 1) {
        BecomeDpiAware();
        HDC screen = GetDC(nullptr);
        const int logPixels = GetDeviceCaps(screen, LOGPIXELSX);
        ReleaseDC(nullptr, screen);
        using GetSystemDpi = UINT(WINAPI*)();
        const auto system = User32Proc<GetSystemDpi>("GetDpiForSystem");
        Emit("D\t" + std::to_string(logPixels) + "\t" + std::to_string(system ? system() : 0));
        return true;
    }
    if (cmd == "pixel" && a.size() == 3) {
        HDC screen = GetDC(nullptr);
        const COLORREF c = GetPixel(screen, std::atoi(a[1].c_str()), std::atoi(a[2].c_str()));
        ReleaseDC(nullptr, screen);
        if (c == CLR_INVALID) Emit("P\t-1\t-1\t-1");
        else Emit("P\t" + std::to_string(GetRValue(c)) + "\t" + std::to_string(GetGValue(c)) + "\t" +
                  std::to_string(GetBValue(c)));
        return true;
    }
    if (cmd == "cursor" && a.size() == 1) {
        POINT p{};
        if (!GetCursorPos(&p)) return false;
        Emit("K\t" + std::to_string(p.x) + "\t" + std::to_string(p.y));
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
    if (cmd == "xwindow" && a.size() == 2) {
        // Wine's X11 driver names each top-level's X window in this property.
        const auto x = reinterpret_cast<UINT_PTR>(GetPropW(ParseHwnd(a[1]), L"__wine_x11_whole_window"));
        char b[32];
        std::snprintf(b, sizeof b, "X\t%llx", static_cast<unsigned long long>(x));
        Emit(b);
        return true;
    }
    if (cmd == "load" && a.size() == 2) {
        HMODULE m = LoadLibraryW(Wide(a[1]).c_str());
        Emit(m ? "L\t1" : "L\t0");
        if (m) FreeLibrary(m);
        return true;
    }
    if (cmd == "clipboard" && a.size() == 2) return DumpClipboardBitmap(a[1]);
    if (cmd == "jpeg" && a.size() == 3) return SaveReferenceJpeg(std::strtoul(a[1].c_str(), nullptr, 10), a[2]);
    if (cmd == "holdclipboard" && (a.size() == 2 || a.size() == 3)) {
        if (!OpenClipboardSoon()) return false;
        if (a.size() == 3) Signal(a[2]);
        Sleep(Millis(a[1]));
        CloseClipboard();
        return true;
    }
    if (cmd == "cliptext" && a.size() == 1) {
        if (!OpenClipboardSoon()) return false;
        HANDLE data = GetClipboardData(CF_UNICODETEXT);
        const auto* text = static_cast<const wchar_t*>(data ? GlobalLock(data) : nullptr);
        Emit(text ? "U\t" + Utf8(text) : "N");
        if (text) GlobalUnlock(data);
        CloseClipboard();
        return true;
    }
    if (cmd == "emptyclipboard" && a.size() == 1) {
        if (!OpenClipboardSoon()) return false;
        const bool emptied = EmptyClipboard();
        CloseClipboard();
        Emit(emptied ? "OK" : "ERR");
        return emptied;
    }
    if (cmd == "setclipbitmap" && a.size() == 5)
        return SetClipboardPattern(std::atoi(a[1].c_str()), std::atoi(a[2].c_str()), Millis(a[3]), a[4]);
    if (cmd == "faketray" && a.size() == 3) return RefuseTrayIcons(Millis(a[1]), a[2]);
    if (cmd == "setclipdib" && a.size() == 7)
        return SetClipboardDib(std::atoi(a[1].c_str()), std::atoi(a[2].c_str()), std::atoi(a[3].c_str()),
                               std::strtoull(a[4].c_str(), nullptr, 10), Millis(a[5]), a[6]);
    if (cmd == "checked" && a.size() == 2) {
        HWND w = ParseHwnd(a[1]);
        if (!IsWindow(w)) return false;
        Emit("C\t" + std::to_string(SendMessageW(w, BM_GETCHECK, 0, 0)));
        return true;
    }
    if (cmd == "menu" && a.size() == 2) return ReadInside(ParseHwnd(a[1]), L"VellumoReadMenu", "M");
    if (cmd == "tips" && a.size() == 2) return ReadInside(ParseHwnd(a[1]), L"VellumoReadTips", "T");
    if (cmd == "lock" && (a.size() == 3 || a.size() == 4)) {
        HANDLE f = CreateFileW(Wide(a[1]).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                               nullptr);
        if (f == INVALID_HANDLE_VALUE) return false;
        if (a.size() == 4) Signal(a[3]);
        Sleep(Millis(a[2]));
        CloseHandle(f);
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
