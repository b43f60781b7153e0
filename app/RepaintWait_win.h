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

// With the desktop composited: the compositor's next frame. Otherwise until
// the screen no longer shows the Floaters' sampled pixels and no window has
// had anything left to paint for a short quiet spell. Never
// longer than RepaintWait::kMaxMs; this thread's messages are handled meanwhile.
// `covered`: pixels the hidden Floaters showed, which must change first.
void WaitForRepaint(const std::vector<CoveredPixel>& covered = {});

}  // namespace vellumo::win
