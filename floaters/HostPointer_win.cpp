// The host's pointer: presses, drags and double-clicks on Floaters and their
// labels, and the menus the right button opens on a Floater and on the drop
// icon.
#include "floaters/FloaterHost_win.h"

#include "floaters/WindowDrag_win.h"
#include "gfx/Convert_win.h"

namespace vellumo::win {

namespace {
// Wine keeps the pointer inside a full-screen foreground window by grabbing
// it to an invisible window laid over the screen. A popup menu's grab
// replaces that one, and when the menu ends nothing restores it: the
// invisible window, still there, swallows every later click on the screen.
// A clip one pixel smaller, then none, makes Wine grab afresh. On Windows the
// pair changes nothing: the narrower clip still holds the pointer. Called once
// the menu's choice is done: a host that choice hid or closed is no longer
// clipped to, and must not be.
void RegrabPointerAfterMenu(HWND host) {
    if (!::IsWindow(host) || !::IsWindowVisible(host) || ::GetForegroundWindow() != host) return;
    const Rect screen{::GetSystemMetrics(SM_XVIRTUALSCREEN), ::GetSystemMetrics(SM_YVIRTUALSCREEN),
                      ::GetSystemMetrics(SM_CXVIRTUALSCREEN), ::GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    POINT at{};
    if (screen.width < 2 || !::GetCursorPos(&at)) return;
    const Rect clip = NarrowedAround(screen, Point{at.x, at.y});
    const RECT rc = ToRECT(clip);
    if (::ClipCursor(&rc)) ::ClipCursor(nullptr);
}
}  // namespace

int FloaterHost::PopupAtPointer(HMENU menu) {
    if (!menu) return 0;
    POINT pt{};
    ::GetCursorPos(&pt);
    // A popup menu only closes on an outside click when its owner is in front.
    ::SetForegroundWindow(hwnd());
    // Left button only: the menu opens under the right press, and with
    // TPM_RIGHTBUTTON its release after a drift of a few pixels would pick
    // "Delete" (or "Quit" on the drop icon) without the user choosing it.
    const int command = ::TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_LEFTBUTTON | TPM_RETURNCMD |
                                                   TPM_NONOTIFY,
                                         pt.x, pt.y, 0, hwnd(), nullptr);
    ::PostMessageW(hwnd(), WM_NULL, 0, 0);
    return command;
}

void FloaterHost::OnFloaterMouseDown(int n, MouseButton button, Point local) {
    book_.PictureMouseDown(n, button == MouseButton::Left, local);
    if (button == MouseButton::Left) stack_.ToFront(n);
    InvalidateFrame();
    if (button == MouseButton::Left) {
        PlaceInStack(n);
        RaiseDropIcon();
    } else if (button == MouseButton::Right) {
        const HWND host = hwnd();
        UpdateFloaterMenu(n);
        OnFloaterMenu(PopupAtPointer(floaterMenu_.get()));
        RegrabPointerAfterMenu(host);
    }
}

void FloaterHost::OnFloaterMouseMove(int n, WPARAM keys, Point local) {
    constexpr WPARAM kButtons = MK_LBUTTON | MK_RBUTTON | MK_MBUTTON | MK_XBUTTON1 | MK_XBUTTON2;
    if ((keys & kButtons) != MK_LBUTTON) return;
    if (book_.DragPicture(n, local)) ApplyFloater(n);
}

void FloaterHost::OnLabelMouseMove(int n, WPARAM keys, Point local) {
    constexpr WPARAM kButtons = MK_LBUTTON | MK_RBUTTON | MK_MBUTTON | MK_XBUTTON1 | MK_XBUTTON2;
    if ((keys & kButtons) != MK_LBUTTON) return;
    if (book_.DragLabel(n, local)) ApplyFloater(n);
}

void FloaterHost::OnFloaterDoubleClick(int n) {
    // Expanded again at its zoom.
    std::optional<Size> expanded;
    const Floater* f = book_.Find(n);
    if (const FloaterScale* scale = ScaleOf(n); scale && f) expanded = ZoomedSize(f->natural, scale->zoom());
    if (!book_.ToggleCollapse(n, expanded)) return;
    ApplyFloater(n);
    ::InvalidateRect(pictures_[n]->hwnd(), nullptr, TRUE);
}

void FloaterHost::OnDropIconMouseMove(WPARAM keys) {
    // Only a held left button starts the move: the move loop entered without
    // one would make the icon stick to the pointer until the next click.
    if (keys & MK_LBUTTON) DragDropIcon(hwnd(), dropIcon_.hwnd());
}

void FloaterHost::OnDropIconMouseDown(MouseButton button) {
    if (button != MouseButton::Right) return;
    const HWND host = hwnd();
    OnDropIconMenu(PopupAtPointer(dropIconMenu_.get()));
    RegrabPointerAfterMenu(host);
}

}  // namespace vellumo::win
