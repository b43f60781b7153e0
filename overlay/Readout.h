// The magnifier panel magnifier_ beside the pointer: where it stands, what its View
// shows, and the texts of its size and colour captions.
#pragma once
#include <string>

#include "gfx/Geometry.h"

namespace vellumo {

inline constexpr Size kMagnifierSize{130, 161};
inline constexpr Rect kViewRect{0, 0, 130, 130};
inline constexpr Rect kSizeCaptionRect{0, 128, 129, 17};
inline constexpr Rect kRgbCaptionRect{0, 144, 129, 17};
inline constexpr Point kMagnifierInitialPosition{8, 0};
inline constexpr int kPointerGap = 20;
inline constexpr int kMagnifiedSpan = 20;  // source pixels shown across View
inline constexpr wchar_t kInitialSizeCaption[] = L"0×0";
inline constexpr wchar_t kInitialRgbCaption[] = L"RGB(0,0,0)";

// The panel and its parts at a monitor's DPI. View stays square and shows
// the same 20 source pixels, so its cells grow with it (9.75 view pixels per
// source pixel at 144 DPI).
struct MagnifierSizes {
    Size panel = kMagnifierSize;
    Rect view = kViewRect;
    Rect sizeCaption = kSizeCaptionRect;
    Rect rgbCaption = kRgbCaptionRect;
    friend bool operator==(const MagnifierSizes&, const MagnifierSizes&) = default;
};
MagnifierSizes MagnifierSizesAt(int dpi);

// "RGB(r , g , b)" for the colour under the pointer.
std::wstring FormatRgb(Colour c);
// "W × H" of the frame.
std::wstring FormatSize(int width, int height);

// The 20 x 20 source square around the pointer and where its on-screen part
// lands in a View `viewSide` pixels square (6.5 view pixels per source pixel
// at 130). Off-screen parts of the
// square stay View's background.
struct MagnifierPlan {
    Rect source;  // clipped to the screen; empty when nothing of it is on screen
    Rect view;    // destination inside View
};
MagnifierPlan PlanMagnifier(Point pointer, Size screen, int viewSide = kViewRect.width);

// The centre marker Cross: one source pixel's cell (6.5 view pixels at 130),
// centred in View, rounded to whole pixels.
Rect CrossRect(int viewSide = kViewRect.width);

}  // namespace vellumo
