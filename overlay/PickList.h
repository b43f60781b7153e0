// The windows window detection can offer, listed once when the screen is
// frozen: each visible top-level window in z-order, preceded by its visible
// descendants, so the first hit is the innermost listed control of the topmost
// window under the pointer.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "gfx/Geometry.h"
#include "gfx/MonitorLayout.h"

namespace vellumo {

using WindowId = std::uintptr_t;

// The platform's window list, so the search runs without a display.
class WindowLister {
public:
    virtual ~WindowLister() = default;
    virtual std::vector<WindowId> VisibleTopLevel() = 0;        // z-order, top first
    virtual std::vector<WindowId> VisibleDescendants(WindowId) = 0;
    // False when the window can no longer be asked (destroyed meanwhile).
    virtual bool WindowRect(WindowId, Rect& out) = 0;
};

// Window edges as the system reports them; a point on right or bottom still hits.
struct Edges {
    int left, top, right, bottom;
};

class PickList {
public:
    void Build(WindowLister& lister);
    // For tests and benchmarks: a list of given rectangles.
    void Assign(std::vector<WindowId> ids, std::vector<Edges> edges);

    // Index of the first listed window holding p (edges inclusive).
    std::optional<std::size_t> Find(Point p) const;
    // The rectangle of entry k as listed (right/bottom exclusive, as Win32 gives them).
    Rect WindowRectOf(std::size_t k) const;

    // What detection takes at `pointer` (virtual-screen coordinates): the
    // rectangle of the first window holding it, in the coordinates of the
    // overlay covering the virtual screen. Nothing in a gap between monitors
    // or off them: no window can be picked there.
    std::optional<Rect> DetectAt(const MonitorLayout& monitors, Point pointer) const;

    const std::vector<WindowId>& TopWindows() const { return top_; }
    const std::vector<WindowId>& Windows() const { return ids_; }
    std::size_t size() const { return ids_.size(); }

private:
    std::vector<WindowId> top_;
    std::vector<WindowId> ids_;
    std::vector<Edges> edges_;
};

}  // namespace vellumo
