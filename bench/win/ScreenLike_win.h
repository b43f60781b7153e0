// A screen-like picture for the save benchmark: a photographic wallpaper,
// a taskbar and overlapping application windows full of anti-aliased text,
// lists and icons. Deterministic on one machine (fonts come from the system),
// so the encoders and ImageMagick see the same pixels in a run.
#pragma once
#include "gfx/Dib_win.h"

namespace vellumo::bench {

// Paints the whole DIB; false when a GDI object cannot be made.
bool PaintScreenLike(win::Dib& dib);

// A photograph as a camera gives it: light and shade over several scales,
// edges of objects, and sensor grain on each channel apart. Deterministic.
void PaintPhotoLike(win::Dib& dib);

}  // namespace vellumo::bench
