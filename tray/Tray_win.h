// The notification-area icon of the settings window and its menu.
#pragma once
#include <windows.h>

#include <optional>
#include <string>

#include "gfx/Handles_win.h"
#include "tray/TrayNotify.h"

namespace vellumo::win {

// The one icon record of the process: NIM_ADD on Add, NIM_DELETE on Remove
// or when the record goes. The id is the icon's handle value and the tip is
// left empty (no tooltip).
// The window property on the owner that holds the icon's id.
inline constexpr wchar_t kTrayIconIdProperty[] = L"VellumoTrayIconId";

class TrayIcon {
public:
    TrayIcon() = default;
    ~TrayIcon() { Remove(); }
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;

    // A refused add is logged and tried again on the owner's timer
    // kTrayRetryTimer (its WM_TIMER calls Retry).
    void Add(HWND owner, HICON icon);
    // The shell forgets every icon when its taskbar is re-created.
    void Restore();
    void Retry();
    void Remove();
    // A balloon from the icon; false when there is no icon or the shell refuses.
    bool ShowBalloon(const wchar_t* title, const std::wstring& text);
    // The icon's tooltip; empty (as it normally is) shows none.
    void SetTip(const std::wstring& tip);
    UINT_PTR id() const { return data_.uID; }

private:
    void TryAdd();

    NOTIFYICONDATAW data_{};
    TrayAddRetries retries_;
};

// The owner's timer for another try at an icon the shell refused.
inline constexpr UINT_PTR kTrayRetryTimer = 0x7A1;

TrayIcon& TheTrayIcon();

// Broadcast by the shell when its taskbar (re)appears.
UINT TaskbarCreatedMessage();

// The tray menu as the table lists it; entries out of use are greyed.
unique_hmenu BuildTrayMenu();
// Pops `menu` up at the pointer for `owner` (brought to the foreground first,
// so a click elsewhere closes it); either button chooses. The chosen entry.
std::optional<TrayMenuItem> TrackTrayMenu(HWND owner, HMENU menu);

// The submenu of `root` that holds `item`; null if none does.
HMENU FindTraySubmenu(HMENU root, TrayMenuItem item);

// The two web pages, through the system shell.
void OpenPage(HWND owner, TrayMenuItem item);

}  // namespace vellumo::win
