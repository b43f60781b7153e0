#include "floaters/WindowDrag_win.h"

namespace vellumo::win {

namespace {
void MoveLoop(HWND w) {
    // The move loop wants the pointer itself; a capture of ours would keep it.
    ::ReleaseCapture();
    ::SendMessageW(w, WM_NCLBUTTONDOWN, HTCAPTION, 0);
}
}  // namespace

void DragWindow(HWND form) {
    if (!form || ::IsZoomed(form)) return;
    MoveLoop(form);
}

void DragDropIcon(HWND host, HWND icon) {
    if (!host || !icon || ::IsZoomed(host)) return;
    MoveLoop(icon);
}

}  // namespace vellumo::win
