#include "overlay/KeyActions.h"

#include <algorithm>

#include "annotate/Tool.h"

namespace vellumo {

namespace {
struct Direction {
    int x = 0, y = 0;
};
bool ArrowDirection(int key, Direction& d) {
    switch (key) {
        case vk::kLeft: d = {-1, 0}; return true;
        case vk::kRight: d = {1, 0}; return true;
        case vk::kUp: d = {0, -1}; return true;
        case vk::kDown: d = {0, 1}; return true;
        default: return false;
    }
}

KeyAction ArrowAction(const OverlayKeyState& state, const KeyPress& key, Direction d) {
    const int step = key.shift ? kCoarseStep : kFineStep;
    if (state.mode == Mode::Selected) {
        if (state.toolChosen) return {};
        return {key.ctrl ? KeyCommand::MoveFarEdges : KeyCommand::MoveSelection, d.x * step, d.y * step};
    }
    if (key.ctrl) return {};
    return {KeyCommand::MovePointer, d.x * step, d.y * step};
}

// Moves `pos` by `by` along one axis for an extent [pos, pos + size) on
// [0, limit): stops at the edge, but never moves against `by` and never
// pushes further out an extent that is out already.
int MoveAxis(int pos, int size, int by, int limit) {
    const int moved = pos + by;
    if (by < 0) return std::max(moved, std::min(pos, 0));
    if (by > 0) return std::min(moved, std::max(pos, limit - size));
    return pos;
}

// The same for a far edge: not below the near edge, not past the limit
// unless it was past already (then it may only come back).
int MoveEdge(int near, int edge, int by, int limit) {
    const int moved = edge + by;
    if (by < 0) return std::max(moved, near);
    if (by > 0) return std::min(moved, std::max(edge, limit));
    return edge;
}

// Only moves and undo steps go on while a key is held. Anything else ends,
// copies, saves or starts over on a fresh press alone: the Enter that printed
// the text, or closed a dialog, and is still held must not then copy the
// capture and end it.
bool ActsOnRepeat(KeyCommand c) {
    switch (c) {
        case KeyCommand::MoveSelection:
        case KeyCommand::MoveFarEdges:
        case KeyCommand::MovePointer:
        case KeyCommand::Undo:
        case KeyCommand::Redo: return true;
        case KeyCommand::None:
        case KeyCommand::EndCapture:
        case KeyCommand::BackToDetection:
        case KeyCommand::Copy:
        case KeyCommand::Save:
        case KeyCommand::CopyColourHex:
        case KeyCommand::CopyColourList:
        case KeyCommand::CommitText:
        case KeyCommand::ToggleToolOption: return false;
    }
    return false;
}

KeyAction DecideFreshKey(const OverlayKeyState& state, const KeyPress& key) {
    // The boxes keep their own keys; the text box's Enter commits its text,
    // whatever else is held, as it always has.
    if (state.focus == KeyFocus::TextBox) {
        return key.key == vk::kReturn ? KeyAction{KeyCommand::CommitText} : KeyAction{};
    }
    if (state.focus == KeyFocus::NumberBox) return {};

    // Esc and R act in any modifier state that still reaches the overlay as a
    // key-down (Ctrl+R, Shift+R, Ctrl+Alt+R...), as they always have.
    if (key.key == vk::kEscape) return {KeyCommand::EndCapture};
    if (key.key == vk::kR) return {KeyCommand::BackToDetection};
    // Ctrl+Alt is AltGr on many layouts, a character rather than a command.
    if (key.alt) return {};

    Direction d;
    if (ArrowDirection(key.key, d)) return ArrowAction(state, key, d);

    if (key.key == vk::kC) {
        // The held Ctrl+Shift+C restarts the capture from its own poll; its
        // key-down must do nothing else.
        if (key.ctrl && key.shift) return {};
        if (!key.ctrl) return {key.shift ? KeyCommand::CopyColourList : KeyCommand::CopyColourHex};
    }

    // The rest act on a completed selection only, as the toolbar does.
    if (state.mode != Mode::Selected) return {};
    // A tool's letter (its row in the tool table) chooses it.
    if (const Tool tool = ToolForKey(key.key); tool != Tool::None && !key.ctrl)
        return {KeyCommand::ChooseTool, 0, 0, tool};
    if (key.key == vk::kTab && state.toolChosen && !key.ctrl && !key.shift) return {KeyCommand::ToggleToolOption};
    if (key.key == vk::kReturn && !key.ctrl && !key.shift) return {KeyCommand::Copy};
    if (!key.ctrl) return {};
    switch (key.key) {
        case vk::kC: return {KeyCommand::Copy};
        case vk::kS: return {key.shift ? KeyCommand::QuickSave : KeyCommand::Save};
        case vk::kZ: return {key.shift ? KeyCommand::Redo : KeyCommand::Undo};
        case vk::kY: return key.shift ? KeyAction{} : KeyAction{KeyCommand::Redo};
        default: return {};
    }
}
}  // namespace

KeyAction DecideKey(const OverlayKeyState& state, const KeyPress& key) {
    const KeyAction a = DecideFreshKey(state, key);
    return key.repeat && !ActsOnRepeat(a.command) ? KeyAction{} : a;
}

Rect MoveWithinScreen(const Rect& frame, int dx, int dy, Size screen) {
    return {MoveAxis(frame.left, frame.width, dx, screen.width),
            MoveAxis(frame.top, frame.height, dy, screen.height), frame.width, frame.height};
}

Rect MoveFarEdgesWithinScreen(const Rect& frame, int dx, int dy, Size screen) {
    const int right = MoveEdge(frame.left, frame.right(), dx, screen.width);
    const int bottom = MoveEdge(frame.top, frame.bottom(), dy, screen.height);
    // A frame already inverted (never made by this model) is left as it is.
    return {frame.left, frame.top, frame.width < 0 ? frame.width : right - frame.left,
            frame.height < 0 ? frame.height : bottom - frame.top};
}

Point MovePointerWithinScreen(Point p, int dx, int dy, Size screen) {
    return {std::clamp(p.x + dx, 0, std::max(0, screen.width - 1)),
            std::clamp(p.y + dy, 0, std::max(0, screen.height - 1))};
}

}  // namespace vellumo
