// The clipboard as the capture output uses it: a bitmap in.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "gfx/Dib_win.h"

namespace vellumo::win {

enum class ClipboardResult { Ok, Busy, NoMemory };

// Empties the clipboard and puts a copy of `picture` on it (CF_BITMAP). Another
// program holding the clipboard is waited for a short while (Busy if it stays
// held); NoMemory when the copy cannot be made. The picture itself is left as it is.
ClipboardResult PutBitmapOnClipboard(HWND owner, const Dib& picture);

// Empties the clipboard and puts `text` on it (CF_UNICODETEXT); false when
// the clipboard stays held or there is no memory for the text.
bool PutTextOnClipboard(HWND owner, const std::wstring& text);

// A copy of the clipboard's picture (CF_BITMAP; the system makes one from a
// CF_DIB), or an empty Dib when it holds none or the copy cannot be made.
// `pixelBudget` is checked against the picture's size before any copy.
enum class ClipboardPicture { Ok, NoPicture, Busy, TooLarge, NoMemory };
ClipboardPicture CopyPictureFromClipboard(HWND owner, std::uint64_t pixelBudget, Dib& out);

}  // namespace vellumo::win
