// Value types shared by the portable core. No platform headers here: the Win32
// layer converts RECT/POINT/COLORREF at its boundary.
#pragma once
#include <algorithm>
#include <array>
#include <cstdint>

namespace vellumo {

struct Point {
    int x = 0;
    int y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
    int width = 0;
    int height = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

// Left/top/width/height, as the overlay's frame stores them.
struct Rect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;

    constexpr int right() const { return left + width; }
    constexpr int bottom() const { return top + height; }
    constexpr bool empty() const { return width <= 0 || height <= 0; }
    constexpr bool contains(Point p) const {
        return p.x >= left && p.x < right() && p.y >= top && p.y < bottom();
    }
    static constexpr Rect fromEdges(int l, int t, int r, int b) { return {l, t, r - l, b - t}; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

// The pointer's buttons as the core tells them apart: the side buttons (X1,
// X2) count as Middle, like any other non-left button.
enum class MouseButton { Left, Right, Middle };

// Half of v rounded towards minus infinity (-3 gives -2), as centring on a
// pixel grid needs: integer division would round towards zero.
constexpr int FloorHalf(int v) { return v >= 0 ? v / 2 : -((-v + 1) / 2); }

// Overlap of two rectangles; empty (0 x 0 at a's corner) when they do not meet.
constexpr Rect Intersect(const Rect& a, const Rect& b) {
    const int l = std::max(a.left, b.left), t = std::max(a.top, b.top);
    const int r = std::min(a.right(), b.right()), btm = std::min(a.bottom(), b.bottom());
    if (r <= l || btm <= t) return {a.left, a.top, 0, 0};
    return Rect::fromEdges(l, t, r, btm);
}

// Smallest rectangle holding both; an empty operand contributes nothing.
constexpr Rect Union(const Rect& a, const Rect& b) {
    if (a.empty()) return b;
    if (b.empty()) return a;
    return Rect::fromEdges(std::min(a.left, b.left), std::min(a.top, b.top),
                           std::max(a.right(), b.right()), std::max(a.bottom(), b.bottom()));
}

constexpr Rect Inflate(const Rect& r, int by) {
    return {r.left - by, r.top - by, r.width + 2 * by, r.height + 2 * by};
}

// Everything FrameRing may cover: a border wider than one pixel is centred
// on the frame's edge.
constexpr Rect FrameBounds(const Rect& frame, int borderWidth) { return Inflate(frame, borderWidth / 2); }

// The frame's border as four strips (top, bottom, left, right). A border wider
// than one pixel is centred on the frame's edge; a one-pixel border lies on the
// frame's outermost pixels. A frame too small for a hole is one filled strip.
constexpr std::array<Rect, 4> FrameRing(const Rect& frame, int borderWidth) {
    const Rect outer = FrameBounds(frame, borderWidth);
    const Rect inner = Inflate(outer, -borderWidth);
    if (outer.empty()) return {};
    if (inner.empty()) return {outer, Rect{}, Rect{}, Rect{}};
    return {Rect{outer.left, outer.top, outer.width, inner.top - outer.top},
            Rect{outer.left, inner.bottom(), outer.width, outer.bottom() - inner.bottom()},
            Rect{outer.left, inner.top, inner.left - outer.left, inner.height},
            Rect{inner.right(), inner.top, outer.right() - inner.right(), inner.height}};
}

// `r` less its left column, or its right one when `keep` stands in the left
// column: one pixel smaller, and still holding a `keep` that `r` held.
constexpr Rect NarrowedAround(const Rect& r, Point keep) {
    if (keep.x > r.left) return {r.left + 1, r.top, r.width - 1, r.height};
    return {r.left, r.top, r.width - 1, r.height};
}

// 24-bit colour. ColorRef is the platform's 0x00BBGGRR layout.
struct Colour {
    std::uint8_t r = 0, g = 0, b = 0;
    constexpr std::uint32_t toColorRef() const {
        return std::uint32_t(r) | (std::uint32_t(g) << 8) | (std::uint32_t(b) << 16);
    }
    // 32-bit DIB pixels are 0xAARRGGBB in memory order B, G, R, A.
    static constexpr Colour fromPixel(std::uint32_t p) {
        return {static_cast<std::uint8_t>((p >> 16) & 255), static_cast<std::uint8_t>((p >> 8) & 255),
                static_cast<std::uint8_t>(p & 255)};
    }
    constexpr Colour inverse() const {
        return {static_cast<std::uint8_t>(255 - r), static_cast<std::uint8_t>(255 - g),
                static_cast<std::uint8_t>(255 - b)};
    }
    friend bool operator==(const Colour&, const Colour&) = default;
};

// A stored colour: 0x00BBGGRR, or 0x800000nn for system colour nn (the
// controls' stored colour properties and the palette keep this form).
using OleColor = std::uint32_t;
inline constexpr OleColor kSysColorFlag = 0x80000000u;
inline constexpr OleColor kSysWindowColor = 0x80000005u;
inline constexpr bool IsSystemColor(OleColor c) { return (c & kSysColorFlag) != 0; }

// A system colour resolved through `sysColor` (index -> 0x00BBGGRR); others
// as they are, less any stray high byte.
template <typename SysColorFn>
std::uint32_t ResolveColor(OleColor c, SysColorFn sysColor) {
    return (IsSystemColor(c) ? static_cast<std::uint32_t>(sysColor(static_cast<int>(c & 0xFFu))) : c) & 0xFFFFFFu;
}

}  // namespace vellumo
