// What a key does to a Floater while the host has the keyboard, and which
// Floater it does it to.
#pragma once
#include <optional>

#include "floaters/FloaterBook.h"

namespace vellumo {

enum class FloaterKey {
    None,
    Copy,            // Ctrl+C
    Save,            // Ctrl+S
    Draw,            // Space
    RotateLeft,      // 1
    RotateRight,     // 2
    FlipHorizontal,  // 3
    FlipVertical,    // 4
};

struct FloaterKeyPress {
    int key = 0;  // the platform's virtual-key code
    bool shift = false;
    bool ctrl = false;
    bool alt = false;
    bool repeat = false;  // the key was already down (auto-repeat)
};

// A held key does its work once: a picture that spun round for as long as
// "1" stays down, or a save dialog after another, is not what the user meant.
FloaterKey DecideFloaterKey(const FloaterKeyPress& press);

// The Floater a key acts on: the one under the pointer, else the one last
// clicked while it is still there; none when neither is.
std::optional<int> FloaterForKeys(std::optional<int> underPointer, std::optional<int> lastClicked,
                                  const FloaterBook& book);

}  // namespace vellumo
