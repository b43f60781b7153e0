// Vellumo starts with a capture: the overlay is its start-up window, and the
// process ends when the last of its windows is gone. Started with /tray (as
// Windows starts it for the user), it starts resident with no capture.
#include <windows.h>

#include "app/Coordinator_win.h"
#include "gfx/MessageLoop_win.h"
#include "settings/StartUp.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR arguments, int) {
    vellumo::win::Coordinator program;
    const bool resident = vellumo::IsTrayStart(arguments ? arguments : L"");
    // A copy already running takes the capture over (or, for /tray, is
    // already what was asked for); this one just ends.
    if (!program.ClaimSingleInstance(!resident)) return 0;
    if (resident) program.StartResident();
    else program.StartCapture();
    // After the first freeze: the history's start-up sweep runs on a thread
    // of its own, which must not take a core from that freeze. No capture
    // can leave before the message loop runs, so none goes unrecorded.
    program.StartHistory();
    return vellumo::win::RunMessageLoop();
}
