// The eraser's painting: the clean frozen screen put back through a round
// pen, pixel by pixel. The edge pixels are blended by how much of them the
// pen covers, as an anti-aliased pen paints; inside, the clean pixels are
// copied exactly. Done here rather than through GDI+'s texture pen, which
// under Wine cost more per pointer move than the whole repaint that shows it.
#pragma once
#include "gfx/Geometry.h"
#include "gfx/PixelPlane.h"

namespace vellumo {

// A round dab of `diameter` centred at (cx, cy) in pixel-centre coordinates
// (pixel (x, y) is centred on (x, y)), or a stroke of that width from one
// centre to another with round ends. Only pixels inside `clip` (and both
// planes) change; the returned box holds every pixel that may have.
Rect EraseDab(const PixelPlane& surface, const PixelPlane& clean, double cx, double cy, double diameter,
              const Rect& clip);
Rect EraseSegment(const PixelPlane& surface, const PixelPlane& clean, Point from, Point to, double width,
                  const Rect& clip);

}  // namespace vellumo
