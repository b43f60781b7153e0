#include "gfx/Shell_win.h"

namespace vellumo::win {

namespace {
struct ShellApi {
    UINT(WINAPI* dragQueryFile)(HANDLE, UINT, wchar_t*, UINT) = nullptr;
    void(WINAPI* dragFinish)(HANDLE) = nullptr;
    BOOL(WINAPI* notifyIcon)(DWORD, NOTIFYICONDATAW*) = nullptr;
    HINSTANCE(WINAPI* shellExecute)(HWND, const wchar_t*, const wchar_t*, const wchar_t*, const wchar_t*, INT) =
        nullptr;
    HRESULT(WINAPI* folderPath)(HWND, int, HANDLE, DWORD, wchar_t*) = nullptr;
    int(WINAPI* createDirectory)(HWND, const wchar_t*, const SECURITY_ATTRIBUTES*) = nullptr;
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
            Resolve(shell, "SHGetFolderPathW", a.folderPath);
            Resolve(shell, "SHCreateDirectoryExW", a.createDirectory);
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

std::wstring PicturesFolder() {
    wchar_t path[MAX_PATH] = {};
    constexpr int kMyPictures = 0x0027;  // CSIDL_MYPICTURES
    if (!Shell().folderPath || FAILED(Shell().folderPath(nullptr, kMyPictures, nullptr, 0, path))) return {};
    return path;
}

DWORD MakeFolderTree(const std::wstring& folder) {
    if (!Shell().createDirectory) return ERROR_PROC_NOT_FOUND;
    const int result = Shell().createDirectory(nullptr, folder.c_str(), nullptr);
    if (result == ERROR_SUCCESS || result == ERROR_ALREADY_EXISTS || result == ERROR_FILE_EXISTS) {
        // An existing name must be a folder, not a file.
        const DWORD attributes = ::GetFileAttributesW(folder.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) return ::GetLastError();
        return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? ERROR_SUCCESS : ERROR_DIRECTORY;
    }
    return static_cast<DWORD>(result);
}

}  // namespace vellumo::win
