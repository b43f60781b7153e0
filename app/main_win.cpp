// Vellumo starts with a capture: the overlay is its start-up window, and the
// process ends when the last of its windows is gone.
#include <windows.h>

#include "app/Coordinator_win.h"
#include "gfx/MessageLoop_win.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    vellumo::win::Coordinator program;
    // A copy already running takes the capture over; this one just ends.
    if (!program.ClaimSingleInstance()) return 0;
    program.StartHistory();
    program.StartCapture();
    return vellumo::win::RunMessageLoop();
}
