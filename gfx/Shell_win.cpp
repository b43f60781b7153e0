#include "gfx/Shell_win.h"

namespace vellumo::win {

namespace {
struct ShellApi {
    UINT(WINAPI* dragQueryFile)(HANDLE, UINT, wchar_t*, UINT) = nullptr;
    void(WINAPI* dragFinish)(HANDLE) = nullptr;
};

const ShellApi& Shell() {
    static const ShellApi api = [] {
        ShellApi a;
        // Kept loaded: the process may take more drops.
        if (HMODULE shell = ::LoadLibraryW(L"shell32.dll")) {
            a.dragQueryFile = reinterpret_cast<decltype(a.dragQueryFile)>(
                reinterpret_cast<void*>(::GetProcAddress(shell, "DragQueryFileW")));
            a.dragFinish = reinterpret_cast<decltype(a.dragFinish)>(
                reinterpret_cast<void*>(::GetProcAddress(shell, "DragFinish")));
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

}  // namespace vellumo::win
