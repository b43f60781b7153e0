#include "tray/Tray_win.h"

#include <map>

#include "gfx/Log_win.h"
#include "gfx/Shell_win.h"

namespace vellumo::win {

void TrayIcon::Add(HWND owner, HICON icon) {
    Remove();
    data_ = {};
    data_.cbSize = sizeof(data_);
    data_.hWnd = owner;
    // The id is the icon's handle value, as the first-generation record had it.
    data_.uID = static_cast<UINT>(reinterpret_cast<UINT_PTR>(icon));
    if (data_.uID == 0) data_.uID = 1;
    data_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data_.uCallbackMessage = kTrayCallbackMessage;
    data_.hIcon = icon;
    retries_.Reset();
    TryAdd();
    // The id is a handle in this process that no other program can ask for
    // (Wine answers no WM_GETICON across processes): the owner carries it, so
    // a tool (or a test standing in for a restarting shell) can name the icon.
    ::SetPropW(owner, kTrayIconIdProperty, reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(data_.uID)));
}

void TrayIcon::TryAdd() {
    if (NotifyIcon(NIM_ADD, &data_)) {
        ::KillTimer(data_.hWnd, kTrayRetryTimer);
        retries_.Reset();
        return;
    }
    const DWORD error = ::GetLastError();
    // A shell that already shows the icon refuses a second add: asked
    // whether it knows the icon, it says so, and nothing is missing.
    if (NotifyIcon(NIM_MODIFY, &data_)) {
        ::KillTimer(data_.hWnd, kTrayRetryTimer);
        retries_.Reset();
        return;
    }
    const std::optional<unsigned> again = retries_.Refused();
    if (!again) {
        ::KillTimer(data_.hWnd, kTrayRetryTimer);
        LogFailure(L"Shell_NotifyIconW(NIM_ADD) refused the tray icon; no more tries until the taskbar is created again",
                   error);
        return;
    }
    if (retries_.refusals() == 1) LogFailure(L"Shell_NotifyIconW(NIM_ADD) refused the tray icon; trying again", error);
    if (!::SetTimer(data_.hWnd, kTrayRetryTimer, *again, nullptr)) LogFailure(L"SetTimer(tray icon retry)", ::GetLastError());
}

void TrayIcon::Retry() {
    ::KillTimer(data_.hWnd, kTrayRetryTimer);
    if (data_.hWnd) TryAdd();
}

void TrayIcon::Restore() {
    if (!data_.hWnd) return;
    // A restarted shell has none of our icons.
    retries_.Reset();
    TryAdd();
}

void TrayIcon::Remove() {
    ::KillTimer(data_.hWnd, kTrayRetryTimer);
    if (!data_.hWnd) return;
    NotifyIcon(NIM_DELETE, &data_);
    ::RemovePropW(data_.hWnd, kTrayIconIdProperty);
    data_.hWnd = nullptr;
}

void TrayIcon::SetTip(const std::wstring& tip) {
    // Kept in the record, so a re-created taskbar gets the tip back too.
    ::lstrcpynW(data_.szTip, tip.c_str(), static_cast<int>(std::size(data_.szTip)));
    if (data_.hWnd) NotifyIcon(NIM_MODIFY, &data_);
}

bool TrayIcon::ShowBalloon(const wchar_t* title, const std::wstring& text) {
    if (!data_.hWnd) return false;
    NOTIFYICONDATAW balloon = data_;
    balloon.uFlags = NIF_INFO;
    balloon.dwInfoFlags = NIIF_INFO;
    ::lstrcpynW(balloon.szInfoTitle, title, static_cast<int>(std::size(balloon.szInfoTitle)));
    ::lstrcpynW(balloon.szInfo, text.c_str(), static_cast<int>(std::size(balloon.szInfo)));
    return NotifyIcon(NIM_MODIFY, &balloon) != FALSE;
}

TrayIcon& TheTrayIcon() {
    static TrayIcon icon;
    return icon;
}

UINT TaskbarCreatedMessage() {
    static const UINT message = ::RegisterWindowMessageW(L"TaskbarCreated");
    return message;
}

unique_hmenu BuildTrayMenu() {
    unique_hmenu root(::CreatePopupMenu());
    if (!root) return root;
    std::map<TrayMenuItem, HMENU> submenus;
    for (const TrayMenuEntry& e : TrayMenuEntries()) {
        HMENU parent = root.get();
        if (e.parent) {
            auto it = submenus.find(*e.parent);
            if (it == submenus.end()) continue;
            parent = it->second;
        }
        const UINT grey = e.inUse ? 0u : static_cast<UINT>(MF_GRAYED);
        if (e.opensSubmenu) {
            unique_hmenu sub(::CreatePopupMenu());
            if (!sub) continue;
            // The parent menu owns the submenu once appended.
            if (::AppendMenuW(parent, MF_POPUP | grey, reinterpret_cast<UINT_PTR>(sub.get()), e.caption))
                submenus[e.item] = sub.release();
        } else {
            ::AppendMenuW(parent, MF_STRING | grey, static_cast<UINT_PTR>(e.item), e.caption);
        }
    }
    return root;
}

std::optional<TrayMenuItem> TrackTrayMenu(HWND owner, HMENU menu) {
    if (!menu) return std::nullopt;
    POINT pt{};
    ::GetCursorPos(&pt);
    ::SetForegroundWindow(owner);
    const int chosen = ::TrackPopupMenu(menu, TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY, pt.x, pt.y, 0, owner,
                                        nullptr);
    // Lets the menu close properly when the owner is a hidden window.
    ::PostMessageW(owner, WM_NULL, 0, 0);
    if (chosen <= 0) return std::nullopt;
    if (RecentCaptureIndex(static_cast<unsigned>(chosen))) return static_cast<TrayMenuItem>(chosen);
    const TrayMenuEntry* e = FindTrayMenuEntry(static_cast<TrayMenuItem>(chosen));
    if (!e) return std::nullopt;
    return e->item;
}

HMENU FindTraySubmenu(HMENU root, TrayMenuItem item) {
    const int count = ::GetMenuItemCount(root);
    for (int i = 0; i < count; ++i)
        if (HMENU sub = ::GetSubMenu(root, i); sub && ::GetMenuState(sub, static_cast<UINT>(item), MF_BYCOMMAND) != UINT(-1))
            return sub;
    return nullptr;
}

void OpenPage(HWND owner, TrayMenuItem item) {
    if (item == TrayMenuItem::MakerImagePageItem) OpenWithShell(owner, MakerImagePage().c_str());
    else if (item == TrayMenuItem::ProductPageItem) OpenWithShell(owner, ProductPage().c_str());
}

}  // namespace vellumo::win
