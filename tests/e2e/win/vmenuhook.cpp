// vmenuhook.dll: lets vprobe.exe read a popup menu that another program shows,
// and the tips of a tooltip window (the tray icons' tips live in the shell).
// A menu's items live in the process that made it, so no other process can
// read them (Wine refuses another process's HMENU outright). vprobe hooks the
// window's thread with MenuHookProc and sends it "VellumoReadMenu" or
// "VellumoReadTips"; the hook, running there, writes into the shared memory
// "VellumoMenuText" UTF-16 lines: per menu item "text\tflags" (flags: g
// greyed, s separator, p a submenu), per tool of the tooltip its text.
#include <windows.h>
#include <commctrl.h>

#include <string>

namespace {
void Share(const std::wstring& text) {
    if (HANDLE map = OpenFileMappingW(FILE_MAP_WRITE, FALSE, L"VellumoMenuText")) {
        if (auto* view = static_cast<wchar_t*>(MapViewOfFile(map, FILE_MAP_WRITE, 0, 0, 0))) {
            const std::size_t n = text.size() < 16000 ? text.size() : 16000;
            text.copy(view, n);
            view[n] = L'\0';
            UnmapViewOfFile(view);
        }
        CloseHandle(map);
    }
}
}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK MenuHookProc(int code, WPARAM wp, LPARAM lp) {
    static const UINT readMenu = RegisterWindowMessageW(L"VellumoReadMenu");
    static const UINT readTips = RegisterWindowMessageW(L"VellumoReadTips");
    const auto* cwp = reinterpret_cast<const CWPSTRUCT*>(lp);
    if (code == HC_ACTION && cwp && cwp->message == readTips) {
        std::wstring text;
        const auto count = static_cast<UINT>(SendMessageW(cwp->hwnd, TTM_GETTOOLCOUNT, 0, 0));
        for (UINT i = 0; i < count; ++i) {
            wchar_t tip[1024] = {};  // the longest tip a notify icon takes is 128
            TTTOOLINFOW info{};
            info.cbSize = sizeof info;
            info.lpszText = tip;
            if (!SendMessageW(cwp->hwnd, TTM_ENUMTOOLSW, i, reinterpret_cast<LPARAM>(&info))) continue;
            text += tip;
            text += L'\n';
        }
        Share(text);
    }
    if (code == HC_ACTION && cwp && cwp->message == readMenu) {
        constexpr UINT kGetMenu = 0x01E1;  // MN_GETHMENU
        const HMENU menu = reinterpret_cast<HMENU>(SendMessageW(cwp->hwnd, kGetMenu, 0, 0));
        std::wstring text;
        const int count = menu ? GetMenuItemCount(menu) : -1;
        for (int i = 0; i < count; ++i) {
            wchar_t item[256] = {};
            MENUITEMINFOW info{};
            info.cbSize = sizeof info;
            info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_SUBMENU | MIIM_STRING;
            info.dwTypeData = item;
            info.cch = 255;
            if (!GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info)) continue;
            text += item;
            text += L'\t';
            if (info.fState & MFS_GRAYED) text += L'g';
            if (info.fType & MFT_SEPARATOR) text += L's';
            if (info.hSubMenu) text += L'p';
            text += L'\n';
        }
        Share(text);
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}
