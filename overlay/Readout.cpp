#include "overlay/Readout.h"

#include <cmath>

#include "gfx/Dpi.h"

namespace vellumo {

std::wstring FormatRgb(Colour c) {
    return L"RGB(" + std::to_wstring(c.r) + L" , " + std::to_wstring(c.g) + L" , " + std::to_wstring(c.b) + L")";
}

std::wstring FormatSize(int width, int height) {
    return std::to_wstring(width) + L" \u00D7 " + std::to_wstring(height);
}

MagnifierSizes MagnifierSizesAt(int dpi) {
    return {ScaleUi(kMagnifierSize, dpi), ScaleUi(kViewRect, dpi), ScaleUi(kSizeCaptionRect, dpi),
            ScaleUi(kRgbCaptionRect, dpi)};
}

MagnifierPlan PlanMagnifier(Point p, Size screen, int viewSide) {
    const Rect square{p.x - kMagnifiedSpan / 2, p.y - kMagnifiedSpan / 2, kMagnifiedSpan, kMagnifiedSpan};
    const Rect src = Intersect(square, Rect{0, 0, screen.width, screen.height});
    if (src.empty()) return {{0, 0, 0, 0}, {0, 0, 0, 0}};
    // Edges in view pixels: source offset * 130 / 20, rounded to the nearest.
    auto scale = [viewSide](int offset) {
        return static_cast<int>(std::lround(offset * double(viewSide) / kMagnifiedSpan));
    };
    const int l = scale(src.left - square.left), t = scale(src.top - square.top);
    const int r = scale(src.right() - square.left), b = scale(src.bottom() - square.top);
    return {src, Rect::fromEdges(l, t, r, b)};
}

Rect CrossRect(int viewSide) {
    // left = width / 2 - 3.25, size 6.5: edges at 61.75 and 68.25 in a 130 view.
    const double half = viewSide / 2.0, side = double(viewSide) / kMagnifiedSpan;
    const int l = static_cast<int>(std::lround(half - side / 2));
    const int r = static_cast<int>(std::lround(half + side / 2));
    return Rect::fromEdges(l, l, r, r);
}

}  // namespace vellumo
