// The Floater commands: the menus imgmenu and cdd, the host's two layer
// modes, and a Floater's save.
#include "floaters/Hoverdeck_win.h"
#include "output/Save_win.h"

namespace vellumo::win {

namespace {
// imgmenu and cdd item ids.
enum : UINT {
    exitimg = 101,  // Delete
    qexit,          // Lowest
    bcjt,           // Save
    wstmd,          // 50%
    qstmd,          // 70%
    hfzc,           // Back to normal (PrtScr)
    hi = 201,       // Hide Floater
    quitit,         // Quit
};
}  // namespace

void Hoverdeck::BuildMenus() {
    imgmenu.reset(::CreatePopupMenu());
    cdd.reset(::CreatePopupMenu());
    if (imgmenu) {
        ::AppendMenuW(imgmenu.get(), MF_STRING, exitimg, L"Delete");
        ::AppendMenuW(imgmenu.get(), MF_STRING, qexit, L"Lowest");
        ::AppendMenuW(imgmenu.get(), MF_STRING, bcjt, L"Save");
        unique_hmenu tmdd(::CreatePopupMenu());
        if (tmdd) {
            ::AppendMenuW(tmdd.get(), MF_STRING, wstmd, L"50%");
            ::AppendMenuW(tmdd.get(), MF_STRING, qstmd, L"70%");
            ::AppendMenuW(tmdd.get(), MF_STRING, hfzc, L"Back to normal (PrtScr)");
            // The parent menu owns the submenu once appended.
            if (::AppendMenuW(imgmenu.get(), MF_POPUP, reinterpret_cast<UINT_PTR>(tmdd.get()), L"Transparency"))
                tmdd.release();
        }
    }
    if (cdd) {
        ::AppendMenuW(cdd.get(), MF_STRING, hi, L"Hide Floater");
        ::AppendMenuW(cdd.get(), MF_STRING, quitit, L"Quit");
    }
}

void Hoverdeck::SetHostAlpha(BYTE alpha) {
    const LayerMode m = book_.SetHostAlpha(alpha);
    ::SetWindowLongPtrW(hwnd(), GWL_EXSTYLE, ::GetWindowLongPtrW(hwnd(), GWL_EXSTYLE) | WS_EX_LAYERED);
    ::SetLayeredWindowAttributes(hwnd(), 0, m.alpha, LWA_ALPHA);
    ApplyAllOwnOpacities();
}

void Hoverdeck::Command5_Click() {
    book_.BackToNormal();
    ::SetWindowLongPtrW(hwnd(), GWL_EXSTYLE, ::GetWindowLongPtrW(hwnd(), GWL_EXSTYLE) | WS_EX_LAYERED);
    ::SetLayeredWindowAttributes(hwnd(), kKeyColorRef, 0, LWA_COLORKEY);
    ApplyAllOwnOpacities();
}

void Hoverdeck::ImgMenu(int command) {
    const std::optional<int> n = book_.SelectedIndex();
    switch (command) {
        case exitimg:
            if (n) RemoveFloater(*n);
            break;
        case qexit:
            if (n) ::SetWindowPos(Picture1[*n]->hwnd(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            break;
        case bcjt: savepic_Click(); break;
        case wstmd: SetHostAlpha(kAlpha50); break;
        case qstmd: SetHostAlpha(kAlpha70); break;
        case hfzc: Command5_Click(); break;
        default: break;
    }
}

void Hoverdeck::CddMenu(int command) {
    switch (command) {
        case hi: Hide(); break;
        // Every Floater goes with the window; the object is freed by the loop.
        case quitit: ::DestroyWindow(hwnd()); break;
        default: break;
    }
}

void Hoverdeck::savepic_Click() {
    const std::optional<int> n = book_.SelectedIndex();
    if (!n) return;
    std::wstring name = lastSaveName_;
    if (AskSaveName(hwnd(), name)) {
        lastSaveName_ = name;
        // Failures are reported to the user by the save itself.
        if (auto it = Picture1.find(*n); it != Picture1.end()) SaveBitmapToFile(hwnd(), it->second->bitmap(), name);
    }
    if (hwnd()) SetKeeper(true);
}

}  // namespace vellumo::win
