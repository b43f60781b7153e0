// Files dropped on the host: on the drop icon each becomes a Floater, on a
// Floater the first one's path is shown. Drops wait in a queue and are taken
// one at a time, so a drop that arrives while a message about an earlier one
// is up never opens a second box over it.
#include "floaters/FloaterHost_win.h"
#include "gfx/Dib_win.h"
#include "gfx/Picture_win.h"
#include "gfx/PictureFit.h"

namespace vellumo::win {

namespace {
constexpr COLORREF kWhite = RGB(255, 255, 255);

// Every file of a drop, in order. The drop is finished here, before any
// message box, so the source is not kept waiting.
std::vector<std::wstring> DroppedFiles(HDROP drop) {
    unique_hdrop owned(drop);
    std::vector<std::wstring> files;
    if (!owned) return files;
    const UINT count = QueryDroppedFile(owned.get(), 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        const UINT length = QueryDroppedFile(owned.get(), i, nullptr, 0);
        std::wstring path(length + 1, L'\0');
        path.resize(QueryDroppedFile(owned.get(), i, path.data(), length + 1));
        if (!path.empty()) files.push_back(std::move(path));
    }
    return files;
}
}  // namespace

void FloaterHost::OnDropIconDropFiles(HDROP drop) {
    dropQueue_.Add(DropItem::Kind::OpenAsFloater, DroppedFiles(drop));
    TakeDrops();
}

void FloaterHost::OnFloaterDropFiles(HDROP drop) {
    dropQueue_.Add(DropItem::Kind::ShowPath, DroppedFiles(drop));
    TakeDrops();
}

void FloaterHost::TakeDrops() {
    // Called again from inside one of this loop's message boxes, the new
    // drop just waits in the queue for this loop.
    if (!dropQueue_.BeginDrain()) return;
    struct EndDrain {
        DropQueue& queue;
        ~EndDrain() { queue.EndDrain(); }
    } end{dropQueue_};
    while (hwnd()) {
        const std::optional<DropItem> item = dropQueue_.Next();
        if (!item) break;
        switch (item->kind) {
            case DropItem::Kind::NoFile: Tell(kNoFileDroppedMessage); break;
            case DropItem::Kind::ShowPath:
                ::MessageBoxW(hwnd(), item->path.c_str(), L"Vellumo", MB_OK | MB_TOPMOST | MB_SETFOREGROUND);
                break;
            case DropItem::Kind::OpenAsFloater: OpenImageFile(book_.nextIndex, item->path); break;
        }
    }
}

void FloaterHost::TellNoRoom(FloaterRoom room, const std::wstring& path) {
    // The files still waiting would meet the same limit: one message for all.
    const std::size_t skipped = dropQueue_.DiscardFloaterFiles();
    Tell(NoRoomMessage(room, path, skipped, book_.PixelsHeld(), ThisProcessBudget().allFloaters));
}

bool FloaterHost::OpenImageFile(int index, const std::wstring& path) {
    if (index != book_.NextUsableIndex()) {
        TellNoRoom(FloaterRoom::NoIndex, path);
        return false;
    }
    if (RouteFor(path) == PictureRoute::Refused) {
        Tell(NoExtensionMessage(path));
        return false;
    }
    // The header tells most sizes before anything is decoded; a picture the
    // Floaters together have no room for is not loaded at all.
    const PixelBudget budget = ThisProcessBudget();
    const PictureHeader header = ReadPictureFileHeader(path);
    if (header.sizeKnown && header.pixels() <= budget.perPicture &&
        RoomFor(book_, header.pixels(), budget.allFloaters) == FloaterRoom::NoPixels) {
        TellNoRoom(FloaterRoom::NoPixels, path);
        return false;
    }
    unique_hbitmap bitmap;
    try {
        // PNG takes the scaled loader by rule. GDI+ also stands in as the
        // standard loader for BMP, JPEG, GIF, ICO, WMF and EMF: it is loaded
        // on demand already, and drawn on white a transparent part never
        // shows the key colour (a see-through hole in the Floater).
        EnsureGdiPlus();
        int width = -1, height = -1;
        bitmap = LoadPictureScaled(path, width, height, kWhite, false);
    } catch (const PictureLoadError& e) {
        Tell(e.description);
        return false;
    }
    const SIZE size = BitmapSize(bitmap.get());
    const FloaterRoom room = RoomFor(book_, std::int64_t(size.cx) * size.cy, budget.allFloaters);
    if (room != FloaterRoom::Ok) {
        TellNoRoom(room, path);
        return false;
    }
    // Read before the Floater takes the bitmap into its DC.
    Pixels pixels;
    const bool read = ReadPixels(bitmap.get(), pixels);
    if (!AddFloater(std::move(bitmap))) {
        Tell(PictureLoadErrorText(path));
        return false;
    }
    if (read) events_.OnFloaterFromFile({pixels.bits.data(), pixels.width, pixels.height, pixels.width});
    return true;
}

}  // namespace vellumo::win
