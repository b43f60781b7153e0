// User-interface lengths at a monitor's DPI. Lengths are designed at 96 DPI
// (100%) and scaled the way Windows scales them, with MulDiv's rounding, so a
// 96-DPI desktop keeps every length exactly as it was. Captured pixels are
// never scaled: only the user interface around them.
#pragma once
#include <cstdint>

#include "gfx/Geometry.h"

namespace vellumo {

inline constexpr int kDesignDpi = 96;
inline constexpr int kTwipsPerInch = 1440;

// Windows' MulDiv: a * b / c in 64 bits, rounded to the nearest integer with
// halves away from zero; -1 when c is 0 or the result does not fit an int.
constexpr int MulDivRounded(int a, int b, int c) {
    if (c == 0) return -1;
    const std::int64_t num = std::int64_t{a} * b;
    const std::int64_t den = c;
    const bool negative = (num < 0) != (den < 0);
    const std::int64_t mag = ((num < 0 ? -num : num) + (den < 0 ? -den : den) / 2) / (den < 0 ? -den : den);
    const std::int64_t q = negative ? -mag : mag;
    if (q > INT32_MAX || q < INT32_MIN) return -1;
    return static_cast<int>(q);
}

// A DPI that cannot be real (GetDpiForWindow's 0 for a failed call) counts as
// 96: scaling by it would shrink the user interface to nothing.
constexpr int UsableDpi(int dpi) { return dpi > 0 ? dpi : kDesignDpi; }

// A length designed at 96 DPI, at `dpi`.
constexpr int ScaleForDpi(int length, int dpi) { return MulDivRounded(length, UsableDpi(dpi), kDesignDpi); }
constexpr Size ScaleForDpi(Size s, int dpi) { return {ScaleForDpi(s.width, dpi), ScaleForDpi(s.height, dpi)}; }
constexpr Rect ScaleForDpi(const Rect& r, int dpi) {
    return {ScaleForDpi(r.left, dpi), ScaleForDpi(r.top, dpi), ScaleForDpi(r.width, dpi), ScaleForDpi(r.height, dpi)};
}

// The DPI the user interface is drawn for: the monitor's, but never below
// 96. A desktop set below 100% keeps the designed lengths, so no control,
// handle or caption shrinks below the size its contents were drawn for.
constexpr int UiDpi(int dpi) { return UsableDpi(dpi) < kDesignDpi ? kDesignDpi : UsableDpi(dpi); }
// A user-interface length designed at 96 DPI, at `dpi` (see UiDpi). A
// positive length stays at least 1 pixel.
constexpr int ScaleUi(int length, int dpi) { return MulDivRounded(length, UiDpi(dpi), kDesignDpi); }
constexpr Size ScaleUi(Size s, int dpi) { return {ScaleUi(s.width, dpi), ScaleUi(s.height, dpi)}; }
// A rectangle inside a scaled panel: its edges are scaled, not its size, so
// neighbours that touch at 96 DPI still touch at any other.
constexpr Rect ScaleUi(const Rect& r, int dpi) {
    return Rect::fromEdges(ScaleUi(r.left, dpi), ScaleUi(r.top, dpi), ScaleUi(r.right(), dpi), ScaleUi(r.bottom(), dpi));
}
// A font height (LOGFONT's lfHeight, either sign) measured at `fromDpi`, for
// a monitor at `toDpi`: the system metrics' fonts are at the system DPI, a
// per-monitor-aware window may stand on a monitor at another.
constexpr int RescaleFontHeight(int height, int fromDpi, int toDpi) {
    return MulDivRounded(height, UsableDpi(toDpi), UsableDpi(fromDpi));
}

// Twips per pixel at `dpi`: 15 at 96, 10 at 144, 7.5 at 192.
constexpr double TwipsPerPixel(int dpi) { return double(kTwipsPerInch) / UsableDpi(dpi); }
// A length in twips as whole pixels at `dpi`, to the nearest.
constexpr int TwipsToPixels(int twips, int dpi) { return MulDivRounded(twips, UsableDpi(dpi), kTwipsPerInch); }

}  // namespace vellumo
