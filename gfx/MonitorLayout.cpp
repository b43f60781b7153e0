#include "gfx/MonitorLayout.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <utility>

namespace vellumo {

namespace {
// How far [from, to) lies from `v` (0 when it holds v), widened so that
// monitors at the ends of int's range cannot overflow.
std::int64_t Gap(int v, int from, int to) {
    if (v < from) return std::int64_t{from} - v;
    if (v >= to) return std::int64_t{v} - to + 1;
    return 0;
}

// Distance between [a0, a1) and [b0, b1); 0 when they overlap.
std::int64_t SpanGap(int a0, int a1, int b0, int b1) {
    if (a1 <= b0) return std::int64_t{b0} - a1 + 1;
    if (b1 <= a0) return std::int64_t{a0} - b1 + 1;
    return 0;
}

std::int64_t Squared(std::int64_t v) { return v * v; }

std::int64_t Area(const Rect& r) { return r.empty() ? 0 : std::int64_t{r.width} * r.height; }

}  // namespace

MonitorLayout::MonitorLayout(std::vector<MonitorArea> monitors) : monitors_(std::move(monitors)) {
    std::erase_if(monitors_, [](const MonitorArea& m) { return m.bounds.empty(); });
    if (monitors_.empty()) monitors_.push_back({Rect{}, true});
    const auto flagged = std::find_if(monitors_.begin(), monitors_.end(), [](const auto& m) { return m.primary; });
    const auto atOrigin =
        std::find_if(monitors_.begin(), monitors_.end(), [](const auto& m) { return m.bounds.contains({0, 0}); });
    primary_ = flagged != monitors_.end()    ? static_cast<std::size_t>(flagged - monitors_.begin())
               : atOrigin != monitors_.end() ? static_cast<std::size_t>(atOrigin - monitors_.begin())
                                             : 0;
    for (std::size_t i = 0; i < monitors_.size(); ++i) monitors_[i].primary = i == primary_;
    virtual_ = monitors_.front().bounds;
    for (const auto& m : monitors_) virtual_ = Union(virtual_, m.bounds);
}

MonitorLayout MonitorLayout::Single(Size screen) {
    return MonitorLayout({MonitorArea{Rect{0, 0, screen.width, screen.height}, true}});
}

std::size_t MonitorLayout::MonitorAt(Point p) const {
    std::size_t best = 0;
    std::int64_t bestDistance = std::numeric_limits<std::int64_t>::max();
    for (std::size_t i = 0; i < monitors_.size(); ++i) {
        const Rect& b = monitors_[i].bounds;
        const std::int64_t d = Squared(Gap(p.x, b.left, b.right())) + Squared(Gap(p.y, b.top, b.bottom()));
        if (d < bestDistance) {
            best = i;
            bestDistance = d;
        }
    }
    return best;
}

std::size_t MonitorLayout::MonitorOf(const Rect& r) const {
    if (r.empty()) return MonitorAt({r.left, r.top});
    std::size_t best = 0;
    std::int64_t bestArea = 0;
    for (std::size_t i = 0; i < monitors_.size(); ++i) {
        const std::int64_t a = Area(Intersect(r, monitors_[i].bounds));
        if (a > bestArea) {
            best = i;
            bestArea = a;
        }
    }
    if (bestArea > 0) return best;
    std::int64_t bestDistance = std::numeric_limits<std::int64_t>::max();
    for (std::size_t i = 0; i < monitors_.size(); ++i) {
        const Rect& b = monitors_[i].bounds;
        const std::int64_t d = Squared(SpanGap(r.left, r.right(), b.left, b.right())) +
                               Squared(SpanGap(r.top, r.bottom(), b.top, b.bottom()));
        if (d < bestDistance) {
            best = i;
            bestDistance = d;
        }
    }
    return best;
}

bool MonitorLayout::OutsideEveryMonitor(Point p) const {
    return std::none_of(monitors_.begin(), monitors_.end(), [&](const auto& m) { return m.bounds.contains(p); });
}

std::vector<Rect> MonitorLayout::Gaps() const {
    // The monitors' edges cut the virtual screen into cells, each wholly on a
    // monitor or wholly off every one; the cells off them, joined along each
    // band of rows, are the gaps.
    std::vector<int> xs{virtual_.left, virtual_.right()}, ys{virtual_.top, virtual_.bottom()};
    for (const auto& m : monitors_) {
        xs.insert(xs.end(), {m.bounds.left, m.bounds.right()});
        ys.insert(ys.end(), {m.bounds.top, m.bounds.bottom()});
    }
    for (auto* edges : {&xs, &ys}) {
        std::sort(edges->begin(), edges->end());
        edges->erase(std::unique(edges->begin(), edges->end()), edges->end());
    }
    std::vector<Rect> gaps;
    for (std::size_t j = 0; j + 1 < ys.size(); ++j) {
        const int top = ys[j], height = ys[j + 1] - ys[j];
        for (std::size_t i = 0; i + 1 < xs.size(); ++i) {
            if (!OutsideEveryMonitor({xs[i], top})) continue;
            const int left = xs[i];
            while (i + 2 < xs.size() && OutsideEveryMonitor({xs[i + 1], top})) ++i;
            gaps.push_back({left, top, xs[i + 1] - left, height});
        }
    }
    return gaps;
}

Point MonitorLayout::KeepOutOfGaps(Point c) const {
    const Rect& v = virtual_;
    if (c.x < v.left || c.y < v.top || c.x > v.right() || c.y > v.bottom()) return c;
    auto onClosed = [&c](const Rect& b) {
        return Point{std::clamp(c.x, b.left, b.right()), std::clamp(c.y, b.top, b.bottom())};
    };
    Point best = c;
    std::int64_t bestDistance = std::numeric_limits<std::int64_t>::max();
    for (const auto& m : monitors_) {
        const Point on = onClosed(m.bounds);
        const std::int64_t d = Squared(std::int64_t{on.x} - c.x) + Squared(std::int64_t{on.y} - c.y);
        if (d == 0) return c;
        if (d < bestDistance) {
            best = on;
            bestDistance = d;
        }
    }
    return best;
}

MonitorLayout MonitorLayout::OnBitmap() const {
    std::vector<MonitorArea> moved = monitors_;
    for (auto& m : moved) m.bounds = ToBitmap(m.bounds);
    return MonitorLayout(std::move(moved));
}

}  // namespace vellumo
