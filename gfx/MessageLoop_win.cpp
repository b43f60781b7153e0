#include "gfx/MessageLoop_win.h"

#include <vector>

#include "gfx/Log_win.h"
#include "gfx/Window_win.h"

namespace vellumo::win {

namespace {
int g_topLevel = 0;
int g_keepAlive = 0;
std::vector<std::unique_ptr<Disposable>> g_disposed;
std::vector<std::function<void()>> g_idleWork;
HWND g_navigation = nullptr;

void Dispatch(MSG& msg) {
    // The navigation window's keys go between its controls; IsDialogMessage
    // dispatches whatever it takes.
    if (g_navigation && ::IsWindow(g_navigation) && ::IsDialogMessageW(g_navigation, &msg)) return;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
}

void QuitIfIdle() {
    if (g_topLevel <= 0 && g_keepAlive <= 0) ::PostQuitMessage(0);
}
}  // namespace

HINSTANCE Instance() { return ::GetModuleHandleW(nullptr); }

void TopLevelOpened() { ++g_topLevel; }

void TopLevelClosed() {
    --g_topLevel;
    QuitIfIdle();
}

KeepAlive::KeepAlive() { ++g_keepAlive; }
KeepAlive::~KeepAlive() {
    --g_keepAlive;
    QuitIfIdle();
}

void PumpMessagesFor(DWORD ms) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                ::PostQuitMessage(static_cast<int>(msg.wParam));
                return;
            }
            Dispatch(msg);
        }
        const DWORD spent = ::GetTickCount() - start;
        if (spent >= ms) return;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - spent, QS_ALLINPUT);
    }
}

void DisposeLater(std::unique_ptr<Disposable> object) { g_disposed.push_back(std::move(object)); }

void WhenIdle(std::function<void()> work) { g_idleWork.push_back(std::move(work)); }

namespace {
void RunFirstIdleWork() {
    std::function<void()> work = std::move(g_idleWork.front());
    g_idleWork.erase(g_idleWork.begin());
    try {
        work();
    } catch (...) {
        ReportCaughtException();
    }
}
}  // namespace

void RunIdleWork() {
    while (!g_idleWork.empty()) RunFirstIdleWork();
}

void SetKeyboardNavigationWindow(HWND window) { g_navigation = window; }

int RunMessageLoop() {
    MSG msg;
    for (;;) {
        // One piece at a time: what it changes is painted before the next.
        if (!g_idleWork.empty() && !::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            RunFirstIdleWork();
            continue;
        }
        if (::GetMessageW(&msg, nullptr, 0, 0) <= 0) break;
        Dispatch(msg);
        g_disposed.clear();
    }
    g_disposed.clear();
    g_idleWork.clear();
    return static_cast<int>(msg.wParam);
}

}  // namespace vellumo::win
