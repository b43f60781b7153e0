// When a Wine program is idle, read from Linux: the CPU time the kernel
// counts for the whole process (every thread) in /proc/PID/stat stops moving.
// The resident bench presses the hotkey only once the program has finished
// tearing down its last capture, which goes on after the screen is clean.
#pragma once
#include <sys/types.h>

#include <chrono>
#include <optional>
#include <sstream>
#include <string>
#include <thread>

#include "bench/ProcMemory.h"

namespace vellumo::bench {

// utime + stime in clock ticks from the text of /proc/PID/stat; nothing when
// it is not such a line. The name in parentheses may hold spaces and ')'.
inline std::optional<long long> CpuTicks(const std::string& stat) {
    const std::size_t close = stat.rfind(')');
    if (close == std::string::npos) return std::nullopt;
    std::istringstream in(stat.substr(close + 1));
    std::string field;
    long long utime = -1, stime = -1;
    // After the name: state is field 3, utime 14, stime 15.
    for (int n = 3; n <= 15 && in >> field; ++n) {
        if (n == 14 || n == 15) {
            std::size_t used = 0;
            long long v = -1;
            try {
                v = std::stoll(field, &used);
            } catch (...) {
                return std::nullopt;
            }
            if (used != field.size() || v < 0) return std::nullopt;
            (n == 14 ? utime : stime) = v;
        }
    }
    if (utime < 0 || stime < 0) return std::nullopt;
    return utime + stime;
}

inline std::optional<long long> CpuTicks(pid_t pid) {
    return CpuTicks(ReadWhole("/proc/" + std::to_string(pid) + "/stat"));
}

// True once the process used no CPU for `quiet`; false after `timeout` or when
// it has gone.
inline bool WaitIdle(pid_t pid, std::chrono::milliseconds quiet, std::chrono::milliseconds timeout) {
    using Clock = std::chrono::steady_clock;
    const auto end = Clock::now() + timeout;
    std::optional<long long> last = CpuTicks(pid);
    auto since = Clock::now();
    while (last && Clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const std::optional<long long> now = CpuTicks(pid);
        if (!now) return false;
        if (*now != *last) {
            last = now;
            since = Clock::now();
        } else if (Clock::now() - since >= quiet) {
            return true;
        }
    }
    return false;
}

}  // namespace vellumo::bench
