// A Floater's picture changed: turned a quarter round or mirrored (the
// pixels, the new size, and where it now shows so that it turns around its
// centre), or drawn on.
#pragma once
#include "gfx/Geometry.h"
#include "gfx/PixelPlane.h"

namespace vellumo {

enum class Turn {
    Left,            // 90° anticlockwise
    Right,           // 90° clockwise
    FlipHorizontal,  // left and right swapped
    FlipVertical,    // top and bottom swapped
};

// The size a picture of `size` has once turned.
Size TurnedSize(Size size, Turn turn);

// `from` turned into `to`, which must be TurnedSize(from) large and must not
// share its pixels; false (and `to` untouched) when it is not.
bool TurnPixels(const PixelPlane& from, const PixelPlane& to, Turn turn);

// Where a picture shown at `shown` shows once turned: the same centre, the
// sides swapped for a quarter turn. Half a pixel of an odd difference is
// given back by the next quarter turn either way, so turning four times (or
// left then right) puts the picture exactly where it was.
Rect TurnAroundCentre(const Rect& shown, Turn turn);
// `shown` made `size` large around the same centre, rounded as above.
Rect ResizedAroundCentre(const Rect& shown, Size size);

// `drawn` laid over `picture` with its top-left at `at` (picture pixels):
// what falls outside the picture is left out. The part changed, in picture
// pixels; empty when the two do not meet.
Rect LayOver(const PixelPlane& picture, const PixelPlane& drawn, Point at);

}  // namespace vellumo
