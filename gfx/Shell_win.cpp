#include "gfx/Shell_win.h"

namespace vellumo::win {

namespace {
struct ShellApi {
    UINT(WINAPI* dragQueryFile)(HANDLE, UINT, wchar_t*, UINT) = nullptr;
    void(WINAPI* dragFinish)(HANDLE) = nullptr;
    BOOL(WINAPI* notifyIcon)(DWORD, NOTIFYICONDATAW*) = nullptr;
    HINSTANCE(WINAPI* shellExecute)(HWND, const wchar_t*, const wchar_t*, const wchar_t*, const wchar_t*, INT) =
        nullptr;
};

template <typename F>
void Resolve(HMODULE module, const char* name, F& function) {
    function = reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

const ShellApi& Shell() {
    static const ShellApi api = [] {
        ShellApi a;
        // Kept loaded: the process may take more drops and tray calls.
        if (HMODULE shell = ::LoadLibraryW(L"shell32.dll")) {
            Resolve(shell, "DragQueryFileW", a.dragQueryFile);
            Resolve(shell, "DragFinish", a.dragFinish);
            Resolve(shell, "Shell_NotifyIconW", a.notifyIcon);
            Resolve(shell, "ShellExecuteW", a.shellExecute);
        }
        return a;
    }();
    return api;
}
}  // namespace

UINT QueryDroppedFile(HANDLE drop, UINT index, wchar_t* buffer, UINT size) {
    return Shell().dragQueryFile ? Shell().dragQueryFile(drop, index, buffer, size) : 0;
}

void ReleaseDroppedFiles(HANDLE drop) {
    if (Shell().dragFinish) Shell().dragFinish(drop);
}

BOOL NotifyIcon(DWORD message, NOTIFYICONDATAW* data) {
    return Shell().notifyIcon ? Shell().notifyIcon(message, data) : FALSE;
}

void OpenWithShell(HWND owner, const wchar_t* address) {
    if (Shell().shellExecute) Shell().shellExecute(owner, L"open", address, L"", L"", SW_SHOWNORMAL);
}

}  // namespace vellumo::win
