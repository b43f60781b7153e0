// vhotkey.exe: hosts the hotkey control in a window for the end-to-end tests.
//   vhotkey [--class CLS] [--ini NAME] [--set TEXT KEY MOD] [--enable]
//           [--look BACK FORE BORDERSTYLE APPEARANCE TIP] [--disabled]
// (--look sets the control's colours, as OLE colour numbers, its border style,
// appearance and tooltip text; --disabled sets Enabled false.)
// The window (class CLS, default "VhkHost") shows the control's state in its
// title, refreshed on every change:
//   HK|text|KeyCode|ModKeyCode|HotKeyEnabled|HotKeyPressed count|Click count
// and takes commands posted as WM_APP+1 with wParam 1 = enable, 0 = disable,
// 2 = SaveSettings. Below the control sits a plain, unhooked edit box.
//   vhotkey --selftest    checks the store and the subclassing from inside,
//                         one "OK name" / "FAIL name: detail" line each; exit 0 when all pass
#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "gfx/Window_win.h"
#include "hotkey/HotKey_win.h"
#include "gfx/Subclass_win.h"
#include "store/Ini_win.h"
#include "tests/e2e/win/Utf8_win.h"

using namespace vellumo::win;

namespace {

constexpr UINT kCommand = WM_APP + 1;

class Host : public Window<Host> {
public:
    bool Create(const std::wstring& cls, const IniFile& store, const HotKey::Options& options) {
        if (!RegisterClassOnce(cls.c_str(), ::LoadCursorW(nullptr, IDC_ARROW),
                               reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1)))
            return false;
        if (!CreateWin(0, cls.c_str(), L"HK", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN, 100, 100,
                       420, 160))
            return false;
        if (!hotKey.Create(hwnd(), 10, 10, 220, 26, store, options)) return false;
        hotKey.HotKeyPressed = [this] { ++pressed; Refresh(); };
        hotKey.Click = [this] { ++clicks; Refresh(); };
        hotKey.Changed = [this] { Refresh(); };
        plain = ::CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"plain", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 10, 60,
                                  220, 26, hwnd(), nullptr, Instance(), nullptr);
        Refresh();
        return true;
    }

    void Refresh() {
        std::wstring t = L"HK|" + hotKey.Text() + L"|" + std::to_wstring(hotKey.KeyCode()) + L"|" +
                         std::to_wstring(hotKey.ModKeyCode()) + L"|" + (hotKey.HotKeyEnabled() ? L"1" : L"0") +
                         L"|" + std::to_wstring(pressed) + L"|" + std::to_wstring(clicks);
        ::SetWindowTextW(hwnd(), t.c_str());
    }

    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
        switch (msg) {
            case kCommand:
                if (wp == 2)
                    hotKey.SaveSettings();
                else
                    hotKey.SetHotKeyEnabled(wp == 1);
                Refresh();
                return 0;
            case WM_DESTROY:
                ::PostQuitMessage(0);
                return 0;
            default:
                return Default(msg, wp, lp);
        }
    }

    HotKey hotKey;
    HWND plain = nullptr;
    int pressed = 0, clicks = 0;
};

// --- self-test -------------------------------------------------------------

int g_failures = 0;
void Check(const char* name, bool ok, const std::string& detail = {}) {
    if (ok)
        std::printf("OK %s\n", name);
    else {
        std::printf("FAIL %s: %s\n", name, detail.c_str());
        ++g_failures;
    }
}

std::string ReadFileBytes(const std::wstring& path) {
    std::string bytes;
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    if (f == INVALID_HANDLE_VALUE) return bytes;
    char buf[4096];
    DWORD got = 0;
    while (ReadFile(f, buf, sizeof buf, &got, nullptr) && got) bytes.append(buf, got);
    CloseHandle(f);
    return bytes;
}

