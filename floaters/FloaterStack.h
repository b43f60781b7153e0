// Which Floater lies in front of which. The host shows most Floaters as its
// own child windows, but one below 100% own opacity is a popup of its own
// (FloaterWheel_win.cpp), and a popup is always above the host and all its
// children. The stack is the order the user made (a new Floater and a left
// press bring one to the front, "Lowest" sends it to the back), and a popup
// keeps to it by leaving out of its window what lies in front of it in the
// host: the children the stack puts in front, and the drop icon, which stays
// above every Floater.
#pragma once
#include <optional>
#include <vector>

#include "floaters/FloaterBook.h"
#include "gfx/Geometry.h"

namespace vellumo {

class FloaterStack {
public:
    // Brings n to the front; a new n comes in there.
    void ToFront(int n);
    // Sends n behind every other Floater.
    void ToBack(int n);
    void Remove(int n);
    const std::vector<int>& frontToBack() const { return order_; }
    // The Floater just in front of n among those `kind` accepts (those shown
    // the same way: children of the host, or popups); nothing when n is the
    // front one of its kind. A window is placed right behind that one's.
    template <typename Kind>
    std::optional<int> NearestInFront(int n, Kind kind) const {
        std::optional<int> nearest;
        for (int m : order_) {
            if (m == n) return nearest;
            if (kind(m)) nearest = m;
        }
        return std::nullopt;
    }

private:
    std::vector<int> order_;  // front first
};

// What Floater n, shown apart (a popup), must leave out of its window, in
// its own coordinates (its picture's top-left is 0,0): the drop icon
// wherever it overlaps, and each Floater shown in the host (not in `apart`)
// that the stack puts in front of n. Through those holes the host shows its
// own parts, and takes their clicks.
std::vector<Rect> ApartCuts(const FloaterBook& book, const FloaterStack& stack, int n, const std::vector<int>& apart,
                            const Rect& dropIcon);

}  // namespace vellumo
