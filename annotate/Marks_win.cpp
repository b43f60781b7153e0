#include "annotate/Marks_win.h"

#include <cmath>

#include "annotate/Annotate.h"

namespace vellumo::win {

namespace {
// A pen's reach beyond its path, rounded up, plus the anti-aliasing fringe.
int Reach(float width) { return static_cast<int>(std::ceil(width)) + 1; }

// The arrow-anchor cap is scaled with the pen: its head reaches about twice
// the width sideways and ahead of the line's end.
int ArrowReach(float width) { return 2 * Reach(width) + 2; }

}  // namespace

Rect OutlineMarkBounds(const Rect& r, float width) { return OutlineBounds(r, Reach(width)); }
Rect ArrowMarkBounds(Point from, Point to, float width) { return vellumo::LineBounds(from, to, ArrowReach(width)); }

void ClipToSelection(gp::GpGraphics* g, gp::GpPath* clipPath, const Rect& frame) {
    if (!g || !clipPath) return;
    const GdiPlusApi& gdip = GdiPlus();
    gdip.GdipResetClip(g);
    gdip.GdipResetPath(clipPath);
    gdip.GdipAddPathRectangleI(clipPath, frame.left, frame.top, frame.width, frame.height);
    gdip.GdipSetClipPath(g, clipPath, gp::CombineModeReplace);
}

unique_gp_pen MakeToolPen(uint32_t argb, float width, bool arrowHead) {
    if (!GdiPlusReady()) return {};
    gp::GpPen* pen = nullptr;
    if (GdiPlus().GdipCreatePen1(argb, width, gp::UnitPixel, &pen) != gp::Ok) return {};
    unique_gp_pen owned(pen);
    GdiPlus().GdipSetPenEndCap(pen, arrowHead ? gp::LineCapArrowAnchor : gp::LineCapFlat);
    return owned;
}

Rect DrawRectangleMark(gp::GpGraphics* g, gp::GpPen* pen, const Rect& r, float width) {
    if (!g || !pen) return {};
    GdiPlus().GdipSetSmoothingMode(g, gp::SmoothingModeHighSpeed);
    GdiPlus().GdipDrawRectangleI(g, pen, r.left, r.top, r.width, r.height);
    return OutlineMarkBounds(r, width);
}

Rect DrawEllipseMark(gp::GpGraphics* g, gp::GpPen* pen, const Rect& r, float width) {
    if (!g || !pen) return {};
    GdiPlus().GdipSetSmoothingMode(g, gp::SmoothingModeAntiAlias);
    GdiPlus().GdipDrawEllipseI(g, pen, r.left, r.top, r.width, r.height);
    return OutlineMarkBounds(r, width);
}

Rect DrawArrowMark(gp::GpGraphics* g, gp::GpPen* pen, Point from, Point to, float width) {
    if (!g || !pen) return {};
    GdiPlus().GdipSetSmoothingMode(g, gp::SmoothingModeAntiAlias);
    GdiPlus().GdipDrawLineI(g, pen, from.x, from.y, to.x, to.y);
    return ArrowMarkBounds(from, to, width);
}

}  // namespace vellumo::win
