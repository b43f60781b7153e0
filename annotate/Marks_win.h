// The marks the annotation tools leave on the overlay's surface, drawn with
// GDI+ on the overlay's graphics object. Each returns the pixels it may have
// touched, so the caller repaints only those.
#pragma once
#include <cstdint>

#include "gfx/Dib_win.h"
#include "gfx/Geometry.h"
#include "gfx/Handles_win.h"
#include "gfx/PixelPlane.h"

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

// One eraser stroke: paints the clean frozen screen back through a round pen
// (annotate/Erase), inside the selection frame.
class EraserStroke {
public:
    // The first dab at `at` on `surface`; false (and nothing drawn) when the
    // surface and the clean screen are missing or of different sizes.
    // `touched` receives the pixels it may have changed.
    bool Begin(const Dib& surface, const Dib& clean, const Rect& frame, float width, Point at, Rect* touched);
    // One short segment from the last point to `to`; returns the pixels it
    // may have changed.
    Rect LineTo(Point to);
    // What Begin at `at` and LineTo(`to`) may touch, before they draw.
    static Rect DabBounds(Point at, float width);
    Rect LineBounds(Point to) const;
    void End();
    bool active() const { return active_; }

private:
    PixelPlane surface_, clean_;  // views of the caller's DIBs, for the stroke's length
    Rect frame_;
    float width_ = 0;
    Point last_{};
    bool active_ = false;
};

}  // namespace vellumo::win
