// Vellumo starts with a capture: the overlay is its start-up window, and the
// process ends when the last of its windows is gone.
#include <windows.h>

#include "gfx/MessageLoop_win.h"
#include "overlay/ScrShot_win.h"
#include "settings/Sett_win.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // A copy already running takes the capture over; this one just ends.
    if (!vellumo::win::ClaimSingleInstance()) return 0;
    vellumo::win::ScrShot::ShowCapture();
    return vellumo::win::RunMessageLoop();
}
