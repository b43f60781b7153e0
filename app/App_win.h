// Process lifetime: the program runs while any of its top-level windows
// exists, and ends with the last one.
#pragma once
#include <windows.h>

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

// The window whose controls Tab, the arrows and Enter move between, as in a
// dialog (nullptr: none). The window calls this again with nullptr as it goes.
void SetKeyboardNavigationWindow(HWND window);

int RunMessageLoop();

}  // namespace vellumo::win
