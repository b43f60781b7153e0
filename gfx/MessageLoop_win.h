// Process lifetime: the program runs while any of its top-level windows
// exists, and ends with the last one.
#pragma once
#include <windows.h>

#include <functional>
#include <memory>

namespace vellumo::win {

// Top-level windows report their birth and death here.
void TopLevelOpened();
void TopLevelClosed();

// Holds the process open while one window replaces another.
class KeepAlive {
public:
    KeepAlive();
    ~KeepAlive();
    KeepAlive(const KeepAlive&) = delete;
    KeepAlive& operator=(const KeepAlive&) = delete;
};

// Lets pending messages run for up to `ms` milliseconds, so other programs can
// repaint what a closed window uncovered.
void PumpMessagesFor(DWORD ms);

// A destroyed window's object, freed by the message loop once no handler of it
// is on the stack.
struct Disposable {
    virtual ~Disposable() = default;
};
void DisposeLater(std::unique_ptr<Disposable> object);

// Work the user need not wait for, run once no message is waiting: after the
// windows have painted what the last messages changed and the screen shows
// it (under Wine a program's windows reach the X server only as it goes
// idle). In the order given; before a fresh capture RunIdleWork runs what is
// still waiting, so that its memory is back first.
void WhenIdle(std::function<void()> work);
void RunIdleWork();

// The window whose controls Tab, the arrows and Enter move between, as in a
// dialog (nullptr: none). The window calls this again with nullptr as it goes.
void SetKeyboardNavigationWindow(HWND window);

int RunMessageLoop();

}  // namespace vellumo::win
