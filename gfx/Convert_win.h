// The one place where the core's value types become the system's: a Rect to
// a RECT (edges, not a size), a Colour or a stored OLE colour to a COLORREF
// (a system colour resolved through GetSysColor).
#pragma once
#include <windows.h>

#include "gfx/Geometry.h"

namespace vellumo::win {

inline RECT ToRECT(const Rect& r) { return {r.left, r.top, r.right(), r.bottom()}; }
inline Rect FromRECT(const RECT& r) { return Rect::fromEdges(r.left, r.top, r.right, r.bottom); }

inline COLORREF ToColorRef(Colour c) { return RGB(c.r, c.g, c.b); }
inline COLORREF ResolvedColorRef(OleColor c) {
    return ResolveColor(c, [](int index) { return static_cast<std::uint32_t>(::GetSysColor(index)); });
}

}  // namespace vellumo::win
