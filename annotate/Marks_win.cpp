#include "annotate/Marks_win.h"

#include <cmath>

#include "annotate/Annotate.h"
#include "gfx/Convert_win.h"

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

Rect DrawLabelMark(HDC dc, const LabelMark& label, const Rect& clip) {
    if (!dc || label.box.empty()) return {};
    const Rect& b = label.box;
    const int saved = ::SaveDC(dc);
    ::IntersectClipRect(dc, clip.left, clip.top, clip.right(), clip.bottom());
    if (!label.round) {
        unique_hbrush fill(::CreateSolidBrush(label.fill));
        const RECT box = ToRECT(b);
        ::FillRect(dc, &box, fill.get());
    }
    unique_hfont font(::CreateFontW(-label.fontHeight, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                    CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH, L"Arial"));
    {
        Selected useFont(dc, font ? static_cast<HGDIOBJ>(font.get()) : ::GetStockObject(DEFAULT_GUI_FONT));
        ::SetBkMode(dc, TRANSPARENT);
        ::SetTextColor(dc, label.ink);
        RECT rc{b.left, b.top, b.right(), b.bottom()};
        ::DrawTextW(dc, label.text.c_str(), static_cast<int>(label.text.size()), &rc,
                    DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
    }
    ::RestoreDC(dc, saved);
    ::GdiFlush();
    return Inflate(b, 2);
}

}  // namespace vellumo::win
