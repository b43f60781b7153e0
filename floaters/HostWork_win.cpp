// What a user does with one Floater besides moving it: copy it, save it,
// draw on it, turn it, let the pointer through it; from its menu or its keys.
#include <new>

#include "floaters/FloaterHost_win.h"
#include "floaters/FloaterKeys.h"
#include "gfx/Picture_win.h"

namespace vellumo::win {

namespace {
constexpr wchar_t kNoMemoryToTurn[] = L"There is not enough memory to turn this Floater.";
constexpr wchar_t kNoMemoryToCopy[] = L"There is not enough memory to put this Floater on the clipboard.";
constexpr wchar_t kNoMemoryToKeepDrawing[] =
    L"There is not enough memory to keep the drawing: the Floater keeps its picture.";

bool Held(int key) { return ::GetKeyState(key) < 0; }

PixelPlane PlaneOf(Pixels& px) { return {px.bits.data(), px.width, px.height, px.width}; }

// A picture's pixels in a new DIB section, as the clipboard code takes them.
bool DibOf(HBITMAP bitmap, Dib& out) try {
    Pixels px;
    if (!ReadPixels(bitmap, px) || !out.Create(px.width, px.height)) return false;
    CopyArea(out.plane(), PlaneOf(px), {0, 0, px.width, px.height});
    return true;
} catch (const std::bad_alloc&) {
    return false;
}
}  // namespace

bool FloaterHost::OnFloaterKey(WPARAM key, LPARAM flags) {
    // Bit 30: the key was down before this message.
    const bool repeat = (static_cast<DWORD>(flags) & (1u << 30)) != 0;
    const FloaterKey what = DecideFloaterKey(
        {static_cast<int>(key), Held(VK_SHIFT), Held(VK_CONTROL), Held(VK_MENU), repeat});
    if (what == FloaterKey::None) return false;
    POINT pt{};
    const std::optional<int> under = ::GetCursorPos(&pt) ? FloaterAt({pt.x, pt.y}) : std::nullopt;
    const std::optional<int> n = FloaterForKeys(under, book_.SelectedIndex(), book_);
    if (!n) return false;
    switch (what) {
        case FloaterKey::None: return false;
        case FloaterKey::Copy: CopyFloater(*n); break;
        case FloaterKey::Save: SaveFloaterAt(*n); break;
        case FloaterKey::Draw: DrawOnFloater(*n); break;
        case FloaterKey::RotateLeft: TurnFloater(*n, Turn::Left); break;
        case FloaterKey::RotateRight: TurnFloater(*n, Turn::Right); break;
        case FloaterKey::FlipHorizontal: TurnFloater(*n, Turn::FlipHorizontal); break;
        case FloaterKey::FlipVertical: TurnFloater(*n, Turn::FlipVertical); break;
    }
    return true;
}

void FloaterHost::CopyFloater(int n) {
    const auto pic = pictures_.find(n);
    if (pic == pictures_.end()) return;
    // The picture itself, whatever its zoom: what was pinned and drawn, pixel for pixel.
    Dib copy;
    if (!DibOf(pic->second->bitmap(), copy)) return Tell(kNoMemoryToCopy);
    switch (PutBitmapOnClipboard(hwnd(), copy)) {
        case ClipboardResult::Ok: return;
        case ClipboardResult::Busy:
            return Tell(L"The Floater could not be put on the clipboard: another program is holding it.");
        case ClipboardResult::NoMemory: return Tell(kNoMemoryToCopy);
        case ClipboardResult::NotKept:
            return Tell(L"The Floater could not be put on the clipboard: it did not keep the picture.");
    }
}

void FloaterHost::DrawOnFloater(int n) {
    const Floater* f = book_.Find(n);
    const auto pic = pictures_.find(n);
    if (!f || pic == pictures_.end()) return;
    // At 100% from the Floater's top-left, however it is zoomed or folded.
    events_.OnDrawOnFloater(n, pic->second->bitmap(), monitors_.ToScreen(Point{f->picture.left, f->picture.top}));
}

void FloaterHost::KeepDrawing(int n, const Dib& drawn, Point at) {
    const Floater* f = book_.Find(n);
    const auto pic = pictures_.find(n);
    if (!f || pic == pictures_.end() || drawn.empty()) return;
    const Point origin = monitors_.ToScreen(Point{f->picture.left, f->picture.top});
    try {
        Pixels px;
        if (!ReadPixels(pic->second->bitmap(), px)) return Tell(kNoMemoryToKeepDrawing);
        ::GdiFlush();
        if (LayOver(PlaneOf(px), drawn.plane(), {at.x - origin.x, at.y - origin.y}).empty()) return;
        unique_hbitmap kept(BitmapFromPixels(px));
        if (!kept) return Tell(kNoMemoryToKeepDrawing);
        beforeDrawing_[n] = ReplacePicture(n, std::move(kept));
    } catch (const std::bad_alloc&) {
        Tell(kNoMemoryToKeepDrawing);
    }
}

void FloaterHost::UndoDrawing(int n) {
    const auto before = beforeDrawing_.find(n);
    if (before == beforeDrawing_.end()) return;
    unique_hbitmap old = std::move(before->second);
    beforeDrawing_.erase(before);
    ReplacePicture(n, std::move(old));
}

void FloaterHost::TurnFloater(int n, Turn turn) {
    const auto pic = pictures_.find(n);
    if (pic == pictures_.end()) return;
    try {
        Pixels from;
        if (!ReadPixels(pic->second->bitmap(), from)) return Tell(kNoMemoryToTurn);
        Pixels to;
        const Size size = TurnedSize({from.width, from.height}, turn);
        to.width = size.width;
        to.height = size.height;
        to.bits.resize(std::size_t(size.width) * std::size_t(size.height));
        if (!TurnPixels(PlaneOf(from), PlaneOf(to), turn)) return;
        unique_hbitmap turned(BitmapFromPixels(to));
        if (!turned) return Tell(kNoMemoryToTurn);
        ReplacePicture(n, std::move(turned));
        // "Undo drawing" would bring back the picture as it was before the
        // turn as well: only the drawing is undone, so after a turn there is none.
        beforeDrawing_.erase(n);
    } catch (const std::bad_alloc&) {
        Tell(kNoMemoryToTurn);
    }
}

unique_hbitmap FloaterHost::ReplacePicture(int n, unique_hbitmap&& picture) {
    const Floater* f = book_.Find(n);
    const auto pic = pictures_.find(n);
    if (!f || pic == pictures_.end() || !picture) return {};
    // A pin's clipboard copy still owed is of the picture as pinned.
    if (promisedCopy_ == n) KeepPromise(PromiseMoment::Last);
    const SIZE size = BitmapSize(picture.get());
    const Size natural{size.cx, size.cy};
    const FloaterScale* scale = ScaleOf(n);
    const Size shown = scale ? ZoomedSize(natural, scale->zoom()) : natural;
    unique_hbitmap old = pic->second->SwapBitmap(std::move(picture));
    book_.ReplacePicture(n, natural, ResizedAroundCentre(f->picture, shown));
    ApplyFloater(n);
    ::InvalidateRect(pic->second->hwnd(), nullptr, FALSE);
    NotePictureReplaced(n);  // what is kept of the Floaters shows the new picture
    return old;
}

void FloaterHost::LetClicksThrough(int n, bool through) {
    const auto pic = pictures_.find(n);
    if (pic == pictures_.end()) return;
    if (through) clickThrough_.insert(n);
    else clickThrough_.erase(n);
    ApplyOwnOpacity(n);
    ::InvalidateRect(pic->second->hwnd(), nullptr, FALSE);
}

void FloaterHost::TakeClicksAgain() {
    const std::set<int> through = clickThrough_;
    for (int n : through) LetClicksThrough(n, false);
}

}  // namespace vellumo::win
