// A GDI region made of a list of rectangles, in one call: building it piece by
// piece (CreateRectRgn and CombineRgn for each) costs a handle and a copy of
// the region per rectangle, which a pointer move repainting a few dozen
// pieces of an outline pays on every event.
#pragma once
#include <windows.h>

#include <vector>

#include "gfx/Geometry.h"
#include "gfx/Handles_win.h"

namespace vellumo::win {

// The union of `parts` (they may overlap; empty ones are left out); an empty
// region for none, null when the system refuses. Throws bad_alloc.
unique_hrgn RegionOf(const std::vector<Rect>& parts);

// Invalidates the union of `parts` without erasing; nothing for none. Safe
// in a destructor: without memory for the region, their bounds are invalidated.
void InvalidateParts(HWND window, const std::vector<Rect>& parts) noexcept;

}  // namespace vellumo::win
