// Dragging borderless windows by handing the pointer to the system's own
// window-move loop.
#pragma once
#include <windows.h>

namespace vellumo::win {

// A top-level form: nothing while it is maximised.
void DragWindow(HWND form);
// The drop icon, moved inside its host; nothing while the host is maximised.
void DragDropIcon(HWND host, HWND icon);

}  // namespace vellumo::win