void SelfTestStore() {
    const IniFile ini = IniFile::BesideExe(L"vhk-selftest.ini");
    const std::wstring path = ini.path();
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring folder(exe);
    folder.resize(folder.find_last_of(L'\\'));
    Check("ini path beside the exe", path == folder + L"\\vhk-selftest.ini", Utf8(path));
    DeleteFileW(path.c_str());

    Check("missing file reads the default", ini.Read(L"hotkey", L"HotKey1Text", L"NULL") == L"NULL");
    Check("missing key with empty default", ini.Read(L"check", L"checka", L"").empty());
    ini.Write(L"hotkey", L"HotKey1Text", L"");
    Check("empty value is not the default", ini.Read(L"hotkey", L"HotKey1Text", L"NULL").empty());
    ini.Write(L"hotkey", L"HotKey1Text", L"Ctrl + Shift + S");
    ini.Write(L"hotkey", L"HotKey1KeyCode", L"83");
    Check("value round-trips", ini.Read(L"hotkey", L"HotKey1Text", L"NULL") == L"Ctrl + Shift + S");
    Check("section and key are case-blind", ini.Read(L"HOTKEY", L"hotkey1keycode", L"0") == L"83");
    const std::wstring longValue(300, L'v');
    ini.Write(L"long", L"value", longValue);
    const std::wstring got = ini.Read(L"long", L"value", L"");
    Check("long value cut to 254", got == longValue.substr(0, 254), std::to_string(got.size()));
    const std::string bytes = ReadFileBytes(path);
    Check("file is plain ANSI text",
          bytes.find("[hotkey]\r\nHotKey1Text=Ctrl + Shift + S\r\nHotKey1KeyCode=83\r\n") == 0, bytes.substr(0, 80));
    // A value another program wrote with the A functions reads the same.
    WritePrivateProfileStringA("check", "checka", "1", Utf8(path).c_str());
    Check("A-written value reads through W", ini.Read(L"check", L"checka", L"0") == L"1");
    DeleteFileW(path.c_str());
}

void SelfTestSubclass(Host& host) {
    HotKey& hk = host.hotKey;
    HWND hidden = hk.hotKeyWindow();
    wchar_t cls[64] = {};
    GetClassNameW(hidden, cls, 64);
    Check("hidden window is a hidden #32770", std::wstring(cls) == L"#32770" && !IsWindowVisible(hidden) &&
                                                   GetParent(hidden) == nullptr);
    const auto hooked = reinterpret_cast<LONG_PTR>(SubclassGuard::Procedure());
    Check("hidden window hooked", GetWindowLongPtrW(hidden, GWLP_WNDPROC) == hooked &&
                                      GetPropW(hidden, L"Object") == &hk && GetPropW(hidden, L"WinProc") != nullptr);
    Check("edit hooked", GetWindowLongPtrW(hk.txtHotKey(), GWLP_WNDPROC) == hooked &&
                             GetPropW(hk.txtHotKey(), L"WinProc") != nullptr);
    const int before = host.pressed;
    SendMessageW(hidden, WM_HOTKEY, 1, 0);
    SendMessageW(hidden, WM_HOTKEY, 7, 0);  // any identifier
    Check("each WM_HOTKEY raises HotKeyPressed once", host.pressed == before + 2, std::to_string(host.pressed));
    Check("WM_QUERYENDSESSION does not veto logoff", SendMessageW(hidden, WM_QUERYENDSESSION, 0, 0) != 0);
    SendMessageW(hk.txtHotKey(), WM_CHAR, L'x', 0);
    Check("WM_CHAR inserts nothing", hk.Text() == L"NULL" && GetWindowTextLengthW(hk.txtHotKey()) == 4);
}

