// The clipboard as the capture output uses it: a picture in, as CF_BITMAP and
// as the registered "PNG" format that browsers, chat and office programs
// prefer; read back after each write.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "gfx/Dib_win.h"
#include "output/ClipboardPromise.h"

namespace vellumo::win {

// NotKept: the clipboard refused the data or, read back, does not hold it.
enum class ClipboardResult { Ok, Busy, NoMemory, NotKept };

// The registered clipboard format "PNG": the PNG file's bytes.
UINT PngClipboardFormat();

// Empties the clipboard and puts a copy of `picture` on it (CF_BITMAP and
// "PNG"), then reads it back. Another program holding the clipboard is
// waited for a short while (Busy if it stays held); NoMemory when a copy
// cannot be made. The picture itself is left as it is.
ClipboardResult PutBitmapOnClipboard(HWND owner, const Dib& picture);

// Empties the clipboard for `owner` and promises a bitmap (CF_BITMAP and
// "PNG", no data yet): no pixels move, so it costs no time; the owner keeps
// the promise with KeepBitmapPromise. Busy as above; NotKept when the
// clipboard, read back, holds no such promise.
ClipboardResult PromiseBitmapOnClipboard(HWND owner);

// Puts copies of `source` on the clipboard for `owner`'s promise, striking
// them off `owed`: those FormatsToMake names (`asked` is the format a program
// asked for, when Asked). Ok too when the clipboard is no longer `owner`'s (nothing
// left to keep); NoMemory when a copy cannot be made, NotKept when the
// clipboard refuses it or does not hold it read back (the promise then
// withdrawn, but when Asked).
ClipboardResult KeepBitmapPromise(HWND owner, HBITMAP source, PromiseMoment moment, PromisedFormats& owed,
                                  UINT asked = 0);
// A promise that will not be kept: the clipboard emptied, if still `owner`'s.
void WithdrawBitmapPromise(HWND owner);

// Empties the clipboard and puts `text` on it (CF_UNICODETEXT); false when
// the clipboard stays held or there is no memory for the text.
bool PutTextOnClipboard(HWND owner, const std::wstring& text);

// A copy of the clipboard's picture, or an empty Dib when it holds none or
// the copy cannot be made. A DIB (CF_DIB, CF_DIBV5) is judged by its header
// first: Unusable when the header is not borne out by the bytes it came in
// or names no picture (a height of 0), TooLarge past `pixelBudget`; a
// CF_BITMAP by its own size. `claimed`, if given, gets the size judged.
enum class ClipboardPicture { Ok, NoPicture, Busy, TooLarge, NoMemory, Unusable };
struct ClipboardPictureSize {
    std::int64_t width = 0, height = 0;
};
ClipboardPicture CopyPictureFromClipboard(HWND owner, std::uint64_t pixelBudget, Dib& out,
                                          ClipboardPictureSize* claimed = nullptr);

}  // namespace vellumo::win
