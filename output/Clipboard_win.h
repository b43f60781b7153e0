// The clipboard as the capture output uses it: a bitmap in.
#pragma once
#include <windows.h>

#include "gfx/Dib_win.h"

namespace vellumo::win {

enum class ClipboardResult { Ok, Busy, NoMemory };

// Empties the clipboard and puts a copy of `picture` on it (CF_BITMAP). Another
// program holding the clipboard is waited for a short while (Busy if it stays
// held); NoMemory when the copy cannot be made. The picture itself is left as it is.
ClipboardResult PutBitmapOnClipboard(HWND owner, const Dib& picture);

}  // namespace vellumo::win
