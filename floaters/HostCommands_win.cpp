// The Floater commands: the menus floaterMenu_ and dropIconMenu_, the host's two layer
// modes, and a Floater's save.
#include "floaters/FloaterHost_win.h"
#include "output/Save_win.h"

namespace vellumo::win {

namespace {
// floaterMenu_ and dropIconMenu_ item ids.
enum : UINT {
    exitimg = 101,  // Delete
    qexit,          // Lowest
    bcjt,           // Save
    wstmd,          // 50%
    qstmd,          // 70%
    hfzc,           // Back to normal (PrtScr)
    copyFloater,    // Copy
    drawOnFloater,  // Draw
    undoDrawing,    // Undo drawing
    rotateLeft,
    rotateRight,
    flipHorizontally,
    flipVertically,
    letClicksThrough,
    reopen,         // Reopen closed Floater
    hi = 201,       // Hide Floater
    quitit,         // Quit
};
}  // namespace

void FloaterHost::BuildMenus() {
    floaterMenu_.reset(::CreatePopupMenu());
    dropIconMenu_.reset(::CreatePopupMenu());
    if (floaterMenu_) {
        ::AppendMenuW(floaterMenu_.get(), MF_STRING, exitimg, L"Delete");
        ::AppendMenuW(floaterMenu_.get(), MF_STRING, qexit, L"Lowest");
        ::AppendMenuW(floaterMenu_.get(), MF_STRING, copyFloater, L"Copy");
        ::AppendMenuW(floaterMenu_.get(), MF_STRING, bcjt, L"Save");
        unique_hmenu tmdd(::CreatePopupMenu());
        if (tmdd) {
            ::AppendMenuW(tmdd.get(), MF_STRING, wstmd, L"50%");
            ::AppendMenuW(tmdd.get(), MF_STRING, qstmd, L"70%");
            ::AppendMenuW(tmdd.get(), MF_STRING, hfzc, L"Back to normal (PrtScr)");
            // The parent menu owns the submenu once appended.
            if (::AppendMenuW(floaterMenu_.get(), MF_POPUP, reinterpret_cast<UINT_PTR>(tmdd.get()), L"Transparency"))
                tmdd.release();
        }
        ::AppendMenuW(floaterMenu_.get(), MF_STRING, drawOnFloater, L"Draw");
        ::AppendMenuW(floaterMenu_.get(), MF_STRING, undoDrawing, L"Undo drawing");
        ::AppendMenuW(floaterMenu_.get(), MF_STRING, rotateLeft, L"Rotate left");
        ::AppendMenuW(floaterMenu_.get(), MF_STRING, rotateRight, L"Rotate right");
        ::AppendMenuW(floaterMenu_.get(), MF_STRING, flipHorizontally, L"Flip horizontally");
        ::AppendMenuW(floaterMenu_.get(), MF_STRING, flipVertically, L"Flip vertically");
        ::AppendMenuW(floaterMenu_.get(), MF_STRING, letClicksThrough, L"Let clicks through");
        ::AppendMenuW(floaterMenu_.get(), MF_STRING, reopen, L"Reopen closed Floater");
    }
    if (dropIconMenu_) {
        ::AppendMenuW(dropIconMenu_.get(), MF_STRING, hi, L"Hide Floater");
        ::AppendMenuW(dropIconMenu_.get(), MF_STRING, quitit, L"Quit");
    }
}

void FloaterHost::SetHostAlpha(BYTE alpha) {
    const LayerMode m = book_.SetHostAlpha(alpha);
    ::SetWindowLongPtrW(hwnd(), GWL_EXSTYLE, ::GetWindowLongPtrW(hwnd(), GWL_EXSTYLE) | WS_EX_LAYERED);
    ::SetLayeredWindowAttributes(hwnd(), 0, m.alpha, LWA_ALPHA);
    ApplyAllOwnOpacities();
    ApplyShape();
    NoteChanged();
}

void FloaterHost::BackToNormal() {
    book_.BackToNormal();
    ::SetWindowLongPtrW(hwnd(), GWL_EXSTYLE, ::GetWindowLongPtrW(hwnd(), GWL_EXSTYLE) & ~WS_EX_LAYERED);
    ApplyAllOwnOpacities();
    ApplyShape();
    NoteChanged();
}

void FloaterHost::OnFloaterMenu(int command) {
    const std::optional<int> n = book_.SelectedIndex();
    switch (command) {
        case exitimg:
            if (n) RemoveFloater(*n);
            break;
        case qexit:
            if (n) SendToBack(*n);
            break;
        case bcjt: SaveFloater(); break;
        case copyFloater:
            if (n) CopyFloater(*n);
            break;
        case drawOnFloater:
            if (n) DrawOnFloater(*n);
            break;
        case undoDrawing:
            if (n) UndoDrawing(*n);
            break;
        case rotateLeft:
            if (n) TurnFloater(*n, Turn::Left);
            break;
        case rotateRight:
            if (n) TurnFloater(*n, Turn::Right);
            break;
        case flipHorizontally:
            if (n) TurnFloater(*n, Turn::FlipHorizontal);
            break;
        case flipVertically:
            if (n) TurnFloater(*n, Turn::FlipVertical);
            break;
        case letClicksThrough:
            if (n) LetClicksThrough(*n, true);
            break;
        case wstmd: SetHostAlpha(kAlpha50); break;
        case qstmd: SetHostAlpha(kAlpha70); break;
        case hfzc: BackToNormal(); break;
        case reopen: events_.OnReopenClosedFloaterAsked(); break;
        default: break;
    }
}

void FloaterHost::UpdateFloaterMenu(int n) {
    // Only a kept drawing can be undone, and only once.
    ::EnableMenuItem(floaterMenu_.get(), undoDrawing,
                     MF_BYCOMMAND | (beforeDrawing_.contains(n) ? MF_ENABLED : MF_GRAYED));
}

void FloaterHost::SendToBack(int n) {
    const auto pic = pictures_.find(n);
    if (pic == pictures_.end()) return;
    stack_.ToBack(n);
    const HWND w = pic->second->hwnd();
    // In the host: behind every other Floater, label and the drop icon. A
    // popup is above the whole host whatever its place: behind the other
    // popups, it leaves out of its window every Floater of the host (ApplyShape).
    if (::GetWindowLongPtrW(w, GWL_STYLE) & WS_CHILD)
        ::SetWindowPos(w, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    else
        PlaceInStack(n);
    ApplyShape();
    NoteChanged();
}

void FloaterHost::OnDropIconMenu(int command) {
    switch (command) {
        case hi: Hide(); break;
        // Every Floater goes with the window; the object is freed by the loop.
        case quitit: ::DestroyWindow(hwnd()); break;
        default: break;
    }
}

void FloaterHost::SaveFloater() {
    if (const std::optional<int> n = book_.SelectedIndex()) SaveFloaterAt(*n);
}

void FloaterHost::SaveFloaterAt(int n) {
    std::wstring name = lastSaveName_;
    if (AskSaveName(hwnd(), name)) {
        lastSaveName_ = name;
        // Failures are reported to the user by the save itself.
        if (auto it = pictures_.find(n); it != pictures_.end()) {
            const SaveOutcome outcome = SaveBitmapToFile(it->second->bitmap(), name);
            if (!outcome.saved())
                ::MessageBoxW(hwnd(), outcome.refusal.c_str(), L"Vellumo", MB_OK | MB_ICONWARNING);
        }
    }
    if (hwnd()) SetKeeper(true);
}

}  // namespace vellumo::win
