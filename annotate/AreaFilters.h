// The filters the mosaic and the blur apply to the pixels under their
// rectangle, in place. Each reads nothing outside the rectangle (clipped to
// the plane). The blur keeps every pixel's top byte; a mosaic cell takes
// that of its top-left pixel.
#pragma once
#include "gfx/Geometry.h"
#include "gfx/PixelPlane.h"
#include "gfx/SideBySide.h"

namespace vellumo {

// Each cell x cell block of `area`, counted from its top-left, becomes the
// mean colour of the pixels it covers (rounded); cells on the right and
// bottom edges may be cut short. A large area is cut into bands of whole
// cells that `cores` may run side by side.
void Pixelate(const PixelPlane& plane, Rect area, int cell, const SideBySide& cores = {});
// The side of a mosaic cell for the width control's value (at least 4).
int MosaicCell(float width);

// Three box passes of radius r along the rows, then three down the columns:
// near enough a Gaussian. The edge pixels stand in for what lies beyond. The
// means are kept to a fraction of a level between passes, so a pixel may
// differ by one from the exact mean. A radius past the longer side of the
// area counts as that side.
// The rows go through SSE2 registers where the processor has them; the
// portable lanes give the same pixels everywhere (tests compare the two).
// A large area's rows, then its columns, are cut into bands that `cores`
// may run side by side.
enum class BlurRowsBy { Fastest, PortableLanes };
void BlurArea(const PixelPlane& plane, Rect area, int r, BlurRowsBy rowsBy = BlurRowsBy::Fastest,
              const SideBySide& cores = {});
// Below this many pixels a filter runs as one part: a thread's start (a
// tenth of a millisecond under Wine) would cost more than it saves. The
// blur costs about five times the mosaic per pixel.
inline constexpr long long kBlurSideBySidePixels = 1 << 17;
inline constexpr long long kMosaicSideBySidePixels = 1 << 20;
// At most this many parts side by side.
inline constexpr int kMostFilterParts = 8;
// The radius for the width control's value, cut down to what `area` can use.
int BlurRadiusFor(float width, const Rect& area);

}  // namespace vellumo
