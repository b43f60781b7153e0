#include "tray/Tray_win.h"

#include <map>

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
    NotifyIcon(NIM_ADD, &data_);
    // The id is a handle in this process that no other program can ask for
    // (Wine answers no WM_GETICON across processes): the owner carries it, so
    // a tool (or a test standing in for a restarting shell) can name the icon.
    ::SetPropW(owner, kTrayIconIdProperty, reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(data_.uID)));
}

void TrayIcon::Restore() {
    if (!data_.hWnd) return;
    // A restarted shell has none of our icons; an explorer that is still there
    // refuses a second add, which is harmless.
    NotifyIcon(NIM_ADD, &data_);
}

void TrayIcon::Remove() {
    if (!data_.hWnd) return;
    NotifyIcon(NIM_DELETE, &data_);
    ::RemovePropW(data_.hWnd, kTrayIconIdProperty);
    data_.hWnd = nullptr;
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
