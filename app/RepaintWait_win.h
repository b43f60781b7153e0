// Waits, before a fresh freeze, until the screen shows what the hidden
// Floaters or the closed overlay uncovered (see RepaintWait in CaptureFlow.h).
#pragma once
#include <windows.h>

#include <vector>

namespace vellumo::win {

// Pixels of the screen where a window's visible children (the Floaters)
// stand, read while they still show: a few inside each.
struct CoveredPixel {
    POINT at;
    COLORREF shown;
};
std::vector<CoveredPixel> SampleCoveredPixels(HWND host);

// With the desktop composited: the compositor's next frame. Otherwise, given
// `covered` (pixels the hidden Floaters showed), until the screen no longer
// shows them and no window under them has had anything left to paint for a
// short quiet spell; given none (a closed overlay), RepaintWait::kMaxMs.
// Never longer than that; this thread's messages are handled meanwhile.
void WaitForRepaint(const std::vector<CoveredPixel>& covered = {});

}  // namespace vellumo::win
