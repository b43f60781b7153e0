// The clipboard as the capture output uses it: a bitmap in, a bitmap out.
#pragma once
#include <windows.h>

namespace vellumo::win {

// Empties the clipboard and puts a copy of `bitmap` on it (CF_BITMAP). Another
// program holding the clipboard is waited for a short while; false if it
// stays held or the copy cannot be made.
bool PutBitmapOnClipboard(HWND owner, HBITMAP bitmap);

// A new 32-bit DIB section holding the clipboard's bitmap, owned by the
// caller; null when the clipboard holds no bitmap or cannot be opened.
HBITMAP BitmapFromClipboard(HWND owner);

}  // namespace vellumo::win
