// The blur's pass along the rows in SSE2 registers, for the x86 processors
// that have them (every 64-bit one; the 32-bit exe asks at run time).
#pragma once
#include <cstdint>

#include "gfx/Geometry.h"
#include "gfx/PixelPlane.h"

#if defined(__i386__) || defined(__x86_64__)
#define VELLUMO_BLUR_ROWS_SSE2 1
#endif

namespace vellumo {

// Whether BlurRowsSse2 can run here.
bool HaveSse2();

// Three box passes of 2r+1 pixels along each row of `area` (inside the
// plane), as the portable lanes do them with 16-bit lanes: each mean is
// (sum + half) * multiplier >> 16 in channels with three fraction bits, the
// edge pixels repeated beyond the ends, every pixel keeping its top byte.
// Gives exactly the portable pass's pixels.
void BlurRowsSse2(const PixelPlane& plane, const Rect& area, int r, std::uint16_t half, std::uint16_t multiplier);

}  // namespace vellumo
