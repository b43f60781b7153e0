#include "floaters/ClipboardPin_win.h"

#include <string>

#include "floaters/DropQueue.h"
#include "floaters/FloaterHost_win.h"
#include "gfx/MessageLoop_win.h"
#include "gfx/PictureHeader.h"
#include "gfx/Window_win.h"
#include "output/Clipboard_win.h"

namespace vellumo::win {

namespace {
void Tell(const std::wstring& text) {
    ::MessageBoxW(MessageBoxOwner(), text.c_str(), L"Vellumo", MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
}

std::wstring UnreadableMessage(ClipboardPicture why, ClipboardPictureSize size, std::int64_t budget) {
    switch (why) {
        case ClipboardPicture::NoPicture: return L"The clipboard holds no image to pin.";
        case ClipboardPicture::Unusable:
            return L"The clipboard holds no usable image to pin: its picture's header does not match its data.";
        case ClipboardPicture::Busy:
            return L"The clipboard image could not be read: another program is holding the clipboard.\n\n"
                   L"Please try again.";
        case ClipboardPicture::TooLarge: return TooLargeToPinMessage(size.width, size.height, budget);
        case ClipboardPicture::NoMemory:
            return L"There is not enough memory to pin the clipboard image.\n\n"
                   L"Close some programs or Floaters and try again.";
        case ClipboardPicture::Ok: break;
    }
    return {};
}
}  // namespace

bool PinClipboardImage(HWND clipboardOwner, const std::function<FloaterHost*()>& hostForPin,
                       const std::function<void(const PixelPlane&)>& pinned) {
    KeepAlive hold;
    const PixelBudget budget = ThisProcessBudget();
    Dib picture;
    ClipboardPictureSize size;
    const ClipboardPicture read =
        CopyPictureFromClipboard(clipboardOwner, std::uint64_t(budget.perPicture), picture, &size);
    // Nothing to pin: no host is loaded or shown for it.
    if (read != ClipboardPicture::Ok) {
        Tell(UnreadableMessage(read, size, budget.perPicture));
        return false;
    }
    FloaterHost* host = hostForPin();
    if (!host) {
        Tell(L"The Floater could not be made: the system refused a new window.");
        return false;
    }
    const std::int64_t pixels = std::int64_t(picture.width()) * picture.height();
    const FloaterRoom room = RoomFor(host->book(), pixels, budget.allFloaters);
    if (room != FloaterRoom::Ok) {
        Tell(NoRoomMessage(room, L"the clipboard image", 0, host->book().PixelsHeld(), budget.allFloaters));
        return false;
    }
    // No clipboard promise here: the clipboard keeps the other program's
    // picture, and the host finds it no longer its own to fill.
    std::wstring why;
    const PixelPlane plane = picture.plane();
    if (!host->PinCapture(unique_hbitmap(picture.ReleaseBitmap()), why)) {
        Tell(why);
        return false;
    }
    host->ShowPinned();
    host->PaintPinned();
    if (pinned) pinned(plane);
    return true;
}

}  // namespace vellumo::win
