// The blur's pass along the rows in SSE2 registers, where the build has them
// (both exes: every processor that runs Windows 10 has SSE2). The columns
// stay with the portable pipeline: bands of 16 columns in these registers,
// their runs in buffers as the rows' are, took longer.
#pragma once
#include <cstdint>

#include "gfx/Geometry.h"
#include "gfx/PixelPlane.h"

#if defined(__SSE2__)
#define VELLUMO_BLUR_ROWS_SSE2 1
#endif

namespace vellumo {

// Three box passes of 2r+1 pixels along each row of `area` (inside the
// plane), as the portable lanes do them with 16-bit lanes: each mean is
// (sum + half) * multiplier >> 16 in channels with three fraction bits, the
// edge pixels repeated beyond the ends, every pixel keeping its top byte.
// Gives exactly the portable pass's pixels.
void BlurRowsSse2(const PixelPlane& plane, const Rect& area, int r, std::uint16_t half, std::uint16_t multiplier);

}  // namespace vellumo
