// The frame sequences RedrawDimming is timed on: what a drag, window detection
// and moving a selection feed it, call after call.
#pragma once
#include <algorithm>
#include <string>
#include <vector>

#include "gfx/Geometry.h"

namespace vellumo::bench {

struct FrameSequence {
    std::string name;
    std::vector<Rect> frames;  // frames[0] is drawn untimed first, the rest are timed
};

// A drag from a fifth of the way in: the frame grows by 3 x 2 pixels a call
// until it reaches four fifths of the screen.
inline FrameSequence DragSequence(Size s) {
    FrameSequence q{"drag", {}};
    const int left = s.width / 5, top = s.height / 5;
    for (int w = 40, h = 30; left + w <= s.width * 4 / 5 && top + h <= s.height * 4 / 5; w += 3, h += 2)
        q.frames.push_back({left, top, w, h});
    return q;
}

// Detection flipping between a small window near the top-left corner and a
// large one reaching the bottom-right: every call rewrites nearly the whole
// screen, the worst the 50 ms tick can ask for.
inline FrameSequence AlternatingSequence(Size s, int calls) {
    FrameSequence q{"detect small<->large", {}};
    const Rect small{40, 40, 320, 240};
    const Rect large{s.width / 4, s.height / 4, s.width * 3 / 4 - 40, s.height * 3 / 4 - 40};
    for (int i = 0; i < calls; ++i) q.frames.push_back(i % 2 ? large : small);
    return q;
}

// A selection of 5/12 x 5/9 of the screen moved right and down by (12, 5) a
// call, starting partly off the left edge as moving allows.
inline FrameSequence MoveSequence(Size s) {
    FrameSequence q{"move", {}};
    const int w = s.width * 5 / 12, h = s.height * 5 / 9;
    for (int x = -s.width / 10, y = s.height / 10; x + w <= s.width && y + h <= s.height; x += 12, y += 5)
        q.frames.push_back({x, y, w, h});
    return q;
}

// The same frame again: nothing changed, nothing to redraw.
inline FrameSequence SameSequence(Size s, int calls) {
    FrameSequence q{"same frame", {}};
    const Rect f{s.width / 3, s.height / 3, s.width / 3, s.height / 3};
    q.frames.assign(std::size_t(std::max(calls, 2)), f);
    return q;
}

}  // namespace vellumo::bench
