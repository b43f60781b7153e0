#include "overlay/WindowList_win.h"

#include <windows.h>

namespace vellumo::win {

namespace {
BOOL CALLBACK CollectVisible(HWND w, LPARAM lp) {
    if (::IsWindowVisible(w)) reinterpret_cast<std::vector<WindowId>*>(lp)->push_back(WindowId(w));
    return TRUE;
}
}  // namespace

std::vector<WindowId> Win32WindowLister::VisibleTopLevel() {
    std::vector<WindowId> out;
    ::EnumWindows(&CollectVisible, reinterpret_cast<LPARAM>(&out));
    return out;
}

std::vector<WindowId> Win32WindowLister::VisibleDescendants(WindowId top) {
    std::vector<WindowId> out;
    ::EnumChildWindows(reinterpret_cast<HWND>(top), &CollectVisible, reinterpret_cast<LPARAM>(&out));
    return out;
}

bool Win32WindowLister::WindowRect(WindowId id, Rect& out) {
    RECT r;
    if (!::GetWindowRect(reinterpret_cast<HWND>(id), &r)) return false;
    out = Rect::fromEdges(r.left, r.top, r.right, r.bottom);
    return true;
}

}  // namespace vellumo::win
