// The overlay's three ways out: copy, pin and save. Each takes the selection
// as it shows and ends the capture (a pin through the coordinator, which
// makes the Floater); anything that stops one is told, and the overlay stays
// with its selection and drawings.
#include <algorithm>

#include "output/Clipboard_win.h"
#include "output/Save_win.h"
#include "overlay/CaptureOverlay_win.h"

namespace vellumo::win {

Rect CaptureOverlay::SelectionOnScreen() const { return Intersect(sel_.frame(), Rect{0, 0, screenWidth_, screenHeight_}); }

void CaptureOverlay::Tell(const std::wstring& text) {
    ::MessageBoxW(hwnd(), text.c_str(), L"Vellumo", MB_OK | MB_ICONWARNING);
}

bool CaptureOverlay::RenderSelection(OutputAction action, bool inBackground) {
    const Rect part = SelectionOnScreen();
    if (part.empty()) {
        const Rect& f = sel_.frame();
        Tell(EmptySelectionMessage(action, {std::max(0, f.width), std::max(0, f.height)}));
        return false;
    }
    CopySelectionPicture(inBackground);
    if (selectionPicture_.empty()) {
        Tell(NoMemoryForSelectionMessage(action, {part.width, part.height}));
        return false;
    }
    return true;
}

bool CaptureOverlay::ClipboardTaken(ClipboardResult result, OutputAction action) {
    switch (result) {
        case ClipboardResult::Ok: return true;
        case ClipboardResult::Busy:
            Tell(L"The capture could not be put on the clipboard: another program is holding it.\n\n"
                 L"Your selection is still here; please try again.");
            return false;
        case ClipboardResult::NoMemory:
            Tell(NoMemoryForSelectionMessage(action, {selectionPicture_.width(), selectionPicture_.height()}));
            return false;
        case ClipboardResult::NotKept:
            Tell(L"The capture could not be put on the clipboard: it did not keep the picture.\n\n"
                 L"Your selection is still here; please try again.");
            return false;
    }
    return false;
}

void CaptureOverlay::CopySelection() {
    if (!sel_.Selected()) return;
    CommitText();
    if (!RenderSelection(OutputAction::Copy) ||
        !ClipboardTaken(PutBitmapOnClipboard(hwnd(), selectionPicture_), OutputAction::Copy))
        return;
    const Rect onScreen = monitors_.ToScreen(SelectionOnScreen());
    events_.OnCaptureLeft(HandOverSelectionPicture(), onScreen, history::LeftBy::Copy);
    EndCapture();
}

SharedPixels CaptureOverlay::HandOverSelectionPicture() {
    // The history keeps the picture itself rather than a copy of it: the
    // copy (8 MB at 1920 x 1080) kept the user waiting 4 to 9 ms more with
    // the history on. The bitmap goes with the last holder, on whichever
    // thread that is.
    const auto picture = std::make_shared<Dib>(std::move(selectionPicture_));
    const PixelPlane plane = picture->plane();
    return {std::shared_ptr<const std::uint32_t>(picture, plane.bits), plane.width, plane.height};
}

void CaptureOverlay::PinSelection() {
    if (!sel_.Selected()) return;
    CommitText();
    // The pixels are copied on a second core while the Floater's windows are
    // made; nothing paints the Floater before the copy is joined.
    if (!RenderSelection(OutputAction::Pin, true)) return;
    const Rect onScreen = monitors_.ToScreen(SelectionOnScreen());
    PinRequest request{selectionPicture_, monitors_.bounds(monitors_.MonitorOf(onScreen)), onScreen,
                       [this] { selectionCopy_.Join(); }, [this] { EndCaptureAtIdle(); }};
    const PinAnswer answer = events_.OnPinRequested(request);
    // Whatever happened, the copy is over before anything is told or freed.
    selectionCopy_.Join();
    if (answer.pinned) return;
    if (answer.clipboard) ClipboardTaken(*answer.clipboard, OutputAction::Pin);
    else Tell(answer.why);
}

void CaptureOverlay::KeepDrawnPicture() {
    if (!sel_.Selected() || !keepDrawing_) return;
    CommitText();
    if (!RenderSelection(OutputAction::Pin)) return;
    // Taken out first: an Enter that arrives while the keeper works keeps nothing twice.
    const KeepDrawing keep = std::move(keepDrawing_);
    keepDrawing_ = nullptr;
    keep(selectionPicture_, monitors_.ToScreen(SelectionOnScreen()));
    EndCapture();
}

void CaptureOverlay::SaveSelection() {
    if (!sel_.Selected()) return;
    // An empty selection is told before the dialog asks for a name in vain.
    if (SelectionOnScreen().empty() && !RenderSelection(OutputAction::Save)) return;
    std::wstring name;
    // A cancelled dialog or a failed write leaves the overlay as it is.
    if (!AskSaveName(hwnd(), name)) return;
    CommitText();
    if (!RenderSelection(OutputAction::Save)) return;
    if (const SaveOutcome outcome = SaveBitmapToFile(selectionPicture_.bitmap(), name); !outcome.saved()) {
        Tell(outcome.refusal);
        return;
    }
    const Rect onScreen = monitors_.ToScreen(SelectionOnScreen());
    events_.OnCaptureLeft(HandOverSelectionPicture(), onScreen, history::LeftBy::Save);
    EndCapture();
}

}  // namespace vellumo::win
