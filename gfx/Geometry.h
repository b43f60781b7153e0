// Value types shared by the portable core. No platform headers here: the Win32
// layer converts RECT/POINT/COLORREF at its boundary.
#pragma once
#include <algorithm>
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

}  // namespace vellumo
