#include "floaters/FloaterKeys.h"

namespace vellumo {

namespace {
constexpr int kSpace = 0x20;
constexpr int kNumpad0 = 0x60;  // VK_NUMPAD0: the keypad's digits count as the row's
}  // namespace

FloaterKey DecideFloaterKey(const FloaterKeyPress& p) {
    if (p.repeat || p.alt || p.shift) return FloaterKey::None;
    if (p.ctrl) {
        if (p.key == 'C') return FloaterKey::Copy;
        if (p.key == 'S') return FloaterKey::Save;
        return FloaterKey::None;
    }
    const int digit = p.key >= kNumpad0 + 1 && p.key <= kNumpad0 + 4 ? '0' + (p.key - kNumpad0) : p.key;
    switch (digit) {
        case kSpace: return FloaterKey::Draw;
        case '1': return FloaterKey::RotateLeft;
        case '2': return FloaterKey::RotateRight;
        case '3': return FloaterKey::FlipHorizontal;
        case '4': return FloaterKey::FlipVertical;
        default: return FloaterKey::None;
    }
}

std::optional<int> FloaterForKeys(std::optional<int> underPointer, std::optional<int> lastClicked,
                                  const FloaterBook& book) {
    if (underPointer && book.Find(*underPointer)) return underPointer;
    if (lastClicked && book.Find(*lastClicked)) return lastClicked;
    return std::nullopt;
}

}  // namespace vellumo
