// The one way this program puts its own procedure in front of a window it
// did not write (an EDIT, a BUTTON, a system dialog): a guard that installs
// the procedure and puts the window's own back when the guard goes, or when
// the window goes first. Plain SetWindowLongPtr(GWLP_WNDPROC) rather than
// comctl32's SetWindowSubclass, which would load the common controls on the
// way to the first frame. The previous procedure is also left, as always, in
// the window property "WinProc", where other programs may look for it.
#pragma once
#include <windows.h>

#include <functional>

namespace vellumo::win {

class SubclassGuard {
public:
    // Sees every message first. It answers itself, or passes the message on
    // with CallPrevious (before or after its own work).
    using Handler = std::function<LRESULT(UINT msg, WPARAM wp, LPARAM lp)>;

    SubclassGuard() = default;
    ~SubclassGuard() { Remove(); }
    SubclassGuard(const SubclassGuard&) = delete;
    SubclassGuard& operator=(const SubclassGuard&) = delete;

    // False (and nothing installed) for a null window or one already hooked
    // by this guard.
    bool Install(HWND window, Handler handler);
    // Puts the window's own procedure back; nothing when not installed.
    void Remove();

    HWND window() const { return window_; }
    LRESULT CallPrevious(UINT msg, WPARAM wp, LPARAM lp) const;

    // The procedure a hooked window has (for a test to recognise it).
    static WNDPROC Procedure();

private:
    static LRESULT CALLBACK Proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) noexcept;

    HWND window_ = nullptr;
    WNDPROC previous_ = nullptr;
    Handler handler_;
};

}  // namespace vellumo::win
