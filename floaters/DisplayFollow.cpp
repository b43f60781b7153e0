#include "floaters/DisplayFollow.h"

#include <algorithm>

namespace vellumo {

namespace {
// `start` of a span `length` long moved into [from, to); from `from` when longer.
int Inside(int start, int length, int from, int to) { return std::max(from, std::min(start, to - length)); }
}  // namespace

Rect OntoNearestMonitor(const MonitorLayout& monitors, const Rect& r) {
    for (const MonitorArea& m : monitors.monitors())
        if (!Intersect(r, m.bounds).empty()) return r;
    const Rect& m = monitors.bounds(monitors.MonitorOf(r));
    return {Inside(r.left, r.width, m.left, m.right()), Inside(r.top, r.height, m.top, m.bottom()), r.width,
            r.height};
}

std::map<int, Point> PlacesAfterDisplayChange(const FloaterBook& book, Point oldOrigin, const MonitorLayout& now) {
    std::map<int, Point> places;
    for (const auto& [n, f] : book.floaters()) {
        const Rect onScreen{f.picture.left + oldOrigin.x, f.picture.top + oldOrigin.y, f.picture.width,
                            f.picture.height};
        const Rect kept = OntoNearestMonitor(now, onScreen);
        places[n] = now.ToBitmap(Point{kept.left, kept.top});
    }
    return places;
}

}  // namespace vellumo
