// Waits, before a fresh freeze, until the screen shows what the hidden
// Floaters or the closed overlay uncovered (see RepaintWait in CaptureFlow.h).
#pragma once
#include <windows.h>

#include <vector>

#include "gfx/Geometry.h"

namespace vellumo::win {

// A pixel of the screen where a Floater stands, read while it still shows.
struct CoveredPixel {
    POINT at;
    COLORREF shown;
};
// What a host's shown Floaters cover: the windows' rectangles (its
// children and the popups it owns) and a few pixels inside each.
struct CoveredArea {
    std::vector<Rect> rects;
    std::vector<CoveredPixel> pixels;
};
CoveredArea SampleCoveredArea(HWND host);

// With the desktop composited: the compositor's next frame. Otherwise, given
// `covered` (what the hidden Floaters showed), until the screen no longer
// shows their pixels and no window beneath them has had anything left to
// paint for a short quiet spell (none beneath: no quiet spell); given none (a
// closed overlay), RepaintWait::kMaxMs. Never longer than that; this
// thread's messages are handled meanwhile.
void WaitForRepaint(const CoveredArea& covered = {});

}  // namespace vellumo::win
