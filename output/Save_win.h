// Writing an image file in the format its name's extension names (PNG, JPEG
// at quality 80, GIF, BMP), and the save dialog that asks for the name. Used
// by the capture overlay's save and by a Floater's save.
#pragma once
#include <windows.h>

#include <string>

#include "output/SaveRules.h"

namespace vellumo::win {

// Shows the save dialog with the image filter. `name` holds the initial file
// name and receives the chosen one; a name typed without an extension takes
// the extension of the chosen filter entry. False when the user cancels.
bool AskSaveName(HWND owner, std::wstring& name);

// Writes `bitmap` to `name` and reads the file back. Refused names (an
// extension that is none of png, jpg, gif, bmp; a device name such as
// nul.png; a name longer than any file system allows) and failures (no
// memory, a write the system refuses, a file that does not hold what was
// written) come back as the message to show; no partial file is left
// behind, and an existing file is replaced only by a whole new one, so a
// failed save leaves it as it was. Paths past 259 characters are
// written through the \\?\ form. A save that takes over half a second shows
// the wait cursor.
SaveOutcome SaveBitmapToFile(HBITMAP bitmap, const std::wstring& name);

}  // namespace vellumo::win
