// The marks the annotation tools leave on the overlay's surface, drawn with
// GDI+ on the overlay's graphics object. Each returns the pixels it may have
// touched, so the caller repaints only those.
#pragma once
#include <cstdint>

#include "gfx/Dib_win.h"
#include "gfx/Geometry.h"
#include "annotate/Tool.h"
#include "gfx/Handles_win.h"

namespace vellumo::win {

// Every later mark is cut off at the selection's edges.
void ClipToSelection(gp::GpGraphics* g, gp::GpPath* clipPath, const Rect& frame);

// toolPen_: a solid pen of colour 0xAARRGGBB, `width` pixels wide (fractional
// widths allowed); with the arrow-anchor end cap for the arrow tool.
unique_gp_pen MakeToolPen(uint32_t argb, float width, bool arrowHead);

// Every pixel a mark may touch, pen and anti-aliasing included: what the
// undo history keeps before the mark is drawn, and what is repainted after.
Rect OutlineMarkBounds(const Rect& r, float width);  // rectangle and ellipse
Rect ArrowMarkBounds(Point from, Point to, float width);

// The rectangle without anti-aliasing, the ellipse and the arrow with it.
Rect DrawRectangleMark(gp::GpGraphics* g, gp::GpPen* pen, const Rect& r, float width);
Rect DrawEllipseMark(gp::GpGraphics* g, gp::GpPen* pen, const Rect& r, float width);
Rect DrawArrowMark(gp::GpGraphics* g, gp::GpPen* pen, Point from, Point to, float width);
// A label's text centred on its box in bold, on the box filled in its
// colour unless it is round (the tool painted the circle); cut off at
// `clip`. Returns the pixels it may have touched.
Rect DrawLabelMark(HDC dc, const LabelMark& label, const Rect& clip);

}  // namespace vellumo::win
