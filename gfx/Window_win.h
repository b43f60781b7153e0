// The one window base: binds the C++ object at WM_NCCREATE, hands every
// message to the derived class's HandleMessage, and lets no exception cross
// back into the system (which would unwind through user32 frames).
#pragma once
#include <windows.h>

#include <functional>
#include <memory>

#include "gfx/Log_win.h"

namespace vellumo::win {

HINSTANCE Instance();

// The owner a message box needs to stay in sight: the highest visible
// top-level window of this program. An owned window always stays above its
// owner, whereas Wine does not make an MB_TOPMOST box topmost: a box owned by
// a hidden window, or by none, sits under the topmost full-screen Floater
// host, and a Floater there covers its buttons.
inline HWND MessageBoxOwner() noexcept {
    const DWORD self = ::GetCurrentProcessId();
    for (HWND w = ::GetTopWindow(nullptr); w; w = ::GetWindow(w, GW_HWNDNEXT)) {
        DWORD pid = 0;
        ::GetWindowThreadProcessId(w, &pid);
        if (pid == self && ::IsWindowVisible(w)) return w;
    }
    return nullptr;
}

// A handler that threw has left its work undone: the user is told, once at a
// time (a failing paint must not stack boxes), and the window stays usable.
inline void TellHandlerFailed(bool outOfMemory) noexcept {
    static bool telling = false;
    if (telling) return;
    telling = true;
    ::MessageBoxW(MessageBoxOwner(),
                  outOfMemory ? L"Vellumo ran out of memory, so the last action was not done.\n\n"
                                L"Close some programs or Floaters and try again."
                              : L"An unexpected error stopped the last action; it was not done.",
                  L"Vellumo", MB_OK | MB_ICONERROR | MB_TOPMOST | MB_SETFOREGROUND);
    telling = false;
}

template <typename T>
class Window {
public:
    Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    virtual ~Window() {
        if (hwnd_) {
            ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
            ::DestroyWindow(hwnd_);
        }
    }

    HWND hwnd() const { return hwnd_; }

    // Work for later (WhenIdle, a timer) that runs only if this window still
    // exists by then: neither its object freed nor its window destroyed.
    std::function<void()> WhileAlive(std::function<void(T&)> work) {
        return [alive = std::weak_ptr<Window*>(self_), work = std::move(work)] {
            if (const auto self = alive.lock(); self && (*self)->hwnd_) work(static_cast<T&>(**self));
        };
    }

protected:
    static bool RegisterClassOnce(const wchar_t* name, HCURSOR cursor, HBRUSH background, UINT style = 0) {
        WNDCLASSEXW wc{};
        if (::GetClassInfoExW(Instance(), name, &wc)) return true;
        wc.cbSize = sizeof(wc);
        wc.style = style;
        wc.lpfnWndProc = &Window::Proc;
        wc.hInstance = Instance();
        wc.hCursor = cursor;
        wc.hbrBackground = background;
        wc.lpszClassName = name;
        wc.hIcon = ::LoadIconW(Instance(), MAKEINTRESOURCEW(1));
        return !LogLastErrorIf(!::RegisterClassExW(&wc), L"RegisterClassExW");
    }

    HWND CreateWin(DWORD exStyle, const wchar_t* cls, const wchar_t* title, DWORD style, int x, int y, int w,
                   int h, HWND parent = nullptr, UINT_PTR id = 0) {
        return LogIfNull(::CreateWindowExW(exStyle, cls, title, style, x, y, w, h, parent,
                                           reinterpret_cast<HMENU>(id), Instance(), this),
                         L"CreateWindowExW");
    }

    LRESULT Default(UINT msg, WPARAM wp, LPARAM lp) { return ::DefWindowProcW(hwnd_, msg, wp, lp); }

    // Called once the window is gone (WM_NCDESTROY); hwnd() is already null.
    virtual void OnDestroyed() {}

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
        T* self = nullptr;
        if (msg == WM_NCCREATE) {
            auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
            self = static_cast<T*>(static_cast<Window*>(cs->lpCreateParams));
            self->hwnd_ = hwnd;
            ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        } else {
            self = reinterpret_cast<T*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        }
        if (!self) return ::DefWindowProcW(hwnd, msg, wp, lp);
        if (msg == WM_NCDESTROY) {
            ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            self->hwnd_ = nullptr;
            try {
                self->OnDestroyed();
            } catch (...) {
                ReportCaughtException();
            }
            return ::DefWindowProcW(hwnd, msg, wp, lp);
        }
        try {
            return self->HandleMessage(msg, wp, lp);
        } catch (...) {
            ReportCaughtException();
        }
        return ::DefWindowProcW(hwnd, msg, wp, lp);
    }

    HWND hwnd_ = nullptr;
    std::shared_ptr<Window*> self_ = std::make_shared<Window*>(this);
};

}  // namespace vellumo::win
