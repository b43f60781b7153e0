// The overlay's keyboard: each key-down the overlay itself receives is
// decided by the key table (KeyActions) and carried out here with the same
// actions the toolbar and the pointer use.
#include <string>

#include "gfx/Region_win.h"
#include "output/Clipboard_win.h"
#include "overlay/ColourText.h"
#include "overlay/CaptureOverlay_win.h"

namespace vellumo::win {

namespace {
bool Held(int key) { return ::GetKeyState(key) < 0; }
}  // namespace

KeyFocus CaptureOverlay::FocusForKeys() const {
    const HWND focus = ::GetFocus();
    if (annotator_.IsTextBox(focus)) return KeyFocus::TextBox;
    // The width and opacity boxes are the toolbar's only children that take the focus.
    if (focus && toolbar_.hwnd() && ::IsChild(toolbar_.hwnd(), focus)) return KeyFocus::NumberBox;
    return KeyFocus::Overlay;
}

bool CaptureOverlay::OnKeyDown(WPARAM keyCode, LPARAM flags) {
    const OverlayKeyState state{FocusForKeys(), sel_.mode(), sel_.toolChosen()};
    // Bit 30: the key was down before this message (auto-repeat).
    const bool repeat = (static_cast<DWORD>(flags) & (1u << 30)) != 0;
    const KeyPress press{static_cast<int>(keyCode), Held(VK_SHIFT), Held(VK_CONTROL), Held(VK_MENU), repeat};
    const KeyAction a = DecideKey(state, press);
    const Size screen{screenWidth_, screenHeight_};
    switch (a.command) {
        case KeyCommand::None: break;
        case KeyCommand::EndCapture: EndCapture(); break;
        case KeyCommand::BackToDetection: BackToDetection(); break;
        case KeyCommand::MoveSelection: MoveFrameByKeys(MoveWithinScreen(sel_.frame(), a.dx, a.dy, screen)); break;
        case KeyCommand::MoveFarEdges:
            MoveFrameByKeys(MoveFarEdgesWithinScreen(sel_.frame(), a.dx, a.dy, screen));
            break;
        case KeyCommand::MovePointer: MovePointerByKeys(a.dx, a.dy); break;
        // Drawing on a picture, Enter keeps the drawing as the pin button does.
        case KeyCommand::Copy:
            if (keepDrawing_ && keyCode == VK_RETURN) KeepDrawnPicture();
            else CopySelection();
            break;
        case KeyCommand::Save: SaveSelection(); break;
        case KeyCommand::QuickSave: QuickSaveSelection(); break;
        case KeyCommand::CopyColourHex: CopyColourUnderPointer(false); break;
        case KeyCommand::CopyColourList: CopyColourUnderPointer(true); break;
        case KeyCommand::Undo: StepMarks(false); break;
        case KeyCommand::Redo: StepMarks(true); break;
        case KeyCommand::CommitText: CommitText(); break;
        case KeyCommand::ChooseTool: ChooseTool(static_cast<int>(a.tool)); break;
        case KeyCommand::ToggleToolOption:
            toolbar_.ShowToolOption(static_cast<int>(CurrentTool()), annotator_.ToggleOption(CurrentTool()));
            break;
    }
    return a.command != KeyCommand::None;
}

void CaptureOverlay::MoveFrameByKeys(const Rect& frame) {
    if (frame == sel_.frame()) return;
    Apply(sel_.PlaceFrame(frame));
    Point pt;
    if (PointerOnOverlay(pt)) Readout(pt);
}

void CaptureOverlay::MovePointerByKeys(int dx, int dy) {
    Point pt;
    if (!PointerOnOverlay(pt)) return;
    // On the overlay's coordinates the virtual screen starts at (0,0).
    const Point to = MovePointerWithinScreen(pt, dx, dy, {screenWidth_, screenHeight_});
    POINT onScreen{to.x, to.y};
    if (!::ClientToScreen(hwnd(), &onScreen) || !::SetCursorPos(onScreen.x, onScreen.y)) return;
    // The system may or may not send a move for a pointer placed by a
    // program (Wine does not always); the read-out and the window under the
    // pointer follow at once either way.
    OnMouseMove(0, to);
    OnDetectionTick();
}

void CaptureOverlay::StepMarks(bool redo) {
    // Typed text is a mark of its own: it is printed, and becomes the step
    // an undo takes back first.
    if (!redo) CommitText();
    InvalidateParts(hwnd(), redo ? surface_.RedoMark() : surface_.UndoMark());
}

void CaptureOverlay::CopyColourUnderPointer(bool asList) {
    Point pt;
    const Dib& clean = surface_.frozenScreen();
    if (!PointerOnOverlay(pt) || clean.empty()) return;
    if (pt.x < 0 || pt.y < 0 || pt.x >= clean.width() || pt.y >= clean.height()) return;
    ::GdiFlush();
    const Colour c = Colour::fromPixel(clean.Pixel(pt.x, pt.y));
    if (!PutTextOnClipboard(hwnd(), asList ? FormatRgbList(c) : FormatHex(c))) {
        Tell(L"The colour could not be put on the clipboard: another program is holding it.\n\n"
             L"Please try again.");
        return;
    }
    colourNote_.Show(kColourCopiedNote, ::GetTickCount64(), kColourCopiedNoteMs);
    ::SetTimer(hwnd(), kColourNoteTimer, kColourCopiedNoteMs, nullptr);
    Readout(pt);
}

void CaptureOverlay::HideColourNote() {
    ::KillTimer(hwnd(), kColourNoteTimer);
    colourNote_.Hide();
    Point pt;
    if (PointerOnOverlay(pt)) Readout(pt);
}

}  // namespace vellumo::win
