// The wait before a delayed capture freezes the screen, without Windows:
// what a choice of the tray's "Capture in N s" or a press of the Delayed
// hotkey does to a wait that runs, and what the tray icon's tip says.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace vellumo {

// The delays the tray offers; the hotkey waits as long as the last one chosen.
inline constexpr int kCaptureDelays[] = {3, 5, 10};
inline constexpr int kDefaultCaptureDelay = 3;

class CaptureDelay {
public:
    enum class Outcome { Started, Restarted, Cancelled };

    // A tray entry: starts a wait of `seconds`; the same entry again cancels
    // the wait, another one starts it afresh with its own delay.
    Outcome Choose(int seconds, std::uint64_t nowMs);
    // The hotkey: starts a wait of the last chosen delay, or cancels one.
    Outcome Press(std::uint64_t nowMs);
    void Cancel() { dueMs_.reset(); }

    bool waiting() const { return dueMs_.has_value(); }
    int seconds() const { return seconds_; }
    // Whole seconds left, rounded up (a wait 2.1 s from its end shows 3):
    // 0 once it is due or when none runs.
    int SecondsLeft(std::uint64_t nowMs) const;
    // True once, when a running wait has come to its end (it then stops).
    bool TakeDue(std::uint64_t nowMs);

    // The tray icon's tip while it waits; empty when nothing waits.
    std::wstring Tip(std::uint64_t nowMs) const;

private:
    Outcome Start(int seconds, std::uint64_t nowMs, Outcome how);

    int seconds_ = kDefaultCaptureDelay;
    std::optional<std::uint64_t> dueMs_;
};

}  // namespace vellumo
