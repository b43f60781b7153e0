// The actions a global hotkey can start, as one table: each row's set.ini
// name (its keys are <name>Text, <name>KeyCode and <name>ModKeyCode in
// [hotkey], as the capture hotkey's), the caption the settings window shows
// beside its box, and the rule that keeps two actions off one combination.
// No platform headers.
#pragma once
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "hotkey/KeyCombo.h"

namespace vellumo {

enum class HotkeyAction {
    Capture,        // the capture hotkey: "HotKey1", Print Screen by default
    LastRegion,     // a capture with the last selection made again
    Delayed,        // a capture after the delay; pressed again, the wait ends
    PinClipboard,   // the clipboard's picture as a new Floater
    CopyLast,       // the last capture on the clipboard again
    ReopenFloater,  // the Floater closed last comes back
    TakeClicks,     // a click-through Floater takes clicks again
    HideFloaters,   // hides the Floaters, or shows them when hidden
};

struct HotkeyActionEntry {
    HotkeyAction action;
    const wchar_t* name;     // the set.ini prefix
    const wchar_t* caption;  // the settings window's label
};

// Every action, the capture hotkey first; the settings window shows them in
// this order. Only the capture hotkey has a combination by default.
std::span<const HotkeyActionEntry> HotkeyActions();
const HotkeyActionEntry& HotkeyActionOf(HotkeyAction action);

// Whether a combination is a hotkey at all (a usable key), and whether two
// would be registered as the same one (the key and the modifiers
// RegisterHotKey is given, whatever the text says).
bool IsHotkey(const hotkey::Combination& c);
bool SameHotkey(const hotkey::Combination& a, const hotkey::Combination& b);

// A combination the settings window refuses at a save because another action
// has it: `refused` goes back to its saved combination, `holder` keeps it.
struct HotkeyClash {
    std::size_t refused;
    std::size_t holder;
    hotkey::Combination combination;  // the one asked for twice
    friend bool operator==(const HotkeyClash&, const HotkeyClash&) = default;
};

// Resolves shared combinations in `shown` (one per action, in table order)
// against `saved` (what each had before): of two actions with one
// combination, the one the user has just changed gives way (the later of
// the two when both or neither changed) and takes its saved combination
// back, or none if that one is taken too. `shown` is left clash-free; the
// clashes, in the order they were met.
std::vector<HotkeyClash> ResolveHotkeyClashes(std::vector<hotkey::Combination>& shown,
                                              const std::vector<hotkey::Combination>& saved);

// What the settings window says about one refused clash.
std::wstring HotkeyClashMessage(const HotkeyClash& clash, const hotkey::Combination& keptInstead);

// What the user is told when combinations cannot be registered because
// another program holds them: the combinations by name, the usual holders,
// and the offer to open the settings window.
std::wstring HotkeyTakenMessage(std::span<const std::wstring> combinations);
// The mark beside a box whose hotkey is not registered.
inline constexpr wchar_t kHotkeyNotRegisteredMark[] = L"Not registered: another program holds it";

}  // namespace vellumo
