// "Pin clipboard image" on the tray menu: a Floater from the picture another
// program put on the clipboard, made through the same path as a pin.
#pragma once
#include <windows.h>

namespace vellumo::win {

// Tells the user, and changes nothing, when the clipboard holds no picture
// (or one there is no room or memory for); true once the Floater shows.
bool PinClipboardImage(HWND clipboardOwner);

}  // namespace vellumo::win
