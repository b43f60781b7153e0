// Where the overlay's floating parts go on a desktop of several monitors: the
// toolbar beside a completed selection and the magnifier beside the pointer.
// Each follows the single-screen rule it always had, measured against the
// monitor concerned instead of the whole screen; with one monitor at (0,0)
// the results are exactly the single-screen ones.
#pragma once
#include "gfx/Geometry.h"
#include "gfx/MonitorLayout.h"

namespace vellumo {

// Top-left of a `toolbar` beside `frame` on the monitor holding most of the
// frame: above it when the monitor has room there, else below it, else over
// its top edge; left-aligned with the frame. Where that would put the
// toolbar partly off the frame's monitor on the left or the right, it moves
// back inside that monitor (right-aligned with its edge when it would cross
// the right edge; a toolbar wider than the monitor starts at its left edge).
// Up and down it moves back only where it would reach onto a neighbouring
// monitor or a gap; past the virtual screen's top or bottom it stays where
// the single-screen rule put it.
Point PlaceToolbarOn(const MonitorLayout& layout, const Rect& frame, Size toolbar);

// Top-left of the magnifier `panel`: to the lower right of the pointer,
// flipped to the left or above where it would leave the pointer's monitor
// (the nearest one when the pointer is in a gap).
Point PlaceMagnifierOn(const MonitorLayout& layout, Point pointer, Size panel);

}  // namespace vellumo
