// A pin's side of the Floater host: the Floater made from the capture's own
// bitmap, and the clipboard copy promised for it, kept once the Floater shows.
#include "floaters/FloaterHost_win.h"

#include "gfx/Picture_win.h"
#include "output/SaveRules.h"

namespace vellumo::win {

namespace {
// Tries again to put the promised copy on a clipboard another program holds,
// for a few seconds; till then programs that ask still get it.
constexpr UINT kPromiseRetryMs = 50;
constexpr int kPromiseTries = 100;
constexpr const wchar_t* kPinnedCopyNotKeptMessage =
    L"The Floater is made, but the clipboard did not keep its copy: another program may have taken it over.";
}  // namespace

bool FloaterHost::CanPin(std::wstring& why) const {
    if (book_.NextUsableIndex()) return true;
    why = kIndexExhaustedMessage;
    return false;
}

bool FloaterHost::PinCapture(unique_hbitmap&& bitmap, std::wstring& why, std::optional<Rect> monitor) {
    const std::optional<int> n = book_.NextUsableIndex();
    if (!CanPin(why) || !AddFloater(std::move(bitmap), monitor)) {
        if (n) why = L"The Floater could not be made: the system refused a new window.";
        WithdrawBitmapPromise(hwnd());
        return false;
    }
    promisedCopy_ = n;
    promiseTries_ = 0;
    owed_ = {};
    return true;
}

void FloaterHost::ShowPinned(bool finishAtIdle) {
    if (finishAtIdle) FinishPinAtIdle();
    // Shown and raised in one move: under Wine each window-position change
    // is a round of X requests and the window manager's answers.
    ::SetWindowPos(hwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    ::ShowOwnedPopups(hwnd(), TRUE);
    SetKeeper(true);
}

void FloaterHost::PaintPinned() {
    ::RedrawWindow(hwnd(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void FloaterHost::FinishPinAtIdle() {
    WhenIdle(WhileAlive([](FloaterHost& host) { host.AfterPinShown(); }));
}

void FloaterHost::AfterPinShown() {
    KeepPromise(PromiseMoment::Now);
    events_.OnFloaterHostInUse();
}

void FloaterHost::KeepPromise(PromiseMoment moment, UINT asked) {
    if (!promisedCopy_) return;
    const auto pic = pictures_.find(*promisedCopy_);
    const HBITMAP source = pic != pictures_.end() ? pic->second->bitmap() : nullptr;
    const ClipboardResult result = KeepBitmapPromise(hwnd(), source, moment, owed_, asked);
    switch (result) {
        case ClipboardResult::Ok:
            // The PNG may still be owed, made when a program asks for it.
            if (!owed_.any()) DropPromise();
            return;
        case ClipboardResult::Busy:
            if (moment == PromiseMoment::Now && ++promiseTries_ < kPromiseTries)
                ::SetTimer(hwnd(), kPromiseTimer, kPromiseRetryMs, nullptr);
            else if (moment == PromiseMoment::Last)
                DropPromise();
            return;
        case ClipboardResult::NoMemory:
        case ClipboardResult::NotKept: {
            // Asked, it may go better the next time; else the promise is withdrawn.
            if (moment == PromiseMoment::Asked) return;
            DropPromise();
            if (moment != PromiseMoment::Now || !source) return;
            if (result == ClipboardResult::NotKept) return Tell(kPinnedCopyNotKeptMessage);
            const SIZE size = BitmapSize(source);
            Tell(NoMemoryForPinnedCopyMessage({size.cx, size.cy}));
            return;
        }
    }
}

void FloaterHost::DropPromise() {
    promisedCopy_.reset();
    promiseTries_ = 0;
    ::KillTimer(hwnd(), kPromiseTimer);
}

}  // namespace vellumo::win
