// vother.exe: the other programs a user runs beside Vellumo, each behaving
// as a hostile but ordinary program does.
//   vother clipwatch hold SECONDS LOG   a clipboard manager that opens the
//                                       clipboard for SECONDS after every
//                                       change; a line "held" in LOG for each
//   vother clipwatch text LOG           one that replaces every new content
//                                       with the text "vother was here"; a
//                                       line "replaced" in LOG for each
//   vother clipwatch read LOG           one that reads the bitmap of every
//                                       change at once; "read W H" in LOG
//                                       (0 0 when there is none)
//   vother hotkey VK MODS READY         holds a global hotkey; READY holds
//                                       "OK" once it is registered, else "FAIL"
//   vother cursor WAIT|ARROW X Y W H READY  a window at X,Y (W x H) showing
//                                       that system cursor; READY once shown
//   vother cover X Y W H ACTIVATE READY  a grey always-on-top window at X,Y
//                                       (W x H), as a player or a chat window
//                                       that stays in front; it takes the
//                                       keyboard when ACTIVATE is 1, else it
//                                       shows without taking it
// Each runs until it is ended. The log and ready files are written whole.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/e2e/win/Utf8_win.h"

namespace {

bool WriteLine(const std::wstring& path, DWORD disposition, DWORD access, const std::string& text) {
    HANDLE f = CreateFileW(path.c_str(), access, FILE_SHARE_READ, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                    written == text.size();
    CloseHandle(f);
    return ok;
}

// A test reads a file as soon as it exists: the first line is written beside
// it and moved into place, so the file is never seen empty.
void Append(const std::string& path, const std::string& line) {
    const std::wstring name = Wide(path);
    const std::string text = line + "\n";
    if (GetFileAttributesW(name.c_str()) == INVALID_FILE_ATTRIBUTES) {
        const std::wstring part = name + L".part";
        if (WriteLine(part, CREATE_ALWAYS, GENERIC_WRITE, text) && MoveFileExW(part.c_str(), name.c_str(), 0)) return;
    }
    WriteLine(name, OPEN_ALWAYS, FILE_APPEND_DATA, text);
}

struct Watch {
    bool replace = false;
    bool read = false;
    DWORD holdMs = 0;
    std::string log;
    bool replacing = false;  // our own change comes back as an update too
};
Watch g_watch;

void ReplaceWithText(HWND self) {
    if (!OpenClipboard(self)) return;
    const wchar_t text[] = L"vother was here";
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, sizeof text);
    if (mem) {
        CopyMemory(GlobalLock(mem), text, sizeof text);
        GlobalUnlock(mem);
        EmptyClipboard();
        if (!SetClipboardData(CF_UNICODETEXT, mem)) GlobalFree(mem);
    }
    g_watch.replacing = true;
    CloseClipboard();
    Append(g_watch.log, "replaced");
}

LRESULT CALLBACK WatchProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_CLIPBOARDUPDATE) {
        if (g_watch.replacing) {
            g_watch.replacing = false;
            return 0;
        }
        if (g_watch.replace) {
            ReplaceWithText(w);
        } else if (g_watch.read) {
            BITMAP bm{};
            if (!OpenClipboard(w)) return 0;
            const HANDLE b = GetClipboardData(CF_BITMAP);
            if (!b || !GetObjectW(b, sizeof bm, &bm)) bm = BITMAP{};
            CloseClipboard();
            Append(g_watch.log, "read " + std::to_string(bm.bmWidth) + " " + std::to_string(std::abs(bm.bmHeight)));
        } else if (OpenClipboard(w)) {
            Sleep(g_watch.holdMs);
            CloseClipboard();
            Append(g_watch.log, "held");
        }
        return 0;
    }
    return DefWindowProcW(w, msg, wp, lp);
}

HWND MakeWindow(const wchar_t* cls, WNDPROC proc, HCURSOR cursor, DWORD style, int x, int y, int w, int h) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = cls;
    wc.hCursor = cursor;
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    RegisterClassW(&wc);
    return CreateWindowExW(WS_EX_TOPMOST, cls, cls, style, x, y, w, h, nullptr, nullptr, wc.hInstance, nullptr);
}

int Loop() {
    MSG m;
    while (GetMessageW(&m, nullptr, 0, 0) > 0) {
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
    return 0;
}

int ClipWatch(const std::vector<std::string>& a) {
    g_watch.replace = a[1] == "text";
    g_watch.read = a[1] == "read";
    if ((g_watch.replace || g_watch.read) && a.size() == 3) {
        g_watch.log = a[2];
    } else if (a[1] == "hold" && a.size() == 4) {
        g_watch.holdMs = static_cast<DWORD>(std::strtod(a[2].c_str(), nullptr) * 1000);
        g_watch.log = a[3];
    } else {
        return 2;
    }
    HWND w = MakeWindow(L"VotherClipWatch", WatchProc, nullptr, WS_POPUP, 0, 0, 1, 1);
    if (!w || !AddClipboardFormatListener(w)) return 1;
    Append(g_watch.log, "watching");
    return Loop();
}

int HoldHotkey(const std::vector<std::string>& a) {
    if (a.size() != 4) return 2;
    const bool ok = RegisterHotKey(nullptr, 1, static_cast<UINT>(std::atoi(a[2].c_str())),
                                   static_cast<UINT>(std::atoi(a[1].c_str())));
    Append(a[3], ok ? "OK" : "FAIL");
    return ok ? Loop() : 1;
}

int ShowCursorWindow(const std::vector<std::string>& a) {
    if (a.size() != 7) return 2;
    const wchar_t* id = a[1] == "WAIT" ? IDC_WAIT : IDC_ARROW;
    HWND w = MakeWindow(L"VotherCursor", DefWindowProcW, LoadCursorW(nullptr, id), WS_POPUP | WS_VISIBLE,
                        std::atoi(a[2].c_str()), std::atoi(a[3].c_str()), std::atoi(a[4].c_str()),
                        std::atoi(a[5].c_str()));
    if (!w) return 1;
    UpdateWindow(w);
    Append(a[6], "shown");
    return Loop();
}

int ShowCover(const std::vector<std::string>& a) {
    if (a.size() != 7) return 2;
    const bool activate = a[5] == "1";
    HWND w = MakeWindow(L"VotherCover", DefWindowProcW, LoadCursorW(nullptr, IDC_ARROW), WS_POPUP,
                        std::atoi(a[1].c_str()), std::atoi(a[2].c_str()), std::atoi(a[3].c_str()),
                        std::atoi(a[4].c_str()));
    if (!w) return 1;
    if (!activate) SetWindowLongPtrW(w, GWL_EXSTYLE, GetWindowLongPtrW(w, GWL_EXSTYLE) | WS_EX_NOACTIVATE);
    ShowWindow(w, activate ? SW_SHOW : SW_SHOWNOACTIVATE);
    if (activate) SetForegroundWindow(w);
    UpdateWindow(w);
    Append(a[6], "shown");
    return Loop();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> a;
    for (int i = 1; i < argc; ++i) a.push_back(Utf8(argv[i]));
    if (a.size() >= 2 && a[0] == "clipwatch") return ClipWatch(a);
    if (a.size() >= 2 && a[0] == "hotkey") return HoldHotkey(a);
    if (a.size() >= 2 && a[0] == "cursor") return ShowCursorWindow(a);
    if (a.size() >= 2 && a[0] == "cover") return ShowCover(a);
    return 2;
}
