#include "floaters/FloaterStack.h"

#include <algorithm>

namespace vellumo {

void FloaterStack::Remove(int n) { order_.erase(std::remove(order_.begin(), order_.end(), n), order_.end()); }

void FloaterStack::ToFront(int n) {
    Remove(n);
    order_.insert(order_.begin(), n);
}

void FloaterStack::ToBack(int n) {
    Remove(n);
    order_.push_back(n);
}

std::vector<Rect> ApartCuts(const FloaterBook& book, const FloaterStack& stack, int n, const std::vector<int>& apart,
                            const Rect& dropIcon) {
    const Floater* self = book.Find(n);
    if (!self) return {};
    const Rect& picture = self->picture;
    std::vector<Rect> cuts;
    const auto cut = [&](const Rect& r) {
        const Rect part = Intersect(picture, r);
        if (!part.empty()) cuts.push_back({part.left - picture.left, part.top - picture.top, part.width, part.height});
    };
    for (int m : stack.frontToBack()) {
        if (m == n) break;
        const Floater* f = book.Find(m);
        if (f && std::find(apart.begin(), apart.end(), m) == apart.end()) cut(f->picture);
    }
    if (!dropIcon.empty()) cut(dropIcon);
    return cuts;
}

}  // namespace vellumo
