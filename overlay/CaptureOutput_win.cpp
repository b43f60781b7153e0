// The overlay's three ways out: copy, pin and save. Each takes the selection
// as it shows and ends the capture; anything that stops one is told, and the
// overlay stays with its selection and drawings.
#include <algorithm>

#include "floaters/FloaterHost_win.h"
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
    events_.OnCaptureLeft(selectionPicture_.plane(), monitors_.ToScreen(SelectionOnScreen()), history::LeftBy::Copy);
    EndCapture();
}

void CaptureOverlay::PinSelection() {
    if (!sel_.Selected()) return;
    CommitText();
    // The pixels are copied on a second core while the Floater's windows are
    // made; nothing paints the Floater before the copy is joined.
    if (!RenderSelection(OutputAction::Pin, true)) return;
    // The host takes over from here; the process must not end in between.
    KeepAlive hold;
    bool freshHost = false;
    FloaterHost* host = events_.FloaterHostForPin(freshHost);
    // A host loaded for this pin alone would keep the process running unseen.
    // The copy ends before anything is told or freed.
    const auto giveUp = [&] {
        selectionCopy_.Join();
        if (freshHost && host) ::DestroyWindow(host->hwnd());
    };
    std::wstring why = L"The Floater could not be made: the system refused a new window.";
    if (!host || !host->CanPin(why)) {
        giveUp();
        Tell(why);
        return;
    }
    // The clipboard is the host's, a bitmap promised, before the Floater is
    // made: another program holding it is told and nothing is pinned. The
    // copy for it is made from the Floater's picture once the Floater shows;
    // the Floater is the capture's own bitmap, so whatever another program
    // then does with the clipboard (hold it, replace the picture) cannot lose
    // the pin.
    if (const ClipboardResult promised = PromiseBitmapOnClipboard(host->hwnd()); promised != ClipboardResult::Ok) {
        giveUp();
        ClipboardTaken(promised, OutputAction::Pin);
        return;
    }
    // The Floater shows on the monitor that held (most of) the selection.
    const Rect monitor = monitors_.bounds(monitors_.MonitorOf(monitors_.ToScreen(SelectionOnScreen())));
    // The Floater owns these pixels from here; they are read for the history
    // once it shows.
    const PixelPlane pinned = selectionPicture_.plane();
    // A refused Floater leaves the bitmap here, still being written.
    unique_hbitmap picture(selectionPicture_.ReleaseBitmap());
    if (!host->PinCapture(std::move(picture), why, monitor)) {
        giveUp();
        Tell(why);
        return;
    }
    // Only once the Floater exists does the capture go (its pictures are
    // freed at idle, after the copy has been joined).
    EndCaptureAtIdle();
    selectionCopy_.Join();
    host->ShowPinned();
    events_.OnCaptureLeft(pinned, monitors_.ToScreen(SelectionOnScreen()), history::LeftBy::Pin);
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
    events_.OnCaptureLeft(selectionPicture_.plane(), monitors_.ToScreen(SelectionOnScreen()), history::LeftBy::Save);
    EndCapture();
}

}  // namespace vellumo::win