// The guard on a window of its own: installed, passing on what it does not
// answer, taken out with its own procedure back, and letting go of a window
// destroyed before it.
void SelfTestSubclassGuard() {
    constexpr UINT kAsked = WM_APP + 7;
    HWND box = CreateWindowExW(0, L"EDIT", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, Instance(), nullptr);
    const LONG_PTR own = GetWindowLongPtrW(box, GWLP_WNDPROC);
    int asked = 0;
    {
        SubclassGuard guard;
        const bool installed = guard.Install(box, [&](UINT m, WPARAM w, LPARAM l) -> LRESULT {
            if (m != kAsked) return guard.CallPrevious(m, w, l);
            ++asked;
            return 42;
        });
        Check("guard installs, keeping the own procedure in WinProc",
              installed && GetWindowLongPtrW(box, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(SubclassGuard::Procedure()) &&
                  reinterpret_cast<LONG_PTR>(GetPropW(box, L"WinProc")) == own);
        SubclassGuard second;
        Check("a second guard on the same window is refused",
              !second.Install(box, [](UINT, WPARAM, LPARAM) -> LRESULT { return 0; }) && !second.window());
        SetWindowTextW(box, L"abc");
        Check("the handler answers, the rest reaches the box",
              SendMessageW(box, kAsked, 0, 0) == 42 && asked == 1 && GetWindowTextLengthW(box) == 3);
    }
    Check("guard gone: own procedure back, WinProc removed, handler no longer asked",
          GetWindowLongPtrW(box, GWLP_WNDPROC) == own && !GetPropW(box, L"WinProc") &&
              SendMessageW(box, kAsked, 0, 0) == 0 && asked == 1);
    SubclassGuard late;
    late.Install(box, [&](UINT m, WPARAM w, LPARAM l) { return late.CallPrevious(m, w, l); });
    DestroyWindow(box);
    Check("window destroyed first: the guard lets go", !late.window());
}

void SelfTestUserStore() {
    HotKey::Options opt;
    opt.settingLocation = 1;
    opt.regKeyName = L"vhk-selftest";
    opt.instanceName = L"HotKeyR";
    {
        Host a;
        a.Create(L"VhkSelfA", IniFile::BesideExe(L"set.ini"), opt);
        Check("empty user store loads NULL", a.hotKey.Text() == L"NULL" && a.hotKey.KeyCode() == 0);
        a.hotKey.SetCombination(L"Ctrl + Alt + F9", 120, 3);
        a.hotKey.SaveSettings();
    }
    Host b;
    b.Create(L"VhkSelfB", IniFile::BesideExe(L"set.ini"), opt);
    Check("user store round-trips", b.hotKey.Text() == L"Ctrl + Alt + F9" && b.hotKey.KeyCode() == 120 &&
                                        b.hotKey.ModKeyCode() == 3);
    b.hotKey.SetCombination(L"NULL", 0, 0);
    b.hotKey.SaveSettings();
}

int SelfTest() {
    SelfTestStore();
    {
        Host host;
        host.Create(L"VhkSelf", IniFile::BesideExe(L"vhk-none.ini"), {});
        SelfTestSubclass(host);
    }
    SelfTestSubclassGuard();
    SelfTestUserStore();
    std::fflush(stdout);
    return g_failures == 0 ? 0 : 1;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::vector<std::wstring> args(argv + 1, argv + argc);
    LocalFree(argv);
    _setmode(_fileno(stdout), _O_BINARY);
    for (const auto& a : args)
        if (a == L"--selftest") return SelfTest();

    std::wstring cls = L"VhkHost";
    HotKey::Options options;
    std::wstring iniName = L"set.ini";
    bool enable = false, set = false, look = false, disabled = false;
    vellumo::OleColor back = 0, fore = 0;
    int borderStyle = 1, appearance = 1;
    std::wstring tip;
    std::wstring setText;
    int setKey = 0, setMod = 0;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == L"--class" && i + 1 < args.size()) cls = args[++i];
        else if (args[i] == L"--ini" && i + 1 < args.size()) iniName = args[++i];
        else if (args[i] == L"--enable") enable = true;
        else if (args[i] == L"--disabled") disabled = true;
        else if (args[i] == L"--look" && i + 5 < args.size()) {
            look = true;
            back = static_cast<vellumo::OleColor>(std::wcstoul(args[++i].c_str(), nullptr, 0));
            fore = static_cast<vellumo::OleColor>(std::wcstoul(args[++i].c_str(), nullptr, 0));
            borderStyle = _wtoi(args[++i].c_str());
            appearance = _wtoi(args[++i].c_str());
            tip = args[++i];
        }
        else if (args[i] == L"--set" && i + 3 < args.size()) {
            set = true;
            setText = args[++i];
            setKey = _wtoi(args[++i].c_str());
            setMod = _wtoi(args[++i].c_str());
        }
    }
    auto host = std::make_unique<Host>();
    if (!host->Create(cls, IniFile::BesideExe(iniName), options)) return 2;
    if (set) host->hotKey.SetCombination(setText, setKey, setMod);
    if (look) {
        host->hotKey.SetBackColor(back);
        host->hotKey.SetForeColor(fore);
        host->hotKey.SetBorderStyle(borderStyle);
        host->hotKey.SetAppearance(appearance);
        host->hotKey.SetToolTipText(tip);
    }
    if (disabled) host->hotKey.SetEnabled(false);
    host->Refresh();
    ShowWindow(host->hwnd(), SW_SHOW);
    SetForegroundWindow(host->hwnd());
    SetFocus(host->hotKey.txtHotKey());
    if (enable) PostMessageW(host->hwnd(), kCommand, 1, 0);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
