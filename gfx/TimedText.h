// A short text that shows for a while after something changed (a zoom
// percentage, a "copied" note), on a millisecond clock the caller supplies.
#pragma once
#include <cstdint>
#include <string>

namespace vellumo {

class TimedText {
public:
    // Shows `text` from `nowMs` for `forMs`; a repeat restarts the time.
    void Show(std::wstring text, std::uint64_t nowMs, std::uint32_t forMs) {
        text_ = std::move(text);
        until_ = nowMs + forMs;
    }
    void Hide() { until_ = 0; }
    bool VisibleAt(std::uint64_t nowMs) const { return nowMs < until_; }
    // Milliseconds left to show, for the timer that hides it; 0 once hidden.
    std::uint64_t RemainingAt(std::uint64_t nowMs) const { return VisibleAt(nowMs) ? until_ - nowMs : 0; }
    const std::wstring& text() const { return text_; }

private:
    std::wstring text_;
    std::uint64_t until_ = 0;
};

}  // namespace vellumo
