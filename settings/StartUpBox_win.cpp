// The settings window's "Start with Windows" box: the user's Run value for
// this exe, with /tray, added or removed by a click.
#include "gfx/SystemError_win.h"
#include "settings/SettingsWindow_win.h"
#include "settings/StartUp.h"
#include "settings/StartUp_win.h"
#include "settings/SettingsLayout.h"

namespace vellumo::win {

void SettingsWindow::CreateStartUpBox(int dpi) {
    const Rect& r = kStartUpBoxTwips;
    startUpBox_ = ::CreateWindowExW(0, L"BUTTON", kStartWithWindowsCaption,
                                    WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, TwipsToPixels(r.left, dpi),
                                    TwipsToPixels(r.top, dpi), TwipsToPixels(r.width, dpi),
                                    TwipsToPixels(r.height, dpi), hwnd(),
                                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(kStartUpBoxId)), Instance(), nullptr);
    if (!startUpBox_) return;
    ::SendMessageW(startUpBox_, WM_SETFONT, reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)), FALSE);
}

void SettingsWindow::ShowStartUpState() {
    if (!startUpBox_) return;
    const std::optional<std::wstring> stored = ReadStartUpValue();
    ::SendMessageW(startUpBox_, BM_SETCHECK, stored ? BST_CHECKED : BST_UNCHECKED, 0);
    // A value left by a copy that has since moved would start nothing: the
    // box shows checked, so it is made to name this exe.
    const std::wstring exe = ThisExePath();
    if (stored && !exe.empty() && !StartUpValueIsCurrent(*stored, exe)) WriteStartUpValue(StartUpCommand(exe));
}

void SettingsWindow::OnStartUpBoxClicked() {
    const bool on = ::SendMessageW(startUpBox_, BM_GETCHECK, 0, 0) == BST_CHECKED;
    const DWORD error = on ? WriteStartUpValue(StartUpCommand(ThisExePath())) : DeleteStartUpValue();
    if (error == ERROR_SUCCESS) return;
    ::SendMessageW(startUpBox_, BM_SETCHECK, on ? BST_UNCHECKED : BST_CHECKED, 0);
    const std::wstring text = std::wstring(on ? L"Vellumo could not be added to" : L"Vellumo could not be removed from") +
                              L" the programs that start with Windows: " + SystemErrorText(error);
    ::MessageBoxW(MessageBoxOwner(), text.c_str(), L"Vellumo", MB_OK | MB_ICONWARNING | MB_TOPMOST | MB_SETFOREGROUND);
}

}  // namespace vellumo::win
