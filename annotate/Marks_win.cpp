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

bool EraserStroke::Begin(gp::GpGraphics* g, const Dib& clean, float width, Point at, Rect* touched) {
    End();
    if (!g || clean.empty() || !GdiPlusReady()) return false;
    const GdiPlusApi& gdip = GdiPlus();
    // The brush reads the clean screen in place: its pixel (x, y) is screen pixel (x, y).
    gp::GpBitmap* bitmap = nullptr;
    if (gdip.GdipCreateBitmapFromScan0(clean.width(), clean.height(), clean.width() * 4, PixelFormat32bppRGB,
                                       reinterpret_cast<BYTE*>(clean.bits()), &bitmap) != gp::Ok)
        return false;
    workBitmap_.reset(bitmap);
    gp::GpTexture* texture = nullptr;
    if (gdip.GdipCreateTexture(bitmap, gp::WrapModeTileFlipX, &texture) != gp::Ok) {
        End();
        return false;
    }
    brush_.reset(texture);
    gp::GpPen* pen = nullptr;
    if (gdip.GdipCreatePen2(texture, width, gp::UnitPixel, &pen) != gp::Ok) {
        End();
        return false;
    }
    pen_.reset(pen);
    gdip.GdipSetPenEndCap(pen, gp::LineCapRound);
    gdip.GdipSetSmoothingMode(g, gp::SmoothingModeAntiAlias);
    g_ = g;
    width_ = width;
    last_ = at;
    const Rect dab = EraserDab(at, width);
    gdip.GdipFillEllipseI(g, texture, dab.left, dab.top, dab.width, dab.height);
    if (touched) *touched = DabBounds(at, width);
    return true;
}

Rect EraserStroke::LineTo(Point to) {
    if (!pen_) return {};
    GdiPlus().GdipDrawLineI(g_, pen_.get(), last_.x, last_.y, to.x, to.y);
    const Rect r = LineBounds(to);
    last_ = to;
    return r;
}

Rect EraserStroke::DabBounds(Point at, float width) { return OutlineBounds(EraserDab(at, width), 2); }

Rect EraserStroke::LineBounds(Point to) const { return vellumo::LineBounds(last_, to, Reach(width_)); }

void EraserStroke::End() {
    pen_.reset();
    brush_.reset();
    workBitmap_.reset();
    g_ = nullptr;
}

}  // namespace vellumo::win
