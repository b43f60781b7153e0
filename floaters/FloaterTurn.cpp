#include "floaters/FloaterTurn.h"

#include <algorithm>

namespace vellumo {

namespace {
bool QuarterTurn(Turn turn) { return turn == Turn::Left || turn == Turn::Right; }
}  // namespace

Size TurnedSize(Size size, Turn turn) {
    return QuarterTurn(turn) ? Size{size.height, size.width} : size;
}

bool TurnPixels(const PixelPlane& from, const PixelPlane& to, Turn turn) {
    const Size want = TurnedSize({from.width, from.height}, turn);
    if (!from.bits || !to.bits || to.width != want.width || to.height != want.height) return false;
    const int w = from.width, h = from.height;
    for (int y = 0; y < h; ++y) {
        const std::uint32_t* src = from.row(y);
        switch (turn) {
            // The top row becomes the left column, read upwards.
            case Turn::Left:
                for (int x = 0; x < w; ++x) to.row(w - 1 - x)[y] = src[x];
                break;
            // The top row becomes the right column, read downwards.
            case Turn::Right:
                for (int x = 0; x < w; ++x) to.row(x)[h - 1 - y] = src[x];
                break;
            case Turn::FlipHorizontal: {
                std::uint32_t* dst = to.row(y);
                for (int x = 0; x < w; ++x) dst[w - 1 - x] = src[x];
                break;
            }
            case Turn::FlipVertical: {
                std::uint32_t* dst = to.row(h - 1 - y);
                for (int x = 0; x < w; ++x) dst[x] = src[x];
                break;
            }
        }
    }
    return true;
}

Rect TurnAroundCentre(const Rect& shown, Turn turn) {
    return ResizedAroundCentre(shown, TurnedSize({shown.width, shown.height}, turn));
}

Rect ResizedAroundCentre(const Rect& shown, Size size) {
    // Division towards zero: a side that shrinks by an odd amount moves in by
    // the floor of half of it, and grown back by the same amount it moves out
    // by just as much.
    return {shown.left + (shown.width - size.width) / 2, shown.top + (shown.height - size.height) / 2, size.width,
            size.height};
}

Rect LayOver(const PixelPlane& picture, const PixelPlane& drawn, Point at) {
    const Rect onPicture = Intersect({at.x, at.y, drawn.width, drawn.height}, {0, 0, picture.width, picture.height});
    if (onPicture.empty() || !picture.bits || !drawn.bits) return {};
    for (int y = 0; y < onPicture.height; ++y) {
        const std::uint32_t* from = drawn.row(onPicture.top - at.y + y) + (onPicture.left - at.x);
        std::copy(from, from + onPicture.width, picture.row(onPicture.top + y) + onPicture.left);
    }
    return onPicture;
}

}  // namespace vellumo
