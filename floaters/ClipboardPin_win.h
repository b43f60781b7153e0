// "Pin clipboard image" on the tray menu: a Floater from the picture another
// program put on the clipboard, made through the same path as a pin.
#pragma once
#include <windows.h>

#include <functional>

#include "gfx/PixelPlane.h"

namespace vellumo::win {

class FloaterHost;

// Tells the user, and changes nothing, when the clipboard holds no picture
// (or one there is no room or memory for); true once the Floater shows.
// `hostForPin` loads the Floater host if need be (null if it cannot be); it
// is only asked once there is a picture to pin.
// `pinned` is given the Floater's pixels (alive for the call only) once it shows.
bool PinClipboardImage(HWND clipboardOwner, const std::function<FloaterHost*()>& hostForPin,
                       const std::function<void(const PixelPlane&)>& pinned = {});

}  // namespace vellumo::win
