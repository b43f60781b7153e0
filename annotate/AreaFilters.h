// The filters the mosaic and the blur apply to the pixels under their
// rectangle, in place. Each reads nothing outside the rectangle (clipped to
// the plane). The blur keeps every pixel's top byte; a mosaic cell takes
// that of its top-left pixel.
#pragma once
#include "gfx/Geometry.h"
#include "gfx/PixelPlane.h"

namespace vellumo {

// Each cell x cell block of `area`, counted from its top-left, becomes the
// mean colour of the pixels it covers (rounded); cells on the right and
// bottom edges may be cut short.
void Pixelate(const PixelPlane& plane, Rect area, int cell);
// The side of a mosaic cell for the width control's value (at least 4).
int MosaicCell(float width);

// Three box passes of radius r along the rows, then three down the columns:
// near enough a Gaussian. The edge pixels stand in for what lies beyond. The
// means are kept to a fraction of a level between passes, so a pixel may
// differ by one from the exact mean. A radius past the longer side of the
// area counts as that side.
// The rows go through SSE2 registers where the processor has them; the
// portable lanes give the same pixels everywhere (tests compare the two).
enum class BlurRowsBy { Fastest, PortableLanes };
void BlurArea(const PixelPlane& plane, Rect area, int r, BlurRowsBy rowsBy = BlurRowsBy::Fastest);
// The radius for the width control's value, cut down to what `area` can use.
int BlurRadiusFor(float width, const Rect& area);

}  // namespace vellumo
