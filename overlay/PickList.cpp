#include "overlay/PickList.h"

namespace vellumo {

void PickList::Build(WindowLister& lister) {
    top_ = lister.VisibleTopLevel();
    ids_.clear();
    edges_.clear();
    auto add = [this, &lister](WindowId id) {
        Rect r;
        if (!lister.WindowRect(id, r)) return;  // gone between listing and asking
        ids_.push_back(id);
        edges_.push_back({r.left, r.top, r.right(), r.bottom()});
    };
    for (WindowId top : top_) {
        for (WindowId child : lister.VisibleDescendants(top)) add(child);
        add(top);
    }
}

void PickList::Assign(std::vector<WindowId> ids, std::vector<Edges> edges) {
    ids_ = std::move(ids);
    edges_ = std::move(edges);
    edges_.resize(ids_.size(), Edges{0, 0, -1, -1});
}

std::optional<std::size_t> PickList::Find(Point p) const {
    const std::size_t n = edges_.size();
    const Edges* e = edges_.data();
    for (std::size_t k = 0; k < n; ++k) {
        if (e[k].left <= p.x && p.x <= e[k].right && e[k].top <= p.y && p.y <= e[k].bottom) return k;
    }
    return std::nullopt;
}

std::optional<Rect> PickList::DetectAt(const MonitorLayout& monitors, Point pointer) const {
    if (monitors.OutsideEveryMonitor(pointer)) return std::nullopt;
    const auto k = Find(pointer);
    if (!k) return std::nullopt;
    return monitors.ToBitmap(WindowRectOf(*k));
}

Rect PickList::WindowRectOf(std::size_t k) const {
    const Edges& e = edges_.at(k);
    return Rect::fromEdges(e.left, e.top, e.right, e.bottom);
}

}  // namespace vellumo
