#include "gfx/Subclass_win.h"

#include <algorithm>
#include <vector>

#include "gfx/Log_win.h"

namespace vellumo::win {

namespace {
constexpr wchar_t kPreviousProperty[] = L"WinProc";

// The hooked windows of this thread and their guards. A window keeps its
// entry with no guard when another procedure was put in front of ours after
// it, so ours can no longer be taken out: it then only passes messages on.
struct Hooked {
    HWND window;
    WNDPROC previous;
    SubclassGuard* guard;
};
thread_local std::vector<Hooked> t_hooked;

Hooked* Find(HWND w) {
    const auto it = std::find_if(t_hooked.begin(), t_hooked.end(), [w](const Hooked& h) { return h.window == w; });
    return it == t_hooked.end() ? nullptr : &*it;
}

void Forget(HWND w) {
    std::erase_if(t_hooked, [w](const Hooked& h) { return h.window == w; });
}

// Our procedure out, the window's own back in, and its property gone;
// false when a later procedure stands in front of ours.
bool Restore(HWND w, WNDPROC previous) {
    if (reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(w, GWLP_WNDPROC)) != SubclassGuard::Procedure()) return false;
    ::SetWindowLongPtrW(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
    ::RemovePropW(w, kPreviousProperty);
    return true;
}
}  // namespace

WNDPROC SubclassGuard::Procedure() { return &SubclassGuard::Proc; }

bool SubclassGuard::Install(HWND window, Handler handler) {
    if (!window || window_ || Find(window)) return false;
    handler_ = std::move(handler);
    // Listed before the procedure goes in: a message may come at once.
    t_hooked.push_back({window, nullptr, this});
    const auto previous = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SubclassGuard::Proc)));
    if (LogLastErrorIf(!previous, L"SetWindowLongPtrW(GWLP_WNDPROC)")) {
        Forget(window);
        return false;
    }
    Find(window)->previous = previous;
    ::SetPropW(window, kPreviousProperty, reinterpret_cast<HANDLE>(previous));
    window_ = window;
    previous_ = previous;
    return true;
}

void SubclassGuard::Remove() {
    if (!window_) return;
    if (Restore(window_, previous_)) Forget(window_);
    else if (Hooked* h = Find(window_)) h->guard = nullptr;
    window_ = nullptr;
    handler_ = nullptr;
}

LRESULT SubclassGuard::CallPrevious(UINT msg, WPARAM wp, LPARAM lp) const {
    return ::CallWindowProcW(previous_, window_, msg, wp, lp);
}

LRESULT CALLBACK SubclassGuard::Proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    const Hooked* hooked = Find(w);
    if (!hooked || !hooked->previous) return ::DefWindowProcW(w, msg, wp, lp);
    const WNDPROC previous = hooked->previous;
    SubclassGuard* guard = hooked->guard;
    if (msg == WM_NCDESTROY) {
        // The window goes before its guard: the guard lets go of it.
        Restore(w, previous);
        Forget(w);
        if (guard) {
            guard->window_ = nullptr;
            guard->handler_ = nullptr;
        }
        return ::CallWindowProcW(previous, w, msg, wp, lp);
    }
    if (guard && guard->handler_) {
        try {
            return guard->handler_(msg, wp, lp);
        } catch (...) {
            ReportCaughtException();
        }
    }
    return ::CallWindowProcW(previous, w, msg, wp, lp);
}

}  // namespace vellumo::win
