// The few shell32 calls the program makes, resolved when first used: a
// static import would load shell32 and its dependencies before the first
// frame of every capture.
#pragma once
#include <windows.h>
// HDROP; WIN32_LEAN_AND_MEAN leaves shellapi.h out. Declarations only.
#include <shellapi.h>

#include <string>

namespace vellumo::win {

// DragQueryFileW: 0 when shell32 is unavailable.
UINT QueryDroppedFile(HANDLE drop, UINT index, wchar_t* buffer, UINT size);
// DragFinish.
void ReleaseDroppedFiles(HANDLE drop);
// Shell_NotifyIconW: FALSE when shell32 is unavailable.
BOOL NotifyIcon(DWORD message, NOTIFYICONDATAW* data);
// ShellExecuteW(owner, "open", address, "", "", SW_SHOWNORMAL): the address's
// default handler opens it. The outcome is not reported.
void OpenWithShell(HWND owner, const wchar_t* address);

// The user's Pictures folder (SHGetFolderPathW); empty when it cannot be had.
std::wstring PicturesFolder();
// Makes `folder` and any missing folders above it (SHCreateDirectoryExW).
// ERROR_SUCCESS when it is there as a folder, else the system's error code.
DWORD MakeFolderTree(const std::wstring& folder);

}  // namespace vellumo::win
