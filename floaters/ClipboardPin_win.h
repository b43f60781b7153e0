// "Pin clipboard image" on the tray menu: a Floater from the picture another
// program put on the clipboard, made through the same path as a pin.
#pragma once
#include <windows.h>

#include <functional>

namespace vellumo::win {

class FloaterHost;

// Tells the user, and changes nothing, when the clipboard holds no picture
// (or one there is no room or memory for); true once the Floater shows.
// `hostForPin` loads the Floater host if need be (null if it cannot be); it
// is only asked once there is a picture to pin.
bool PinClipboardImage(HWND clipboardOwner, const std::function<FloaterHost*()>& hostForPin);

}  // namespace vellumo::win
