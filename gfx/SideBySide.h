// Work cut into parts that may run side by side on the machine's cores. The
// portable core has no threads of its own: the caller lends a runner, which
// calls work(part, parts) once for each part in [0, parts), with `parts` of
// its choosing (at most `most`), and returns when every part has. Without a
// runner the work runs here, as one part. Parts must not touch each other's
// pixels; the result is the same however many there are.
#pragma once
#include <algorithm>
#include <functional>

#include "gfx/Geometry.h"

namespace vellumo {

using PartOfWork = std::function<void(int part, int parts)>;
using SideBySide = std::function<void(int most, const PartOfWork& work)>;

inline void RunSideBySide(const SideBySide& cores, int most, const PartOfWork& work) {
    if (cores && most > 1)
        cores(most, work);
    else
        work(0, 1);
}

// Part `part` of `parts` of the span [from, to), cut at multiples of `unit`
// counted from `from` (the last part takes what is left); empty parts are
// possible where there are more parts than units.
inline void SliceOf(int from, int to, int unit, int part, int parts, int& begin, int& end) {
    const long long units = (static_cast<long long>(to - from) + unit - 1) / unit;
    const auto at = [&](int k) {
        return k >= parts ? to : std::min(to, from + static_cast<int>(units * k / parts) * unit);
    };
    begin = at(part);
    end = at(part + 1);
}

}  // namespace vellumo
