#include "app/CaptureDelay.h"

namespace vellumo {

CaptureDelay::Outcome CaptureDelay::Start(int seconds, std::uint64_t nowMs, Outcome how) {
    seconds_ = seconds > 0 ? seconds : kDefaultCaptureDelay;
    dueMs_ = nowMs + static_cast<std::uint64_t>(seconds_) * 1000u;
    return how;
}

CaptureDelay::Outcome CaptureDelay::Choose(int seconds, std::uint64_t nowMs) {
    if (!waiting()) return Start(seconds, nowMs, Outcome::Started);
    if (seconds == seconds_) {
        Cancel();
        return Outcome::Cancelled;
    }
    return Start(seconds, nowMs, Outcome::Restarted);
}

CaptureDelay::Outcome CaptureDelay::Press(std::uint64_t nowMs) {
    if (!waiting()) return Start(seconds_, nowMs, Outcome::Started);
    Cancel();
    return Outcome::Cancelled;
}

int CaptureDelay::SecondsLeft(std::uint64_t nowMs) const {
    if (!dueMs_ || nowMs >= *dueMs_) return 0;
    return static_cast<int>((*dueMs_ - nowMs + 999u) / 1000u);
}

bool CaptureDelay::TakeDue(std::uint64_t nowMs) {
    if (!dueMs_ || nowMs < *dueMs_) return false;
    dueMs_.reset();
    return true;
}

std::wstring CaptureDelay::Tip(std::uint64_t nowMs) const {
    if (!waiting()) return {};
    const int left = SecondsLeft(nowMs);
    if (left == 0) return L"Vellumo: capturing now";
    return L"Vellumo: capture in " + std::to_wstring(left) + L" s (choose it again to cancel)";
}

}  // namespace vellumo
