// The monitors of the desktop in virtual-screen coordinates, as Windows
// numbers them: the primary's top-left is (0,0), monitors left of or above it
// have negative coordinates, and between monitors of different sizes lie
// gaps that belong to none. A frozen capture of the whole virtual screen is a
// bitmap whose (0,0) is the virtual screen's top-left.
#pragma once
#include <cstddef>
#include <vector>

#include "gfx/Geometry.h"

namespace vellumo {

struct MonitorArea {
    Rect bounds;
    bool primary = false;
    friend bool operator==(const MonitorArea&, const MonitorArea&) = default;
};

class MonitorLayout {
public:
    // Monitors with an empty rectangle are dropped. The primary is the first
    // one flagged, else the one holding (0,0), else the first. A list with no
    // usable monitor (enumeration failed) becomes one 0 x 0 primary at the
    // origin, so every question still has an answer.
    explicit MonitorLayout(std::vector<MonitorArea> monitors);
    // One screen at (0,0): the desktop the program has always known.
    static MonitorLayout Single(Size screen);

    const std::vector<MonitorArea>& monitors() const { return monitors_; }
    std::size_t count() const { return monitors_.size(); }
    const Rect& bounds(std::size_t monitor) const { return monitors_[monitor].bounds; }
    std::size_t primaryIndex() const { return primary_; }
    const Rect& primary() const { return bounds(primary_); }

    // The smallest rectangle holding every monitor.
    const Rect& virtualBounds() const { return virtual_; }

    // The monitor holding `p`, else the nearest one (a point in a gap or off
    // the virtual screen). Ties go to the earlier monitor.
    std::size_t MonitorAt(Point p) const;
    // The monitor holding the largest part of `r`; when no monitor meets it,
    // the one nearest to it. An empty `r` counts as its top-left point.
    std::size_t MonitorOf(const Rect& r) const;
    // True when `p` lies on no monitor: off the virtual screen or in a gap.
    bool OutsideEveryMonitor(Point p) const;
    // The parts of the virtual screen that lie on no monitor, as rectangles
    // that do not overlap; none when the monitors fill it.
    std::vector<Rect> Gaps() const;
    // A corner of a selection (an edge position: a monitor's right and
    // bottom edges count as on it) moved out of a gap onto the nearest
    // monitor. Points on a monitor, and points past the virtual screen's
    // outer edges, stay as they are: with one monitor nothing ever moves.
    Point KeepOutOfGaps(Point corner) const;

    // The same monitors measured from the virtual screen's top-left: the
    // coordinates of a window covering the virtual screen, and of its capture.
    MonitorLayout OnBitmap() const;

    // Between virtual-screen coordinates and those of a capture of the whole
    // virtual screen.
    Point ToBitmap(Point p) const { return {p.x - virtual_.left, p.y - virtual_.top}; }
    Point ToScreen(Point p) const { return {p.x + virtual_.left, p.y + virtual_.top}; }
    Rect ToBitmap(const Rect& r) const { return {r.left - virtual_.left, r.top - virtual_.top, r.width, r.height}; }
    Rect ToScreen(const Rect& r) const { return {r.left + virtual_.left, r.top + virtual_.top, r.width, r.height}; }

private:
    std::vector<MonitorArea> monitors_;
    std::size_t primary_ = 0;
    Rect virtual_;
};

}  // namespace vellumo
