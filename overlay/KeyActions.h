// What a key does in the capture overlay, and the geometry of the keyboard's
// moves. The window layer feeds every WM_KEYDOWN and WM_SYSKEYDOWN (a key
// with Alt held) the overlay receives and performs the returned action; a
// system key that comes back None goes on to the system (Alt+F4, Alt+Space).
#pragma once
#include "gfx/Geometry.h"
#include "overlay/Selection.h"

namespace vellumo {

// The virtual-key codes the overlay looks at (the platform's VK_* values).
namespace vk {
inline constexpr int kTab = 0x09, kReturn = 0x0D, kEscape = 0x1B;
inline constexpr int kLeft = 0x25, kUp = 0x26, kRight = 0x27, kDown = 0x28;
inline constexpr int kC = 'C', kR = 'R', kS = 'S', kY = 'Y', kZ = 'Z';
}  // namespace vk

struct KeyPress {
    int key = 0;
    bool shift = false;
    bool ctrl = false;
    bool alt = false;
    // The key was already down: the keyboard's auto-repeat, or a key held
    // while a dialog or box took the press before it.
    bool repeat = false;
};

// Which window of the overlay has the keyboard.
enum class KeyFocus {
    Overlay,    // the overlay itself (or its toolbar's buttons)
    TextBox,    // the text tool's box: its keys are the user's text
    NumberBox,  // the width or opacity box
};

struct OverlayKeyState {
    KeyFocus focus = KeyFocus::Overlay;
    Mode mode = Mode::Detecting;
    // A drawing tool is chosen: the selection then stays where it is, as it
    // does for the mouse (moving and resizing need no tool).
    bool toolChosen = false;
};

enum class KeyCommand {
    None,
    EndCapture,        // Esc
    BackToDetection,   // R
    MoveSelection,     // by (dx, dy)
    MoveFarEdges,      // right edge by dx, bottom edge by dy
    MovePointer,       // by (dx, dy)
    Copy,
    Save,
    QuickSave,         // Ctrl+Shift+S: no dialog, into the quick-save folder
    CopyColourHex,     // "#RRGGBB" of the pixel under the pointer
    CopyColourList,    // "R, G, B"
    Undo,              // the window layer commits pending text first
    Redo,
    CommitText,
    ChooseTool,        // the tool whose letter was pressed
    ToggleToolOption,  // Tab: the chosen tool's option (the text tool's box)
};

struct KeyAction {
    KeyCommand command = KeyCommand::None;
    int dx = 0;
    int dy = 0;
    Tool tool = Tool::None;
    friend bool operator==(const KeyAction&, const KeyAction&) = default;
};

inline constexpr int kFineStep = 1;
inline constexpr int kCoarseStep = 10;  // with Shift

KeyAction DecideKey(const OverlayKeyState& state, const KeyPress& key);

// The selection moved by (dx, dy), kept on the screen: a move stops at the
// screen's edge, and a frame that already reaches past an edge (the mouse may
// leave it there) is never pushed further out, nor pulled in by more than asked.
Rect MoveWithinScreen(const Rect& frame, int dx, int dy, Size screen);
// The right edge moved by dx and the bottom edge by dy. The size stops at
// zero, as a handle drag does (the selection allows an empty frame; copying
// one tells the user), and the far edges stop at the screen's edge.
Rect MoveFarEdgesWithinScreen(const Rect& frame, int dx, int dy, Size screen);
// The pointer moved by (dx, dy), kept on the screen's pixels.
Point MovePointerWithinScreen(Point pointer, int dx, int dy, Size screen);

}  // namespace vellumo
